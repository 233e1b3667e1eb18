#include "profile.h"

#include "config_access.h"
#include "echoed_text.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "files.h"
#include "hex_text.h"
#include "quarvel_version.h"
#include "standard_output.h"
#include "whole_file.h"

#include <cerrno>

namespace {

constexpr size_t MostProblemsShown = 20;

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Length of the UTF-8 sequence at `at`, or 0 when it is not well formed.
size_t Utf8Length(const std::string& text, size_t at)
{
    const unsigned char c = static_cast<unsigned char>(text[at]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size() || (length == 2 && c < 0xC2))
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    return length;
}

// Text is UTF-8 without control characters other than the tab.
std::string NotText(const std::string& line)
{
    for (size_t at = 0; at < line.size();) {
        const unsigned char c = static_cast<unsigned char>(line[at]);
        const size_t length = Utf8Length(line, at);
        if (length == 0 || (c < 0x20 && c != '\t') || c == 0x7F)
            return "not text (byte " + HexNumber(c) + ")";
        at += length;
    }
    return {};
}

}  // namespace

Profile ParseProfile(const std::string& text, const std::string& source)
{
    Profile profile;
    profile.source = source;
    std::vector<std::string> problems;
    auto problem = [&](int line, const std::string& what) {
        problems.push_back(source + ":" + std::to_string(line) + ": " + what);
    };
    if (text.size() > ProfileSizeLimit)
        throw StatusError(ExitBadInput, source + ": larger than 64 KiB; a profile is a short text");

    // Editors on Windows begin a UTF-8 file with a byte order mark; it is no part of a key.
    const char ByteOrderMark[] = "\xEF\xBB\xBF";
    size_t start = text.compare(0, 3, ByteOrderMark) == 0 ? 3 : 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (const std::string bad = NotText(line); !bad.empty()) {
            problem(number, bad);
            continue;
        }
        line = Trimmed(line.substr(0, line.find('#')));  // no key or value holds a "#"
        if (line.empty())
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problem(number, "\"" + Echoed(line) + "\" is not KEY = VALUE");
            continue;
        }
        const Field* field = FieldForKey(line.substr(0, equals));
        if (!field) {
            problem(number, "unknown setting \"" + Echoed(Trimmed(line.substr(0, equals))) + "\"");
            continue;
        }
        bool twice = false;
        for (size_t i = 0; i < profile.settings.size(); ++i) {
            if (profile.settings[i].field == field) {
                problem(number, FieldKey(*field) + " is given twice (first on line " + std::to_string(profile.lines[i]) + ")");
                twice = true;
            }
        }
        if (twice)
            continue;
        try {
            profile.settings.push_back({field, ParseFieldValue(*field, Trimmed(line.substr(equals + 1)))});
            profile.lines.push_back(number);
        } catch (const BadValue& bad) {
            problem(number, bad.what());
        }
    }

    if (!problems.empty()) {
        std::string message;
        for (size_t i = 0; i < problems.size() && i < MostProblemsShown; ++i)
            message += (i ? "\n" : "") + problems[i];
        if (problems.size() > MostProblemsShown)
            message += "\n" + source + ": " + std::to_string(problems.size() - MostProblemsShown) + " more problems";
        throw StatusError(ExitBadInput, message);
    }
    return profile;
}

Profile ReadProfileFile(const std::string& path, bool ownersAlone)
{
    return ParseProfile(ReadRegularFile(path, ProfileSizeLimit, ownersAlone), path);
}

Profile ReadProfileStream(std::istream& in, const std::string& source)
{
    std::string text;
    char buffer[8192];
    try {
        in.exceptions(std::ios_base::badbit);  // a read error is said with its reason, never taken for the end
        while (text.size() <= ProfileSizeLimit && in.read(buffer, sizeof buffer).gcount() > 0)
            text.append(buffer, size_t(in.gcount()));
    } catch (const InputReadError& failed) {
        if (failed.error() == EINTR)
            throw StatusError(ExitFailure, source + ": reading was interrupted by a signal");
        throw StatusError(ExitBadInput, source + ": cannot be read: " + failed.what());
    } catch (const std::ios_base::failure&) {
        throw StatusError(ExitBadInput, source + ": cannot be read");
    }
    return ParseProfile(text, source);
}

std::string ProfileWarning(const Profile& profile, const FieldSetting& setting)
{
    const std::string risk = RiskLine(setting);
    if (risk.empty())
        return {};
    for (size_t i = 0; i < profile.settings.size(); ++i)
        if (profile.settings[i].field == setting.field)
            return profile.source + ":" + std::to_string(profile.lines[i]) + ": warning: " + risk;
    return "warning: " + risk;
}

namespace {

// "# Warning for on: ..." for each warning of the field's values; "# Warning: ..." where every
// change is the risk.
std::string WarningComments(const Field& field)
{
    if (RiskInEveryChange(field))
        return std::string("# Warning: ") + field.risks.front().warning + "\n";
    std::string text;
    std::vector<bool> done(field.risks.size());
    for (size_t i = 0; i < field.risks.size(); ++i) {
        if (done[i])
            continue;
        std::string values;
        for (size_t j = i; j < field.risks.size(); ++j) {
            if (std::string(field.risks[j].warning) != field.risks[i].warning)
                continue;
            done[j] = true;
            values += (values.empty() ? "" : ", ") + ValueWord(field, field.risks[j].state);
        }
        text += "# Warning for " + values + ": " + field.risks[i].warning + "\n";
    }
    return text;
}

}  // namespace

std::string FormatProfile(ConfigAccess& chip, const std::string& date)
{
    RequireI815(chip);
    const uint32_t revision = FieldValue(Fields::Revision, chip.Read(Fields::Revision.dword));
    std::string text = "# i815 Quarvel profile: the settings of an i815 host bridge, revision " +
                       std::to_string(revision) + ",\n# saved by i815ctl " + QuarvelVersion + " on " + date +
                       ".\n# `i815ctl check FILE` checks it, `i815ctl apply FILE` gives the chip these settings.\n"
                       "# One setting a line, KEY = VALUE; any of them may go, and \"#\" starts a comment.\n";
    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    for (const Field* field : TunableFields()) {
        const uint32_t dword = dwords.at(field->dword);
        text += "\n# " + FieldCaption(*field) + ": " + LegalValues(*field) + "\n" + WarningComments(*field);
        if (HasValueName(*field, dword))
            text += FieldKey(*field) + " = " + FieldValueText(*field, dword) + "\n";
        else
            text += "# " + FieldKey(*field) + " is not saved: the chip holds the value " +
                    std::to_string(FieldValue(*field, dword)) + ", which has no name\n";
    }
    return text;
}

void WriteProfileFile(const std::string& path, const std::string& text)
{
    try {
        WriteWholeFile(path, SystemTextLines(text));
    } catch (const FileWriteError& failed) {
        throw StatusError(ExitFailure, failed.what());
    }
}
