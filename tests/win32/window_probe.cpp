// The window tests' eyes and hands inside Wine: looks at a running window of i815 Quarvel from
// another process, as any Windows program may, and says what it finds. The clicks and keys
// themselves come from outside, through X (xdotool), as a user's would.
//
//   window_probe wait [SECONDS]        waits until the main window shows
//   window_probe places                checks every control's place against the layout table,
//                                      scaled to the screen's dots per inch; prints the dpi
//   window_probe centre NAME [ITEM]    the screen point in the middle of a control (or of a
//                                      radio group's item), "X Y"
//   window_probe tab PAGE              the screen point in the middle of a page's tab, "X Y"
//   window_probe page                  the index of the page shown
//   window_probe checked NAME          1 when the check box is checked, else 0
//   window_probe message [SECONDS]     waits for a message box, prints its title, its icon
//                                      ("icon" or "no icon") and its text, and presses OK
//   window_probe shown                 1 while the main window is visible, else 0
//   window_probe close                 asks the main window to close
//   window_probe about FILE            the About text as the form core makes it on the
//                                      built-in emulated i815, as UTF-8, into FILE
//   window_probe default-dump FILE     the built-in emulated i815 as an lspci dump, into FILE
#include "main_form.h"
#include "control_ids.h"
#include "emulated_i815.h"
#include "form_face.h"
#include "mechanism1_access.h"
#include "register_dump.h"
#include "windows1252.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

namespace {

const char WindowClass[] = "i815Win32FormWindow";

[[noreturn]] void Fail(const std::string& why)
{
    std::fprintf(stderr, "window_probe: %s\n", why.c_str());
    std::exit(1);
}

HWND MainWindow() { return FindWindowA(WindowClass, nullptr); }

HWND WaitFor(const std::function<HWND()>& find, double seconds)
{
    for (DWORD waited = 0; waited <= DWORD(seconds * 1000); waited += 50) {
        if (const HWND found = find())
            return found;
        Sleep(50);
    }
    return nullptr;
}

size_t RowOf(const std::string& name)
{
    const std::vector<LayoutRow>& table = LayoutTable();
    for (size_t row = 0; row < table.size(); ++row)
        if (name == table[row].name)
            return row;
    Fail("the layout has no control " + name);
}

BOOL CALLBACK NoteControl(HWND child, LPARAM found)
{
    (*reinterpret_cast<std::map<int, HWND>*>(found))[GetDlgCtrlID(child)] = child;
    return TRUE;
}

std::map<int, HWND> ControlsById(HWND main)
{
    std::map<int, HWND> controls;
    EnumChildWindows(main, NoteControl, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

HWND ControlWindow(HWND main, int id)
{
    const std::map<int, HWND> controls = ControlsById(main);
    const auto found = controls.find(id);
    if (found == controls.end())
        Fail("no control window with ID " + std::to_string(id));
    return found->second;
}

HWND MainOrFail()
{
    const HWND main = MainWindow();
    if (!main)
        Fail("the window of i815 Quarvel is not there");
    return main;
}

RECT ScreenRect(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

std::string Text(HWND window)
{
    char text[4096] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void PrintCentre(const RECT& r) { std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2); }

int ScreenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// Every control at its place: relative to its layout parent (the page, or the group box it
// lies in), each edge as the layout scales it. A label takes the size of its text, so only its
// fixed edges count (left and top; right and top when right-aligned); a check box that its text
// does not fit grows about its middle; a closed drop-down list is as high as Windows makes it.
int CheckPlaces()
{
    const HWND main = MainOrFail();
    const int dpi = ScreenDpi();
    const std::vector<LayoutRow>& table = LayoutTable();
    int problems = 0, checked = 0;
    const auto problem = [&](const std::string& what) {
        std::printf("  %s\n", what.c_str());
        ++problems;
    };

    RECT client;
    GetClientRect(main, &client);
    const LayoutRect window = Scaled(table[0].place, dpi);
    if (client.right != window.width || client.bottom != window.height)
        problem("MForm: client area " + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
                ", the layout gives " + std::to_string(window.width) + "x" + std::to_string(window.height));

    for (size_t row = 1; row < table.size(); ++row) {
        const LayoutRow& layout = table[row];
        if (layout.kind == ControlKind::Timer || layout.kind == ControlKind::Page)
            continue;
        const HWND control = ControlWindow(main, ControlId(row));
        RECT actual = ScreenRect(control);
        const std::string name = layout.name;
        if (layout.kind == ControlKind::PageControl) {
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&actual), 2);
            if (actual.left != 0 || actual.top != 0 || actual.right != client.right || actual.bottom != client.bottom)
                problem(name + ": at " + Describe(actual) + ", not filling the window");
            ++checked;
            continue;
        }
        // Its page, and where its layout parent begins.
        const size_t parent = RowOf(layout.parent);
        RECT origin = ScreenRect(GetParent(control));
        if (table[parent].kind == ControlKind::GroupBox) {
            origin = ScreenRect(ControlWindow(main, ControlId(parent)));
            const size_t page = RowOf(table[parent].parent);
            if (GetDlgCtrlID(GetParent(control)) != ControlId(page))
                problem(name + ": not on the page " + table[page].name);
        } else if (GetDlgCtrlID(GetParent(control)) != ControlId(parent)) {
            problem(name + ": not on the page " + layout.parent);
        }
        OffsetRect(&actual, -origin.left, -origin.top);
        const LayoutRect want = Scaled(layout.place, dpi);
        const RECT expected{want.left, want.top, want.left + want.width, want.top + want.height};
        bool right = false;
        switch (layout.kind) {
        case ControlKind::Label:
            right = layout.align == TextAlign::Right ? actual.right == expected.right && actual.top == expected.top
                                                     : actual.left == expected.left && actual.top == expected.top;
            break;
        case ControlKind::CheckBox:
            right = actual.left == expected.left && actual.right == expected.right &&
                    ((actual.top == expected.top && actual.bottom == expected.bottom) ||
                     (actual.bottom - actual.top > want.height &&
                      std::abs((actual.top + actual.bottom) - (expected.top + expected.bottom)) <= 1));
            break;
        case ControlKind::DropDownList:
            right = actual.left == expected.left && actual.top == expected.top && actual.right == expected.right &&
                    std::abs((actual.bottom - actual.top) - want.height) <= 2;
            break;
        default:
            right = EqualRect(&actual, &expected) != 0;
            break;
        }
        if (!right)
            problem(name + ": at " + Describe(actual) + ", the layout gives " + Describe(expected));
        // Captions as Windows shows them: Windows-1252, "&&" for one "&".
        if (layout.kind == ControlKind::CheckBox || layout.kind == ControlKind::GroupBox ||
            layout.kind == ControlKind::RadioGroup) {
            const std::string want1252 = ToWindows1252(layout.text);
            if (Text(control) != want1252)
                problem(name + ": caption \"" + Text(control) + "\", the layout gives \"" + want1252 + "\"");
        }
        ++checked;
    }
    std::printf("%d controls checked at %d dpi, %d misplaced\n", checked, dpi, problems);
    return problems == 0 ? 0 : 1;
}

// TCM_GETITEMRECT writes into the memory of the process that owns the tab control.
int TabCentre(int page)
{
    const HWND main = MainOrFail();
    const HWND tabs = ControlWindow(main, ControlId(RowOf("PageCtrl")));
    DWORD processId = 0;
    GetWindowThreadProcessId(tabs, &processId);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        Fail("cannot open the window's process");
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT r{};
    const bool got = remote && SendMessageA(tabs, TCM_GETITEMRECT, WPARAM(page), reinterpret_cast<LPARAM>(remote)) &&
                     ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!got)
        Fail("no tab " + std::to_string(page));
    MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&r), 2);
    PrintCentre(r);
    return 0;
}

int ShownPage()
{
    const HWND main = MainOrFail();
    const std::vector<LayoutRow>& table = LayoutTable();
    int page = 0;
    for (size_t row = 0; row < table.size(); ++row) {
        if (table[row].kind != ControlKind::Page)
            continue;
        if (IsWindowVisible(ControlWindow(main, ControlId(row)))) {
            std::printf("%d\n", page);
            return 0;
        }
        ++page;
    }
    Fail("no page is shown");
}

struct MessageBoxFound {
    HWND box = nullptr;
};

std::string ClassName(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK NoteMessageBox(HWND window, LPARAM result)
{
    if (ClassName(window) == "#32770" && IsWindowVisible(window)) {
        reinterpret_cast<MessageBoxFound*>(result)->box = window;
        return FALSE;
    }
    return TRUE;
}

// The message box of any program, shown now: a dialog of the system's class.
HWND FindMessageBox()
{
    MessageBoxFound found;
    EnumWindows(NoteMessageBox, reinterpret_cast<LPARAM>(&found));
    return found.box;
}

BOOL CALLBACK NoteIcon(HWND child, LPARAM found)
{
    if (lstrcmpiA(ClassName(child).c_str(), "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

bool HasIcon(HWND box)
{
    bool icon = false;
    EnumChildWindows(box, NoteIcon, reinterpret_cast<LPARAM>(&icon));
    return icon;
}

// A message box holds its text in the static control 0xFFFF.
int Message(double seconds)
{
    const HWND box = WaitFor(FindMessageBox, seconds);
    if (!box)
        Fail("no message box appeared");
    std::printf("title: %s\n%s\ntext: %s\n", Text(box).c_str(), HasIcon(box) ? "icon" : "no icon",
                Text(GetDlgItem(box, 0xFFFF)).c_str());
    std::fflush(stdout);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return 0;
}

class SilentFace : public FormFace {
    void LoadLayout(TMForm&) override {}
    void ControlChanged(const ::Control&) override {}
    void ShowMessage(const std::string&) override {}
    void SetHintDisplayTime(int) override {}
};

int WriteFile(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0)
        Fail("cannot write " + path);
    return 0;
}

int AboutText(const std::string& path)
{
    EmulatedI815 chip;
    Mechanism1Access access(chip);
    SilentFace face;
    TMForm form(access, face);
    form.Construct();
    return WriteFile(path, form.AboutRC.Text());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    const auto number = [&](int at, double otherwise) { return argc > at ? std::atof(argv[at]) : otherwise; };
    if (command == "wait") {
        const HWND main = WaitFor([] {
            const HWND main = MainWindow();
            return main && IsWindowVisible(main) ? main : nullptr;
        }, number(2, 20));
        if (!main)
            Fail("the window did not show");
        return 0;
    }
    if (command == "places")
        return CheckPlaces();
    if (command == "centre" && argc > 2) {
        const size_t row = RowOf(argv[2]);
        const int id = argc > 3 ? RadioItemId(row, std::atoi(argv[3])) : ControlId(row);
        PrintCentre(ScreenRect(ControlWindow(MainOrFail(), id)));
        return 0;
    }
    if (command == "tab" && argc > 2)
        return TabCentre(std::atoi(argv[2]));
    if (command == "page")
        return ShownPage();
    if (command == "checked" && argc > 2) {
        const HWND box = ControlWindow(MainOrFail(), ControlId(RowOf(argv[2])));
        std::printf("%d\n", SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if (command == "message")
        return Message(number(2, 20));
    if (command == "shown") {
        const HWND main = MainWindow();
        std::printf("%d\n", main && IsWindowVisible(main) ? 1 : 0);
        return 0;
    }
    if (command == "close") {
        PostMessageA(MainOrFail(), WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == "about" && argc > 2)
        return AboutText(argv[2]);
    if (command == "default-dump" && argc > 2)
        return WriteFile(argv[2], FormatRegisterDump(EmulatedI815::DefaultImage()));
    Fail("usage: see the head of window_probe.cpp");
}
