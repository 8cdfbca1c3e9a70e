#include "ui/dialogs/ModalDialog_win.h"

#include <algorithm>
#include <optional>

#include <commctrl.h>
#include <dwmapi.h>

#include "ui/theme/GdiScope_win.h"
#include "ui/theme/ThemeApply_win.h"

namespace varnel::ui {
namespace {

constexpr DWORD DialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD DialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr LONG SemiboldWeight = 600;

// The dialogs follow their owner's DPI, not the system's: on a laptop at
// 150 % beside a monitor at 100 %, the main window may sit on either.
UINT DpiOfOwner(HWND owner) {
    const UINT dpi = owner != nullptr ? ::GetDpiForWindow(owner) : ::GetDpiForSystem();
    return dpi == 0 ? USER_DEFAULT_SCREEN_DPI : dpi;
}

UniqueFont MessageFontForDpi(UINT dpi, LONG weight) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return {};
    }
    metrics.lfMessageFont.lfCharSet = DEFAULT_CHARSET;
    if (weight != 0) {
        metrics.lfMessageFont.lfWeight = weight;
    }
    return UniqueFont(::CreateFontIndirectW(&metrics.lfMessageFont));
}

HFONT FontOrStock(const UniqueFont& font) {
    return font ? font.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

std::wstring DialogText(i18n::Localizer* localizer, std::string_view key) {
    if (localizer != nullptr) {
        return localizer->Translate(key);
    }
    return std::wstring(key.begin(), key.end());  // keys are ASCII
}

ModalDialog::ModalDialog(HINSTANCE instance, HWND owner, bool& done)
    : instance_(instance),
      owner_(owner),
      done_(done),
      dpi_(DpiOfOwner(owner)),
      background_(::GetSysColor(COLOR_WINDOW)),
      text_(::GetSysColor(COLOR_WINDOWTEXT)) {
    const auto* palette = owner != nullptr
                              ? reinterpret_cast<const ThemePalette*>(::SendMessageW(owner, QueryThemePaletteMessage, 0, 0))
                              : nullptr;
    if (palette != nullptr) {
        background_ = palette->windowBackground;
        text_ = palette->listText;
        dark_ = palette->isDark;
        palette_ = *palette;
    }
    backgroundBrush_.reset(::CreateSolidBrush(background_));
}

ModalDialog::~ModalDialog() = default;

bool ModalDialog::Run(const wchar_t* className, const std::wstring& title) {
    done_ = false;
    controlMissing_ = false;
    if (!Register(className)) {
        return false;
    }
    messageFont_ = MessageFontForDpi(dpi_, 0);

    // Sized by the dialog's layout once its controls exist.
    if (::CreateWindowExW(DialogExStyle, className, title.c_str(), DialogStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                          owner_, nullptr, instance_, this) == nullptr) {
        return false;
    }
    if (controlMissing_) {
        // Half a dialog would take input it cannot show; the caller falls
        // back as for a dialog that could not be made at all.
        End();
        return false;
    }
    const BOOL dark = dark_ ? TRUE : FALSE;
    ::DwmSetWindowAttribute(window_, DwmAttributeImmersiveDarkMode, &dark, sizeof dark);
    CentreOverOwner();
    ::EnableWindow(owner_, FALSE);
    ::ShowWindow(window_, SW_SHOW);
    FocusDefaultButton();
    ::UpdateWindow(window_);

    std::optional<int> quitCode;
    MSG message{};
    while (!done_) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                quitCode = static_cast<int>(message.wParam);
            }
            break;
        }
        if (!::IsDialogMessageW(window_, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // The loop can end with the window still open (a quit message, or a
    // failed GetMessageW); it points at this object and the caller's record,
    // which are about to go.
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
    ::EnableWindow(owner_, TRUE);
    ::SetActiveWindow(owner_);
    ::SetForegroundWindow(owner_);
    // The quit request was meant for the program's own loop: without it the
    // main window would be gone and the process would wait forever.
    if (quitCode) {
        ::PostQuitMessage(*quitCode);
    }
    return true;
}

bool ModalDialog::Register(const wchar_t* className) const {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &ModalDialog::WindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = className;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void ModalDialog::CentreOverOwner() const {
    RECT owner;
    RECT dialog;
    if (owner_ == nullptr || !::GetWindowRect(owner_, &owner) || !::GetWindowRect(window_, &dialog)) {
        return;
    }
    const LONG dx = std::max<LONG>(0, ((owner.right - owner.left) - (dialog.right - dialog.left)) / 2);
    const LONG dy = std::max<LONG>(0, ((owner.bottom - owner.top) - (dialog.bottom - dialog.top)) / 2);
    ::SetWindowPos(window_, nullptr, owner.left + dx, owner.top + dy, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT ModalDialog::DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        done_ = true;
    }
    if (message == WM_ERASEBKGND) {
        return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    }
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == NM_CUSTOMDRAW) {
        // Push buttons only: check boxes send the same notification.
        const HWND from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        const LONG_PTR kind = ::GetWindowLongPtrW(from, GWL_STYLE) & BS_TYPEMASK;
        if (::GetParent(from) == window_ && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)) {
            wchar_t name[16]{};
            ::GetClassNameW(from, name, 16);
            if (::lstrcmpiW(name, WC_BUTTONW) == 0) {
                return DrawButtonCustom(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam), palette_, dpi_);
            }
        }
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

HWND ModalDialog::AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                             DWORD exStyle) {
    const HWND control = ::CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                           window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                                           nullptr);
    if (control == nullptr) {
        controlMissing_ = true;
        return nullptr;
    }
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOrStock(messageFont_)), FALSE);
    return control;
}

void ModalDialog::UseSemiboldFont(HWND control) {
    if (!semiboldFont_) {
        semiboldFont_ = MessageFontForDpi(dpi_, SemiboldWeight);
    }
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOrStock(semiboldFont_)), FALSE);
}

LRESULT ModalDialog::OnControlColour(HDC dc) const {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, text_);
    ::SetBkColor(dc, background_);
    return reinterpret_cast<LRESULT>(backgroundBrush_.get());
}

LRESULT ModalDialog::OnEraseBackground(HDC dc) const {
    RECT client{};
    ::GetClientRect(window_, &client);
    ::FillRect(dc, &client, backgroundBrush_.get());
    return 1;
}

void ModalDialog::FocusDefaultButton() const {
    for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
            ::SetFocus(child);
            return;
        }
    }
}

void ModalDialog::ApplyLayout(const DialogLayout& layout) {
    const SIZE client = layout.Apply();
    SetClientSize(client.cx, client.cy);
}

void ModalDialog::SetClientSize(int width, int height) {
    RECT frame{0, 0, width, height};
    ::AdjustWindowRectExForDpi(&frame, DialogStyle, FALSE, DialogExStyle, dpi_);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ModalDialog::End() {
    done_ = true;
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

}  // namespace varnel::ui
