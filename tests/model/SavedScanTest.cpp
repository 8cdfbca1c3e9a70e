#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/FolderSnapshot.h"
#include "model/SavedScan.h"
#include "model/SavedScanFormat.h"
#include "model/ScanTreeBuilder.h"
#include "model/SnapshotComparison.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

std::span<const std::byte> Bytes(const std::string& file) {
    return std::as_bytes(std::span<const char>(file.data(), file.size()));
}

// A root, a file and, last in the file, the folder "s" with attributes 0x10
// and no time, whose record is then exactly: flags 1, parent code 3, name 2,
// attributes 0x10, time delta 0.
ScanResult SmallResult() {
    ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"R", FileAttributeDirectory, 0);
    builder.AddFile(root, L"f", 0, FileSizes{5, 5}, 0);
    builder.AddFolder(root, L"s", FileAttributeDirectory, 0);
    builder.ComputeTotals();
    return builder.FinishResult(ScanStatus::Completed, L"R", 7);
}

// Puts the payload checksum right again after an edit inside the payload,
// so the reader gets past it to the damage behind.
std::string Resealed(const std::string& file) {
    return saved::WrapPayload(saved::ScanMagic, file.substr(saved::HeaderSize));
}

TEST(SavedScan, ReadsBackEveryFieldOfAResult) {
    ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"C:\\Data", FileAttributeDirectory, 132'000'000'000'000'000);
    const auto sub = builder.AddFolder(root, L"caf\u00e9 \U0001F4C1", FileAttributeDirectory | 0x400, 5);
    builder.AddFile(sub, std::wstring(1, static_cast<wchar_t>(0xD800)) + L"lone", 0x21, {1ull << 62, 4096},
                    132'000'000'000'000'001);
    builder.AddFile(root, L"same", 0x20, {0, 0}, 1);
    builder.AddFile(sub, L"same", 0x20, {UINT64_MAX, 0}, UINT64_MAX);
    builder.AddError(L"C:\\Data\\locked", 5);
    builder.ComputeTotals();
    ScanResult original = builder.FinishResult(ScanStatus::Cancelled, L"C:\\Data", -3);
    original.engine = ScanEngineKind::Mixed;
    original.message = L"Some roots failed.";
    original.rootFailures.push_back({L"D:\\", "status.root_missing", L"The folder does not exist."});

    const SavedScanRead read = ReadSavedScan(Bytes(WriteSavedScan(original, -42)));
    ASSERT_EQ(read.error, SavedFileError::None);
    const ScanResult& copy = read.result;
    EXPECT_EQ(read.savedAt, -42);
    EXPECT_EQ(copy.status, original.status);
    EXPECT_EQ(copy.engine, original.engine);
    EXPECT_EQ(copy.rootPath, original.rootPath);
    EXPECT_EQ(copy.message, original.message);
    EXPECT_EQ(copy.elapsedMs, original.elapsedMs);
    EXPECT_EQ(copy.rootIndex, original.rootIndex);
    EXPECT_EQ(copy.fileCount, original.fileCount);
    EXPECT_EQ(copy.folderCount, original.folderCount);
    EXPECT_EQ(copy.errorCount, original.errorCount);
    ASSERT_EQ(copy.errors.size(), 1u);
    EXPECT_EQ(copy.errors[0].path, original.errors[0].path);
    EXPECT_EQ(copy.errors[0].code, 5u);
    ASSERT_EQ(copy.rootFailures.size(), 1u);
    EXPECT_EQ(copy.rootFailures[0].reasonKey, "status.root_missing");
    EXPECT_EQ(copy.rootFailures[0].reason, original.rootFailures[0].reason);
    ASSERT_EQ(copy.nodes.size(), original.nodes.size());
    for (const NodeView node : original.nodes) {
        const NodeView other = copy.nodes[node.Index()];
        EXPECT_EQ(other.Path(), node.Path());
        EXPECT_EQ(other.Parent(), node.Parent());
        EXPECT_EQ(other.IsDirectory(), node.IsDirectory());
        EXPECT_EQ(other.Attributes(), node.Attributes());
        EXPECT_EQ(other.LastWriteTime(), node.LastWriteTime());
        EXPECT_EQ(other.TotalSize(), node.TotalSize());
        EXPECT_EQ(other.TotalSizeOnDisk(), node.TotalSizeOnDisk());
        EXPECT_EQ(other.DirectFilesSize(), node.DirectFilesSize());
        EXPECT_EQ(other.FileCount(), node.FileCount());
        EXPECT_EQ(other.FolderCount(), node.FolderCount());
    }
    EXPECT_TRUE(varnel::testing::TreeInvariantsHold(copy));
}

TEST(SavedScan, EachNamedCorruptionGivesItsErrorAndNoResult) {
    const std::string valid = WriteSavedScan(SmallResult(), 0);
    ASSERT_EQ(valid.substr(valid.size() - 5), std::string("\x01\x03\x02\x10\x00", 5));
    const std::size_t last = valid.size() - 5;  // the folder "s"
    const struct {
        const char* name;
        std::string bytes;
        SavedFileError error;
    } cases[] = {
        {"Empty", "", SavedFileError::Truncated},
        {"HeaderCut", valid.substr(0, 20), SavedFileError::Truncated},
        {"PayloadCut", valid.substr(0, valid.size() - 1), SavedFileError::Truncated},
        {"TrailingByte", valid + '\0', SavedFileError::Malformed},
        {"WrongMagic", "X" + valid.substr(1), SavedFileError::WrongMagic},
        {"Snapshot", WriteFolderSnapshot(MakeFolderSnapshot(SmallResult(), 0)), SavedFileError::WrongMagic},
        {"FutureVersion", valid.substr(0, 8) + '\x02' + valid.substr(9), SavedFileError::NewerVersion},
        {"FlippedChecksum", valid.substr(0, 24) + static_cast<char>(valid[24] ^ 1) + valid.substr(25),
         SavedFileError::ChecksumMismatch},
        {"FlippedPayload", valid.substr(0, last) + '\x03' + valid.substr(last + 1), SavedFileError::ChecksumMismatch},
        {"UnknownNodeFlag", Resealed(valid.substr(0, last) + '\x81' + valid.substr(last + 1)),
         SavedFileError::Malformed},
        {"SelfParent", Resealed(valid.substr(0, last + 1) + '\x01' + valid.substr(last + 2)),
         SavedFileError::SelfParent},
        {"ParentIsAFile", Resealed(valid.substr(0, last + 1) + '\x02' + valid.substr(last + 2)),
         SavedFileError::BadParent},
        {"ParentBeforeFirst", Resealed(valid.substr(0, last + 1) + '\x09' + valid.substr(last + 2)),
         SavedFileError::BadParent},
        {"NameOutOfRange", Resealed(valid.substr(0, last + 2) + '\x03' + valid.substr(last + 3)),
         SavedFileError::NameOutOfRange},
        {"RecordCut", Resealed(valid.substr(0, valid.size() - 1)), SavedFileError::Malformed},
    };
    for (const auto& c : cases) {
        const SavedScanRead read = ReadSavedScan(Bytes(c.bytes));
        EXPECT_EQ(read.error, c.error) << c.name;
        EXPECT_TRUE(read.result.nodes.empty() && read.result.status == ScanStatus::None) << c.name;
        EXPECT_NE(std::wstring(SavedFileErrorText(read.error)), L"") << c.name;
    }
}

TEST(FolderSnapshot, ReadsBackAndComparesWithKnownChanges) {
    ScanTreeBuilder then;
    const auto root = then.AddRoot(L"R", FileAttributeDirectory, 0);
    then.AddFile(then.AddFolder(root, L"grows", FileAttributeDirectory, 0), L"f", 0, {10, 10}, 0);
    then.AddFile(then.AddFolder(root, L"goes", FileAttributeDirectory, 0), L"f", 0, {7, 7}, 0);
    then.ComputeTotals();
    const std::string file = WriteFolderSnapshot(MakeFolderSnapshot(then.FinishResult(ScanStatus::Completed, L"R", 0), 9));
    const FolderSnapshotRead earlier = ReadFolderSnapshot(Bytes(file));
    ASSERT_EQ(earlier.error, SavedFileError::None);
    EXPECT_EQ(earlier.snapshot.takenAt, 9);

    ScanTreeBuilder now;
    const auto root2 = now.AddRoot(L"R", FileAttributeDirectory, 0);
    const auto grows = now.AddFolder(root2, L"grows", FileAttributeDirectory, 0);
    now.AddFile(grows, L"f", 0, {25, 25}, 0);
    now.AddFile(now.AddFolder(grows, L"new", FileAttributeDirectory, 0), L"g", 0, {4, 4}, 0);
    now.ComputeTotals();
    const FolderSnapshot later = MakeFolderSnapshot(now.FinishResult(ScanStatus::Completed, L"R", 0), 10);
    const SnapshotComparison comparison = CompareSnapshots(earlier.snapshot, later);
    EXPECT_EQ(comparison.change, (std::vector<std::int64_t>{29 - 17, 29 - 10, 4}));
    EXPECT_TRUE(!comparison.IsNew(0) && !comparison.IsNew(1) && comparison.IsNew(2));
    ASSERT_EQ(comparison.gone.size(), 1u);
    EXPECT_EQ(earlier.snapshot.PathOf(comparison.gone[0]), L"R\\goes");

    std::string damaged = file;
    damaged.back() ^= 1;
    EXPECT_EQ(ReadFolderSnapshot(Bytes(damaged)).error, SavedFileError::ChecksumMismatch);
}

}  // namespace
}  // namespace varnel::core
