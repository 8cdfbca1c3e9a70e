// File > Export: asks for a file, then writes the shown result on a worker
// while the notice part of the status shows how far it has come.

#include "ui/window/MainWindow.h"
#include "platform/SystemErrorText_win.h"

#include <commdlg.h>

#include <string>

namespace varnel::ui {
namespace {

// The save dialog's file types; the name's extension chooses the format, and
// the dialog adds the chosen type's extension to a name typed without one.
std::wstring ExportFilter(i18n::Localizer& localizer) {
    std::wstring filter;
    const auto add = [&](const char* key, std::wstring_view pattern) {
        filter += localizer.Translate(key) + L" (" + std::wstring(pattern) + L")";
        filter += L'\0';
        filter += pattern;
        filter += L'\0';
    };
    add("dialog.export.csv", L"*.csv");
    add("dialog.export.json", L"*.json");
    return filter;
}

}  // namespace

void MainWindow::ExportWithDialog() {
    if (export_.IsRunning()) {
        return;  // its progress is on show; Cancel stops it
    }
    // While a scan runs the lists are empty: nothing is shown to export.
    if (lists_.Result().nodes.empty() || scanSession_->IsScanning()) {
        status_.ShowNotice("status.export_nothing");
        return;
    }
    const std::wstring filter = ExportFilter(*localizer_);
    const std::wstring title = localizer_->Translate("dialog.export.title");
    std::wstring path(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!::GetSaveFileNameW(&dialog)) {
        return;  // canceled, or the dialog could not be shown: nothing was written
    }
    path.resize(path.find(L'\0'));
    ExportTo(path);
}

bool MainWindow::ExportTo(const std::wstring& path) {
    if (lists_.Result().nodes.empty() || scanSession_->IsScanning()) {
        status_.ShowNotice("status.export_nothing");
        return false;
    }
    if (!export_.Start(lists_.Result(), ExportFormatOf(path), path, window_, ExportDoneMessage)) {
        return false;
    }
    ::EnableWindow(cancelButton_, TRUE);
    ShowExportProgress();
    // Without the timer there is no progress to show, and an export whose
    // end could not be posted would never end: wait for it here instead.
    if (::SetTimer(window_, ExportTimerId, app::ProgressTimerPeriodMs, nullptr) == 0) {
        OnExportDone(export_.Id());
    }
    return true;
}

void MainWindow::ShowExportProgress() {
    if (export_.IsRunning() && export_.EndedUnannounced()) {
        OnExportDone(export_.Id());
        return;
    }
    if (export_.IsRunning()) {
        status_.ShowNoticeText(localizer_->Translate("status.exporting") + std::to_wstring(export_.Percent()) +
                               L"\u00A0%");
    }
}

void MainWindow::StopExportBeforeResultChanges() {
    search_.StopBeforeResultChanges();
    snapshots_.Discard();
    comparer_.Discard();
    if (export_.IsRunning()) {
        export_.Cancel();
        OnExportDone(export_.Id());
    }
    // A save reads the result too; it is let finish (it takes a second at most).
    if (savedScans_.IsSaving()) {
        FinishSavedScan();
    }
}

LRESULT MainWindow::OnExportDone(WPARAM id) {
    if (id != export_.Id() || !export_.IsRunning()) {
        return 0;  // an export already stopped before the result changed
    }
    ::KillTimer(window_, ExportTimerId);
    switch (export_.Finish()) {
        case ExportOutcome::Written: status_.ShowNotice("status.export_done"); break;
        case ExportOutcome::Cancelled: status_.ShowNotice("status.export_cancelled"); break;
        case ExportOutcome::Failed:
            // Says why: a full disk, a file in use and a denied folder ask
            // for different remedies.
            status_.ShowNotice("status.export_failed",
                               export_.Error() == 0 ? std::wstring()
                                                    : L" " + platform::SystemErrorText(export_.Error()) + L".");
            break;
    }
    if (!scanSession_->IsScanning()) {
        ::EnableWindow(cancelButton_, FALSE);
    }
    return 0;
}

}  // namespace varnel::ui
