#include "ui/dialogs/StartupPrivilegeDialog_win.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/dialogs/ModalDialog_win.h"
#include "ui/view/PathDisplay.h"

namespace varnel::ui {
namespace {

// At 96 DPI: the content's least and greatest width (beyond it the
// descriptions wrap), and the two choices' least width, so that they look
// alike in a language where one word is short.
constexpr int MinContentWidth = 472;
constexpr int MaxContentWidth = 760;
constexpr int ChoiceButtonWidth = 130;

class StartupPrivilegeDialog final : public ModalDialog {
public:
    StartupPrivilegeDialog(HINSTANCE instance, HWND owner, StartupPrivilegeChoice& choice)
        : ModalDialog(instance, owner, choice.done), choice_(choice) {}

    void Show() {
        if (!Run(StartupPrivilegeDialogClassName, Text("dialog.startup.title"))) {
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
        const HWND prompt = AddControl(WC_STATICW, Text("dialog.startup.prompt"), SS_LEFT, 0);
        // The headings repeat the buttons' words; the access keys are the buttons'.
        const HWND adminTitle = AddControl(WC_STATICW, WithoutAccessKey(adminHeading), SS_LEFT, 0);
        UseSemiboldFont(adminTitle);
        const HWND adminText = AddControl(WC_STATICW, Text("dialog.startup.admin.description"), SS_LEFT, 0);
        const HWND standardTitle = AddControl(WC_STATICW, WithoutAccessKey(standardHeading), SS_LEFT, 0);
        UseSemiboldFont(standardTitle);
        const HWND standardText = AddControl(WC_STATICW, Text("dialog.startup.standard.description"), SS_LEFT, 0);
        const HWND dontShow = AddControl(WC_BUTTONW, Text("dialog.startup.dont_show_again"),
                                         BS_AUTOCHECKBOX | WS_TABSTOP, StartupDontShowAgainId);
        const HWND admin = AddControl(WC_BUTTONW, adminHeading, BS_DEFPUSHBUTTON | WS_TABSTOP,
                                      StartupAdministratorButtonId);
        const HWND standard = AddControl(WC_BUTTONW, standardHeading, BS_PUSHBUTTON | WS_TABSTOP,
                                         StartupStandardButtonId);

        // Sized to the texts: some translations need twice the English width.
        namespace m = dialog_metrics;
        ApplyLayout(Layout(MinContentWidth, MaxContentWidth)
                        .Text(prompt, m::GroupGap)
                        .Text(adminTitle, m::RelatedGap)
                        .Text(adminText, m::GroupGap, m::Indent)
                        .Text(standardTitle, m::RelatedGap)
                        .Text(standardText, m::GroupGap, m::Indent)
                        .CheckBox(dontShow, m::ButtonRowGap)
                        .Buttons({admin, standard}, DialogLayout::Align::Centre, ChoiceButtonWidth));
        return 0;
    }

    LRESULT OnCommand(int id) {
        if (id == StartupAdministratorButtonId) {
            return Finish(1);
        }
        // Esc, through the dialog keys, counts as the standard-user button.
        if (id == StartupStandardButtonId || id == IDCANCEL) {
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
