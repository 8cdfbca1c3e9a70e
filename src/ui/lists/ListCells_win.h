#pragma once
// Drawing of single list cells in a row's colours: plain text (paths
// shortened in the middle), the share bar with its label, and the subdued
// grid lines. Each function leaves the DC as it found it; the brushes come
// from `gdi`, so that drawing a cell creates none.

#include <windows.h>

#include <string>

#include "ui/theme/GdiObjectCache_win.h"
#include "ui/view/RowColours.h"

namespace varnel::ui {

enum class CellTextFit { EndEllipsis, PathEllipsis };

// Fills the cell and draws `text` inset by `inset` pixels on each side,
// vertically centred above the grid line; '&' and tabs are shown as they
// are. `alignRight` for numbers.
void DrawTextCell(HDC dc, GdiObjectCache& gdi, const RECT& cell, const std::wstring& text, std::uint32_t background,
                  std::uint32_t colour, int inset, bool alignRight, CellTextFit fit);

// Fills the cell, draws the bar for `percent` (0-100) inset by `inset`, and
// the right-aligned label twice, clipped once to the bar and once to the
// rest of the cell, each part in the colour readable on what lies behind it.
void DrawShareBarCell(HDC dc, GdiObjectCache& gdi, const RECT& cell, double percent, const std::wstring& label,
                      const RowColours& colours, int inset, int textInset);

// The right and bottom one-pixel lines of a cell.
void DrawGridLines(HDC dc, GdiObjectCache& gdi, const RECT& cell, std::uint32_t colour);

// True when DrawTextCell would cut `text` in a cell this wide.
bool TextIsCut(HDC dc, const std::wstring& text, int cellWidth, int inset);

}  // namespace varnel::ui
