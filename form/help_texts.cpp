#include "help_texts.h"

const std::vector<HintText>& ConstructionHints()
{
    static const std::vector<HintText> hints{
        {"RefreshBar", "i815 configuration rescan period.\nMay be used for diagnostics."},
        {"Rmode",
         "Current i815 working mode.\nGFX mode is when i815 work with is own internal graphic\n"
         "adapter.\nAGP mode is when it is working with an external graphic\nadapter plugged in "
         "the AGP slot.\n3.3V / 1.5V is the signalling level of AGP transactions.\nNote that AGP "
         "4X is only available with 1.5V signalling."},
        {"RevLbl", "This is the revision of your i815 Chipset.\nValue 2 means stepping A-2."},
        {"CLTcb",
         "From Intel:\nDisabled = Deferrable processor cycle will be Deferred immediately\nafter "
         "receiving another ADS#\n\nEnabled  = Deferrable processor cycle will only be Deferred "
         "after\nin has been held in a \u201CSnoop Stall\u201D for 31 clocks and another ADS#\nhas "
         "arrived.\n\nLet's say that enabled is better."},
        {"CPCcb",
         "If you have your FSB overclocked more than 133Mhz,\nsetting it like at 133 Mhz may "
         "introduce a performance increase.\n(I suppose that BIOS enables it to stabilize the "
         "system)"},
        {"AGP4XOVRcb",
         "i815 AGP 4X works only with 1.5V signalling,\nAGP 2X & AGP 1X work in both 1.5V & 3.3V "
         "signalling.\nMake sure your video card/motherboard combo can work\nreliably in AGPX 4X "
         "with 1.5V signalling."},
        {"THRLOCKcb",
         "When throttle lock is enabled, read & write power throttle\ncan't be modified.\nYes, "
         "when it is enabled, you can't disable it anymore ;)"},
        {"SMcb",
         "\"Should be enabled to optmize system memory by 1 clock for 133 Mhz\noperation (has no "
         "affect on 100 Mhz operation).\"\nQuoted from Intel datasheet ;)\nSo do it."},
        {"TDLLEcb",
         "Controls offset of transmit & receive clocks used to interface\nwith SDRAM "
         "devices.\nREAD Intel's i815 datasheet before modifying this setting.\nYOUR SYSTEM MAY "
         "(SURELY) HANG IF YOU TOGGLE THIS !\nCome on boy, give it a try."},
        {"AGPFWcb",
         "WARNING: i815 doesn't support Fastwrites.\nYOUR SYSTEM WILL HANG !!\n( But since intel "
         "let it be programmable, you can try it ;)"},
        {"CASgr",
         "SM register lower 16 bits seem to be modified when changing CAS setting.\nSince Intel "
         "marked these bits RESERVED, i don't know how to configure them.\n\nYOUR SYSTEM MAY HANG "
         "IF YOU TOGGLE CAS SETTING,\nALTHOUGH IF IT SHOULD WORK FINE WITH THE NEW SETTING.\n\n(I "
         "will perhaps store SM state in a table to help switching properly.\nPerhaps that SM "
         "register lower word should be modified only when Transmit\nDLL is bypassed, because "
         "the story of the 8 programmable tap points that\nIntel talks about in i815 "
         "datasheet)"},
        {"SMScombo",
         "WARNING: Some modes are intended for initialization at power-up.\nI think that every "
         "(!) mode shouldn't be selected.\nLower refresh interval means better stability but "
         "lower\nmemory bandwith."},
        {"HACQScb",
         "Intel recommands that i815ep bios enables HACQS.\nThe bit involved in DRAMT register "
         "is marked as\nRESERVED in i815e datasheet.\nBut my CUSL2 (not -C, so i815e based) set "
         "this bit !!!\nYou know what you have to do know."},
        {"DPCPcombo",
         "Controls the Page Closing Policy, \"One Bank\" will tend\nto leave more pages open, so "
         "better system performance.\nBIOSs are likely to set it to \"All Banks\" when "
         "overclocking."},
        {"MAGcombo",
         "In timeslice mode host stream & low priority graphic\nstream are both regulated by a "
         "time window.\nFixed mode, where the host stream is favored, is\ngiven to be the best "
         "setting."},
        {"FBLabel",
         "That's me !\n\nIf you are thinking of some features that i should add or\nyou think "
         "you have found a bug in my code, don't hesitate\nto email-me....\nHey i'm french, so "
         "be cool with my hazardous english ;)"},
    };
    return hints;
}

const std::string& WelcomeText()
{
    static const std::string text =
        "Welcome to i815 Quarvel.\n\nThis tool was designed to enable intel i815 functions "
        "that can't be found in your motherboard BIOS.\nThe i815 is an overclocking king, but "
        "for stability reasons, BIOSes disable some features.\nMost of them are AGP 4X & some "
        "memory optimizations.\nIf you are overclocking your system and you want to optimize "
        "it, take a close look at what is set when running at your default FSB and try to "
        "apply the same settings when overclocked.\n\nThis quarvel controls i815 chipset "
        "features, but doesn't modify cpu/vio voltage or any kind of dangerous stuff.\n\nThe "
        "only thing that you should be aware of is that your system may immediately hang "
        "after a change, because changes are IMMEDIATLY applied (when you click).\n\nSo don't "
        "forget to close applications that have documents opened, and wait a little (some "
        "seconds) so that disk cache data are written down.\n";
    return text;
}

const char NotAnI815Message[] = "Not an i815 Chipset.";
const char GfxModeWarning[] = "Warning: your i815 chipset is running in GFX mode.\n"
                              "(The chipset uses its internal graphic device)\n"
                              "Some tweaks may work unreliably !!!\n";
const char IllegalAgpModeMessage[] = "AGP mode is set to an illegal value.";

std::string WithFullStop(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}
