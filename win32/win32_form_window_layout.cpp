// The Win32 face's layout: the window, the tab control and its pages, and a window for every
// control of the layout table at its scaled place, in the keyboard order, with its hint.
#include "win32_form_window.h"

#include "main_form.h"
#include "control_ids.h"
#include "windows_text.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include <commctrl.h>

namespace {

const char WindowClass[] = "i815Win32FormWindow";
const char PageClass[] = "i815QuarvelPage";
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void RegisterClasses()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA window = {};
    window.lpfnWndProc = DefWindowProcA;  // replaced at creation, see CreateMainWindow
    window.hInstance = Instance();
    window.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(1));
    window.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.lpszClassName = WindowClass;
    RegisterClassA(&window);
    WNDCLASSA page = window;
    page.hIcon = nullptr;
    page.lpszClassName = PageClass;
    RegisterClassA(&page);
    registered = true;
}

// Text and place of a window, in the coordinates of its parent.
RECT PlaceOf(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

void Win32FormWindow::LoadLayout(TMForm&)
{
    RegisterClasses();
    const HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    const std::vector<LayoutRow>& table = LayoutTable();
    drawn_.assign(table.size(), Drawn{});
    for (size_t row = 0; row < table.size(); ++row) {
        if (table[row].kind == ControlKind::Window)
            CreateMainWindow(table[row]);
        else
            Create(row);
    }
    LayOutPages();
    SetKeyboardOrder();
    AddHints();
}

RECT Win32FormWindow::Place(const LayoutRect& layout, POINT origin) const
{
    const LayoutRect r = Scaled(layout, dpi_);
    return RECT{origin.x + r.left, origin.y + r.top, origin.x + r.left + r.width, origin.y + r.top + r.height};
}

HFONT Win32FormWindow::FontFor(const LayoutRow& row)
{
    if (!row.font)
        return windowFont_;
    const HFONT font = CreateFontA(-Scaled(row.font->height, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, row.font->face);
    fonts_.push_back(font);
    return font;
}

void Win32FormWindow::CreateMainWindow(const LayoutRow& row)
{
    windowFont_ = FontFor(row);
    RECT frame = {0, 0, Scaled(row.place.width, dpi_), Scaled(row.place.height, dpi_)};
    AdjustWindowRectEx(&frame, WindowStyle, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT desktop;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0))
        desktop = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    window_ = CreateWindowExA(0, WindowClass, WindowsText(row.text).c_str(), WindowStyle,
                              desktop.left + (desktop.right - desktop.left - width) / 2,
                              desktop.top + (desktop.bottom - desktop.top - height) / 2, width, height, nullptr,
                              nullptr, Instance(), nullptr);
    if (!window_)
        throw std::runtime_error("The window cannot be created (error " + std::to_string(GetLastError()) + ")");
    SetWindowLongA(window_, GWL_USERDATA, reinterpret_cast<LONG>(this));
    SetWindowLongA(window_, GWL_WNDPROC, reinterpret_cast<LONG>(&Win32FormWindow::Procedure));
    hints_ = std::make_unique<HintTips>(window_, dpi_);
}

HWND Win32FormWindow::Child(Drawn& drawn, const char* windowClass, DWORD style, const std::string& text,
                          const RECT& place, int id, DWORD exStyle)
{
    const HWND child = CreateWindowExA(exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left,
                                       place.top, place.right - place.left, place.bottom - place.top,
                                       drawn.parent, reinterpret_cast<HMENU>(id), Instance(), nullptr);
    if (!child)
        throw std::runtime_error(std::string("The control ") + drawn.control->Name() + " cannot be created (error " +
                                 std::to_string(GetLastError()) + ")");
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(drawn.control->Row())), FALSE);
    return child;
}

// Controls inside a group box lie on the group's page, at the group's place plus their own:
// notifications go to the parent, and a group box passes none on.
void Win32FormWindow::Create(size_t row)
{
    const std::vector<LayoutRow>& table = LayoutTable();
    const LayoutRow& layout = table[row];
    Drawn& drawn = drawn_[row];
    drawn.control = form_->Find(layout.name);
    drawn.hint = WindowsLines(drawn.control->Hint());
    const std::string text = WindowsText(drawn.control->Text());
    const int id = ControlId(row);

    if (layout.kind == ControlKind::Timer)
        return;
    if (layout.kind == ControlKind::PageControl) {
        drawn.parent = window_;
        drawn.window = tabs_ = Child(drawn, WC_TABCONTROLA, WS_CLIPSIBLINGS | WS_TABSTOP | TCS_MULTILINE, "",
                                     Place(layout.place, POINT{0, 0}), id);
        rowOfWindow_[tabs_] = row;
        return;
    }
    if (layout.kind == ControlKind::Page) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(tabs_, TCM_INSERTITEMA, pages_.size(), reinterpret_cast<LPARAM>(&item));
        const bool shown = int(pages_.size()) == form_->PageCtrl.ActivePage();
        drawn.parent = window_;
        drawn.window = CreateWindowExA(WS_EX_CONTROLPARENT, PageClass, "", WS_CHILD | (shown ? WS_VISIBLE : 0), 0, 0,
                                       0, 0, window_, reinterpret_cast<HMENU>(id), Instance(), nullptr);
        SetWindowLongA(drawn.window, GWL_USERDATA, reinterpret_cast<LONG>(this));
        SetWindowLongA(drawn.window, GWL_WNDPROC, reinterpret_cast<LONG>(&Win32FormWindow::Procedure));
        pages_.push_back(drawn.window);
        return;
    }

    // The page it lies on, and where its layout parent begins there.
    size_t parent = 0;
    while (parent < table.size() && table[parent].name != std::string(layout.parent))
        ++parent;
    const Drawn& up = drawn_.at(parent);
    if (table[parent].kind == ControlKind::Page) {
        drawn.parent = up.window;
    } else {
        drawn.parent = up.parent;
        const RECT box = Place(table[parent].place, up.origin);
        drawn.origin = POINT{box.left, box.top};
    }
    const RECT place = Place(layout.place, drawn.origin);

    switch (layout.kind) {
    case ControlKind::Label: {
        const DWORD align = layout.align == TextAlign::Right                   ? SS_RIGHT
                            : layout.align == TextAlign::LeftCentredVertically ? SS_LEFT | SS_CENTERIMAGE
                                                                                 : SS_LEFT;
        drawn.window = Child(drawn, "STATIC", align | SS_NOTIFY, text, place, id);
        FitLabel(drawn);
        break;
    }
    case ControlKind::Bevel:
        drawn.window = Child(drawn, "STATIC", SS_SUNKEN, "", place, id);
        break;
    case ControlKind::TextBox: {
        drawn.window = Child(drawn, "EDIT", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                             WindowsLines(drawn.control->Text()), place, id, WS_EX_CLIENTEDGE);
        const LONG previous = SetWindowLongA(drawn.window, GWL_WNDPROC, reinterpret_cast<LONG>(&TextBoxProcedure));
        SetWindowLongA(drawn.window, GWL_USERDATA, previous);
        break;
    }
    case ControlKind::GroupBox:
        drawn.window = Child(drawn, "BUTTON", BS_GROUPBOX, text, place, id);
        break;
    case ControlKind::CheckBox:
        drawn.window = Child(drawn, "BUTTON", WS_TABSTOP | BS_CHECKBOX, text, place, id);
        FitCheckBox(drawn, place);
        break;
    case ControlKind::RadioGroup:
        drawn.window = Child(drawn, "BUTTON", BS_GROUPBOX, text, place, id);
        for (size_t item = 0; item < layout.items.size(); ++item) {
            const HWND button = Child(drawn, "BUTTON", BS_RADIOBUTTON | (item == 0 ? WS_TABSTOP : 0),
                                      WindowsText(layout.items[item]), place, RadioItemId(row, int(item)));
            drawn.items.push_back(button);
            rowOfWindow_[button] = row;
        }
        PlaceRadioItems(drawn, place);
        break;
    case ControlKind::DropDownList:
        drawn.window = Child(drawn, "COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, "", place, id);
        for (const std::string& item : layout.items)
            SendMessageA(drawn.window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WindowsText(item).c_str()));
        SendMessageA(drawn.window, CB_SETCURSEL, WPARAM(-1), 0);
        FitDropDownList(drawn, place);
        break;
    case ControlKind::TrackBar: {
        const DWORD ticks = layout.ticks == TickMarks::Above ? TBS_TOP : TBS_BOTTOM;
        drawn.window = Child(drawn, TRACKBAR_CLASSA, WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_FIXEDLENGTH | ticks,
                             "", place, id);
        // A thumb short enough to leave room for the ticks in the layout's height.
        SendMessageA(drawn.window, TBM_SETTHUMBLENGTH, WPARAM(Scaled(18, dpi_)), 0);
        SendMessageA(drawn.window, TBM_SETRANGE, FALSE, MAKELPARAM(layout.minimum, layout.maximum));
        SendMessageA(drawn.window, TBM_SETLINESIZE, 0, layout.step);
        SendMessageA(drawn.window, TBM_SETPAGESIZE, 0, layout.step);
        SendMessageA(drawn.window, TBM_SETTICFREQ, layout.step, 0);
        SendMessageA(drawn.window, TBM_SETPOS, TRUE, static_cast<TrackBar*>(drawn.control)->Position());
        break;
    }
    default:
        break;
    }
    if (drawn.window)
        rowOfWindow_[drawn.window] = row;
}

// Every label takes the size of its text; a right-aligned one keeps its right edge and grows
// to the left, the others keep their left edge.
void Win32FormWindow::FitLabel(Drawn& drawn)
{
    const LayoutRow& layout = drawn.control->Row();
    const RECT box = Place(layout.place, drawn.origin);
    const std::string text = WindowsText(drawn.control->Text());
    const HDC dc = GetDC(drawn.window);
    const HGDIOBJ previous = SelectObject(dc, FontFor(layout));
    RECT size = {0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &size, DT_CALCRECT | DT_SINGLELINE | DT_NOCLIP);
    if (text.empty()) {
        TEXTMETRICA metrics;
        GetTextMetricsA(dc, &metrics);
        size.bottom = metrics.tmHeight;
    }
    SelectObject(dc, previous);
    ReleaseDC(drawn.window, dc);
    const int left = layout.align == TextAlign::Right ? box.right - size.right : box.left;
    MoveWindow(drawn.window, left, box.top, size.right, size.bottom, TRUE);
}

// A check box lower than a line of its text grows about its middle, so that the text is not
// cut (the layout gives "Host Aperture Cycle Queue Slot" 13 pixels at 120 dpi).
void Win32FormWindow::FitCheckBox(Drawn& drawn, const RECT& place)
{
    const HDC dc = GetDC(drawn.window);
    const HGDIOBJ previous = SelectObject(dc, FontFor(drawn.control->Row()));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(drawn.window, dc);
    const int height = place.bottom - place.top;
    if (height >= metrics.tmHeight)
        return;
    const int top = place.top - (metrics.tmHeight - height) / 2;
    MoveWindow(drawn.window, place.left, top, place.right - place.left, metrics.tmHeight, FALSE);
}

// A closed list is as high as its selection field makes it; the field is set so that the
// closed list takes the layout's height. The list that drops down shows every item.
void Win32FormWindow::FitDropDownList(Drawn& drawn, const RECT& place)
{
    const int wanted = place.bottom - place.top;
    RECT closed;
    GetWindowRect(drawn.window, &closed);
    const LRESULT field = SendMessageA(drawn.window, CB_GETITEMHEIGHT, WPARAM(-1), 0);
    if (field > 0 && closed.bottom - closed.top != wanted)
        SendMessageA(drawn.window, CB_SETITEMHEIGHT, WPARAM(-1), field + wanted - (closed.bottom - closed.top));
    const LRESULT item = SendMessageA(drawn.window, CB_GETITEMHEIGHT, 0, 0);
    const int count = int(drawn.control->Row().items.size());
    MoveWindow(drawn.window, place.left, place.top, place.right - place.left,
               wanted + count * int(item > 0 ? item : wanted) + 2, FALSE);
}

// The items stand in one column below the caption, each in an equal share of the room.
void Win32FormWindow::PlaceRadioItems(Drawn& drawn, const RECT& box)
{
    const int caption = Scaled(16, dpi_);
    const int left = box.left + Scaled(10, dpi_), right = box.right - Scaled(4, dpi_);
    const int top = box.top + caption, bottom = box.bottom - Scaled(4, dpi_);
    const int rows = std::max(1, int(drawn.items.size()));
    const int share = (bottom - top) / rows, height = std::min(share, Scaled(20, dpi_));
    for (int i = 0; i < rows; ++i)
        MoveWindow(drawn.items[size_t(i)], left, top + i * share + (share - height) / 2, right - left, height, FALSE);
}

// The tab control fills the window; each page the tab control's display area. Maximising
// enlarges both; the controls keep their places on the pages.
void Win32FormWindow::LayOutPages()
{
    if (!tabs_)
        return;
    RECT client;
    GetClientRect(window_, &client);
    MoveWindow(tabs_, 0, 0, client.right, client.bottom, TRUE);
    RECT display = client;
    SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (HWND page : pages_) {
        MoveWindow(page, display.left, display.top, display.right - display.left, display.bottom - display.top, TRUE);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

// The Tab key visits the controls of a page in their order of the layout table's keyboard
// order, which is their order among the page's windows; each starts a group of its own for the
// arrow keys, but for the second item of a radio group. The rest lie below them.
void Win32FormWindow::SetKeyboardOrder()
{
    std::vector<HWND> order;
    for (size_t page = 0; page < pages_.size() && page < KeyboardOrder().size(); ++page) {
        order.clear();
        for (const std::string& name : KeyboardOrder()[page])
            for (const Drawn& drawn : drawn_)
                if (drawn.control && name == drawn.control->Name()) {
                    if (drawn.items.empty())
                        order.push_back(drawn.window);
                    else
                        order.insert(order.end(), drawn.items.begin(), drawn.items.end());
                }
        for (const Drawn& drawn : drawn_)
            if (drawn.parent == pages_[page] && drawn.window &&
                std::find(order.begin(), order.end(), drawn.window) == order.end())
                order.push_back(drawn.window);
        HWND after = HWND_TOP;
        for (HWND window : order) {
            const Drawn& drawn = drawn_[rowOfWindow_.at(window)];
            const bool secondItem = !drawn.items.empty() && window != drawn.items.front() && window != drawn.window;
            const LONG style = GetWindowLongA(window, GWL_STYLE);
            SetWindowLongA(window, GWL_STYLE, secondItem ? style & ~WS_GROUP : style | WS_GROUP);
            SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = window;
        }
    }
}

// Every control that can carry a hint is a tool; those whose hint is empty show none. A radio
// group's box lets the mouse through to the page, so its area is a tool of the page's.
void Win32FormWindow::AddHints()
{
    for (size_t row = 0; row < drawn_.size(); ++row) {
        Drawn& drawn = drawn_[row];
        if (!drawn.control || !drawn.window)
            continue;
        switch (drawn.control->Kind()) {
        case ControlKind::Label:
        case ControlKind::TextBox:
        case ControlKind::CheckBox:
        case ControlKind::DropDownList:
        case ControlKind::TrackBar:
            hints_->AddWindow(drawn.parent, drawn.window, &drawn.hint);
            break;
        case ControlKind::RadioGroup:
            hints_->AddArea(drawn.parent, UINT(ControlId(row)), PlaceOf(drawn.window), &drawn.hint);
            for (HWND item : drawn.items)
                hints_->AddWindow(drawn.parent, item, &drawn.hint);
            break;
        default:
            break;
        }
    }
}

void Win32FormWindow::ShowPage(int page)
{
    if (SendMessageA(tabs_, TCM_GETCURSEL, 0, 0) != page)
        SendMessageA(tabs_, TCM_SETCURSEL, WPARAM(page), 0);
    for (size_t i = 0; i < pages_.size(); ++i)
        ShowWindow(pages_[i], int(i) == page ? SW_SHOW : SW_HIDE);
}
