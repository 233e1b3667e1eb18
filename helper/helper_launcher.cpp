#include "helper_launcher.h"

#include "helper_protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* EndedSilently = "it ended without a word";

// Everything that can be read from `fd` now, without waiting.
std::string Drain(int fd)
{
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || text.size() > 65536)
            return text;
        text.append(buffer, size_t(got));
    }
}

// The helper's first line: empty when it is ready, else why it is not. Read a byte at a time,
// so that nothing after the greeting is taken from the requests' replies.
std::string AwaitGreeting(int socket)
{
    std::string line;
    while (line.size() <= HelperLineLimit + 64) {
        char c;
        const ssize_t got = recv(socket, &c, 1, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return "it did not greet in time";
        if (got <= 0)
            return EndedSilently;
        if (c == '\n')
            break;
        line += c;
    }
    if (line == HelperReady)
        return {};
    const std::string prefix = HelperRefusedPrefix;
    if (line.compare(0, prefix.size(), prefix) == 0)
        return line.substr(prefix.size());
    return "it answers nonsense";
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

HelperChannel::HelperChannel(int socket, pid_t child, int childErrors)
    : socket_(socket), child_(child), childErrors_(childErrors)
{
}

HelperChannel::~HelperChannel() { Close(); }

HelperChannel::HelperChannel(HelperChannel&& other) noexcept { *this = std::move(other); }

HelperChannel& HelperChannel::operator=(HelperChannel&& other) noexcept
{
    if (this != &other) {
        Close();
        std::swap(socket_, other.socket_);
        std::swap(child_, other.child_);
        std::swap(childErrors_, other.childErrors_);
    }
    return *this;
}

int HelperChannel::Close()
{
    if (socket_ >= 0)
        close(socket_);
    socket_ = -1;
    int status = -1;
    if (child_ > 0)
        while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
    child_ = -1;
    if (childErrors_ >= 0) {
        const std::string said = Drain(childErrors_);
        if (!said.empty())
            (void)!write(STDERR_FILENO, said.data(), said.size());
        close(childErrors_);
    }
    childErrors_ = -1;
    return status;
}

HelperAttempt ConnectHelperSocket(const std::string& path, int greetingSeconds)
{
    HelperAttempt attempt;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        attempt.whyNot = "the name " + path + " is too long for a socket";
        attempt.reason = ENAMETOOLONG;
        return attempt;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        attempt.reason = errno;
        attempt.whyNot = std::string("no socket: ") + std::strerror(errno);
        return attempt;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        attempt.reason = errno;
        switch (errno) {
        case ENOENT:
            attempt.whyNot = path + " does not exist (its service is not enabled)";
            break;
        case EACCES:
        case EPERM:
            attempt.whyNot = path + " is for the members of the group i815quarvel (after joining it, log in again)";
            break;
        case ECONNREFUSED:
            attempt.whyNot = "no service listens on " + path;
            break;
        default:
            attempt.whyNot = path + ": " + std::strerror(errno);
        }
        close(fd);
        return attempt;
    }
    const timeval wait{greetingSeconds, 0};
    const timeval forever{0, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    attempt.whyNot = AwaitGreeting(fd);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &forever, sizeof forever);
    if (!attempt.whyNot.empty()) {
        attempt.reason = EPERM;
        close(fd);
        return attempt;
    }
    attempt.channel = HelperChannel(fd, -1, -1);
    return attempt;
}

HelperAttempt StartHelperThroughPkexec(const std::string& pkexec, const std::string& helper)
{
    HelperAttempt attempt;
    attempt.reason = EPERM;
    if (!Exists(helper)) {
        attempt.whyNot = "the helper " + helper + " is not installed";
        attempt.reason = ENOENT;
        return attempt;
    }
    if (pkexec.empty() || access(pkexec.c_str(), X_OK) != 0) {
        attempt.whyNot = "pkexec is not installed";
        return attempt;
    }
    int pair[2], errors[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        attempt.whyNot = std::string("no socket pair: ") + std::strerror(errno);
        return attempt;
    }
    if (pipe2(errors, O_CLOEXEC) != 0) {
        attempt.whyNot = std::string("no pipe: ") + std::strerror(errno);
        close(pair[0]);
        close(pair[1]);
        return attempt;
    }
    // Nobody reads while the helper serves: a full pipe loses a line rather than stop it.
    fcntl(errors[1], F_SETFL, O_NONBLOCK);
    fcntl(errors[0], F_SETFL, O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    std::vector<char*> args{const_cast<char*>(pkexec.c_str()), const_cast<char*>(helper.c_str()), nullptr};
    pid_t pid;
    const int failed = posix_spawn(&pid, pkexec.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    close(errors[1]);
    if (failed != 0) {
        close(pair[0]);
        close(errors[0]);
        attempt.whyNot = std::string("pkexec cannot be started: ") + std::strerror(failed);
        return attempt;
    }

    const std::string refusal = AwaitGreeting(pair[0]);
    if (refusal.empty()) {
        attempt.channel = HelperChannel(pair[0], pid, errors[0]);
        return attempt;
    }
    close(pair[0]);
    int status = -1;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string said = Drain(errors[0]);
    close(errors[0]);
    attempt.whyNot = refusal == EndedSilently ? PkexecFailure(status, said) : refusal;
    return attempt;
}

std::string PkexecFailure(int waitStatus, const std::string& said)
{
    // pkexec's own statuses: 126 when the dialog was dismissed, 127 when it could not
    // authorise or run the program; its words tell which.
    const bool exited = WIFEXITED(waitStatus);
    if (exited && WEXITSTATUS(waitStatus) == 126)
        return "the administrator's password was not given";
    if (said.find("No authentication agent found") != std::string::npos)
        return "no polkit authentication agent runs in this session to ask for the password";
    if (said.find("Cannot run program") != std::string::npos || said.find("No such file") != std::string::npos)
        return "pkexec could not run the helper: " + said.substr(0, said.find('\n'));
    if (exited && WEXITSTATUS(waitStatus) == 127)
        return "not authorised (a wrong password, or a polkit rule refuses it)";
    if (!said.empty())
        return said.substr(0, said.find('\n'));
    return EndedSilently;
}
