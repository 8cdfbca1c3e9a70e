#pragma once
// Draws a TreemapLayout into 32-bit pixels (0x00RRGGBB, the layout of a
// top-down 32-bit DIB): files in their type group's colour, folders too
// small to split and merged tiles in a neutral one, each tile shaded as a
// cushion so neighbours of one colour stay apart, framed folders outlined.
// Portable, so the picture is tested natively and drawn on a worker thread.

#include <array>
#include <cstdint>
#include <span>

#include "model/FileTypes.h"
#include "model/ScanTree.h"
#include "ui/theme/ThemePalette.h"
#include "ui/treemap/TreemapLayout.h"

namespace varnel::ui {

struct TreemapColours {
    std::array<std::uint32_t, core::FileTypeGroupCount> groups{};  // 0x00RRGGBB
    std::uint32_t folder = 0;      // folders drawn whole, merged tiles
    std::uint32_t frame = 0;       // the frame of a nested folder
    std::uint32_t background = 0;  // where no tile is
};

// The treemap's colours for a theme: light or dark group colours, chosen to
// stay apart on that theme's lists, and the theme's own background.
TreemapColours TreemapColoursFor(const ThemePalette& palette);

// Converts a COLORREF (red in the low byte) to 0x00RRGGBB and back.
constexpr std::uint32_t PixelFromColorRef(std::uint32_t colour) noexcept {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
constexpr std::uint32_t ColorRefFromPixel(std::uint32_t pixel) noexcept { return PixelFromColorRef(pixel) & 0xFFFFFF; }

// Fills `pixels` (layout.Width() x layout.Height(), rows top-down). With a
// `highlight` extension number, files of other extensions are drawn faded.
// Does nothing when `pixels` is smaller than the picture.
void RenderTreemap(const TreemapLayout& layout, const core::ScanTree& tree, const core::FileTypeIndex& types,
                   const TreemapColours& colours, std::uint32_t highlight, std::span<std::uint32_t> pixels);

}  // namespace varnel::ui
