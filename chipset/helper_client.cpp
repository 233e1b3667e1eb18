#include "helper_client.h"

#include "access_refused.h"
#include "helper_protocol.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* EndedSilently = "it ended without a word";

std::string After(const std::string& reply, size_t from) { return reply.size() > from ? reply.substr(from) : ""; }

}  // namespace

HelperConfigAccess::HelperConfigAccess(Paths paths) : paths_(std::move(paths)) {}

HelperConfigAccess::HelperConfigAccess(int socket) : socket_(socket) {}

HelperConfigAccess::~HelperConfigAccess() { Stop(); }

int HelperConfigAccess::Stop()
{
    if (socket_ >= 0)
        close(socket_);
    socket_ = -1;
    received_.clear();
    int status = -1;
    if (child_ > 0) {
        while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    child_ = -1;
    return status;
}

std::string HelperConfigAccess::TryStart(const std::vector<std::string>& argv)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return std::string("no socket pair: ") + std::strerror(errno);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    char* noEnvironment[] = {nullptr};
    // pkexec needs the session's environment to find its agent; the helper itself gets none.
    extern char** environ;
    char** environment = argv.size() > 1 ? environ : noEnvironment;

    pid_t pid;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    if (failed != 0) {
        close(pair[0]);
        return failed == ENOENT ? std::string("it is not installed") : std::string(std::strerror(failed));
    }
    socket_ = pair[0];
    child_ = pid;

    std::string greeting;
    try {
        greeting = ReadLine();
    } catch (const std::exception&) {
        greeting.clear();
    }
    if (greeting == HelperReady)
        return {};

    const int status = Stop();
    const std::string prefix = HelperRefusedPrefix;
    if (greeting.compare(0, prefix.size(), prefix) == 0)
        return greeting.substr(prefix.size());
    // pkexec's own statuses: 126 when the password dialog was dismissed, 127 when no one could
    // be asked (no authentication agent) or the authentication failed.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126)
        return "the administrator's password was not given";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        return "not authorised (no authentication agent, or a wrong password)";
    return EndedSilently;
}

void HelperConfigAccess::Connect()
{
    if (socket_ >= 0)
        return;
    const std::string direct = TryStart({paths_.helper});
    if (direct.empty())
        return;
    std::string throughPkexec = "pkexec is not installed";
    if (!paths_.pkexec.empty() && access(paths_.pkexec.c_str(), X_OK) == 0) {
        throughPkexec = TryStart({paths_.pkexec, paths_.helper});
        if (throughPkexec.empty())
            return;
    }
    throw AccessRefused(
        "Access to the PCI configuration ports needs privilege, which the window never holds. "
        "Its helper " + paths_.helper + " could not get it. Started as it is: " + direct +
            "; through pkexec: " + throughPkexec +
            ". Either confirm with the administrator's password when pkexec asks, or let an "
            "administrator give the helper cap_sys_rawio for a group (see README), or start the "
            "window as root",
        EPERM);
}

std::string HelperConfigAccess::ReadLine()
{
    for (;;) {
        const size_t end = received_.find('\n');
        if (end != std::string::npos) {
            std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            return line;
        }
        char buffer[256];
        const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("The helper for the configuration ports has ended unexpectedly");
        received_.append(buffer, size_t(got));
        if (received_.size() > 4096)
            throw std::runtime_error("The helper for the configuration ports answers nonsense");
    }
}

std::string HelperConfigAccess::Ask(const std::string& request)
{
    Connect();
    const std::string line = request + "\n";
    size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = send(socket_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("The helper for the configuration ports has ended unexpectedly");
        sent += size_t(n);
    }
    const std::string reply = ReadLine();
    if (reply == "ok" || reply.compare(0, 3, "ok ") == 0)
        return After(reply, 3);
    if (reply.compare(0, 8, "refused ") == 0)
        throw std::logic_error("The helper refused \"" + request + "\": " + After(reply, 8));
    if (reply.compare(0, 7, "failed ") == 0)
        throw std::runtime_error(After(reply, 7));
    throw std::runtime_error("The helper for the configuration ports answers nonsense: " + reply);
}

namespace {

uint32_t Value(const std::string& words, size_t at = 0)
{
    if (words.size() >= at + 8)
        if (const auto value = ParseHex(words.substr(at, 8), 8))
            return *value;
    throw std::runtime_error("The helper for the configuration ports answers nonsense: " + words);
}

}  // namespace

uint32_t HelperConfigAccess::Read(uint32_t offset)
{
    return Value(Ask(FormatHelperRequest({HelperRequest::Read, offset})));
}

void HelperConfigAccess::Write(uint32_t, uint32_t)
{
    throw std::logic_error("The helper makes no plain configuration writes");
}

uint32_t HelperConfigAccess::Modify(uint32_t offset, uint32_t mask, uint32_t bits)
{
    return Value(Ask(FormatHelperRequest({HelperRequest::Modify, offset, mask, bits})));
}

void HelperConfigAccess::SavePorts()
{
    const std::string words = Ask(FormatHelperRequest({HelperRequest::Save}));
    SavedConfigAddress = Value(words, 0);
    SavedConfigData = Value(words, 9);
}

void HelperConfigAccess::RestorePorts() { Ask(FormatHelperRequest({HelperRequest::Restore})); }
