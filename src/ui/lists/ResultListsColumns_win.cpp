// The columns of the three lists: which are shown (the header's chooser),
// how wide the user wants them, the number columns sized to their widest
// value when a result is first shown, and every list's columns fitted to
// its width so that no number runs past the list's edge. The rankings'
// titles, which go with the lists' layout, live here too.

#include <algorithm>
#include <cmath>

#include "platform/UniqueHandle_win.h"
#include "ui/lists/ListRedrawPause_win.h"
#include "ui/lists/ResultLists_win.h"
#include "ui/lists/WidestText_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/view/ColumnFit.h"
#include "ui/view/MainWindowLayout.h"
#include "ui/view/ResultColumns.h"

namespace varnel::ui {
namespace {

// Room the header leaves beside a column's name: its insets and the sort arrow.
constexpr int HeaderExtra = 30;
// A shown text column keeps at least this much while the list has room.
constexpr int TextColumnMinimum = 72;
// Number columns are measured over the first rows only: a folder of a
// hundred thousand children would cost a visible pause, and the rows
// further down are smaller in the order the tree starts with.
constexpr std::size_t MeasuredRows = 2000;
// Above the rankings, room around the title's text.
constexpr int TitlePadding = 6;

std::vector<int> DefaultWidths(int listIndex) {
    std::vector<int> widths;
    for (const ColumnSpec& column : ColumnsOf(listIndex)) {
        widths.push_back(column.hiddenByDefault ? 0 : column.width);
    }
    return widths;
}

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}


}  // namespace

void ResultLists::ResetColumnWidths() {
    for (int l = 0; l < 3; ++l) {
        std::vector<int> widths = DefaultWidths(l);
        // A column the user hid or showed keeps that choice.
        for (std::size_t i = 0; i < widths.size() && wantedAt96_[static_cast<std::size_t>(l)].size() == widths.size(); ++i) {
            const bool shown = wantedAt96_[static_cast<std::size_t>(l)][i] > 0;
            widths[i] = shown ? std::max(ColumnsOf(l)[i].width, 1) : 0;
        }
        wantedAt96_[static_cast<std::size_t>(l)] = std::move(widths);
    }
    ResetRowHeights();
    for (int l = 0; l < 3; ++l) FitColumns(l);
}

std::vector<int> ResultLists::ColumnWidthsAt96() const {
    std::vector<int> widths;
    for (int l = 0; l < 3; ++l) {
        const auto& wanted = wantedAt96_[static_cast<std::size_t>(l)];
        const std::vector<int> own = wanted.size() == ColumnsOf(l).size() ? wanted : DefaultWidths(l);
        widths.insert(widths.end(), own.begin(), own.end());
    }
    return widths;
}

void ResultLists::ApplyColumnWidthsAt96(const std::vector<int>& remembered) {
    std::size_t expected = 0;
    for (int l = 0; l < 3; ++l) {
        expected += ColumnsOf(l).size();
    }
    std::vector<int> widths = remembered;
    if (widths.size() + 1 == expected) {
        // Remembered before the tree had its change column: the user's other widths still hold.
        widths.insert(widths.begin() + ChangeColumnOfTree, TreeColumns[ChangeColumnOfTree].width);
    }
    // A list of another length is from before other columns were added: passed over.
    if (widths.size() != expected) {
        return;
    }
    auto next = widths.begin();
    for (int l = 0; l < 3; ++l) {
        const auto count = static_cast<std::ptrdiff_t>(ColumnsOf(l).size());
        wantedAt96_[static_cast<std::size_t>(l)].assign(next, next + count);
        next += count;
        FitColumns(l);
    }
}

void ResultLists::FitColumns(int listIndex) {
    const HWND list = Handles()[static_cast<std::size_t>(listIndex)];
    auto& wanted = wantedAt96_[static_cast<std::size_t>(listIndex)];
    const auto columns = ColumnsOf(listIndex);
    if (list == nullptr || fitting_) {
        return;
    }
    if (wanted.size() != columns.size()) {
        wanted = DefaultWidths(listIndex);
    }
    std::vector<WantedColumn> asked;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        // The change column shows only while a comparison is active.
        const bool unused = listIndex == 0 && i == ChangeColumnOfTree && !change_.Active();
        asked.push_back({wanted[i] > 0 && !unused ? std::max(Scale(wanted[i]), 1) : 0, columns[i].number});
    }
    RECT client{};
    ::GetClientRect(list, &client);
    const int room = client.right - client.left;
    const std::vector<int> widths = FitColumnWidths(asked, room, std::min(Scale(TextColumnMinimum), room / 3));
    std::vector<int> changed;
    const HWND header = headers_[static_cast<std::size_t>(listIndex)];
    for (std::size_t i = 0; i < widths.size(); ++i) {
        // The header holds the widths, and asking it costs no round trip.
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        if (!Header_GetItem(header, static_cast<int>(i), &item) || item.cxy != widths[i]) {
            changed.push_back(static_cast<int>(i));
        }
    }
    if (changed.empty()) {
        return;
    }
    {
        // Each width set lays the list out again (its header, its scroll
        // bars): paused, the list does it once for all of them. A scroll bar
        // that comes or goes then fits the columns again, outside fitting_.
        const ListRedrawPause paused({list, nullptr, nullptr});
        fitting_ = true;
        for (const int i : changed) {
            ListView_SetColumnWidth(list, i, widths[static_cast<std::size_t>(i)]);
        }
        fitting_ = false;
    }
    ::InvalidateRect(list, nullptr, FALSE);
}

std::optional<LRESULT> ResultLists::OnHeaderNotify(HWND list, const NMHDR& header) {
    const int listIndex = ListIndexOf(list);
    if (listIndex < 0 || header.hwndFrom != headers_[static_cast<std::size_t>(listIndex)]) {
        return std::nullopt;
    }
    const auto& change = reinterpret_cast<const NMHEADERW&>(header);
    auto& wanted = wantedAt96_[static_cast<std::size_t>(listIndex)];
    const bool known = change.iItem >= 0 && static_cast<std::size_t>(change.iItem) < wanted.size();
    switch (header.code) {
        case HDN_BEGINTRACKW:
        case HDN_BEGINTRACKA:
        case HDN_DIVIDERDBLCLICKW:
        case HDN_DIVIDERDBLCLICKA:
            // A hidden column's divider lies on its neighbour's: that one is meant.
            if (known && wanted[static_cast<std::size_t>(change.iItem)] == 0) return TRUE;
            break;
        case HDN_ITEMCHANGEDW:
        case HDN_ITEMCHANGEDA:
            if (!fitting_ && known && change.pitem != nullptr && (change.pitem->mask & HDI_WIDTH) != 0) {
                const int at96 = static_cast<int>(std::lround(change.pitem->cxy * 96.0 / (dpi_ == 0 ? 96 : dpi_)));
                wanted[static_cast<std::size_t>(change.iItem)] = change.pitem->cxy <= 0 ? 0 : std::max(at96, 1);
            }
            break;
        default: break;
    }
    return std::nullopt;
}

bool ResultLists::IsColumnShown(int listIndex, int column) const {
    const auto& wanted = wantedAt96_[static_cast<std::size_t>(listIndex)];
    if (column < 0 || static_cast<std::size_t>(column) >= ColumnsOf(listIndex).size()) return false;
    return static_cast<std::size_t>(column) < wanted.size() ? wanted[static_cast<std::size_t>(column)] > 0
                                                             : !ColumnsOf(listIndex)[static_cast<std::size_t>(column)].hiddenByDefault;
}

void ResultLists::SetColumnShown(int listIndex, int column, bool shown) {
    const auto columns = ColumnsOf(listIndex);
    // The first column holds the rows' names and bars: it always stays.
    if (column <= 0 || static_cast<std::size_t>(column) >= columns.size()) {
        return;
    }
    auto& wanted = wantedAt96_[static_cast<std::size_t>(listIndex)];
    if (wanted.size() != columns.size()) wanted = DefaultWidths(listIndex);
    wanted[static_cast<std::size_t>(column)] = shown ? columns[static_cast<std::size_t>(column)].width : 0;
    FitColumns(listIndex);
    ::InvalidateRect(Handles()[static_cast<std::size_t>(listIndex)], nullptr, FALSE);
}

void ResultLists::RunColumnChooser(int listIndex, POINT at, HWND owner) {
    const platform::UniqueMenu owned(::CreatePopupMenu());
    if (!owned) {
        return;
    }
    const auto columns = ColumnsOf(listIndex);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const char* key = listIndex == 0 && i == ShareColumnOfTree ? "column.share" : HeaderKey(columns[i], measure_);
        const UINT state = (IsColumnShown(listIndex, static_cast<int>(i)) ? MF_CHECKED : MF_UNCHECKED) |
                           (i == 0 ? MF_GRAYED : 0u);
        ::AppendMenuW(owned.get(), MF_STRING | state, i + 1, localizer_.Translate(key).c_str());
    }
    const int chosen = static_cast<int>(
        ::TrackPopupMenu(owned.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, owner, nullptr));
    if (chosen > 0) {
        SetColumnShown(listIndex, chosen - 1, !IsColumnShown(listIndex, chosen - 1));
    }
}

void ResultLists::SizeNumberColumnsToValues() {
    const auto lists = Handles();
    for (int l = 0; l < 3; ++l) {
        const HWND list = lists[static_cast<std::size_t>(l)];
        const auto columns = ColumnsOf(l);
        auto& wanted = wantedAt96_[static_cast<std::size_t>(l)];
        if (wanted.size() != columns.size()) wanted = DefaultWidths(l);
        const std::size_t rows = std::min(MeasuredRows, l == 0   ? rows_.Rows().size()
                                                        : l == 1 ? rankings_.files.nodes.size()
                                                                 : rankings_.folders.nodes.size());
        const WindowDc dc(list);
        const SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
        WidestText widestValue(dc.get());
        std::vector<std::wstring> texts;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!columns[i].number || wanted[i] == 0) continue;
            wchar_t name[256]{};
            LVCOLUMNW header{};
            header.mask = LVCF_TEXT;
            header.pszText = name;
            header.cchTextMax = 256;
            ListView_GetColumn(list, static_cast<int>(i), &header);
            texts.clear();
            for (std::size_t r = 0; r < rows; ++r) {
                texts.push_back(l == 0 ? TreeCellText(rows_.Rows()[r].node, static_cast<int>(i))
                                       : RankingCellText(list, r, static_cast<int>(i)));
            }
            int widest = TextWidth(dc.get(), name) + Scale(HeaderExtra);
            if (!texts.empty()) {
                widest = std::max(widest, widestValue.Of(texts) + 2 * Scale(CellPadding) + 1);
            }
            wanted[i] = std::max(1, static_cast<int>(std::ceil(widest * 96.0 / (dpi_ == 0 ? 96 : dpi_))));
        }
        FitColumns(l);
    }
}

void ResultLists::PlaceRanking(int listIndex, int x, int y, int width, int height) {
    const HWND title = listIndex == 1 ? filesTitle_ : foldersTitle_;
    const HWND list = listIndex == 1 ? files_ : folders_;
    TEXTMETRICW metrics{};
    {
        const WindowDc dc(title);
        const SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(dc.get(), &metrics);
    }
    const int titleHeight = std::min(static_cast<int>(metrics.tmHeight) + Scale(TitlePadding), height / 2);
    ::MoveWindow(title, x, y, width, titleHeight, FALSE);
    ::MoveWindow(list, x, y + titleHeight, width, std::max(height - titleHeight, 0), FALSE);
}

void ResultLists::ShowRankingTitles() {
    const bool scoped = rankingScope_ < result_.nodes.size();
    const std::wstring scope = scoped ? std::wstring(DisplayName(result_.nodes[rankingScope_])) : std::wstring();
    const auto title = [&](const char* scopedKey, const char* key) {
        return scoped ? i18n::FillPlaceholder(localizer_.Translate(scopedKey), L"{0}", scope) : localizer_.Translate(key);
    };
    ::SetWindowTextW(filesTitle_, title("ranking.files_in", "ranking.files").c_str());
    ::SetWindowTextW(foldersTitle_, title("ranking.folders_in", "ranking.folders").c_str());
}

}  // namespace varnel::ui
