// Every text the window shows, against the literal texts it must show: the 24 list items, the
// hints, the welcome text. (The window's own constants are not the judge of themselves.)
#include "window_fixture.h"

#include "auto_size_label.h"
#include "radio_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QPlainTextEdit>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QStringList Items(QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

}  // namespace

class TextsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Open();
    }
};

TEST_F(TextsTest, AllTwentyFourListItems)
{
    EXPECT_EQ(Items(form->AGPMODEcombo), QStringList({"None selected", "AGP 1X", "AGP 2X", "AGP 4X"}));
    EXPECT_EQ(Items(form->DPCPcombo), QStringList({"One Bank", "All Banks"}));
    EXPECT_EQ(Items(form->MAGcombo), QStringList({"Fixed mode", "Timeslice mode"}));
    EXPECT_EQ(Items(form->RDTHRcombo),
              QStringList({"No limit               (800MB/s)", "Limit at 87.5 %  (700MB/s)",
                           "Limit at 75 %     (600MB/s)", "Limit at 62.5%   (500MB/s)"}));
    EXPECT_EQ(Items(form->WRTHRcombo),
              QStringList({"No limit               (800MB/s)", "Limit at 62.5 %  (500MB/s)",
                           "Limit at 50%      (400MB/s)", "Limit at 37%      (300MB/s)"}));
    EXPECT_EQ(Items(form->SMScombo),
              QStringList({U("(!) DRAM in Self-Refresh Mode, Refresh Disabled"),
                           U("Refresh interval:  100 Mhz - 15.6 \u00B5s      133 Mhz - 11.7 \u00B5s"),
                           U("Refresh interval:  100 Mhz -   7.8 \u00B5s      133 Mhz -   5.85 \u00B5s"),
                           U("Refresh interval:  100 Mhz -   1.28 \u00B5s    133 Mhz -   0.96 \u00B5s"),
                           U("(!) NOP Command Enable"), U("(!) All Banks Precharge Enable"),
                           U("(!) Mode Register Set Enable"), U("(!) CBR Enable")}));
}

TEST_F(TextsTest, EveryHint)
{
    const struct {
        QWidget* control;
        QString hint;
    } hints[] = {
        {form->RefreshBar, U("i815 configuration rescan period.\nMay be used for diagnostics.")},
        {form->Rmode, U("Current i815 working mode.\nGFX mode is when i815 work with is own internal graphic\nadapter.\n"
                        "AGP mode is when it is working with an external graphic\nadapter plugged in the AGP slot.\n"
                        "3.3V / 1.5V is the signalling level of AGP transactions.\n"
                        "Note that AGP 4X is only available with 1.5V signalling.")},
        {form->RevLbl, U("This is the revision of your i815 Chipset.\nValue 2 means stepping A-2.")},
        {form->CLTcb, U("From Intel:\nDisabled = Deferrable processor cycle will be Deferred immediately\n"
                        "after receiving another ADS#\n\nEnabled  = Deferrable processor cycle will only be "
                        "Deferred after\nin has been held in a \u201CSnoop Stall\u201D for 31 clocks and another "
                        "ADS#\nhas arrived.\n\nLet's say that enabled is better.")},
        {form->CPCcb, U("If you have your FSB overclocked more than 133Mhz,\nsetting it like at 133 Mhz may "
                        "introduce a performance increase.\n(I suppose that BIOS enables it to stabilize the system)")},
        {form->AGP4XOVRcb, U("i815 AGP 4X works only with 1.5V signalling,\nAGP 2X & AGP 1X work in both 1.5V & "
                             "3.3V signalling.\nMake sure your video card/motherboard combo can work\nreliably in "
                             "AGPX 4X with 1.5V signalling.")},
        {form->THRLOCKcb, U("When throttle lock is enabled, read & write power throttle\ncan't be modified.\n"
                            "Yes, when it is enabled, you can't disable it anymore ;)")},
        {form->SMcb, U("\"Should be enabled to optmize system memory by 1 clock for 133 Mhz\noperation (has no "
                       "affect on 100 Mhz operation).\"\nQuoted from Intel datasheet ;)\nSo do it.")},
        {form->TDLLEcb, U("Controls offset of transmit & receive clocks used to interface\nwith SDRAM devices.\n"
                          "READ Intel's i815 datasheet before modifying this setting.\nYOUR SYSTEM MAY (SURELY) "
                          "HANG IF YOU TOGGLE THIS !\nCome on boy, give it a try.")},
        {form->AGPFWcb, U("WARNING: i815 doesn't support Fastwrites.\nYOUR SYSTEM WILL HANG !!\n( But since intel "
                          "let it be programmable, you can try it ;)")},
        {form->CASgr, U("SM register lower 16 bits seem to be modified when changing CAS setting.\nSince Intel "
                        "marked these bits RESERVED, i don't know how to configure them.\n\nYOUR SYSTEM MAY HANG "
                        "IF YOU TOGGLE CAS SETTING,\nALTHOUGH IF IT SHOULD WORK FINE WITH THE NEW SETTING.\n\n"
                        "(I will perhaps store SM state in a table to help switching properly.\nPerhaps that SM "
                        "register lower word should be modified only when Transmit\nDLL is bypassed, because the "
                        "story of the 8 programmable tap points that\nIntel talks about in i815 datasheet)")},
        {form->SMScombo, U("WARNING: Some modes are intended for initialization at power-up.\nI think that every "
                           "(!) mode shouldn't be selected.\nLower refresh interval means better stability but "
                           "lower\nmemory bandwith.")},
        {form->HACQScb, U("Intel recommands that i815ep bios enables HACQS.\nThe bit involved in DRAMT register is "
                          "marked as\nRESERVED in i815e datasheet.\nBut my CUSL2 (not -C, so i815e based) set this "
                          "bit !!!\nYou know what you have to do know.")},
        {form->DPCPcombo, U("Controls the Page Closing Policy, \"One Bank\" will tend\nto leave more pages open, so "
                            "better system performance.\nBIOSs are likely to set it to \"All Banks\" when "
                            "overclocking.")},
        {form->MAGcombo, U("In timeslice mode host stream & low priority graphic\nstream are both regulated by a "
                           "time window.\nFixed mode, where the host stream is favored, is\ngiven to be the best "
                           "setting.")},
        {form->FBLabel, U("That's me !\n\nIf you are thinking of some features that i should add or\nyou think you "
                          "have found a bug in my code, don't hesitate\nto email-me....\nHey i'm french, so be cool "
                          "with my hazardous english ;)")},
        // Part of the layout.
        {form->AGPSBAcb, U("WARNING: AGP SBA should be set by your video driver.")},
        {form->AGPMODEcombo, U("WARNING: AGP mode should be set by your video driver.")},
        {form->BNRcb, U("Should be always enabled for maximum performance.")},
    };
    for (const auto& h : hints)
        EXPECT_EQ(h.control->toolTip(), h.hint) << h.control->objectName().toStdString();
}

TEST_F(TextsTest, TheWelcomeText)
{
    const QString welcome = U(
        "Welcome to i815 Quarvel.\n\nThis tool was designed to enable intel i815 functions that can't be found in "
        "your motherboard BIOS.\nThe i815 is an overclocking king, but for stability reasons, BIOSes disable some "
        "features.\nMost of them are AGP 4X & some memory optimizations.\nIf you are overclocking your system and "
        "you want to optimize it, take a close look at what is set when running at your default FSB and try to "
        "apply the same settings when overclocked.\n\nThis quarvel controls i815 chipset features, but doesn't "
        "modify cpu/vio voltage or any kind of dangerous stuff.\n\nThe only thing that you should be aware of is "
        "that your system may immediately hang after a change, because changes are IMMEDIATLY applied (when you "
        "click).\n\nSo don't forget to close applications that have documents opened, and wait a little (some "
        "seconds) so that disk cache data are written down.\n");
    const QString about = form->AboutRC->toPlainText();
    EXPECT_EQ(about.left(welcome.size()), welcome);
    EXPECT_EQ(about.mid(welcome.size(), 21), U("\n\nDIMM 0 Population:\n"));
}
