#include "field_settings.h"

#include "config_access.h"
#include "echoed_text.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "hex_text.h"

#include <algorithm>
#include <cctype>

namespace {

const char NotAnI815[] = "Not an i815 Chipset.";

}  // namespace

const Field& SettingOf(const std::string& given)
{
    if (const Field* field = FieldForKey(given))
        return *field;
    std::string keys;
    for (const Field* f : TunableFields())
        keys += (keys.empty() ? "" : " ") + FieldKey(*f);
    throw BadValue("unknown setting \"" + Echoed(given) + "\"; the settings are: " + keys);
}

std::vector<FieldSetting> ParseAssignments(const std::vector<std::string>& assignments)
{
    std::vector<FieldSetting> wanted;
    for (const std::string& assignment : assignments) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            throw BadValue("\"" + Echoed(assignment) + "\" is not KEY=VALUE");
        const Field& field = SettingOf(assignment.substr(0, equals));
        for (const FieldSetting& earlier : wanted)
            if (earlier.field == &field)
                throw BadValue(FieldKey(field) + " is given twice");
        wanted.push_back({&field, ParseFieldValue(field, assignment.substr(equals + 1))});
    }
    return wanted;
}

void RequireI815(ConfigAccess& chip)
{
    const uint32_t identity = chip.Read(Fields::Identity.dword);
    if (identity != HostBridgeId)
        throw StatusError(ExitBadInput, std::string(NotAnI815) + " The host bridge 00:00.0 is " + VendorDevice(identity) +
                                            "; an i815's is " + VendorDevice(HostBridgeId) + ".");
}

std::string VendorDevice(uint32_t identity) { return Hex(identity, 4) + ":" + Hex(identity >> 16, 4); }

std::string RiskLine(const FieldSetting& setting)
{
    const char* warning = RiskWarning(*setting.field, setting.state);
    return warning ? FieldKey(*setting.field) + " = " + StateText(*setting.field, setting.state) + ": " + warning : "";
}

std::map<uint32_t, uint32_t> ReadSettingDwords(ConfigAccess& chip)
{
    std::map<uint32_t, uint32_t> dwords;
    for (const Field* field : TunableFields())
        if (!dwords.count(field->dword))
            dwords[field->dword] = chip.Read(field->dword);
    return dwords;
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
        if (lock && DecodeFlag(*lock, dwords.at(lock->dword)))
            throw StatusError(ExitFailure, LockName(*lock) + " (" + FieldKey(*lock) + ") is set, so " +
                                               FieldKey(*change.field) +
                                               " cannot change until the machine is reset; nothing was written");
    }
    return changes;
}

void WriteSettings(ConfigAccess& chip, const std::vector<FieldSetting>& changes,
                   const std::vector<FieldSetting>& wanted, const StopSignal* stop, std::ostream* log, int* writes)
{
    std::string applied;
    auto stopBefore = [&](size_t i, const std::string& why) {
        std::string rest;
        for (size_t j = i; j < changes.size(); ++j)
            rest += (j > i ? ", " : "") + FieldKey(*changes[j].field);
        throw StatusError(ExitFailure, why + ": " + (applied.empty() ? "nothing applied" : "applied " + applied) +
                                           "; not applied: " + rest);
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        const FieldSetting& change = changes[i];
        if (stop && *stop)
            stopBefore(i, "interrupted by signal " + std::to_string(*stop));
        if (log) {
            *log << ChangeText(change, chip.Read(change.field->dword)) << std::endl;
            // Nothing is written that the log could not announce (a full disk, a reader gone).
            if (!*log)
                stopBefore(i, "stopped, as the output failed");
        }
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

void SetFields(ConfigAccess& chip, const std::vector<FieldSetting>& wanted, const StopSignal* stop)
{
    RequireI815(chip);
    WriteSettings(chip, PlanChanges(chip, wanted), wanted, stop);
}

std::string ChangeText(const FieldSetting& change, uint32_t dword)
{
    return FieldKey(*change.field) + ": " + FieldValueText(*change.field, dword) + " -> " +
           StateText(*change.field, change.state);
}

std::string LockName(const Field& lock)
{
    std::string name = "the " + FieldCaption(lock);
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}
