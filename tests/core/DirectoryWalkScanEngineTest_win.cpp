#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/DirectoryWalkScanEngine.h"
#include "support/TempFolder_win.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::TempFolder;
using varnel::testing::TreeInvariantsHold;

ScanResult Walk(const std::wstring& path, const ScanProgressCallback& progress = {}) {
    ScanCancellationToken token;
    return DirectoryWalkScanEngine().Scan(path, token, progress);
}

const ScanNode* FindByPath(const ScanResult& result, const std::wstring& path) {
    for (const ScanNode& node : result.nodes) {
        if (node.path == path) return &node;
    }
    return nullptr;
}

TEST(DirectoryWalkScanEngine, NestedAndEmptyFoldersWithExactTotals) {
    TempFolder temp;
    temp.Folder(L"a\\b\\c");
    temp.Folder(L"empty");
    temp.File(L"top.bin", 10);
    temp.File(L"a\\one.bin", 100);
    temp.File(L"a\\b\\two.bin", 1000);
    temp.File(L"a\\b\\c\\zero.bin", 0);
    temp.File(L"a\\b\\c\\big.bin", 5'000'000'000ull);

    const ScanResult result = Walk(temp.Path() + L"\\\\");
    ASSERT_TRUE(TreeInvariantsHold(result));
    EXPECT_EQ(result.status, ScanStatus::Completed);
    EXPECT_EQ(result.engine, ScanEngineKind::DirectoryWalk);
    EXPECT_EQ(result.rootPath, temp.Path());
    EXPECT_EQ(result.fileCount, 5u);
    EXPECT_EQ(result.folderCount, 5u);
    EXPECT_EQ(result.errorCount, 0u);

    const ScanNode& root = result.nodes[result.rootIndex];
    EXPECT_EQ(root.path, temp.Path());
    EXPECT_EQ(root.name, temp.Path().substr(temp.Path().rfind(L'\\') + 1));
    EXPECT_EQ(root.totalSize, 5'000'001'110ull);
    EXPECT_EQ(root.directFilesSize, 10u);
    EXPECT_EQ(root.fileCount, 5u);
    EXPECT_EQ(root.folderCount, 4u);

    const ScanNode* b = FindByPath(result, temp.At(L"a\\b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, L"b");
    EXPECT_EQ(b->totalSize, 5'000'001'000ull);
    EXPECT_EQ(b->directFilesSize, 1000u);
    EXPECT_EQ(b->folderCount, 1u);
    const ScanNode* empty = FindByPath(result, temp.At(L"empty"));
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->isDirectory);
    EXPECT_TRUE(empty->children.empty());
    const ScanNode* big = FindByPath(result, temp.At(L"a\\b\\c\\big.bin"));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->size, 5'000'000'000ull);
    EXPECT_NE(big->lastWriteTime, 0u);
}

TEST(DirectoryWalkScanEngine, ReportsEveryFolderAndEvery128thFileAcrossFolders) {
    TempFolder temp;
    temp.Folder(L"few");
    temp.Folder(L"many");
    temp.Folder(L"rest");
    for (int i = 0; i < 127; ++i) temp.File(L"few\\f" + std::to_wstring(i), 1);

    std::vector<ScanProgress> reports;
    const auto record = [&](const ScanProgress& p) { reports.push_back(p); };
    ScanResult result = Walk(temp.At(L"few"), record);
    EXPECT_TRUE(reports.empty()) << "127 files must not report";

    for (int i = 0; i < 200; ++i) temp.File(L"many\\f" + std::to_wstring(i), 1);
    for (int i = 0; i < 56; ++i) temp.File(L"rest\\g" + std::to_wstring(i), 1);
    temp.Folder(L"many\\sub");
    reports.clear();
    result = Walk(temp.Path(), record);
    ASSERT_TRUE(TreeInvariantsHold(result));

    // Node indices follow the walk, so the k-th file node is the k-th file met.
    std::vector<std::wstring> filesInWalkOrder;
    for (const ScanNode& node : result.nodes) {
        if (!node.isDirectory) filesInWalkOrder.push_back(node.path);
    }
    ASSERT_EQ(filesInWalkOrder.size(), 383u);

    std::vector<std::uint64_t> fileReportCounts;
    std::uint64_t folderReports = 0;
    for (const auto& report : reports) {
        const ScanNode* node = FindByPath(result, report.currentPath);
        ASSERT_NE(node, nullptr);
        if (node->isDirectory) {
            ++folderReports;
            EXPECT_EQ(report.foldersScanned, folderReports);
        } else {
            fileReportCounts.push_back(report.filesScanned);
            EXPECT_EQ(report.currentPath, filesInWalkOrder[report.filesScanned - 1]);
        }
    }
    EXPECT_EQ(folderReports, 4u);  // few, many, rest and many\sub; never the root
    EXPECT_EQ(fileReportCounts, (std::vector<std::uint64_t>{128, 256}));
}

}  // namespace
}  // namespace varnel::core
