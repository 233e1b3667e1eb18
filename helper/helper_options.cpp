#include "helper_options.h"

namespace {

constexpr const char IdlePrefix[] = "--idle-seconds=";
constexpr int LongestIdleSeconds = 86400;

std::optional<int> Seconds(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text[0] == '0')
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > LongestIdleSeconds)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::string> ParseHelperOptions(const std::vector<std::string>& args, HelperOptions& options)
{
    bool idleGiven = false, warningsGiven = false;
    for (const std::string& arg : args) {
        if (arg == "--group-writes-warnings" && !warningsGiven) {
            options.groupWritesWarnings = warningsGiven = true;
        } else if (arg.rfind(IdlePrefix, 0) == 0 && !idleGiven) {
            const std::optional<int> seconds = Seconds(arg.substr(sizeof IdlePrefix - 1));
            if (!seconds)
                return "the idle limit " + arg.substr(sizeof IdlePrefix - 1) + " is not a number of seconds from 1 to " +
                       std::to_string(LongestIdleSeconds);
            options.idleSeconds = *seconds;
            idleGiven = true;
        } else {
            return "takes only --idle-seconds=N and --group-writes-warnings, each once; not \"" +
                   arg.substr(0, 40) + "\"";
        }
    }
    return std::nullopt;
}
