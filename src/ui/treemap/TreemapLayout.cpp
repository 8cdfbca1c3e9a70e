#include "ui/treemap/TreemapLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace varnel::ui {
namespace {

// Children whose tile would cover less than this many pixels are merged.
constexpr double MinTileArea = 1.0;
// Folders narrower or lower than this are drawn whole (a folder of a few
// pixels shows nothing more with its children in it, and there are
// hundreds of thousands of them in a big result); from MinFramedSide on
// they get a frame around their children.
constexpr float MinSplitSide = 4.0f;
constexpr float MinFramedSide = 8.0f;
// A chain of single folders thousands deep would otherwise add a tile per
// folder for the same pixels.
constexpr std::uint16_t MaxDepth = 200;
// The cushions' ridge height and how it falls off with depth.
constexpr float RidgeHeight = 0.75f;
constexpr float RidgeFalloff = 0.78f;

struct Item {
    double size;
    std::uint32_t node;
    bool merged;
};

struct Box {
    double left, top, right, bottom;
    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
};

// The ridge height at each depth, made once instead of a pow per tile.
const std::array<float, MaxDepth + 2> RidgeHeights = [] {
    std::array<float, MaxDepth + 2> heights{};
    float height = RidgeHeight;
    for (float& h : heights) {
        h = height;
        height *= RidgeFalloff;
    }
    return heights;
}();

void AddRidge(float low, float high, float height, float& s1, float& s2) {
    const float span = high - low;
    if (span <= 0) {
        return;
    }
    s1 += 4 * height * (high + low) / span;
    s2 -= 4 * height / span;
}

// The worst aspect ratio of a row of items laid along `side`.
double WorstRatio(double largest, double smallest, double rowArea, double side) {
    const double side2 = side * side;
    const double area2 = rowArea * rowArea;
    return std::max(side2 * largest / area2, area2 / (side2 * smallest));
}

class Builder {
public:
    Builder(const core::ScanTree& tree, core::SizeMeasure measure, std::vector<TreemapTile>& tiles)
        : tree_(tree), measure_(measure), tiles_(tiles) {}

    // Lays out the children of tiles_[t] and appends them; the caller walks
    // the tiles in order, so every folder tile is reached once.
    void Split(std::uint32_t t) {
        TreemapTile tile = tiles_[t];
        if ((tile.flags & TreemapTile::Folder) == 0 || (tile.flags & TreemapTile::Merged) != 0) {
            return;
        }
        const float width = tile.right - tile.left;
        const float height = tile.bottom - tile.top;
        if (width < MinSplitSide || height < MinSplitSide || tile.depth >= MaxDepth) {
            tiles_[t].flags |= TreemapTile::Whole;
            return;
        }
        Box inner{tile.left, tile.top, tile.right, tile.bottom};
        if (width >= MinFramedSide && height >= MinFramedSide) {
            tiles_[t].flags |= TreemapTile::Framed;
            inner = {inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
        }
        if (!CollectChildren(tile.node, inner.Width() * inner.Height())) {
            return;
        }
        tiles_[t].firstChild = static_cast<std::uint32_t>(tiles_.size());
        tiles_[t].childCount = static_cast<std::uint32_t>(items_.size());
        Squarify(inner, tile);
    }

    void AddTop(std::uint64_t node, Box box) {
        TreemapTile tile;
        tile.node = static_cast<std::uint32_t>(node);
        Place(tile, box, TreemapTile{}, tree_[node].IsDirectory(), false);
        tile.depth = 0;
        tiles_.push_back(tile);
    }

private:
    // The children worth a tile, largest first, and one merged item for the
    // rest. False when nothing below has a size.
    bool CollectChildren(std::uint32_t folder, double area) {
        items_.clear();
        double total = 0;
        for (const std::uint32_t child : tree_[folder].Children()) {
            const auto size = static_cast<double>(core::DisplaySize(tree_[child], measure_));
            total += size;
            items_.push_back({size, child, false});
        }
        if (total <= 0) {
            return false;
        }
        const double minimum = MinTileArea * total / area;
        double rest = 0;
        std::erase_if(items_, [&](const Item& item) {
            const bool small = item.size < minimum;
            rest += small ? item.size : 0;
            return small;
        });
        if (rest > 0) {
            items_.push_back({rest, folder, true});
        }
        std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
            if (a.size != b.size) return a.size > b.size;
            if (a.merged != b.merged) return b.merged;
            return a.node < b.node;
        });
        total_ = total;
        return true;
    }

    void Squarify(Box box, const TreemapTile& parent) {
        const double scale = box.Width() * box.Height() / total_;
        std::size_t first = 0;
        while (first < items_.size()) {
            const bool alongHeight = box.Width() >= box.Height();  // the row is a column at the left
            const double side = alongHeight ? box.Height() : box.Width();
            std::size_t last = first + 1;
            double rowSize = items_[first].size;
            double worst = WorstRatio(items_[first].size * scale, items_[first].size * scale, rowSize * scale, side);
            while (last < items_.size()) {
                const double next = rowSize + items_[last].size;
                const double ratio =
                    WorstRatio(items_[first].size * scale, items_[last].size * scale, next * scale, side);
                if (ratio > worst) {
                    break;
                }
                worst = ratio;
                rowSize = next;
                ++last;
            }
            // The last row takes what is left, so the children fill the
            // parent exactly whatever the rounding.
            const bool lastRow = last == items_.size();
            const double thickness = rowSize * scale / side;
            Box row = box;
            if (alongHeight) {
                row.right = lastRow ? box.right : std::min(box.left + thickness, box.right);
                box.left = row.right;
            } else {
                row.bottom = lastRow ? box.bottom : std::min(box.top + thickness, box.bottom);
                box.top = row.bottom;
            }
            double position = alongHeight ? row.top : row.left;
            for (std::size_t i = first; i < last; ++i) {
                const double length = side * items_[i].size / rowSize;
                const double end = i + 1 == last ? (alongHeight ? row.bottom : row.right) : position + length;
                const Box cell = alongHeight ? Box{row.left, position, row.right, end}
                                             : Box{position, row.top, end, row.bottom};
                TreemapTile tile;
                tile.node = items_[i].node;
                Place(tile, cell, parent, items_[i].merged || tree_[items_[i].node].IsDirectory(), items_[i].merged);
                tiles_.push_back(tile);
                position = end;
            }
            first = last;
        }
    }

    void Place(TreemapTile& tile, Box box, const TreemapTile& parent, bool folder, bool merged) const {
        tile.left = static_cast<float>(box.left);
        tile.top = static_cast<float>(box.top);
        tile.right = static_cast<float>(box.right);
        tile.bottom = static_cast<float>(box.bottom);
        tile.depth = static_cast<std::uint16_t>(parent.depth + 1);
        tile.flags = static_cast<std::uint8_t>((folder ? TreemapTile::Folder : 0) | (merged ? TreemapTile::Merged : 0));
        tile.s1x = parent.s1x;
        tile.s2x = parent.s2x;
        tile.s1y = parent.s1y;
        tile.s2y = parent.s2y;
        const float height = RidgeHeights[std::min<std::size_t>(tile.depth, MaxDepth + 1)];
        AddRidge(tile.left, tile.right, height, tile.s1x, tile.s2x);
        AddRidge(tile.top, tile.bottom, height, tile.s1y, tile.s2y);
    }

    const core::ScanTree& tree_;
    core::SizeMeasure measure_;
    std::vector<TreemapTile>& tiles_;
    std::vector<Item> items_;  // the children of the folder being split
    double total_ = 0;
};

}  // namespace

TreemapLayout TreemapLayout::Compute(const core::ScanTree& tree, std::uint64_t top, core::SizeMeasure measure,
                                     int width, int height) {
    TreemapLayout layout;
    layout.width_ = std::max(width, 0);
    layout.height_ = std::max(height, 0);
    layout.top_ = top;
    if (top >= tree.size() || width <= 0 || height <= 0 || core::DisplaySize(tree[top], measure) == 0) {
        return layout;
    }
    Builder builder(tree, measure, layout.tiles_);
    builder.AddTop(top, {0, 0, static_cast<double>(width), static_cast<double>(height)});
    // Breadth first: every tile appended is split in its turn.
    for (std::uint32_t t = 0; t < layout.tiles_.size(); ++t) {
        builder.Split(t);
    }
    return layout;
}

std::uint32_t TreemapLayout::TileAt(float x, float y) const noexcept {
    if (tiles_.empty() || !tiles_[0].Contains(x, y)) {
        return None;
    }
    std::uint32_t at = 0;
    for (;;) {
        const TreemapTile& tile = tiles_[at];
        std::uint32_t inner = None;
        for (std::uint32_t c = tile.firstChild; c < tile.firstChild + tile.childCount; ++c) {
            if (tiles_[c].Contains(x, y)) {
                inner = c;
                break;
            }
        }
        if (inner == None) {
            return at;
        }
        at = inner;
    }
}

std::uint32_t TreemapLayout::TileOf(const core::ScanTree& tree, std::uint64_t node) const {
    if (tiles_.empty() || node >= tree.size()) {
        return None;
    }
    std::vector<std::uint64_t> chain;  // node up to the top
    for (std::uint64_t n = node; n != core::NoIndex; n = tree[n].Parent()) {
        chain.push_back(n);
        if (n == top_) {
            break;
        }
    }
    if (chain.back() != top_) {
        return None;
    }
    std::uint32_t at = 0;
    for (std::size_t level = chain.size() - 1; level > 0; --level) {
        const TreemapTile& tile = tiles_[at];
        std::uint32_t next = None;
        for (std::uint32_t c = tile.firstChild; c < tile.firstChild + tile.childCount; ++c) {
            if (tiles_[c].node == chain[level - 1] && (tiles_[c].flags & TreemapTile::Merged) == 0) {
                next = c;
                break;
            }
        }
        if (next == None) {
            return at;
        }
        at = next;
    }
    return at;
}

}  // namespace varnel::ui
