// File > Save scan and Open scan, and the folder snapshot kept after each
// completed scan with what changed since the one before.

#include "ui/window/MainWindow.h"

#include <commdlg.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/Utf8.h"
#include "i18n/Formatting.h"
#include "model/SavedScan.h"
#include "platform/FileBytes.h"
#include "report/ChangeReport.h"
#include "scan/SnapshotStore.h"

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

std::wstring Signed(std::wstring_view locale, std::int64_t change) {
    const std::uint64_t magnitude =
        change < 0 ? static_cast<std::uint64_t>(-(change + 1)) + 1 : static_cast<std::uint64_t>(change);
    return (change < 0 ? L"\u2212" : L"+") + i18n::FormatSize(locale, magnitude);
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
    if (!platform::WriteWholeFile(std::filesystem::path(path), core::WriteSavedScan(lists_.Result(), SecondsNow()))) {
        status_.ShowNotice(core::SavedFileErrorKey(core::SavedFileError::WriteFailed));
        return false;
    }
    status_.ShowNotice("status.scan_saved");
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
    const auto bytes = platform::ReadWholeFile(std::filesystem::path(path));
    core::SavedScanRead read;
    if (!bytes) {
        read.error = core::SavedFileError::ReadFailed;
    } else {
        read = core::ReadSavedScan(std::as_bytes(std::span<const char>(bytes->data(), bytes->size())));
    }
    if (read.error != core::SavedFileError::None) {
        status_.ShowNotice(core::SavedFileErrorKey(read.error));
        return false;
    }
    StopExportBeforeResultChanges();
    lists_.ShowResult(std::move(read.result));
    driveFigures_.reset();  // the drive may have changed since, or be another machine's
    ShowResultInTitle();
    SetIdleControls();
    ShowSummaryText();
    return true;
}

void MainWindow::ToggleKeepSnapshots() {
    const bool keep = !settings_.keepSnapshots;
    if (SaveSettingsWith([&](app::AppSettings& changed) { changed.keepSnapshots = keep; })) {
        BuildMenuBar();
    }
}

void MainWindow::KeepSnapshotOfResult() {
    const core::ScanResult& result = lists_.Result();
    if (!settings_.keepSnapshots || result.status != core::ScanStatus::Completed || result.nodes.empty()) {
        return;
    }
    snapshots_.Start(result,
                     std::filesystem::path(settingsStore_.SettingsFilePath()).parent_path() / app::SnapshotFolderName,
                     window_, SnapshotKeptMessage);
}

LRESULT MainWindow::OnSnapshotKept(WPARAM id) {
    const std::optional<SnapshotChange> change = snapshots_.Finish(id);
    // A failed scan's notice says more than the change since the last one.
    if (!change || !app::ScanFailureNotice(lists_.Result(), [this](std::string_view key) {
                        return localizer_->Translate(key);
                    }).empty()) {
        return 0;
    }
    if (change->earlierUnreadable) {
        status_.ShowNotice("status.snapshot_unreadable");
    } else if (change->hasEarlier) {
        std::wstring text = localizer_->Translate("status.change_since") +
                            core::Utf8ToWide(report::UtcDateText(change->earlierTakenAt)).value_or(L"") + L": " +
                            Signed(formattingLocale_, change->change);
        if (!change->grewPath.empty()) {
            text += L" \u00B7 " + localizer_->Translate("status.grew_most") + change->grewPath + L" (" +
                    Signed(formattingLocale_, change->grewChange) + L")";
        }
        status_.ShowNoticeText(text);
    }
    return 0;
}

}  // namespace varnel::ui
