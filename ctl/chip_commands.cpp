#include "chip_commands.h"

#include "command_table.h"
#include "config_access.h"
#include "dimm_decoder.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "hex_text.h"
#include "interruption.h"
#include "json_output.h"
#include "profile.h"
#include "register_dump.h"
#include "shell_word.h"

#include <algorithm>
#include <map>

namespace {

// Text columns on a terminal: UTF-8 continuation bytes take none.
size_t DisplayWidth(const std::string& text)
{
    size_t width = 0;
    for (char c : text)
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

// "nothing written: ...", for set without --force: try is the safe way for all but a lock,
// which no undo takes back. The try it suggests goes the same route to the same chip.
std::string ForceNeeded(const Invocation& call, const std::vector<FieldSetting>& risky)
{
    std::string tryable;
    for (const FieldSetting& setting : risky)
        if (!LocksOthers(*setting.field))
            tryable += " " + ShellWord(FieldKey(*setting.field) + "=" + ValueWord(*setting.field, setting.state));
    std::string text = "nothing written: set gives the chip a value with a warning only with --force";
    if (tryable.empty())
        return text;
    std::string command = ProgramName;
    for (const std::string& arg : call.routeArgs)
        command += " " + ShellWord(arg);
    return text + "; the safe way to find out is " + command + " try" + tryable +
           ", which puts the old values back unless you type yes";
}

}  // namespace

std::string ChipSummary::Mode() const { return ModeText(gfxMode, agpAt3v3); }

ChipSummary ReadSummary(ConfigAccess& chip)
{
    using namespace Fields;
    RequireI815(chip);
    ChipSummary summary;
    summary.identity = chip.Read(Identity.dword);
    summary.revision = FieldValue(Revision, chip.Read(Revision.dword));
    const uint32_t gmchcfg = chip.Read(GfxMode.dword);
    summary.gfxMode = DecodeFlag(GfxMode, gmchcfg);
    summary.agpAt3v3 = !summary.gfxMode && DecodeFlag(AgpSignalling, chip.Read(AgpSignalling.dword));
    summary.memoryAt133 = DecodeFlag(MemoryFrequency, gmchcfg);
    summary.dimmCodes[0] = FieldValue(Dimm0Population, gmchcfg);
    summary.dimmCodes[1] = FieldValue(Dimm1Population, gmchcfg);
    summary.dimmCodes[2] = FieldValue(Dimm2Population, chip.Read(Dimm2Population.dword));
    return summary;
}

void ShowChip(ConfigAccess& chip, std::ostream& out)
{
    const ChipSummary summary = ReadSummary(chip);
    out << "Chipset: Intel i815 (" << VendorDevice(summary.identity) << "), revision " << summary.revision << "\n";
    out << "Mode: " << summary.Mode() << "\n";
    out << "Memory: " << MemoryClockText(summary.memoryAt133) << "\n";
    for (int socket = 0; socket < 3; ++socket)
        out << "DIMM " << socket << " Population:\n" << DescribeDimm(summary.dimmCodes[socket]);
    out << "\n";

    // Key, value and bits in columns; the bits' column is placed for the values that leave it
    // room within 80 columns.
    const size_t lineWidth = 80;
    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    size_t keyWidth = 0, bitsWidth = 0, valueWidth = 0;
    for (const Field* field : TunableFields()) {
        keyWidth = std::max(keyWidth, FieldKey(*field).size());
        bitsWidth = std::max(bitsWidth, RawBits(*field, 0).size() + 2);
    }
    const size_t room = lineWidth - (keyWidth + 2) - 2 - bitsWidth;
    for (const Field* field : TunableFields()) {
        const size_t width = DisplayWidth(FieldValueText(*field, dwords.at(field->dword)));
        if (width <= room)
            valueWidth = std::max(valueWidth, width);
    }
    for (const Field* field : TunableFields()) {
        const uint32_t dword = dwords.at(field->dword);
        const std::string key = FieldKey(*field), value = FieldValueText(*field, dword);
        const std::string bits = "[" + RawBits(*field, dword) + "]";
        out << key << std::string(keyWidth + 2 - key.size(), ' ') << value;
        if (DisplayWidth(value) > valueWidth)
            out << "\n" << std::string(keyWidth + 2 + valueWidth + 2, ' ') << bits << "\n";
        else
            out << std::string(valueWidth + 2 - DisplayWidth(value), ' ') << bits << "\n";
    }
}

std::vector<const Field*> FieldsOf(const std::vector<std::string>& keys)
{
    std::vector<const Field*> fields;
    for (const std::string& key : keys)
        fields.push_back(&SettingOf(key));
    return fields;
}

void GetFields(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out, bool keyed)
{
    RequireI815(chip);
    for (const Field* field : fields)
        out << (keyed ? FieldKey(*field) + "=" : "") << FieldValueText(*field, chip.Read(field->dword)) << "\n";
}

std::string FormatDump(ConfigAccess& chip)
{
    ConfigSpace space{};
    for (uint32_t offset = 0; offset < space.size(); offset += 4) {
        const uint32_t value = chip.Read(offset);
        for (uint32_t i = 0; i < 4; ++i)
            space[offset + i] = uint8_t(value >> (8 * i));
    }
    return FormatRegisterDump(space, HostBridgeHeader(space));
}

int ShowCommand(Invocation& call)
{
    if (call.Flag("--json"))
        ShowChipJson(call.Chip(false), call.out);
    else
        ShowChip(call.Chip(false), call.out);
    return ExitNormal;
}

int GetCommand(Invocation& call)
{
    const bool all = call.args.empty();
    const std::vector<const Field*> fields = all ? TunableFields() : FieldsOf(call.args);
    if (call.Flag("--json"))
        GetFieldsJson(call.Chip(false), fields, call.out);
    else
        GetFields(call.Chip(false), fields, call.out, all);
    return ExitNormal;
}

int SetCommand(Invocation& call)
{
    const bool force = call.Flag("--force");
    const std::vector<FieldSetting> wanted = ParseAssignments(call.args);
    ConfigAccess& chip = call.Chip(true);
    RequireI815(chip);
    const std::vector<FieldSetting> changes = PlanChanges(chip, wanted);
    std::vector<FieldSetting> risky;
    for (const FieldSetting& change : changes) {
        if (RiskLine(change).empty())
            continue;
        call.Warnings()(change);
        risky.push_back(change);
    }
    if (!risky.empty() && !force)
        throw StatusError(ExitBadInput, ForceNeeded(call, risky));
    WriteSettings(chip, changes, wanted, call.stop, call.Flag("--verbose") ? &call.out : nullptr);
    return ExitNormal;
}

int DumpCommand(Invocation& call)
{
    const std::string text = FormatDump(call.Chip(false));
    if (call.args.empty() || call.args.front() == "-")
        call.out << text;
    else
        WriteProfileFile(call.args.front(), text);
    return ExitNormal;
}
