#pragma once
// The Qt window on a fresh emulated i815, with the program's message boxes replaced by a record.

#include "../support/config_cycles.h"
#include "../support/emulated_chip_fixture.h"
#include "main_form.h"
#include "mechanism1_access.h"
#include "qt_form_window.h"
#include "radio_group_box.h"
#include "wrapping_tab_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class WindowTest : public EmulatedChipTest {
protected:
    void SetUp() override
    {
        SelectPortAccess(nullptr);  // the window reaches the chip through the access it is given
        QtFormWindow::SetMessageHandler([this](const QString& text) {
            messages << text;
            if (onMessage)
                onMessage(text);
        });
    }

    void TearDown() override
    {
        form.reset();
        QtFormWindow::SetMessageHandler(nullptr);
    }

    QtFormWindow& Open() { return Open(access); }
    QtFormWindow& Open(ConfigAccess& through)
    {
        form = std::make_unique<QtFormWindow>(through);
        return *form;
    }

    // The window while its construction runs (a message box is open), before Open returns.
    static QtFormWindow* Constructing()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* quarvel = qobject_cast<QtFormWindow*>(window))
                return quarvel;
        return nullptr;
    }

    // The drawn controls, by their names.
    template <class W = QWidget>
    W* Widget(const char* name) const
    {
        return form->findChild<W*>(QString::fromLatin1(name));
    }
    QLabel* Label(const char* name) const { return Widget<QLabel>(name); }
    QCheckBox* Check(const char* name) const { return Widget<QCheckBox>(name); }
    QComboBox* List(const char* name) const { return Widget<QComboBox>(name); }
    QSlider* Bar(const char* name) const { return Widget<QSlider>(name); }
    RadioGroupBox* Radios(const char* name) const { return Widget<RadioGroupBox>(name); }
    QGroupBox* Group(const char* name) const { return Widget<QGroupBox>(name); }
    QPlainTextEdit* Memo(const char* name) const { return Widget<QPlainTextEdit>(name); }
    QWidget* Page(const char* name) const { return Widget(name); }
    WrappingTabControl* Tabs() const { return Widget<WrappingTabControl>("PageCtrl"); }
    // The page is shown as the program shows it: no page change is raised.
    void ShowPage(QWidget* page) { form->core().PageCtrl.SetActivePage(Tabs()->indexOf(page)); }
    void ShowPage(const char* name) { ShowPage(Page(name)); }

    std::vector<std::pair<uint32_t, uint32_t>> ConfigWrites() const { return ::ConfigWrites(chip.Trace()); }
    size_t ReadsOf(uint32_t offset) const { return ::ReadsOf(offset, chip.Trace()); }

    Mechanism1Access access{chip};
    std::unique_ptr<QtFormWindow> form;
    QStringList messages;
    std::function<void(const QString&)> onMessage;
};
