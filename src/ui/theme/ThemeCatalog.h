#pragma once
// The thirteen colour themes in menu order and the look-up by identifier.
// Identifiers are what the settings file stores; several share a palette.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

struct ThemeEntry {
    std::wstring_view identifier;  // also the suffix of the menu text key "theme.<identifier>"
    ThemePalette palette;
};

inline constexpr std::size_t ThemeCount = 13;

// All themes in menu order; the entries live for the whole run.
std::span<const ThemeEntry, ThemeCount> ThemeCatalog() noexcept;

// Catalog position of an identifier, compared exactly (case-sensitive), or
// nothing when it is not in the catalog. A stored "dark" therefore checks no
// entry of the theme menu.
std::optional<std::size_t> FindThemePosition(std::wstring_view identifier) noexcept;

// The palette of an identifier, compared exactly. "CoolSlate" and every
// identifier not in the catalog (including "" and "dark") give the slate base,
// a dark palette, so a damaged settings file still yields a usable window.
ThemePalette LookUpTheme(std::wstring_view identifier) noexcept;

// The system colours a high-contrast scheme defines, as COLORREF values.
struct SystemColours {
    std::uint32_t window = 0;
    std::uint32_t windowText = 0;
    std::uint32_t highlight = 0;
    std::uint32_t highlightText = 0;
    std::uint32_t buttonFace = 0;
    std::uint32_t buttonText = 0;
    std::uint32_t grayText = 0;
};

// The palette that shows everything in the user's high-contrast colours
// instead of a theme's: text in the window's text colour, selections and
// share bars in the highlight pair, lines in the grey text colour.
ThemePalette HighContrastPalette(const SystemColours& system) noexcept;

}  // namespace varnel::ui
