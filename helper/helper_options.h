#pragma once
// The helper's command line, which only its unit (and an administrator's drop-in for it) sets:
//   --idle-seconds=N           close a connection after N seconds without a request
//                              (1 to 86400; 3900 without it)
//   --group-writes-warnings    the members of the group i815quarvel may write values with a
//                              warning too
// The default idle limit outlasts the longest wait of i815ctl try (an hour for its "yes", after
// which it must still undo through the same connection); the window asks every few seconds.
// Through pkexec the caller could give options too: none of them widens what the
// administrator's password allows already.

#include <optional>
#include <string>
#include <vector>

struct HelperOptions {
    static constexpr int DefaultIdleSeconds = 3900;
    int idleSeconds = DefaultIdleSeconds;
    bool groupWritesWarnings = false;
};

// Why not, for anything else than the options above, each at most once.
std::optional<std::string> ParseHelperOptions(const std::vector<std::string>& args, HelperOptions& options);
