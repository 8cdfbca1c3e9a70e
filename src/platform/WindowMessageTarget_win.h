#pragma once
// The one window procedure of every window class that is a C++ object. The
// object passes itself as the creation parameter; from WM_NCCREATE on, every
// message goes to its HandleMessage, and after WM_NCDESTROY nothing reaches
// it through the window any more, so a late message cannot touch an object
// that is being or has been destroyed.
//
// A class derives from WindowMessageTarget<Itself>, befriends it, implements
// HandleMessage and may hide OnWindowAttached and OnWindowDetached, for
// example to forget child handles that died with the window.

#include <windows.h>

namespace varnel::platform {

template <class Owner>
class WindowMessageTarget {
protected:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Owner*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
            if (self == nullptr) {
                return FALSE;
            }
            self->window_ = window;
            self->OnWindowAttached();
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            return self->HandleMessage(message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr) {
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            const LRESULT result = ::DefWindowProcW(window, message, wParam, lParam);
            self->window_ = nullptr;
            self->OnWindowDetached();
            return result;
        }
        return self->HandleMessage(message, wParam, lParam);
    }

    void OnWindowAttached() noexcept {}
    void OnWindowDetached() noexcept {}

    HWND window_ = nullptr;
};

}  // namespace varnel::platform
