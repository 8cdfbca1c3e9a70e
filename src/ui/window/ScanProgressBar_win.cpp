#include "ui/window/ScanProgressBar_win.h"

#include <commctrl.h>

namespace varnel::ui {

bool ScanProgressBar::Create(HWND statusBar, HWND owner, HINSTANCE instance) {
    owner_ = owner;
    bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, statusBar, nullptr, instance,
                             nullptr);
    if (bar_ == nullptr) {
        return false;
    }
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    // The status bar paints its whole client area; without this it would
    // paint over the bar.
    ::SetWindowLongPtrW(statusBar, GWL_STYLE, ::GetWindowLongPtrW(statusBar, GWL_STYLE) | WS_CLIPCHILDREN);
    return true;
}

void ScanProgressBar::Place(const RECT& area, int width) {
    const int height = area.bottom - area.top;
    ::MoveWindow(bar_, area.right - width, area.top + height / 6, width, height - height / 3, TRUE);
}

void ScanProgressBar::Show(std::optional<int> percent) {
    const bool marquee = !percent.has_value();
    if (marquee != marquee_ || !shown_) {
        const auto style = ::GetWindowLongPtrW(bar_, GWL_STYLE);
        ::SetWindowLongPtrW(bar_, GWL_STYLE, marquee ? style | PBS_MARQUEE : style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
        ::SendMessageW(bar_, PBM_SETMARQUEE, marquee ? TRUE : FALSE, 0);
        marquee_ = marquee;
    }
    if (percent) {
        ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(*percent), 0);
    }
    if (!shown_) {
        ::ShowWindow(bar_, SW_SHOWNOACTIVATE);
        shown_ = true;
    }
    shownPercent_ = percent;
    TellTaskbar(marquee ? TaskbarProgressState::Indeterminate : TaskbarProgressState::Normal, percent.value_or(0));
}

void ScanProgressBar::Hide() {
    if (bar_ != nullptr) {
        ::ShowWindow(bar_, SW_HIDE);
    }
    shown_ = false;
    shownPercent_.reset();
    TellTaskbar(TaskbarProgressState::None, 0);
}

void ScanProgressBar::TellTaskbar(TaskbarProgressState state, int percent) {
    if (state == TaskbarProgressState::None && taskbarState_ == TaskbarProgressState::None) {
        return;
    }
    taskbarState_ = state;
    // Made at the first scan, once the taskbar has its button for us.
    if (!taskbarTried_) {
        taskbarTried_ = true;
        apartment_.emplace();
        if (!apartment_->usable() ||
            FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                      taskbar_.put_void())) ||
            FAILED(taskbar_->HrInit())) {
            taskbar_.reset();
        }
    }
    if (!taskbar_) {
        return;  // no taskbar (a server core, or an old shell): the status bar says it all
    }
    switch (state) {
        case TaskbarProgressState::None: taskbar_->SetProgressState(owner_, TBPF_NOPROGRESS); break;
        case TaskbarProgressState::Indeterminate: taskbar_->SetProgressState(owner_, TBPF_INDETERMINATE); break;
        case TaskbarProgressState::Normal:
            taskbar_->SetProgressState(owner_, TBPF_NORMAL);
            taskbar_->SetProgressValue(owner_, static_cast<ULONGLONG>(percent), 100);
            break;
    }
}

}  // namespace varnel::ui
