#pragma once
// The bar in the status bar and the taskbar button's progress while a scan
// runs: a percentage where a total is known, the marquee where it is not.

#include <windows.h>

#include <shobjidl.h>

#include <optional>

#include "platform/ComOwners_win.h"

namespace varnel::ui {

// What the taskbar button was last told; kept so tests can read it, as
// the taskbar cannot be asked.
enum class TaskbarProgressState { None, Indeterminate, Normal };

class ScanProgressBar {
public:
    ScanProgressBar() = default;
    ScanProgressBar(const ScanProgressBar&) = delete;
    ScanProgressBar& operator=(const ScanProgressBar&) = delete;
    ~ScanProgressBar() = default;

    // A hidden bar inside `statusBar`; `owner` is the top-level window whose
    // taskbar button shows the same. False when the control cannot be made.
    bool Create(HWND statusBar, HWND owner, HINSTANCE instance);
    // Right-aligned in `area` (client coordinates of the status bar).
    void Place(const RECT& area, int width);

    void Show(std::optional<int> percent);
    void Hide();

    std::optional<int> ShownPercent() const noexcept { return shownPercent_; }
    TaskbarProgressState TaskbarState() const noexcept { return taskbarState_; }
    bool IsShown() const noexcept { return shown_; }

private:
    void TellTaskbar(TaskbarProgressState state, int percent);

    HWND bar_ = nullptr;  // a child of the status bar: destroyed with it
    HWND owner_ = nullptr;
    // The apartment goes after the taskbar object made in it.
    std::optional<platform::ComApartment> apartment_;
    platform::ComPtr<ITaskbarList3> taskbar_;
    bool taskbarTried_ = false;
    bool shown_ = false;
    bool marquee_ = false;
    std::optional<int> shownPercent_;
    TaskbarProgressState taskbarState_ = TaskbarProgressState::None;
};

}  // namespace varnel::ui
