#include "help_text.h"

#include "command_table.h"
#include "field_map.h"
#include "field_values.h"
#include "route_options.h"

namespace {

constexpr size_t HelpWidth = 80;

// The words of a paragraph in lines of at most `width` columns. A command in backquotes
// (`lspci -xxx`) is one word.
std::string Wrapped(const std::string& paragraph, size_t width)
{
    std::string text, line;
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = start;
        for (bool quoted = false; end < paragraph.size() && (quoted || paragraph[end] != ' '); ++end)
            quoted = quoted != (paragraph[end] == '`');
        const std::string word = paragraph.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            text += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return text + line + "\n";
}

// "  USAGE   help", the help wrapped in a column of its own, under the usage where the two do
// not fit on one line.
std::string Entry(const std::string& usage, const std::string& help)
{
    const std::string column(23, ' ');
    const std::string lines = Wrapped(help, HelpWidth - column.size());
    std::string text = "  " + usage;
    text += text.size() + 2 <= column.size() ? std::string(column.size() - text.size(), ' ') : "\n" + column;
    for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        text += (start ? column : "") + lines.substr(start, end - start + 1);
    return text;
}

std::string CommandLines()
{
    std::string text;
    for (const Command& command : CommandTable())
        text += Entry(std::string(command.name) + (*command.arguments ? " " : "") + command.arguments, command.help);
    return text;
}

// The values of the number fields: "for amtt and lptt, multiples of 8 from 0 to 248, ...".
std::string NumberValues()
{
    std::string keys, values;
    for (const Field* field : TunableFields()) {
        if (field->kind != FieldKind::Number)
            continue;
        keys += (keys.empty() ? "" : " and ") + FieldKey(*field);
        values = LegalValues(*field);
    }
    return "for " + keys + ", " + values;
}

std::string RouteLines()
{
    std::string text = Wrapped(RoutesHeading(), HelpWidth);
    for (const RouteOption& option : RouteOptions())
        if (option.shown)
            text += Entry(option.Usage(), option.help);
    return text;
}

}  // namespace

std::string HelpText()
{
    return "Usage: i815ctl [ROUTE] [--save-emulated FILE] COMMAND [ARGS]\n"
           "Shows and changes the settings of the Intel i815 host bridge (PCI 00:00.0).\n"
           "\n"
           "Commands:\n" +
           CommandLines() + "\n" +
           Wrapped("A FILE - is standard input for check and apply, standard output for save, dump and --save-emulated.",
                   HelpWidth) +
           "\n" +
           RouteLines() + "\n" +
           Wrapped("Values: on or off for a check box; for a list, a word or number of its item (cas=2, agpmode=4x, "
                   "rdthr=75%, sms=7.8us, dpcp=one) or the item's whole text as show prints it, never its place in "
                   "the list; " +
                       NumberValues() + ". The manual's SETTINGS name every key and value and what it does.",
                   HelpWidth) +
           "\n" +
           Wrapped("Exit status: 0 done; 1 a failure (access refused, the chip did not take a value, an I/O error, a "
                   "try undone); 2 bad usage or bad input (a value with a warning without --force), or not an i815.",
                   HelpWidth) +
           "\n" + Entry("--help", "shows this text") + Entry("--version", "shows the program's version");
}

