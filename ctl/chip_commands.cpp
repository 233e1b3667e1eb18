#include "chip_commands.h"

#include "config_access.h"
#include "ctl_error.h"
#include "dimm_decoder.h"
#include "field_map.h"
#include "field_values.h"
#include "interruption.h"
#include "register_dump.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

const char NotAnI815[] = "Not an i815 Chipset.";

std::string Hex4(uint32_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", unsigned(value & 0xFFFF));
    return text;
}

const Field& FieldOf(const std::string& given)
{
    if (const Field* field = FieldForKey(given))
        return *field;
    std::string keys;
    for (const Field* f : TunableFields())
        keys += (keys.empty() ? "" : " ") + FieldKey(*f);
    throw CtlError(CtlBadInput, "unknown setting \"" + given + "\"; the settings are: " + keys);
}

bool IsThrottleLimit(const Field& field) { return &field == &Fields::RDTHR || &field == &Fields::WRTHR; }

}  // namespace

std::map<uint32_t, uint32_t> ReadSettingDwords(ConfigAccess& chip)
{
    std::map<uint32_t, uint32_t> dwords;
    for (const Field* field : TunableFields())
        if (!dwords.count(field->dword))
            dwords[field->dword] = chip.Read(field->dword);
    return dwords;
}

void RequireI815(ConfigAccess& chip)
{
    if (chip.Read(Fields::Identity.dword) != HostBridgeId)
        throw CtlError(CtlBadInput, NotAnI815);
}

void ShowChip(ConfigAccess& chip, std::ostream& out)
{
    using namespace Fields;
    const uint32_t identity = chip.Read(Identity.dword);
    if (identity != HostBridgeId)
        throw CtlError(CtlBadInput, NotAnI815);
    const uint32_t gmchcfg = chip.Read(GfxMode.dword);
    std::string mode = "AGP mode 1.5V";
    if (DecodeFlag(GfxMode, gmchcfg))
        mode = "GFX mode";
    else if (DecodeFlag(AgpSignalling, chip.Read(AgpSignalling.dword)))
        mode = "AGP mode 3.3V";

    out << "Chipset: Intel i815 (" << Hex4(identity) << ":" << Hex4(identity >> 16) << "), revision "
        << FieldValue(Revision, chip.Read(Revision.dword)) << "\n";
    out << "Mode: " << mode << "\n";
    out << "Memory: " << (DecodeFlag(MemoryFrequency, gmchcfg) ? "133 Mhz Operation" : "100 Mhz Operation")
        << "\n";
    out << "DIMM 0 Population:\n" << DescribeDimm(FieldValue(Dimm0Population, gmchcfg));
    out << "DIMM 1 Population:\n" << DescribeDimm(FieldValue(Dimm1Population, gmchcfg));
    out << "DIMM 2 Population:\n"
        << DescribeDimm(FieldValue(Dimm2Population, chip.Read(Dimm2Population.dword)));
    out << "\n";

    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    size_t keyWidth = 0, valueWidth = 0;
    for (const Field* field : TunableFields()) {
        keyWidth = std::max(keyWidth, FieldKey(*field).size());
        valueWidth = std::max(valueWidth, DisplayWidth(FieldValueText(*field, dwords.at(field->dword))));
    }
    for (const Field* field : TunableFields()) {
        const uint32_t dword = dwords.at(field->dword);
        const std::string key = FieldKey(*field), value = FieldValueText(*field, dword);
        out << key << std::string(keyWidth + 2 - key.size(), ' ') << value
            << std::string(valueWidth + 2 - DisplayWidth(value), ' ') << "[" << RawBits(*field, dword) << "]\n";
    }
}

void GetFields(ConfigAccess& chip, const std::vector<std::string>& keys, std::ostream& out)
{
    if (keys.empty())
        throw CtlError(CtlBadInput, "get needs at least one KEY");
    std::vector<const Field*> fields;
    for (const std::string& key : keys)
        fields.push_back(&FieldOf(key));
    RequireI815(chip);
    for (const Field* field : fields)
        out << FieldValueText(*field, chip.Read(field->dword)) << "\n";
}

std::vector<FieldSetting> PlanChanges(ConfigAccess& chip, const std::vector<FieldSetting>& wanted)
{
    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    std::vector<FieldSetting> changes;
    for (const FieldSetting& setting : wanted)
        if (FieldState(*setting.field, dwords.at(setting.field->dword)) != setting.state)
            changes.push_back(setting);
    std::stable_sort(changes.begin(), changes.end(), [](const FieldSetting& a, const FieldSetting& b) {
        return a.field != &Fields::THRLOCK && b.field == &Fields::THRLOCK;
    });

    if (DecodeFlag(Fields::THRLOCK, dwords.at(Fields::THRLOCK.dword))) {
        for (const FieldSetting& change : changes)
            if (IsThrottleLimit(*change.field))
                throw CtlError(CtlFailed, "the throttle lock (thrlock) is set, so " + FieldKey(*change.field) +
                                              " cannot change until the machine is reset; nothing was written");
    }
    return changes;
}

std::string ChangeText(const FieldSetting& change, uint32_t dword)
{
    return FieldKey(*change.field) + ": " + FieldValueText(*change.field, dword) + " -> " +
           StateText(*change.field, change.state);
}

void WriteSettings(ConfigAccess& chip, const std::vector<FieldSetting>& changes,
                   const std::vector<FieldSetting>& wanted, std::ostream* log, int* writes)
{
    std::string applied;
    for (size_t i = 0; i < changes.size(); ++i) {
        const FieldSetting& change = changes[i];
        if (Interrupted()) {
            std::string rest;
            for (size_t j = i; j < changes.size(); ++j)
                rest += (j > i ? ", " : "") + FieldKey(*changes[j].field);
            throw CtlError(CtlFailed, "interrupted by signal " + std::to_string(InterruptingSignal()) + ": " +
                                          (applied.empty() ? "nothing applied" : "applied " + applied) +
                                          "; not applied: " + rest);
        }
        if (log)
            *log << ChangeText(change, chip.Read(change.field->dword)) << std::endl;
        const FieldWrite write = EncodeFieldWrite(*change.field, change.state);
        if (writes)
            ++*writes;
        chip.Modify(change.field->dword, write.mask, write.bits);
        applied += (applied.empty() ? "" : ", ") + FieldKey(*change.field);
    }
    std::string refused;
    for (const FieldSetting& setting : wanted) {
        const uint32_t now = chip.Read(setting.field->dword);
        if (FieldState(*setting.field, now) != setting.state)
            refused += (refused.empty() ? "" : ", ") + FieldKey(*setting.field) + " = " +
                       StateText(*setting.field, setting.state) + " (reads " + FieldValueText(*setting.field, now) + ")";
    }
    if (!refused.empty())
        throw CtlError(CtlFailed, "the chip did not take " + refused);
}

void SetFields(ConfigAccess& chip, const std::vector<std::string>& assignments)
{
    if (assignments.empty())
        throw CtlError(CtlBadInput, "set needs at least one KEY=VALUE");
    const std::vector<FieldSetting> wanted = ParseAssignments(assignments);
    RequireI815(chip);
    WriteSettings(chip, PlanChanges(chip, wanted), wanted);
}

std::vector<FieldSetting> ParseAssignments(const std::vector<std::string>& assignments)
{
    std::vector<FieldSetting> wanted;
    for (const std::string& assignment : assignments) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            throw CtlError(CtlBadInput, "\"" + assignment + "\" is not KEY=VALUE");
        const Field& field = FieldOf(assignment.substr(0, equals));
        for (const FieldSetting& earlier : wanted)
            if (earlier.field == &field)
                throw CtlError(CtlBadInput, FieldKey(field) + " is given twice");
        try {
            wanted.push_back({&field, ParseFieldValue(field, assignment.substr(equals + 1))});
        } catch (const BadValue& bad) {
            throw CtlError(CtlBadInput, bad.what());
        }
    }
    return wanted;
}

void DumpChip(ConfigAccess& chip, std::ostream& out)
{
    ConfigSpace space{};
    for (uint32_t offset = 0; offset < space.size(); offset += 4) {
        const uint32_t value = chip.Read(offset);
        for (uint32_t i = 0; i < 4; ++i)
            space[offset + i] = uint8_t(value >> (8 * i));
    }
    out << FormatRegisterDump(space, HostBridgeHeader(space));
}
