#pragma once
// Checks that every static text, button and check box of a window shows
// its whole text: measured in the control's own font (access-key markers
// taken out), wrapped where the control wraps, against the control's size.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace varnel::testing {

// Room a button's frame and a check box's box take besides the text, at the
// control's DPI: what the system draws around it, not our own padding.
inline void ExpectTextsFit(HWND parent, const std::string& where) {
    const UINT dpi = ::GetDpiForWindow(parent) == 0 ? 96 : ::GetDpiForWindow(parent);
    RECT client{};
    ::GetClientRect(parent, &client);
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64]{};
        ::GetClassNameW(child, className, 64);
        const bool button = ::lstrcmpiW(className, L"Button") == 0;
        const bool label = ::lstrcmpiW(className, L"Static") == 0;
        if (!button && !label) {
            continue;
        }
        wchar_t text[2048]{};
        ::GetWindowTextW(child, text, 2048);
        RECT place{};
        ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        const int width = place.right - place.left;
        const int height = place.bottom - place.top;
        const LONG_PTR kind = ::GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
        const bool checkBox = button && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX);
        const int frame = !button ? 0 : checkBox ? ::MulDiv(18, static_cast<int>(dpi), 96)
                                                 : ::MulDiv(8, static_cast<int>(dpi), 96);
        HDC dc = ::GetDC(child);
        const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT measured{0, 0, width - frame, 0};
        ::DrawTextW(dc, text, -1, &measured, DT_CALCRECT | (label ? DT_WORDBREAK : DT_SINGLELINE));
        ::SelectObject(dc, previous);
        ::ReleaseDC(child, dc);
        const int id = ::GetDlgCtrlID(child);
        EXPECT_LE(measured.right - measured.left, width - frame) << where << ": control " << id << " too narrow";
        EXPECT_LE(measured.bottom - measured.top, height) << where << ": control " << id << " too low";
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right && place.bottom <= client.bottom)
            << where << ": a control leaves the window";
    }
}

}  // namespace varnel::testing
