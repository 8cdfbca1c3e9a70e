#pragma once
// The colours a list row is drawn in, chosen so that every text keeps a
// contrast of at least 4.5:1 (the WCAG level for body text) against what is
// directly behind it, whatever the theme puts there: the row, or the share
// bar under part of the label.

#include <cstdint>

#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

// WCAG contrast ratio of two COLORREF colours, 1 to 21.
double ContrastRatio(std::uint32_t a, std::uint32_t b) noexcept;

inline constexpr double MinimumTextContrast = 4.5;

// `preferred` when it reaches MinimumTextContrast on `background`, else
// black or white, whichever contrasts more (one of them always reaches it).
std::uint32_t ReadableOn(std::uint32_t background, std::uint32_t preferred) noexcept;

// The even mix of two colours.
std::uint32_t Blend(std::uint32_t a, std::uint32_t b) noexcept;

enum class RowState { Normal, Selected, SelectedUnfocused };

struct RowColours {
    std::uint32_t background = 0;
    std::uint32_t text = 0;
    std::uint32_t bar = 0;
    std::uint32_t textOnBar = 0;  // the part of a share label over the bar
    std::uint32_t gridLine = 0;
};

// One selection colour for every column; an unfocused selection is a
// quieter mix of it and the list, still set apart from unselected rows.
RowColours ColoursForRow(const ThemePalette& palette, RowState state) noexcept;

}  // namespace varnel::ui
