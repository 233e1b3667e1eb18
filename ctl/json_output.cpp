#include "json_output.h"

#include "chip_commands.h"
#include "config_access.h"
#include "dimm_decoder.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "hex_text.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

// One side of a module; a back side without devices is null.
Json Side(uint32_t devices, uint32_t depth, uint32_t width, uint32_t bank, uint32_t column)
{
    if (devices == 0)
        return nullptr;
    return Json{{"devices", devices}, {"device_mbit", depth * width}, {"depth_mwords", depth},
                {"width_bits", width},  {"bank_bits", bank},           {"column_bits", column}};
}

// A socket: its code and every organisation of module that gives it (none for an empty socket
// or an unknown code).
Json Dimm(int socket, uint32_t code)
{
    Json layouts = Json::array();
    for (const DimmLayout& row : DimmLayoutTable) {
        if (row.code != code)
            continue;
        layouts.push_back(Json{
            {"size_mb", row.size},
            {"row_bits", row.row},
            {"front", Side(row.frontDevices, row.frontDepth, row.frontWidth, row.bank, row.column)},
            {"back", Side(row.backDevices, row.backDepth, row.backWidth, row.altBank ? row.altBank : row.bank,
                          row.altColumn ? row.altColumn : row.column)}});
    }
    return Json{{"socket", socket}, {"code", code}, {"empty", code == 0}, {"layouts", layouts}};
}

// A setting: its key and caption, its value in words and as a check box state, a list position
// or a number, and where it sits in the chip with what the chip holds there.
Json Setting(const Field& field, uint32_t dword)
{
    Json json{{"key", FieldKey(field)}, {"caption", FieldCaption(field)}};
    switch (field.kind) {
    case FieldKind::Flag:
        json["kind"] = "flag";
        json["value"] = FieldValueText(field, dword);
        json["on"] = DecodeFlag(field, dword);
        break;
    case FieldKind::Choice: {
        json["kind"] = "list";
        json["value"] = FieldValueText(field, dword);
        const int position = DecodeChoice(field, dword);
        json["position"] = position == NoPosition ? Json(nullptr) : Json(position);
        break;
    }
    case FieldKind::Number:
        json["kind"] = "number";
        json["value"] = FieldValueText(field, dword);
        json["number"] = DecodeNumber(field, dword);
        break;
    case FieldKind::Status: break;
    }
    json["dword"] = field.dword;
    json["bits"] = Json{{"high", field.lowBit + field.width - 1}, {"low", field.lowBit}};
    json["raw"] = FieldValue(field, dword);
    return json;
}

void Print(const Json& json, std::ostream& out) { out << json.dump(2) << "\n"; }

}  // namespace

void ShowChipJson(ConfigAccess& chip, std::ostream& out)
{
    const ChipSummary summary = ReadSummary(chip);
    Json json;
    json["chipset"] = Json{{"vendor", Hex(summary.identity, 4)},
                           {"device", Hex(summary.identity >> 16, 4)},
                           {"revision", summary.revision}};
    json["mode"] = summary.Mode();
    json["gfx_mode"] = summary.gfxMode;
    json["agp_signalling"] = summary.gfxMode ? Json(nullptr) : Json(summary.agpAt3v3 ? "3.3V" : "1.5V");
    json["memory_mhz"] = summary.memoryAt133 ? 133 : 100;
    json["dimms"] = Json::array();
    for (int socket = 0; socket < 3; ++socket)
        json["dimms"].push_back(Dimm(socket, summary.dimmCodes[socket]));
    const std::map<uint32_t, uint32_t> dwords = ReadSettingDwords(chip);
    json["settings"] = Json::array();
    for (const Field* field : TunableFields())
        json["settings"].push_back(Setting(*field, dwords.at(field->dword)));
    Print(json, out);
}

void GetFieldsJson(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out)
{
    RequireI815(chip);
    Json json{{"settings", Json::array()}};
    for (const Field* field : fields)
        json["settings"].push_back(Setting(*field, chip.Read(field->dword)));
    Print(json, out);
}
