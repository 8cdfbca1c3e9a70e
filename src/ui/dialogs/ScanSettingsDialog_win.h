#pragma once
// The scan settings dialog: worker threads per drive and the two elevation
// preferences. It edits a state record only; saving the settings and handing
// the thread count to the scan session are the caller's.

#include <windows.h>

#include <cstdint>

#include "settings/AppSettings.h"
#include "i18n/Localizer.h"

namespace varnel::ui {

inline constexpr wchar_t ScanSettingsDialogClassName[] = L"Varnel.ScanSettingsDialog";

enum ScanSettingsControlId : int {
    ScanSettingsOkId = IDOK,          // 1 and 2, so that Enter and Escape act on them
    ScanSettingsCancelId = IDCANCEL,
    ScanSettingsThreadListId = 2001,
    ScanSettingsAskAdminId = 2002,
    ScanSettingsAlwaysAdminId = 2004,
};

struct ScanSettingsDialogState {
    std::uint32_t threadsPerDrive = 1;  // in: current; out: chosen
    std::uint32_t maximumThreads = 1;   // the list offers 1 to this
    bool showPrompt = false;            // showAdminPromptOnStartup, in and out
    bool suppressPrompt = false;        // suppressAdminPrompt, in and out
    bool alwaysElevated = false;        // alwaysStartAsAdministrator, in and out
    i18n::Localizer* localizer = nullptr;
    bool done = false;
    bool accepted = false;  // OK was pressed; the fields above hold the choice
    HWND owner = nullptr;
    HWND threadList = nullptr;  // valid only while the dialog is open
};

// The state for editing `settings` (maximumThreads from the settings store's
// hardware thread count).
ScanSettingsDialogState MakeScanSettingsDialogState(const app::AppSettings& settings, std::uint32_t maximumThreads,
                                                    i18n::Localizer* localizer);
// Copies an accepted state's thread count, its maximum and the three flags.
void ApplyScanSettingsDialogState(const ScanSettingsDialogState& state, app::AppSettings& settings);

// Modal over `owner` (stored in state.owner), which is disabled meanwhile.
// True when the user confirmed with OK; then the state holds the choice.
// False after Cancel, the close box, or a window that could not be made; the
// state's in-out fields are then unchanged.
bool ShowScanSettingsDialog(HINSTANCE instance, HWND owner, ScanSettingsDialogState& state);

}  // namespace varnel::ui
