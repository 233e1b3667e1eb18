#include "chip_commands.h"

#include "config_access.h"
#include "dimm_decoder.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "hex_text.h"
#include "register_dump.h"

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

}  // namespace

void ShowChip(ConfigAccess& chip, std::ostream& out)
{
    using namespace Fields;
    RequireI815(chip);
    const uint32_t identity = chip.Read(Identity.dword);
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
    std::vector<const Field*> fields;
    for (const std::string& key : keys)
        fields.push_back(&SettingOf(key));
    return fields;
}

void GetFields(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out)
{
    RequireI815(chip);
    for (const Field* field : fields)
        out << FieldValueText(*field, chip.Read(field->dword)) << "\n";
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
