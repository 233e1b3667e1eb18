// Start-up and close as the window shows them, on the emulated chip.
#include "window_fixture.h"

#include "hint_display.h"
#include "../support/refused_ports.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

using Trace = std::vector<PortOperation>;

// What the construction and the close do on the chip is the form core's business
// (tests/form/form_test.cpp); here, how the window shows them.
class ConstructionTest : public WindowTest {};

TEST_F(ConstructionTest, AfterStartTheTimerRunsAndTheAboutBoxShowsItsTop)
{
    Open();
    EXPECT_TRUE(form->timer()->isActive());
    EXPECT_FALSE(form->timer()->isSingleShot());
    EXPECT_EQ(form->timer()->interval(), 2000);
    EXPECT_EQ(HintDisplay::Instance().hidePause(), 60000);
    EXPECT_EQ(Tabs()->currentPage(), Page("AboutSheet"));

    const QString about = Memo("AboutRC")->toPlainText();
    EXPECT_TRUE(about.startsWith(QStringLiteral("Welcome to i815 Quarvel.\n\nThis tool was designed"))) << about.toStdString();
    EXPECT_TRUE(about.endsWith(QStringLiteral("\nDIMM 2 Population:\n Empty\n"))) << about.toStdString();
    EXPECT_EQ(Memo("AboutRC")->textCursor().position(), 0) << "shows the top of the welcome text";
    EXPECT_EQ(Memo("AboutRC")->verticalScrollBar()->value(), 0);
}

// The form greys the override for an AGP card at 3.3 V; the window draws it so, through every
// refresh, and the mouse cannot change it.
TEST_F(ConstructionTest, AnOverrideTheUserCannotChangeIsGreyed)
{
    chip.SetDword(0xBC, 0x00002020 | (1u << 19));  // 3.3 V signalling
    Open();
    form->show();
    form->timer()->stop();
    ShowPage("AGPSTATTab");
    EXPECT_FALSE(Check("AGP4XOVRcb")->isEnabled());
    chip.ClearTrace();
    QTest::mouseClick(Check("AGP4XOVRcb"), Qt::LeftButton, Qt::NoModifier, QPoint(6, Check("AGP4XOVRcb")->height() / 2));
    EXPECT_TRUE(chip.Trace().empty());
    EXPECT_FALSE(Check("AGP4XOVRcb")->isChecked());

    chip.SetDword(0xB0, 0x81);  // set by another program
    form->core().iRefreshTmrTimer();
    EXPECT_TRUE(Check("AGP4XOVRcb")->isChecked());
    EXPECT_FALSE(Check("AGP4XOVRcb")->isEnabled());
}

// The program's messages are modal boxes with one OK button, no icon and no title. The box's own
// event loop runs the refresh timer: here during the GFX-mode warning, before the construction
// has ended.
TEST_F(ConstructionTest, AMessageIsAModalBoxWhoseLoopRunsTheTimer)
{
    QtFormWindow::SetMessageHandler(nullptr);
    chip.SetDword(0x50, 0x277C0344);  // GFX mode
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    int buttons = 0;
    bool modal = false;
    size_t refreshes = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        modal = box->isModal();
        chip.ClearTrace();
        Constructing()->timer()->setInterval(20);  // ticks sooner than the 2000 ms of the start
        QTimer::singleShot(300, box, [&, box] {
            refreshes = ReadsOf(0xA8);
            box->button(QMessageBox::Ok)->click();
        });
    });
    QObject thisTest;
    QTimer::singleShot(10000, &thisTest, [] {  // should the box be missed, the test fails instead of hanging
        if (QWidget* stuck = QApplication::activeModalWidget())
            stuck->close();
    });
    Open();
    EXPECT_EQ(text, QStringLiteral("Warning: your i815 chipset is running in GFX mode.\n"
                                   "(The chipset uses its internal graphic device)\n"
                                   "Some tweaks may work unreliably !!!\n"));
    EXPECT_TRUE(title.isEmpty());
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(modal);
    EXPECT_GE(refreshes, 1u) << "ticks refreshed while the box was open";
    EXPECT_EQ(Label("Rmode")->text(), QStringLiteral("GFX mode"));
}

TEST_F(ConstructionTest, RefusedPortsLeaveTheConstructionWithoutAWindow)
{
    RefusedPorts refused;
    Mechanism1Access refusedAccess(refused);
    EXPECT_THROW(Open(refusedAccess), PortAccessRefused);
    EXPECT_EQ(form, nullptr);
}

TEST_F(ConstructionTest, ClosingTheWindowRestoresTheAddressPortAndStopsTheTimer)
{
    chip.SetAddressLatch(0x80000050);
    Open();
    form->show();
    chip.ClearTrace();
    form->close();
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x80000050)}));
    EXPECT_FALSE(form->timer()->isActive());
}

// A hint shows its text as it is: the "&" not taken for a mnemonic, the line feeds kept.
TEST_F(ConstructionTest, AHintShowsItsTextAsItIs)
{
    Open();
    form->show();
    ShowPage("ChipsetSheet");
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), Check("THRLOCKcb")->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Check("THRLOCKcb"), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("When throttle lock is enabled, read & write power throttle\n"
                                               "can't be modified.\n"
                                               "Yes, when it is enabled, you can't disable it anymore ;)"));
    QToolTip::hideText();
}

// A hint comes once the pointer has rested 500 ms on its control, and stays a minute, past the
// toolkit's own ten seconds for a short text.
TEST_F(ConstructionTest, AHintComesAfterHalfASecondAndStays)
{
    Open();
    form->show();
    form->timer()->stop();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ShowPage("ChipsetSheet");
    QToolTip::hideText();
    QTest::mouseMove(Check("BNRcb"), QPoint(10, Check("BNRcb")->height() / 2));
    QTest::qWait(300);
    EXPECT_FALSE(QToolTip::isVisible()) << "not before 500 ms";
    QTest::qWait(500);
    ASSERT_TRUE(QToolTip::isVisible()) << "after 500 ms";
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Should be always enabled for maximum performance."));
    QTest::qWait(10500);
    EXPECT_TRUE(QToolTip::isVisible()) << "still there after ten seconds and a half";
    QToolTip::hideText();
}
