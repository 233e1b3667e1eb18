// Our own small widgets. (The event rules of Qt's controls that the window relies on are
// pinned where the window uses them: the first refresh's port trace, the handlers' tests.)
#include "layout_table.h"
#include "radio_group_box.h"
#include "wrapping_tab_control.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(ControlEvents, RadioGroupBoxReportsOnlyTheUsersPick)
{
    RadioGroupBox radios(QStringLiteral("RAS"), {QStringLiteral("3 clocks"), QStringLiteral("2 clocks")}, nullptr);
    radios.resize(90, 70);
    radios.show();
    QSignalSpy spy(&radios, &RadioGroupBox::picked);
    radios.Show(0);
    EXPECT_EQ(spy.count(), 0) << "what the program shows is no pick";
    QTest::mouseClick(radios.buttons()[1], Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(radios.buttons()[0]->isChecked());
    radios.Show(-1);
    EXPECT_FALSE(radios.buttons()[0]->isChecked() || radios.buttons()[1]->isChecked()) << "no item at all";
    EXPECT_EQ(spy.count(), 1);
}

TEST(WrappingTabControl, TabsWrapAndOnlyTheUserRaisesThePageChange)
{
    WrappingTabControl tabs(nullptr);
    for (const char* caption : {"About", "AGP Configuration", "Chipset configuration", "Memory Configuration"})
        tabs.addPage(new QWidget, QString::fromLatin1(caption));
    tabs.resize(Scaled(447, 96), Scaled(354, 96));
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

// Each caption is measured once; a new font, which comes with the window's, measures them again.
TEST(WrappingTabControl, ANewFontMeasuresTheCaptionsAgain)
{
    QWidget window;
    QFont font = window.font();
    font.setPointSize(8);
    window.setFont(font);
    auto* tabs = new WrappingTabControl(&window);
    for (const char* caption : {"About", "AGP Configuration", "Chipset configuration", "Memory Configuration"})
        tabs->addPage(new QWidget, QString::fromLatin1(caption));
    tabs->resize(Scaled(447, 96), Scaled(354, 96));
    window.show();
    const int smallRows = tabs->rowCount();

    font.setPointSize(20);
    window.setFont(font);
    const QFontMetrics large(font);
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_GE(tabs->tabRect(i).width(), large.horizontalAdvance(tabs->tabText(i))) << "caption fits: " << i;
    EXPECT_GT(tabs->rowCount(), smallRows);
}
