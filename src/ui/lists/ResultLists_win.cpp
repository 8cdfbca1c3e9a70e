#include "ui/lists/ResultLists_win.h"

#include <shellapi.h>

#include <algorithm>
#include <span>

#include "i18n/Formatting.h"
#include "ui/lists/CutTextTip_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/lists/ListCells_win.h"
#include "ui/window/MainWindowIds.h"
#include "ui/view/MainWindowLayout.h"
#include "ui/lists/NaturalCompare_win.h"
#include "ui/lists/TypedRowFind_win.h"
#include "ui/view/PathDisplay.h"
#include "ui/view/ResultColumns.h"
#include "ui/theme/ThemeApply_win.h"

namespace varnel::ui {
namespace {

constexpr UINT_PTR TreeKeysSubclassId = 1;
constexpr UINT_PTR RankingKeysSubclassId = 2;

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

void SelectRow(HWND list, int row) {
    ClearSelectionAndFocus(list);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list, row);
    ListView_EnsureVisible(list, row, FALSE);
}



// The tooltip follows the cell under the mouse; Enter reaches the lists even though the window's loop handles dialog
// keys (which would turn it into a default-button command), and Shift+F10
// and the menu key ask the window for the list's context menu.
LRESULT CALLBACK ListKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* lists = reinterpret_cast<ResultLists*>(data);
    switch (message) {
        case WM_GETDLGCODE:
            if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
                reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
                return DLGC_WANTALLKEYS;
            }
            break;
        case WM_KEYDOWN:
            if (id == TreeKeysSubclassId && lists->OnTreeKey(static_cast<UINT>(wParam))) {
                return 0;
            }
            if (lists->OnListKey(list, static_cast<UINT>(wParam))) {
                return 0;
            }
            if (wParam == VK_APPS || (wParam == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000) != 0)) {
                ::SendMessageW(::GetParent(list), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
                return 0;
            }
            break;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000) != 0) {
                ::SendMessageW(::GetParent(list), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
                return 0;
            }
            break;
        case WM_CHAR:
            // The characters of keys handled on WM_KEYDOWN would otherwise
            // start the list's incremental search (Ctrl+C comes as 3).
            if ((id == TreeKeysSubclassId && (wParam == L'+' || wParam == L'-' || wParam == L'*')) || wParam == 3) {
                return 0;
            }
            break;
        case WM_MOUSEMOVE: lists->OnListMouseMove(list); break;
        case WM_NOTIFY:
            if (const auto answer = lists->OnHeaderNotify(list, *reinterpret_cast<const NMHDR*>(lParam))) {
                return *answer;
            }
            break;
        case WM_SIZE: {
            // Showing or hiding a scroll bar resizes the list's client area too.
            const LRESULT result = ::DefSubclassProc(list, message, wParam, lParam);
            lists->FitColumns(id == TreeKeysSubclassId ? 0 : list == lists->Handles()[1] ? 1 : 2);
            return result;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT result = ::DefSubclassProc(list, message, wParam, lParam);
            lists->OnListFocus(list, message == WM_SETFOCUS);
            return result;
        }
        case WM_NCDESTROY: ::RemoveWindowSubclass(list, &ListKeys, id); break;
        default: break;
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace

ResultLists::ResultLists(i18n::Localizer& localizer, ResultListsEvents events)
    : localizer_(localizer), events_(std::move(events)) {
    rows_.SetSortOrder(sortOrders_[0], NaturalCompare);
}

int ResultLists::Scale(int value) const { return ScaleForDpi(value, dpi_); }

void ResultLists::CreateCellTip(HWND parent, HINSTANCE instance) {
    const HWND controls[] = {tree_, files_, folders_, filesTitle_, foldersTitle_};
    tip_ = CreateCutTextTip(parent, instance, controls, Scale(800));
}

std::pair<int, int> ResultLists::CellUnderCursor(HWND list) const {
    LVHITTESTINFO hit{};
    ::GetCursorPos(&hit.pt);
    ::ScreenToClient(list, &hit.pt);
    if (ListView_SubItemHitTest(list, &hit) < 0) {
        return {-1, -1};
    }
    return {hit.iItem, hit.iSubItem};
}

void ResultLists::OnCellTipText(NMTTDISPINFOW& info) {
    tipText_.clear();
    const auto list = reinterpret_cast<HWND>(info.hdr.idFrom);
    if (list == filesTitle_ || list == foldersTitle_) {
        // A title cut to its width (the static ends it with an ellipsis) is shown whole.
        std::wstring title(static_cast<std::size_t>(::GetWindowTextLengthW(list)) + 1, L'\0');
        title.resize(static_cast<std::size_t>(::GetWindowTextW(list, title.data(), static_cast<int>(title.size()))));
        RECT client{};
        ::GetClientRect(list, &client);
        if (TextWidthInControl(list, title) > client.right) {
            tipText_ = std::move(title);
        }
        info.lpszText = tipText_.data();
        return;
    }
    const auto [row, column] = CellUnderCursor(list);
    if (row >= 0 && column >= 0) {
        std::wstring text;
        int inset = Scale(CellPadding);
        if (list == tree_ && static_cast<std::size_t>(row) < rows_.Rows().size()) {
            const TreeRow& treeRow = rows_.Rows()[static_cast<std::size_t>(row)];
            text = TreeCellText(treeRow.node, column);
            if (column == 0) {
                inset = (NameInset(treeRow.depth) + Scale(4)) / 2;  // what DrawTreeCell leaves on both sides
            }
        } else if (list == files_ || list == folders_) {
            text = RankingCellText(list, static_cast<std::size_t>(row), column);
        }
        const WindowDc dc(list);
        const SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
        if (TextIsCut(dc.get(), text, ListView_GetColumnWidth(list, column), inset)) {
            tipText_ = VisibleText(text);
        }
    }
    info.lpszText = tipText_.data();
}

bool ResultLists::Create(HWND parent, HINSTANCE instance, int treeId, int filesId, int foldersId) {
    const auto list = [&](DWORD style, int id) {
        return ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                     style,
                                 0, 0, 300, 300, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
    };
    // The lists are virtual: they ask for the rows they show, so a folder
    // with a hundred thousand children expands without inserting a row each,
    // and a cell's text is made whole from the result whenever it is needed
    // (a path of 30,000 characters too), never read back from the control.
    tree_ = list(LVS_OWNERDATA, treeId);
    files_ = list(LVS_OWNERDATA, filesId);
    folders_ = list(LVS_OWNERDATA, foldersId);
    if (tree_ == nullptr || files_ == nullptr || folders_ == nullptr) {
        for (HWND made : {tree_, files_, folders_}) {
            if (made != nullptr) ::DestroyWindow(made);
        }
        tree_ = files_ = folders_ = nullptr;
        return false;
    }
    headers_ = {ListView_GetHeader(tree_), ListView_GetHeader(files_), ListView_GetHeader(folders_)};
    // Grid lines are drawn with the cells, in a colour that stays quiet in
    // dark themes; the list's own are the system's light grey.
    for (HWND made : {tree_, files_, folders_}) {
        const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
        ListView_SetExtendedListViewStyleEx(made, extended, extended);
        ::SetWindowSubclass(made, &ListKeys, made == tree_ ? TreeKeysSubclassId : RankingKeysSubclassId,
                            reinterpret_cast<DWORD_PTR>(this));
    }
    // SS_NOTIFY: the mouse reaches the title, and so its tooltip.
    const auto title = [&](int id) {
        return ::CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS |
                                 SS_CENTERIMAGE | SS_NOTIFY, 0, 0, 300, 20, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    filesTitle_ = title(LargestFilesTitleId);
    foldersTitle_ = title(LargestFoldersTitleId);
    fitting_ = true;
    CreateColumns();
    fitting_ = false;
    CreateCellTip(parent, instance);
    ShowRankingTitles();
    return true;
}

void ResultLists::CreateColumns() {
    const auto lists = Handles();
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const auto columns = ColumnsOf(static_cast<int>(l));
        for (std::size_t i = 0; i < columns.size(); ++i) {
            std::wstring text = localizer_.Translate(HeaderKey(columns[i], measure_));
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            column.fmt = LVCFMT_LEFT;
            column.cx = Scale(columns[i].width);
            column.pszText = text.data();
            column.iSubItem = static_cast<int>(i);
            ListView_InsertColumn(lists[l], static_cast<int>(i), &column);
        }
    }
    RenameColumns();
}

void ResultLists::RenameColumns() {
    const auto lists = Handles();
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const auto columns = ColumnsOf(static_cast<int>(l));
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const char* key = HeaderKey(columns[i], measure_);
            if (l == 0 && i == ShareColumnOfTree) {
                // The share header names the direction itself, so it gets no arrow.
                if (sortOrders_[0].column != ShareColumnOfTree) {
                    key = "column.share";
                } else {
                    key = sortOrders_[0].descending ? "column.share_desc" : "column.share_asc";
                }
            }
            std::wstring text = localizer_.Translate(key);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = text.data();
            ListView_SetColumn(lists[l], static_cast<int>(i), &column);
        }
    }
    ShowSortArrows();
}

void ResultLists::ResetRowHeights() {
    const auto lists = Handles();
    for (std::size_t l = 0; l < lists.size(); ++l) {
        // The list takes its row height from its small image list, or from
        // its font when it has none: a one-pixel-wide empty list as tall as
        // the font plus padding makes rows with room for descenders.
        const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(lists[l], WM_GETFONT, 0, 0));
        TEXTMETRICW metrics{};
        {
            const WindowDc dc(lists[l]);
            const SelectGuard select(dc.get(), font);
            ::GetTextMetricsW(dc.get(), &metrics);
        }
        const int rowHeight = metrics.tmHeight + Scale(RowPadding);
        const HIMAGELIST spacer = ImageList_Create(1, rowHeight, ILC_COLOR, 0, 0);
        if (const HIMAGELIST previous = ListView_SetImageList(lists[l], spacer, LVSIL_SMALL)) {
            ImageList_Destroy(previous);
        }
    }
}

void ResultLists::HideUnusedColumns() { FitColumns(0); }

void ResultLists::SetChange(ResultChange change) {
    const bool wasActive = change_.Active();
    change_ = std::move(change);
    if (!wasActive && !change_.Active()) {
        return;  // nothing shown depends on it
    }
    rows_.SetChange(change_.Active() ? &change_ : nullptr);
    if (change_.Active() != wasActive) {
        HideUnusedColumns();
    }
    if (!change_.Active() && sortOrders_[0].column == ChangeColumnOfTree) {
        auto orders = sortOrders_;
        orders[0] = DefaultSortOrder(0);
        SetSortOrders(orders);  // no arrow left on a hidden column
    }
    if (!result_.nodes.empty()) {
        RebuildTreeList();
        // The same row stays selected; the focus and the rankings stay as they are.
        if (const auto row = rows_.FindRow(selectedNode_)) {
            selectingTreeNode_ = true;
            SelectRow(tree_, static_cast<int>(*row));
            selectingTreeNode_ = false;
        }
    }
}

void ResultLists::Retranslate() {
    RenameColumns();
    ResetColumnWidths();
    ShowRankingTitles();
    if (!result_.nodes.empty()) {
        RebuildTreeList();
        if (selectedNode_ != core::NoIndex) {
            SelectTreeNode(selectedNode_);
        }
        SizeNumberColumnsToValues();
    }
}

void ResultLists::SetSizeMeasure(core::SizeMeasure measure) {
    if (measure == measure_) {
        return;
    }
    measure_ = measure;
    RenameColumns();
    rows_.SetSizeMeasure(measure_);
    if (!result_.nodes.empty()) {
        RebuildTreeList();
        if (selectedNode_ != core::NoIndex) {
            SelectTreeNode(selectedNode_);  // ranks again by the new measure
        }
    }
}

void ResultLists::Clear() {
    ListView_SetItemCountEx(tree_, 0, 0);
    rankings_ = {};
    FillRankingList(files_, rankings_.files);
    FillRankingList(folders_, rankings_.folders);
    lastRankingList_ = nullptr;
    rankingScope_ = core::NoIndex;
    ShowRankingTitles();
    // The result goes with its rows: a rescan never holds two results at
    // once, and a repaint or a new language meanwhile finds nothing to show.
    rows_.Reset(nullptr);
    subtreeIndex_.Reset();
    result_ = core::ScanResult();
    SetChange({});
    ownWriteTimes_.clear();
    selectedNode_ = core::NoIndex;
}

void ResultLists::ShowResult(core::ScanResult result) {
    // The index of the result shown until now goes first, so that the old
    // and the new one are never both held.
    subtreeIndex_.Reset();
    change_ = {};  // the comparison of the result shown until now (the rows read it inactive)
    HideUnusedColumns();
    result_ = std::move(result);
    ownWriteTimes_.clear();
    subtreeIndex_.Start(result_);
    selectedNode_ = result_.rootIndex;
    rows_.Reset(&result_);
    RebuildTreeList();
    // The root's row is selected too, so that Open and the keys act on it.
    if (const auto row = rows_.FindRow(selectedNode_)) {
        selectingTreeNode_ = true;
        SelectRow(tree_, static_cast<int>(*row));
        selectingTreeNode_ = false;
    }
    FillRankings(selectedNode_);
    SizeNumberColumnsToValues();
}

void ResultLists::RebuildTreeList() {
    ClearSelectionAndFocus(tree_);
    ListView_SetItemCountEx(tree_, static_cast<int>(rows_.Rows().size()), 0);
    FitColumns(0);
    ::InvalidateRect(tree_, nullptr, FALSE);
}

std::wstring ResultLists::ShareText(double share) const { return i18n::FormatShare(locale_, share); }

std::wstring ResultLists::NameText(std::uint64_t node) {
    // The root's numbers of a cancelled scan are only what was counted
    // before it stopped.
    if (node == result_.rootIndex && result_.status == core::ScanStatus::Cancelled) {
        return std::wstring(DisplayName(result_.nodes[node])) + L" " + localizer_.Translate("status.incomplete");
    }
    return std::wstring(DisplayName(result_.nodes[node]));
}

std::wstring ResultLists::TreeCellText(std::uint64_t node, int column) {
    const core::NodeView n = result_.nodes[node];
    switch (column) {
        case 0: return NameText(node);
        case 1: return ShareText(ShareOf(result_, node, result_.rootIndex, measure_));
        case 2: return i18n::FormatSize(locale_, core::DisplaySize(n, measure_));
        case 3: return n.IsDirectory() ? i18n::FormatCount(locale_, n.FileCount()) : std::wstring();
        case 4: return n.IsDirectory() ? i18n::FormatCount(locale_, n.FolderCount()) : std::wstring();
        case 5: return n.Path();
        case ChangeColumnOfTree: {
            if (change_.IsNew(node)) {
                return localizer_.Translate("change.new");
            }
            const auto change = change_.ChangeOf(n, measure_);
            return change ? i18n::FormatSizeChange(locale_, *change) : std::wstring();
        }
        default: return {};
    }
}

void ResultLists::ToggleExpand(std::size_t row) {
    if (row >= rows_.Rows().size()) {
        return;
    }
    const std::uint64_t node = rows_.Rows()[row].node;
    if (rows_.ToggleExpand(row)) {
        RebuildTreeList();
        SelectTreeNode(node);
    }
}

void ResultLists::ExpandSubtree(std::size_t row) {
    const std::uint64_t node = rows_.Rows()[row].node;
    if (rows_.ExpandSubtree(row)) {
        RebuildTreeList();
        SelectTreeNode(node);
    }
}

bool ResultLists::OnTreeKey(UINT key) {
    const int focused = ListView_GetNextItem(tree_, -1, LVNI_FOCUSED);
    if (focused < 0 || static_cast<std::size_t>(focused) >= rows_.Rows().size()) {
        return false;
    }
    const auto row = static_cast<std::size_t>(focused);
    const std::uint64_t node = rows_.Rows()[row].node;
    const bool expandable = HasExpander(result_, node);
    const bool expanded = rows_.IsExpanded(node);
    const auto change = [&](bool expand) {
        if (rows_.SetExpanded(row, expand)) {
            RebuildTreeList();
            SelectTreeNode(node);
        }
    };
    switch (key) {
        case VK_RIGHT:
            if (expandable && !expanded) {
                change(true);
            } else if (expandable && row + 1 < rows_.Rows().size()) {
                SelectTreeNode(rows_.Rows()[row + 1].node);
            }
            return true;
        case VK_LEFT:
            if (expandable && expanded) {
                change(false);
            } else if (const auto parent = rows_.ParentRow(row)) {
                SelectTreeNode(rows_.Rows()[*parent].node);
            }
            return true;
        case VK_ADD:
        case VK_OEM_PLUS: change(true); return true;
        case VK_SUBTRACT:
        case VK_OEM_MINUS: change(false); return true;
        case VK_MULTIPLY: ExpandSubtree(row); return true;
        default: return false;
    }
}

void ResultLists::ToggleSort() { SortBy(0, sortOrders_[0].column); }

void ResultLists::SelectTreeNode(std::uint64_t node, bool rerank) {
    const auto row = rows_.FindRow(node);
    if (!row) {
        return;
    }
    // These selection changes are ours; the rankings are filled once below.
    selectingTreeNode_ = true;
    ::SetFocus(tree_);
    const int before = ListView_GetNextItem(tree_, -1, LVNI_SELECTED);
    SelectRow(tree_, static_cast<int>(*row));
    selectingTreeNode_ = false;
    selectedNode_ = node;
    if (rerank) {
        FillRankings(node);
    } else if (events_.rankingSelectionChanged) {
        events_.rankingSelectionChanged();
    }
    // Only the rows that lost and got the selection are drawn again: under
    // Wine a whole list of custom-drawn cells costs a hundred milliseconds.
    if (before >= 0) {
        ListView_RedrawItems(tree_, before, before);
    }
    ListView_RedrawItems(tree_, static_cast<int>(*row), static_cast<int>(*row));
    ::UpdateWindow(tree_);
}

void ResultLists::FillRankings(std::uint64_t folder) {
    // The lists are filled once, when the rankings are made: emptied first,
    // each of them costs Wine a relayout more, and nothing is drawn between.
    rankings_ = {};
    if (!result_.nodes.empty()) {
        // The root's rankings need no index (which may still be being built)
        // and come faster without it.
        std::optional<Rankings> root;
        if (folder == result_.rootIndex) {
            root = ComputeRootRankings(result_, measure_);
        }
        rankings_ = root ? std::move(*root) : ComputeRankings(result_, subtreeIndex_.Get(), folder, measure_);
    }
    lastRankingList_ = nullptr;
    rankingScope_ = result_.nodes.empty() ? core::NoIndex : folder;
    ShowRankingTitles();
    SortRankingRows(result_, 1, sortOrders_[1], NaturalCompare, measure_, rankings_.files.nodes,
                    rankings_.files.shares);
    SortRankingRows(result_, 2, sortOrders_[2], NaturalCompare, measure_, rankings_.folders.nodes,
                    rankings_.folders.shares);
    FillRankingList(files_, rankings_.files);
    FillRankingList(folders_, rankings_.folders);
    if (events_.rankingSelectionChanged) {
        events_.rankingSelectionChanged();
    }
}

void ResultLists::FillRankingList(HWND list, const RankingRows& rows) {
    ClearSelectionAndFocus(list);
    // Thirty rows after thirty: the count stays, and Wine need not lay the list out again.
    if (ListView_GetItemCount(list) != static_cast<int>(rows.nodes.size())) {
        ListView_SetItemCountEx(list, static_cast<int>(rows.nodes.size()), 0);
    }
    FitColumns(ListIndexOf(list));
    ::InvalidateRect(list, nullptr, FALSE);
}

std::wstring ResultLists::RankingCellText(HWND list, std::size_t row, int column) {
    const RankingRows& rows = list == files_ ? rankings_.files : rankings_.folders;
    if (row >= rows.nodes.size()) {
        return {};
    }
    const core::NodeView node = result_.nodes[rows.nodes[row]];
    switch (column) {
        case 0: return ShareText(rows.shares[row]);
        case 1: return i18n::FormatSize(locale_, core::DisplaySize(node, measure_));
        default: break;
    }
    if (list == files_) {
        return column == 2 ? std::wstring(node.Name()) : column == 3 ? node.Path() : std::wstring();
    }
    switch (column) {
        case 2: return i18n::FormatCount(locale_, node.FileCount());
        case 3: return i18n::FormatCount(locale_, node.FolderCount());
        case 4: return node.Path();
        default: return {};
    }
}

std::optional<LRESULT> ResultLists::OnNotify(NMHDR& header) {
    if (header.hwndFrom == tip_ && tip_ != nullptr && header.code == TTN_GETDISPINFOW) {
        OnCellTipText(reinterpret_cast<NMTTDISPINFOW&>(header));
        return 0;
    }
    if (header.code == NM_CUSTOMDRAW && header.hwndFrom != nullptr &&
        std::find(headers_.begin(), headers_.end(), header.hwndFrom) != headers_.end()) {
        return DrawHeaderCustom(reinterpret_cast<NMCUSTOMDRAW&>(header), palette_, dpi_);
    }
    if (header.hwndFrom == tree_) {
        return OnTreeNotify(header);
    }
    if (header.hwndFrom == files_ || header.hwndFrom == folders_) {
        return OnRankingNotify(header);
    }
    return std::nullopt;
}

LRESULT ResultLists::OnTreeNotify(NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            const auto row = static_cast<std::size_t>(info.item.iItem);
            if (row >= rows_.Rows().size()) {
                return 0;
            }
            const std::uint64_t node = rows_.Rows()[row].node;
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
                static_cast<std::size_t>(change.iItem) < rows_.Rows().size()) {
                selectedNode_ = rows_.Rows()[static_cast<std::size_t>(change.iItem)].node;
                FillRankings(selectedNode_);
            }
            return 0;
        }
        case LVN_COLUMNCLICK:
            SortBy(0, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        case LVN_ODFINDITEMW: return FindRowByName(tree_, reinterpret_cast<const NMLVFINDITEMW&>(header));
        case NM_DBLCLK: {
            const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
            if (row >= 0) {
                ToggleExpand(static_cast<std::size_t>(row));
            }
            return 0;
        }
        case NM_CLICK: {
            const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
            if (click.iItem < 0 || static_cast<std::size_t>(click.iItem) >= rows_.Rows().size()) {
                return 0;
            }
            const auto row = static_cast<std::size_t>(click.iItem);
            const RECT box = ExpanderBox(row);
            if (HasExpander(result_, rows_.Rows()[row].node) && ::PtInRect(&box, click.ptAction)) {
                ToggleExpand(row);
            }
            return 0;
        }
        case NM_RETURN: OpenTreeSelection(::GetParent(tree_)); return 0;
        case NM_CUSTOMDRAW: return OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        default: return 0;
    }
}

LRESULT ResultLists::OnRankingNotify(NMHDR& header) {
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0 &&
                info.item.iItem >= 0) {
                const std::wstring text =
                    RankingCellText(header.hwndFrom, static_cast<std::size_t>(info.item.iItem), info.item.iSubItem);
                ::lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
            }
            return 0;
        }
        case NM_CUSTOMDRAW: return OnListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        case LVN_ODFINDITEMW: return FindRowByName(header.hwndFrom, reinterpret_cast<const NMLVFINDITEMW&>(header));
        case NM_RETURN: OpenSelected(::GetParent(header.hwndFrom)); return 0;
        case LVN_COLUMNCLICK:
            SortBy(header.hwndFrom == files_ ? 1 : 2, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            const bool newlySelected =
                (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
            if (newlySelected && change.iItem >= 0) {
                lastRankingList_ = header.hwndFrom;
            } else if (lastRankingList_ == header.hwndFrom && ListView_GetSelectedCount(header.hwndFrom) == 0) {
                lastRankingList_ = nullptr;
            }
            if (events_.rankingSelectionChanged) {
                events_.rankingSelectionChanged();
            }
            return 0;
        }
        default: return 0;
    }
}

std::uint64_t ResultLists::RankingNodeAt(HWND list, int row) const {
    const RankingRows& rows = list == files_ ? rankings_.files : rankings_.folders;
    if (row < 0 || static_cast<std::size_t>(row) >= rows.nodes.size()) {
        return core::NoIndex;
    }
    return rows.nodes[static_cast<std::size_t>(row)];
}

std::uint64_t ResultLists::SelectedNodeOf(HWND list) const {
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (list != tree_) {
        return RankingNodeAt(list, row);
    }
    return row >= 0 && static_cast<std::size_t>(row) < rows_.Rows().size()
               ? rows_.Rows()[static_cast<std::size_t>(row)].node
               : core::NoIndex;
}

bool ResultLists::OnListKey(HWND list, UINT key) { return RunKeyFor(SelectedNodeOf(list), key, ::GetParent(list)); }

bool ResultLists::RunKeyFor(std::uint64_t node, UINT key, HWND owner) {
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (key != VK_DELETE && !(key == 'C' && control)) {
        return false;
    }
    // The merged root of several drives has no path to copy.
    if (node == core::NoIndex || (node == result_.rootIndex && result_.rootPath == core::MergedRootName)) {
        return true;
    }
    RunContextCommand(key == VK_DELETE ? DeleteToRecycleBinCommandId : CopyPathCommandId, node, owner);
    return true;
}

int ResultLists::FindRowByName(HWND list, const NMLVFINDITEMW& find) {
    const std::size_t count = list == tree_ ? rows_.Rows().size()
                              : list == files_ ? rankings_.files.nodes.size()
                                               : rankings_.folders.nodes.size();
    return FindRowByTypedName(find, count, [&](std::size_t row) {
        const std::uint64_t node = list == tree_ ? rows_.Rows()[row].node : RankingNodeAt(list, static_cast<int>(row));
        return DisplayName(result_.nodes[node]);
    });
}

void ResultLists::OnListMouseMove(HWND list) {
    const auto cell = CellUnderCursor(list);
    if (list != tipList_ || cell != tipCell_) {
        tipList_ = list;
        tipCell_ = cell;
        // A shown tip belongs to the cell it was asked for.
        ::SendMessageW(tip_, TTM_POP, 0, 0);
    }
}

bool ResultLists::HasRankingSelection() const {
    return ListView_GetSelectedCount(files_) > 0 || ListView_GetSelectedCount(folders_) > 0;
}

HWND ResultLists::RankingListForOpen() const {
    if (lastRankingList_ != nullptr && ListView_GetSelectedCount(lastRankingList_) > 0) {
        return lastRankingList_;
    }
    for (HWND list : {files_, folders_}) {
        if (ListView_GetSelectedCount(list) > 0) {
            return list;
        }
    }
    return nullptr;
}

bool ResultLists::CanOpen() const {
    if (lastFocusedList_ == tree_ && tree_ != nullptr) {
        return ListView_GetSelectedCount(tree_) > 0;
    }
    if (lastFocusedList_ != nullptr) {
        return ListView_GetSelectedCount(lastFocusedList_) > 0;
    }
    return HasRankingSelection();
}

void ResultLists::OnListFocus(HWND list, bool focused) {
    if (focused) {
        lastFocusedList_ = list;
    }
    // Selected rows change colour with the focus, and the focused row's frame comes and goes.
    ::InvalidateRect(list, nullptr, FALSE);
    if (events_.rankingSelectionChanged) {
        events_.rankingSelectionChanged();
    }
}

void ResultLists::OpenSelected(HWND owner) {
    if (lastFocusedList_ == tree_ && tree_ != nullptr) {
        OpenTreeSelection(owner);
        return;
    }
    const HWND list = lastFocusedList_ != nullptr && ListView_GetSelectedCount(lastFocusedList_) > 0
                          ? lastFocusedList_
                          : RankingListForOpen();
    if (list == nullptr) {
        events_.notice("status.select_ranking");
        return;
    }
    OpenNode(owner, RankingNodeAt(list, ListView_GetNextItem(list, -1, LVNI_SELECTED)));
}

void ResultLists::OpenTreeSelection(HWND owner) {
    const int row = ListView_GetNextItem(tree_, -1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.Rows().size()) {
        return;
    }
    OpenNode(owner, rows_.Rows()[static_cast<std::size_t>(row)].node);
}

void ResultLists::OpenNode(HWND owner, std::uint64_t node) {
    // The merged root of several drives is no place in the file system.
    const std::wstring path = node < result_.nodes.size() ? result_.nodes[node].Path() : std::wstring();
    if (path.empty() || (node == result_.rootIndex && result_.rootPath == core::MergedRootName)) {
        events_.notice("status.open_failed");
        return;
    }
    HINSTANCE shellResult = nullptr;
    if (result_.nodes[node].IsDirectory()) {
        shellResult = ::ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else {
        const std::wstring parameters = L"/select,\"" + path + L"\"";
        shellResult = ::ShellExecuteW(owner, nullptr, L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }
    if (reinterpret_cast<INT_PTR>(shellResult) <= 32) {
        events_.notice("status.open_failed");
    }
}

bool ResultLists::OnContextMenu(HWND source, int x, int y, HWND owner) {
    for (const HWND list : Handles()) {
        const HWND header = list != nullptr ? ListView_GetHeader(list) : nullptr;
        RECT headerBox{};
        ::GetWindowRect(header, &headerBox);
        const POINT at{x, y};
        if (header != nullptr && (source == header || (source == list && x != -1 && ::PtInRect(&headerBox, at)))) {
            RunColumnChooser(ListIndexOf(list), x == -1 && y == -1 ? POINT{headerBox.left, headerBox.bottom} : at, owner);
            return true;
        }
    }
    if (source != tree_ && source != files_ && source != folders_) {
        return false;
    }
    int row = -1;
    POINT at{x, y};
    if (x == -1 && y == -1) {
        row = ListView_GetNextItem(source, -1, LVNI_SELECTED);
        if (row < 0) {
            return true;
        }
        RECT bounds{};
        ListView_GetItemRect(source, row, &bounds, LVIR_BOUNDS);
        at = {bounds.left + Scale(16), (bounds.top + bounds.bottom) / 2};
        ::ClientToScreen(source, &at);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = at;
        ::ScreenToClient(source, &hit.pt);
        row = ListView_HitTest(source, &hit);
        if (row < 0) {
            return true;
        }
        if (source == tree_) {
            SelectTreeNode(rows_.Rows()[static_cast<std::size_t>(row)].node);
        } else {
            SelectRow(source, row);
        }
    }
    const std::uint64_t node =
        source == tree_ ? rows_.Rows()[static_cast<std::size_t>(row)].node : RankingNodeAt(source, row);
    if (source != tree_) {
        lastRankingList_ = source;
        if (events_.rankingSelectionChanged) {
            events_.rankingSelectionChanged();
        }
    }
    if (node == core::NoIndex) {
        return true;
    }
    RunContextMenu(source, node, at, owner);
    return true;
}

}  // namespace varnel::ui
