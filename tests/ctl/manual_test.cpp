// The manual's SETTINGS section says what the field table says: every key, its caption, its
// bits, its values and what it does; and it gives the warnings written out below. Where they
// differ, the test writes the manual as it should be beside the build and names it.
#include "field_map.h"
#include "field_values.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

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

std::string Warnings(const Field& field)
{
    const auto found = ManualWarnings.find(FieldKey(field));
    return found == ManualWarnings.end() ? std::string() : found->second;
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
