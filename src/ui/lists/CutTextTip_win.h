#pragma once
// The tooltip that shows a control's cut text in full. The owner answers
// TTN_GETDISPINFOW with the text, so the tip never holds a stale copy.

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>
#include <span>

namespace varnel::ui {

// A tooltip owned by `owner` over each of `controls`; null when the system
// refuses it (the controls then simply work without one).
inline HWND CreateCutTextTip(HWND owner, HINSTANCE instance, std::span<const HWND> controls, int maxWidth) {
    const HWND tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                       instance, nullptr);
    if (tip == nullptr) {
        return nullptr;
    }
    for (const HWND control : controls) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = owner;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, maxWidth);
    return tip;
}

}  // namespace varnel::ui
