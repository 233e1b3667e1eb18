#include "driver_request.h"

#include "driver_fields.h"  // generated from the field table: DriverFields, DriverClearOnWrite, DriverHostBridgeId

namespace {

bool IsDword(uint32_t offset) { return offset % 4 == 0 && offset < 0x100; }

uint32_t SettingBits(uint32_t offset)
{
    uint32_t bits = 0;
    for (const DriverField& field : DriverFields)
        if (field.dword == offset)
            bits |= field.mask;
    return bits;
}

uint32_t ClearOnWrite(uint32_t offset)
{
    for (const DriverClearOnWriteBits& entry : DriverClearOnWrite)
        if (entry.dword == offset)
            return entry.bits;
    return 0;
}

bool IsLegal(const DriverField& field, uint32_t bits)
{
    const uint32_t value = (bits & field.mask) >> field.lowBit;
    return value < 256 && (field.legal[value / 32] >> (value % 32) & 1);
}

uint32_t Word(const void* buffer, int index) { return static_cast<const uint32_t*>(buffer)[index]; }

}  // namespace

Refusal ReadRefusal(uint32_t offset) { return IsDword(offset) ? Refusal::None : Refusal::NotADword; }

Refusal ModifyRefusal(const ModifyRequest& request)
{
    if (!IsDword(request.offset))
        return Refusal::NotADword;
    const uint32_t settings = SettingBits(request.offset);
    if (settings == 0)
        return Refusal::NoSetting;
    if (request.mask & ~settings)
        return Refusal::MaskBeyondSettings;
    if (request.bits & ~request.mask)
        return Refusal::BitsBeyondMask;
    for (const DriverField& field : DriverFields) {
        if (field.dword != request.offset || (request.mask & field.mask) == 0)
            continue;
        if ((request.mask & field.mask) != field.mask)
            return Refusal::MaskCutsSetting;
        if (!IsLegal(field, request.bits))
            return Refusal::IllegalValue;
    }
    return Refusal::None;
}

uint32_t ModifiedValue(uint32_t offset, uint32_t old, uint32_t mask, uint32_t bits)
{
    return ((old & ~mask) | (bits & mask)) & ~ClearOnWrite(offset);
}

// The input is read whole before the answer takes its place in the same buffer.
Outcome ServeRequest(uint32_t code, void* buffer, uint32_t inputSize, uint32_t outputSize)
{
    uint32_t answer = 0;
    if (code == ReadRequestCode) {
        if (inputSize != sizeof(ReadRequest) || outputSize != AnswerSize)
            return Outcome::WrongSize;
        const uint32_t offset = Word(buffer, 0);
        if (ReadRefusal(offset) != Refusal::None)
            return Outcome::Refused;
        if (!ReadChipDword(offset, &answer))
            return Outcome::NoConfigurationSpace;
    } else if (code == ModifyRequestCode) {
        if (inputSize != sizeof(ModifyRequest) || outputSize != AnswerSize)
            return Outcome::WrongSize;
        const ModifyRequest request{Word(buffer, 0), Word(buffer, 1), Word(buffer, 2)};
        if (ModifyRefusal(request) != Refusal::None)
            return Outcome::Refused;
        uint32_t identity = 0, old = 0;
        if (!ReadChipDword(0x00, &identity))
            return Outcome::NoConfigurationSpace;
        if (identity != DriverHostBridgeId)
            return Outcome::NotAnI815;
        if (!ReadChipDword(request.offset, &old))
            return Outcome::NoConfigurationSpace;
        answer = ModifiedValue(request.offset, old, request.mask, request.bits);
        if (!WriteChipDword(request.offset, answer))
            return Outcome::NoConfigurationSpace;
    } else {
        return Outcome::UnknownRequest;
    }
    *static_cast<uint32_t*>(buffer) = answer;
    return Outcome::Done;
}
