// File > Save scan and Open scan (on a worker), and the folder snapshot
// kept after each completed scan.

#include "ui/window/MainWindow.h"

#include <commdlg.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "model/FolderSnapshot.h"
#include "model/SavedScan.h"

namespace varnel::ui {
namespace {

constexpr wchar_t SavedScanExtension[] = L"vscan";

std::int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The common file dialog for one saved scan; empty when it was cancelled.
std::wstring AskForScanFile(HWND owner, i18n::Localizer& localizer, bool save) {
    std::wstring filter = localizer.Translate("dialog.saved_scan.filter") + L" (*.vscan)";
    filter += L'\0';
    filter += L"*.vscan";
    filter += L'\0';
    const std::wstring title = localizer.Translate(save ? "dialog.saved_scan.save" : "dialog.saved_scan.open");
    std::wstring path(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = SavedScanExtension;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog))) {
        return {};
    }
    path.resize(path.find(L'\0'));
    return path;
}

}  // namespace

void MainWindow::SaveScanWithDialog() {
    if (lists_.Result().nodes.empty() || scanSession_->IsScanning()) {
        status_.ShowNotice("status.save_nothing");
        return;
    }
    const std::wstring path = AskForScanFile(window_, *localizer_, true);
    if (!path.empty()) {
        SaveScanTo(path);
    }
}

bool MainWindow::SaveScanTo(const std::wstring& path) {
    if (lists_.Result().nodes.empty() || scanSession_->IsScanning()) {
        status_.ShowNotice("status.save_nothing");
        return false;
    }
    if (!savedScans_.StartSave(lists_.Result(), path, SecondsNow(), window_, SavedScanDoneMessage)) {
        status_.ShowNotice("status.saved_scan_busy");
        return false;
    }
    status_.ShowNotice("status.saving_scan");
    return true;
}

void MainWindow::OpenScanWithDialog() {
    if (scanSession_->IsScanning()) {
        return;  // the scan's result is on its way; Cancel first
    }
    const std::wstring path = AskForScanFile(window_, *localizer_, false);
    if (!path.empty()) {
        OpenScanFrom(path);
    }
}

bool MainWindow::OpenScanFrom(const std::wstring& path) {
    if (scanSession_->IsScanning()) {
        return false;
    }
    if (!savedScans_.StartOpen(path, window_, SavedScanDoneMessage)) {
        status_.ShowNotice("status.saved_scan_busy");
        return false;
    }
    status_.ShowNotice("status.opening_scan");
    return true;
}

LRESULT MainWindow::OnSavedScanDone(WPARAM id) {
    if (id == savedScans_.Id() && savedScans_.IsRunning()) {
        FinishSavedScan();
    }
    return 0;
}

void MainWindow::FinishSavedScan() {
    SavedScanTask::Outcome outcome = savedScans_.Finish();
    if (outcome.read.error != core::SavedFileError::None) {
        // A failed save or open changes nothing shown; the notice says why.
        status_.ShowNotice(core::SavedFileErrorKey(outcome.read.error));
        return;
    }
    if (outcome.saving) {
        status_.ShowNotice("status.scan_saved");
        return;
    }
    if (scanSession_->IsScanning()) {
        status_.ClearNotice();
        return;  // a scan started meanwhile: its result is the one to show
    }
    StopExportBeforeResultChanges();
    ClearPanes();
    lists_.ShowResult(std::move(outcome.read.result));
    ShowResultInPanes();
    driveFigures_.reset();  // the drive may have changed since, or be another machine's
    ShowResultInTitle();
    SetIdleControls();
    ShowSummaryText();
    status_.ShowNotice("status.saved.ok");
    resultTakenAt_ = outcome.read.savedAt;
    CompareWithNewestSnapshot();
    search_.ResultChanged();
}

void MainWindow::ToggleKeepSnapshots() {
    const bool keep = !settings_.keepSnapshots;
    if (SaveSettingsWith([&](app::AppSettings& changed) { changed.keepSnapshots = keep; })) {
        BuildMenuBar();
    }
}

void MainWindow::KeepSnapshotOfResult() {
    const core::ScanResult& result = lists_.Result();
    resultTakenAt_ = SecondsNow();
    if (settings_.keepSnapshots && result.status == core::ScanStatus::Completed && !result.nodes.empty()) {
        // The comparison follows once the snapshot is written (OnSnapshotKept).
        snapshots_.Start(result, resultTakenAt_,
                         std::filesystem::path(settingsStore_.SettingsFilePath()).parent_path() /
                             app::SnapshotFolderName,
                         window_, SnapshotKeptMessage);
        return;
    }
    CompareWithNewestSnapshot();
}

LRESULT MainWindow::OnSnapshotKept(WPARAM id) {
    if (snapshots_.Finish(id)) {
        CompareWithNewestSnapshot();
    }
    return 0;
}

}  // namespace varnel::ui
