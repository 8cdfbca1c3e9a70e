#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "model/FileTypes.h"
#include "model/ScanTreeBuilder.h"
#include "ui/treemap/TreemapLayout.h"
#include "ui/treemap/TreemapRenderer.h"

namespace varnel::ui {
namespace {

using core::ScanTreeBuilder;
constexpr std::uint32_t Dir = core::FileAttributeDirectory;

void File(ScanTreeBuilder& b, std::uint64_t parent, std::uint64_t size, const wchar_t* name = L"f.bin") {
    b.AddFile(parent, name, 0, {size, size / 2}, 0);
}

// The shapes that break treemaps: one file dwarfing thousands, nothing but
// zero sizes, a lone file, a folder with 100,000 children, sizes that
// saturate their folder's total, and chains of folders deeper than any
// picture has pixels.
const struct Shape {
    const char* name;
    std::function<void(ScanTreeBuilder&, std::uint64_t root)> fill;
} Shapes[] = {
    {"huge beside tiny", [](ScanTreeBuilder& b, std::uint64_t root) {
         File(b, root, 1'000'000'000'000);
         const auto tiny = b.AddFolder(root, L"tiny", Dir, 0);
         for (int i = 0; i < 20'000; ++i) File(b, tiny, static_cast<std::uint64_t>(1 + i % 3));
     }},
    {"zero sizes", [](ScanTreeBuilder& b, std::uint64_t root) {
         for (int i = 0; i < 50; ++i) {
             const auto folder = b.AddFolder(root, L"z", Dir, 0);
             File(b, folder, 0);
             if (i % 7 == 0) File(b, folder, static_cast<std::uint64_t>(i) * 1000);
         }
         b.AddFolder(root, L"empty", Dir, 0);
         File(b, root, 0);
     }},
    {"single file", [](ScanTreeBuilder& b, std::uint64_t root) { File(b, root, 12345); }},
    {"100,000 siblings", [](ScanTreeBuilder& b, std::uint64_t root) {
         for (std::uint64_t i = 0; i < 100'000; ++i) File(b, root, (i * 7919) % 100'003);
     }},
    {"saturated totals", [](ScanTreeBuilder& b, std::uint64_t root) {
         const auto full = b.AddFolder(root, L"full", Dir, 0);
         for (int i = 0; i < 3; ++i) File(b, full, INT64_MAX);
         File(b, root, 1u << 20);
     }},
    {"deep chains", [](ScanTreeBuilder& b, std::uint64_t root) {
         std::uint64_t folder = root;
         for (int depth = 0; depth < 3000; ++depth) {
             folder = b.AddFolder(folder, L"d", Dir, 0);
             if (depth % 100 == 0) File(b, folder, 4096);
         }
         File(b, folder, 1 << 30, L"bottom.iso");
         std::uint64_t other = root;
         for (int depth = 0; depth < 40; ++depth) {
             other = b.AddFolder(other, L"e", Dir, 0);
             File(b, other, 1u << 22, L"x.jpg");
         }
     }},
};

double Area(const TreemapTile& t) { return static_cast<double>(t.right - t.left) * (t.bottom - t.top); }

TEST(TreemapLayout, PropertiesHoldOverGeneratedTrees) {
    const std::pair<int, int> pictures[] = {{640, 480}, {97, 31}, {1, 1}};
    for (const Shape& shape : Shapes) {
        ScanTreeBuilder builder;
        const auto root = builder.AddRoot(L"R", Dir, 0);
        shape.fill(builder, root);
        builder.ComputeTotals();
        const core::ScanResult result = builder.FinishResult(core::ScanStatus::Completed, L"R", 0);
        const auto& tree = result.nodes;
        const core::FileTypeIndex types(tree);
        for (const auto measure : {core::SizeMeasure::Logical, core::SizeMeasure::OnDisk}) {
            for (const auto& picture : pictures) {
                const int width = picture.first;
                const int height = picture.second;
                const auto w = static_cast<std::size_t>(width);
                SCOPED_TRACE(std::string(shape.name) + " " + std::to_string(width) + "x" + std::to_string(height));
                const TreemapLayout layout = TreemapLayout::Compute(tree, result.rootIndex, measure, width, height);
                const auto tiles = layout.Tiles();
                ASSERT_FALSE(tiles.empty());
                EXPECT_EQ(Area(tiles[0]), static_cast<double>(width) * height);
                std::vector<int> owners(w * static_cast<std::size_t>(height), 0);
                for (std::uint32_t t = 0; t < tiles.size(); ++t) {
                    const TreemapTile& tile = tiles[t];
                    double inset = (tile.flags & TreemapTile::Framed) ? 1.0 : 0.0;
                    double childArea = 0;
                    double childSizes = 0;
                    for (const std::uint32_t child : tree[tile.node].Children()) {
                        childSizes += static_cast<double>(core::DisplaySize(tree[child], measure));
                    }
                    const double innerArea =
                        (tile.right - tile.left - 2 * inset) * (tile.bottom - tile.top - 2 * inset);
                    for (std::uint32_t c = tile.firstChild; c < tile.firstChild + tile.childCount; ++c) {
                        const TreemapTile& child = tiles[c];
                        ASSERT_GE(child.left, tile.left + inset - 1e-3);
                        ASSERT_LE(child.right, tile.right - inset + 1e-3);
                        ASSERT_GE(child.top, tile.top + inset - 1e-3);
                        ASSERT_LE(child.bottom, tile.bottom - inset + 1e-3);
                        childArea += Area(child);
                        if (!(child.flags & TreemapTile::Merged)) {
                            const double expected =
                                innerArea * static_cast<double>(core::DisplaySize(tree[child.node], measure)) /
                                childSizes;
                            ASSERT_NEAR(Area(child), expected, 1e-3 * innerArea + 0.05) << "tile " << c;
                        }
                    }
                    if (tile.childCount != 0) {
                        ASSERT_NEAR(childArea, innerArea, 1e-4 * innerArea + 0.01);
                    }
                    // Every pixel belongs to one leaf or one frame, never two.
                    const auto mark = [&](int x0, int y0, int x1, int y1, bool ring) {
                        for (int y = y0; y < y1; ++y)
                            for (int x = x0; x < x1; ++x)
                                if (!ring || x == x0 || y == y0 || x == x1 - 1 || y == y1 - 1)
                                    ++owners[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
                    };
                    const auto px = [](float v) { return static_cast<int>(std::ceil(v - 0.5f)); };
                    if (tile.childCount == 0) {
                        mark(px(tile.left), px(tile.top), px(tile.right), px(tile.bottom), false);
                    } else if (tile.flags & TreemapTile::Framed) {
                        mark(px(tile.left), px(tile.top), px(tile.right), px(tile.bottom), true);
                    }
                }
                for (std::size_t i = 0; i < owners.size(); ++i) {
                    ASSERT_EQ(owners[i], 1) << "pixel " << i % w << "," << i / w;
                }
                // The same picture every time.
                const TreemapLayout again = TreemapLayout::Compute(tree, result.rootIndex, measure, width, height);
                ASSERT_EQ(again.Tiles().size(), tiles.size());
                EXPECT_EQ(std::memcmp(again.Tiles().data(), tiles.data(), tiles.size_bytes()), 0);
                std::vector<std::uint32_t> first(owners.size()), second(owners.size());
                RenderTreemap(layout, tree, types, TreemapColoursFor({}), core::FileTypeIndex::None, first);
                RenderTreemap(again, tree, types, TreemapColoursFor({}), core::FileTypeIndex::None, second);
                EXPECT_EQ(first, second);
                // Each tile is found where it is drawn, and found for its node.
                for (std::uint32_t t = 0; t < tiles.size(); t += 1 + static_cast<std::uint32_t>(tiles.size() / 500)) {
                    const TreemapTile& tile = tiles[t];
                    if (tile.childCount != 0 || tile.right - tile.left < 1 || tile.bottom - tile.top < 1) continue;
                    EXPECT_EQ(layout.TileAt((tile.left + tile.right) / 2, (tile.top + tile.bottom) / 2), t);
                    if (!(tile.flags & TreemapTile::Merged)) {
                        EXPECT_EQ(layout.TileOf(tree, tile.node), t);
                    }
                }
            }
        }
    }
}

TEST(TreemapLayout, NothingToDrawGivesNoTiles) {
    ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"R", Dir, 0);
    File(builder, root, 0);
    builder.ComputeTotals();
    const core::ScanResult result = builder.FinishResult(core::ScanStatus::Completed, L"R", 0);
    EXPECT_TRUE(TreemapLayout::Compute(result.nodes, root, core::SizeMeasure::Logical, 100, 100).Tiles().empty());
    EXPECT_TRUE(TreemapLayout::Compute(result.nodes, 99, core::SizeMeasure::Logical, 100, 100).Tiles().empty());
}

}  // namespace
}  // namespace varnel::ui
