#include "json_output.h"

#include "chip_commands.h"
#include "config_access.h"
#include "dimm_decoder.h"
#include "field_map.h"
#include "field_settings.h"
#include "field_values.h"
#include "hex_text.h"
#include "json_text.h"

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
// or an unknown code, which `known` tells apart).
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
    const bool empty = code == 0;
    return Json{{"socket", socket}, {"code", code}, {"empty", empty}, {"known", empty || !layouts.empty()},
                {"layouts", layouts}};
}

Json WarningOf(const Field& field, int state)
{
    const char* warning = RiskWarning(field, state);
    return warning ? Json(warning) : Json(nullptr);
}

// A value that set takes: the word it prefers, every word, the text that show prints, and its
// warning.
Json Value(const Field& field, int state)
{
    Json words = Json::array();
    if (field.kind == FieldKind::Choice)
        for (const std::string& word : ItemWords(field, size_t(state)))
            words.push_back(word);
    else
        words.push_back(ValueWord(field, state));
    return Json{{"word", ValueWord(field, state)}, {"words", words}, {"text", StateText(field, state)},
                {"warning", WarningOf(field, state)}};
}

// A setting as list gives it: its key, caption, kind and values, and where it lies in the chip.
// `value` fills in what the chip holds, after the kind.
Json Description(const Field& field, const std::function<void(Json&)>& value = {})
{
    Json json{{"key", FieldKey(field)}, {"caption", FieldCaption(field)}};
    json["kind"] = field.kind == FieldKind::Flag ? "flag" : field.kind == FieldKind::Choice ? "list" : "number";
    if (value)
        value(json);
    if (field.kind == FieldKind::Number) {
        json["range"] = Json{{"from", 0}, {"to", LargestNumber(field)}, {"step", field.step}};
    } else {
        json["values"] = Json::array();
        if (field.kind == FieldKind::Flag)
            json["values"] = Json::array({Value(field, 1), Value(field, 0)});
        else
            for (size_t position = 0; position < field.texts.size(); ++position)
                json["values"].push_back(Value(field, int(position)));
    }
    json["dword"] = HexNumber(field.dword);
    json["bits"] = Json{{"high", field.lowBit + field.width - 1}, {"low", field.lowBit}};
    return json;
}

// A setting with the chip's value: its text as get prints it, the word that set takes for it and
// its warning (null for a value without a name), on for a flag, the number of a number field, and
// the raw bits.
Json Setting(const Field& field, uint32_t dword)
{
    Json json = Description(field, [&](Json& json) {
        const int state = FieldState(field, dword);
        const bool named = HasValueName(field, dword);
        json["value"] = FieldValueText(field, dword);
        json["word"] = named ? Json(ValueWord(field, state)) : Json(nullptr);
        json["warning"] = named ? WarningOf(field, state) : Json(nullptr);
        if (field.kind == FieldKind::Flag)
            json["on"] = DecodeFlag(field, dword);
        if (field.kind == FieldKind::Number)
            json["number"] = DecodeNumber(field, dword);
    });
    json["raw"] = FieldValue(field, dword);
    return json;
}

}  // namespace

void ShowChipJson(ConfigAccess& chip, std::ostream& out)
{
    const ChipSummary summary = ReadSummary(chip);
    Json json = JsonHead("show");
    json["chipset"] = Json{{"vendor", HexNumber(summary.identity & 0xFFFF)},
                           {"device", HexNumber(summary.identity >> 16)},
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
    PrintJson(json, out);
}

void GetFieldsJson(ConfigAccess& chip, const std::vector<const Field*>& fields, std::ostream& out)
{
    RequireI815(chip);
    Json json = JsonHead("get");
    json["settings"] = Json::array();
    for (const Field* field : fields)
        json["settings"].push_back(Setting(*field, chip.Read(field->dword)));
    PrintJson(json, out);
}

void ListFieldsJson(const std::vector<const Field*>& fields, std::ostream& out)
{
    Json json = JsonHead("list");
    json["settings"] = Json::array();
    for (const Field* field : fields)
        json["settings"].push_back(Description(*field));
    PrintJson(json, out);
}
