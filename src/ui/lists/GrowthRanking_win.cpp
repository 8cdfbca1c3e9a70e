#include "ui/lists/GrowthRanking_win.h"

#include <iterator>
#include <string_view>

#include "i18n/Formatting.h"
#include "ui/lists/ListContextTarget_win.h"
#include "ui/lists/TypedRowFind_win.h"
#include "ui/theme/ThemeApply_win.h"
#include "ui/view/ResultColumns.h"
#include "ui/view/ResultView.h"

namespace varnel::ui {
namespace {

// The first column has no key: its header is the ranking's title.
constexpr ColumnSpec Columns[] = {
    {nullptr, 250, true, false}, {"column.size", 100, true, false}, {"column.full_path", 520, false, true}};

}  // namespace

std::wstring SnapshotDateText(std::int64_t secondsSince1970) {
    // FILETIME counts 100 ns from 1601; 11644473600 s lie between the two.
    if (secondsSince1970 < 0) {
        return {};
    }
    return i18n::FormatLocalDateTime(static_cast<std::uint64_t>(secondsSince1970 + 11644473600LL) * 10'000'000ULL);
}

bool GrowthRanking::Create(HWND parent, HINSTANCE instance, int id) {
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (list_ == nullptr) {
        return false;
    }
    header_ = ListView_GetHeader(list_);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    SetColumns();
    return true;
}

void GrowthRanking::SetPalette(const ThemePalette& palette) {
    palette_ = palette;
    if (list_ != nullptr) {
        // The list alone is themed and drawn again: the window that holds it
        // applies the palette to itself and draws everything once after.
        ApplyTheme(list_, {list_, nullptr, nullptr}, nullptr, palette);
    }
}

void GrowthRanking::SetColumns() {
    while (ListView_DeleteColumn(list_, 0)) {
    }
    for (std::size_t i = 0; i < std::size(Columns); ++i) {
        std::wstring text = Columns[i].key == nullptr ? title_ : localizer_.Translate(HeaderKey(Columns[i], measure_));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = Columns[i].number ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scale(Columns[i].width);
        column.pszText = text.data();
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
}

void GrowthRanking::Retranslate() {
    if (change_ != nullptr && change_->Active()) {
        title_ = i18n::FillPlaceholder(localizer_.Translate("ranking.grew_since"), L"{date}",
                          SnapshotDateText(change_->EarlierTakenAt()));
    }
    SetColumns();
}

void GrowthRanking::Show(const core::ScanResult& result, const ResultChange& change, const SubtreeIndex& index,
                         std::uint64_t folder, core::SizeMeasure measure) {
    result_ = &result;
    change_ = &change;
    measure_ = measure;
    nodes_ = change.GrewMost(result, index, folder, RankingLimit, measure);
    title_.clear();
    Retranslate();
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(nodes_.size()), 0);
    ::InvalidateRect(list_, nullptr, FALSE);
}

void GrowthRanking::Clear() {
    nodes_.clear();
    result_ = nullptr;
    change_ = nullptr;
    title_.clear();
    ListView_SetItemCountEx(list_, 0, 0);
}

std::wstring GrowthRanking::CellText(std::size_t row, int column) const {
    if (result_ == nullptr || change_ == nullptr || row >= nodes_.size() || nodes_[row] >= result_->nodes.size()) {
        return {};
    }
    const core::NodeView node = result_->nodes[nodes_[row]];
    switch (column) {
        case 0: {
            if (change_->IsNew(node.Index())) {
                return localizer_.Translate("change.new") + L" " +
                       i18n::FormatSizeChange(locale_, change_->ChangeOf(node, measure_).value_or(0));
            }
            return i18n::FormatSizeChange(locale_, change_->ChangeOf(node, measure_).value_or(0));
        }
        case 1: return i18n::FormatSize(locale_, core::DisplaySize(node, measure_));
        default: return node.Path();
    }
}

std::optional<LRESULT> GrowthRanking::OnNotify(NMHDR& header) {
    if (list_ == nullptr) {
        return std::nullopt;
    }
    if (header.code == NM_CUSTOMDRAW && header.hwndFrom == header_ && header_ != nullptr) {
        return DrawHeaderCustom(reinterpret_cast<NMCUSTOMDRAW&>(header), palette_, dpi_);
    }
    if (header.hwndFrom != list_) {
        return std::nullopt;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0 &&
                info.item.iItem >= 0) {
                const std::wstring text = CellText(static_cast<std::size_t>(info.item.iItem), info.item.iSubItem);
                ::lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
            }
            return 0;
        }
        case LVN_KEYDOWN: {
            const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
            if (row >= 0 && static_cast<std::size_t>(row) < nodes_.size() && events_.key) {
                events_.key(nodes_[static_cast<std::size_t>(row)], reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
            }
            return 0;
        }
        case LVN_ODFINDITEMW:
            return result_ == nullptr ? -1
                                      : FindRowByTypedName(reinterpret_cast<const NMLVFINDITEMW&>(header), nodes_.size(),
                                                           [&](std::size_t row) {
                                                               return DisplayName(result_->nodes[nodes_[row]]);
                                                           });
        case NM_DBLCLK:
        case NM_RETURN: {
            const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
            if (row >= 0 && static_cast<std::size_t>(row) < nodes_.size() && events_.showInTree) {
                events_.showInTree(nodes_[static_cast<std::size_t>(row)]);
            }
            return 0;
        }
        default: return 0;
    }
}

bool GrowthRanking::OnContextMenu(HWND source, int x, int y) {
    if (source != list_ || list_ == nullptr) {
        return false;
    }
    const auto [row, at] = ContextTargetOf(list_, x, y, Scale(16));
    if (row >= 0 && static_cast<std::size_t>(row) < nodes_.size() && events_.contextMenu) {
        events_.contextMenu(nodes_[static_cast<std::size_t>(row)], at);
    }
    return true;
}

}  // namespace varnel::ui
