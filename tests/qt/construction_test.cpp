// Start-up and close of the window on the emulated chip, port by port.
#include "window_fixture.h"

#include "help_texts.h"
#include "hint_display.h"
#include "../support/refused_ports.h"

#include <QApplication>
#include <QHelpEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

using Trace = std::vector<PortOperation>;

class ConstructionTest : public WindowTest {};

TEST_F(ConstructionTest, SavesThePortsThenReadsIdentityStatusAndDimmsBeforeTheFirstRefresh)
{
    chip.SetAddressLatch(0x80000070);
    Open();
    const Trace expected{
        In(0xCF8, 0x80000070),     In(0xCFC, 0x0A82800C),  // port save, nothing written before
        Out(0xCF8, 0x80000000),    In(0xCFC, 0x11308086),  // identity
        Out(0xCF8, 0x80000008),    In(0xCFC, 0x06000002),  // revision
        Out(0xCF8, 0x80000050),    In(0xCFC, 0x277C0244),  // GFX mode, memory clock, DIMM 0 and 1
        Out(0xCF8, 0x800000BC),    In(0xCFC, 0x00002020),  // AGP signalling
        Out(0xCF8, 0x80000054),    In(0xCFC, 0x00000000),  // DIMM 2
        Out(0xCF8, 0x800000B0),    In(0xCFC, 0x00000080),  // the first refresh begins
        Out(0xCF8, 0x800000A8),    In(0xCFC, 0x1F000304),
        Out(0xCF8, 0x80000070),    In(0xCFC, 0x0A82800C),
        Out(0xCF8, 0x8000009C),    In(0xCFC, 0x00000000),
        Out(0xCF8, 0x80000050),    In(0xCFC, 0x277C0244),
    };
    ASSERT_GE(chip.Trace().size(), expected.size());
    EXPECT_EQ(Trace(chip.Trace().begin(), chip.Trace().begin() + expected.size()), expected);
    EXPECT_EQ(SavedConfigAddress, 0x80000070u);
    EXPECT_EQ(chip.Space(), EmulatedI815::DefaultImage()) << "start-up changes nothing";
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConstructionTest, TheAboutPageAfterStart)
{
    Open();
    EXPECT_EQ(Label("RevLbl")->text(), QStringLiteral("Chipset rev  2"));
    EXPECT_EQ(Label("Rmode")->text(), QStringLiteral("AGP mode 1.5V"));
    EXPECT_EQ(Label("SMFSLbl")->text(), QStringLiteral("133 Mhz Operation"));
    EXPECT_TRUE(Check("AGP4XOVRcb")->isEnabled());
    EXPECT_EQ(Tabs()->currentPage(), Page("AboutSheet"));
    EXPECT_EQ(Bar("RefreshBar")->value(), 2000);
    EXPECT_EQ(Label("RfLabel")->text(), QStringLiteral("2000 ms"));
    EXPECT_EQ(form->timer()->interval(), 2000);
    EXPECT_TRUE(form->timer()->isActive());
    EXPECT_EQ(HintDisplay::Instance().hidePause(), 60000);

    // The text itself is the core's business (the form's own tests hold it letter by letter).
    EXPECT_EQ(Memo("AboutRC")->toPlainText(), QString::fromStdString(form->core().AboutRC.Text()));
    EXPECT_TRUE(Memo("AboutRC")->toPlainText().endsWith(QStringLiteral("\nDIMM 2 Population:\n Empty\n")));
    EXPECT_EQ(Memo("AboutRC")->textCursor().position(), 0) << "shows the top of the welcome text";
    EXPECT_EQ(Memo("AboutRC")->verticalScrollBar()->value(), 0);
}

TEST_F(ConstructionTest, AnAgpCardAtThreePointThreeVoltsGreysTheOverrideForTheWholeRun)
{
    chip.SetDword(0x50, 0x277C0240);               // 100 MHz
    chip.SetDword(0xBC, 0x00002020 | (1u << 19));  // 3.3 V signalling
    Open();
    EXPECT_EQ(Label("Rmode")->text(), QStringLiteral("AGP mode 3.3V"));
    EXPECT_EQ(Label("SMFSLbl")->text(), QStringLiteral("100 Mhz Operation"));
    EXPECT_FALSE(Check("AGP4XOVRcb")->isEnabled());
    form->core().iRefreshTmrTimer();
    form->core().PageCtrlChange();
    EXPECT_FALSE(Check("AGP4XOVRcb")->isEnabled());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConstructionTest, GfxModeWarnsOnceAndTicksDuringTheWarningRefresh)
{
    chip.SetDword(0x50, 0x277C0344);               // GFX mode
    chip.SetDword(0xBC, 0x00002020 | (1u << 19));  // not looked at in GFX mode
    Trace beforeWarning;
    size_t refreshesInTick = 0;
    onMessage = [&](const QString&) {
        beforeWarning = chip.Trace();
        chip.ClearTrace();
        Constructing()->core().iRefreshTmrTimer();  // a tick while the box is open
        refreshesInTick = ReadsOf(0xA8);
    };
    Open();
    EXPECT_GE(refreshesInTick, 1u) << "the tick refreshed before the construction ended";
    EXPECT_EQ(::ReadsOf(0xBC, beforeWarning), 0u) << "the signalling bit is not looked at";
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Warning: your i815 chipset is running in GFX mode.\n"
                                          "(The chipset uses its internal graphic device)\n"
                                          "Some tweaks may work unreliably !!!\n"));
    EXPECT_EQ(Label("Rmode")->text(), QStringLiteral("GFX mode"));
    EXPECT_TRUE(Check("AGP4XOVRcb")->isEnabled());
}

TEST_F(ConstructionTest, NotAnI815StopsEveryConfigurationAccess)
{
    chip.SetDword(0x00, 0x71908086);
    Open();
    EXPECT_EQ(messages, QStringList{QStringLiteral("Not an i815 Chipset.")});
    EXPECT_TRUE(form->core().identityRefused());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->timer()->isActive());
    const Trace expected{In(0xCF8, 0), In(0xCFC, 0xFFFFFFFF), Out(0xCF8, 0x80000000), In(0xCFC, 0x71908086)};
    EXPECT_EQ(chip.Trace(), expected);

    form->core().iRefreshTmrTimer();
    form->close();
    EXPECT_EQ(chip.Trace(), expected) << "no tick, no refresh, no port restore";
    EXPECT_EQ(chip.AddressLatch(), 0x80000000u) << "the identity read's address stays";
}

TEST_F(ConstructionTest, RefusedPortsLeaveTheConstructionWithoutAWindow)
{
    RefusedPorts refused;
    Mechanism1Access refusedAccess(refused);
    EXPECT_THROW(Open(refusedAccess), PortAccessRefused);
    EXPECT_EQ(form, nullptr);
}

TEST_F(ConstructionTest, CloseRestoresTheAddressPortAndEndsAllAccess)
{
    chip.SetAddressLatch(0x80000050);
    Open();
    form->show();
    chip.ClearTrace();
    form->close();
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x80000050)}));
    EXPECT_FALSE(form->timer()->isActive());
    form->core().iRefreshTmrTimer();
    form->close();
    EXPECT_EQ(chip.Trace().size(), 1u) << "the port restore is the last access";
}

TEST_F(ConstructionTest, SettingTheSamePeriodDoesNotRestartTheTimer)
{
    Open();
    QTest::qWait(150);
    const int remaining = form->timer()->remainingTime();
    form->core().RefreshBarChange();
    EXPECT_LE(form->timer()->remainingTime(), remaining);
    Bar("RefreshBar")->setValue(250);
    EXPECT_EQ(form->timer()->interval(), 250);
    EXPECT_EQ(Label("RfLabel")->text(), QStringLiteral("250 ms"));
}

TEST_F(ConstructionTest, HintsAreAssignedAndShownForAMinute)
{
    Open();
    for (const HintText& hint : ConstructionHints())
        EXPECT_EQ(Widget(hint.control)->toolTip(), QString::fromStdString(hint.text));
    for (QWidget* quiet : {static_cast<QWidget*>(Label("SMFSLbl")), static_cast<QWidget*>(List("RDTHRcombo")),
                           static_cast<QWidget*>(List("WRTHRcombo")), static_cast<QWidget*>(Radios("RAS2CASgr")),
                           static_cast<QWidget*>(Radios("RASgr")), static_cast<QWidget*>(Radios("DCTgr")),
                           static_cast<QWidget*>(Label("Label1")), static_cast<QWidget*>(form.get())})
        EXPECT_TRUE(quiet->toolTip().isEmpty()) << quiet->objectName().toStdString();

    form->show();
    ShowPage("ChipsetSheet");
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), Check("THRLOCKcb")->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Check("THRLOCKcb"), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), Check("THRLOCKcb")->toolTip()) << "\"&\" and line feeds unchanged";
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
