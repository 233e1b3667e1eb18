// The manual's SETTINGS section says what the field table says: every key, its caption, its
// bits, its values and what it does; and it gives the warnings written out below. Where they
// differ, the test writes the manual as it should be beside the build and names it. Its
// synopsis and its COMMANDS give each command as --help does.
#include "command_table.h"
#include "field_map.h"
#include "field_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Text as roff prints it: hyphens as minus signs where a command line has them, the micro sign
// by name, no line that begins with a control character.
std::string Roff(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-')
            out += "\\-";
        else if (text.compare(i, 2, "\xC2\xB5") == 0)
            out += "\\(mc", ++i;
        else if (text[i] == '\\')
            out += "\\e";
        else
            out += text[i];
    }
    return out;
}

// One sentence a line, as roff likes them.
std::string Sentences(const std::string& text)
{
    std::string out = Roff(text);
    for (size_t at = out.find(". "); at != std::string::npos; at = out.find(". ", at))
        out.replace(at, 2, ".\n");
    return out;
}

std::string Bold(const std::string& word) { return "\\fB" + Roff(word) + "\\fR"; }

// "0x50 bits 31\-29", from the chip's own view of the field.
std::string Place(const Field& field)
{
    const std::string bits = RawBits(field, 0);
    return Roff(bits.substr(0, bits.find(':')));
}

std::string Values(const Field& field)
{
    switch (field.kind) {
    case FieldKind::Flag: return Bold("on") + " or " + Bold("off");
    case FieldKind::Number:
        return "a multiple of " + std::to_string(field.step) + " from " + Bold("0") + " to " +
               Bold(std::to_string(LargestNumber(field))) + ", in decimal or with " + Bold("0x") + " in hexadecimal";
    case FieldKind::Choice: {
        std::string text;
        for (size_t position = 0; position < field.texts.size(); ++position) {
            std::istringstream words(field.words[position]);
            std::string names;
            for (std::string word; words >> word;)
                names += (names.empty() ? "" : " or ") + Bold(word);
            const std::string item = ItemText(field, position);
            text += (position ? ",\n" : "") + names + (item == field.words[position] ? "" : " (" + Roff(item) + ")");
        }
        return text;
    }
    case FieldKind::Status: break;
    }
    return {};
}

// The manual's warnings, as a reader finds them under each setting: one for a setting whose every
// change is the risk, else one per warning with the values it is given for. (The program groups
// them alike in a saved profile: see profile_test.cpp.)
const std::map<std::string, std::string> ManualWarnings{
    {"agpfw", R"(.br
\fBWarning\fR for \fBon\fR: the i815 does not support fast writes: the machine will hang.
)"},
    {"thrlock", R"(.br
\fBWarning\fR for \fBon\fR: once set, only a reset clears the throttle lock, and the throttle limits stay as they are until then.
)"},
    {"agpmode", R"(.br
\fBWarning:\fR the video driver should set the AGP data rate: a rate that the card is not set for may hang the machine.
)"},
    {"cas", R"(.br
\fBWarning:\fR changing the CAS latency may hang the machine.
)"},
    {"ras2cas", R"(.br
\fBWarning:\fR changing the RAS to CAS delay may hang the machine.
)"},
    {"ras", R"(.br
\fBWarning:\fR changing the RAS precharge time may hang the machine.
)"},
    {"dct", R"(.br
\fBWarning:\fR changing the DRAM cycle time may hang the machine.
)"},
    {"sms", R"(.br
\fBWarning\fR for \fBself\-refresh\fR: self\-refresh with the refresh disabled: the memory stops answering and the machine hangs.
.br
\fBWarning\fR for \fBnop\fR, \fBprecharge\fR, \fBmode\-register\fR, \fBcbr\fR: an SDRAM mode meant for power\-up initialisation, not for a running machine: it may hang the machine.
)"},
    {"tdlle", R"(.br
\fBWarning:\fR toggling the transmit DLL will most likely hang the machine.
)"},
};

// What the manual adds of a board's BIOS, after the warnings.
const std::map<std::string, std::string> ManualNotes{
    {"thrlock", R"(.br
Some boards' BIOS sets the lock at every boot: an ASUS CUSL2\-C's BIOS, on an emulated board, leaves byte 0x72 at 0x1A, the lock on and the write limit at 62.5 %.
Then neither limit can change until a reset:
.B show
shows the lock on and the limits as the BIOS set them;
.BR set ,
.B apply
and
.B try
refuse a change of a limit before anything is written, and a
.B thrlock=off
is written but not taken (\(dqthe chip did not take thrlock = off (reads on)\(dq), each with status 1; the window writes what is chosen and at once shows the chip's values again.
)"},
};

std::string Warnings(const Field& field)
{
    const auto found = ManualWarnings.find(FieldKey(field));
    const auto note = ManualNotes.find(FieldKey(field));
    return (found == ManualWarnings.end() ? std::string() : found->second) +
           (note == ManualNotes.end() ? std::string() : note->second);
}

std::string SettingsSection()
{
    std::string text = ".SH SETTINGS\n"
                       "Every setting, in the order of\n.BR show :\n"
                       "its key, the caption of its control in the window, where it lies in the chip's\n"
                       "configuration space, its values and what it does.\n"
                       "A value marked with a warning can hang the machine, or cannot be taken back\n"
                       "until a reset:\n.B set\nwrites it only with\n.BR \\-\\-force .\n";
    for (const Field* field : TunableFields()) {
        text += ".TP\n.B " + FieldKey(*field) + "\n" + Roff(FieldCaption(*field)) + " (" + Place(*field) + "): " +
                Values(*field) + ".\n.br\n" + Sentences(field->about) + "\n" + Warnings(*field);
    }
    return text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

TEST(Manual, ItsSettingsAreThoseOfTheFieldTable)
{
    const std::string manual = ReadFile(SOURCE_DIR "/data/man/i815ctl.8");
    const size_t start = manual.find(".SH SETTINGS\n");
    ASSERT_NE(start, std::string::npos) << "no SETTINGS section";
    const size_t end = manual.find("\n.SH ", start) + 1;
    const std::string wanted = SettingsSection();
    if (manual.substr(start, end - start) != wanted) {
        const std::string mended = BINARY_DIR "/i815ctl.8";
        std::ofstream(mended) << manual.substr(0, start) << wanted << manual.substr(end);
        ADD_FAILURE() << "the manual's SETTINGS differ from the field table; the manual as it should be: " << mended
                      << " (cp " << mended << " " << SOURCE_DIR "/data/man/i815ctl.8)";
    }
    for (const Field* field : TunableFields())
        EXPECT_NE(manual.find(".B " + FieldKey(*field) + "\n"), std::string::npos) << field->name;
}

// Every warning that set, try and save give for a setting is in the manual under its key, and a
// setting without any has none there.
TEST(Manual, ItsWarningsAreThoseThatTheProgramGives)
{
    for (const Field* field : TunableFields()) {
        SCOPED_TRACE(FieldKey(*field));
        const std::string manual = Warnings(*field);
        EXPECT_EQ(manual.empty(), field->risks.empty());
        for (const RiskMark& mark : field->risks)
            EXPECT_NE(manual.find(" " + Roff(mark.warning) + ".\n"), std::string::npos) << mark.warning;
    }
}

namespace {

// A line of roff as it reads, without blanks: "\\fBget\\fR [\\fB\\-\\-json\\fR]" is "get[--json]".
std::string Squeezed(const std::string& roff)
{
    std::string text = roff;
    for (const char* macro : {".BR ", ".RB ", ".BI ", ".IR ", ".RI ", ".B ", ".I "})
        for (size_t at; (at = text.find(macro)) != std::string::npos && (at == 0 || text[at - 1] == '\n');)
            text.erase(at, std::string(macro).size());
    for (const char* escape : {"\\fB", "\\fI", "\\fR", "\\|", "\""})
        for (size_t at; (at = text.find(escape)) != std::string::npos;)
            text.erase(at, std::string(escape).size());
    std::string squeezed;
    for (size_t i = 0; i < text.size(); ++i)
        if (text.compare(i, 2, "\\-") == 0)
            squeezed += '-', ++i;
        else if (text[i] != ' ' && text[i] != '\n')
            squeezed += text[i];
    return squeezed;
}

}  // namespace

TEST(Manual, ItsSynopsisAndCommandsAreThoseOfTheHelp)
{
    const std::string manual = ReadFile(SOURCE_DIR "/data/man/i815ctl.8");
    const size_t top = manual.find(".SH SYNOPSIS\n");
    const std::string synopsis = manual.substr(top, manual.find(".SH DESCRIPTION\n") - top);
    const size_t commands = manual.find(".SH COMMANDS\n");
    std::vector<std::string> entries, headers;
    for (size_t start = 0, end; (end = synopsis.find(".br\n", start)) != std::string::npos; start = end + 4)
        entries.push_back(Squeezed(synopsis.substr(start, end - start)));
    for (size_t at = manual.find("\n.TP\n", commands); at < manual.find("\n.SH ", commands);
         at = manual.find("\n.TP\n", at + 1))
        headers.push_back(Squeezed(manual.substr(at + 5, manual.find('\n', at + 5) - at - 5)));
    for (const Command& command : CommandTable()) {
        const std::string usage = Squeezed(std::string(command.name) + " " + command.arguments);
        EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
            return entry.size() >= usage.size() && entry.compare(entry.size() - usage.size(), usage.size(), usage) == 0;
        })) << "no synopsis " << usage;
        EXPECT_NE(std::find(headers.begin(), headers.end(), usage), headers.end()) << "no command " << usage;
    }
}
