#include "list_command.h"

#include "chip_commands.h"
#include "command_table.h"
#include "exit_status.h"
#include "field_map.h"
#include "field_values.h"
#include "help_text.h"
#include "json_output.h"

namespace {

// "  values: ...", its further lines indented deeper.
std::string Indented(const std::string& text)
{
    const std::string lines = WrappedParagraph(text, 80 - 4);
    std::string out;
    for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        out += (start ? "    " : "  ") + lines.substr(start, end - start + 1);
    return out;
}

// A list's items a line each, with the words that name them; the others' values on one line.
std::string Values(const Field& field)
{
    if (field.kind != FieldKind::Choice)
        return Indented("values: " + LegalValues(field));
    std::string text = "  values:\n";
    for (size_t position = 0; position < field.texts.size(); ++position) {
        std::string words;
        for (const std::string& word : ItemWords(field, position))
            words += (words.empty() ? "" : " or ") + word;
        const std::string item = ItemText(field, position);
        text += "    " + words + (item == words ? "" : ": " + item) + "\n";
    }
    return text;
}

}  // namespace

void ListFields(const std::vector<const Field*>& fields, std::ostream& out)
{
    for (const Field* field : fields) {
        out << FieldKey(*field) << ": " << FieldCaption(*field) << "\n" << Values(*field);
        for (const ValueWarning& grouped : GroupedWarnings(*field))
            out << Indented("warning" + (grouped.values.empty() ? "" : " for " + grouped.values) + ": " +
                            grouped.warning);
    }
}

int ListCommand(Invocation& call)
{
    const std::vector<const Field*> fields = call.args.empty() ? TunableFields() : FieldsOf(call.args);
    if (call.Flag("--json"))
        ListFieldsJson(fields, call.out);
    else
        ListFields(fields, call.out);
    return ExitNormal;
}
