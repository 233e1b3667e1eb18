#include "completion_words.h"

#include "command_table.h"
#include "field_map.h"
#include "field_values.h"
#include "route_options.h"

#include <algorithm>

namespace {

void Add(std::vector<std::string>& words, const std::string& word)
{
    if (std::find(words.begin(), words.end(), word) == words.end())
        words.push_back(word);
}

}  // namespace

bool CompletionWords(const std::vector<std::string>& what, std::ostream& out)
{
    std::vector<std::string> words;
    if (what.size() == 1 && what[0] == "commands") {
        for (const Command& command : CommandTable())
            Add(words, command.name);
    } else if (what.size() == 1 && what[0] == "options") {
        for (const RouteOption& option : RouteOptions()) {
            Add(words, option.name);
            if (option.value == RouteValue::Optional)
                Add(words, option.name + std::string("="));
        }
        words.insert(words.end(), {"--help", "--version"});
    } else if (what.size() == 2 && what[0] == "options") {
        // Every form's options: "apply" completes to --settle as well.
        if (!FindCommand(what[1], {}))
            return false;
        for (const Command& command : CommandTable())
            if (what[1] == command.name)
                for (const CommandOption& option : command.options)
                    Add(words, option.name);
    } else if (what.size() == 1 && what[0] == "keys") {
        for (const Field* field : TunableFields())
            words.push_back(FieldKey(*field));
    } else if (what.size() == 2 && what[0] == "values") {
        const Field* field = FieldForKey(what[1]);
        if (!field)
            return false;
        words = ValueWords(*field);
    } else {
        return false;
    }
    for (const std::string& word : words)
        out << word << "\n";
    return true;
}
