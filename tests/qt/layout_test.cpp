// The Qt face draws the control table of the form core: every control as the Qt widget of its
// kind, at its place scaled to 96-dpi device pixels, with its texts, items, colour and hint.
// (What the table holds, letter by letter, is checked once: tests/form/control_table.txt.)
// A chip that is not an i815 stops the construction right after the layout has loaded, so the
// first tests see the controls before any chipset value.
#include "window_fixture.h"

#include <QApplication>
#include <QImage>
#include <QRadioButton>

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The layout's 120-dpi pixels as Qt's 96-dpi device-independent pixels.
QRect Box(const LayoutRect& place)
{
    const LayoutRect r = Scaled(place, 96);
    return QRect(r.left, r.top, r.width, r.height);
}

QStringList Items(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

QStringList Items(const LayoutRow& row)
{
    QStringList items;
    for (const std::string& item : row.items)
        items << Text(item);
    return items;
}

QString TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText).name(); }

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

    // Each row of the table but the window and the timer, with its widget.
    template <typename Check>
    void ForEachControl(const Check& check)
    {
        for (const LayoutRow& row : LayoutTable()) {
            if (row.kind == ControlKind::Window || row.kind == ControlKind::Timer)
                continue;
            SCOPED_TRACE(row.name);
            QWidget* w = Widget(row.name);
            ASSERT_NE(w, nullptr);
            check(row, w);
        }
    }
};

TEST_F(LayoutTest, EveryControlIsTheWidgetOfItsKindAtItsPlace)
{
    ForEachControl([&](const LayoutRow& row, QWidget* w) {
        EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(row.parent));
        const QRect box = Box(row.place);
        switch (row.kind) {
        case ControlKind::Label: {
            auto* label = qobject_cast<QLabel*>(w);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), Text(row.text));
            EXPECT_EQ(label->size(), label->sizeHint()) << "sized to its text";
            EXPECT_EQ(label->y(), box.y());
            if (row.align == TextAlign::Right)
                EXPECT_EQ(label->x() + label->width(), box.x() + box.width());
            else
                EXPECT_EQ(label->x(), box.x());
            EXPECT_EQ(bool(label->alignment() & Qt::AlignVCenter), row.align == TextAlign::LeftCentredVertically);
            break;
        }
        case ControlKind::CheckBox:
        case ControlKind::DropDownList:
        case ControlKind::TrackBar:
            // The style decides their height (centred on the box) and a caption may need more width.
            EXPECT_EQ(w->x(), box.x());
            EXPECT_LE(std::abs(w->geometry().center().y() - box.center().y()), 1);
            EXPECT_GE(w->width(), box.width());
            EXPECT_LE(w->geometry().right(), w->parentWidget()->width());
            if (auto* check = qobject_cast<QCheckBox*>(w)) {
                EXPECT_EQ(check->text(), Text(row.text));
                EXPECT_FALSE(check->isChecked());
                EXPECT_GE(check->width(), check->sizeHint().width()) << "caption whole";
            } else if (auto* list = qobject_cast<QComboBox*>(w)) {
                EXPECT_EQ(Items(list), Items(row));
                EXPECT_EQ(list->currentIndex(), -1);
                EXPECT_FALSE(list->isEditable());
            } else if (auto* bar = qobject_cast<QSlider*>(w)) {
                EXPECT_EQ(bar->orientation(), Qt::Horizontal);
                EXPECT_EQ(bar->minimum(), row.minimum);
                EXPECT_EQ(bar->maximum(), row.maximum);
                EXPECT_EQ(bar->value(), row.minimum);
                EXPECT_EQ(bar->singleStep(), row.step);
                EXPECT_EQ(bar->pageStep(), row.step);
                EXPECT_EQ(bar->tickInterval(), row.step);
                EXPECT_EQ(bar->tickPosition(), row.ticks == TickMarks::Above ? QSlider::TicksAbove : QSlider::TicksBelow);
            } else {
                ADD_FAILURE() << "not a check box, list or track bar";
            }
            break;
        case ControlKind::GroupBox:
        case ControlKind::RadioGroup: {
            ASSERT_NE(qobject_cast<QGroupBox*>(w), nullptr);
            EXPECT_EQ(static_cast<QGroupBox*>(w)->title(), Text(row.text));
            EXPECT_EQ(w->geometry(), box);
            if (auto* radios = qobject_cast<RadioGroupBox*>(w)) {
                QStringList items;
                for (QRadioButton* button : radios->buttons()) {
                    items << button->text();
                    EXPECT_FALSE(button->isChecked());
                    EXPECT_EQ(button->x(), radios->buttons()[0]->x()) << "one column";
                }
                EXPECT_EQ(items, Items(row));
            } else {
                EXPECT_EQ(row.kind, ControlKind::GroupBox);
            }
            break;
        }
        case ControlKind::Bevel:
            ASSERT_NE(qobject_cast<QFrame*>(w), nullptr);
            EXPECT_EQ(static_cast<QFrame*>(w)->frameStyle(), QFrame::Panel | QFrame::Sunken);
            EXPECT_EQ(w->geometry(), box);
            break;
        case ControlKind::TextBox: {
            auto* memo = qobject_cast<QPlainTextEdit*>(w);
            ASSERT_NE(memo, nullptr);
            EXPECT_EQ(memo->geometry(), box);
            EXPECT_TRUE(memo->isReadOnly());
            EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            EXPECT_TRUE(memo->toPlainText().isEmpty());
            break;
        }
        case ControlKind::Page:
            EXPECT_EQ(Tabs()->tabText(Tabs()->indexOf(w)), Text(row.text));
            break;
        case ControlKind::PageControl:
            EXPECT_EQ(w, Tabs());
            EXPECT_EQ(w->geometry(), form->rect());
            break;
        case ControlKind::Window:
        case ControlKind::Timer:
            break;
        }
    });
}

TEST_F(LayoutTest, ColoursAndHintsAreTheTablesOnly)
{
    const QString plain = QApplication::palette().color(QPalette::WindowText).name();
    ForEachControl([&](const LayoutRow& row, QWidget* w) {
        const QString colour = row.colour ? QColor(row.colour->red, row.colour->green, row.colour->blue).name() : plain;
        EXPECT_EQ(TextColour(w), colour);
        if (auto* radios = qobject_cast<RadioGroupBox*>(w)) {
            EXPECT_EQ(TextColour(radios->buttons()[1]), colour) << "the items too";
        }
        EXPECT_EQ(w->toolTip(), Text(row.hint));
    });
    int withHint = 0;
    for (QWidget* w : form->findChildren<QWidget*>())
        withHint += !w->toolTip().isEmpty();
    EXPECT_EQ(withHint, 3) << "three hints come with the layout";
    EXPECT_TRUE(form->toolTip().isEmpty()) << "the window itself shows no hint";
}

TEST_F(LayoutTest, TheWindowAndItsPages)
{
    const LayoutRow& window = LayoutControl("MForm");
    EXPECT_EQ(form->objectName(), QStringLiteral("MForm"));
    EXPECT_EQ(form->windowTitle(), Text(window.text));
    EXPECT_EQ(form->size(), QSize(358, 283)) << "447 x 354 at 96 dpi";
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowSystemMenuHint);
    // The classic faces where installed, else the nearest (the scripts install these two).
    EXPECT_TRUE(form->font().family() == QStringLiteral("MS Sans Serif") ||
                form->font().family() == QStringLiteral("Liberation Sans"))
        << form->font().family().toStdString();
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_TRUE(Label("ProdLbl")->font().family() == QStringLiteral("Comic Sans MS") ||
                Label("ProdLbl")->font().family() == QStringLiteral("Comic Neue"))
        << Label("ProdLbl")->font().family().toStdString();
    EXPECT_EQ(Label("ProdLbl")->font().pointSize(), 12);
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
    EXPECT_TRUE(form->toolTip().isEmpty()) << "the window itself shows no hint";

    ASSERT_EQ(Tabs()->count(), 4);
    EXPECT_EQ(Tabs()->currentPage(), Page("AboutSheet"));
    EXPECT_FALSE(form->timer()->isSingleShot());
    EXPECT_EQ(form->timer()->interval(), 2000);
}

TEST_F(LayoutTest, KeyboardOrderFollowsTheLayout)
{
    for (const std::vector<std::string>& names : KeyboardOrder()) {
        std::vector<QWidget*> chain;
        for (const std::string& name : names)
            chain.push_back(Widget(name.c_str()));
        // Walk the focus chain from the first control; each next control of the list must come
        // before any other of the list, radio groups through their buttons.
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

// After the construction the widgets show what the core's controls hold: the status texts,
// the hints the construction assigned, the About text, the chip's settings.
class DrawnTest : public WindowTest {};

TEST_F(DrawnTest, EveryWidgetShowsItsControl)
{
    Open();
    for (const Control* control : form->core().All()) {
        SCOPED_TRACE(control->Name());
        if (control->Kind() == ControlKind::Timer)
            continue;
        QWidget* w = Widget(control->Name());
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->toolTip(), Text(control->Hint()));
        EXPECT_EQ(w->isEnabled(), control->Enabled());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(label->text(), Text(control->Text()));
            const QRect box = Box(control->Row().place);
            EXPECT_EQ(label->size(), label->sizeHint()) << "sized to its new text";
            if (control->Row().align == TextAlign::Right) {
                EXPECT_EQ(label->x() + label->width(), box.x() + box.width()) << "grown to the left";
            } else {
                EXPECT_EQ(label->x(), box.x());
            }
        }
        if (auto* check = qobject_cast<QCheckBox*>(w)) {
            EXPECT_EQ(check->isChecked(), static_cast<const CheckBox*>(control)->Checked());
        }
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(list->currentIndex(), static_cast<const DropDownList*>(control)->ItemIndex());
        }
        if (auto* bar = qobject_cast<QSlider*>(w)) {
            EXPECT_EQ(bar->value(), static_cast<const TrackBar*>(control)->Position());
        }
        if (auto* radios = qobject_cast<RadioGroupBox*>(w)) {
            const int index = static_cast<const RadioGroup*>(control)->ItemIndex();
            for (int i = 0; i < radios->buttons().size(); ++i)
                EXPECT_EQ(radios->buttons()[i]->isChecked(), i == index);
        }
    }
    EXPECT_EQ(Label("RevLbl")->text(), QStringLiteral("Chipset rev  2"));
    EXPECT_TRUE(Radios("CASgr")->buttons()[1]->isChecked()) << "CAS 2 on the built-in chip";
}
