// The window as its layout leaves it: a chip that is not an i815 stops the construction right
// after the layout has loaded, so these tests see the controls before any chipset value.
#include "window_fixture.h"

#include "auto_size_label.h"
#include "bevel.h"
#include "help_texts.h"
#include "layout_units.h"
#include "radio_group.h"
#include "wrapping_tab_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

namespace {

enum Kind { LabelKind, RightLabelKind, CheckKind, ComboKind, GroupKind, RadioKind, BarKind, BevelKind, MemoKind };

struct ControlSpec {
    const char* name;
    Kind kind;
    const char* parent;
    int left, top, width, height;
    const char* caption;  // shown text; for a radio group its caption
};

// clang-format off
const ControlSpec Controls[] = {
    {"ProdLbl", LabelKind, "AboutSheet", 8, 8, 167, 28, "i815 Quarvel v1.0"},
    {"RevLbl", RightLabelKind, "AboutSheet", 357, 20, 73, 16, "Chipset rev  "},
    {"Label1", LabelKind, "AboutSheet", 8, 40, 229, 16, nullptr},
    {"Rmode", RightLabelKind, "AboutSheet", 401, 40, 28, 16, "AGP"},
    {"FBLabel", LabelKind, "AboutSheet", 8, 60, 247, 16, nullptr},
    {"SMFSLbl", RightLabelKind, "AboutSheet", 407, 60, 20, 16, "SM"},
    {"Bevel2", BevelKind, "AboutSheet", 8, 84, 425, 9, nullptr},
    {"AboutRC", MemoKind, "AboutSheet", 8, 104, 425, 161, ""},
    {"Label10", LabelKind, "AboutSheet", 8, 272, 96, 16, "Refresh interval:"},
    {"RefreshBar", BarKind, "AboutSheet", 123, 268, 209, 29, nullptr},
    {"RfLabel", LabelKind, "AboutSheet", 350, 272, 45, 16, "XXX ms"},

    {"AGP4XOVRcb", CheckKind, "AGPSTATTab", 296, 4, 121, 17, "AGP 4X Override"},
    {"GroupBox3", GroupKind, "AGPSTATTab", 8, 24, 413, 145, "AMTT & LPTT registers"},
    {"Label5", LabelKind, "GroupBox3", 121, 20, 171, 16, "AGP Multi-Transaction Timer"},
    {"AMTTv", LabelKind, "GroupBox3", 12, 48, 24, 16, "XXX"},
    {"AMTT", BarKind, "GroupBox3", 40, 36, 333, 29, nullptr},
    {"LPTTv", LabelKind, "GroupBox3", 12, 84, 24, 16, "XXX"},
    {"LPTT", BarKind, "GroupBox3", 40, 80, 333, 29, nullptr},
    {"Label6", LabelKind, "GroupBox3", 101, 112, 211, 16, "AGP Low Priority Transaction Timer"},
    {"GroupBox1", GroupKind, "AGPSTATTab", 8, 176, 413, 109, "AGPCMD register"},
    {"Label2", LabelKind, "GroupBox1", 20, 68, 191, 16, "Selected AGP data transfer rate:"},
    {"AGPSBAcb", CheckKind, "AGPSTATTab", 28, 208, 201, 17, "AGP Sideband Addressing"},
    {"AGPFWcb", CheckKind, "AGPSTATTab", 232, 208, 169, 17, "AGP FastWrites"},
    {"AGPMODEcombo", ComboKind, "AGPSTATTab", 232, 240, 153, 24, nullptr},

    {"GroupBox6", GroupKind, "ChipsetSheet", 8, 6, 413, 111, "GMCHCFG register"},
    {"CLTcb", CheckKind, "GroupBox6", 16, 24, 141, 21, "CPU Latency Timer"},
    {"Label8", LabelKind, "GroupBox6", 16, 52, 167, 16, "DRAM Page Closing Policy:"},
    {"DPCPcombo", ComboKind, "GroupBox6", 208, 48, 160, 24, nullptr},
    {"Label9", LabelKind, "GroupBox6", 16, 80, 180, 16, "Memory Arbiter Grant Window:"},
    {"MAGcombo", ComboKind, "GroupBox6", 208, 76, 160, 24, nullptr},
    {"GroupBox4", GroupKind, "ChipsetSheet", 8, 120, 413, 169, "MISCC register"},
    {"BNRcb", CheckKind, "GroupBox4", 18, 20, 217, 21, "Block New Request Lookahead"},
    {"CPCcb", CheckKind, "GroupBox4", 18, 48, 261, 21, "Command per clock Mask Enable"},
    {"SMcb", CheckKind, "GroupBox4", 18, 76, 221, 21, "SM Transmit Stage Bypass"},
    {"THRLOCKcb", CheckKind, "GroupBox4", 246, 80, 121, 17, "Throttle Lock"},
    {"Label3", LabelKind, "GroupBox4", 18, 108, 171, 16, "Read Power Throttle Control:"},
    {"RDTHRcombo", ComboKind, "GroupBox4", 202, 104, 193, 24, nullptr},
    {"Label4", LabelKind, "GroupBox4", 18, 136, 168, 16, "Write Power Throttle Control:"},
    {"WRTHRcombo", ComboKind, "GroupBox4", 202, 132, 193, 24, nullptr},

    {"GroupBox2", GroupKind, "MemSheet", 4, 8, 421, 213, "DRAMT register"},
    {"CASgr", RadioKind, "GroupBox2", 16, 28, 89, 77, "CAS"},
    {"RAS2CASgr", RadioKind, "GroupBox2", 116, 28, 89, 77, "RAS to CAS"},
    {"RASgr", RadioKind, "GroupBox2", 216, 28, 89, 77, "RAS"},
    {"DCTgr", RadioKind, "GroupBox2", 316, 28, 89, 77, "Tras, Trc"},
    {"Label7", LabelKind, "GroupBox2", 16, 120, 131, 16, "SDRAM Mode Select:"},
    {"SMScombo", ComboKind, "GroupBox2", 16, 144, 389, 24, nullptr},
    {"HACQScb", CheckKind, "MemSheet", 20, 192, 217, 13, "Host Aperture Cycle Queue Slot"},
    {"GroupBox5", GroupKind, "MemSheet", 4, 228, 421, 61, "SM Register"},
    {"TDLLEcb", CheckKind, "GroupBox5", 16, 24, 241, 17, "Transmit DLL Disable & Bypass"},
};
// clang-format on

// Qt shows "&&" as one "&" in button and group captions, as the layout's captions mean it.
QString Shown(const QString& caption)
{
    QString shown = caption;
    return shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QString Yellowish(QWidget* w) { return w->palette().color(QPalette::WindowText).name(); }

}  // namespace

class LayoutTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        chip.SetDword(0x00, 0x71908086);  // a 440BX: the construction ends after the layout
        Open();
        form->show();  // as a user would see it: widgets lay out their insides when shown
    }
    template <typename T = QWidget>
    T* Find(const char* name)
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
};

TEST_F(LayoutTest, EveryControlHasItsNameKindParentPlaceAndCaption)
{
    for (const ControlSpec& c : Controls) {
        SCOPED_TRACE(c.name);
        QWidget* w = Find(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(c.parent));
        const QRect box = PxRect(c.left, c.top, c.width, c.height);
        const QString caption = QString::fromUtf8(c.caption ? c.caption : "");
        switch (c.kind) {
        case LabelKind:
        case RightLabelKind: {
            auto* label = qobject_cast<AutoSizeLabel*>(w);
            ASSERT_NE(label, nullptr);
            if (c.caption)
                EXPECT_EQ(label->text(), caption);
            else
                EXPECT_FALSE(label->text().isEmpty());
            EXPECT_EQ(label->size(), label->sizeHint()) << "sized to its text";
            EXPECT_EQ(label->y(), box.y());
            if (c.kind == RightLabelKind)
                EXPECT_EQ(label->x() + label->width(), box.x() + box.width());
            else
                EXPECT_EQ(label->x(), box.x());
            break;
        }
        case CheckKind:
        case ComboKind:
        case BarKind:
            // The style decides their height (centred on the box) and a caption may need more width.
            EXPECT_EQ(w->x(), box.x());
            EXPECT_LE(std::abs(w->geometry().center().y() - box.center().y()), 1);
            EXPECT_GE(w->width(), box.width());
            EXPECT_LE(w->geometry().right(), w->parentWidget()->width());
            if (auto* check = qobject_cast<QCheckBox*>(w)) {
                EXPECT_EQ(Shown(check->text()), caption);
                EXPECT_FALSE(check->isChecked());
                EXPECT_GE(check->width(), check->sizeHint().width()) << "caption whole";
            }
            EXPECT_EQ(c.kind == ComboKind, qobject_cast<QComboBox*>(w) != nullptr);
            EXPECT_EQ(c.kind == BarKind, qobject_cast<QSlider*>(w) != nullptr);
            break;
        case GroupKind:
        case RadioKind:
            ASSERT_NE(qobject_cast<QGroupBox*>(w), nullptr);
            EXPECT_EQ(c.kind == RadioKind, qobject_cast<RadioGroup*>(w) != nullptr);
            EXPECT_EQ(Shown(static_cast<QGroupBox*>(w)->title()), caption);
            EXPECT_EQ(w->geometry(), box);
            break;
        case BevelKind:
            EXPECT_NE(qobject_cast<Bevel*>(w), nullptr);
            EXPECT_EQ(w->geometry(), box);
            break;
        case MemoKind: {
            auto* memo = qobject_cast<QPlainTextEdit*>(w);
            ASSERT_NE(memo, nullptr);
            EXPECT_EQ(memo->geometry(), box);
            EXPECT_TRUE(memo->isReadOnly());
            EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            EXPECT_TRUE(memo->toPlainText().isEmpty());
            break;
        }
        }
    }
}

TEST_F(LayoutTest, TheWindowAndItsPages)
{
    EXPECT_EQ(form.get(), MForm);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("i815 Quarvel"));
    EXPECT_EQ(form->size(), QSize(Px(447), Px(354)));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowSystemMenuHint);
    // The classic faces where installed, else the nearest (the scripts install these two).
    EXPECT_TRUE(form->font().family() == QStringLiteral("MS Sans Serif") ||
                form->font().family() == QStringLiteral("Liberation Sans"))
        << form->font().family().toStdString();
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_TRUE(form->ProdLbl->font().family() == QStringLiteral("Comic Sans MS") ||
                form->ProdLbl->font().family() == QStringLiteral("Comic Neue"))
        << form->ProdLbl->font().family().toStdString();
    EXPECT_EQ(form->ProdLbl->font().pointSize(), 12);
    // The 32x32 picture first, then every rendition, each drawn at its own size.
    const QIcon icon = form->windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{32, 32}, {16, 16}, {22, 22}, {24, 24}, {48, 48}, {64, 64},
                                                  {128, 128}, {256, 256}}));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_EQ(icon.pixmap(QSize(size, size)).size(), QSize(size, size)) << size;
    EXPECT_TRUE(form->toolTip().isEmpty()) << "the window itself shows no hint";

    ASSERT_EQ(form->PageCtrl->count(), 4);
    const char* pages[][2] = {{"AboutSheet", "About"}, {"AGPSTATTab", "AGP Configuration"},
                              {"ChipsetSheet", "Chipset configuration"}, {"MemSheet", "Memory Configuration"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(form->PageCtrl->page(i)->objectName(), QString::fromLatin1(pages[i][0]));
        EXPECT_EQ(form->PageCtrl->tabText(i), QString::fromLatin1(pages[i][1]));
    }
    EXPECT_EQ(form->PageCtrl->currentPage(), form->AboutSheet);
    EXPECT_EQ(form->PageCtrl->geometry(), form->rect());

    EXPECT_FALSE(form->iRefreshTmr->isSingleShot());
    EXPECT_EQ(form->iRefreshTmr->interval(), 2000);
}

TEST_F(LayoutTest, ListsTrackBarsAndColours)
{
    const auto items = [](QComboBox* combo) {
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    };
    EXPECT_EQ(items(form->AGPMODEcombo), QStringList({"None selected", "AGP 1X", "AGP 2X", "AGP 4X"}));
    EXPECT_EQ(items(form->DPCPcombo), QStringList({"One Bank", "All Banks"}));
    EXPECT_EQ(items(form->MAGcombo), QStringList({"Fixed mode", "Timeslice mode"}));
    EXPECT_EQ(items(form->RDTHRcombo).value(1), QStringLiteral("Limit at 87.5 %  (700MB/s)"));
    EXPECT_EQ(items(form->WRTHRcombo).value(1), QStringLiteral("Limit at 62.5 %  (500MB/s)"));
    EXPECT_EQ(items(form->SMScombo).size(), 8);
    EXPECT_EQ(items(form->SMScombo).value(1), QString::fromUtf8("Refresh interval:  100 Mhz - 15.6 \u00B5s      133 Mhz - 11.7 \u00B5s"));
    for (QComboBox* combo : form->findChildren<QComboBox*>()) {
        EXPECT_EQ(combo->currentIndex(), -1) << combo->objectName().toStdString();
        EXPECT_FALSE(combo->isEditable());
    }
    form->PageCtrl->setCurrentIndex(form->PageCtrl->indexOf(form->MemSheet));
    for (RadioGroup* radios : form->findChildren<RadioGroup*>()) {
        EXPECT_EQ(radios->itemIndex(), -1);
        ASSERT_EQ(radios->buttons().size(), 2);
        EXPECT_EQ(radios->buttons()[0]->x(), radios->buttons()[1]->x()) << "one column";
        EXPECT_LT(radios->buttons()[0]->y(), radios->buttons()[1]->y());
    }
    EXPECT_EQ(form->DCTgr->buttons()[1]->text(), QStringLiteral("7,9"));
    EXPECT_EQ(form->CASgr->buttons()[1]->text(), QStringLiteral("2 clocks"));

    struct Bar { QSlider* bar; int min, max, step; QSlider::TickPosition ticks; };
    for (const Bar& b : {Bar{form->RefreshBar, 250, 5000, 250, QSlider::TicksBelow},
                         Bar{form->AMTT, 0, 255, 8, QSlider::TicksAbove},
                         Bar{form->LPTT, 0, 255, 8, QSlider::TicksBelow}}) {
        SCOPED_TRACE(b.bar->objectName().toStdString());
        EXPECT_EQ(b.bar->orientation(), Qt::Horizontal);
        EXPECT_EQ(b.bar->minimum(), b.min);
        EXPECT_EQ(b.bar->maximum(), b.max);
        EXPECT_EQ(b.bar->value(), b.min);
        EXPECT_EQ(b.bar->singleStep(), b.step);
        EXPECT_EQ(b.bar->pageStep(), b.step);
        EXPECT_EQ(b.bar->tickInterval(), b.step);
        EXPECT_EQ(b.bar->tickPosition(), b.ticks);
    }

    const QString yellow = QColor(255, 255, 0).name(), red = QColor(255, 0, 0).name();
    const QString plain = QApplication::palette().color(QPalette::WindowText).name();
    EXPECT_EQ(Yellowish(form->Label2), yellow);
    EXPECT_EQ(Yellowish(form->AGPSBAcb), yellow);
    EXPECT_EQ(Yellowish(form->TDLLEcb), yellow);
    EXPECT_EQ(Yellowish(form->CASgr), yellow);
    EXPECT_EQ(Yellowish(form->CASgr->buttons()[1]), yellow);
    EXPECT_EQ(Yellowish(form->AGPFWcb), red);
    for (QWidget* w : {static_cast<QWidget*>(form->RAS2CASgr), static_cast<QWidget*>(form->Label3),
                       static_cast<QWidget*>(form->AGP4XOVRcb), static_cast<QWidget*>(form->GroupBox1)})
        EXPECT_EQ(Yellowish(w), plain) << w->objectName().toStdString();
}

TEST_F(LayoutTest, OnlyThreeHintsComeWithTheLayout)
{
    EXPECT_EQ(form->AGPSBAcb->toolTip(), AgpSidebandLayoutHint());
    EXPECT_EQ(form->AGPMODEcombo->toolTip(), AgpModeLayoutHint());
    EXPECT_EQ(form->BNRcb->toolTip(), QStringLiteral("Should be always enabled for maximum performance."));
    int withHint = 0;
    for (QWidget* w : form->findChildren<QWidget*>())
        withHint += !w->toolTip().isEmpty();
    EXPECT_EQ(withHint, 3);
}

TEST_F(LayoutTest, KeyboardOrderFollowsTheLayout)
{
    const std::vector<std::vector<QWidget*>> chains{
        {form->RefreshBar, form->AboutRC},
        {form->AGP4XOVRcb, form->AGPSBAcb, form->AGPFWcb, form->AGPMODEcombo, form->AMTT, form->LPTT},
        {form->BNRcb, form->CPCcb, form->SMcb, form->RDTHRcombo, form->WRTHRcombo, form->THRLOCKcb,
         form->CLTcb, form->DPCPcombo, form->MAGcombo},
        {form->HACQScb, form->RAS2CASgr, form->CASgr, form->RASgr, form->DCTgr, form->SMScombo, form->TDLLEcb},
    };
    for (const auto& chain : chains) {
        // Walk the focus chain from the first control; each next control of the list must come
        // before any other of the list, radio groups through their buttons.
        std::vector<QWidget*> seen;
        QWidget* w = chain.front();
        for (int steps = 0; steps < 200 && seen.size() < chain.size(); ++steps, w = w->nextInFocusChain()) {
            QWidget* control = qobject_cast<RadioGroup*>(w->parentWidget()) ? w->parentWidget() : w;
            if (std::find(chain.begin(), chain.end(), control) != chain.end() &&
                std::find(seen.begin(), seen.end(), control) == seen.end())
                seen.push_back(control);
        }
        EXPECT_EQ(seen, chain) << chain.front()->objectName().toStdString();
    }
}
