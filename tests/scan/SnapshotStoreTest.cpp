#include <gtest/gtest.h>

#include <filesystem>

#include "model/ScanTreeBuilder.h"
#include "scan/SnapshotStore.h"
#include "support/TempFolder.h"

namespace varnel::app {
namespace {

core::FolderSnapshot SnapshotOf(const std::wstring& root, std::int64_t takenAt) {
    core::ScanTreeBuilder builder;
    builder.AddFolder(builder.AddRoot(root, core::FileAttributeDirectory, 0), L"sub", core::FileAttributeDirectory, 0);
    builder.ComputeTotals();
    return core::MakeFolderSnapshot(builder.FinishResult(core::ScanStatus::Completed, root, 0), takenAt);
}

TEST(SnapshotStore, KeepsTheNewestPerRootWithinTheBytesAndSkipsDamage) {
    varnel::testing::TempFolder scratch;
    const SnapshotStore store(scratch.Dir() / "snapshots", SnapshotLimits{3, 1'000'000});
    for (std::int64_t t = 1; t <= 5; ++t) {
        ASSERT_TRUE(store.Keep(SnapshotOf(L"C:\\Data", 100 + t)));
    }
    ASSERT_TRUE(store.Keep(SnapshotOf(L"D:\\", 50)));
    scratch.Write("snapshots/not ours.txt", "left alone");

    const auto data = store.ListFor(L"c:\\data\\");  // case and a trailing separator do not matter
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].takenAt, 105);
    EXPECT_EQ(data[2].takenAt, 103);
    EXPECT_EQ(store.Load(data[0]).snapshot.takenAt, 105);
    EXPECT_EQ(store.ListFor(L"D:\\").size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(scratch.Dir() / "snapshots/not ours.txt"));

    // Over the byte limit the oldest go, whatever their root.
    const SnapshotStore tight(scratch.Dir() / "snapshots", SnapshotLimits{3, data[0].bytes * 2});
    ASSERT_TRUE(tight.Keep(SnapshotOf(L"C:\\Data", 106)));
    EXPECT_EQ(tight.ListFor(L"C:\\Data").size(), 2u);
    EXPECT_TRUE(tight.ListFor(L"D:\\").empty());

    scratch.Write(data[0].file.lexically_relative(scratch.Dir()), "VRNLSNAP damaged");
    EXPECT_NE(store.Load(data[0]).error, core::SavedFileError::None);
}

}  // namespace
}  // namespace varnel::app
