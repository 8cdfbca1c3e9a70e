#pragma once
// The start-up choice between running on as we are and restarting with
// administrator rights, which the master-file-table scan needs. Made once,
// after the main window is shown and before the message loop.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/AppSettings.h"

namespace varnel::app {

enum class RelaunchResult {
    Started,    // the elevated copy runs; this instance must end
    Cancelled,  // the user declined the consent prompt (ERROR_CANCELLED)
    Failed,     // any other failure, the program's own path included
};

// Starts `program` without arguments through the shell's "runas" verb and
// does not wait for it.
RelaunchResult StartElevatedCopy(const std::wstring& program);

// Starts the running program's own file elevated. On Started it also
// destroys `mainWindow`: the caller ends with exit code 0 without entering
// the message loop. Otherwise the window stays and the program goes on as a
// standard user.
RelaunchResult RelaunchAsAdministrator(HWND mainWindow);

// The user's answer to the start-up prompt.
struct PrivilegePromptAnswer {
    bool restartAsAdministrator = false;
    bool doNotShowAgain = false;
};

// What the decision asks of the system, so that tests can play the standard
// user (under Wine every process counts as an administrator).
struct ElevationServices {
    std::function<bool()> isAdministrator;
    // Runs the modal start-up prompt (the user interface provides it, so
    // this layer does not depend on it).
    std::function<PrivilegePromptAnswer()> showPrompt;
    std::function<RelaunchResult()> relaunch;
    // Writes the whole settings record; true when it reached the file.
    std::function<bool(const AppSettings&)> save;
};

struct ElevationOutcome {
    // False once an elevated copy was started (the main window is already
    // destroyed): end this instance with exit code 0.
    bool keepRunning = true;
    // "status." text keys for the status bar, in the order they arose:
    // "status.save_failed", then "status.admin_cancelled" or
    // "status.admin_failed".
    std::vector<std::string> notices;
};

// Standard users with alwaysStartAsAdministrator are relaunched at once;
// otherwise, unless the prompt is switched off or suppressed, they are asked.
// A ticked "don't show this again" is written to `settings` and saved,
// whichever button was pressed; a failed save keeps the change for this run.
// A relaunch that does not start leaves this instance running.
ElevationOutcome DecideElevationAtStartup(AppSettings& settings, const ElevationServices& services);

}  // namespace varnel::app
