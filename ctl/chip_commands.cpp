#include "chip_commands.h"

#include "config_access.h"
#include "dimm_decoder.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "hex_text.h"
#include "interruption.h"
#include "register_dump.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

const char NotAnI815[] = "Not an i815 Chipset.";

// Text columns on a terminal: UTF-8 continuation bytes take none.
size_t DisplayWidth(const std::string& text)
{
    size_t width = 0;
    for (char c : text)
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

const Field& FieldOf(const std::string& given)
{
    if (const Field* field = FieldForKey(given))
        return *field;
    std::string keys;
    for (const Field* f : TunableFields())
        keys += (keys.empty() ? "" : " ") + FieldKey(*f);
    throw StatusError(ExitBadInput, "unknown setting \"" + given + "\"; the settings are: " + keys);
}

}  // namespace

std::string LockName(const Field& lock)
{
    std::string name = "the " + FieldCaption(lock);
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

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
        throw StatusError(ExitBadInput, NotAnI815);
}

void ShowChip(ConfigAccess& chip, std::ostream& out)
{
    using namespace Fields;
    const uint32_t identity = chip.Read(Identity.dword);
    if (identity != HostBridgeId)
        throw StatusError(ExitBadInput, NotAnI815);
    const uint32_t gmchcfg = chip.Read(GfxMode.dword);
    std::string mode = "AGP mode 1.5V";
    if (DecodeFlag(GfxMode, gmchcfg))
        mode = "GFX mode";
    else if (DecodeFlag(AgpSignalling, chip.Read(AgpSignalling.dword)))
        mode = "AGP mode 3.3V";

    out << "Chipset: Intel i815 (" << Hex(identity, 4) << ":" << Hex(identity >> 16, 4) << "), revision "
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

std::vector<const Field*> FieldsOf(const std::vector<std::string>& keys)
{
    if (keys.empty())
        throw StatusError(ExitBadInput, "get needs at least one KEY");
    std::vector<const Field*> fields;
    for (const std::string& key : keys)
        fields.push_back(&FieldOf(key));
    return fields;
}

void GetFields(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out)
{
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
    // A lock goes last: written first, it would freeze the fields that it locks.
    std::stable_sort(changes.begin(), changes.end(), [](const FieldSetting& a, const FieldSetting& b) {
        return !LocksOthers(*a.field) && LocksOthers(*b.field);
    });

    for (const FieldSetting& change : changes) {
        const Field* lock = change.field->lockedBy;
        if (lock && DecodeFlag(*lock, dwords.at(lock->dword))) {
            throw StatusError(ExitFailure, LockName(*lock) + " (" + FieldKey(*lock) + ") is set, so " +
                                               FieldKey(*change.field) +
                                               " cannot change until the machine is reset; nothing was written");
        }
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
            throw StatusError(ExitFailure, "interrupted by signal " + std::to_string(InterruptingSignal()) + ": " +
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
        throw StatusError(ExitFailure, "the chip did not take " + refused);
}

void SetFields(ConfigAccess& chip, const std::vector<FieldSetting>& wanted)
{
    RequireI815(chip);
    WriteSettings(chip, PlanChanges(chip, wanted), wanted);
}

std::vector<FieldSetting> ParseAssignments(const std::vector<std::string>& assignments)
{
    std::vector<FieldSetting> wanted;
    for (const std::string& assignment : assignments) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            throw StatusError(ExitBadInput, "\"" + assignment + "\" is not KEY=VALUE");
        const Field& field = FieldOf(assignment.substr(0, equals));
        for (const FieldSetting& earlier : wanted)
            if (earlier.field == &field)
                throw StatusError(ExitBadInput, FieldKey(field) + " is given twice");
        wanted.push_back({&field, ParseFieldValue(field, assignment.substr(equals + 1))});
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
