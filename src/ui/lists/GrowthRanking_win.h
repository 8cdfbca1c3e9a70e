#pragma once
// The ranking "Grew most since DATE" beside the other two: the folders below
// the tree's selected folder that grew most since the snapshot the result is
// compared with, with their change, size and path. Its rows offer the same
// context actions and keys as the rankings (through the window), and Enter
// or a double click shows the folder in the tree. Empty and hidden while no
// comparison is active.

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "i18n/Localizer.h"
#include "model/ScanModel.h"
#include "ui/theme/ThemePalette.h"
#include "ui/view/ResultChange.h"
#include "ui/view/SubtreeIndex.h"

namespace varnel::ui {

// A snapshot's time as the window writes dates: the user's short date and
// time without seconds, in local time.
std::wstring SnapshotDateText(std::int64_t secondsSince1970);

struct GrowthRankingEvents {
    std::function<void(std::uint64_t node, POINT screen)> contextMenu;
    std::function<void(std::uint64_t node)> showInTree;
    // A key on the selected row: Del and Ctrl+C act as in the other rankings.
    std::function<void(std::uint64_t node, UINT key)> key;
};

class GrowthRanking {
public:
    GrowthRanking(i18n::Localizer& localizer, GrowthRankingEvents events)
        : localizer_(localizer), events_(std::move(events)) {}
    GrowthRanking(const GrowthRanking&) = delete;
    GrowthRanking& operator=(const GrowthRanking&) = delete;

    // The list, a hidden child `id` of `parent`; false when it cannot be made.
    bool Create(HWND parent, HINSTANCE instance, int id);
    HWND Handle() const noexcept { return list_; }

    void SetDpi(UINT dpi) noexcept { dpi_ = dpi; }
    void SetPalette(const ThemePalette& palette);
    void SetFormattingLocale(std::wstring locale) { locale_ = std::move(locale); }
    // The title and column names in the current language.
    void Retranslate();

    // Ranks the folders below `folder` by their growth in `result` as
    // `change` gives it; both must outlive the rows (the result lists own
    // them). Nothing is ranked while `change` is inactive.
    void Show(const core::ScanResult& result, const ResultChange& change, const SubtreeIndex& index,
              std::uint64_t folder, core::SizeMeasure measure);
    void Clear();
    const std::vector<std::uint64_t>& Nodes() const noexcept { return nodes_; }
    // "Grew most since DATE", the first column's header; empty while inactive.
    const std::wstring& Title() const noexcept { return title_; }

    // A notification from the list or its header; nothing when it came from elsewhere.
    std::optional<LRESULT> OnNotify(NMHDR& header);
    // The context menu from the mouse or the keyboard (-1, -1); false when
    // `source` is not this list.
    bool OnContextMenu(HWND source, int x, int y);

private:
    void SetColumns();
    std::wstring CellText(std::size_t row, int column) const;
    int Scale(int value) const { return MulDiv(value, static_cast<int>(dpi_), 96); }

    i18n::Localizer& localizer_;
    GrowthRankingEvents events_;
    HWND list_ = nullptr;
    HWND header_ = nullptr;  // list_'s, asked once: every cell of every list is checked against it
    UINT dpi_ = 96;
    ThemePalette palette_;
    std::wstring locale_ = L"system";
    const core::ScanResult* result_ = nullptr;
    const ResultChange* change_ = nullptr;
    core::SizeMeasure measure_ = core::SizeMeasure::Logical;
    std::vector<std::uint64_t> nodes_;
    std::wstring title_;
};

}  // namespace varnel::ui
