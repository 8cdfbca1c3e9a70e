#pragma once
// Applies a ThemePalette to the main window and its controls, and draws the
// list headers in the palette's colours.

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string_view>

#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

// Title-bar attributes of the desktop window manager. mingw-w64's dwmapi.h
// (12.x) stops at DWMWA_LAST of Windows 8 and lacks these; the values are the
// Windows SDK's DWMWA_USE_IMMERSIVE_DARK_MODE (Windows 10 20H1 and later),
// DWMWA_BORDER_COLOR, DWMWA_CAPTION_COLOR and DWMWA_TEXT_COLOR (Windows 11).
// Our own names, so they never collide with the SDK's enumerators.
inline constexpr DWORD DwmAttributeImmersiveDarkMode = 20;
inline constexpr DWORD DwmAttributeBorderColour = 34;
inline constexpr DWORD DwmAttributeCaptionColour = 35;
inline constexpr DWORD DwmAttributeTextColour = 36;

struct WindowAttributeValue {
    DWORD attribute;
    DWORD value;  // each attribute takes a 4-byte value: a BOOL or a COLORREF
};

// The theme's palette, or the system's high-contrast colours while the user
// has high contrast on: a chosen theme never overrides them.
ThemePalette PaletteForSystem(std::wstring_view themeIdentifier);

// The title-bar attributes in the order they are set: dark mode first, so a
// system that knows only that one still gets a dark frame.
std::array<WindowAttributeValue, 4> TitleBarAttributes(const ThemePalette& palette) noexcept;

// Colours the title bar, the three lists (with their headers) and the status
// bar, then repaints the window with all its children at once. Call after
// creating the controls, after a theme change and after a DPI change. Null
// control handles are skipped. The window manager's answers are not checked:
// a system that does not know an attribute keeps its default title bar.
// Each list also passes its header's NM_CUSTOMDRAW notifications on to its
// parent (the window), which answers them with DrawHeaderCustom.
void ApplyTheme(HWND window, const std::array<HWND, 3>& lists, HWND statusBar, const ThemePalette& palette);

// The custom-draw reply for a list header's NM_CUSTOMDRAW notification, as
// the window receives it once ApplyTheme has run (hdr.hwndFrom is the header,
// not the list): asks for item notifications, paints each item in
// panelBackground with border lines and listText, and leaves other stages to
// the control. dpi is the window's DPI (0 is taken as 96). The DC it draws
// into is left as it was lent.
LRESULT DrawHeaderCustom(const NMCUSTOMDRAW& draw, const ThemePalette& palette, UINT dpi);

// The reply to a push button's NM_CUSTOMDRAW (sent to its parent): in a
// dark theme the whole button in the palette's panel colours, its text in a
// colour readable on them, a frame that marks the default and the focused
// button; in other themes and in high contrast the system draws it.
LRESULT DrawButtonCustom(const NMCUSTOMDRAW& draw, const ThemePalette& palette, UINT dpi);

}  // namespace varnel::ui
