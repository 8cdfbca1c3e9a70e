#include "ui/StartupPrivilegeDialog_win.h"

#include <commctrl.h>

#include "ui/ModalDialog_win.h"

namespace varnel::ui {
namespace {

class StartupPrivilegeDialog final : public ModalDialog {
public:
    StartupPrivilegeDialog(HINSTANCE instance, HWND owner, StartupPrivilegeChoice& choice)
        : ModalDialog(instance, owner, choice.done), choice_(choice) {}

    void Show() {
        if (!Run(StartupPrivilegeDialogClassName, Text("dialog.startup.title"), 520, 270)) {
            choice_.done = true;
            choice_.restartAsAdministrator = 0;
            choice_.doNotShowAgain = false;
        }
    }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE: return OnCreate();
            case WM_COMMAND: return OnCommand(LOWORD(wParam));
            case WM_CLOSE: return Finish(0);
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN: return OnControlColour(reinterpret_cast<HDC>(wParam));
            default: return DefaultMessage(message, wParam, lParam);
        }
    }

    LRESULT OnCreate() {
        const std::wstring adminHeading = Text("dialog.startup.admin.heading");
        const std::wstring standardHeading = Text("dialog.startup.standard.heading");
        AddControl(WC_STATICW, Text("dialog.startup.prompt"), SS_LEFT, 0, {24, 18, 472, 24});
        UseSemiboldFont(AddControl(WC_STATICW, adminHeading, SS_LEFT, 0, {24, 56, 180, 22}));
        AddControl(WC_STATICW, Text("dialog.startup.admin.description"), SS_LEFT, 0, {44, 80, 452, 22});
        UseSemiboldFont(AddControl(WC_STATICW, standardHeading, SS_LEFT, 0, {24, 114, 220, 22}));
        AddControl(WC_STATICW, Text("dialog.startup.standard.description"), SS_LEFT, 0, {44, 138, 452, 22});
        AddControl(WC_BUTTONW, Text("dialog.startup.dont_show_again"), BS_AUTOCHECKBOX, StartupDontShowAgainId,
                   {24, 174, 260, 24});
        AddControl(WC_BUTTONW, adminHeading, BS_DEFPUSHBUTTON | WS_TABSTOP, StartupAdministratorButtonId,
                   {122, 216, 130, 30});
        AddControl(WC_BUTTONW, standardHeading, BS_PUSHBUTTON | WS_TABSTOP, StartupStandardButtonId,
                   {268, 216, 130, 30});
        return 0;
    }

    LRESULT OnCommand(int id) {
        if (id == StartupAdministratorButtonId) {
            return Finish(1);
        }
        if (id == StartupStandardButtonId) {
            return Finish(0);
        }
        return 0;
    }

    LRESULT Finish(std::uint32_t restart) {
        choice_.restartAsAdministrator = restart;
        choice_.doNotShowAgain = ::IsDlgButtonChecked(Window(), StartupDontShowAgainId) == BST_CHECKED;
        End();
        return 0;
    }

    std::wstring Text(std::string_view key) const { return DialogText(choice_.localizer, key); }

    StartupPrivilegeChoice& choice_;
};

}  // namespace

StartupPrivilegeChoice ShowStartupPrivilegeDialog(HINSTANCE instance, HWND owner, i18n::Localizer* localizer) {
    StartupPrivilegeChoice choice;
    choice.localizer = localizer;
    StartupPrivilegeDialog(instance, owner, choice).Show();
    return choice;
}

}  // namespace varnel::ui
