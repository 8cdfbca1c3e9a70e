// The three result lists of the main window: columns, the virtual tree
// list, the rankings, their notifications and custom drawing, and Open.

#include <algorithm>
#include <array>
#include <cmath>

#include "i18n/Formatting.h"
#include "ui/GdiScope_win.h"
#include "ui/MainWindow.h"

#include <shellapi.h>

namespace varnel::ui {
namespace {

struct ColumnSpec {
    const char* key;
    int width;  // at 96 DPI
};

// Column 1 of the tree names the sort direction; the key is chosen at use.
constexpr std::array<ColumnSpec, 6> TreeColumns{{{"column.folder", 260},
                                                 {"column.share_desc", 100},
                                                 {"column.size", 110},
                                                 {"column.files", 80},
                                                 {"column.folders", 80},
                                                 {"column.full_path", 420}}};
constexpr std::array<ColumnSpec, 4> FileColumns{
    {{"column.share", 100}, {"column.size", 100}, {"column.file_name", 220}, {"column.full_path", 620}}};
constexpr std::array<ColumnSpec, 5> FolderColumns{{{"column.share", 100},
                                                   {"column.subtree_size", 120},
                                                   {"column.files", 80},
                                                   {"column.folders", 80},
                                                   {"column.full_path", 620}}};

constexpr int ShareColumnOfTree = 1;
constexpr int ShareColumnOfRankings = 0;
constexpr int IndentPerLevel = 18;
constexpr int ExpanderSize = 11;
constexpr int CellPadding = 6;
constexpr std::uint32_t SystemAttribute = 0x4;

// Clears selection and focus on the rows that have them. Asking the list to
// clear every row (item -1) makes Wine's virtual list walk and notify each of
// a hundred thousand rows; a single-selection list has at most two to clear.
void ClearSelectionAndFocus(HWND list) {
    for (const UINT which : {LVNI_SELECTED, LVNI_FOCUSED}) {
        int row = -1;
        while ((row = ListView_GetNextItem(list, row, which)) >= 0) {
            ListView_SetItemState(list, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
}

template <std::size_t N>
std::span<const ColumnSpec> Columns(const std::array<ColumnSpec, N>& columns) {
    return columns;
}

void FillSolid(HDC dc, const RECT& rect, std::uint32_t colour) {
    platform::UniqueGdiObject brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

}  // namespace

void MainWindow::CreateColumns() {
    const auto create = [&](HWND list, std::span<const ColumnSpec> columns) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            std::wstring text = localizer_->Translate(columns[i].key);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            column.fmt = LVCFMT_LEFT;
            column.cx = Scale(columns[i].width);
            column.pszText = text.data();
            column.iSubItem = static_cast<int>(i);
            ListView_InsertColumn(list, static_cast<int>(i), &column);
        }
    };
    create(treeList_, Columns(TreeColumns));
    create(largestFilesList_, Columns(FileColumns));
    create(largestFoldersList_, Columns(FolderColumns));
    RenameColumns();
}

void MainWindow::RenameColumns() {
    const auto rename = [&](HWND list, std::span<const ColumnSpec> columns) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const char* key = columns[i].key;
            if (list == treeList_ && i == ShareColumnOfTree) {
                key = tree_.SortDescending() ? "column.share_desc" : "column.share_asc";
            }
            std::wstring text = localizer_->Translate(key);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = text.data();
            ListView_SetColumn(list, static_cast<int>(i), &column);
        }
    };
    rename(treeList_, Columns(TreeColumns));
    rename(largestFilesList_, Columns(FileColumns));
    rename(largestFoldersList_, Columns(FolderColumns));
}

void MainWindow::ResetColumnWidths() {
    const auto reset = [&](HWND list, std::span<const ColumnSpec> columns) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            ListView_SetColumnWidth(list, static_cast<int>(i), Scale(columns[i].width));
        }
    };
    reset(treeList_, Columns(TreeColumns));
    reset(largestFilesList_, Columns(FileColumns));
    reset(largestFoldersList_, Columns(FolderColumns));
}

void MainWindow::ClearLists() {
    ListView_SetItemCountEx(treeList_, 0, 0);
    ListView_DeleteAllItems(largestFilesList_);
    ListView_DeleteAllItems(largestFoldersList_);
    rankings_ = {};
    lastRankingList_ = nullptr;
}

void MainWindow::RebuildTreeList() {
    ClearSelectionAndFocus(treeList_);
    ListView_SetItemCountEx(treeList_, static_cast<int>(tree_.Rows().size()), 0);
    ::InvalidateRect(treeList_, nullptr, FALSE);
}

std::wstring MainWindow::ShareText(double share) { return i18n::FormatShare(formattingLocale_, share); }

std::wstring MainWindow::TreeCellText(std::uint64_t node, int column) {
    const core::ScanNode& n = result_.nodes[node];
    switch (column) {
        case 0: return DisplayName(n);
        case 1: return ShareText(ShareOf(result_, node, result_.rootIndex));
        case 2: return i18n::FormatSize(formattingLocale_, DisplaySize(n));
        case 3: return n.isDirectory ? i18n::FormatCount(formattingLocale_, n.fileCount) : std::wstring();
        case 4: return n.isDirectory ? i18n::FormatCount(formattingLocale_, n.folderCount) : std::wstring();
        case 5: return n.path;
        default: return {};
    }
}

void MainWindow::ToggleExpand(std::size_t row) {
    if (row >= tree_.Rows().size()) {
        return;
    }
    const std::uint64_t node = tree_.Rows()[row].node;
    if (!tree_.ToggleExpand(row)) {
        return;
    }
    RebuildTreeList();
    SelectTreeNode(node);
}

void MainWindow::ToggleSort() {
    tree_.SetSortDescending(!tree_.SortDescending());
    RenameColumns();
    RebuildTreeList();
    if (selectedNode_ != core::NoIndex) {
        SelectTreeNode(selectedNode_);
    }
}

void MainWindow::SelectTreeNode(std::uint64_t node) {
    const auto row = tree_.FindRow(node);
    if (!row) {
        return;
    }
    const int item = static_cast<int>(*row);
    // These selection changes are ours; the rankings are filled once below.
    selectingTreeNode_ = true;
    ::SetFocus(treeList_);
    ClearSelectionAndFocus(treeList_);
    ListView_SetItemState(treeList_, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(treeList_, item);
    ListView_EnsureVisible(treeList_, item, FALSE);
    selectingTreeNode_ = false;
    selectedNode_ = node;
    FillRankings(node);
    ::RedrawWindow(treeList_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void MainWindow::FillRankings(std::uint64_t folder) {
    ListView_DeleteAllItems(largestFilesList_);
    ListView_DeleteAllItems(largestFoldersList_);
    rankings_ = {};
    lastRankingList_ = nullptr;
    UpdateOpenButton();
    if (result_.nodes.empty()) {
        return;
    }
    rankings_ = ComputeRankings(result_, subtreeIndex_, folder);
    FillRankingList(largestFilesList_, rankings_.files, true);
    FillRankingList(largestFoldersList_, rankings_.folders, false);
}

void MainWindow::FillRankingList(HWND list, const RankingRows& rows, bool files) {
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (std::size_t i = 0; i < rows.nodes.size(); ++i) {
        const core::ScanNode& node = result_.nodes[rows.nodes[i]];
        std::wstring share = ShareText(rows.shares[i]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = share.data();
        item.lParam = static_cast<LPARAM>(rows.nodes[i]);
        const int inserted = ListView_InsertItem(list, &item);
        const auto set = [&](int column, std::wstring text) {
            ListView_SetItemText(list, inserted, column, text.data());
        };
        if (files) {
            set(1, i18n::FormatSize(formattingLocale_, node.size));
            set(2, node.name);
            set(3, node.path);
        } else {
            set(1, i18n::FormatSize(formattingLocale_, node.totalSize));
            set(2, i18n::FormatCount(formattingLocale_, node.fileCount));
            set(3, i18n::FormatCount(formattingLocale_, node.folderCount));
            set(4, node.path);
        }
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, FALSE);
}

RECT MainWindow::ExpanderBox(std::size_t row) const {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(treeList_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    const int depth = tree_.Rows()[row].depth;
    const int left = bounds.left + Scale(CellPadding) + Scale(IndentPerLevel) * depth;
    const int size = Scale(ExpanderSize);
    const int top = bounds.top + (bounds.bottom - bounds.top - size) / 2;
    return {left, top, left + size, top + size};
}

LRESULT MainWindow::OnTreeNotify(NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            const auto row = static_cast<std::size_t>(info.item.iItem);
            if (row >= tree_.Rows().size()) {
                return 0;
            }
            const std::uint64_t node = tree_.Rows()[row].node;
            if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0) {
                const std::wstring text = TreeCellText(node, info.item.iSubItem);
                ::lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
            }
            if ((info.item.mask & LVIF_PARAM) != 0) {
                info.item.lParam = static_cast<LPARAM>(node);
            }
            return 0;
        }
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            const bool newlySelected =
                (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
            if (!selectingTreeNode_ && newlySelected && change.iItem >= 0 &&
                static_cast<std::size_t>(change.iItem) < tree_.Rows().size()) {
                selectedNode_ = tree_.Rows()[static_cast<std::size_t>(change.iItem)].node;
                FillRankings(selectedNode_);
            }
            return 0;
        }
        case LVN_COLUMNCLICK:
            if (reinterpret_cast<const NMLISTVIEW&>(header).iSubItem == ShareColumnOfTree) {
                ToggleSort();
            }
            return 0;
        case NM_DBLCLK: {
            const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
            if (row >= 0) {
                ToggleExpand(static_cast<std::size_t>(row));
            }
            return 0;
        }
        case NM_CLICK: {
            const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
            if (click.iItem < 0 || static_cast<std::size_t>(click.iItem) >= tree_.Rows().size()) {
                return 0;
            }
            const auto row = static_cast<std::size_t>(click.iItem);
            const RECT box = ExpanderBox(row);
            if (HasExpander(result_, tree_.Rows()[row].node) && ::PtInRect(&box, click.ptAction)) {
                ToggleExpand(row);
            }
            return 0;
        }
        case NM_CUSTOMDRAW: return OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        default: return 0;
    }
}

LRESULT MainWindow::OnRankingNotify(NMHDR& header) {
    if (header.code == NM_CUSTOMDRAW) {
        return OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    }
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const bool newlySelected = (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
        if (newlySelected && change.iItem >= 0) {
            lastRankingList_ = header.hwndFrom;
        } else if (lastRankingList_ == header.hwndFrom && ListView_GetSelectedCount(header.hwndFrom) == 0) {
            lastRankingList_ = nullptr;
        }
        UpdateOpenButton();
    }
    return 0;
}

bool MainWindow::IsRowSelected(HWND list, int row) const {
    return (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

LRESULT MainWindow::OnListCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: break;
        default: return CDRF_DODEFAULT;
    }
    const HWND list = draw.nmcd.hdr.hwndFrom;
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    const bool selected = IsRowSelected(list, row);
    if (list == treeList_) {
        if (row < 0 || static_cast<std::size_t>(row) >= tree_.Rows().size()) {
            return CDRF_DODEFAULT;
        }
        const std::uint64_t node = tree_.Rows()[static_cast<std::size_t>(row)].node;
        if (draw.iSubItem == 0) {
            DrawTreeCell(draw, static_cast<std::size_t>(row));
            return CDRF_SKIPDEFAULT;
        }
        if (draw.iSubItem == ShareColumnOfTree) {
            RECT cell{};
            ListView_GetSubItemRect(list, row, draw.iSubItem, LVIR_BOUNDS, &cell);
            DrawShareBarCell(draw.nmcd.hdc, cell, ShareOf(result_, node, result_.rootIndex), selected);
            return CDRF_SKIPDEFAULT;
        }
    } else if (draw.iSubItem == ShareColumnOfRankings) {
        const RankingRows& rows = list == largestFilesList_ ? rankings_.files : rankings_.folders;
        if (row >= 0 && static_cast<std::size_t>(row) < rows.shares.size()) {
            RECT cell{};
            ListView_GetSubItemRect(list, row, 0, LVIR_BOUNDS, &cell);
            // Column 0's bounds span the whole row; the cell ends where column 1 begins.
            cell.right = cell.left + ListView_GetColumnWidth(list, 0);
            DrawShareBarCell(draw.nmcd.hdc, cell, rows.shares[static_cast<std::size_t>(row)], selected);
            return CDRF_SKIPDEFAULT;
        }
    }
    // Cells drawn by the list itself still wear the palette's colours.
    draw.clrText = selected ? palette_.selectedText : palette_.listText;
    draw.clrTextBk = selected ? palette_.selectedBackground : palette_.listBackground;
    return CDRF_DODEFAULT;
}

void MainWindow::DrawShareBarCell(HDC dc, RECT cell, double share, bool selected) {
    SavedDcState saved(dc);
    FillSolid(dc, cell, selected ? palette_.selectedBackground : palette_.listBackground);
    RECT bar = cell;
    ::InflateRect(&bar, -Scale(4), -Scale(4));
    if (bar.right > bar.left && bar.bottom > bar.top) {
        const double fraction = std::isfinite(share) ? std::clamp(share, 0.0, 100.0) / 100.0 : 0.0;
        bar.right = bar.left + static_cast<int>(std::floor((bar.right - bar.left) * fraction));
        if (bar.right > bar.left) {
            FillSolid(dc, bar, selected ? palette_.selectedBar : palette_.bar);
        }
    }
    RECT text = cell;
    text.left += Scale(6);
    text.right -= Scale(6);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, selected ? palette_.selectedText : palette_.listText);
    std::wstring label = ShareText(share);
    ::DrawTextW(dc, label.data(), static_cast<int>(label.size()), &text,
                DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void MainWindow::DrawTreeCell(NMLVCUSTOMDRAW& draw, std::size_t row) {
    const HDC dc = draw.nmcd.hdc;
    RECT bounds{};
    ListView_GetItemRect(treeList_, static_cast<int>(row), &bounds, LVIR_BOUNDS);
    RECT cell{bounds.left, bounds.top, bounds.left + ListView_GetColumnWidth(treeList_, 0), bounds.bottom};
    if (cell.right <= cell.left || cell.bottom <= cell.top) {
        return;
    }
    SavedDcState saved(dc);
    ::IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);

    const TreeRow& treeRow = tree_.Rows()[row];
    const core::ScanNode& node = result_.nodes[treeRow.node];
    const bool selected = IsRowSelected(treeList_, static_cast<int>(row));
    FillSolid(dc, cell, selected ? palette_.selectedBackground : palette_.listBackground);
    const bool system = (node.attributes & SystemAttribute) != 0;
    const std::uint32_t textColour = selected ? palette_.selectedText : system ? palette_.systemItemText : palette_.listText;

    const int pen = Scale(1);
    const int boxSize = Scale(ExpanderSize);
    const int boxLeft = cell.left + Scale(CellPadding) + Scale(IndentPerLevel) * treeRow.depth;
    const int contentX = boxLeft + boxSize + Scale(CellPadding);
    if (HasExpander(result_, treeRow.node)) {
        const RECT box = ExpanderBox(row);
        FillSolid(dc, box, palette_.listBackground);
        {
            platform::UniqueGdiObject outline(::CreatePen(PS_SOLID, pen, palette_.border));
            SelectGuard selectPen(dc, outline.get());
            SelectGuard selectBrush(dc, ::GetStockObject(NULL_BRUSH));
            ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
        }
        platform::UniqueGdiObject signPen(::CreatePen(PS_SOLID, 1, palette_.listText));
        SelectGuard selectSign(dc, signPen.get());
        const int inset = Scale(3);
        const int middleY = (box.top + box.bottom) / 2;
        const int middleX = (box.left + box.right) / 2;
        Line(dc, box.left + inset, middleY, box.right - inset, middleY);
        if (!tree_.IsExpanded(treeRow.node)) {
            Line(dc, middleX, box.top + inset, middleX, box.bottom - inset);
        }
    }

    const int iconX = contentX;
    const int iconTop = cell.top + (cell.bottom - cell.top - Scale(13)) / 2;
    const auto shape = [&](std::uint32_t fill, std::uint32_t outline, auto drawShape) {
        platform::UniqueGdiObject brush(::CreateSolidBrush(fill));
        platform::UniqueGdiObject outlinePen(::CreatePen(PS_SOLID, pen, outline));
        SelectGuard selectBrush(dc, brush.get());
        SelectGuard selectPen(dc, outlinePen.get());
        drawShape();
    };
    if (node.isDirectory) {
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
        platform::UniqueGdiObject white(::CreatePen(PS_SOLID, pen, Rgb(255, 255, 255)));
        SelectGuard selectWhite(dc, white.get());
        Line(dc, bx + Scale(5), by + Scale(1), bx + Scale(5), by + Scale(10));
        Line(dc, bx + Scale(1), by + Scale(5), bx + Scale(10), by + Scale(5));
    }

    RECT text{iconX + Scale(16) + Scale(6), cell.top, cell.right - Scale(4), cell.bottom};
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, textColour);
    std::wstring name = DisplayName(node);
    ::DrawTextW(dc, name.data(), static_cast<int>(name.size()), &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

std::uint64_t MainWindow::RankingNodeAt(HWND list, int row) const {
    const RankingRows& rows = list == largestFilesList_ ? rankings_.files : rankings_.folders;
    if (row < 0 || static_cast<std::size_t>(row) >= rows.nodes.size()) {
        return core::NoIndex;
    }
    return rows.nodes[static_cast<std::size_t>(row)];
}

HWND MainWindow::RankingListForOpen() const {
    if (lastRankingList_ != nullptr && ListView_GetSelectedCount(lastRankingList_) > 0) {
        return lastRankingList_;
    }
    for (HWND list : {largestFilesList_, largestFoldersList_}) {
        if (ListView_GetSelectedCount(list) > 0) {
            return list;
        }
    }
    return nullptr;
}

void MainWindow::OpenSelected() {
    const HWND list = RankingListForOpen();
    if (list == nullptr) {
        ShowNotice("status.select_ranking");
        return;
    }
    const std::uint64_t node = RankingNodeAt(list, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    if (node >= result_.nodes.size() || result_.nodes[node].path.empty()) {
        ShowNotice("status.open_failed");
        return;
    }
    const core::ScanNode& target = result_.nodes[node];
    HINSTANCE shellResult = nullptr;
    if (target.isDirectory) {
        shellResult = ::ShellExecuteW(window_, L"open", target.path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else {
        const std::wstring parameters = L"/select,\"" + target.path + L"\"";
        shellResult = ::ShellExecuteW(window_, nullptr, L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }
    if (reinterpret_cast<INT_PTR>(shellResult) <= 32) {
        ShowNotice("status.open_failed");
    }
}

}  // namespace varnel::ui
