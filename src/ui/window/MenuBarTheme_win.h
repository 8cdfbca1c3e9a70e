#pragma once
// The menu bar in dark themes. The system draws it light whatever the
// window's dark mode says, so there its background becomes the theme's and
// its entries are drawn by us (WM_MEASUREITEM and WM_DRAWITEM of type
// ODT_MENU); their texts stay in the menu, so access keys and readers of
// the menu still find them. Light themes and high contrast keep the
// system's bar.

#include <windows.h>

#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

// Sets the bar's background (`background` must live while the bar shows it;
// null for the system's) and turns its entries owner-drawn or back.
void ThemeMenuBar(HWND window, const ThemePalette& palette, HBRUSH background);

// Fills the bar right of its last entry with `background` (null: nothing),
// after the system has painted the frame: where the system ignores the
// bar's own background (Wine does) that part would stay light.
void PaintMenuBarRest(HWND window, HBRUSH background);

// True, with the entry measured or drawn, when the item is one of the bar's.
bool MeasureMenuBarItem(HWND window, MEASUREITEMSTRUCT& item, UINT dpi);
bool DrawMenuBarItem(HWND window, const DRAWITEMSTRUCT& item, const ThemePalette& palette, UINT dpi);

// Asks the system's dark mode (scroll bars, the lists' own parts, pop-up
// menus) for the window and the given controls where Windows has one: the
// undocumented uxtheme entries of Windows 10 1809 and later, looked up at
// run time and skipped wherever they are missing.
void ApplySystemDarkMode(HWND window, const HWND* controls, int count, bool dark);

}  // namespace varnel::ui
