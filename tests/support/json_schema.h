#pragma once
// A JSON Schema validator for the part of the standard (draft 2020-12) that i815ctl's schema
// uses: type, const, enum, pattern, minimum, maximum, properties, required,
// additionalProperties: false, items, minItems, maxItems, oneOf and $ref to "#/$defs/NAME".
// Any other keyword is an error of its own, so the schema cannot grow past what is checked.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace json_schema {

using Json = nlohmann::json;

inline bool HasType(const Json& value, const std::string& type)
{
    if (type == "object") return value.is_object();
    if (type == "array") return value.is_array();
    if (type == "string") return value.is_string();
    if (type == "integer") return value.is_number_integer();
    if (type == "number") return value.is_number();
    if (type == "boolean") return value.is_boolean();
    if (type == "null") return value.is_null();
    return false;
}

// Appends "PATH: what is wrong" for each fault of `value` against `schema`.
inline void Validate(const Json& root, const Json& schema, const Json& value, const std::string& path,
                     std::vector<std::string>& errors)
{
    static const Json none = Json::object();
    const Json& members = value.is_object() ? value : none;  // what the object keywords look at
    auto fail = [&](const std::string& what) { errors.push_back((path.empty() ? "/" : path) + ": " + what); };
    for (const auto& [keyword, rule] : schema.items()) {
        if (keyword == "$schema" || keyword == "title" || keyword == "description" || keyword == "$defs") {
            continue;
        } else if (keyword == "$ref") {
            const std::string prefix = "#/$defs/", ref = rule.get<std::string>();
            if (ref.rfind(prefix, 0) != 0 || !root.at("$defs").contains(ref.substr(prefix.size())))
                fail("unresolved $ref " + ref);
            else
                Validate(root, root.at("$defs").at(ref.substr(prefix.size())), value, path, errors);
        } else if (keyword == "type") {
            bool any = false;
            for (const Json& type : rule.is_array() ? rule : Json::array({rule}))
                any = any || HasType(value, type.get<std::string>());
            if (!any)
                fail("not of type " + rule.dump() + ": " + value.dump());
        } else if (keyword == "const") {
            if (value != rule)
                fail("not " + rule.dump() + ": " + value.dump());
        } else if (keyword == "enum") {
            if (std::find(rule.begin(), rule.end(), value) == rule.end())
                fail("not one of " + rule.dump() + ": " + value.dump());
        } else if (keyword == "pattern") {
            if (value.is_string() && !std::regex_search(value.get<std::string>(), std::regex(rule.get<std::string>())))
                fail("does not match " + rule.get<std::string>() + ": " + value.dump());
        } else if (keyword == "minimum" || keyword == "maximum") {
            if (value.is_number() && (keyword == "minimum" ? value.get<double>() < rule.get<double>()
                                                           : value.get<double>() > rule.get<double>()))
                fail(keyword + " " + rule.dump() + ": " + value.dump());
        } else if (keyword == "minItems" || keyword == "maxItems") {
            if (value.is_array() && (keyword == "minItems" ? value.size() < rule.get<size_t>()
                                                           : value.size() > rule.get<size_t>()))
                fail(keyword + " " + rule.dump() + ": " + std::to_string(value.size()) + " items");
        } else if (keyword == "items") {
            for (size_t i = 0; value.is_array() && i < value.size(); ++i)
                Validate(root, rule, value[i], path + "/" + std::to_string(i), errors);
        } else if (keyword == "properties") {
            for (const auto& [name, member] : members.items())
                if (rule.contains(name))
                    Validate(root, rule.at(name), member, path + "/" + name, errors);
        } else if (keyword == "additionalProperties") {
            if (rule != false)
                fail("only additionalProperties: false is understood");
            const Json named = schema.value("properties", Json::object());
            for (const auto& [name, member] : members.items())
                if (!named.contains(name))
                    fail("no member \"" + name + "\" is allowed");
        } else if (keyword == "required") {
            for (const Json& name : rule)
                if (value.is_object() && !value.contains(name.get<std::string>()))
                    fail("lacks \"" + name.get<std::string>() + "\"");
        } else if (keyword == "oneOf") {
            size_t matched = 0;
            std::vector<std::string> nearest;  // the faults of the branch that came closest
            for (const Json& branch : rule) {
                std::vector<std::string> mine;
                Validate(root, branch, value, path, mine);
                matched += mine.empty();
                if (!mine.empty() && (nearest.empty() || mine.size() < nearest.size()))
                    nearest = mine;
            }
            if (matched != 1)
                fail("matches " + std::to_string(matched) + " of oneOf, not 1" +
                     (nearest.empty() || matched ? "" : "; nearest: " + nearest.front()));
        } else {
            fail("keyword \"" + keyword + "\" is beyond this validator");
        }
    }
}

// Every fault of `value`; none when it is valid.
inline std::vector<std::string> Faults(const Json& schema, const Json& value)
{
    std::vector<std::string> errors;
    Validate(schema, schema, value, "", errors);
    return errors;
}

}  // namespace json_schema
