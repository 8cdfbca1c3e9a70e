// Rescan of one folder (the context menu's Rescan, Ctrl+R on the tree's
// folder): a directory engine lists it again on the scan thread while the
// old result stays shown, and the new subtree then takes the old one's place.

#include "model/SubtreeSplice.h"
#include "ui/window/MainWindow.h"

namespace varnel::ui {

void MainWindow::RescanFolder(std::uint64_t node) {
    const core::ScanResult& result = lists_.Result();
    if (scanSession_->IsScanning() || node >= result.nodes.size() || !result.nodes[node].IsDirectory() ||
        (node == result.rootIndex && result.rootPath == core::MergedRootName)) {
        return;
    }
    std::wstring path = result.nodes[node].Path();
    // A directory engine for one folder: the MFT engine reads a whole volume.
    const app::ScanOptions saved = scanSession_->GetScanOptions();
    app::ScanOptions options = saved;
    options.engineChoice = core::EngineChoice::NtQueryDirectory;
    scanSession_->SetScanOptions(options);
    rescanPath_ = path;
    scanSession_->StartScanPaths({path}, path, window_);
    scanSession_->SetScanOptions(saved);
    if (!scanSession_->IsScanning()) {
        return;  // a start that failed still posts its failed result
    }
    status_.ClearNotice();
    ::SetFocus(cancelButton_);
    for (HWND control : {pathBox_, scanButton_, folderButton_, openButton_}) {
        ::EnableWindow(control, FALSE);
    }
    ::EnableWindow(cancelButton_, TRUE);
    scanStart_ = std::chrono::steady_clock::now();
    expectedScanBytes_ = 0;
    ShowProgressText();
    ::SetTimer(window_, ProgressTimerId, app::ProgressTimerPeriodMs, nullptr);
}

LRESULT MainWindow::OnRescanCompleted() {
    ::KillTimer(window_, ProgressTimerId);
    const bool hadFocus = ::GetFocus() == cancelButton_;
    const std::wstring path = std::exchange(rescanPath_, std::wstring());
    core::ScanResult fresh = scanSession_->TakeResult();
    progressBar_.Hide();
    SetIdleControls();
    if (hadFocus) {
        ::SetFocus(lists_.TreeList());
    }
    ShowSummaryText();
    // Only a whole new subtree may replace the old one: a failed or
    // cancelled rescan leaves the result as it was and says so.
    if (fresh.status == core::ScanStatus::Failed) {
        // Named, since the path box shows the whole scan's root, not this folder.
        status_.ShowNoticeText(path + L": " + app::ScanFailureNotice(fresh, [this](std::string_view key) {
                                                  return localizer_->Translate(key);
                                              }));
        return 0;
    }
    if (fresh.status != core::ScanStatus::Completed) {
        status_.ShowNotice("status.rescan_cancelled");
        return 0;
    }
    // Found again by its path: a deletion meanwhile renumbers the nodes.
    const std::uint64_t folder = core::FindFolder(lists_.Result(), path);
    if (folder == core::NoIndex || !lists_.ReplaceSubtree(folder, std::move(fresh))) {
        status_.ShowNotice("status.rescan_failed");
        return 0;
    }
    status_.ShowNotice("status.rescanned");
    return 0;
}

}  // namespace varnel::ui
