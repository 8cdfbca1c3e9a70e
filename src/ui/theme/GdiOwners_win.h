#pragma once
// Typed owners of the GDI objects we create, so drawing code never casts
// through HGDIOBJ and every object is deleted on every path, and the one DC
// we borrow from a window, which goes back to that window.

#include <windows.h>

#include "platform/UniqueHandle_win.h"

namespace varnel::ui {

template <class GdiHandle>
struct GdiObjectTraits {
    using Handle = GdiHandle;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::DeleteObject(handle); }
};

using UniqueBrush = platform::UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = platform::UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueFont = platform::UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBitmap = platform::UniqueHandle<GdiObjectTraits<HBITMAP>>;

// GetDC and ReleaseDC as one scope; get() is null when the window gave none.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    // With `wholeWindow`, the frame too (GetWindowDC): for drawing over what
    // the system paints outside the client area.
    WindowDc(HWND window, bool wholeWindow) noexcept
        : window_(window), dc_(wholeWindow ? ::GetWindowDC(window) : ::GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace varnel::ui
