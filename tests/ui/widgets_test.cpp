// The event rules the window relies on, control kind by control kind.
#include "auto_size_label.h"
#include "layout_units.h"
#include "radio_group.h"
#include "wrapping_tab_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

TEST(ControlEvents, ProgramChangesRaiseTheEventOfCheckBoxesRadioGroupsAndTrackBarsEvenDisabled)
{
    QWidget parent;
    QCheckBox check(&parent);
    RadioGroup radios(QStringLiteral("CAS"), {QStringLiteral("3 clocks"), QStringLiteral("2 clocks")}, &parent);
    QSlider bar(Qt::Horizontal, &parent);
    bar.setRange(0, 255);
    QSignalSpy checkSpy(&check, &QCheckBox::toggled);
    QSignalSpy radioSpy(&radios, &RadioGroup::clicked);
    QSignalSpy barSpy(&bar, &QSlider::valueChanged);

    EXPECT_EQ(radios.itemIndex(), -1);
    parent.setEnabled(false);
    check.setChecked(true);
    radios.setItemIndex(1);
    bar.setValue(32);
    EXPECT_EQ(checkSpy.count(), 1);
    EXPECT_EQ(radioSpy.count(), 1);
    EXPECT_EQ(barSpy.count(), 1);

    // No change, no event.
    check.setChecked(true);
    radios.setItemIndex(1);
    bar.setValue(32);
    EXPECT_EQ(checkSpy.count() + radioSpy.count() + barSpy.count(), 3);

    radios.setItemIndex(0);
    EXPECT_EQ(radioSpy.count(), 2);
    EXPECT_TRUE(radios.buttons()[0]->isChecked());
    radios.setItemIndex(-1);
    EXPECT_EQ(radioSpy.count(), 3);
    EXPECT_FALSE(radios.buttons()[0]->isChecked() || radios.buttons()[1]->isChecked());
}

TEST(ControlEvents, RadioGroupReportsTheUsersPick)
{
    RadioGroup radios(QStringLiteral("RAS"), {QStringLiteral("3 clocks"), QStringLiteral("2 clocks")}, nullptr);
    radios.resize(90, 70);
    radios.show();
    QSignalSpy spy(&radios, &RadioGroup::clicked);
    QTest::mouseClick(radios.buttons()[1], Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(radios.itemIndex(), 1);
}

TEST(ControlEvents, DropDownListsReportOnlyTheUsersPicksIncludingArrowKeysOnTheClosedList)
{
    QComboBox combo;
    combo.addItems({QStringLiteral("One Bank"), QStringLiteral("All Banks"), QStringLiteral("x")});
    combo.setCurrentIndex(-1);
    combo.show();
    QSignalSpy spy(&combo, qOverload<int>(&QComboBox::activated));

    combo.setCurrentIndex(1);
    EXPECT_EQ(spy.count(), 0) << "a change by the program is silent";

    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down);
    QTest::keyClick(&combo, Qt::Key_Up);
    ASSERT_EQ(spy.count(), 2) << "each arrow step through the closed list is a pick";
    EXPECT_EQ(spy.at(0).at(0).toInt(), 2);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 1);
}

TEST(WrappingTabControl, TabsWrapAndOnlyTheUserRaisesThePageChange)
{
    WrappingTabControl tabs(nullptr);
    for (const char* caption : {"About", "AGP Configuration", "Chipset configuration", "Memory Configuration"})
        tabs.addPage(new QWidget, QString::fromLatin1(caption));
    tabs.resize(Px(447), Px(354));
    tabs.show();
    QSignalSpy spy(&tabs, &WrappingTabControl::pageChanged);

    EXPECT_GE(tabs.rowCount(), 2) << "four captions do not fit one row of this width";
    for (int i = 0; i < tabs.count(); ++i) {
        const QRect tab = tabs.tabRect(i);
        EXPECT_TRUE(tabs.rect().contains(tab)) << i;
        EXPECT_GE(tab.width(), tabs.fontMetrics().horizontalAdvance(tabs.tabText(i))) << "caption fits";
        EXPECT_LT(tab.bottom(), tabs.pageArea().top() + 2);
    }
    // The row with the current tab lies next to the page.
    const auto nextToPage = [&](int index) {
        int lowest = 0;
        for (int i = 0; i < tabs.count(); ++i)
            lowest = std::max(lowest, tabs.tabRect(i).bottom());
        return tabs.tabRect(index).bottom() == lowest;
    };
    EXPECT_TRUE(nextToPage(0));

    tabs.setCurrentIndex(2);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(tabs.page(2)->isVisible());
    EXPECT_FALSE(tabs.page(0)->isVisible());

    QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.tabRect(3).center());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 3);
    EXPECT_EQ(tabs.currentIndex(), 3);
    QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.tabRect(3).center());
    EXPECT_EQ(spy.count(), 1) << "picking the shown page again changes nothing";
    EXPECT_TRUE(nextToPage(3));
}

TEST(AutoSizeLabel, RightAlignedLabelsKeepTheirRightEdge)
{
    QWidget parent;
    AutoSizeLabel right(QStringLiteral("AGP"), QRect(100, 10, 30, 16), Qt::AlignRight, &parent);
    AutoSizeLabel left(QStringLiteral("XXX"), QRect(10, 10, 30, 16), Qt::AlignLeft, &parent);
    const int rightEdge = right.geometry().right();
    right.setText(QStringLiteral("AGP mode 3.3V"));
    left.setText(QStringLiteral("255 and more"));
    EXPECT_EQ(right.geometry().right(), rightEdge);
    EXPECT_EQ(right.width(), right.sizeHint().width());
    EXPECT_EQ(left.x(), 10);
    EXPECT_EQ(left.width(), left.sizeHint().width());
}
