#pragma once
// The helper's side of the connection: it reads request lines, checks each against what the
// window and i815ctl need and the field table, and only then touches the chip. Everything else
// is refused.
//
// Allowed: reads of any dword of bus 0, device 0, function 0; one save and one restore of
// the ports (nothing to do on the kernel's file); read-modify-writes of a dword that holds settings, whose mask is made of
// whole setting fields with legal values, on a chip that identifies as an i815. A change to a
// value that the field table marks with a warning only for a caller who may write one.

#include "helper_protocol.h"
#include "refusal_log.h"

#include <functional>
#include <optional>
#include <string>

#include <sys/types.h>

class ConfigAccess;

// Whom a session serves: the user behind the connection, for the log, and whether values with
// a warning (the field table's risk marks) are theirs to write: root's, and the group's only
// where the administrator allows it.
struct HelperCaller {
    uid_t uid = 0;
    bool mayWriteWarnings = false;
};

class HelperSession {
public:
    using Log = std::function<void(const std::string&)>;
    // `log` receives a line for every write made, and for the refused requests the first few
    // of each minute and then their count (the program sends them to stderr, the journal).
    HelperSession(ConfigAccess& chip, Log log, HelperCaller caller = {});

    // Bytes from the window; returns the replies, each a line ending in a line feed.
    std::string Receive(const char* data, size_t size);
    // The window has gone away: the address port goes back as found unless the window did that.
    void End();
    // No request came for `seconds`: logs it and returns the last reply ("failed ...").
    std::string IdleEnd(int seconds);

    // Why a request is refused; nothing when it is allowed. Looks at the chip only to learn
    // its identity, when no read of dword 0x00 has told it yet, and whether a value with a
    // warning that the caller may not write would change the chip.
    std::optional<std::string> Refusal(const HelperRequest& request);

private:
    std::optional<std::string> WarningRefusal(const HelperRequest& request);
    std::string Handle(const std::string& line);
    std::string Execute(const HelperRequest& request);
    bool IsI815();

    ConfigAccess& chip_;
    Log log_;
    HelperCaller caller_;
    RefusalLog refusals_;
    std::string pending_;
    bool discarding_ = false;  // inside a line that is already too long
    bool saved_ = false;
    bool restored_ = false;
    std::optional<bool> isI815_;
};

// Serves the window on two descriptors until it closes its end, or until no whole request
// has come for `idleSeconds` (0: no limit); then ends the session. Returns 0, or 1 when the
// pipe failed.
int ServeHelper(int in, int out, HelperSession& session, int idleSeconds = 0);
