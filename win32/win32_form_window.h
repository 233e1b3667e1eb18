#pragma once
// The Win32 face of the main window: it draws the controls of the form core (TMForm) with the
// controls of Windows 95 and NT 4 (a tab control with several rows of tabs, track bars,
// drop-down lists, check boxes, radio buttons in group boxes, a read-only edit box, tooltips)
// and reports the user's actions to them. What reaches the chip, and when, is the core's
// business. Places come from the layout table, scaled to the screen's dots per inch.

#include "form_face.h"
#include "hint_tips.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

class ConfigAccess;
class TMForm;

class Win32FormWindow : private FormFace {
public:
    // The form on this access to the chip; nothing is drawn and the chip is not touched yet.
    explicit Win32FormWindow(ConfigAccess& access);
    ~Win32FormWindow() override;
    Win32FormWindow(const Win32FormWindow&) = delete;
    Win32FormWindow& operator=(const Win32FormWindow&) = delete;

    // The form's construction: the layout is drawn (hidden), then the chip is read. A failure
    // leaves it; the window is then never shown.
    void Construct();
    TMForm& core() { return *form_; }
    HWND handle() const { return window_; }
    void Show(int how);
    // The message loop's filter: Tab and the arrow keys move among the controls.
    bool PreTranslate(MSG& message);
    // Runs when Windows ends the session, once the window has had its close.
    std::function<void()> onSessionEnd;

private:
    struct Drawn {
        Control* control = nullptr;
        HWND window = nullptr;    // the control's window; a radio group's box
        std::vector<HWND> items;  // a radio group's buttons
        HWND parent = nullptr;    // the page (or the main window) it lies on
        POINT origin{};           // where its layout parent's area begins on that window
        std::string hint;         // as the tooltip shows it
    };

    // FormFace
    void LoadLayout(TMForm& form) override;
    void ControlChanged(const Control& control) override;
    void ShowMessage(const std::string& text) override;
    void SetHintDisplayTime(int milliseconds) override;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TextBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void CreateMainWindow(const LayoutRow& row);
    void Create(size_t row);
    HWND Child(Drawn& drawn, const char* windowClass, DWORD style, const std::string& text, const RECT& place,
               int id, DWORD exStyle = 0);
    RECT Place(const LayoutRect& layout, POINT origin) const;
    HFONT FontFor(const LayoutRow& row);
    void FitLabel(Drawn& drawn);
    void FitCheckBox(Drawn& drawn, const RECT& place);
    void FitDropDownList(Drawn& drawn, const RECT& place);
    void PlaceRadioItems(Drawn& drawn, const RECT& box);
    void LayOutPages();
    void SetKeyboardOrder();
    void AddHints();
    void ShowPage(int page);

    void OnCommand(HWND from, int code);
    void OnTrackBar(HWND from);
    LRESULT OnNotify(NMHDR& header);
    LRESULT OnColour(HDC dc, HWND from);
    void OnActivate(bool active);

    std::unique_ptr<TMForm> form_;
    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    std::vector<HWND> pages_;
    std::vector<Drawn> drawn_;  // by row of the layout table
    std::map<HWND, size_t> rowOfWindow_;
    std::vector<HFONT> fonts_;
    HFONT windowFont_ = nullptr;
    std::unique_ptr<HintTips> hints_;
    HWND focusBeforeDeactivation_ = nullptr;
    int dpi_ = 96;
    bool destroying_ = false;
};
