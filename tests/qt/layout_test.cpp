// The window as Qt draws it. What the control table holds (names, kinds, places in 120-dpi
// pixels, texts, items, colours, hints, the keyboard order) is checked once, letter by letter, in
// tests/form/control_table.txt; here, what only the Qt face decides: where the widgets land in
// Qt's 96-dpi pixels, the faces it finds, that no text is cut off, the window's size, title and
// icon, the colours and the focus chain as drawn, and that every widget shows its control.
#include "window_fixture.h"

#include <QApplication>
#include <QImage>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <map>

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QString TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText).name(); }

}  // namespace

class LayoutTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Open();
        form->show();  // as a user would see it: widgets lay out their insides when shown
        form->timer()->stop();
    }

    // The widget of each of the form's controls but the timer.
    std::vector<QWidget*> Controls() const
    {
        std::vector<QWidget*> controls;
        for (const Control* control : form->core().All())
            if (control->Kind() != ControlKind::Timer)
                controls.push_back(Widget(control->Name()));
        return controls;
    }
};

TEST_F(LayoutTest, TheWindowHasItsFixedSizeTitleFacesAndIcon)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("i815 Quarvel"));
    EXPECT_EQ(form->size(), QSize(358, 283)) << "447 x 354 at 96 dpi";
    form->resize(500, 400);
    QTest::qWait(20);
    EXPECT_EQ(form->size(), QSize(358, 283)) << "the border does not change the size";
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowSystemMenuHint);

    // The classic faces where installed, else the nearest (the scripts install these two), in
    // points: 13 and 20 pixels high at 120 dpi.
    EXPECT_TRUE(form->font().family() == QStringLiteral("MS Sans Serif") ||
                form->font().family() == QStringLiteral("Liberation Sans"))
        << form->font().family().toStdString();
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_TRUE(Label("ProdLbl")->font().family() == QStringLiteral("Comic Sans MS") ||
                Label("ProdLbl")->font().family() == QStringLiteral("Comic Neue"))
        << Label("ProdLbl")->font().family().toStdString();
    EXPECT_EQ(Label("ProdLbl")->font().pointSize(), 12);
    for (QWidget* w : Controls()) {
        if (w != Label("ProdLbl")) {
            EXPECT_EQ(w->font(), form->font()) << w->objectName().toStdString() << ": the window's face";
        }
    }

    // The 32x32 picture first, then every rendition, each drawn at its own size and pixel for
    // pixel the picture an installation puts in the icon theme (the 32x32 one: the XPM).
    const QIcon icon = form->windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{32, 32}, {16, 16}, {22, 22}, {24, 24}, {48, 48}, {64, 64},
                                                  {128, 128}, {256, 256}}));
    // (A pixmap holds its colours premultiplied by their opacity.)
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const auto format = QImage::Format_ARGB32_Premultiplied;
        const QImage drawn = icon.pixmap(QSize(size, size)).toImage().convertToFormat(format);
        const QString file = QStringLiteral(ICONS_DIR "/%1x%1/i815quarvel.%2").arg(size).arg(size == 32 ? "xpm" : "png");
        const QImage installed = QImage(file).convertToFormat(format);
        ASSERT_FALSE(installed.isNull()) << file.toStdString();
        EXPECT_EQ(drawn.size(), QSize(size, size)) << size;
        EXPECT_TRUE(drawn == installed) << size;
    }
}

// Places from control_table.txt, at 96 dpi: every edge times 0.8, rounded. Boxes, groups and the
// text take their place exactly; a label takes the size of its text from its left edge, or, when
// right-aligned, from its right edge; a check box, list or track bar keeps the left edge and the
// vertical centre of its place while the style decides its height.
TEST_F(LayoutTest, WidgetsLandWhereTheTablePutsThem)
{
    EXPECT_EQ(Tabs()->geometry(), QRect(0, 0, 358, 283));     // 0,0, 447 x 354
    EXPECT_EQ(Widget("Bevel2")->geometry(), QRect(6, 67, 340, 7));     // 8,84, 425 x 9
    EXPECT_EQ(Memo("AboutRC")->geometry(), QRect(6, 83, 340, 129));    // 8,104, 425 x 161
    EXPECT_EQ(Group("GroupBox3")->geometry(), QRect(6, 19, 331, 116)); // 8,24, 413 x 145
    EXPECT_EQ(Group("GroupBox2")->geometry(), QRect(3, 6, 337, 171));  // 4,8, 421 x 213
    EXPECT_EQ(Radios("CASgr")->geometry(), QRect(13, 22, 71, 62));     // 16,28, 89 x 77
    EXPECT_EQ(Radios("DCTgr")->geometry(), QRect(253, 22, 71, 62));    // 316,28, 89 x 77

    EXPECT_EQ(Label("Label1")->pos(), QPoint(6, 32));  // 8,40
    EXPECT_EQ(Label("Label2")->pos(), QPoint(16, 54));  // 20,68 on GroupBox1
    // Right-aligned, grown to the left by the chip's values: 357,20, 73 x 16; 401,40, 28 x 16;
    // 407,60, 20 x 16.
    EXPECT_EQ(Label("RevLbl")->geometry().right() + 1, 344);
    EXPECT_EQ(Label("RevLbl")->y(), 16);
    EXPECT_EQ(Label("Rmode")->geometry().right() + 1, 343);
    EXPECT_EQ(Label("SMFSLbl")->geometry().right() + 1, 342);
    EXPECT_EQ(Label("SMFSLbl")->y(), 48);

    struct Styled { const char* name; int left, centreY, width; };
    const Styled styled[] = {
        {"AGPSBAcb", 22, 172, 161},    // 28,208, 201 x 17
        {"SMScombo", 13, 124, 311},    // 16,144, 389 x 24 on GroupBox2
        {"AMTT", 32, 40, 266},         // 40,36, 333 x 29 on GroupBox3
        {"RefreshBar", 98, 225, 167},  // 123,268, 209 x 29
    };
    for (const Styled& s : styled) {
        SCOPED_TRACE(s.name);
        const QRect r = Widget(s.name)->geometry();
        EXPECT_EQ(r.x(), s.left);
        EXPECT_LE(std::abs(r.center().y() - s.centreY), 1);
        EXPECT_GE(r.width(), s.width);
    }
    EXPECT_EQ(Bar("AMTT")->width(), 266) << "a track bar is not widened";
}

// With the faces found (often wider than the classic ones): every caption, label, list item and
// tab shows whole, inside its parent. Each page is looked at while it shows: a hidden page lays
// out its insides only when it is shown.
TEST_F(LayoutTest, NoTextIsCutOff)
{
    for (int page = 0; page < Tabs()->count(); ++page) {
        ShowPage(Tabs()->page(page));
        for (QWidget* w : Controls()) {
            if (!Tabs()->page(page)->isAncestorOf(w))
                continue;
            SCOPED_TRACE(w->objectName().toStdString());
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << "inside its parent";
            if (auto* label = qobject_cast<QLabel*>(w)) {
                EXPECT_EQ(label->size(), label->sizeHint());
            } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
                EXPECT_GE(check->width(), check->sizeHint().width());
            } else if (auto* list = qobject_cast<QComboBox*>(w)) {
                EXPECT_GE(list->width(), list->sizeHint().width()) << "the widest item";
            } else if (auto* radios = qobject_cast<RadioGroupBox*>(w)) {
                for (QRadioButton* button : radios->buttons()) {
                    SCOPED_TRACE(button->text().toStdString());
                    EXPECT_TRUE(radios->rect().contains(button->geometry()));
                    EXPECT_GE(button->width(), button->sizeHint().width());
                    EXPECT_EQ(button->x(), radios->buttons()[0]->x()) << "one column";
                }
            }
            if (auto* group = qobject_cast<QGroupBox*>(w)) {
                EXPECT_LT(group->fontMetrics().horizontalAdvance(group->title()), group->width());
            }
        }
    }
    EXPECT_GE(Tabs()->rowCount(), 2) << "four captions do not fit one row of this window";
    for (int i = 0; i < Tabs()->count(); ++i) {
        EXPECT_TRUE(form->rect().contains(Tabs()->tabRect(i))) << i;
        EXPECT_GE(Tabs()->tabRect(i).width(), form->fontMetrics().horizontalAdvance(Tabs()->tabText(i))) << i;
    }
}

TEST_F(LayoutTest, ColouredTextsAreTheTablesFive)
{
    const std::map<QString, QString> coloured{
        {"Label2", "#ffff00"}, {"AGPSBAcb", "#ffff00"}, {"AGPFWcb", "#ff0000"}, {"CASgr", "#ffff00"}, {"TDLLEcb", "#ffff00"},
    };
    const QString plain = QApplication::palette().color(QPalette::WindowText).name();
    for (QWidget* w : Controls()) {
        const auto found = coloured.find(w->objectName());
        EXPECT_EQ(TextColour(w), found == coloured.end() ? plain : found->second) << w->objectName().toStdString();
    }
    for (QRadioButton* button : Radios("CASgr")->buttons())
        EXPECT_EQ(TextColour(button), QStringLiteral("#ffff00")) << "the items too";
}

// Tab walks each page's controls in the order of the table, radio groups through their buttons.
TEST_F(LayoutTest, TheFocusChainFollowsTheKeyboardOrder)
{
    const std::vector<std::vector<const char*>> pages{
        {"RefreshBar", "AboutRC"},
        {"AGP4XOVRcb", "AGPSBAcb", "AGPFWcb", "AGPMODEcombo", "AMTT", "LPTT"},
        {"BNRcb", "CPCcb", "SMcb", "RDTHRcombo", "WRTHRcombo", "THRLOCKcb", "CLTcb", "DPCPcombo", "MAGcombo"},
        {"HACQScb", "RAS2CASgr", "CASgr", "RASgr", "DCTgr", "SMScombo", "TDLLEcb"},
    };
    for (const std::vector<const char*>& names : pages) {
        std::vector<QWidget*> chain;
        for (const char* name : names)
            chain.push_back(Widget(name));
        // Walk the focus chain from the first control; each next control of the list must come
        // before any other of the list.
        std::vector<QWidget*> seen;
        QWidget* w = chain.front();
        for (int steps = 0; steps < 200 && seen.size() < chain.size(); ++steps, w = w->nextInFocusChain()) {
            QWidget* control = qobject_cast<RadioGroupBox*>(w->parentWidget()) ? w->parentWidget() : w;
            if (std::find(chain.begin(), chain.end(), control) != chain.end() &&
                std::find(seen.begin(), seen.end(), control) == seen.end())
                seen.push_back(control);
        }
        EXPECT_EQ(seen, chain) << names.front();
    }
}

// After the start every control is the widget of its kind and shows what the form's control
// holds: text, hint, enabled state, check, item, position, page.
TEST_F(LayoutTest, EveryWidgetShowsItsControl)
{
    for (const Control* control : form->core().All()) {
        SCOPED_TRACE(control->Name());
        if (control->Kind() == ControlKind::Timer)
            continue;
        QWidget* w = Widget(control->Name());
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->toolTip(), Text(control->Hint()));
        EXPECT_EQ(w->isEnabled(), control->Enabled());
        switch (control->Kind()) {
        case ControlKind::Label:
            ASSERT_NE(qobject_cast<QLabel*>(w), nullptr);
            EXPECT_EQ(static_cast<QLabel*>(w)->text(), Text(control->Text()));
            break;
        case ControlKind::CheckBox:
            ASSERT_NE(qobject_cast<QCheckBox*>(w), nullptr);
            EXPECT_EQ(static_cast<QCheckBox*>(w)->text(), Text(control->Text()));
            EXPECT_EQ(static_cast<QCheckBox*>(w)->isChecked(), static_cast<const CheckBox*>(control)->Checked());
            break;
        case ControlKind::DropDownList:
            ASSERT_NE(qobject_cast<QComboBox*>(w), nullptr);
            EXPECT_FALSE(static_cast<QComboBox*>(w)->isEditable());
            EXPECT_EQ(static_cast<QComboBox*>(w)->currentIndex(), static_cast<const DropDownList*>(control)->ItemIndex());
            break;
        case ControlKind::TrackBar:
            ASSERT_NE(qobject_cast<QSlider*>(w), nullptr);
            EXPECT_EQ(static_cast<QSlider*>(w)->orientation(), Qt::Horizontal);
            EXPECT_EQ(static_cast<QSlider*>(w)->value(), static_cast<const TrackBar*>(control)->Position());
            break;
        case ControlKind::RadioGroup: {
            ASSERT_NE(qobject_cast<RadioGroupBox*>(w), nullptr);
            const auto* radios = static_cast<RadioGroupBox*>(w);
            EXPECT_EQ(radios->title(), Text(control->Text()));
            const int index = static_cast<const RadioGroup*>(control)->ItemIndex();
            for (int i = 0; i < radios->buttons().size(); ++i)
                EXPECT_EQ(radios->buttons()[i]->isChecked(), i == index);
            break;
        }
        case ControlKind::GroupBox:
            ASSERT_NE(qobject_cast<QGroupBox*>(w), nullptr);
            EXPECT_EQ(static_cast<QGroupBox*>(w)->title(), Text(control->Text()));
            break;
        case ControlKind::Bevel:
            ASSERT_NE(qobject_cast<QFrame*>(w), nullptr);
            EXPECT_EQ(static_cast<QFrame*>(w)->frameStyle(), QFrame::Panel | QFrame::Sunken);
            break;
        case ControlKind::TextBox:
            ASSERT_NE(qobject_cast<QPlainTextEdit*>(w), nullptr);
            EXPECT_TRUE(static_cast<QPlainTextEdit*>(w)->isReadOnly());
            EXPECT_EQ(static_cast<QPlainTextEdit*>(w)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            EXPECT_EQ(static_cast<QPlainTextEdit*>(w)->toPlainText(), Text(control->Text()));
            break;
        case ControlKind::Page:
            EXPECT_EQ(Tabs()->tabText(Tabs()->indexOf(w)), Text(control->Text()));
            break;
        case ControlKind::PageControl:
            EXPECT_EQ(w, Tabs());
            EXPECT_EQ(Tabs()->currentIndex(), static_cast<const PageControl*>(control)->ActivePage());
            break;
        case ControlKind::Window:
        case ControlKind::Timer:
            break;
        }
    }
    // The table's items in the lists, whole, the micro sign included; the tick marks on their side.
    EXPECT_EQ(List("SMScombo")->itemText(1),
              QStringLiteral("Refresh interval:  100 Mhz - 15.6 \u00B5s      133 Mhz - 11.7 \u00B5s"));
    EXPECT_EQ(List("AGPMODEcombo")->count(), 4);
    EXPECT_EQ(Bar("AMTT")->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(Bar("LPTT")->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(Label("RevLbl")->text(), QStringLiteral("Chipset rev  2"));
    EXPECT_TRUE(Radios("CASgr")->buttons()[1]->isChecked()) << "CAS 2 on the built-in chip";
}
