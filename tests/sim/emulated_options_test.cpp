// The emulated window's command line, the same for the Qt program and the Windows one.
#include "emulated_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

EmulatedCommandLine Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "i815quarvel-sim");
    return ParseEmulatedCommandLine(int(args.size()), args.data(), "1.0");
}

}  // namespace

TEST(EmulatedOptionsTest, DumpAndSaveInEitherOrderAndForm)
{
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--save", "out.txt", "in.txt"}, {"in.txt", "--save", "out.txt"}, {"--save=out.txt", "in.txt"}}) {
        const EmulatedCommandLine line = Parse(args);
        EXPECT_TRUE(line.run);
        EXPECT_EQ(line.options.dump, "in.txt");
        EXPECT_EQ(line.options.save, "out.txt");
    }
    const EmulatedCommandLine none = Parse({});
    EXPECT_TRUE(none.run);
    EXPECT_FALSE(none.options.dump || none.options.save) << "the built-in image, nothing saved";
}

TEST(EmulatedOptionsTest, HelpAndVersionAreTheOnlyOutput)
{
    const EmulatedCommandLine help = Parse({"in.txt", "--help"});
    EXPECT_FALSE(help.run);
    EXPECT_FALSE(help.isError);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.text.rfind("usage: i815quarvel-sim [--save FILE] [DUMP]\n", 0), 0u) << help.text;

    const EmulatedCommandLine version = Parse({"--version"});
    EXPECT_FALSE(version.run);
    EXPECT_EQ(version.text, "i815quarvel-sim (i815 Quarvel) 1.0\n");
}

// Each refusal names the problem, then shows the usage, and ends with status 2 before any window.
TEST(EmulatedOptionsTest, ArgumentsItDoesNotUnderstandAreRefused)
{
    const struct {
        std::vector<const char*> args;
        const char* problem;
    } cases[] = {
        {{"--save"}, "i815quarvel-sim: --save needs one FILE\n"},
        {{"--save", "a", "--save", "b"}, "i815quarvel-sim: --save needs one FILE\n"},
        {{"--save=a", "--save=b"}, "i815quarvel-sim: unknown option --save=b\n"},
        {{"--save="}, "i815quarvel-sim: unknown option --save=\n"},
        {{"-x"}, "i815quarvel-sim: unknown option -x\n"},
        {{"a.txt", "b.txt"}, "i815quarvel-sim: only one DUMP may be given\n"},
        {{"--save", "-", "a.txt"}, "i815quarvel-sim: --save -: the window writes its dump into a FILE, not onto "
                                   "standard output\n"},
        {{"--save=-"}, "i815quarvel-sim: --save -: the window writes its dump into a FILE, not onto standard output\n"},
    };
    for (const auto& c : cases) {
        const EmulatedCommandLine line = Parse(c.args);
        EXPECT_FALSE(line.run) << c.problem;
        EXPECT_TRUE(line.isError);
        EXPECT_EQ(line.status, 2);
        EXPECT_EQ(line.text.rfind(c.problem, 0), 0u) << line.text;
        EXPECT_NE(line.text.find("usage: i815quarvel-sim"), std::string::npos);
    }
    EXPECT_TRUE(Parse({"-"}).run) << "a lone dash is a DUMP's name";

    const std::string longOption = "--" + std::string(100000, 'x');
    EXPECT_EQ(Parse({longOption.c_str()}).text.rfind("i815quarvel-sim: unknown option --" + std::string(38, 'x') +
                                                         "...\nusage: ",
                                                     0),
              0u);
}
