#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/ScanTreeBuilder.h"
#include "ui/view/BackgroundSubtreeIndex.h"
#include "ui/view/ResultColumns.h"
#include "ui/view/ResultEdit.h"
#include "ui/view/ResultView.h"

namespace varnel::ui {
namespace {

using core::NoIndex;
using core::ScanResult;
using core::ScanTreeBuilder;

constexpr std::uint32_t Dir = core::FileAttributeDirectory;
constexpr core::SizeMeasure Logical = core::SizeMeasure::Logical;

// root (C:\) holds: big\ (a 500, b 300, c 300), empty\, same\ (x 300),
// z.bin 300, a.bin 300, 0.bin 0; on disk, ranked the other way round:
// big\ (a 1024, b 4096, c 2048), same\ (x 16384), z.bin 8192, a.bin 512.
struct Sample {
    ScanResult result;
    std::uint64_t root, big, empty, same, z, a, zero, fa, fb, fc, fx;

    Sample() {
        ScanTreeBuilder b;
        root = b.AddRoot(L"C:\\", Dir, 0);
        big = b.AddFolder(root, L"big", Dir, 0);
        empty = b.AddFolder(root, L"empty", Dir, 0);
        same = b.AddFolder(root, L"same", Dir, 0);
        z = b.AddFile(root, L"z.bin", 0, {300, 8192}, 0);
        a = b.AddFile(root, L"a.bin", 0, {300, 512}, 0);
        zero = b.AddFile(root, L"0.bin", 0, {0, 0}, 0);
        fa = b.AddFile(big, L"a", 0, {500, 1024}, 0);
        fb = b.AddFile(big, L"b", 0, {300, 4096}, 0);
        fc = b.AddFile(big, L"c", 0, {300, 2048}, 0);
        fx = b.AddFile(same, L"x", 0, {300, 16384}, 0);
        b.AddError(L"C:\\big\\locked", 5);
        b.AddError(L"C:\\bigger", 5);
        b.ComputeTotals();
        result = b.FinishResult(core::ScanStatus::Completed, L"C:\\", 0);
    }
};

std::vector<std::uint64_t> RowNodes(const ResultTree& tree) {
    std::vector<std::uint64_t> nodes;
    for (const TreeRow& row : tree.Rows()) nodes.push_back(row.node);
    return nodes;
}

// Under the root: big (1100 bytes, 3 files), same (300, 1 file), empty (0),
// files a.bin 300, z.bin 300, 0.bin 0. At equal sizes folders come first,
// then names.
TEST(ResultTree, EveryColumnSortsBothWays) {
    Sample s;
    using Nodes = std::vector<std::uint64_t>;
    const struct {
        SortOrder order;
        std::vector<std::uint64_t Sample::*> below;
    } cases[] = {
        {DefaultSortOrder(0), {&Sample::big, &Sample::same, &Sample::a, &Sample::z, &Sample::empty, &Sample::zero}},
        {{1, false}, {&Sample::empty, &Sample::zero, &Sample::same, &Sample::a, &Sample::z, &Sample::big}},
        {{2, true}, {&Sample::big, &Sample::same, &Sample::a, &Sample::z, &Sample::empty, &Sample::zero}},
        {{0, false}, {&Sample::zero, &Sample::a, &Sample::big, &Sample::empty, &Sample::same, &Sample::z}},
        {{0, true}, {&Sample::z, &Sample::same, &Sample::empty, &Sample::big, &Sample::a, &Sample::zero}},
        // A file has no counts: below every folder, ties largest first.
        {{3, true}, {&Sample::big, &Sample::same, &Sample::empty, &Sample::a, &Sample::z, &Sample::zero}},
        {{3, false}, {&Sample::a, &Sample::z, &Sample::zero, &Sample::empty, &Sample::same, &Sample::big}},
        {{5, false}, {&Sample::zero, &Sample::a, &Sample::big, &Sample::empty, &Sample::same, &Sample::z}},
    };
    for (const auto& c : cases) {
        ResultTree tree;
        tree.Reset(&s.result);
        tree.SetSortOrder(c.order, OrdinalCompare);
        Nodes expected{s.root};
        for (const auto member : c.below) expected.push_back(s.*member);
        EXPECT_EQ(RowNodes(tree), expected) << c.order.column << (c.order.descending ? " desc" : " asc");
    }
}

TEST(ListSorting, ClicksAndRankingRows) {
    EXPECT_EQ(ClickedSortOrder(0, {1, true}, 1), (SortOrder{1, false})) << "the same column flips";
    EXPECT_EQ(ClickedSortOrder(0, {1, true}, 0), (SortOrder{0, false})) << "names start from A";
    EXPECT_EQ(ClickedSortOrder(2, {0, true}, 2), (SortOrder{2, true})) << "counts start largest first";
    EXPECT_EQ(ValidSortOrder(1, {4, true}), DefaultSortOrder(1)) << "the files ranking has four columns";
    EXPECT_EQ(ValidSortOrder(7, {0, false}), DefaultSortOrder(0));

    Sample s;
    const SubtreeIndex index(s.result);
    Rankings r = ComputeRankings(s.result, index, NoIndex, Logical);
    SortRankingRows(s.result, 1, {2, false}, OrdinalCompare, Logical, r.files.nodes, r.files.shares);
    EXPECT_EQ(r.files.nodes, (std::vector<std::uint64_t>{s.zero, s.fa, s.a, s.fb, s.fc, s.fx, s.z}));
    SortRankingRows(s.result, 2, {2, true}, OrdinalCompare, Logical, r.folders.nodes, r.folders.shares);
    EXPECT_EQ(r.folders.nodes, (std::vector<std::uint64_t>{s.big, s.same, s.empty}));
}

TEST(ResultTree, ExpandCollapseAndRowsThatNeverExpand) {
    Sample s;
    ResultTree tree;
    tree.Reset(&s.result);
    EXPECT_FALSE(tree.ToggleExpand(*tree.FindRow(s.empty))) << "a folder without children";
    EXPECT_FALSE(tree.ToggleExpand(*tree.FindRow(s.a))) << "a file";
    EXPECT_FALSE(tree.ToggleExpand(999));
    ASSERT_TRUE(tree.ToggleExpand(*tree.FindRow(s.big)));
    EXPECT_EQ(RowNodes(tree), (std::vector<std::uint64_t>{s.root, s.big, s.fa, s.fb, s.fc, s.same, s.a, s.z,
                                                          s.empty, s.zero}));
    EXPECT_EQ(tree.Rows()[2].depth, 2);
    ASSERT_TRUE(tree.ToggleExpand(0));
    EXPECT_EQ(RowNodes(tree), (std::vector<std::uint64_t>{s.root}));
    ASSERT_TRUE(tree.ToggleExpand(0));
    EXPECT_TRUE(tree.IsExpanded(s.big)) << "inner folders keep their state";

    tree.Reset(nullptr);
    EXPECT_TRUE(tree.Rows().empty());
    ScanResult failed = core::MakeFailedResult(L"X", L"m", 0);
    tree.Reset(&failed);
    EXPECT_TRUE(tree.Rows().empty());
}

TEST(ShareOf, EdgeCases) {
    Sample s;
    EXPECT_EQ(ShareOf(s.result, s.zero, s.empty, Logical), 0.0) << "a reference of size 0";
    EXPECT_EQ(ShareOf(ScanResult{}, 0, NoIndex, Logical), 0.0);
    EXPECT_DOUBLE_EQ(ShareOf(s.result, s.root, s.fa, Logical), 400.0) << "above 100 is not clamped here";

    // Sizes near 2^64 stay exact enough and finite.
    ScanTreeBuilder b;
    const auto root = b.AddRoot(L"r", Dir, 0);
    constexpr auto Max = std::numeric_limits<std::uint64_t>::max();
    const auto huge = b.AddFile(root, L"h", 0, {Max, Max}, 0);
    b.ComputeTotals();
    const ScanResult big = b.FinishResult(core::ScanStatus::Completed, L"r", 0);
    EXPECT_DOUBLE_EQ(ShareOf(big, huge, NoIndex, Logical), 100.0);
}

TEST(Rankings, KeepOnlyTheThirtyLargestSorted) {
    ScanTreeBuilder b;
    const auto root = b.AddRoot(L"r", Dir, 0);
    const auto sub = b.AddFolder(root, L"s", Dir, 0);
    for (std::uint64_t i = 0; i < 100; ++i) {
        // Sizes in a scrambled order so that insertion order proves nothing.
        const std::uint64_t size = (i * 37) % 100 + 1;
        b.AddFile(i % 2 ? root : sub, L"f", 0, {size, size}, 0);
        b.AddFolder(sub, L"d", Dir, 0);
    }
    b.ComputeTotals();
    const ScanResult result = b.FinishResult(core::ScanStatus::Completed, L"r", 0);
    const SubtreeIndex index(result);
    const auto files = CollectLargestFiles(result, index, NoIndex, Logical);
    ASSERT_EQ(files.size(), RankingLimit);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(result.nodes[files[i]].Size(), 100 - i);
    }
    EXPECT_EQ(CollectLargestFiles(result, index, sub, Logical).size(), 30u);
    EXPECT_EQ(CollectLargestFolders(result, index, root, 0, Logical).size(), 0u);
    EXPECT_EQ(CollectLargestFolders(result, index, root, 200, Logical).size(), 101u);
    EXPECT_EQ(CollectLargestFolders(result, index, root, 200, Logical).front(), sub);
}

TEST(Rankings, MergedRootLeavesTheDriveRootsOut) {
    ScanTreeBuilder b;
    const auto root = b.AddRoot(core::MergedRootName, Dir, 0);
    ScanResult result = b.FinishResult(core::ScanStatus::Completed, core::MergedRootName, 0);
    std::vector<std::uint64_t> drives;
    for (int d = 0; d < 3; ++d) {
        ScanTreeBuilder drive;
        const auto driveRoot = drive.AddRoot(std::wstring(1, static_cast<wchar_t>(L'C' + d)) + L":\\", Dir, 0);
        for (int i = 0; i < 15; ++i) {
            const auto folder = drive.AddFolder(driveRoot, L"d", Dir, 0);
            const auto size = static_cast<std::uint64_t>(d * 100 + i + 1);
            drive.AddFile(folder, L"f", 0, {size, size}, 0);
        }
        drives.push_back(result.nodes.size());
        result.nodes.AppendTree(drive.FinishResult(core::ScanStatus::Completed, L"", 0).nodes, root);
    }
    result.nodes.ComputeTotals();
    result.nodes.IndexChildren();
    EXPECT_EQ(DisplayName(result.nodes[drives[1]]), L"D:\\") << "a drive shows its path";
    const SubtreeIndex index(result);
    const Rankings rankings = ComputeRankings(result, index, root, Logical);
    ASSERT_EQ(rankings.folders.nodes.size(), 30u);
    for (const auto node : rankings.folders.nodes) {
        EXPECT_NE(result.nodes[node].Parent(), root) << "a drive root was ranked";
    }
    // Below one drive, its folders are ranked as usual.
    EXPECT_EQ(ComputeRankings(result, index, drives[0], Logical).folders.nodes.size(), 15u);
}

// The measure turns the tree's order, both rankings, their shares and the
// size headers over together. Totals: 2000 logical, 32256 on disk.
TEST(SizeMeasure, RanksSharesAndOrdersSiblingsTogether) {
    Sample s;
    const SubtreeIndex index(s.result);
    using Nodes = std::vector<std::uint64_t>;
    const struct {
        core::SizeMeasure measure;
        Nodes rows, firstFiles, folders;
        double shareOfSame;
        const char* sizeHeader;
    } cases[] = {
        {Logical, {s.root, s.big, s.same, s.a, s.z, s.empty, s.zero}, {s.fa}, {s.big, s.same, s.empty}, 15.0,
         "column.size"},
        {core::SizeMeasure::OnDisk, {s.root, s.same, s.z, s.big, s.a, s.empty, s.zero},
         {s.fx, s.z, s.fb, s.fc, s.fa, s.a, s.zero}, {s.same, s.big, s.empty}, 16384 * 100.0 / 32256,
         "column.size_on_disk"},
    };
    for (const auto& m : cases) {
        ResultTree tree;
        tree.Reset(&s.result);
        tree.SetSizeMeasure(m.measure);
        EXPECT_EQ(RowNodes(tree), m.rows);
        Rankings r = ComputeRankings(s.result, index, NoIndex, m.measure);
        EXPECT_EQ(Nodes(r.files.nodes.begin(), r.files.nodes.begin() + std::ssize(m.firstFiles)), m.firstFiles);
        EXPECT_EQ(r.folders.nodes, m.folders);
        EXPECT_DOUBLE_EQ(ShareOf(s.result, s.same, NoIndex, m.measure), m.shareOfSame);
        SortRankingRows(s.result, 2, {1, false}, OrdinalCompare, m.measure, r.folders.nodes, r.folders.shares);
        EXPECT_EQ(r.folders.nodes, Nodes(m.folders.rbegin(), m.folders.rend())) << "by size, smallest first";
        const auto same = std::find(r.folders.nodes.begin(), r.folders.nodes.end(), s.same) - r.folders.nodes.begin();
        EXPECT_DOUBLE_EQ(r.folders.shares[static_cast<std::size_t>(same)], m.shareOfSame) << "shares move along";
        EXPECT_STREQ(HeaderKey(TreeColumns[2], m.measure), m.sizeHeader);
    }
}

TEST(ResultEdit, RemovingASubtreeRenumbersRecountsAndDropsItsErrors) {
    Sample s;
    EXPECT_FALSE(RemoveSubtree(s.result, s.root)) << "the root stays";
    EXPECT_FALSE(RemoveSubtree(s.result, 999));
    const auto removed = RemoveSubtree(s.result, s.big);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->newIndexOf[s.fa], NoIndex);
    const core::NodeView same = s.result.nodes[removed->newIndexOf[s.same]];
    EXPECT_EQ(same.Path(), L"C:\\same");
    EXPECT_EQ(s.result.nodes[s.result.rootIndex].TotalSize(), 900u);
    EXPECT_EQ(s.result.nodes[s.result.rootIndex].FileCount(), 4u);
    EXPECT_EQ(s.result.fileCount, 4u);
    EXPECT_EQ(s.result.folderCount, 3u);
    ASSERT_EQ(s.result.errors.size(), 1u) << "only the errors inside the removed folder go";
    EXPECT_EQ(s.result.errors[0].path, L"C:\\bigger");
    EXPECT_EQ(CsvRowOf(same), L"same,300,1,0,C:\\same");
    EXPECT_EQ(SubtreeIndex(s.result).Subtree(same.Index()).size(), 2u);
}


// Each folder's subtree against the parent chains as the oracle, on a
// mixed sample, a random tree, a chain a thousand folders deep
// and a result with a second root, whose nodes are below no folder of the
// first. The root's rankings made without an index agree with the indexed
// ones, or refuse where a second root is.
TEST(SubtreeIndex, HoldsWhatTheParentChainsSayAndTheRootRanksAlikeWithout) {
    std::vector<ScanResult> results;
    results.push_back(std::move(Sample().result));
    for (const int shape : {0, 1, 2}) {
        ScanTreeBuilder b;
        std::vector<std::uint64_t> folders{b.AddRoot(L"r", Dir, 0)};
        std::uint64_t seed = 12345;
        for (int i = 0; i < (shape == 1 ? 1000 : 3000); ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            const std::uint64_t parent = shape == 1 ? folders.back() : folders[(seed >> 33) % folders.size()];
            if (shape == 1 || (seed >> 20) % 3 == 0) {
                folders.push_back(b.AddFolder(parent, L"d", Dir, 0));
            } else {
                b.AddFile(parent, L"f", 0, {(seed >> 40) % 1000, 0}, 0);
            }
        }
        b.ComputeTotals();
        results.push_back(b.FinishResult(core::ScanStatus::Completed, L"r", 0));
        if (shape == 2) {
            core::ScanTree& nodes = results.back().nodes;
            const auto other = nodes.Append(NoIndex, true, L"other", Dir, {}, 0);
            nodes.Append(other, false, L"huge", 0, {1u << 30, 0}, 0);
            nodes.ComputeTotals();
            nodes.IndexChildren();
        }
    }
    for (std::size_t t = 0; t < results.size(); ++t) {
        const ScanResult& result = results[t];
        BackgroundSubtreeIndex background;
        background.Start(result);
        const SubtreeIndex& index = background.Get();
        // Every node goes below each node of its parent chain, when the chain ends at the root.
        std::vector<std::vector<std::uint64_t>> below(result.nodes.size());
        for (std::uint64_t n = 0; n < result.nodes.size(); ++n) {
            std::vector<std::uint64_t> chain{n};
            while (result.nodes[chain.back()].Parent() != NoIndex) chain.push_back(result.nodes[chain.back()].Parent());
            if (chain.back() != result.rootIndex) continue;
            for (const auto up : chain) below[up].push_back(n);
        }
        for (std::uint64_t node = 0; node < result.nodes.size(); ++node) {
            const auto span = index.Subtree(node);
            std::vector<std::uint64_t> got(span.begin(), span.end());
            ASSERT_TRUE(got.empty() || got.front() == node) << t << " " << node;
            std::sort(got.begin(), got.end());
            ASSERT_EQ(got, below[node]) << "tree " << t << ", node " << node;
        }
        const auto root = ComputeRootRankings(result, Logical);
        ASSERT_EQ(root.has_value(), t != 3) << t;
        if (root) {
            const Rankings indexed = ComputeRankings(result, index, result.rootIndex, Logical);
            EXPECT_EQ(root->files.nodes, indexed.files.nodes) << t;
            EXPECT_EQ(root->folders.nodes, indexed.folders.nodes) << t;
            EXPECT_EQ(root->folders.shares, indexed.folders.shares) << t;
        }
    }
}

}  // namespace
}  // namespace varnel::ui
