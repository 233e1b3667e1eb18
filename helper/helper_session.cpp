#include "helper_session.h"

#include "config_access.h"
#include "config_lock.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "write_all_posix.h"

#include <cerrno>
#include <chrono>
#include <exception>

#include <poll.h>
#include <unistd.h>

namespace {

std::string Dword(uint32_t offset) { return "dword 0x" + HexByte(offset); }

// Multi-bit lists hold values that no item has (AGPMODE 3, 5, 6, 7), and the AGP timers count
// in steps of 8 (bits 2-0 of each byte of 0xBC are reserved): neither is ever written.
std::optional<std::string> IllegalValue(const Field& field, uint32_t bits)
{
    const uint32_t value = FieldValue(field, bits);
    if (!IsLegalValue(field, value))
        return "the value " + std::to_string(value) + " of " + field.name + " is illegal";
    return std::nullopt;
}

}  // namespace

HelperSession::HelperSession(ConfigAccess& chip, Log log, HelperCaller caller)
    : chip_(chip), log_(std::move(log)), caller_(caller), refusals_(log_)
{
}

bool HelperSession::IsI815()
{
    if (!isI815_)
        isI815_ = chip_.Read(0x00) == HostBridgeId;
    return *isI815_;
}

std::optional<std::string> HelperSession::Refusal(const HelperRequest& request)
{
    switch (request.kind) {
    case HelperRequest::Save:
        if (saved_)
            return std::string("the ports have been saved already");
        return std::nullopt;
    case HelperRequest::Restore:
        if (!saved_ || restored_)
            return std::string(saved_ ? "the ports have been restored already" : "the ports have not been saved");
        return std::nullopt;
    case HelperRequest::Read:
        if (request.offset % 4 != 0)
            return "offset 0x" + HexByte(request.offset) + " is not the start of a dword";
        return std::nullopt;
    case HelperRequest::Modify:
        break;
    }

    const uint32_t offset = request.offset, mask = request.mask;
    if (offset % 4 != 0 || TunableBits(offset) == 0)
        return Dword(offset) + " holds no setting";
    if (mask & ~TunableBits(offset))
        return "the mask " + HexWord(mask) + " reaches beyond the settings of " + Dword(offset);
    if (request.bits & ~mask)
        return "the bits " + HexWord(request.bits) + " reach beyond the mask " + HexWord(mask);
    for (const Field* field : TunableFields()) {
        if (field->dword != offset || (mask & FieldMask(*field)) == 0)
            continue;
        if ((mask & FieldMask(*field)) != FieldMask(*field))
            return std::string("the mask cuts through ") + field->name;
        if (auto illegal = IllegalValue(*field, request.bits))
            return illegal;
    }
    if (auto warning = WarningRefusal(request))
        return warning;
    if (!IsI815())
        return std::string("the host bridge is not an i815");
    return std::nullopt;
}

// As i815ctl set asks for --force only for a change: the window writes a control's value back
// whenever a refresh sets it (as its original did), and the chip's own value is no risk taken.
// The chip is read outside the lock: only root could change the field in between, and then the
// member writes what the chip held a moment before.
std::optional<std::string> HelperSession::WarningRefusal(const HelperRequest& request)
{
    if (caller_.mayWriteWarnings)
        return std::nullopt;
    std::optional<uint32_t> now;
    for (const Field* field : TunableFields()) {
        if (field->dword != request.offset || (request.mask & FieldMask(*field)) == 0)
            continue;
        const int state = FieldState(*field, request.bits);
        const std::string risk = RiskLine({field, state});
        if (risk.empty())
            continue;
        if (!now)
            now = chip_.Read(request.offset);
        if (FieldState(*field, *now) != state)
            return risk +
                   "; a value with a warning is written for root alone (sudo i815ctl set --force, or the window "
                   "as root), unless the administrator lets the group i815quarvel write it (i815ctl(8))";
    }
    return std::nullopt;
}

std::string HelperSession::Execute(const HelperRequest& request)
{
    switch (request.kind) {
    case HelperRequest::Read: {
        const uint32_t value = chip_.Read(request.offset);
        if (request.offset == 0x00)
            isI815_ = value == HostBridgeId;
        return "ok " + HexWord(value);
    }
    case HelperRequest::Modify: {
        const uint32_t written = chip_.Modify(request.offset, request.mask, request.bits);
        log_("user " + std::to_string(caller_.uid) + " wrote " + HexWord(written) + " to " + Dword(request.offset) +
             " (mask " + HexWord(request.mask) + ", bits " + HexWord(request.bits) + ")");
        return "ok " + HexWord(written);
    }
    case HelperRequest::Save:
        chip_.SavePorts();
        saved_ = true;
        return "ok";  // never the ports' values: the data port holds another device's register
    case HelperRequest::Restore:
        chip_.RestorePorts();
        restored_ = true;
        return "ok";
    }
    return "failed";
}

std::string HelperSession::Handle(const std::string& line)
{
    const std::optional<HelperRequest> request = ParseHelperRequest(line);
    try {
        std::optional<std::string> refusal =
            request ? Refusal(*request) : std::optional<std::string>("not a request");
        if (refusal) {
            refusals_.Refused("refused \"" + line.substr(0, HelperLineLimit) + "\" of user " +
                              std::to_string(caller_.uid) + ": " + *refusal);
            return "refused " + *refusal;
        }
        return Execute(*request);
    } catch (const ConfigLockBusy& busy) {
        return std::string("busy ") + busy.what();
    } catch (const std::exception& failure) {
        return std::string("failed ") + failure.what();
    }
}

std::string HelperSession::Receive(const char* data, size_t size)
{
    std::string replies;
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\n') {
            if (!discarding_)
                pending_ += c;
            if (pending_.size() > HelperLineLimit) {
                pending_.clear();
                discarding_ = true;
            }
            continue;
        }
        if (discarding_) {
            refusals_.Refused("refused a line of more than " + std::to_string(HelperLineLimit) + " bytes of user " +
                              std::to_string(caller_.uid));
            replies += "refused not a request\n";
            discarding_ = false;
        } else {
            replies += Handle(pending_) + "\n";
            pending_.clear();
        }
    }
    return replies;
}

void HelperSession::End()
{
    refusals_.End();
    if (saved_ && !restored_) {
        try {
            chip_.RestorePorts();
            restored_ = true;
        } catch (const std::exception& failure) {
            log_(std::string("could not restore the address port: ") + failure.what());
        }
    }
}

std::string HelperSession::IdleEnd(int seconds)
{
    const std::string limit = std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    log_("closed the connection of user " + std::to_string(caller_.uid) + " after " + limit + " without a request");
    return "failed The helper closed the connection after " + limit + " without a request";
}

// Only a whole request counts as activity: a caller that sends a byte now and then still
// frees its connection after the limit.
int ServeHelper(int in, int out, HelperSession& session, int idleSeconds)
{
    using Clock = std::chrono::steady_clock;
    char buffer[512];
    int status = 0;
    Clock::time_point lastRequest = Clock::now();
    for (;;) {
        if (idleSeconds > 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                lastRequest + std::chrono::seconds(idleSeconds) - Clock::now());
            pollfd wait{in, POLLIN, 0};
            const int ready = left.count() > 0 ? poll(&wait, 1, int(left.count())) : 0;
            if (ready < 0 && errno != EINTR) {
                status = 1;
                break;
            }
            if (ready == 0 && Clock::now() - lastRequest >= std::chrono::seconds(idleSeconds)) {
                const std::string last = session.IdleEnd(idleSeconds) + "\n";
                WriteAll(out, last.data(), last.size());
                break;
            }
            if (ready <= 0)
                continue;
        }
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            status = got < 0 ? 1 : 0;
            break;
        }
        const std::string replies = session.Receive(buffer, size_t(got));
        if (!replies.empty())
            lastRequest = Clock::now();
        if (!WriteAll(out, replies.data(), replies.size())) {
            status = 1;
            break;
        }
    }
    session.End();
    return status;
}
