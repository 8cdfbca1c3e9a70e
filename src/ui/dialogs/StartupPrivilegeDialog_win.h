#pragma once
// The prompt at start-up that offers a restart with administrator rights.
// Whether it is shown, and what follows from the answer, is the elevation
// decision's business.

#include <windows.h>

#include <cstdint>

#include "i18n/Localizer.h"

namespace varnel::ui {

inline constexpr wchar_t StartupPrivilegeDialogClassName[] = L"Varnel.StartupPrivilegeDialog";

enum StartupPrivilegeControlId : int {
    StartupAdministratorButtonId = 2051,
    StartupStandardButtonId = 2052,
    StartupDontShowAgainId = 2053,
};

struct StartupPrivilegeChoice {
    i18n::Localizer* localizer = nullptr;  // null: every text is its own key
    bool done = false;
    // 1 for the administrator button; 0 for the standard button, the close
    // box, or a prompt that could not be shown.
    std::uint32_t restartAsAdministrator = 0;
    bool doNotShowAgain = false;  // the check box as it was when the prompt ended
};

// Modal over `owner`, which is disabled meanwhile. When the window cannot be
// made, answers done with restart 0 and no tick, so start-up goes on as a
// standard user.
StartupPrivilegeChoice ShowStartupPrivilegeDialog(HINSTANCE instance, HWND owner, i18n::Localizer* localizer);

}  // namespace varnel::ui
