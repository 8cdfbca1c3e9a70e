#pragma once
// The colours of one theme. Colours are 32-bit values in the platform's
// COLORREF layout (red in the lowest byte, then green, then blue), so that the
// drawing code can hand them to GDI unchanged while this header stays free of
// <windows.h> and testable everywhere.

#include <cstdint>

namespace varnel::ui {

// The same layout as the platform's RGB macro.
constexpr std::uint32_t Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept {
    return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(blue) << 16);
}

struct ThemePalette {
    std::uint32_t windowBackground = 0;    // client area behind the controls
    std::uint32_t listBackground = 0;      // lists, unselected cells, expander box fill
    std::uint32_t panelBackground = 0;     // status bar, list headers, dog-ear of the file icon
    std::uint32_t listText = 0;            // list and header text, expander lines
    std::uint32_t border = 0;              // title-bar border, header separators, outlines
    std::uint32_t splitter = 0;            // splitter fill
    std::uint32_t splitterLine = 0;        // one-pixel line in the middle of each splitter
    std::uint32_t selectedBackground = 0;  // selected row
    std::uint32_t selectedText = 0;        // text of a selected row
    std::uint32_t bar = 0;                 // share bar of an unselected row
    std::uint32_t selectedBar = 0;         // share bar of a selected row
    std::uint32_t systemItemText = 0;      // tree rows whose node has the system attribute
    std::uint32_t caption = 0;             // title bar
    std::uint32_t captionText = 0;         // title-bar text
    bool isDark = false;                   // also switches controls and title bar to dark
    bool highContrast = false;             // the system's own colours, used as they are

    friend constexpr bool operator==(const ThemePalette&, const ThemePalette&) = default;
};

}  // namespace varnel::ui
