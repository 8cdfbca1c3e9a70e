// Painting of the three result lists: every cell is drawn here, in one set
// of row colours, so that a selected row looks the same in all its columns
// and every text stays readable on what is behind it.

#include <algorithm>

#include "ui/theme/GdiScope_win.h"
#include "ui/lists/ListCells_win.h"
#include "ui/view/MainWindowLayout.h"
#include "ui/view/PathDisplay.h"
#include "ui/view/ResultColumns.h"
#include "ui/lists/ResultLists_win.h"

namespace varnel::ui {
namespace {

constexpr std::uint32_t SystemAttribute = 0x4;

void FillSolid(HDC dc, const RECT& rect, std::uint32_t colour) {
    const UniqueBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, brush.get());
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

}  // namespace

int ResultLists::NameInset(int depth) const {
    // Indent, expander box, icon and the gaps between them.
    return Scale(CellPadding) + Scale(IndentPerLevel) * depth + Scale(ExpanderSize) + Scale(CellPadding) + Scale(16) +
           Scale(6);
}
RECT ResultLists::ExpanderBox(std::size_t row) const {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(tree_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    const int depth = rows_.Rows()[row].depth;
    const int left = bounds.left + Scale(CellPadding) + Scale(IndentPerLevel) * depth;
    const int size = Scale(ExpanderSize);
    const int top = bounds.top + (bounds.bottom - bounds.top - size) / 2;
    return {left, top, left + size, top + size};
}
LRESULT ResultLists::OnListCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: break;
        case CDDS_ITEMPOSTPAINT: DrawFocusFrame(draw); return CDRF_DODEFAULT;
        default: return CDRF_DODEFAULT;
    }
    const HWND list = draw.nmcd.hdr.hwndFrom;
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    const int column = draw.iSubItem;
    const bool selected = (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const RowColours colours = ColoursForRow(
        palette_, !selected ? RowState::Normal : ::GetFocus() == list ? RowState::Selected : RowState::SelectedUnfocused);
    RECT cell{};
    ListView_GetSubItemRect(list, row, column, LVIR_BOUNDS, &cell);
    if (column == 0) {
        // Column 0's bounds span the whole row; the cell ends where column 1 begins.
        cell.right = cell.left + ListView_GetColumnWidth(list, 0);
    }
    if (cell.right <= cell.left || cell.bottom <= cell.top) {
        return CDRF_SKIPDEFAULT;
    }
    const HDC dc = draw.nmcd.hdc;
    const std::size_t listIndex = list == tree_ ? 0 : list == files_ ? 1 : 2;
    const auto columns = ColumnsOf(static_cast<int>(listIndex));
    if (list == tree_) {
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.Rows().size()) {
            return CDRF_DODEFAULT;
        }
        const std::uint64_t node = rows_.Rows()[static_cast<std::size_t>(row)].node;
        if (column == 0) {
            DrawTreeCell(draw, static_cast<std::size_t>(row));
        } else if (column == ShareColumnOfTree) {
            const double share = ShareOf(result_, node, result_.rootIndex, measure_);
            ui::DrawShareBarCell(dc, cell, share, ShareText(share), colours, Scale(BarInset), Scale(CellPadding));
        } else {
            const auto& layout = columns[static_cast<std::size_t>(column)];
            DrawTextCell(dc, cell, TreeCellText(node, column), colours.background, colours.text, Scale(CellPadding),
                         layout.number, layout.path ? CellTextFit::PathEllipsis : CellTextFit::EndEllipsis);
        }
    } else {
        const RankingRows& rows = list == files_ ? rankings_.files : rankings_.folders;
        if (row < 0 || static_cast<std::size_t>(row) >= rows.shares.size() ||
            static_cast<std::size_t>(column) >= columns.size()) {
            return CDRF_DODEFAULT;
        }
        if (column == ShareColumnOfRankings) {
            const double share = rows.shares[static_cast<std::size_t>(row)];
            ui::DrawShareBarCell(dc, cell, share, ShareText(share), colours, Scale(BarInset), Scale(CellPadding));
        } else {
            const std::wstring text = RankingCellText(list, static_cast<std::size_t>(row), column);
            const auto& layout = columns[static_cast<std::size_t>(column)];
            DrawTextCell(dc, cell, text, colours.background, colours.text, Scale(CellPadding), layout.number,
                         layout.path ? CellTextFit::PathEllipsis : CellTextFit::EndEllipsis);
        }
    }
    DrawGridLines(dc, cell, colours.gridLine);
    return CDRF_SKIPDEFAULT;
}

// The cells are drawn whole by us, so the list's own focus rectangle never
// shows: the focused row of the focused list gets a frame in the colour of
// its text, so that the keyboard's place is seen (the tree reached by Tab).
void ResultLists::DrawFocusFrame(NMLVCUSTOMDRAW& draw) {
    const HWND list = draw.nmcd.hdr.hwndFrom;
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    if (::GetFocus() != list || (ListView_GetItemState(list, row, LVIS_FOCUSED) & LVIS_FOCUSED) == 0) {
        return;
    }
    RECT bounds{};
    ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    int width = 0;
    for (int i = 0; i < columns; ++i) width += ListView_GetColumnWidth(list, i);
    bounds.right = std::min(bounds.right, bounds.left + static_cast<LONG>(width));
    const bool selected = (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const RowColours colours = ColoursForRow(palette_, selected ? RowState::Selected : RowState::Normal);
    const int line = Scale(1);
    const HDC dc = draw.nmcd.hdc;
    FillSolid(dc, {bounds.left, bounds.top, bounds.right, bounds.top + line}, colours.text);
    FillSolid(dc, {bounds.left, bounds.bottom - 1 - line, bounds.right, bounds.bottom - 1}, colours.text);
    FillSolid(dc, {bounds.left, bounds.top, bounds.left + line, bounds.bottom - 1}, colours.text);
    FillSolid(dc, {bounds.right - line, bounds.top, bounds.right, bounds.bottom - 1}, colours.text);
}

void ResultLists::DrawTreeCell(NMLVCUSTOMDRAW& draw, std::size_t row) {
    const HDC dc = draw.nmcd.hdc;
    RECT bounds{};
    ListView_GetItemRect(tree_, static_cast<int>(row), &bounds, LVIR_BOUNDS);
    const RECT cell{bounds.left, bounds.top, bounds.left + ListView_GetColumnWidth(tree_, 0), bounds.bottom};
    if (cell.right <= cell.left || cell.bottom <= cell.top) {
        return;
    }
    const SavedDcState saved(dc);
    ::IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);

    const TreeRow& treeRow = rows_.Rows()[row];
    const core::NodeView node = result_.nodes[treeRow.node];
    const bool selected = (ListView_GetItemState(tree_, static_cast<int>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const RowColours colours = ColoursForRow(
        palette_, !selected ? RowState::Normal : ::GetFocus() == tree_ ? RowState::Selected : RowState::SelectedUnfocused);
    const bool system = (node.Attributes() & SystemAttribute) != 0;
    const std::uint32_t textColour =
        selected || !system ? colours.text : ReadableOn(colours.background, palette_.systemItemText);

    const int boxSize = Scale(ExpanderSize);
    const int boxLeft = cell.left + Scale(CellPadding) + Scale(IndentPerLevel) * treeRow.depth;
    const int iconX = boxLeft + boxSize + Scale(CellPadding);
    const int iconTop = cell.top + (cell.bottom - cell.top - Scale(13)) / 2;
    RECT text{cell.left + NameInset(treeRow.depth), cell.top, cell.right, cell.bottom};
    DrawTextCell(dc, cell, L"", colours.background, textColour, 0, false, CellTextFit::EndEllipsis);

    const int pen = Scale(1);
    if (HasExpander(result_, treeRow.node)) {
        const RECT box = ExpanderBox(row);
        FillSolid(dc, box, palette_.listBackground);
        {
            const UniquePen outline(::CreatePen(PS_SOLID, pen, palette_.border));
            const SelectGuard selectPen(dc, outline.get());
            const SelectGuard selectBrush(dc, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
            ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
        }
        const UniquePen signPen(::CreatePen(PS_SOLID, 1, palette_.listText));
        const SelectGuard selectSign(dc, signPen.get());
        const int inset = Scale(3);
        const int middleY = (box.top + box.bottom) / 2;
        const int middleX = (box.left + box.right) / 2;
        Line(dc, box.left + inset, middleY, box.right - inset, middleY);
        if (!rows_.IsExpanded(treeRow.node)) {
            Line(dc, middleX, box.top + inset, middleX, box.bottom - inset);
        }
    }

    const auto shape = [&](std::uint32_t fill, std::uint32_t outline, auto drawShape) {
        const UniqueBrush brush(::CreateSolidBrush(fill));
        const UniquePen outlinePen(::CreatePen(PS_SOLID, pen, outline));
        const SelectGuard selectBrush(dc, brush.get());
        const SelectGuard selectPen(dc, outlinePen.get());
        drawShape();
    };
    if (node.IsDirectory()) {
        const std::uint32_t fill = palette_.isDark ? Rgb(217, 177, 74) : Rgb(255, 205, 55);
        const std::uint32_t outline = palette_.isDark ? Rgb(153, 112, 34) : Rgb(184, 128, 0);
        shape(fill, outline, [&] {
            ::Rectangle(dc, iconX + Scale(2), iconTop, iconX + Scale(10), iconTop + Scale(5));
            ::Rectangle(dc, iconX, iconTop + Scale(3), iconX + Scale(16), iconTop + Scale(13));
        });
    } else {
        shape(palette_.isDark ? Rgb(52, 58, 68) : Rgb(255, 255, 255), palette_.border, [&] {
            ::Rectangle(dc, iconX + Scale(2), iconTop, iconX + Scale(15), iconTop + Scale(15));
        });
        shape(palette_.panelBackground, palette_.border, [&] {
            const POINT ear[] = {{iconX + Scale(11), iconTop},
                                 {iconX + Scale(15), iconTop + Scale(4)},
                                 {iconX + Scale(11), iconTop + Scale(4)}};
            ::Polygon(dc, ear, 3);
        });
    }
    if (system) {
        const int bx = iconX + Scale(8);
        const int by = iconTop + Scale(5);
        shape(Rgb(220, 38, 38), Rgb(120, 18, 18), [&] {
            const POINT shield[] = {{bx + Scale(1), by},           {bx + Scale(10), by},
                                    {bx + Scale(10), by + Scale(5)}, {bx + Scale(8), by + Scale(9)},
                                    {bx + Scale(5), by + Scale(11)}, {bx + Scale(2), by + Scale(9)},
                                    {bx, by + Scale(5)},             {bx, by}};
            ::Polygon(dc, shield, 8);
        });
        const UniquePen white(::CreatePen(PS_SOLID, pen, Rgb(255, 255, 255)));
        const SelectGuard selectWhite(dc, white.get());
        Line(dc, bx + Scale(5), by + Scale(1), bx + Scale(5), by + Scale(10));
        Line(dc, bx + Scale(1), by + Scale(5), bx + Scale(10), by + Scale(5));
    }

    // The text cell's own background is already down; draw only the name.
    const SavedDcState textState(dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, textColour);
    text.right -= Scale(4);
    text.bottom -= 1;
    std::wstring name = VisibleText(NameText(treeRow.node));
    ::DrawTextW(dc, name.data(), static_cast<int>(name.size()), &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    DrawGridLines(dc, cell, colours.gridLine);
}

}  // namespace varnel::ui
