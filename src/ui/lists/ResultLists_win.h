#pragma once
// The three result lists of the main window: the expandable folder tree
// and the rankings of the largest files and folders below the folder
// selected in it. Owns the shown result, draws the share bars and the tree
// cells in the theme's colours, and opens a ranked item in the shell.

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/ScanModel.h"
#include "i18n/Localizer.h"
#include "ui/view/ResultView.h"
#include "ui/lists/ShellActions_win.h"
#include "ui/view/BackgroundSubtreeIndex.h"
#include "ui/view/ResultChange.h"
#include "ui/theme/GdiObjectCache_win.h"
#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

// What the lists tell the window that holds them.
struct ResultListsEvents {
    // A ranking row was selected or unselected: Open may change state.
    std::function<void()> rankingSelectionChanged;
    // A notice for the status bar, by text key.
    std::function<void(std::string key)> notice;
    // The shown result changed in place (an item was deleted): totals shown
    // elsewhere are out of date.
    std::function<void()> resultChanged;
    // The shown result is about to change in place: anything still reading
    // it on another thread (an export) must stop first.
    std::function<void()> resultWillChange;
    // The context menu's Rescan on a folder: the window scans it again.
    std::function<void(std::uint64_t folder)> rescanFolder;
};

class ResultLists {
public:
    ResultLists(i18n::Localizer& localizer, ResultListsEvents events);
    ResultLists(const ResultLists&) = delete;
    ResultLists& operator=(const ResultLists&) = delete;

    // Creates the three lists as children `firstId`, +1, +2 of `parent`,
    // with their columns. False, with whatever was made destroyed, when any
    // of them cannot be created.
    bool Create(HWND parent, HINSTANCE instance, int treeId, int filesId, int foldersId);
    std::array<HWND, 3> Handles() const noexcept { return {tree_, files_, folders_}; }
    HWND TreeList() const noexcept { return tree_; }

    // What the cells are drawn and formatted with; set before Create and
    // whenever the window's DPI, theme or language changes.
    void SetDpi(UINT dpi) noexcept { dpi_ = dpi; gdi_.Clear(); }
    void SetPalette(const ThemePalette& palette) noexcept { palette_ = palette; gdi_.Clear(); }
    void SetFormattingLocale(std::wstring locale) { locale_ = std::move(locale); }

    // Columns back to their default widths; hidden ones stay hidden.
    void ResetColumnWidths();
    // The columns of list `listIndex` fitted to its width (ResultColumnFit).
    void FitColumns(int listIndex);
    // A header's column changed width or is about to be dragged: a width the
    // user gives is kept; a hidden column is not dragged open. Nothing when
    // `header` is no notification of a list's header.
    std::optional<LRESULT> OnHeaderNotify(HWND list, const NMHDR& header);
    bool IsColumnShown(int listIndex, int column) const;
    void SetColumnShown(int listIndex, int column, bool shown);
    // The rankings' titles, which name the folder they rank, and where the
    // two rankings go with their titles above them.
    std::array<HWND, 2> TitleHandles() const noexcept { return {filesTitle_, foldersTitle_}; }
    void PlaceRanking(int listIndex, int x, int y, int width, int height);
    // The folder the rankings rank; NoIndex when none.
    std::uint64_t RankingScope() const noexcept { return rankingScope_; }
    // The columns' widths at 96 DPI: the tree's, then the largest files',
    // then the largest folders', for the settings; and back, where a list
    // of another length (columns added since) is passed over.
    std::vector<int> ColumnWidthsAt96() const;
    void ApplyColumnWidthsAt96(const std::vector<int>& widths);
    // The tree's order as a column and a direction, to be remembered.
    int TreeSortColumn() const noexcept;
    bool TreeSortDescending() const noexcept { return sortOrders_[0].descending; }
    void ApplyTreeSort(int column, bool descending);
    // Column names in the current language, then the rows shown again.
    void Retranslate();
    // The size every size column, share, ranking and the tree's order by
    // size use; the headers, rows and rankings change at once.
    void SetSizeMeasure(core::SizeMeasure measure);
    core::SizeMeasure Measure() const noexcept { return measure_; }

    // Empties all three lists and forgets the selection (a scan starts).
    void Clear();
    // Shows a finished scan: the root expanded and selected; the rankings
    // of the root too, also for a cancelled scan, whose partial numbers are
    // still the best the user has.
    void ShowResult(core::ScanResult result);

    // Selects the node's row; the rankings then rank it, unless
    // `rerank` is false (they keep their folder and selection).
    void SelectTreeNode(std::uint64_t node, bool rerank = true);
    void ToggleExpand(std::size_t row);
    void ToggleSort();
    // A click on `column` of list `listIndex` (0 tree, 1 files, 2 folders):
    // sorts by it, or flips the direction when it already sorts by it.
    void SortBy(int listIndex, int column);
    // Orders kept from an earlier run; out-of-range ones become the defaults.
    void SetSortOrders(const std::array<SortOrder, 3>& orders);
    const std::array<SortOrder, 3>& SortOrders() const noexcept { return sortOrders_; }

    // The answer to a notification from one of the lists or their headers;
    // nothing when it came from elsewhere.
    std::optional<LRESULT> OnNotify(NMHDR& header);
    // Keys the tree list handles itself before the list view sees them:
    // Left, Right, +, -, * and Enter. True when the key was used.
    bool OnTreeKey(UINT key);
    // The context menu of a list, from the mouse or the keyboard (x and y
    // are -1 then); false when `source` is none of the lists.
    bool OnContextMenu(HWND source, int x, int y, HWND owner);
    // The rankings' context menu for a node shown in another pane (the
    // treemap, the files of one type, the search results), with Show in tree.
    void ShowContextMenuFor(std::uint64_t node, POINT screen, HWND owner) { RunContextMenu(nullptr, node, screen, owner); }
    // The item selected in the ranking that had the last selection; NoIndex for none.
    std::uint64_t SelectedRankingNode() const {
        const HWND list = RankingListForOpen();
        return list == nullptr ? core::NoIndex : RankingNodeAt(list, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    }

    // A list got or lost the keyboard focus.
    void OnListFocus(HWND list, bool focused);
    // Keys every list answers: Del moves the selected item to the Recycle
    // Bin (after asking), Ctrl+C copies its path. True when the key was used.
    bool OnListKey(HWND list, UINT key);
    // The same keys on a node shown in another pane (the growth ranking).
    bool RunKeyFor(std::uint64_t node, UINT key, HWND owner);

    // The mouse over a list: a tooltip shows a cut cell text whole.
    void OnListMouseMove(HWND list);

    bool HasRankingSelection() const;
    // Whether Open has something to open: the list that had the focus last
    // has a selection (or, before any had it, a ranking has one).
    bool CanOpen() const;
    // Opens the selected item of the list that had the focus last (a
    // ranking's when none had it yet) in the shell's file manager.
    void OpenSelected(HWND owner);
    void OpenTreeSelection(HWND owner);

    // The shell behind the context actions; tests put a recording one here.
    void SetShellActions(std::unique_ptr<ShellActions> shell) { shell_ = std::move(shell); }
    // Moves the node's file or folder to the Recycle Bin after asking, and on
    // success takes it out of the result and the lists without a rescan.
    // The scanned root and the drives of a merged scan are refused.
    void DeleteToRecycleBin(HWND owner, std::uint64_t node);
    bool CanDelete(std::uint64_t node) const;
    // Expands the tree down to the node and selects it.
    // With `keepRankings` the rankings keep the folder they rank and their
    // selection: the user came from one of them.
    void ShowInTree(std::uint64_t node, bool keepRankings = false);
    // Puts a completed rescan of `folder` in place of its subtree: totals,
    // rankings and rows follow, the selection and the expanded folders
    // outside it stay. False, with nothing changed, when the two do not fit
    // together (see core::SpliceSubtree).
    bool ReplaceSubtree(std::uint64_t folder, core::ScanResult rescan);

    // What the shown result is compared with: the tree's change column
    // shows while one is active and follows deletions and rescans.
    void SetChange(ResultChange change);
    const ResultChange& Change() const noexcept { return change_; }
    // Waits for the index while it is still being built.
    const SubtreeIndex& Subtrees() { return subtreeIndex_.Get(); }

    const core::ScanResult& Result() const noexcept { return result_; }
    const ResultTree& Tree() const noexcept { return rows_; }
    const Rankings& CurrentRankings() const noexcept { return rankings_; }
    std::uint64_t SelectedNode() const noexcept { return selectedNode_; }

private:
    void CreateColumns();
    // The change column has no width while no comparison is active.
    void HideUnusedColumns();
    void ResetRowHeights();
    void SizeNumberColumnsToValues();
    void RunColumnChooser(int listIndex, POINT at, HWND owner);
    int ListIndexOf(HWND list) const noexcept { return list == tree_ ? 0 : list == files_ ? 1 : list == folders_ ? 2 : -1; }
    void ShowRankingTitles();
    void RenameColumns();
    void RebuildTreeList();
    void FillRankings(std::uint64_t folder);
    void ResortRanking(int listIndex);
    void ShowSortArrows();
    void FillRankingList(HWND list, const RankingRows& rows);
    std::wstring RankingCellText(HWND list, std::size_t row, int column);
    std::wstring TreeCellText(std::uint64_t node, int column);
    std::wstring NameText(std::uint64_t node);
    std::wstring ShareText(double share) const;
    LRESULT OnTreeNotify(NMHDR& header);
    LRESULT OnRankingNotify(NMHDR& header);
    // What one repaint of a list reads from the list once, not per cell:
    // under Wine every message to a subclassed list and every GetFocus is a
    // round trip to the server, and a screen of cells asked a few thousand.
    struct PaintPass {
        bool focused = false;      // the list has the keyboard focus
        int selectedRow = -1;      // single selection: at most one
        int focusedRow = -1;
        std::vector<int> columnLefts;  // from the row's left, one more than the columns
        int topRow = -1;               // the first row shown, and its bounds; -1: asked per row
        RECT topBounds{};
        int row = -1;                  // the row being drawn, and its bounds
        RECT rowBounds{};
    };
    LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw);
    void BeginPaintPass(HWND list, PaintPass& pass) const;
    void DrawTreeCell(HDC dc, const PaintPass& pass, std::size_t row);
    void DrawFocusFrame(HDC dc, const PaintPass& pass);
    RECT ExpanderBox(std::size_t row) const;
    RECT ExpanderBoxIn(const RECT& rowBounds, int depth) const;
    HWND RankingListForOpen() const;
    std::uint64_t RankingNodeAt(HWND list, int row) const;
    std::uint64_t SelectedNodeOf(HWND list) const;
    int FindRowByName(HWND list, const NMLVFINDITEMW& find);
    void ExpandSubtree(std::size_t row);
    void OpenNode(HWND owner, std::uint64_t node);
    void RunContextMenu(HWND source, std::uint64_t node, POINT at, HWND owner);
    void RunContextCommand(int command, std::uint64_t node, HWND owner);
    std::wstring DeletionPrompt(std::uint64_t node);
    bool StillAsShown(std::uint64_t node);
    int Scale(int value) const;
    int NameInset(int depth) const;
    void CreateCellTip(HWND parent, HINSTANCE instance);
    void OnCellTipText(NMTTDISPINFOW& info);
    std::pair<int, int> CellUnderCursor(HWND list) const;

    i18n::Localizer& localizer_;
    ResultListsEvents events_;
    HWND tree_ = nullptr;
    HWND files_ = nullptr;
    HWND folders_ = nullptr;
    // The lists' headers, asked once: every notification of every cell is
    // checked against them, and under Wine each question to a list is a
    // round trip to the server.
    std::array<HWND, 3> headers_{};
    UINT dpi_ = 96;
    ThemePalette palette_;
    GdiObjectCache gdi_;  // the cells' brushes and pens, of palette_ and dpi_
    std::array<PaintPass, 3> paintPasses_;  // by list index
    std::wstring locale_ = L"system";

    core::ScanResult result_;
    BackgroundSubtreeIndex subtreeIndex_;  // built once per result, off the window thread
    ResultChange change_;        // of result_; inactive when nothing is compared
    ResultTree rows_;
    Rankings rankings_;
    std::uint64_t selectedNode_ = core::NoIndex;
    std::array<SortOrder, 3> sortOrders_{DefaultSortOrder(0), DefaultSortOrder(1), DefaultSortOrder(2)};
    core::SizeMeasure measure_ = core::SizeMeasure::Logical;
    HWND lastRankingList_ = nullptr;
    HWND lastFocusedList_ = nullptr;  // Open acts on its selection
    HWND filesTitle_ = nullptr;
    HWND foldersTitle_ = nullptr;
    std::uint64_t rankingScope_ = core::NoIndex;
    // The widths asked for at 96 DPI, by list and column, 0 for hidden
    // columns; the shown widths are fitted from them to each list's room.
    std::array<std::vector<int>, 3> wantedAt96_;
    bool fitting_ = false;  // our own width changes are not the user's
    bool selectingTreeNode_ = false;  // our own selection changes are not user picks
    HWND tip_ = nullptr;              // owned by the parent window: destroyed with it
    std::wstring tipText_;            // the shown tip's text lives here
    HWND tipList_ = nullptr;
    std::pair<int, int> tipCell_{-1, -1};
    std::unique_ptr<ShellActions> shell_ = MakeSystemShellActions();
    // Folders' write times after our own deletions in them, by path: they
    // stand for the scanned times when a later deletion is checked.
    std::unordered_map<std::wstring, std::uint64_t> ownWriteTimes_;
};

}  // namespace varnel::ui
