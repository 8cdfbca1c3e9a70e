// The main window's modal dialogs: scan settings, about, and the elevation
// decision made once at start-up.

#include "scan/Elevation_win.h"
#include "platform/Administrator.h"
#include "ui/dialogs/AboutDialog_win.h"
#include "ui/window/MainWindow.h"
#include "ui/dialogs/ScanSettingsDialog_win.h"
#include "ui/dialogs/StartupPrivilegeDialog_win.h"

namespace varnel::ui {
namespace {

// The real system behind the start-up decision.
app::ElevationServices ProductionElevationServices(HINSTANCE instance, HWND mainWindow, i18n::Localizer* localizer,
                                                   const app::SettingsStore& store) {
    return {
        &platform::IsRunningAsAdministrator,
        [=] {
            const StartupPrivilegeChoice choice = ShowStartupPrivilegeDialog(instance, mainWindow, localizer);
            return app::PrivilegePromptAnswer{choice.restartAsAdministrator == 1, choice.doNotShowAgain};
        },
        [=] { return app::RelaunchAsAdministrator(mainWindow); },
        [&store](const app::AppSettings& settings) { return store.Save(settings); },
    };
}

}  // namespace

void MainWindow::ShowScanSettings() {
    ScanSettingsDialogState state =
        MakeScanSettingsDialogState(settings_, settingsStore_.HardwareThreads(), localizer_.get());
    if (!ShowScanSettingsDialog(instance_, window_, state)) {
        return;
    }
    ApplyScanSettingsDialogState(state, settings_);
    // The scan session takes the new count only once it is on disk.
    if (SaveSettings()) {
        app::ScanOptions options = scanSession_->GetScanOptions();
        options.threadsPerDrive = settings_.threadsPerDrive;
        scanSession_->SetScanOptions(options);
    }
}

void MainWindow::ShowAbout() { ShowAboutDialog(instance_, window_, localizer_.get()); }

bool MainWindow::DecideElevation() {
    const app::ElevationOutcome outcome = app::DecideElevationAtStartup(
        settings_, ProductionElevationServices(instance_, window_, localizer_.get(), settingsStore_));
    if (!outcome.keepRunning) {
        return false;
    }
    // Several can arise at once (a failed save, then a declined prompt); the
    // last one is what the user needs to know now.
    for (const std::string& key : outcome.notices) {
        status_.ShowNotice(key);
    }
    return true;
}

}  // namespace varnel::ui
