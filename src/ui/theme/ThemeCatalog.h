#pragma once
// The thirteen colour themes in menu order and the look-up by identifier.
// Identifiers are what the settings file stores; several share a palette.

#include <cstddef>
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

}  // namespace varnel::ui
