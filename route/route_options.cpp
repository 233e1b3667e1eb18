#include "route_options.h"

std::string RouteOption::Usage() const
{
    switch (value) {
    case RouteValue::None: break;
    case RouteValue::Optional: return std::string(name) + "[=" + valueName + "]";
    case RouteValue::Required: return std::string(name) + " " + valueName;
    }
    return name;
}

const std::vector<RouteOption>& RouteOptions()
{
    static const std::vector<RouteOption> options = [] {
        std::vector<RouteOption> all = SystemRouteOptions();
        all.push_back({"--emulated", RouteKind::Emulated, true, RouteValue::Optional, "DUMP", &RouteChoice::dump,
                       "an emulated i815: the built-in one, or one from an `lspci -xxx` dump", true, nullptr});
        all.push_back({"--save-emulated", RouteKind::Emulated, false, RouteValue::Required, "FILE", &RouteChoice::save,
                       "writes the emulated chip to FILE, in the same form, when the program ends", true, nullptr});
        return all;
    }();
    return options;
}

const RouteOption* RouteOptionOf(const std::string& arg, std::optional<std::string>& value)
{
    for (const RouteOption& option : RouteOptions()) {
        const std::string name = option.name;
        if (arg == name) {
            value.reset();
            return &option;
        }
        if (option.value != RouteValue::None && arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
            arg[name.size()] == '=') {
            value = arg.substr(name.size() + 1);
            return &option;
        }
    }
    return nullptr;
}

const RouteOption* RouteOptionFor(RouteKind kind)
{
    for (const RouteOption& option : RouteOptions())
        if (option.choosesRoute && option.kind == kind)
            return &option;
    return nullptr;
}
