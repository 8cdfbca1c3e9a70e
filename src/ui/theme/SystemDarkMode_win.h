#pragma once
// What the system can draw dark by itself, asked in one place.

namespace varnel::ui {

// Windows 10 1809 (build 17763) or later: uxtheme's unnamed dark-mode
// entries exist there with the meanings ApplySystemDarkMode relies on.
bool WindowsHasDarkModeEntries();

// Whether a list given the dark style gets dark scroll bars from the system:
// Windows 10 1809 or later with visual styles on. Wine reports a Windows 10
// build too, but draws every scroll bar in its own light colours.
bool SystemDrawsDarkScrollBars();

}  // namespace varnel::ui
