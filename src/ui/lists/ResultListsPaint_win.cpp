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
    return ExpanderBoxIn(bounds, rows_.Rows()[row].depth);
}
RECT ResultLists::ExpanderBoxIn(const RECT& rowBounds, int depth) const {
    const int left = rowBounds.left + Scale(CellPadding) + Scale(IndentPerLevel) * depth;
    const int size = Scale(ExpanderSize);
    const int top = rowBounds.top + (rowBounds.bottom - rowBounds.top - size) / 2;
    return {left, top, left + size, top + size};
}

void ResultLists::BeginPaintPass(HWND list, PaintPass& pass) const {
    pass.focused = ::GetFocus() == list;
    pass.selectedRow = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    pass.focusedRow = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    // The columns keep their order (no dragging), so a cell starts where the
    // header's item starts, as the list's own subitem rectangles do. The
    // header is asked: it is not subclassed, so no question costs a round trip.
    const HWND header = headers_[static_cast<std::size_t>(ListIndexOf(list))];
    const int columns = Header_GetItemCount(header);
    pass.columnLefts.assign(1, 0);
    for (int i = 0; i < columns; ++i) {
        RECT item{};
        Header_GetItemRect(header, i, &item);
        pass.columnLefts.push_back(std::max(static_cast<int>(item.right), pass.columnLefts.back()));
    }
    // Rows in a report are all as tall as the first: each row's bounds
    // follow from the top row's, without asking the list row by row.
    pass.topRow = ListView_GetTopIndex(list);
    pass.topBounds = {};
    if (pass.topRow < 0 || !ListView_GetItemRect(list, pass.topRow, &pass.topBounds, LVIR_BOUNDS)) {
        pass.topRow = -1;
    }
    pass.row = -1;
}

LRESULT ResultLists::OnListCustomDraw(NMLVCUSTOMDRAW& draw) {
    const HWND list = draw.nmcd.hdr.hwndFrom;
    const int listIndex = ListIndexOf(list);
    if (listIndex < 0) {
        return CDRF_DODEFAULT;
    }
    PaintPass& pass = paintPasses_[static_cast<std::size_t>(listIndex)];
    const HDC dc = draw.nmcd.hdc;
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: BeginPaintPass(list, pass); return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            pass.row = row;
            if (pass.topRow >= 0) {
                pass.rowBounds = pass.topBounds;
                ::OffsetRect(&pass.rowBounds, 0, (row - pass.topRow) * (pass.topBounds.bottom - pass.topBounds.top));
            } else {
                ListView_GetItemRect(list, row, &pass.rowBounds, LVIR_BOUNDS);
            }
            // A row outside what is being repainted (a selection moved, a
            // scroll uncovered a strip) is left as it is on the screen.
            RECT used = pass.rowBounds;
            used.right = std::min(used.right, used.left + static_cast<LONG>(pass.columnLefts.back()));
            if (!::RectVisible(dc, &used)) {
                return CDRF_SKIPDEFAULT;
            }
            const bool frame = pass.focused && row == pass.focusedRow;
            return CDRF_NOTIFYSUBITEMDRAW | (frame ? CDRF_NOTIFYPOSTPAINT : 0);
        }
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: break;
        case CDDS_ITEMPOSTPAINT:
            if (row == pass.row) DrawFocusFrame(dc, pass);
            return CDRF_DODEFAULT;
        default: return CDRF_DODEFAULT;
    }
    const int column = draw.iSubItem;
    if (row != pass.row || column < 0 || static_cast<std::size_t>(column) + 1 >= pass.columnLefts.size()) {
        return CDRF_DODEFAULT;
    }
    const bool selected = row == pass.selectedRow;
    const RowColours colours = ColoursForRow(
        palette_, !selected ? RowState::Normal : pass.focused ? RowState::Selected : RowState::SelectedUnfocused);
    const auto at = static_cast<std::size_t>(column);
    const RECT cell{pass.rowBounds.left + pass.columnLefts[at], pass.rowBounds.top,
                    pass.rowBounds.left + pass.columnLefts[at + 1], pass.rowBounds.bottom};
    if (cell.right <= cell.left || cell.bottom <= cell.top || !::RectVisible(dc, &cell)) {
        return CDRF_SKIPDEFAULT;
    }
    const auto columns = ColumnsOf(listIndex);
    if (list == tree_) {
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.Rows().size()) {
            return CDRF_DODEFAULT;
        }
        const std::uint64_t node = rows_.Rows()[static_cast<std::size_t>(row)].node;
        if (column == 0) {
            DrawTreeCell(dc, pass, static_cast<std::size_t>(row));
        } else if (column == ShareColumnOfTree) {
            const double share = ShareOf(result_, node, result_.rootIndex, measure_);
            ui::DrawShareBarCell(dc, gdi_, cell, share, ShareText(share), colours, Scale(BarInset), Scale(CellPadding));
        } else {
            const auto& layout = columns[at];
            DrawTextCell(dc, gdi_, cell, TreeCellText(node, column), colours.background, colours.text,
                         Scale(CellPadding), layout.number,
                         layout.path ? CellTextFit::PathEllipsis : CellTextFit::EndEllipsis);
        }
    } else {
        const RankingRows& rows = list == files_ ? rankings_.files : rankings_.folders;
        if (row < 0 || static_cast<std::size_t>(row) >= rows.shares.size() || at >= columns.size()) {
            return CDRF_DODEFAULT;
        }
        if (column == ShareColumnOfRankings) {
            const double share = rows.shares[static_cast<std::size_t>(row)];
            ui::DrawShareBarCell(dc, gdi_, cell, share, ShareText(share), colours, Scale(BarInset), Scale(CellPadding));
        } else {
            const std::wstring text = RankingCellText(list, static_cast<std::size_t>(row), column);
            const auto& layout = columns[at];
            DrawTextCell(dc, gdi_, cell, text, colours.background, colours.text, Scale(CellPadding), layout.number,
                         layout.path ? CellTextFit::PathEllipsis : CellTextFit::EndEllipsis);
        }
    }
    DrawGridLines(dc, gdi_, cell, colours.gridLine);
    return CDRF_SKIPDEFAULT;
}

// The cells are drawn whole by us, so the list's own focus rectangle never
// shows: the focused row of the focused list gets a frame in the colour of
// its text, so that the keyboard's place is seen (the tree reached by Tab).
void ResultLists::DrawFocusFrame(HDC dc, const PaintPass& pass) {
    if (!pass.focused || pass.row != pass.focusedRow) {
        return;
    }
    RECT bounds = pass.rowBounds;
    bounds.right = std::min(bounds.right, bounds.left + static_cast<LONG>(pass.columnLefts.back()));
    const bool selected = pass.row == pass.selectedRow;
    const RowColours colours = ColoursForRow(palette_, selected ? RowState::Selected : RowState::Normal);
    const int line = Scale(1);
    gdi_.Fill(dc, {bounds.left, bounds.top, bounds.right, bounds.top + line}, colours.text);
    gdi_.Fill(dc, {bounds.left, bounds.bottom - 1 - line, bounds.right, bounds.bottom - 1}, colours.text);
    gdi_.Fill(dc, {bounds.left, bounds.top, bounds.left + line, bounds.bottom - 1}, colours.text);
    gdi_.Fill(dc, {bounds.right - line, bounds.top, bounds.right, bounds.bottom - 1}, colours.text);
}

void ResultLists::DrawTreeCell(HDC dc, const PaintPass& pass, std::size_t row) {
    const RECT& bounds = pass.rowBounds;
    const RECT cell{bounds.left, bounds.top, bounds.left + pass.columnLefts[1], bounds.bottom};
    if (cell.right <= cell.left || cell.bottom <= cell.top) {
        return;
    }
    const SavedDcState saved(dc);
    ::IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);

    const TreeRow& treeRow = rows_.Rows()[row];
    const core::NodeView node = result_.nodes[treeRow.node];
    const bool selected = static_cast<int>(row) == pass.selectedRow;
    const RowColours colours = ColoursForRow(
        palette_, !selected ? RowState::Normal : pass.focused ? RowState::Selected : RowState::SelectedUnfocused);
    const bool system = (node.Attributes() & SystemAttribute) != 0;
    const std::uint32_t textColour =
        selected || !system ? colours.text : ReadableOn(colours.background, palette_.systemItemText);

    const int boxSize = Scale(ExpanderSize);
    const int boxLeft = cell.left + Scale(CellPadding) + Scale(IndentPerLevel) * treeRow.depth;
    const int iconX = boxLeft + boxSize + Scale(CellPadding);
    const int iconTop = cell.top + (cell.bottom - cell.top - Scale(13)) / 2;
    RECT text{cell.left + NameInset(treeRow.depth), cell.top, cell.right, cell.bottom};
    DrawTextCell(dc, gdi_, cell, L"", colours.background, textColour, 0, false, CellTextFit::EndEllipsis);

    const int pen = Scale(1);
    if (HasExpander(result_, treeRow.node)) {
        const RECT box = ExpanderBoxIn(bounds, treeRow.depth);
        gdi_.Fill(dc, box, palette_.listBackground);
        {
            const SelectGuard selectPen(dc, gdi_.Pen(palette_.border, pen));
            const SelectGuard selectBrush(dc, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
            ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
        }
        const SelectGuard selectSign(dc, gdi_.Pen(palette_.listText, 1));
        const int inset = Scale(3);
        const int middleY = (box.top + box.bottom) / 2;
        const int middleX = (box.left + box.right) / 2;
        Line(dc, box.left + inset, middleY, box.right - inset, middleY);
        if (!rows_.IsExpanded(treeRow.node)) {
            Line(dc, middleX, box.top + inset, middleX, box.bottom - inset);
        }
    }

    const auto shape = [&](std::uint32_t fill, std::uint32_t outline, auto drawShape) {
        const SelectGuard selectBrush(dc, gdi_.Brush(fill));
        const SelectGuard selectPen(dc, gdi_.Pen(outline, pen));
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
        const SelectGuard selectWhite(dc, gdi_.Pen(Rgb(255, 255, 255), pen));
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
    DrawGridLines(dc, gdi_, cell, colours.gridLine);
}

}  // namespace varnel::ui
