// What a script relies on: every JSON output valid under the installed schema on random chips,
// diff's statuses, a listing of every key that set takes, inputs from pipes, the profile of
// save - as its bytes, and a manual that names every member of the JSON.
#include "bench.h"
#include "ctl_program.h"
#include "dump_file.h"
#include "emulated_i815.h"
#include "field_map.h"
#include "field_values.h"
#include "json_output.h"
#include "standard_output.h"
#include "tune.h"

#include "../support/json_schema.h"
#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using Json = nlohmann::json;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Ctl(const std::vector<std::string>& args, const std::string& input = "")
{
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunCtl(args, CtlSystem{}, in, out, err);
    return {status, out.str(), err.str()};
}

const Json& Schema()
{
    static const Json schema = Json::parse(std::ifstream(SOURCE_DIR "/data/json/i815ctl.schema.json"));
    return schema;
}

// The output parsed, after a look at its bytes: ASCII alone, so that no code page can change it.
Json Valid(const Outcome& outcome)
{
    for (unsigned char c : outcome.out)
        EXPECT_LT(c, 0x80) << "a byte beyond ASCII";
    const Json json = Json::parse(outcome.out);
    for (const std::string& fault : json_schema::Faults(Schema(), json))
        ADD_FAILURE() << fault;
    return json;
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Every member that the schema names, at any depth.
void Members(const Json& schema, std::set<std::string>& names)
{
    if (!schema.is_object() && !schema.is_array())
        return;
    if (schema.is_object() && schema.contains("properties"))
        for (const auto& [name, member] : schema.at("properties").items())
            names.insert(name);
    for (const Json& part : schema)
        Members(part, names);
}

// Roff as it reads: "\\-" a hyphen, "\\e" a backslash.
std::string Unroffed(std::string text)
{
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex(R"(\\e)"), "\\");
}

}  // namespace

TEST(Scripts, EveryJsonOutputMatchesTheInstalledSchemaOnRandomChips)
{
    const std::string dump = TestFile("chip.txt"), good = TestFile("good.conf"), bad = TestFile("bad.conf");
    WriteText(good, "agpfw = on\ncas = 3\nsms = 7.8us\namtt = 64\n");
    WriteText(bad, "cas = 4\nbnr\n");
    std::mt19937 random(0x1130);
    for (int round = 0; round < 20; ++round) {
        EmulatedI815 chip;
        for (uint32_t offset : {0x08u, 0x50u, 0x54u, 0x70u, 0x9Cu, 0xA8u, 0xB0u, 0xBCu})
            chip.SetDword(offset, random());
        WriteRegisterDumpFile(dump, chip.Space());
        const std::string route = "--emulated=" + dump;
        SCOPED_TRACE(round);
        Valid(Ctl({route, "show", "--json"}));
        Valid(Ctl({route, "get", "--json"}));
        Valid(Ctl({route, "get", "--json", "sms", "agpmode"}));
        Valid(Ctl({route, "diff", "--json", good}));
    }
    const Json list = Valid(Ctl({"list", "--json"}));
    EXPECT_EQ(list.at("settings")[19].at("values")[1].at("text"),
              "Refresh interval: 100 Mhz - 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s");
    EXPECT_TRUE(Valid(Ctl({"check", "--json", good})).at("valid"));
    const Outcome refused = Ctl({"check", "--json", bad});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(Valid(refused).at("problems").size(), 2u);

    BenchResult bench;
    bench.bufferBytes = 4 << 20;
    bench.figures = {{"read", "MB/s", {812.25, 790.0}, {1.0, 0.5}}, {"latency", "ns", {141.0, 139.5}, {1.0, 1.0}}};
    std::ostringstream benchOut;
    BenchJson(bench, CacheInfo{{512 * 1024}, 32}, 2, benchOut);
    const Json figures = Valid({0, benchOut.str(), ""}).at("figures");
    EXPECT_EQ(figures[0].at("busy_rounds"), Json::parse("[2]"));
    EXPECT_EQ(figures[0].at("median"), 801.1);

    TuneRun tune;
    tune.steps = {{{&Fields::CAS, 0}, {&Fields::CAS, 1}, StepResult::MemoryErrors, 3, {}},
                  {{&Fields::SMS, 3}, {&Fields::SMS, 2}, StepResult::Kept, 0, {5.04, 0.0, -1.26, -2.0}}};
    tune.kept = {{&Fields::SMS, 2}};
    std::ostringstream tuneOut;
    TuneJson(tune, "/etc/i815quarvel.conf", tuneOut);
    const Json tuned = Valid({0, tuneOut.str(), ""});
    EXPECT_EQ(tuned.at("steps")[0].at("change"), nullptr);
    EXPECT_EQ(tuned.at("steps")[0].at("result"), "memory errors");
    EXPECT_EQ(tuned.at("steps")[1].at("change"),
              Json::parse(R"({"read": 5.0, "write": 0.0, "copy": -1.3, "latency": -2.0})"));
    EXPECT_EQ(tuned.at("kept"), Json::parse(R"([{"key": "sms", "to": "7.8us"}])"));
    EXPECT_EQ(tuned.at("recorded"), nullptr);

    // The schema is strict: a member it does not name, or an offset as a number, is refused.
    Json show = Json::parse(Ctl({"--emulated", "show", "--json"}).out);
    show["settings"][0]["position"] = 0;
    EXPECT_FALSE(json_schema::Faults(Schema(), show).empty());
    show = Json::parse(Ctl({"--emulated", "show", "--json"}).out);
    show["settings"][0]["dword"] = 0xB0;
    EXPECT_FALSE(json_schema::Faults(Schema(), show).empty());
    std::remove(dump.c_str());
}

// 0 the chip holds the profile, 1 it does not, 2 any trouble: as diff(1) and git diff
// --exit-code, so that `if i815ctl diff FILE` asks the question.
TEST(Scripts, DiffTellsByItsStatusWhetherTheChipHoldsTheProfile)
{
    const std::string same = TestFile("same.conf"), other = TestFile("other.conf");
    WriteText(same, "cas = 2\nbnr = on\n");
    WriteText(other, "cas = 3\nbnr = on\nsms = 7.8us\n");
    Outcome o = Ctl({"--emulated", "diff", same});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out + o.err, "");
    o = Ctl({"--emulated", "diff", other});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "cas: 2 clocks -> 3 clocks\n"
                     "sms: Refresh interval: 100 Mhz - 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s -> "
                     "Refresh interval: 100 Mhz - 7.8 \xC2\xB5s 133 Mhz - 5.85 \xC2\xB5s\n");
    o = Ctl({"--emulated", "diff", "-q", other});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    const Json json = Json::parse(Ctl({"--emulated", "diff", "--json", other}).out);
    EXPECT_FALSE(json.at("matches"));
    EXPECT_EQ(json.at("differences")[1], Json::parse(R"({"key": "sms", "line": 3,
        "chip": {"value": "Refresh interval: 100 Mhz - 15.6 \u00b5s 133 Mhz - 11.7 \u00b5s", "word": "15.6us"},
        "profile": {"value": "Refresh interval: 100 Mhz - 7.8 \u00b5s 133 Mhz - 5.85 \u00b5s", "word": "7.8us"}})"));

    // Trouble is 2 whatever its kind, never 1, which would read as "different".
    EmulatedI815 bx;
    bx.SetDword(0x00, 0x71908086);
    const std::string notI815 = TestFile("bx.txt");
    WriteRegisterDumpFile(notI815, bx.Space());
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--emulated", "diff", TestFile("absent.conf")},
             {"--emulated", "diff", "--json", TestFile("absent.conf")},
             {"--emulated", "diff", ::testing::TempDir()},
             {"--emulated=" + notI815, "diff", other},
             {"--emulated=" + TestFile("absent.txt"), "diff", other},
             {"--emulated", "diff", same, other}}) {
        o = Ctl(args);
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_EQ(o.out, "");
    }
    std::remove(notI815.c_str());
}

TEST(Scripts, TheListingHasEveryKeyOfTheFieldTable)
{
    std::vector<std::string> table, listed, inJson;
    for (const Field* field : TunableFields())
        table.push_back(FieldKey(*field));
    std::istringstream text(Ctl({"list"}).out);
    for (std::string line; std::getline(text, line);) {
        // 80 columns; a µ is two bytes in one column.
        EXPECT_LE(line.size(), 80u + std::count(line.begin(), line.end(), '\xB5')) << line;
        if (line[0] != ' ')
            listed.push_back(line.substr(0, line.find(':')));
    }
    const Json json = Json::parse(Ctl({"list", "--json"}).out);
    for (const Json& setting : json.at("settings"))
        inJson.push_back(setting.at("key"));
    EXPECT_EQ(listed, table);
    EXPECT_EQ(inJson, table);
    EXPECT_EQ(Ctl({"list", "sms", "amtt"}).out,
              "sms: SDRAM Mode Select\n"
              "  values:\n"
              "    self-refresh: (!) DRAM in Self-Refresh Mode, Refresh Disabled\n"
              "    15.6us or 11.7us: Refresh interval: 100 Mhz - 15.6 \xC2\xB5s 133 Mhz - 11.7 \xC2\xB5s\n"
              "    7.8us or 5.85us: Refresh interval: 100 Mhz - 7.8 \xC2\xB5s 133 Mhz - 5.85 \xC2\xB5s\n"
              "    1.28us or 0.96us: Refresh interval: 100 Mhz - 1.28 \xC2\xB5s 133 Mhz - 0.96 \xC2\xB5s\n"
              "    nop: (!) NOP Command Enable\n"
              "    precharge: (!) All Banks Precharge Enable\n"
              "    mode-register: (!) Mode Register Set Enable\n"
              "    cbr: (!) CBR Enable\n"
              "  warning for self-refresh: self-refresh with the refresh disabled: the memory\n"
              "    stops answering and the machine hangs\n"
              "  warning for nop, precharge, mode-register, cbr: an SDRAM mode meant for\n"
              "    power-up initialisation, not for a running machine: it may hang the machine\n"
              "amtt: AGP Multi-Transaction Timer\n"
              "  values: multiples of 8 from 0 to 248, in decimal or 0x hexadecimal\n");
}

// A profile to check may come from a FIFO (its writer awaited) or a pipe, a dump from standard
// input; standard input serves one of them only.
TEST(Scripts, ProfilesFromFifosAndTheDumpFromStandardInput)
{
    const std::string fifo = TestFile("profile.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo) << "cas = 3\n"; });
    const Outcome checked = Ctl({"check", fifo});
    writer.join();
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.out, fifo + ": 1 setting, no problems; apply warns if it changes cas\n");
    std::remove(fifo.c_str());

    EmulatedI815 chip;
    chip.SetDword(0x50, 0x237C0244);  // CAS 3 clocks
    const std::string dump = FormatRegisterDump(chip.Space());
    EXPECT_EQ(Ctl({"--emulated=-", "get", "cas"}, dump).out, "3 clocks\n");
    const Outcome both = Ctl({"--emulated=-", "diff", "-"}, dump);
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.err, "i815ctl: standard input is the dump of --emulated=-, so the profile must be a FILE\n");
    const Outcome tried = Ctl({"--emulated=-", "try", "cas=3"}, dump);
    EXPECT_EQ(tried.status, 2);
    EXPECT_EQ(tried.err, "i815ctl: try reads its answer from standard input, which holds the dump of --emulated=-\n");
    // A chip from standard input has no file to keep apply --boot's marker beside, as the
    // built-in one; where the marker lies beside the profile (Windows), that must be a FILE.
    const std::string profile = TestFile("boot.conf");
    WriteText(profile, "bnr = off\n");
    EXPECT_EQ(Ctl({"--emulated=-", "apply", "--boot", profile}, dump).status, 0);
    EXPECT_NE(access("-.apply-in-progress", F_OK), 0) << "a marker in the current folder";
    std::remove("-.apply-in-progress"), std::remove("-.apply-in-progress.lock");
    CtlSystem windowsLike;
    windowsLike.stateDir.clear();
    std::istringstream in("bnr = off\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunCtl({"apply", "--boot", "-"}, windowsLike, in, out, err), 2);
    EXPECT_EQ(err.str(),
              "i815ctl: apply --boot keeps its marker beside the profile here, so the profile must be a FILE\n");
    EXPECT_EQ(Ctl({"--emulated=-", "show"}, "").err,
              "i815ctl: (standard input): no device 00:00.0 (the host bridge) in this dump; it is empty\n");
}

// i815ctl.exe writes its texts in the code page of where they go, but the profile of save - is a
// file's bytes: UTF-8, as check and apply read it on every system.
TEST(Scripts, TheProfileOfSaveDashLeavesAsAFilesBytes)
{
    for (const std::string command : {"save", "get"}) {
        std::istringstream in;
        std::ostringstream out, err;
        ASSERT_EQ(RunCtl({"--emulated", command, command == "save" ? "-" : "sms"}, CtlSystem{}, in, out, err), 0);
        EXPECT_EQ(CarriesFileBytes(out), command == "save") << command;
        EXPECT_NE(out.str().find("15.6 \xC2\xB5s"), std::string::npos) << out.str();
    }
}

// The manual's JSON section names every member of the schema in bold, and its examples are what
// the program prints (bench's figures aside) and match the schema.
TEST(Scripts, TheManualDocumentsEveryMemberAndItsExamplesAreTheOutput)
{
    std::ifstream file(SOURCE_DIR "/data/man/i815ctl.8");
    const std::string manual((std::istreambuf_iterator<char>(file)), {});
    const size_t start = manual.find(".SH JSON\n");
    ASSERT_NE(start, std::string::npos);
    const std::string section = manual.substr(start, manual.find("\n.SH ", start + 1) + 1 - start);
    std::set<std::string> members;
    Members(Schema(), members);
    for (const std::string& name : members)
        EXPECT_TRUE(std::regex_search(section, std::regex("\n\\.B[RI]? (.* )?\"?" + name + "\\b")))
            << name << " is not in the manual";

    // $ [printf 'INPUT' | ]i815ctl ARGS[ | jq '.ARRAY[N]'], then the JSON up to .fi.
    const std::regex example(R"(\n\$ (?:printf '([^']*)' \| )?i815ctl ([^|\n]*?)(?: \| jq '\.(\w+)\[(\d)\]')?\n([^]*?)\n\.fi\n)");
    const std::map<std::string, std::string> items{{"dimms", "dimm"}, {"settings", "setting"}, {"figures", "figure"}};
    int examples = 0;
    for (std::sregex_iterator it(section.begin(), section.end(), example), end; it != end; ++it, ++examples) {
        const std::smatch& m = *it;
        SCOPED_TRACE(m[2].str());
        const Json shown = Json::parse(Unroffed(m[5]));
        const Json part = m[3].matched ? Json{{"$ref", "#/$defs/" + items.at(m[3])}} : Schema();
        std::vector<std::string> faults;
        json_schema::Validate(Schema(), part, shown, "", faults);
        EXPECT_EQ(faults, std::vector<std::string>{});
        std::istringstream words(Unroffed(m[2]));
        const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        if (args[0] == "bench")
            continue;
        const std::string input = std::regex_replace(Unroffed(m[1]), std::regex(R"(\\n)"), "\n");
        Json printed = Json::parse(Ctl(args, input).out);
        if (m[3].matched)
            printed = printed.at(m[3].str()).at(std::stoul(m[4]));
        EXPECT_EQ(shown, printed);
    }
    EXPECT_EQ(examples, 5);
}
