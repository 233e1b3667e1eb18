// The window's control table, generated from the form core, against the copy in
// control_table.txt that a person has read: every control's name, kind, place, texts, list
// items, hint, colour and font, the keyboard order, the welcome text and the messages. A text
// or a place that changes shows up here, in one place. After a deliberate change:
//   cp build/tests/form/control_table.actual tests/form/control_table.txt
#include "form_fixture.h"

#include "help_texts.h"

#include <fstream>
#include <sstream>

namespace {

const char* KindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Window: return "window";
    case ControlKind::Timer: return "timer";
    case ControlKind::PageControl: return "page control";
    case ControlKind::Page: return "page";
    case ControlKind::Label: return "label";
    case ControlKind::Bevel: return "bevel";
    case ControlKind::TextBox: return "text box";
    case ControlKind::GroupBox: return "group box";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::RadioGroup: return "radio group";
    case ControlKind::DropDownList: return "drop-down list";
    case ControlKind::TrackBar: return "track bar";
    }
    return "?";
}

// A text as C string literals, one per line of the text, so that every blank shows.
std::string Quoted(const std::string& text, const std::string& indent)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n\"";
            if (i + 1 < text.size())
                out += "\n" + indent + "\"";
            else
                return out;
            continue;
        }
        out += c;
    }
    return out + "\"";
}

void Line(std::ostream& out, const char* what, const std::string& text)
{
    const std::string indent(4 + std::string(what).size() + 1, ' ');
    out << "    " << what << " " << Quoted(text, indent) << "\n";
}

class SnapshotFace : public RecordingFace {
public:
    void LoadLayout(TMForm& form) override
    {
        for (const LayoutRow& row : LayoutTable())
            Describe(row, row.kind == ControlKind::Window ? nullptr : form.Find(row.name));
    }
    std::ostringstream out;

private:
    void Describe(const LayoutRow& row, const Control* control)
    {
        const LayoutRect& r = row.place;
        out << row.name << ": " << KindName(row.kind);
        if (row.parent)
            out << " on " << row.parent;
        if (row.kind != ControlKind::Page && row.kind != ControlKind::Timer)
            out << ", at " << r.left << "," << r.top << ", " << r.width << " x " << r.height;
        if (row.align == TextAlign::Right)
            out << ", right-aligned";
        if (row.align == TextAlign::LeftCentredVertically)
            out << ", centred vertically";
        out << "\n";
        const std::string text = control ? control->Text() : row.text;
        if (!text.empty())
            Line(out, "text", text);
        for (const std::string& item : row.items)
            Line(out, "item", item);
        if (row.kind == ControlKind::TrackBar)
            out << "    range " << row.minimum << " to " << row.maximum << ", step " << row.step << ", ticks "
                << (row.ticks == TickMarks::Above ? "above" : "below") << ", position "
                << static_cast<const TrackBar*>(control)->Position() << "\n";
        if (row.kind == ControlKind::Timer)
            out << "    interval " << static_cast<const Timer*>(control)->Interval() << " ms\n";
        if (row.colour)
            out << "    colour " << int(row.colour->red) << "," << int(row.colour->green) << ","
                << int(row.colour->blue) << "\n";
        if (row.font)
            out << "    font \"" << row.font->face << "\", " << row.font->height << " pixels high\n";
        if (control && !control->Hint().empty())
            Line(out, "hint", control->Hint());
    }
};

std::string ControlTable()
{
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    SnapshotFace face;
    TMForm form(access, face);
    form.Construct();
    std::ostringstream& out = face.out;
    out << "\nHints assigned by the construction, each replacing the control's own:\n";
    for (const HintText& hint : ConstructionHints()) {
        out << hint.control << ":\n";
        Line(out, "hint", form.Find(hint.control)->Hint());
    }
    out << "\nKeyboard order, page by page:\n";
    for (const auto& chain : KeyboardOrder()) {
        for (size_t i = 0; i < chain.size(); ++i)
            out << (i ? ", " : "    ") << chain[i];
        out << "\n";
    }
    out << "\nMessages:\n";
    for (const char* message : {NotAnI815Message, GfxModeWarning, IllegalAgpModeMessage})
        Line(out, "text", message);
    out << "\nWelcome text of AboutRC:\n";
    Line(out, "text", WelcomeText());
    return out.str();
}

}  // namespace

TEST(ControlTable, IsAsAPersonHasReadIt)
{
    const std::string actual = ControlTable();
    std::ifstream file(CONTROL_TABLE_GOLDEN, std::ios::binary);
    ASSERT_TRUE(file) << CONTROL_TABLE_GOLDEN << " cannot be read";
    const std::string golden{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (actual != golden) {
        std::ofstream(CONTROL_TABLE_ACTUAL, std::ios::binary) << actual;
        ADD_FAILURE() << "the control table differs from " << CONTROL_TABLE_GOLDEN << "; what the core holds is in "
                      << CONTROL_TABLE_ACTUAL << " (compare with diff)";
    }
}
