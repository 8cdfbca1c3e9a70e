#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/ScanTreeBuilder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::RootKind;
using varnel::testing::TreeInvariantsHold;

// Sizes come from disk and may be crafted; sums stop at the largest value.
TEST(ScanTreeBuilder, TotalsAreSumsThatSaturateInsteadOfWrapping) {
    constexpr std::uint64_t Max = UINT64_MAX;
    constexpr std::uint64_t Half = INT64_MAX;  // the largest size a volume can claim for one file
    const struct {
        std::vector<std::uint64_t> sizes;  // files in sub, plus one file of 5 in the root
        std::uint64_t subTotal;
        std::uint64_t rootTotal;
    } cases[] = {
        {{}, 0, 5},
        {{10, 20}, 30, 35},
        {{Half, Half, Half}, Max, Max},
        {{Half, Half}, Max - 1, Max},
        {{Half, 1}, Half + 1, Half + 6},
        {{Max, 0}, Max, Max},
        {{Max - 5}, Max - 5, Max},
    };
    for (const auto& c : cases) {
        ScanTreeBuilder builder;
        const auto root = builder.AddRoot(L"R", FileAttributeDirectory, 0);
        builder.AddFile(root, L"five", 0x20, FileSizes{5, 5}, 0);
        const auto sub = builder.AddFolder(root, L"s", FileAttributeDirectory, 0);
        for (const std::uint64_t size : c.sizes) {
            builder.AddFile(sub, L"f", 0x20, FileSizes{size, size}, 0);
        }
        builder.ComputeTotals();
        const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"R", 0);
        EXPECT_EQ(result.nodes[sub].TotalSize(), c.subTotal);
        EXPECT_EQ(result.nodes[sub].DirectFilesSize(), c.subTotal);
        EXPECT_EQ(result.nodes[root].TotalSize(), c.rootTotal);
        EXPECT_EQ(result.nodes[root].DirectFilesSize(), 5u);
        EXPECT_EQ(result.nodes[root].FileCount(), c.sizes.size() + 1);
        EXPECT_TRUE(TreeInvariantsHold(result));
    }
}

TEST(ScanTreeBuilder, PathsAreDerivedAndChildrenKeepInsertionOrder) {
    ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"C:\\", FileAttributeDirectory, 0);
    const auto z = builder.AddFile(root, L"z", 0, FileSizes{1, 1}, 0);
    const auto a = builder.AddFolder(root, L"a", FileAttributeDirectory, 0);
    const auto m = builder.AddFile(root, L"m", 0, FileSizes{1, 1}, 0);
    const auto deep = builder.AddFile(a, L"b,c.txt", 0, FileSizes{1, 1}, 0);
    EXPECT_EQ(builder.AddFile(z, L"under a file", 0, FileSizes{1, 1}, 0), NoIndex);
    EXPECT_EQ(builder.AddFolder(NoIndex, L"second root", FileAttributeDirectory, 0), NoIndex);
    builder.AddError(L"C:\\a", 5);
    builder.AddError(L"C:\\b", 5);
    builder.ComputeTotals();
    const ScanResult result = builder.FinishResult(ScanStatus::Cancelled, L"C:\\", 0);
    const auto children = result.nodes[root].Children();
    EXPECT_EQ(std::vector<std::uint64_t>(children.begin(), children.end()), (std::vector<std::uint64_t>{z, a, m}));
    EXPECT_EQ(result.nodes[root].Name(), L"");
    EXPECT_EQ(result.nodes[root].Path(), L"C:\\");
    EXPECT_EQ(result.nodes[deep].Path(), L"C:\\a\\b,c.txt");
    EXPECT_EQ(result.errorCount, 2u);
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
    EXPECT_TRUE(TreeInvariantsHold(result));

    ScanTreeBuilder empty;
    empty.ComputeTotals();
    const ScanResult nothing = empty.FinishResult(ScanStatus::Completed, L"X", 0);
    EXPECT_EQ(nothing.rootIndex, NoIndex);
    EXPECT_TRUE(nothing.nodes.empty());
    EXPECT_TRUE(TreeInvariantsHold(nothing));
}

// A tree that cannot index every item fails instead of wrapping indices or
// showing part of a volume as all of it.
// An engine names nodes from a store that several threads filled (branches
// joined later) and that holds far more than the tree keeps: every node
// reads its own name through adoption, joining and compaction.
TEST(ScanTreeBuilder, NodesNamedFromAnAdoptedStoreKeepTheirNames) {
    NameStore names;
    NameStore branches[] = {names.Branch(), names.Branch()};
    const std::wstring filler(1000, L'x');
    std::vector<std::pair<std::wstring, StoredName>> kept;
    for (int i = 0; i < 3000; ++i) {  // several chunks, most of them never named by a node
        NameStore& store = i % 3 == 0 ? names : branches[static_cast<std::size_t>(i % 3 - 1)];
        store.Append(filler);
        if (i % 500 == 0) {
            const std::wstring name = L"name " + std::to_wstring(i);
            kept.emplace_back(name, StoredName{store.Append(name), name.size()});
        }
    }
    for (NameStore& branch : branches) {
        names.Join(std::move(branch));
    }
    ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"C:\\root", FileAttributeDirectory, 0);  // named before adoption
    builder.AdoptNames(std::move(names));
    for (const auto& [name, stored] : kept) {
        builder.AddFile(root, stored, 0x20, FileSizes{1, 1}, 0);
    }
    const std::size_t before = builder.Nodes().NameMemoryBytes();
    builder.CompactNames();
    EXPECT_LT(builder.Nodes().NameMemoryBytes(), before / 2);
    EXPECT_EQ(builder.Nodes()[root].Name(), L"root");
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(builder.Nodes()[i + 1].Name(), kept[i].first);
    }
}

TEST(ScanTreeBuilder, AFullTreeFailsTheScan) {
    ScanTreeBuilder builder(3);
    const auto root = builder.AddRoot(L"R", FileAttributeDirectory, 0);
    const auto sub = builder.AddFolder(root, L"s", FileAttributeDirectory, 0);
    builder.AddFile(sub, L"f", 0, FileSizes{1, 1}, 0);
    EXPECT_FALSE(builder.IsFull());
    EXPECT_EQ(builder.AddFile(sub, L"g", 0, FileSizes{1, 1}, 0), NoIndex);
    EXPECT_TRUE(builder.IsFull());
    builder.ComputeTotals();
    const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"R", 0);
    EXPECT_EQ(result.status, ScanStatus::Failed);
    EXPECT_EQ(result.message, TooManyNodesMessage);
    EXPECT_TRUE(result.nodes.empty());
}

// Deep chains are totalled and named without recursion; names of every
// length cross the name store's chunk boundaries; a merge copies them all
// while it frees the source chunk by chunk.
TEST(ScanTreeBuilder, DeepAndWideTreesKeepEveryNameThroughAMerge) {
    constexpr std::uint64_t Depth = 1'000'000;
    ScanTreeBuilder deepBuilder;
    std::uint64_t parent = deepBuilder.AddRoot(L"", FileAttributeDirectory, 0);
    for (std::uint64_t i = 1; i < Depth; ++i) {
        parent = deepBuilder.AddFolder(parent, L"", FileAttributeDirectory, 0);
    }
    deepBuilder.AddFile(parent, L"f", 0, FileSizes{3, 3}, 0);
    deepBuilder.ComputeTotals();
    const ScanResult deep = deepBuilder.FinishResult(ScanStatus::Completed, L"", 0);
    EXPECT_EQ(deep.nodes[0].FolderCount(), Depth - 1);
    EXPECT_EQ(deep.nodes[0].TotalSize(), 3u);
    EXPECT_EQ(deep.nodes[Depth - 1].DirectFilesSize(), 3u);
    EXPECT_EQ(deep.nodes[Depth].Path(), L"f");

    ScanTreeBuilder wideBuilder;
    const auto root = wideBuilder.AddRoot(L"D:\\data", FileAttributeDirectory, 0);
    std::vector<std::wstring> names;
    std::uint64_t folder = root;
    for (std::size_t i = 0; i < 60'000; ++i) {
        names.push_back(std::wstring(1 + i % 300, static_cast<wchar_t>(L'a' + i % 26)) + std::to_wstring(i));
        if (i % 1000 == 0) {
            folder = wideBuilder.AddFolder(root, names.back(), FileAttributeDirectory, 0);
        } else {
            wideBuilder.AddFile(folder, names.back(), 0x20, FileSizes{i, i}, 0);
        }
    }
    wideBuilder.ComputeTotals();
    ScanResult wide = wideBuilder.FinishResult(ScanStatus::Completed, L"D:\\data", 0);
    ScanTree merged;
    const auto top = merged.Append(NoIndex, true, L"All", FileAttributeDirectory, {}, 0);
    merged.AppendTree(std::move(wide.nodes), top);
    merged.ComputeTotals();
    merged.IndexChildren();
    EXPECT_TRUE(wide.nodes.empty());
    ASSERT_EQ(merged.size(), names.size() + 2);
    EXPECT_EQ(merged[1].Path(), L"D:\\data");
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(merged[i + 2].Name(), names[i]) << i;
    }
    EXPECT_EQ(merged[names.size() + 1].Path(), L"D:\\data\\" + names[59'000] + L"\\" + names.back());
    EXPECT_EQ(merged[top].TotalSize(), merged[1].TotalSize());
}

}  // namespace
}  // namespace varnel::core
