#include "ui/lists/ListCells_win.h"

#include <algorithm>
#include <cmath>

#include "ui/theme/GdiScope_win.h"
#include "ui/view/PathDisplay.h"

namespace varnel::ui {
namespace {

// The text area of a cell: inside the insets and above the grid line, so
// that descenders such as an underscore are never painted over.
RECT TextArea(const RECT& cell, int inset) {
    return {cell.left + inset, cell.top, cell.right - inset, cell.bottom - 1};
}

void DrawLabel(HDC dc, RECT area, const std::wstring& text, std::uint32_t colour, UINT format) {
    ::SetTextColor(dc, colour);
    std::wstring shown = VisibleText(text);
    // DT_MODIFYSTRING is not used: the buffer stays ours and unchanged.
    ::DrawTextW(dc, shown.data(), static_cast<int>(shown.size()), &area,
                format | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

void DrawTextCell(HDC dc, GdiObjectCache& gdi, const RECT& cell, const std::wstring& text, std::uint32_t background,
                  std::uint32_t colour, int inset, bool alignRight, CellTextFit fit) {
    const SavedDcState saved(dc);
    gdi.Fill(dc, cell, background);
    ::SetBkMode(dc, TRANSPARENT);
    const UINT format = (alignRight ? DT_RIGHT : DT_LEFT) |
                        (fit == CellTextFit::PathEllipsis ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS);
    DrawLabel(dc, TextArea(cell, inset), text, colour, format);
}

void DrawShareBarCell(HDC dc, GdiObjectCache& gdi, const RECT& cell, double percent, const std::wstring& label,
                      const RowColours& colours, int inset, int textInset) {
    const SavedDcState saved(dc);
    gdi.Fill(dc, cell, colours.background);
    RECT bar = cell;
    ::InflateRect(&bar, -inset, -inset);
    bar.bottom = std::max(bar.top, bar.bottom - 1);  // the grid line stays clear
    if (bar.right > bar.left && bar.bottom > bar.top) {
        const double fraction = std::isfinite(percent) ? std::clamp(percent, 0.0, 100.0) / 100.0 : 0.0;
        bar.right = bar.left + static_cast<int>(std::floor((bar.right - bar.left) * fraction));
    } else {
        bar.right = bar.left;
    }
    if (bar.right > bar.left) {
        gdi.Fill(dc, bar, colours.bar);
    }
    ::SetBkMode(dc, TRANSPARENT);
    const RECT area = TextArea(cell, textInset);
    const UINT format = DT_RIGHT | DT_END_ELLIPSIS;
    // Outside the bar first: the whole cell minus the bar.
    {
        const SavedDcState clip(dc);
        ::IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
        if (bar.right > bar.left) {
            ::ExcludeClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
        }
        DrawLabel(dc, area, label, colours.text, format);
    }
    if (bar.right > bar.left) {
        const SavedDcState clip(dc);
        ::IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
        DrawLabel(dc, area, label, colours.textOnBar, format);
    }
}

void DrawGridLines(HDC dc, GdiObjectCache& gdi, const RECT& cell, std::uint32_t colour) {
    gdi.Fill(dc, {cell.right - 1, cell.top, cell.right, cell.bottom}, colour);
    gdi.Fill(dc, {cell.left, cell.bottom - 1, cell.right, cell.bottom}, colour);
}

bool TextIsCut(HDC dc, const std::wstring& text, int cellWidth, int inset) {
    const std::wstring shown = VisibleText(text);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    return size.cx > cellWidth - 2 * inset;
}

}  // namespace varnel::ui
