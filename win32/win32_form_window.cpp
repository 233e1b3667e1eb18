// The Win32 face: what the form tells it (a control to draw anew, a message, the hints' time)
// and what Windows tells it (clicks, picks, moves, ticks, the close), each to the form core.
#include "win32_form_window.h"

#include "main_form.h"
#include "failure_display.h"
#include "windows_text.h"

#include <algorithm>
#include <exception>

#include <commctrl.h>

namespace {
constexpr UINT_PTR RefreshTimerId = 1;
}  // namespace

Win32FormWindow::Win32FormWindow(ConfigAccess& access)
    : form_(std::make_unique<TMForm>(access, static_cast<FormFace&>(*this)))
{
}

Win32FormWindow::~Win32FormWindow()
{
    destroying_ = true;
    hints_.reset();
    if (window_ && IsWindow(window_)) {
        KillTimer(window_, RefreshTimerId);
        SetWindowLongA(window_, GWL_USERDATA, 0);
        for (HWND page : pages_)
            SetWindowLongA(page, GWL_USERDATA, 0);
        DestroyWindow(window_);
    }
    for (HFONT font : fonts_)
        DeleteObject(font);
}

void Win32FormWindow::Construct() { form_->Construct(); }

void Win32FormWindow::Show(int how)
{
    ShowWindow(window_, how);
    UpdateWindow(window_);
    // The keyboard to the page's first control; a radio group's chosen item only, since an item
    // that gets the focus may be chosen by it.
    const std::vector<std::string>& first = KeyboardOrder().at(size_t(form_->PageCtrl.ActivePage()));
    if (first.empty())
        return;
    for (const Drawn& drawn : drawn_) {
        if (!drawn.control || first.front() != drawn.control->Name())
            continue;
        if (drawn.items.empty())
            SetFocus(drawn.window);
        for (HWND item : drawn.items)
            if (SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED)
                SetFocus(item);
    }
}

bool Win32FormWindow::PreTranslate(MSG& message) { return window_ && IsDialogMessageA(window_, &message); }

// ---------------------------------------------------------------------------------------------
// What the form tells the face

// What the form sets is drawn without a notification of the user's kind: Windows sends none
// for BM_SETCHECK, CB_SETCURSEL, TBM_SETPOS or TCM_SETCURSEL.
void Win32FormWindow::ControlChanged(const Control& control)
{
    if (control.Kind() == ControlKind::Timer) {
        const auto& timer = static_cast<const Timer&>(control);
        if (!window_)
            return;
        if (timer.Running())
            SetTimer(window_, RefreshTimerId, UINT(timer.Interval()), nullptr);  // a new period begins
        else
            KillTimer(window_, RefreshTimerId);
        return;
    }
    auto found = std::find_if(drawn_.begin(), drawn_.end(), [&](const Drawn& d) { return d.control == &control; });
    if (found == drawn_.end() || !found->window)
        return;
    Drawn& drawn = *found;
    drawn.hint = WindowsLines(control.Hint());
    EnableWindow(drawn.window, control.Enabled());
    for (HWND item : drawn.items)
        EnableWindow(item, control.Enabled());

    switch (control.Kind()) {
    case ControlKind::Label:
        SetWindowTextA(drawn.window, WindowsText(control.Text()).c_str());
        FitLabel(drawn);
        break;
    case ControlKind::TextBox: {
        const std::string lines = WindowsLines(control.Text());
        const int length = GetWindowTextLengthA(drawn.window);
        std::string shown(size_t(length) + 1, '\0');
        GetWindowTextA(drawn.window, &shown[0], length + 1);
        shown.resize(size_t(length));
        if (shown != lines)
            SetWindowTextA(drawn.window, lines.c_str());
        break;
    }
    case ControlKind::CheckBox:
        SetWindowTextA(drawn.window, WindowsText(control.Text()).c_str());
        SendMessageA(drawn.window, BM_SETCHECK, static_cast<const CheckBox&>(control).Checked() ? BST_CHECKED : 0, 0);
        break;
    case ControlKind::GroupBox:
        SetWindowTextA(drawn.window, WindowsText(control.Text()).c_str());
        break;
    case ControlKind::RadioGroup: {
        const int index = static_cast<const RadioGroup&>(control).ItemIndex();
        for (size_t i = 0; i < drawn.items.size(); ++i)
            SendMessageA(drawn.items[i], BM_SETCHECK, int(i) == index ? BST_CHECKED : 0, 0);
        break;
    }
    case ControlKind::DropDownList:
        SendMessageA(drawn.window, CB_SETCURSEL, WPARAM(static_cast<const DropDownList&>(control).ItemIndex()), 0);
        break;
    case ControlKind::TrackBar:
        SendMessageA(drawn.window, TBM_SETPOS, TRUE, static_cast<const TrackBar&>(control).Position());
        break;
    case ControlKind::PageControl:
        ShowPage(static_cast<const PageControl&>(control).ActivePage());
        break;
    default:
        break;
    }
}

// The program's own kind of message box: one OK button, no icon, and no title of the
// program's, so Windows gives it its default one.
void Win32FormWindow::ShowMessage(const std::string& text)
{
    const HWND owner = window_ && IsWindowVisible(window_) ? window_ : nullptr;
    MessageBoxA(owner, WindowsText(text).c_str(), nullptr, MB_OK);
}

void Win32FormWindow::SetHintDisplayTime(int milliseconds)
{
    if (hints_)
        hints_->SetDisplayTime(milliseconds);
}

// ---------------------------------------------------------------------------------------------
// What Windows tells the face

// A failure inside a handler must not cross Windows' own code on its way up (nothing there
// knows of C++ exceptions): it is shown here, and the message loop goes on.
LRESULT CALLBACK Win32FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongA(window, GWL_USERDATA));
    if (!self || self->destroying_)
        return DefWindowProcA(window, message, wParam, lParam);
    try {
        return self->Handle(window, message, wParam, lParam);
    } catch (const std::exception& failure) {
        ShowFailure(failure.what(), self->window_);
    } catch (...) {
        ShowFailure("Unknown failure", self->window_);
    }
    return 0;
}

// Windows' edit box selects nothing on Ctrl+A by itself.
LRESULT CALLBACK Win32FormWindow::TextBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_USERDATA));
    if (message == WM_CHAR && wParam == 1) {  // Ctrl+A
        SendMessageA(window, EM_SETSEL, 0, -1);
        return 0;
    }
    return CallWindowProcA(original, window, message, wParam, lParam);
}

LRESULT Win32FormWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam)
            OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_HSCROLL:
        if (lParam)
            OnTrackBar(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return OnColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
        break;
    }
    if (window != window_)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_TIMER:
        if (wParam == RefreshTimerId)
            form_->iRefreshTmr.Tick();
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            LayOutPages();
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_CLOSE:
        form_->FormClose();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ENDSESSION:
        if (wParam) {
            form_->FormClose();
            if (onSessionEnd)
                onSessionEnd();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void Win32FormWindow::OnCommand(HWND from, int code)
{
    const auto found = rowOfWindow_.find(from);
    if (found == rowOfWindow_.end())
        return;
    Drawn& drawn = drawn_[found->second];
    switch (drawn.control->Kind()) {
    case ControlKind::CheckBox:
        if (code == BN_CLICKED) {
            auto& box = static_cast<CheckBox&>(*drawn.control);
            box.UserChecks(!box.Checked());
        }
        break;
    case ControlKind::RadioGroup:
        if (code == BN_CLICKED) {
            const auto item = std::find(drawn.items.begin(), drawn.items.end(), from);
            if (item != drawn.items.end())
                static_cast<RadioGroup&>(*drawn.control).UserPicks(int(item - drawn.items.begin()));
        }
        break;
    case ControlKind::DropDownList:
        // Sent for the user's picks only: a click, the wheel, each arrow-key step.
        if (code == CBN_SELCHANGE)
            static_cast<DropDownList&>(*drawn.control)
                .UserPicks(int(SendMessageA(drawn.window, CB_GETCURSEL, 0, 0)));
        break;
    default:
        break;
    }
}

void Win32FormWindow::OnTrackBar(HWND from)
{
    const auto found = rowOfWindow_.find(from);
    if (found == rowOfWindow_.end() || drawn_[found->second].control->Kind() != ControlKind::TrackBar)
        return;
    auto& bar = static_cast<TrackBar&>(*drawn_[found->second].control);
    bar.UserMoves(int(SendMessageA(from, TBM_GETPOS, 0, 0)));
}

LRESULT Win32FormWindow::OnNotify(NMHDR& header)
{
    if (hints_ && hints_->OnNotify(header))
        return 0;
    if (header.hwndFrom == tabs_ && header.code == UINT(TCN_SELCHANGE)) {
        const int page = int(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0));
        ShowPage(page);
        form_->PageCtrl.UserPicks(page);
    }
    return 0;
}

// Text colours of the layout on the button face; the read-only edit box keeps the window's
// colour, as an edit box that can be read.
LRESULT Win32FormWindow::OnColour(HDC dc, HWND from)
{
    const auto found = rowOfWindow_.find(from);
    if (found != rowOfWindow_.end() && drawn_[found->second].control->Kind() == ControlKind::TextBox) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    if (found != rowOfWindow_.end()) {
        const Control& control = *drawn_[found->second].control;
        if (control.Row().colour && control.Enabled())
            text = RGB(control.Row().colour->red, control.Row().colour->green, control.Row().colour->blue);
    }
    SetTextColor(dc, text);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The control that had the keyboard gets it back when the window is active again; an item of a
// radio group only while it is the chosen one, as its focus would choose it.
void Win32FormWindow::OnActivate(bool active)
{
    if (!active) {
        const HWND focus = GetFocus();
        focusBeforeDeactivation_ = focus && IsChild(window_, focus) ? focus : nullptr;
        return;
    }
    const HWND focus = focusBeforeDeactivation_;
    if (!focus || !IsWindow(focus) || !IsWindowVisible(focus))
        return;
    const auto found = rowOfWindow_.find(focus);
    if (found != rowOfWindow_.end() && !drawn_[found->second].items.empty() &&
        SendMessageA(focus, BM_GETCHECK, 0, 0) != BST_CHECKED)
        return;
    SetFocus(focus);
}
