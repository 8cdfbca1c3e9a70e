#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/ScanTreeBuilder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

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
        const auto root = builder.AddFolder(NoIndex, L"R", L"R", FileAttributeDirectory, 0);
        builder.AddFile(root, L"five", L"R\\five", 0x20, 5, 0);
        const auto sub = builder.AddFolder(root, L"s", L"R\\s", FileAttributeDirectory, 0);
        for (const std::uint64_t size : c.sizes) {
            builder.AddFile(sub, L"f", L"R\\s\\f", 0x20, size, 0);
        }
        builder.ComputeTotals();
        const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"R", 0);
        EXPECT_EQ(result.nodes[sub].totalSize, c.subTotal);
        EXPECT_EQ(result.nodes[sub].directFilesSize, c.subTotal);
        EXPECT_EQ(result.nodes[root].totalSize, c.rootTotal);
        EXPECT_EQ(result.nodes[root].directFilesSize, 5u);
        EXPECT_EQ(result.nodes[root].fileCount, c.sizes.size() + 1);
        EXPECT_TRUE(TreeInvariantsHold(result));
    }
}

TEST(ScanTreeBuilder, ChildrenKeepInsertionOrderAndErrorsAreCounted) {
    ScanTreeBuilder builder;
    const auto root = builder.AddFolder(NoIndex, L"R", L"R", FileAttributeDirectory, 0);
    const auto z = builder.AddFile(root, L"z", L"R\\z", 0, 1, 0);
    const auto a = builder.AddFolder(root, L"a", L"R\\a", FileAttributeDirectory, 0);
    const auto m = builder.AddFile(root, L"m", L"R\\m", 0, 1, 0);
    builder.AddError(L"R\\a", 5);
    builder.AddError(L"R\\b", 5);
    builder.ComputeTotals();
    const ScanResult result = builder.FinishResult(ScanStatus::Cancelled, L"R", 0);
    EXPECT_EQ(result.nodes[root].children, (std::vector<std::uint64_t>{z, a, m}));
    EXPECT_EQ(result.errorCount, 2u);
    EXPECT_EQ(result.errors[1].path, L"R\\b");
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
}

TEST(ScanTreeBuilder, WithoutRootTotalsDoNothingAndResultHasNoTree) {
    ScanTreeBuilder builder;
    builder.ComputeTotals();
    const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"X", 0);
    EXPECT_EQ(result.rootIndex, NoIndex);
    EXPECT_TRUE(result.nodes.empty());
    EXPECT_TRUE(TreeInvariantsHold(result));
}

TEST(ScanTreeBuilder, MillionFoldersDeepAreTotalledWithoutRecursion) {
    constexpr std::uint64_t Depth = 1'000'000;
    ScanTreeBuilder builder;
    builder.Reserve(Depth + 1);
    std::uint64_t parent = builder.AddFolder(NoIndex, L"", L"", FileAttributeDirectory, 0);
    for (std::uint64_t i = 1; i < Depth; ++i) {
        parent = builder.AddFolder(parent, L"", L"", FileAttributeDirectory, 0);
    }
    builder.AddFile(parent, L"f", L"f", 0, 3, 0);
    builder.ComputeTotals();
    const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"", 0);
    EXPECT_EQ(result.nodes[0].folderCount, Depth - 1);
    EXPECT_EQ(result.nodes[0].fileCount, 1u);
    EXPECT_EQ(result.nodes[0].totalSize, 3u);
    EXPECT_EQ(result.nodes[Depth - 1].directFilesSize, 3u);
}

}  // namespace
}  // namespace varnel::core
