#include "helper_session.h"

#include "config_access.h"
#include "config_lock.h"
#include "field_map.h"
#include "write_all_posix.h"

#include <cerrno>
#include <exception>

#include <unistd.h>

namespace {

std::string Dword(uint32_t offset) { return "dword 0x" + HexByte(offset); }

// Multi-bit lists hold values that no item has (AGPMODE 3, 5, 6, 7): never written.
std::optional<std::string> IllegalValue(const Field& field, uint32_t bits)
{
    if (field.kind == FieldKind::Choice && DecodeChoice(field, bits) == NoPosition)
        return "the value " + std::to_string(FieldValue(field, bits)) + " of " + field.name + " is illegal";
    return std::nullopt;
}

}  // namespace

HelperSession::HelperSession(ConfigAccess& chip, Log log) : chip_(chip), log_(std::move(log)) {}

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
    if (!IsI815())
        return std::string("the host bridge is not an i815");
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
    case HelperRequest::Modify:
        return "ok " + HexWord(chip_.Modify(request.offset, request.mask, request.bits));
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
            log_("refused \"" + line.substr(0, HelperLineLimit) + "\": " + *refusal);
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
            log_("refused a line of more than " + std::to_string(HelperLineLimit) + " bytes");
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
    if (saved_ && !restored_) {
        try {
            chip_.RestorePorts();
            restored_ = true;
        } catch (const std::exception& failure) {
            log_(std::string("could not restore the address port: ") + failure.what());
        }
    }
}

int ServeHelper(int in, int out, HelperSession& session)
{
    char buffer[512];
    int status = 0;
    for (;;) {
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            status = got < 0 ? 1 : 0;
            break;
        }
        const std::string replies = session.Receive(buffer, size_t(got));
        if (!WriteAll(out, replies.data(), replies.size())) {
            status = 1;
            break;
        }
    }
    session.End();
    return status;
}
