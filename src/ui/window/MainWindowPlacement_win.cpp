// The main window as the user left it: placement, splitters, columns, the
// tree's order, the size shown and the last scanned folder, read at start and written when
// the window closes.

#include <algorithm>

#include "ui/window/MainWindow.h"
#include "ui/view/WindowPlacement.h"

namespace varnel::ui {
namespace {

LayoutRect ToLayout(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// Of the monitor nearest to `rect`; empty when the system cannot say.
std::optional<MONITORINFO> MonitorOf(const RECT& rect) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const HMONITOR handle = ::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (handle == nullptr || !::GetMonitorInfoW(handle, &monitor)) {
        return std::nullopt;
    }
    return monitor;
}

}  // namespace

void MainWindow::RestorePlacement() {
    const app::WindowMemory& memory = settings_.window;
    if (memory.dpi == 0) {
        return;
    }
    const RECT saved{memory.left, memory.top, memory.left + memory.width, memory.top + memory.height};
    const std::optional<MONITORINFO> monitor = MonitorOf(saved);
    if (!monitor) {
        return;
    }
    // Moved onto that monitor first, so that its DPI is the window's (and a
    // change of DPI on the way has been handled) before the size is set.
    ::SetWindowPos(window_, nullptr, monitor->rcWork.left, monitor->rcWork.top, 0, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    const UINT monitorDpi = ::GetDpiForWindow(window_);
    const LayoutRect fitted =
        FitRememberedFrame(ToLayout(saved), memory.dpi, ToLayout(monitor->rcWork), monitorDpi == 0 ? 96 : monitorDpi);
    ::SetWindowPos(window_, nullptr, fitted.x, fitted.y, fitted.width, fitted.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::RestoreListsAndFolder() {
    const app::WindowMemory& memory = settings_.window;
    panes_.leftShare = ShareFromSetting(memory.leftPaneShare, panes_.leftShare);
    panes_.upperRightShare = ShareFromSetting(memory.upperRightPaneShare, panes_.upperRightShare);
    lists_.ApplyColumnWidthsAt96(memory.columnWidths);
    lists_.SetSizeMeasure(memory.showSizeOnDisk ? core::SizeMeasure::OnDisk : core::SizeMeasure::Logical);
    treemap_.SetSizeMeasure(lists_.Measure());
    panes_.showTreemap = memory.showTreemap;
    panes_.showFileTypes = memory.showFileTypes;
    panes_.bandShare = ShareFromSetting(memory.resultPanesShare, panes_.bandShare);
    panes_.treemapShare = ShareFromSetting(memory.treemapPaneShare, panes_.treemapShare);
    lists_.ApplyTreeSort(memory.sortColumn, memory.sortDescending);
    if (memory.lastFolder.empty() || ::GetFileAttributesW(memory.lastFolder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return;  // gone since: the path box starts as it always did
    }
    const auto& drives = scanSession_->Drives();
    const auto drive = std::find_if(drives.begin(), drives.end(), [&](const platform::DriveInfo& info) {
        return ::CompareStringOrdinal(info.rootPath.c_str(), -1, memory.lastFolder.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
    if (drive == drives.end()) {
        chosenFolder_ = memory.lastFolder;
        FillPathBox();
        ::SendMessageW(pathBox_, CB_SETCURSEL, 1, 0);
    } else {
        ::SendMessageW(pathBox_, CB_SETCURSEL, static_cast<WPARAM>(1 + (drive - drives.begin())), 0);
    }
}

app::WindowMemory MainWindow::CurrentWindowMemory() const {
    app::WindowMemory memory = settings_.window;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    RECT frame{};
    if (::GetWindowPlacement(window_, &placement) && ::GetWindowRect(window_, &frame)) {
        memory.maximized = placement.showCmd == SW_SHOWMAXIMIZED;
        if (::IsZoomed(window_) || ::IsIconic(window_)) {
            // The restored frame, kept in workspace coordinates: shifted by
            // the room the taskbar takes at the top or left of its monitor.
            frame = placement.rcNormalPosition;
            if (const std::optional<MONITORINFO> monitor = MonitorOf(frame)) {
                ::OffsetRect(&frame, monitor->rcWork.left - monitor->rcMonitor.left,
                             monitor->rcWork.top - monitor->rcMonitor.top);
            }
        }
        memory.left = frame.left;
        memory.top = frame.top;
        memory.width = frame.right - frame.left;
        memory.height = frame.bottom - frame.top;
        memory.dpi = dpi_;
    }
    memory.leftPaneShare = ShareToSetting(panes_.leftShare);
    memory.upperRightPaneShare = ShareToSetting(panes_.upperRightShare);
    memory.resultPanesShare = ShareToSetting(panes_.bandShare);
    memory.treemapPaneShare = ShareToSetting(panes_.treemapShare);
    memory.columnWidths = lists_.ColumnWidthsAt96();
    memory.sortColumn = lists_.TreeSortColumn();
    memory.sortDescending = lists_.TreeSortDescending();
    return memory;
}

void MainWindow::RememberWindow() {
    if (pathBox_ == nullptr) {
        return;  // creation failed half-way: nothing worth keeping
    }
    const app::WindowMemory memory = CurrentWindowMemory();
    // The window is going: a failure has nowhere to be shown.
    SaveSettingsWith([&](app::AppSettings& settings) { settings.window = memory; });
}

void MainWindow::ShowResultInTitle() {
    const core::ScanResult& result = lists_.Result();
    std::wstring title = baseTitle_;
    if (result.status != core::ScanStatus::Failed && !result.nodes.empty()) {
        const bool merged = result.rootPath == core::MergedRootName;
        title = (merged ? localizer_->Translate("combo.all_local_drives") : result.rootPath) + L" - " + baseTitle_;
        if (!merged) {
            settings_.window.lastFolder = result.rootPath;
        }
    }
    ::SetWindowTextW(window_, title.c_str());
}

}  // namespace varnel::ui
