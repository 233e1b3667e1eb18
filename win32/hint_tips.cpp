#include "hint_tips.h"

#include "layout_table.h"

#include <algorithm>

#include <commctrl.h>

namespace {

constexpr int HintPause = 500;
// TTM_SETDELAYTIME takes the time in a low word that Windows' comctl32 reads as a signed number:
// a longer display time would turn into its default of a few seconds.
constexpr int LongestDisplayTime = 32767;

TOOLINFOA ToolInfo(HWND parent, UINT_PTR id, UINT flags)
{
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // what the comctl32 of Windows 95 and NT 4 knows
    tool.uFlags = flags | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = id;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    return tool;
}

}  // namespace

HintTips::HintTips(HWND owner, int dpi)
    : tips_(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleA(nullptr),
                            nullptr))
{
    if (!tips_)
        return;  // the window works without its hints
    // Lines longer than this wrap; comctl32 older than 4.70 ignores the message and keeps each
    // hint on one line.
    SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, Scaled(560, dpi));
    SendMessageA(tips_, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(HintPause, 0));
}

HintTips::~HintTips()
{
    if (tips_)
        DestroyWindow(tips_);
}

void HintTips::AddWindow(HWND parent, HWND control, const std::string* text)
{
    if (!tips_)
        return;
    TOOLINFOA tool = ToolInfo(parent, reinterpret_cast<UINT_PTR>(control), TTF_IDISHWND);
    texts_[tool.uId] = text;
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void HintTips::AddArea(HWND parent, UINT id, const RECT& area, const std::string* text)
{
    if (!tips_)
        return;
    TOOLINFOA tool = ToolInfo(parent, id, 0);
    tool.rect = area;
    texts_[tool.uId] = text;
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void HintTips::SetDisplayTime(int milliseconds)
{
    if (tips_)
        SendMessageA(tips_, TTM_SETDELAYTIME, TTDT_AUTOPOP,
                     MAKELPARAM(std::clamp(milliseconds, 0, LongestDisplayTime), 0));
}

bool HintTips::OnNotify(NMHDR& header)
{
    if (header.code != TTN_NEEDTEXTA || header.hwndFrom != tips_)
        return false;
    auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
    const auto found = texts_.find(header.idFrom);
    info.hinst = nullptr;
    info.lpszText = const_cast<char*>(found != texts_.end() ? found->second->c_str() : "");
    return true;
}
