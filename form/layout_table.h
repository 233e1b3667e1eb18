#pragma once
// The layout of the main window as data: every control with its name, kind, parent, place,
// text, list items, hint, colour and font, and the keyboard order. Places are in pixels of a
// 120-dpi screen, relative to the parent; a front-end scales them to its screen.
// Texts are UTF-8; "&&" in a caption is shown as one "&".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ControlKind {
    Window,
    Timer,
    PageControl,  // a tab control whose tabs may wrap onto several rows
    Page,         // one tab page; its text is the tab's caption
    Label,        // sizes itself to its text
    Bevel,        // a sunken rectangular frame
    TextBox,      // plain text, read-only, lines wrap, vertical scroll bar always shown
    GroupBox,
    CheckBox,
    RadioGroup,   // a captioned group of radio buttons in one column
    DropDownList, // a choice from the list only, no typing
    TrackBar      // horizontal, a tick every step
};

struct LayoutRect {
    int left, top, width, height;
};

struct Rgb {
    uint8_t red, green, blue;
};

struct LayoutFont {
    const char* face;
    int height;  // character height in pixels, internal leading not counted
};

enum class TextAlign {
    Left,
    Right,             // keeps its right edge when the text changes, grows to the left
    LeftCentredVertically
};

enum class TickMarks { None, Above, Below };

struct LayoutRow {
    const char* name;
    ControlKind kind;
    const char* parent;  // nullptr for the window
    LayoutRect place;
    std::string text;                // caption, label text, tab caption
    std::vector<std::string> items;  // list and radio group items, in order
    std::string hint;                // the layout's own hint; empty: none
    std::optional<Rgb> colour;       // text colour; none: the system's window-text colour
    std::optional<LayoutFont> font;  // none: the parent's
    TextAlign align = TextAlign::Left;
    // Track bars: range, the line and page step (also the tick spacing), the first position.
    // The timer: its interval in milliseconds as `position`.
    int minimum = 0, maximum = 0, step = 0, position = 0;
    TickMarks ticks = TickMarks::None;

    LayoutRow Coloured(Rgb rgb) const;
    LayoutRow Hinted(const std::string& layoutHint) const;
    LayoutRow InFont(LayoutFont layoutFont) const;
};

// Layout pixels as pixels of a screen of `dpi` dots per inch, rounded to the nearest.
int Scaled(int layoutPixels, int dpi);
// A place on such a screen: every edge scales and rounds alike, so that controls that meet in
// the layout still meet.
LayoutRect Scaled(const LayoutRect& place, int dpi);

// Every control of the window, parents before their children; the window comes first.
const std::vector<LayoutRow>& LayoutTable();
// The row of the control of this name; std::logic_error when there is none.
const LayoutRow& LayoutControl(const std::string& name);

// Per page, the controls that take the keyboard focus, in the order the Tab key visits them.
const std::vector<std::vector<std::string>>& KeyboardOrder();
