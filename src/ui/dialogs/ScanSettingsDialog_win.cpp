#include "ui/dialogs/ScanSettingsDialog_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/dialogs/ModalDialog_win.h"

namespace varnel::ui {
namespace {

// At 96 DPI: the content's least and greatest width, and the thread count's
// drop-down list, wide enough for "64" and its arrow.
constexpr int MinContentWidth = 418;
constexpr int MaxContentWidth = 720;
constexpr int ThreadListWidth = 72;

class ScanSettingsDialog final : public ModalDialog {
public:
    ScanSettingsDialog(HINSTANCE instance, ScanSettingsDialogState& state)
        : ModalDialog(instance, state.owner, state.done), state_(state) {}

    void Show() {
        if (!Run(ScanSettingsDialogClassName, Text("dialog.scan_settings.title"))) {
            state_.done = true;
        }
        state_.threadList = nullptr;
    }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE: return OnCreate();
            case WM_COMMAND: return OnCommand(LOWORD(wParam));
            case WM_CLOSE: return OnClose();
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX: return OnControlColour(reinterpret_cast<HDC>(wParam));
            default: return DefaultMessage(message, wParam, lParam);
        }
    }

    LRESULT OnCreate() {
        const std::uint32_t maximum = state_.maximumThreads;
        const HWND label = AddControl(WC_STATICW, Text("dialog.scan_settings.threads_per_drive"), SS_LEFT, 0);
        // The vertical scroll bar: on a 64-thread machine the list is far
        // taller than its 240 pixels.
        state_.threadList =
            AddControl(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, ScanSettingsThreadListId);
        for (std::uint32_t count = 1; count <= maximum; ++count) {
            const std::wstring item = std::to_wstring(count);
            ::SendMessageW(state_.threadList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        if (maximum > 0) {
            const std::uint32_t current = std::clamp<std::uint32_t>(state_.threadsPerDrive, 1, maximum);
            ::SendMessageW(state_.threadList, CB_SETCURSEL, current - 1, 0);
        }
        const HWND range = AddControl(
            WC_STATICW, Text("dialog.scan_settings.range_prefix") + L" " + std::to_wstring(maximum), SS_LEFT, 0);
        const HWND ask = AddControl(WC_BUTTONW, Text("dialog.scan_settings.ask_admin"), BS_AUTOCHECKBOX | WS_TABSTOP,
                                    ScanSettingsAskAdminId);
        ::CheckDlgButton(Window(), ScanSettingsAskAdminId, state_.showPrompt ? BST_CHECKED : BST_UNCHECKED);
        const HWND always = AddControl(WC_BUTTONW, Text("dialog.scan_settings.always_admin"),
                                       BS_AUTOCHECKBOX | WS_TABSTOP, ScanSettingsAlwaysAdminId);
        ::CheckDlgButton(Window(), ScanSettingsAlwaysAdminId, state_.alwaysElevated ? BST_CHECKED : BST_UNCHECKED);
        ApplyDependencyRule();
        const HWND ok = AddControl(WC_BUTTONW, Text("dialog.common.ok"), BS_DEFPUSHBUTTON | WS_TABSTOP, ScanSettingsOkId);
        const HWND cancel =
            AddControl(WC_BUTTONW, Text("dialog.common.cancel"), BS_PUSHBUTTON | WS_TABSTOP, ScanSettingsCancelId);

        // Sized to the texts, so that every translation fits.
        namespace m = dialog_metrics;
        ApplyLayout(Layout(MinContentWidth, MaxContentWidth)
                        .Line({label, state_.threadList, range}, ThreadListWidth, m::ButtonRowGap)
                        .CheckBox(ask)
                        .CheckBox(always, m::ButtonRowGap)
                        .Buttons({ok, cancel}, DialogLayout::Align::Right));
        return 0;
    }

    LRESULT OnCommand(int id) {
        switch (id) {
            case ScanSettingsAlwaysAdminId: ApplyDependencyRule(); break;
            case ScanSettingsOkId: OnOk(); break;
            case ScanSettingsCancelId: End(); break;
            default: break;
        }
        return 0;
    }

    LRESULT OnClose() {
        End();
        return 0;
    }

    // Always starting elevated leaves nothing to ask at start-up. The ask
    // box's tick is not restored when "always" is cleared again.
    void ApplyDependencyRule() {
        const HWND ask = ::GetDlgItem(Window(), ScanSettingsAskAdminId);
        if (IsTicked(ScanSettingsAlwaysAdminId)) {
            ::CheckDlgButton(Window(), ScanSettingsAskAdminId, BST_UNCHECKED);
            ::EnableWindow(ask, FALSE);
        } else {
            ::EnableWindow(ask, TRUE);
        }
    }

    void OnOk() {
        const auto selection = static_cast<int>(::SendMessageW(state_.threadList, CB_GETCURSEL, 0, 0));
        if (selection < 0 || static_cast<std::uint32_t>(selection) >= state_.maximumThreads) {
            ::MessageBoxW(Window(), Text("dialog.scan_settings.invalid_threads").c_str(), L"Varnel",
                          MB_ICONEXCLAMATION | MB_OK);
            return;
        }
        state_.threadsPerDrive = static_cast<std::uint32_t>(selection) + 1;
        state_.alwaysElevated = IsTicked(ScanSettingsAlwaysAdminId);
        if (state_.alwaysElevated) {
            state_.showPrompt = false;
            state_.suppressPrompt = false;
        } else if (IsTicked(ScanSettingsAskAdminId)) {
            // Asking again also undoes an earlier "don't show this again".
            state_.showPrompt = true;
            state_.suppressPrompt = false;
        } else {
            state_.showPrompt = false;
        }
        state_.accepted = true;
        End();
    }

    bool IsTicked(int id) const { return ::IsDlgButtonChecked(Window(), id) == BST_CHECKED; }
    std::wstring Text(std::string_view key) const { return DialogText(state_.localizer, key); }

    ScanSettingsDialogState& state_;
};

}  // namespace

ScanSettingsDialogState MakeScanSettingsDialogState(const app::AppSettings& settings, std::uint32_t maximumThreads,
                                                    i18n::Localizer* localizer) {
    ScanSettingsDialogState state;
    state.threadsPerDrive = settings.threadsPerDrive;
    state.maximumThreads = maximumThreads;
    state.showPrompt = settings.showAdminPromptOnStartup;
    state.suppressPrompt = settings.suppressAdminPrompt;
    state.alwaysElevated = settings.alwaysStartAsAdministrator;
    state.localizer = localizer;
    return state;
}

void ApplyScanSettingsDialogState(const ScanSettingsDialogState& state, app::AppSettings& settings) {
    settings.threadsPerDrive = state.threadsPerDrive;
    settings.maxThreadsPerDrive = state.maximumThreads;
    settings.showAdminPromptOnStartup = state.showPrompt;
    settings.suppressAdminPrompt = state.suppressPrompt;
    settings.alwaysStartAsAdministrator = state.alwaysElevated;
}

bool ShowScanSettingsDialog(HINSTANCE instance, HWND owner, ScanSettingsDialogState& state) {
    state.owner = owner;
    state.done = false;
    state.accepted = false;
    ScanSettingsDialog(instance, state).Show();
    return state.accepted;
}

}  // namespace varnel::ui
