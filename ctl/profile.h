#pragma once
// Profiles: the settings in a small text file, `key = value` a line, with blank lines and `#`
// comments; any subset of the keys. The keys and values are those of `i815ctl set`.

#include "field_settings.h"
#include "files.h"

#include <istream>
#include <string>
#include <vector>

class ConfigAccess;

constexpr size_t ProfileSizeLimit = 64 * 1024;

struct Profile {
    std::vector<FieldSetting> settings;
    std::vector<int> lines;  // where each setting stands in the file
    std::string source;      // the file's name, or "(standard input)"
};

// The name that messages give standard input, read for the FILE "-".
constexpr const char* StandardInputName = "(standard input)";

// Checks a whole profile (a UTF-8 byte order mark at its start is skipped); throws StatusError (status 2) with one line "SOURCE:LINE: problem" for
// every problem found: an unknown key, a key given twice, a bad value, a line without "=", a
// file that is not text or larger than ProfileSizeLimit.
Profile ParseProfile(const std::string& text, const std::string& source);
// Reads a regular file of at most ProfileSizeLimit bytes, then parses it; `ownersAlone` refuses
// a file that is not root's (or this user's) alone (ReadRegularFile).
Profile ReadProfileFile(const std::string& path, bool ownersAlone = false);
// Reads a profile of at most ProfileSizeLimit bytes from a stream (standard input), then parses
// it. A read that fails is no end of the input: "SOURCE: cannot be read: why" (status 2), or,
// stopped by a signal, "SOURCE: reading was interrupted by a signal" (status 1).
Profile ReadProfileStream(std::istream& in, const std::string& source);
// "FILE:LINE: warning: agpfw = on: ..." for a setting of the profile whose value has a warning;
// empty for any other.
std::string ProfileWarning(const Profile& profile, const FieldSetting& setting);

// Every setting of the chip as a profile: a header (program version, chip revision, the date
// given), and above each setting a comment with its control's caption and its legal values,
// and one with each warning of its values. A value without a
// name (an illegal AGP mode) becomes a comment saying so.
std::string FormatProfile(ConfigAccess& chip, const std::string& date);
// Writes the file whole or not at all (whole_file.h), its lines ended as the system's editors
// expect (SystemTextLines); throws StatusError (status 1).
void WriteProfileFile(const std::string& path, const std::string& text);
