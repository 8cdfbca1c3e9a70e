#pragma once
// Scroll bars in the theme's colours for the list views, where the system
// draws its own only light (Wine, Windows before 10 1809): in a dark theme a
// bright bar beside every dark list would be the brightest thing on screen.
//
// A window of our own lies over each scroll bar the list shows, and the
// list's window region leaves that area out, so the list's own bar is never
// seen, whenever and however the list repaints it. After every message the
// list handles, its scroll state and bar rectangles are read back, so our
// bars follow keyboard, wheel, item count and size changes without the list
// telling anyone. What the user does on our bar goes to the list as the
// scroll messages its own bar would send; a dragged thumb becomes LVM_SCROLL,
// which reaches every row of a list of any length (a thumb position in
// WM_VSCROLL has only 16 bits, and the list reads the exact one from its own
// bar, which is not the one being dragged). The list's sunken edge, drawn in
// the same light system colours, is painted over in the theme's.

#include <windows.h>

#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

inline constexpr wchar_t ThemedScrollBarClassName[] = L"Varnel.ScrollBar";

// Gives the list view `list` scroll bars and a sunken edge of our own in
// `palette`'s colours when the palette is dark, not high contrast, and the
// system cannot draw them dark itself (SystemDrawsDarkScrollBars); otherwise the list shows its
// own bars again. Call it again after every theme change; our bars go with
// the list. A null list is skipped; when our bars cannot be made, the list
// keeps its own.
void ThemeScrollBars(HWND list, const ThemePalette& palette);

}  // namespace varnel::ui
