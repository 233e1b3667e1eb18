// The manual's SETTINGS section says what the field table says: every key, its caption, its
// bits, its values, what it does and its warnings. Where they differ, the test writes the manual
// as it should be beside the build and names it.
#include "field_map.h"
#include "field_values.h"

#include <gtest/gtest.h>

#include <fstream>
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

// Each warning once, with the values it is given for.
std::string Warnings(const Field& field)
{
    if (RiskInEveryChange(field))
        return ".br\n\\fBWarning:\\fR " + Roff(field.risks.front().warning) + ".\n";
    std::string text;
    std::vector<bool> done(field.risks.size());
    for (size_t i = 0; i < field.risks.size(); ++i) {
        if (done[i])
            continue;
        std::string values;
        for (size_t j = i; j < field.risks.size(); ++j)
            if (std::string(field.risks[j].warning) == field.risks[i].warning) {
                done[j] = true;
                values += (values.empty() ? "" : ", ") + Bold(ValueWord(field, field.risks[j].state));
            }
        text += ".br\n\\fBWarning\\fR for " + values + ": " + Roff(field.risks[i].warning) + ".\n";
    }
    return text;
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
