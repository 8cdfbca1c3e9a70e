#include "ui/dialogs/AboutDialog_win.h"

#include <commctrl.h>


#include "ui/dialogs/ModalDialog_win.h"

namespace varnel::ui {

// CR LF line ends: a multi-line edit control breaks lines only there.
const wchar_t AboutLicenceNotice[] =
    L"MIT License\r\n"
    L"\r\n"
    L"Copyright (c) 2026 The Varnel authors\r\n"
    L"\r\n"
    L"Permission is hereby granted, free of charge, to any person obtaining a copy of this software and "
    L"associated documentation files (the \"Software\"), to deal in the Software without restriction, including "
    L"without limitation the rights to use, copy, modify, merge, publish, distribute, sublicense, and/or sell "
    L"copies of the Software, and to permit persons to whom the Software is furnished to do so, subject to the "
    L"following conditions:\r\n"
    L"\r\n"
    L"The above copyright notice and this permission notice shall be included in all copies or substantial "
    L"portions of the Software.\r\n"
    L"\r\n"
    L"THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING BUT NOT "
    L"LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO "
    L"EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER "
    L"IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE "
    L"USE OR OTHER DEALINGS IN THE SOFTWARE.\r\n";

namespace {

// A multi-line edit keeps Tab (and Enter) for itself; a read-only one has no
// use for them, and the keyboard would be stuck in the licence text.
LRESULT CALLBACK PassDialogKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        return ::DefSubclassProc(edit, message, wParam, lParam) & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(edit, &PassDialogKeys, id);
    }
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

// The licence text's box, at 96 DPI: wide enough for its lines to read as
// paragraphs, tall enough for most of it.
constexpr int LicenceWidth = 484;
constexpr int LicenceHeight = 250;

class AboutDialog final : public ModalDialog {
public:
    AboutDialog(HINSTANCE instance, HWND owner, AboutDialogState& state)
        : ModalDialog(instance, owner, state.done), state_(state) {}

    void Show() {
        if (!Run(AboutDialogClassName, DialogText(state_.localizer, "dialog.about.title"))) {
            state_.done = true;
        }
    }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE: return OnCreate();
            case WM_COMMAND: return OnCommand(LOWORD(wParam));
            case WM_CLOSE: return OnClose();
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLOREDIT: return OnControlColour(reinterpret_cast<HDC>(wParam));
            default: return DefaultMessage(message, wParam, lParam);
        }
    }

    LRESULT OnCreate() {
        namespace m = dialog_metrics;
        const HWND name = AddControl(WC_STATICW, AboutProgramName, SS_LEFT, 0);
        const HWND version = AddControl(
            WC_STATICW, DialogText(state_.localizer, "dialog.about.version_prefix") + AboutVersionLabel, SS_LEFT, 0);
        const HWND copyright = AddControl(WC_STATICW, AboutCopyrightLine, SS_LEFT, 0);
        const HWND terms =
            AddControl(WC_STATICW, DialogText(state_.localizer, "dialog.about.license_terms"), SS_LEFT, 0);
        const HWND heading = AddControl(WC_STATICW, DialogText(state_.localizer, "dialog.about.license"), SS_LEFT, 0);
        const HWND licence =
            AddControl(WC_EDITW, state_.licenceText, ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL | WS_TABSTOP,
                       AboutLicenceTextId, WS_EX_CLIENTEDGE);
        ::SendMessageW(licence, EM_SETSEL, 0, 0);
        ::SetWindowSubclass(licence, &PassDialogKeys, 1, 0);
        const HWND close = AddControl(WC_BUTTONW, DialogText(state_.localizer, "dialog.common.close"),
                                      BS_DEFPUSHBUTTON | WS_TABSTOP, AboutCloseId);
        // The licence heading stands apart from the four lines above it.
        ApplyLayout(Layout(LicenceWidth, LicenceWidth)
                        .Text(name)
                        .Text(version)
                        .Text(copyright)
                        .Text(terms, m::GroupGap)
                        .Text(heading)
                        .Block(licence, LicenceHeight, m::ButtonRowGap)
                        .Buttons({close}, DialogLayout::Align::Right));
        return 0;
    }

    LRESULT OnCommand(int id) {
        if (id == AboutCloseId || id == IDCANCEL) {
            End();
        }
        return 0;
    }

    LRESULT OnClose() {
        End();
        return 0;
    }

    AboutDialogState& state_;
};

}  // namespace

void ShowAboutDialog(HINSTANCE instance, HWND owner, i18n::Localizer* localizer) {
    AboutDialogState state;
    state.localizer = localizer;
    state.licenceText = AboutLicenceNotice;
    AboutDialog(instance, owner, state).Show();
}

}  // namespace varnel::ui
