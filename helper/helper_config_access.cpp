#include "helper_config_access.h"

#include "config_lock.h"
#include "helper_protocol.h"
#include "write_all_posix.h"

#include <cerrno>
#include <stdexcept>

#include <sys/socket.h>

namespace {

constexpr const char* Gone = "The helper for the chip has ended unexpectedly";
constexpr const char* Nonsense = "The helper for the chip answers nonsense";

std::string After(const std::string& reply, size_t from) { return reply.size() > from ? reply.substr(from) : ""; }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

uint32_t Value(const std::string& words)
{
    if (const auto value = ParseHex(words, 8))
        return *value;
    throw std::runtime_error(std::string(Nonsense) + ": " + words);
}

}  // namespace

HelperConfigAccess::HelperConfigAccess(HelperChannel channel) : channel_(std::move(channel)) {}

HelperConfigAccess::HelperConfigAccess(int socket) : channel_(socket, -1, -1) {}

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
        const ssize_t got = recv(channel_.socket(), buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error(Gone);
        received_.append(buffer, size_t(got));
        if (received_.size() > 4096)
            throw std::runtime_error(Nonsense);
    }
}

std::string HelperConfigAccess::Ask(const std::string& request)
{
    if (!channel_.open())
        throw std::runtime_error(Gone);
    const std::string line = request + "\n";
    if (!WriteAll(channel_.socket(), line.data(), line.size()))
        throw std::runtime_error(Gone);
    const std::string reply = ReadLine();
    if (reply == "ok" || StartsWith(reply, "ok "))
        return After(reply, 3);
    if (StartsWith(reply, "refused "))
        throw std::logic_error("The helper refused \"" + request + "\": " + After(reply, 8));
    if (StartsWith(reply, "busy "))
        throw ConfigLockBusy(After(reply, 5));
    if (StartsWith(reply, "failed "))
        throw std::runtime_error(After(reply, 7));
    throw std::runtime_error(std::string(Nonsense) + ": " + reply);
}

uint32_t HelperConfigAccess::ReadDword(uint32_t offset)
{
    return Value(Ask(FormatHelperRequest({HelperRequest::Read, offset})));
}

void HelperConfigAccess::WriteDword(uint32_t, uint32_t)
{
    throw std::logic_error("The helper makes no plain configuration writes");
}

uint32_t HelperConfigAccess::Modify(uint32_t offset, uint32_t mask, uint32_t bits)
{
    return Value(Ask(FormatHelperRequest({HelperRequest::Modify, offset, mask, bits})));
}

void HelperConfigAccess::SavePorts() { Ask(FormatHelperRequest({HelperRequest::Save})); }

void HelperConfigAccess::RestorePorts() { Ask(FormatHelperRequest({HelperRequest::Restore})); }
