#pragma once
// Small scopes for drawing code: each one remembers the device context it
// changed and puts it back on every path, so that objects we own can be
// deleted safely afterwards (GDI refuses to delete an object that is still
// selected into a DC, and the failure is silent).

#include <windows.h>

#include <string>

#include "ui/theme/GdiOwners_win.h"

namespace varnel::ui {

// Selects an object and reselects the previous one on destruction. Declare
// it after the owner of the object, so that it is destroyed first.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            ::SelectObject(dc_, previous_);
        }
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves the whole DC state (colours, modes, DC brush colour, selections) and
// restores it, for handlers that draw into a DC lent to them by a control.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) noexcept : dc_(dc), saved_(::SaveDC(dc)) {}
    ~SavedDcState() {
        if (saved_ != 0) {
            ::RestoreDC(dc_, saved_);
        }
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

// BeginPaint and EndPaint as one scope, for WM_PAINT handlers.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Width in pixels of `text` in the font the control uses, as one line; 0
// when it cannot be measured. With `accessKeys` an '&' marks the next
// character and is not drawn, as in button and menu texts.
inline int TextWidthInControl(HWND control, const std::wstring& text, bool accessKeys = false) {
    const WindowDc dc(control);
    if (dc.get() == nullptr) {
        return 0;
    }
    const SelectGuard select(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT area{};
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &area,
                DT_CALCRECT | DT_SINGLELINE | (accessKeys ? 0 : DT_NOPREFIX));
    return area.right - area.left;
}

}  // namespace varnel::ui
