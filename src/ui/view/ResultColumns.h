#pragma once
// The columns of the three result lists and the geometry of their cells,
// shared by the code that fills the lists and the code that paints them.
// Lengths are at 96 DPI.

#include <cstdint>
#include <span>
#include <string_view>

#include "model/SizeMeasure.h"

namespace varnel::ui {

struct ColumnSpec {
    const char* key;
    int width;  // at 96 DPI
    bool number;
    bool path;
    bool hiddenByDefault = false;  // offered in the header's column chooser
};

// Column 1 of the tree names the sort direction; the key is chosen at use.
inline constexpr ColumnSpec TreeColumns[] = {
    {"column.folder", 260, false, false}, {"column.share_desc", 100, true, false}, {"column.size", 110, true, false},
    {"column.files", 80, true, false},    {"column.folders", 80, true, false},     {"column.full_path", 420, false, true, true},
    {"column.change", 110, true, false}};
// The tree's change since an earlier snapshot: shown only while a comparison is active.
inline constexpr int ChangeColumnOfTree = 6;
inline constexpr ColumnSpec FileColumns[] = {{"column.share", 100, true, false},
                                             {"column.size", 100, true, false},
                                             {"column.file_name", 220, false, false},
                                             {"column.full_path", 620, false, true}};
inline constexpr ColumnSpec FolderColumns[] = {{"column.share", 100, true, false},
                                               {"column.subtree_size", 120, true, false},
                                               {"column.files", 80, true, false},
                                               {"column.folders", 80, true, false},
                                               {"column.full_path", 620, false, true}};

// The text key of a column's header: one that names a size names the
// measure the lists show.
inline const char* HeaderKey(const ColumnSpec& column, core::SizeMeasure measure) {
    if (measure == core::SizeMeasure::OnDisk) {
        if (std::string_view(column.key) == "column.size") return "column.size_on_disk";
        if (std::string_view(column.key) == "column.subtree_size") return "column.subtree_size_on_disk";
    }
    return column.key;
}

inline constexpr int ShareColumnOfTree = 1;
inline constexpr int ShareColumnOfRankings = 0;
inline constexpr int IndentPerLevel = 18;
inline constexpr int ExpanderSize = 11;
inline constexpr int CellPadding = 6;
inline constexpr int BarInset = 4;
// Room above and below the text of a row, so that descenders (an
// underscore in "vendor_4") stay clear of the grid line.
inline constexpr int RowPadding = 6;

// 0 the tree, 1 the largest files, 2 the largest folders.
inline std::span<const ColumnSpec> ColumnsOf(int listIndex) {
    switch (listIndex) {
        case 0: return TreeColumns;
        case 1: return FileColumns;
        default: return FolderColumns;
    }
}

}  // namespace varnel::ui
