#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
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

TEST(DirectoryWalkScanEngine, DriveRootKeepsItsSeparatorAndHasNoName) {
    ScanCancellationToken token;
    const ScanResult result = DirectoryWalkScanEngine().Scan(
        L"C:\\", token, [&](const ScanProgress&) { token.Cancel(); });
    ASSERT_FALSE(result.nodes.empty());
    EXPECT_EQ(result.rootPath, L"C:\\");
    EXPECT_EQ(result.nodes[0].path, L"C:\\");
    EXPECT_EQ(result.nodes[0].name, L"");
    EXPECT_GT(result.nodes[0].children.size(), 0u) << "C:\\* must list the drive";
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
    EXPECT_TRUE(TreeInvariantsHold(result));
}

TEST(DirectoryWalkScanEngine, NonAsciiNamesSurviveIntact) {
    TempFolder temp;
    const std::wstring emoji{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDCC1)};
    const std::wstring names[] = {L"D\x00e9j\x00e0 vu", L"\x65e5\x672c\x8a9e", L"\x0416\x0443\x043a",
                                  emoji + L" folder", L"with, comma \"quoted\""};
    for (const auto& name : names) {
        if (name.find(L'"') != std::wstring::npos) continue;  // not a valid Windows name
        temp.Folder(name);
        temp.File(name + L"\\" + name + L".txt", 3);
    }
    const ScanResult result = Walk(temp.Path());
    ASSERT_TRUE(TreeInvariantsHold(result));
    for (const auto& name : names) {
        if (name.find(L'"') != std::wstring::npos) continue;
        const ScanNode* folder = FindByPath(result, temp.At(name));
        ASSERT_NE(folder, nullptr) << "missing folder";
        EXPECT_EQ(folder->name, name);
        EXPECT_EQ(folder->totalSize, 3u);
        ASSERT_NE(FindByPath(result, temp.At(name + L"\\" + name + L".txt")), nullptr);
    }
}

TEST(DirectoryWalkScanEngine, CancelFromTheProgressCallableStopsWithinOneEntry) {
    TempFolder temp;
    temp.Folder(L"big");
    for (int i = 0; i < 400; ++i) temp.File(L"big\\f" + std::to_wstring(i), 2);
    ScanCancellationToken token;
    const ScanResult result = DirectoryWalkScanEngine().Scan(
        temp.At(L"big"), token, [&](const ScanProgress& p) {
            if (p.filesScanned == 128) token.Cancel();
        });
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
    EXPECT_EQ(result.fileCount, 128u) << "the folder keeps the entries added before the stop";
    EXPECT_EQ(result.nodes[0].totalSize, 256u);
    EXPECT_TRUE(TreeInvariantsHold(result));
}

TEST(DirectoryWalkScanEngine, CancelFromAnotherThread) {
    TempFolder temp;
    for (int f = 0; f < 4; ++f) {
        temp.Folder(L"d" + std::to_wstring(f));
        for (int i = 0; i < 20; ++i) temp.File(L"d" + std::to_wstring(f) + L"\\f" + std::to_wstring(i), 1);
    }
    ScanCancellationToken token;
    std::mutex mutex;
    std::condition_variable changed;
    bool scanWaiting = false;
    bool cancelSent = false;
    ScanResult result;
    std::thread scanner([&] {
        result = DirectoryWalkScanEngine().Scan(temp.Path(), token, [&](const ScanProgress&) {
            std::unique_lock lock(mutex);
            if (cancelSent) return;
            scanWaiting = true;
            changed.notify_all();
            changed.wait(lock, [&] { return cancelSent; });
        });
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return scanWaiting; });
        token.Cancel();
        cancelSent = true;
        changed.notify_all();
    }
    scanner.join();
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
    EXPECT_LT(result.fileCount, 80u);
    EXPECT_TRUE(TreeInvariantsHold(result));
}

TEST(DirectoryWalkScanEngine, ReparseFolderIsListedButNotEntered) {
    TempFolder temp;
    temp.Folder(L"target\\inner");
    temp.File(L"target\\inner\\x.bin", 50);
    const std::wstring link = temp.At(L"link");
    // Wine 8 answers success but makes no link, so look at what was made.
    ::CreateSymbolicLinkW(link.c_str(), temp.Path().c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    const DWORD linkAttributes = ::GetFileAttributesW(link.c_str());
    if (linkAttributes == INVALID_FILE_ATTRIBUTES || (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "this system cannot create a folder symbolic link";
    }
    const ScanResult result = Walk(temp.Path());
    ::RemoveDirectoryW(link.c_str());
    ASSERT_TRUE(TreeInvariantsHold(result));
    const ScanNode* node = FindByPath(result, link);
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->isDirectory);
    EXPECT_TRUE(node->isReparsePoint);
    EXPECT_TRUE(node->children.empty()) << "a link back to the root must not be walked";
    EXPECT_EQ(result.nodes[0].totalSize, 50u);
    EXPECT_EQ(result.folderCount, 4u);
}

}  // namespace
}  // namespace varnel::core
