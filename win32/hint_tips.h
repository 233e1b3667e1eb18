#pragma once
// The hints of the window: one tooltip control for all of them. A hint shows once the pointer
// has rested 500 ms on its control, in the system's tooltip colours, its lines broken at each
// line feed and long lines wrapped, every "&" as it is. The tooltip asks for a tool's text each
// time it would show it, so a control whose hint is empty shows none, and a new hint needs no
// new tool.

#include <map>
#include <string>

#include <windows.h>

class HintTips {
public:
    HintTips(HWND owner, int dpi);
    ~HintTips();
    HintTips(const HintTips&) = delete;
    HintTips& operator=(const HintTips&) = delete;

    // A control window as a tool; `text` (Windows-1252, "\r\n" between lines) is read when the
    // hint shows and must outlive the tool. The tooltip asks `parent` for the text.
    void AddWindow(HWND parent, HWND control, const std::string* text);
    // An area of `parent` as a tool, for a control that lets the mouse through (a group box).
    void AddArea(HWND parent, UINT id, const RECT& area, const std::string* text);
    // How long a hint stays once it shows.
    void SetDisplayTime(int milliseconds);
    // Answers the tooltip's question for a tool's text; false for any other notification.
    bool OnNotify(NMHDR& header);

private:
    HWND tips_;
    std::map<UINT_PTR, const std::string*> texts_;
};
