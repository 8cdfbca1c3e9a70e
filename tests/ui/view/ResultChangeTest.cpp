#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/ScanTreeBuilder.h"
#include "model/SnapshotComparison.h"
#include "ui/view/ResultChange.h"

namespace varnel::ui {
namespace {

// A random tree of folders (some names differing only in case) with a file
// in each; the later one has folders renamed, moved away, added and grown.
core::ScanResult RandomTree(std::uint32_t seed, bool later) {
    std::mt19937 random(seed);
    core::ScanTreeBuilder builder;
    std::vector<std::uint64_t> folders{builder.AddRoot(L"C:\\data", core::FileAttributeDirectory, 0)};
    for (int i = 1; i < 400; ++i) {
        const std::uint64_t parent = folders[random() % folders.size()];
        const unsigned change = random() % 10;
        const std::wstring name = (random() % 2 ? L"d" : L"D") + std::to_wstring(random() % 6);
        if (later && change == 0) continue;  // gone, with whatever was to be below it
        const std::uint64_t folder = builder.AddFolder(parent, later && change == 1 ? name + L"x" : name,
                                                       core::FileAttributeDirectory, 0);
        if (folder == core::NoIndex) continue;  // a name taken twice
        folders.push_back(folder);
        builder.AddFile(folder, L"f", 0, {random() % 1000 + (later && change == 2 ? 5000 : 0), 4096}, 0);
    }
    builder.ComputeTotals();
    return builder.FinishResult(core::ScanStatus::Completed, L"C:\\data", 0);
}

// The window's comparison against varnelscan --compare's, folder by folder.
TEST(ResultChange, MatchesTheComparisonOfTwoSnapshots) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        const core::ScanResult then = RandomTree(seed, false);
        const core::ScanResult now = RandomTree(seed, true);
        const core::FolderSnapshot earlier = core::MakeFolderSnapshot(then, 1);
        const core::FolderSnapshot later = core::MakeFolderSnapshot(now, 2);
        const core::SnapshotComparison expected = core::CompareSnapshots(earlier, later);
        const ResultChange change(now, earlier);

        std::vector<std::pair<std::int64_t, std::uint64_t>> grew;
        for (std::size_t folder = 0; folder < later.folders.size(); ++folder) {
            const std::uint64_t node = later.nodeOf[folder];
            ASSERT_EQ(change.ChangeOf(now.nodes[node], core::SizeMeasure::Logical), expected.change[folder]);
            ASSERT_EQ(change.IsNew(node), expected.IsNew(folder));
            if (folder != 0 && expected.change[folder] > 0) grew.push_back({-expected.change[folder], node});
        }
        std::sort(grew.begin(), grew.end());
        std::vector<std::uint64_t> top;
        for (std::size_t i = 0; i < grew.size() && i < 30; ++i) top.push_back(grew[i].second);
        EXPECT_EQ(change.GrewMost(now, SubtreeIndex(now), core::NoIndex, 30, core::SizeMeasure::Logical), top);
        // Ranked ahead without the index, as the comparer's worker does: the same in either measure.
        ResultChange ranked(now, earlier);
        ranked.RankRootGrowth(now, 30);
        EXPECT_EQ(ranked.GrewMost(now, SubtreeIndex(now), core::NoIndex, 30, core::SizeMeasure::Logical), top);
        EXPECT_EQ(ranked.GrewMost(now, SubtreeIndex(now), now.rootIndex, 30, core::SizeMeasure::OnDisk),
                  change.GrewMost(now, SubtreeIndex(now), core::NoIndex, 30, core::SizeMeasure::OnDisk));

        std::vector<std::wstring> gonePaths;
        std::uint64_t goneBytes = 0;
        for (std::size_t i = 0; i < expected.gone.size(); ++i) {
            if (expected.topGone[i]) {
                gonePaths.push_back(earlier.PathOf(expected.gone[i]));
                goneBytes += earlier.folders[expected.gone[i]].totalSize;
            }
        }
        EXPECT_EQ(change.GonePaths(), gonePaths);
        EXPECT_EQ(change.GoneSince(core::SizeMeasure::Logical).folders, expected.gone.size());
        EXPECT_EQ(change.GoneSince(core::SizeMeasure::Logical).bytes, goneBytes);
        EXPECT_FALSE(change.ChangeOf(now.nodes[now.nodes.size() - 1], core::SizeMeasure::Logical)) << "a file";
    }
}

}  // namespace
}  // namespace varnel::ui
