#pragma once
// Where each item of a result goes in a treemap: squarified tiles (as close
// to square as the sizes allow) whose areas follow the items' sizes,
// folders nested inside a one-pixel frame while they are big enough to
// show one. What would come out smaller than a pixel is not laid out one by
// one: a folder's children below that are merged into one tile of the
// folder, so the work follows the pixels, not the node count. Portable and
// deterministic: the same tree and size give the same tiles every time.

#include <cstdint>
#include <span>
#include <vector>

#include "model/ScanTree.h"
#include "model/SizeMeasure.h"

namespace varnel::ui {

struct TreemapTile {
    // The item the tile shows; for a merged tile, the folder whose small
    // children it stands for.
    std::uint32_t node = 0;
    // A folder's children are the tiles firstChild .. firstChild + childCount;
    // tile 0 is the top.
    std::uint32_t firstChild = 0;
    std::uint32_t childCount = 0;
    // Edges in pixels, fractional; a tile's pixels are those whose centres
    // lie inside. Neighbours share their edge values exactly.
    float left = 0, top = 0, right = 0, bottom = 0;
    // The cushion: the sum of the parabolic ridges of the tile and its
    // ancestors along each axis (surface = s2 * x^2 + s1 * x).
    float s1x = 0, s2x = 0, s1y = 0, s2y = 0;
    std::uint16_t depth = 0;
    std::uint8_t flags = 0;

    static constexpr std::uint8_t Folder = 1;  // a folder (or a merged tile, which stands for one)
    static constexpr std::uint8_t Merged = 2;  // stands for children too small to draw
    static constexpr std::uint8_t Framed = 4;  // a folder with a one-pixel frame
    static constexpr std::uint8_t Whole = 8;   // a folder too small to show its children

    bool Contains(float x, float y) const noexcept { return x >= left && x < right && y >= top && y < bottom; }
};

class TreemapLayout {
public:
    // Lays out `top` (a folder or a file) in a width x height picture by
    // the chosen measure. A zero size, an unknown node or an empty picture
    // gives no tiles.
    static TreemapLayout Compute(const core::ScanTree& tree, std::uint64_t top, core::SizeMeasure measure, int width,
                                 int height);

    std::span<const TreemapTile> Tiles() const noexcept { return tiles_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    std::uint64_t Top() const noexcept { return top_; }

    // The innermost tile at a pixel; none outside every tile.
    std::uint32_t TileAt(float x, float y) const noexcept;
    // The tile that shows `node`: its own, else the tile of the nearest
    // folder above it that is on the picture. None when `node` is not below
    // the top.
    std::uint32_t TileOf(const core::ScanTree& tree, std::uint64_t node) const;

    static constexpr std::uint32_t None = 0xFFFFFFFFu;

private:
    std::vector<TreemapTile> tiles_;
    int width_ = 0;
    int height_ = 0;
    std::uint64_t top_ = core::NoIndex;
};

}  // namespace varnel::ui
