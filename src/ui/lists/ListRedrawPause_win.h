#pragma once
// Lists that neither draw nor lay themselves out while a scope moves or
// changes them, and do both once at its end. A list view moved or resized
// shows and hides its scroll bars on the way, and each of them resizes it
// again; with drawing paused it settles once.

#include <windows.h>

#include <array>
#include <cstddef>

namespace varnel::ui {

// The lists paused by any pause of one thread (the window thread's).
struct PausedLists {
    std::array<HWND, 8> lists{};
    std::size_t count = 0;
};

class ListRedrawPause {
public:
    explicit ListRedrawPause(const std::array<HWND, 3>& lists) noexcept {
        for (const HWND list : lists) {
            // WM_SETREDRAW, where it reaches DefWindowProc, takes WS_VISIBLE
            // away and gives it back: a hidden list is left alone, so that
            // the end of the pause never shows it.
            // A list an outer pause holds stays paused until that one ends.
            if (list != nullptr && (::GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE) != 0 && !IsPaused(list) &&
                held_.count < held_.lists.size()) {
                ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
                paused_[count_++] = list;
                held_.lists[held_.count++] = list;
            }
        }
    }
    // Drawing resumes; what is to be drawn again is left to the caller's
    // invalidation (the list views of the system do not invalidate themselves).
    ~ListRedrawPause() {
        for (std::size_t i = 0; i < count_; ++i) {
            ::SendMessageW(paused_[i], WM_SETREDRAW, TRUE, 0);
            for (std::size_t k = 0; k < held_.count; ++k) {
                if (held_.lists[k] == paused_[i]) held_.lists[k] = held_.lists[--held_.count];
            }
        }
    }
    ListRedrawPause(const ListRedrawPause&) = delete;
    ListRedrawPause& operator=(const ListRedrawPause&) = delete;

private:
    static bool IsPaused(HWND list) noexcept {
        for (std::size_t k = 0; k < held_.count; ++k) {
            if (held_.lists[k] == list) return true;
        }
        return false;
    }
    static inline thread_local PausedLists held_;
    std::array<HWND, 3> paused_{};
    std::size_t count_ = 0;
};

}  // namespace varnel::ui
