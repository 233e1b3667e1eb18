#include "field_values.h"

#include "echoed_text.h"
#include "hex_text.h"

#include <algorithm>
#include <cctype>

namespace {

// Lower case, blanks at the ends dropped, every run of blanks inside made one.
std::string Normalised(const std::string& text)
{
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Ten digits at most, so that the value fits 64 bits (unsigned long has 32 on i386).
bool ParseUnsigned(const std::string& text, uint64_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    value = 0;
    for (size_t i = hex ? 2 : 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (hex ? !std::isxdigit(c) : !std::isdigit(c))
            return false;
        const unsigned digit = std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
        value = value * (hex ? 16 : 10) + digit;
    }
    return true;
}

// Lower case, without blanks, the micro sign as "u": the form in which words are compared.
// The sign comes in UTF-8, or as the one byte 0xB5 of Latin-1 and the Windows code pages (a
// command line or a Notepad profile on Windows); after an ASCII character that byte cannot be
// part of a UTF-8 sequence.
std::string Compact(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' || text[i] == '\t')
            continue;
        if (text.compare(i, 2, "\xC2\xB5") == 0) {
            out += 'u';
            ++i;
            continue;
        }
        if (text[i] == '\xB5' && (i == 0 || static_cast<unsigned char>(text[i - 1]) < 0x80)) {
            out += 'u';
            continue;
        }
        out += char(std::tolower(static_cast<unsigned char>(text[i])));
    }
    return out;
}

// Digits, with single points or commas between them: "2", "87.5", "5,7".
bool IsNumber(const std::string& text)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())) ||
        !std::isdigit(static_cast<unsigned char>(text.back())))
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i]));
        const bool separator = (text[i] == '.' || text[i] == ',') && std::isdigit(static_cast<unsigned char>(text[i + 1]));
        if (!digit && !separator)
            return false;
    }
    return true;
}

// The number that a word begins with, without its unit: "87.5" of "87.5%", "" of "none".
std::string LeadingNumber(const std::string& word)
{
    size_t end = 0;
    while (end < word.size() && (std::isdigit(static_cast<unsigned char>(word[end])) || word[end] == '.' || word[end] == ','))
        ++end;
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(word[end - 1])))
        --end;
    return word.substr(0, end);
}

// The words of a list item: "15.6us 11.7us" gives two.
std::vector<std::string> Alternatives(const Field& field, size_t position)
{
    std::vector<std::string> words;
    if (position >= field.words.size())
        return words;
    const std::string all = field.words[position];
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find(' ', start);
        if (end == std::string::npos)
            end = all.size();
        if (end > start)
            words.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool NamesItem(const Field& field, size_t position, const std::string& text)
{
    const std::string given = Compact(text);
    for (const std::string& word : Alternatives(field, position))
        if (given == word || (IsNumber(given) && given == LeadingNumber(word)))
            return true;
    return false;
}

[[noreturn]] void Refuse(const Field& field, const std::string& text, const std::string& why = {})
{
    throw BadValue(FieldKey(field) + ": \"" + Echoed(text) + "\" is not a value of " + FieldCaption(field) + why +
                   "; legal values: " + LegalValues(field));
}

// A number between two steps: the chip would drop its low bits, so it is refused, naming the
// values nearest to it.
[[noreturn]] void RefuseBetweenSteps(const Field& field, const std::string& text, uint64_t number)
{
    const uint64_t below = number - number % field.step, above = below + field.step;
    const std::string nearest = above > LargestNumber(field)
                                    ? "the nearest is " + std::to_string(below)
                                    : "the nearest are " + std::to_string(below) + " and " + std::to_string(above);
    Refuse(field, text, ": the chip holds multiples of " + std::to_string(field.step) + " only (" + nearest + ")");
}

}  // namespace

std::string FieldKey(const Field& field)
{
    std::string key = field.name;
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

const Field* FieldForKey(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    std::string key = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const Field* field : TunableFields())
        if (FieldKey(*field) == key)
            return field;
    return nullptr;
}

std::string FieldCaption(const Field& field)
{
    std::string caption = field.caption ? field.caption : field.texts.empty() ? field.name : field.texts[0];
    for (size_t at = caption.find("&&"); at != std::string::npos; at = caption.find("&&", at + 1))
        caption.erase(at, 1);
    return caption;
}

int ParseFieldValue(const Field& field, const std::string& text)
{
    const std::string wanted = Normalised(text);
    uint64_t number = 0;
    switch (field.kind) {
    case FieldKind::Flag:
        if (wanted == "on")
            return 1;
        if (wanted == "off")
            return 0;
        break;
    case FieldKind::Choice:
        // Blanks are left out on both sides: "allbanks" names "All Banks" as "all banks" does.
        for (size_t position = 0; position < field.texts.size(); ++position)
            if (Compact(field.texts[position]) == Compact(text) || NamesItem(field, position, text))
                return int(position);
        // Older versions took a list's position here; such a number is refused, never read as
        // another item.
        if (ParseUnsigned(wanted, number) && wanted.find('x') == std::string::npos && number < field.texts.size())
            Refuse(field, text, " (a number names the item that shows it, not its place in the list)");
        break;
    case FieldKind::Number:
        if (!ParseUnsigned(wanted, number) || number > (FieldMask(field) >> field.lowBit))
            break;
        if (number % field.step != 0)
            RefuseBetweenSteps(field, text, number);
        return int(number);
    case FieldKind::Status:
        break;
    }
    Refuse(field, text);
}

bool HasValueName(const Field& field, uint32_t dword)
{
    return field.kind != FieldKind::Choice || DecodeChoice(field, dword) != NoPosition;
}

std::string StateText(const Field& field, int state)
{
    switch (field.kind) {
    case FieldKind::Flag: return state ? "on" : "off";
    case FieldKind::Choice: return state >= 0 && size_t(state) < field.texts.size() ? ItemText(field, size_t(state)) : "";
    case FieldKind::Number: return std::to_string(state);
    case FieldKind::Status: break;
    }
    return {};
}

int FieldState(const Field& field, uint32_t dword)
{
    switch (field.kind) {
    case FieldKind::Flag: return DecodeFlag(field, dword);
    case FieldKind::Choice: return DecodeChoice(field, dword);
    case FieldKind::Number:
    case FieldKind::Status: break;
    }
    return int(FieldValue(field, dword));
}

std::string FieldValueText(const Field& field, uint32_t dword)
{
    if (!HasValueName(field, dword))
        return "(illegal value " + std::to_string(FieldValue(field, dword)) + ")";
    if (field.kind == FieldKind::Status)
        return std::to_string(FieldValue(field, dword));
    return StateText(field, FieldState(field, dword));
}

std::string LegalValues(const Field& field)
{
    switch (field.kind) {
    case FieldKind::Flag: return "on, off";
    case FieldKind::Choice: {
        std::string list;
        for (size_t position = 0; position < field.texts.size(); ++position) {
            const std::string text = ItemText(field, position);
            std::string words;
            for (const std::string& word : Alternatives(field, position)) {
                // "5,7" in quotes, so that its comma does not part it from the next value
                const bool comma = word.find(',') != std::string::npos;
                words += (words.empty() ? "" : " or ") + (comma ? "\"" + word + "\"" : word);
            }
            list += (position ? ", " : "") + words + (Compact(text) == field.words[position] ? "" : " (\"" + text + "\")");
        }
        return list;
    }
    case FieldKind::Number:
        return (field.step > 1 ? "multiples of " + std::to_string(field.step) + " from 0 to " : std::string("0-")) +
               std::to_string(LargestNumber(field)) + ", in decimal or 0x hexadecimal";
    case FieldKind::Status: break;
    }
    return {};
}

std::vector<ValueWarning> GroupedWarnings(const Field& field)
{
    if (RiskInEveryChange(field))
        return {{"", field.risks.front().warning}};
    std::vector<ValueWarning> grouped;
    for (const RiskMark& mark : field.risks) {
        auto same = [&](const ValueWarning& w) { return w.warning == mark.warning; };
        auto found = std::find_if(grouped.begin(), grouped.end(), same);
        if (found == grouped.end())
            found = grouped.insert(grouped.end(), {"", mark.warning});
        found->values += (found->values.empty() ? "" : ", ") + ValueWord(field, mark.state);
    }
    return grouped;
}

std::string ItemText(const Field& field, size_t position)
{
    std::string text;
    for (const char* c = field.texts.at(position); *c; ++c)
        if (*c != ' ' || text.empty() || text.back() != ' ')
            text += *c;
    return text;
}

std::vector<std::string> ItemWords(const Field& field, size_t position) { return Alternatives(field, position); }

std::string ValueWord(const Field& field, int state)
{
    if (field.kind == FieldKind::Choice && state >= 0) {
        const std::vector<std::string> words = Alternatives(field, size_t(state));
        if (!words.empty())
            return words.front();
    }
    return StateText(field, state);
}

std::vector<std::string> ValueWords(const Field& field)
{
    std::vector<std::string> words;
    switch (field.kind) {
    case FieldKind::Flag: return {"on", "off"};
    case FieldKind::Choice:
        for (size_t position = 0; position < field.texts.size(); ++position)
            words.push_back(ValueWord(field, int(position)));
        break;
    case FieldKind::Number:
        for (unsigned number = 0; number <= LargestNumber(field); number += field.step)
            words.push_back(std::to_string(number));
        break;
    case FieldKind::Status: break;
    }
    return words;
}

std::string RawBits(const Field& field, uint32_t dword)
{
    const unsigned high = field.lowBit + field.width - 1;
    std::string text = HexNumber(field.dword) + (field.width == 1 ? " bit " : " bits " + std::to_string(high) + "-") +
                       std::to_string(field.lowBit) + ": ";
    for (unsigned bit = high + 1; bit-- > field.lowBit;)
        text += (dword >> bit) & 1 ? '1' : '0';
    return text;
}

std::string ModeText(bool gfxMode, bool agpAt3v3)
{
    return gfxMode ? "GFX mode" : agpAt3v3 ? "AGP mode 3.3V" : "AGP mode 1.5V";
}

std::string MemoryClockText(bool at133) { return at133 ? "133 Mhz Operation" : "100 Mhz Operation"; }
