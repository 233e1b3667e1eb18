// show --json and get --json, read back by a JSON parser and checked field by field against the
// built-in chip's dwords and the data sheet's bit positions.
#include "ctl_program.h"
#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/test_files.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sstream>

using Json = nlohmann::json;

namespace {

Json JsonOf(const std::vector<std::string>& args, int expectedStatus = 0)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunCtl(args, CtlSystem{}, out, err), expectedStatus) << err.str();
    EXPECT_EQ(err.str(), "");
    return Json::parse(out.str());
}

// One setting as the data sheet places it, and what the built-in chip holds there.
struct Expected {
    const char* key;
    const char* kind;
    const char* value;
    const char* word;  // as set takes it
    uint32_t dword;
    unsigned high, low;
};

// The built-in chip's dwords, as an i815 stepping A-2 with an AGP card at 1.5 V holds them.
const std::map<uint32_t, uint32_t> Dwords{{0x50, 0x277C0244}, {0x70, 0x0A82800C}, {0x9C, 0x00000000},
                                          {0xA8, 0x1F000304}, {0xB0, 0x00000080}, {0xBC, 0x00002020}};

const Expected Settings[] = {
    {"agp4xovr", "flag", "off", "off", 0xB0, 0, 0},
    {"agpsba", "flag", "on", "on", 0xA8, 9, 9},
    {"agpfw", "flag", "off", "off", 0xA8, 4, 4},
    {"agpmode", "list", "AGP 4X", "4x", 0xA8, 2, 0},
    {"amtt", "number", "32", "32", 0xBC, 7, 0},
    {"lptt", "number", "32", "32", 0xBC, 15, 8},
    {"clt", "flag", "on", "on", 0x50, 6, 6},
    {"dpcp", "list", "One Bank", "one", 0x50, 3, 3},
    {"mag", "list", "Fixed mode", "fixed", 0x50, 7, 7},
    {"bnr", "flag", "on", "on", 0x70, 17, 17},
    {"cpc", "flag", "on", "on", 0x70, 27, 27},
    {"sm", "flag", "off", "off", 0x70, 29, 29},
    {"thrlock", "flag", "off", "off", 0x70, 19, 19},
    {"rdthr", "list", "Limit at 75 % (600MB/s)", "75%", 0x70, 23, 22},
    {"wrthr", "list", "No limit (800MB/s)", "none", 0x70, 21, 20},
    {"cas", "list", "2 clocks", "2", 0x50, 26, 26},
    {"ras2cas", "list", "2 clocks", "2", 0x50, 25, 25},
    {"ras", "list", "2 clocks", "2", 0x50, 24, 24},
    {"dct", "list", "5,7", "5,7", 0x50, 28, 28},
    {"sms", "list", "Refresh interval: 100 Mhz - 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s", "15.6us", 0x50, 31, 29},
    {"hacqs", "flag", "off", "off", 0x50, 27, 27},
    {"tdlle", "flag", "off", "off", 0x9C, 15, 15},
};

void ExpectSetting(const Json& json, const Expected& e)
{
    SCOPED_TRACE(e.key);
    EXPECT_EQ(json.at("key"), e.key);
    EXPECT_EQ(json.at("kind"), e.kind);
    EXPECT_EQ(json.at("value"), e.value);
    char dword[8];
    std::snprintf(dword, sizeof dword, "0x%02X", unsigned(e.dword));  // as the data sheet writes it
    EXPECT_EQ(json.at("dword"), dword);
    EXPECT_EQ(json.at("bits").at("high").get<unsigned>(), e.high);
    EXPECT_EQ(json.at("bits").at("low").get<unsigned>(), e.low);
    const uint32_t raw = (Dwords.at(e.dword) >> e.low) & ((2u << (e.high - e.low)) - 1);
    EXPECT_EQ(json.at("raw").get<uint32_t>(), raw) << "the chip's bits";
    EXPECT_EQ(json.at("word"), e.word);
    EXPECT_FALSE(json.contains("position")) << "a place in the list is never a value";
    if (std::string(e.kind) == "flag") {
        EXPECT_EQ(json.at("on"), std::string(e.word) == "on");
    } else if (std::string(e.kind) == "number") {
        EXPECT_EQ(json.at("number"), std::stoi(e.word));
    }
}

}  // namespace

TEST(Json, ShowTellsTheChipItsDimmsAndEverySettingWithItsBits)
{
    const Json show = JsonOf({"--emulated", "show", "--json"});
    EXPECT_EQ(show.at("format"), 1);
    EXPECT_EQ(show.at("chipset"), Json::parse(R"({"vendor": "0x8086", "device": "0x1130", "revision": 2})"));
    EXPECT_EQ(show.at("mode"), "AGP mode 1.5V");
    EXPECT_EQ(show.at("gfx_mode"), false);
    EXPECT_EQ(show.at("agp_signalling"), "1.5V");
    EXPECT_EQ(show.at("memory_mhz"), 133);

    // DIMM 0 code 12, DIMM 1 code 7 (two organisations give it), DIMM 2 empty.
    const Json& dimms = show.at("dimms");
    ASSERT_EQ(dimms.size(), 3u);
    EXPECT_EQ(dimms[0], Json::parse(R"({"socket": 0, "code": 12, "empty": false, "known": true, "layouts": [
        {"size_mb": 256, "row_bits": 12,
         "front": {"devices": 8, "device_mbit": 128, "depth_mwords": 16, "width_bits": 8, "bank_bits": 2, "column_bits": 10},
         "back": {"devices": 8, "device_mbit": 128, "depth_mwords": 16, "width_bits": 8, "bank_bits": 2, "column_bits": 10}}]})"));
    ASSERT_EQ(dimms[1].at("layouts").size(), 2u);
    EXPECT_EQ(dimms[1].at("code"), 7);
    EXPECT_EQ(dimms[1].at("layouts")[1].at("front"), Json::parse(R"({"devices": 4, "device_mbit": 128,
        "depth_mwords": 8, "width_bits": 16, "bank_bits": 2, "column_bits": 9})"));
    EXPECT_EQ(dimms[2], Json::parse(R"({"socket": 2, "code": 0, "empty": true, "known": true, "layouts": []})"));

    const Json& settings = show.at("settings");
    ASSERT_EQ(settings.size(), std::size(Settings));
    for (size_t i = 0; i < std::size(Settings); ++i)
        ExpectSetting(settings[i], Settings[i]);
    EXPECT_EQ(settings[0].at("caption"), "AGP 4X Override");
    EXPECT_EQ(settings[21].at("caption"), "Transmit DLL Disable & Bypass");
}

TEST(Json, GetGivesTheSettingsAskedForInTheirOrder)
{
    const Json get = JsonOf({"--emulated", "get", "--json", "sms", "AMTT", "agpfw"});
    ASSERT_EQ(get.at("settings").size(), 3u);
    ExpectSetting(get.at("settings")[0], Settings[19]);
    ExpectSetting(get.at("settings")[1], Settings[4]);
    ExpectSetting(get.at("settings")[2], Settings[2]);

    // A value without a name: no word, and its bits as the chip holds them.
    EmulatedI815 illegal;
    illegal.SetDword(0xA8, 0x1F000306);
    illegal.SetDword(0x50, 0x277C0344);  // GFX mode
    const std::string dump = TestFile("illegal.txt");
    WriteRegisterDumpFile(dump, illegal.Space());
    const Json mode = JsonOf({"--emulated=" + dump, "get", "agpmode", "--json"}).at("settings")[0];
    EXPECT_EQ(mode.at("value"), "(illegal value 6)");
    EXPECT_TRUE(mode.at("word").is_null());
    EXPECT_TRUE(mode.at("warning").is_null());
    EXPECT_EQ(mode.at("raw"), 6);
    const Json show = JsonOf({"--emulated=" + dump, "show", "--json"});
    EXPECT_EQ(show.at("mode"), "GFX mode");
    EXPECT_TRUE(show.at("agp_signalling").is_null()) << "not looked at in GFX mode";
    std::remove(dump.c_str());

    // Without a KEY, every setting; its warning is that of the value the chip holds.
    const Json all = JsonOf({"--emulated", "get", "--json"}).at("settings");
    ASSERT_EQ(all.size(), std::size(Settings));
    EXPECT_EQ(all[19].at("key"), "sms");
    EXPECT_TRUE(all[19].at("warning").is_null()) << "a refresh interval is no risk";
    EXPECT_EQ(all[19].at("values")[0].at("warning"),
              "self-refresh with the refresh disabled: the memory stops answering and the machine hangs");
    EXPECT_EQ(all[19].at("values")[2].at("words"), Json::parse(R"(["7.8us", "5.85us"])"));
}
