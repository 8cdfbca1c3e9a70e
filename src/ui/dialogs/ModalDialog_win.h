#pragma once
// What the program's three modal windows share: their own window class, a
// layout from measured texts and named 96-DPI metrics at the owner's DPI, the message
// font for that DPI, centring over the owner, the disabled owner and the
// modal loop. Each dialog derives from ModalDialog and answers its messages
// in HandleMessage.

#include <windows.h>

#include <string>
#include <string_view>

#include "i18n/Localizer.h"
#include "platform/WindowMessageTarget_win.h"
#include "ui/dialogs/DialogLayout_win.h"
#include "ui/theme/GdiOwners_win.h"
#include "ui/theme/ThemePalette.h"
#include "ui/window/MainWindowIds.h"

namespace varnel::ui {

// The text of a key, or the key itself when there is no localizer.
std::wstring DialogText(i18n::Localizer* localizer, std::string_view key);


class ModalDialog : private platform::WindowMessageTarget<ModalDialog> {
    friend class platform::WindowMessageTarget<ModalDialog>;

public:
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

protected:
    // `done` is the caller's record flag that ends the modal loop; it must
    // outlive the call to Run.
    ModalDialog(HINSTANCE instance, HWND owner, bool& done);
    virtual ~ModalDialog();

    // Registers the class on first use, creates the window (which makes its
    // controls and sizes itself with ApplyLayout on WM_CREATE), centres it
    // over the owner, disables the owner, puts the focus on the default
    // button and pumps messages until `done`. Returns false, with nothing
    // shown and the owner untouched, when the class, the window or any of its
    // controls cannot be made.
    //
    // The window never outlives this call, and a quit message that ends the
    // loop early is posted again for the caller's own loop.
    bool Run(const wchar_t* className, const std::wstring& title);

    // Messages of a created window; unhandled ones go to DefaultMessage.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // DefWindowProcW, and `done` once the window is destroyed by anyone (its
    // owner's destruction takes it along too).
    LRESULT DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // A visible child with the dialog's message font, placed later by the
    // layout. Null when the system refuses it; Run then fails.
    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id, DWORD exStyle = 0);
    // The message font at weight 600, made for this dialog on first use.
    void UseSemiboldFont(HWND control);
    // Static texts, buttons and edit parts are drawn in the owner's theme.
    LRESULT OnControlColour(HDC dc) const;

    // A layout at the dialog's DPI, content widths at 96 DPI.
    DialogLayout Layout(int minWidth, int maxWidth) const { return DialogLayout(dpi_, minWidth, maxWidth); }
    // Places the controls and sizes the window to hold them.
    void ApplyLayout(const DialogLayout& layout);
    // Sets `done` and destroys the window; the loop then returns.
    void End();

    HWND Window() const noexcept { return window_; }
    HINSTANCE Instance() const noexcept { return instance_; }

private:
    bool Register(const wchar_t* className) const;
    void CentreOverOwner() const;
    void SetClientSize(int width, int height);

    HINSTANCE instance_;
    HWND owner_;
    bool& done_;
    UINT dpi_;
    bool controlMissing_ = false;  // an AddControl the system refused
    void FocusDefaultButton() const;
    LRESULT OnEraseBackground(HDC dc) const;

    // Made for dpi_ and deleted with the dialog, after its controls are gone.
    UniqueFont messageFont_;
    UniqueFont semiboldFont_;
    // The owner's colours, or the system's when it has none.
    std::uint32_t background_;
    std::uint32_t text_;
    bool dark_ = false;
    ThemePalette palette_;  // the owner's, for the push buttons of a dark theme
    UniqueBrush backgroundBrush_;
};

}  // namespace varnel::ui
