#include "scan/Elevation_win.h"

#include <shellapi.h>

#include "platform/ProgramFolder.h"
#include "platform/UniqueHandle_win.h"

namespace varnel::app {

RelaunchResult StartElevatedCopy(const std::wstring& program) {
    if (program.empty()) {
        return RelaunchResult::Failed;
    }
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = L"runas";
    execute.lpFile = program.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        return ::GetLastError() == ERROR_CANCELLED ? RelaunchResult::Cancelled : RelaunchResult::Failed;
    }
    // The copy runs on its own; the handle was asked for only to be closed.
    platform::UniqueKernelHandle process(execute.hProcess);
    return RelaunchResult::Started;
}

RelaunchResult RelaunchAsAdministrator(HWND mainWindow) {
    const RelaunchResult result = StartElevatedCopy(platform::ProgramFilePath());
    if (result == RelaunchResult::Started && mainWindow != nullptr) {
        ::DestroyWindow(mainWindow);
    }
    return result;
}

ElevationOutcome DecideElevationAtStartup(AppSettings& settings, const ElevationServices& services) {
    ElevationOutcome outcome;
    if (services.isAdministrator()) {
        return outcome;
    }
    bool relaunch = settings.alwaysStartAsAdministrator;
    if (!relaunch) {
        if (!settings.showAdminPromptOnStartup || settings.suppressAdminPrompt) {
            return outcome;
        }
        const PrivilegePromptAnswer choice = services.showPrompt();
        if (choice.doNotShowAgain) {
            settings.showAdminPromptOnStartup = false;
            settings.suppressAdminPrompt = true;
            if (!services.save(settings)) {
                outcome.notices.emplace_back("status.save_failed");
            }
        }
        relaunch = choice.restartAsAdministrator;
    }
    if (!relaunch) {
        return outcome;
    }
    switch (services.relaunch()) {
        case RelaunchResult::Started: outcome.keepRunning = false; break;
        case RelaunchResult::Cancelled: outcome.notices.emplace_back("status.admin_cancelled"); break;
        case RelaunchResult::Failed: outcome.notices.emplace_back("status.admin_failed"); break;
    }
    return outcome;
}

}  // namespace varnel::app
