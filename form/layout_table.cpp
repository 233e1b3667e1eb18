#include "layout_table.h"

#include "field_map.h"
#include "field_values.h"

#include <stdexcept>

LayoutRow LayoutRow::Coloured(Rgb rgb) const
{
    LayoutRow row = *this;
    row.colour = rgb;
    return row;
}

LayoutRow LayoutRow::Hinted(const std::string& layoutHint) const
{
    LayoutRow row = *this;
    row.hint = layoutHint;
    return row;
}

LayoutRow LayoutRow::InFont(LayoutFont layoutFont) const
{
    LayoutRow row = *this;
    row.font = layoutFont;
    return row;
}

int Scaled(int layoutPixels, int dpi) { return (layoutPixels * dpi + 60) / 120; }

LayoutRect Scaled(const LayoutRect& place, int dpi)
{
    const int left = Scaled(place.left, dpi), top = Scaled(place.top, dpi);
    return {left, top, Scaled(place.left + place.width, dpi) - left, Scaled(place.top + place.height, dpi) - top};
}

namespace {

constexpr Rgb Yellow{255, 255, 0};
constexpr Rgb Red{255, 0, 0};

LayoutRow Row(const char* name, ControlKind kind, const char* parent, LayoutRect place, const std::string& text = {})
{
    LayoutRow row{name, kind, parent, place, text, {}, {}, {}, {}};
    return row;
}

std::vector<std::string> Items(const Field& field)
{
    return std::vector<std::string>(field.texts.begin(), field.texts.end());
}

LayoutRow Label(const char* name, const char* parent, LayoutRect place, const std::string& text,
                  TextAlign align = TextAlign::Left)
{
    LayoutRow row = Row(name, ControlKind::Label, parent, place, text);
    row.align = align;
    return row;
}

// A flag's check box: its caption is the field's.
LayoutRow Check(const char* name, const char* parent, LayoutRect place, const Field& field)
{
    return Row(name, ControlKind::CheckBox, parent, place, field.texts.front());
}

LayoutRow List(const char* name, const char* parent, LayoutRect place, const Field& field)
{
    LayoutRow row = Row(name, ControlKind::DropDownList, parent, place);
    row.items = Items(field);
    return row;
}

LayoutRow Radios(const char* name, const char* parent, LayoutRect place, const Field& field)
{
    LayoutRow row = Row(name, ControlKind::RadioGroup, parent, place, FieldCaption(field));
    row.items = Items(field);
    return row;
}

LayoutRow Bar(const char* name, const char* parent, LayoutRect place, int minimum, int maximum,
                int step, TickMarks ticks)
{
    LayoutRow row = Row(name, ControlKind::TrackBar, parent, place);
    row.minimum = minimum;
    row.maximum = maximum;
    row.step = step;
    row.position = minimum;
    row.ticks = ticks;
    return row;
}

// A label that names a list: the field's caption and a colon.
std::string Names(const Field& field) { return FieldCaption(field) + ":"; }

std::vector<LayoutRow> BuildTable()
{
    using K = ControlKind;
    const LayoutFont windowFont{"MS Sans Serif", 13};
    LayoutRow window = Row("MForm", K::Window, nullptr, {0, 0, 447, 354}, "i815 Quarvel").InFont(windowFont);
    LayoutRow timer = Row("iRefreshTmr", K::Timer, "MForm", {0, 0, 0, 0});
    timer.position = 2000;

    return {
        window,
        timer,
        Row("PageCtrl", K::PageControl, "MForm", {0, 0, 447, 354}),
        Row("AboutSheet", K::Page, "PageCtrl", {}, "About"),
        Row("AGPSTATTab", K::Page, "PageCtrl", {}, "AGP Configuration"),
        Row("ChipsetSheet", K::Page, "PageCtrl", {}, "Chipset configuration"),
        Row("MemSheet", K::Page, "PageCtrl", {}, "Memory Configuration"),

        Label("ProdLbl", "AboutSheet", {8, 8, 167, 28}, "i815 Quarvel v1.0").InFont({"Comic Sans MS", 20}),
        Label("RevLbl", "AboutSheet", {357, 20, 73, 16}, "Chipset rev  ", TextAlign::Right),
        Label("Label1", "AboutSheet", {8, 40, 229, 16}, "Tweaks for the Intel i815 host bridge"),
        Label("Rmode", "AboutSheet", {401, 40, 28, 16}, "AGP", TextAlign::Right),
        Label("FBLabel", "AboutSheet", {8, 60, 247, 16}, "Feedback: i815quarvel@users.noreply.invalid"),
        Label("SMFSLbl", "AboutSheet", {407, 60, 20, 16}, "SM", TextAlign::Right),
        Row("Bevel2", K::Bevel, "AboutSheet", {8, 84, 425, 9}),
        Row("AboutRC", K::TextBox, "AboutSheet", {8, 104, 425, 161}),
        Label("Label10", "AboutSheet", {8, 272, 96, 16}, "Refresh interval:"),
        Bar("RefreshBar", "AboutSheet", {123, 268, 209, 29}, 250, 5000, 250, TickMarks::Below),
        Label("RfLabel", "AboutSheet", {350, 272, 45, 16}, "XXX ms"),

        Check("AGP4XOVRcb", "AGPSTATTab", {296, 4, 121, 17}, Fields::AGP4XOVR),
        Row("GroupBox3", K::GroupBox, "AGPSTATTab", {8, 24, 413, 145}, "AMTT && LPTT registers"),
        Label("Label5", "GroupBox3", {121, 20, 171, 16}, FieldCaption(Fields::AMTT)),
        Label("AMTTv", "GroupBox3", {12, 48, 24, 16}, "XXX"),
        Bar("AMTT", "GroupBox3", {40, 36, 333, 29}, 0, 255, int(Fields::AMTT.step), TickMarks::Above),
        Label("LPTTv", "GroupBox3", {12, 84, 24, 16}, "XXX"),
        Bar("LPTT", "GroupBox3", {40, 80, 333, 29}, 0, 255, int(Fields::LPTT.step), TickMarks::Below),
        Label("Label6", "GroupBox3", {101, 112, 211, 16}, FieldCaption(Fields::LPTT)),
        Row("GroupBox1", K::GroupBox, "AGPSTATTab", {8, 176, 413, 109}, "AGPCMD register"),
        Label("Label2", "GroupBox1", {20, 68, 191, 16}, Names(Fields::AGPMODE), TextAlign::LeftCentredVertically)
            .Coloured(Yellow),
        // These three lie in the area of the AGPCMD group but belong to the page, above the group.
        Check("AGPSBAcb", "AGPSTATTab", {28, 208, 201, 17}, Fields::AGPSBA)
            .Coloured(Yellow)
            .Hinted("WARNING: AGP SBA should be set by your video driver."),
        Check("AGPFWcb", "AGPSTATTab", {232, 208, 169, 17}, Fields::AGPFW).Coloured(Red),
        List("AGPMODEcombo", "AGPSTATTab", {232, 240, 153, 24}, Fields::AGPMODE)
            .Hinted("WARNING: AGP mode should be set by your video driver."),

        Row("GroupBox6", K::GroupBox, "ChipsetSheet", {8, 6, 413, 111}, "GMCHCFG register"),
        Check("CLTcb", "GroupBox6", {16, 24, 141, 21}, Fields::CLT),
        Label("Label8", "GroupBox6", {16, 52, 167, 16}, Names(Fields::DPCP)),
        List("DPCPcombo", "GroupBox6", {208, 48, 160, 24}, Fields::DPCP),
        Label("Label9", "GroupBox6", {16, 80, 180, 16}, Names(Fields::MAG)),
        List("MAGcombo", "GroupBox6", {208, 76, 160, 24}, Fields::MAG),
        Row("GroupBox4", K::GroupBox, "ChipsetSheet", {8, 120, 413, 169}, "MISCC register"),
        Check("BNRcb", "GroupBox4", {18, 20, 217, 21}, Fields::BNR)
            .Hinted("Should be always enabled for maximum performance."),
        Check("CPCcb", "GroupBox4", {18, 48, 261, 21}, Fields::CPC),
        Check("SMcb", "GroupBox4", {18, 76, 221, 21}, Fields::SM),
        Check("THRLOCKcb", "GroupBox4", {246, 80, 121, 17}, Fields::THRLOCK),
        Label("Label3", "GroupBox4", {18, 108, 171, 16}, Names(Fields::RDTHR), TextAlign::LeftCentredVertically),
        List("RDTHRcombo", "GroupBox4", {202, 104, 193, 24}, Fields::RDTHR),
        Label("Label4", "GroupBox4", {18, 136, 168, 16}, Names(Fields::WRTHR), TextAlign::LeftCentredVertically),
        List("WRTHRcombo", "GroupBox4", {202, 132, 193, 24}, Fields::WRTHR),

        Row("GroupBox2", K::GroupBox, "MemSheet", {4, 8, 421, 213}, "DRAMT register"),
        Radios("CASgr", "GroupBox2", {16, 28, 89, 77}, Fields::CAS).Coloured(Yellow),
        Radios("RAS2CASgr", "GroupBox2", {116, 28, 89, 77}, Fields::RAS2CAS),
        Radios("RASgr", "GroupBox2", {216, 28, 89, 77}, Fields::RAS),
        Radios("DCTgr", "GroupBox2", {316, 28, 89, 77}, Fields::DCT),
        Label("Label7", "GroupBox2", {16, 120, 131, 16}, Names(Fields::SMS)),
        List("SMScombo", "GroupBox2", {16, 144, 389, 24}, Fields::SMS),
        // In the area of the DRAMT group, below the mode list, but on the page above the group.
        Check("HACQScb", "MemSheet", {20, 192, 217, 13}, Fields::HACQS),
        Row("GroupBox5", K::GroupBox, "MemSheet", {4, 228, 421, 61}, "SM Register"),
        Check("TDLLEcb", "GroupBox5", {16, 24, 241, 17}, Fields::TDLLE).Coloured(Yellow),
    };
}

}  // namespace

const std::vector<LayoutRow>& LayoutTable()
{
    static const std::vector<LayoutRow> table = BuildTable();
    return table;
}

const LayoutRow& LayoutControl(const std::string& name)
{
    for (const LayoutRow& row : LayoutTable())
        if (name == row.name)
            return row;
    throw std::logic_error("The layout has no control " + name);
}

const std::vector<std::vector<std::string>>& KeyboardOrder()
{
    static const std::vector<std::vector<std::string>> order{
        {"RefreshBar", "AboutRC"},
        {"AGP4XOVRcb", "AGPSBAcb", "AGPFWcb", "AGPMODEcombo", "AMTT", "LPTT"},
        {"BNRcb", "CPCcb", "SMcb", "RDTHRcombo", "WRTHRcombo", "THRLOCKcb", "CLTcb", "DPCPcombo", "MAGcombo"},
        {"HACQScb", "RAS2CASgr", "CASgr", "RASgr", "DCTgr", "SMScombo", "TDLLEcb"},
    };
    return order;
}
