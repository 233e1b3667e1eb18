#pragma once
// How a program without privilege reaches a helper: through the socket of the helper's
// service (systemd starts one helper per connection, as root, and hands it the connection on
// its standard input and output), or by starting one through pkexec with a socket pair in the
// same place. Either way the helper greets first: a channel is handed out only after the
// greeting "ready". The requests themselves are HelperConfigAccess's.

#include <string>

#include <sys/types.h>

// A connection to a helper that has greeted, and the process behind it when we started one.
class HelperChannel {
public:
    HelperChannel() = default;
    HelperChannel(int socket, pid_t child, int childErrors);
    ~HelperChannel();
    HelperChannel(HelperChannel&& other) noexcept;
    HelperChannel& operator=(HelperChannel&& other) noexcept;
    HelperChannel(const HelperChannel&) = delete;
    HelperChannel& operator=(const HelperChannel&) = delete;

    int socket() const { return socket_; }
    bool open() const { return socket_ >= 0; }
    // Closes the connection, so the helper ends, and waits for the helper we started, passing
    // on what it said on its standard error. Its wait status; -1 when we started none.
    int Close();

private:
    int socket_ = -1;
    pid_t child_ = -1;
    int childErrors_ = -1;  // the read end of the started process's standard error
};

struct HelperAttempt {
    HelperChannel channel;  // open when the helper greeted
    std::string whyNot;     // else why not, in words
    int reason = 0;         // and the errno behind it, when there is one
};

// Connects to the helper's service at `path`. Waits at most `greetingSeconds` for the greeting.
HelperAttempt ConnectHelperSocket(const std::string& path, int greetingSeconds = 10);

// Starts `helper` through `pkexec`, both by their fixed paths (never through PATH); pkexec gets
// this session's environment, which it needs to find the authentication agent. No time-out:
// the administrator may take a while to type the password.
HelperAttempt StartHelperThroughPkexec(const std::string& pkexec, const std::string& helper);

// Why pkexec ended before the helper greeted, from its wait status and what it said.
std::string PkexecFailure(int waitStatus, const std::string& said);
