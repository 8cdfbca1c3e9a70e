// Both directory engines on real folders: each native worker count must
// build the tree the single-threaded walk builds, and the walk must hold
// exactly the bytes written; a file's second name has no bytes on disk
// natively, and its clusters again in the walk.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "directory/DirectoryWalkScanEngine.h"
#include "directory/NtQueryDirectoryScanEngine.h"
#include "base/PathRules.h"
#include "support/TempFolder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::TempFolder;
using varnel::testing::TreeInvariantsHold;

// 0 workers: the walk engine, which has none.
ScanResult Scan(std::uint64_t workers, const std::wstring& path, const ScanProgressCallback& progress = {}) {
    ScanCancellationToken token;
    if (workers == 0) return DirectoryWalkScanEngine().Scan(path, token, progress);
    return NtQueryDirectoryScanEngine(workers).Scan(path, token, progress);
}

using NodeFacts = std::tuple<bool, std::uint32_t, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t,
                             std::uint64_t, std::uint64_t>;

// Everything engines must agree on, keyed by path: node indices and the
// order of children legitimately differ between them.
std::map<std::wstring, NodeFacts> Facts(const ScanResult& result) {
    std::map<std::wstring, NodeFacts> facts;
    for (const NodeView n : result.nodes) {
        facts[n.Path()] = {n.IsDirectory(),     n.Attributes(), n.LastWriteTime(), n.Size(),
                           n.TotalSize(), n.DirectFilesSize(), n.FileCount(),     n.FolderCount()};
    }
    return facts;
}

// Returns the bytes it wrote: the oracle for the root's total. One folder
// needs several 64 KiB batches (about 115 records of these names fill one),
// one file is over 4 GiB, and names leave the Basic Multilingual Plane.
std::uint64_t MakeTree(const TempFolder& temp) {
    std::uint64_t total = 0;
    for (int a = 0; a < 6; ++a) {
        const std::wstring level1 = L"dir" + std::to_wstring(a);
        temp.Folder(level1 + L"\\inner\\deepest");
        temp.Folder(level1 + L"\\empty");
        for (int f = 0; f < 30; ++f) {
            temp.File(level1 + L"\\f" + std::to_wstring(f), static_cast<std::uint64_t>(a * 1000 + f));
            total += static_cast<std::uint64_t>(a * 1000 + f);
        }
        temp.File(level1 + L"\\inner\\deepest\\x", 12345);
        total += 12345;
    }
    temp.Folder(L"\x65e5\x672c \x00e9t\x00e9");
    temp.File(L"\x65e5\x672c \x00e9t\x00e9\\\xD83D\xDCC1.txt", 77);
    temp.File(L"big.bin", 5'000'000'000ull);
    temp.Folder(L"batches");
    for (int i = 0; i < 400; ++i) temp.File(L"batches\\" + std::wstring(220, L'n') + std::to_wstring(i), 1);
    temp.Folder(L"written\\data");
    temp.Folder(L"written\\links");
    temp.WrittenFile(L"written\\data\\a", 5000);
    temp.WrittenFile(L"written\\data\\b", 100000);
    EXPECT_TRUE(
        ::CreateHardLinkW(temp.At(L"written\\links\\a").c_str(), temp.At(L"written\\data\\a").c_str(), nullptr));
    return total + 77 + 5'000'000'000ull + 400 + 110000;
}

// Folder totals on disk below "written", the only files both engines know
// the clusters of: a small file may live in its record, and under Wine a
// file only sized is a hole, 0 allocated, that the walk can only round up.
std::map<std::wstring, std::uint64_t> WrittenOnDisk(const ScanResult& result) {
    std::map<std::wstring, std::uint64_t> onDisk;
    for (const NodeView n : result.nodes) {
        const std::wstring path = n.Path().substr(result.rootPath.size());
        if (n.IsDirectory() && path.starts_with(L"\\written")) onDisk[path] = n.TotalSizeOnDisk();
    }
    return onDisk;
}

TEST(DirectoryEngines, NativeEngineBuildsTheWalksTreeForEveryWorkerCount) {
    TempFolder temp;
    const std::uint64_t written = MakeTree(temp);
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    ASSERT_TRUE(::GetDiskFreeSpaceW(temp.Path().substr(0, 3).c_str(), &sectors, &bytes, &freeClusters, &clusters));
    const std::uint64_t cluster = std::uint64_t{sectors} * bytes;
    const std::uint64_t a = (5000 + cluster - 1) / cluster * cluster;
    const std::uint64_t b = (100000 + cluster - 1) / cluster * cluster;
    const std::map<std::wstring, std::uint64_t> walkOnDisk{
        {L"\\written", 2 * a + b}, {L"\\written\\data", a + b}, {L"\\written\\links", a}};
    const std::map<std::wstring, std::uint64_t> nativeOnDisk{
        {L"\\written", a + b}, {L"\\written\\data", a + b}, {L"\\written\\links", 0}};
    std::map<std::wstring, NodeFacts> walked;
    for (const std::uint64_t workers : {0u, 1u, 2u, 8u, 64u}) {
        const ScanResult result = Scan(workers, temp.Path() + L"\\\\");
        ASSERT_TRUE(TreeInvariantsHold(result)) << workers << " workers";
        EXPECT_EQ(result.status, ScanStatus::Completed);
        EXPECT_EQ(result.engine, workers == 0 ? ScanEngineKind::DirectoryWalk : ScanEngineKind::NtQueryDirectory);
        EXPECT_EQ(result.rootPath, temp.Path());
        EXPECT_EQ(result.nodes[result.rootIndex].Name(), LeafName(temp.Path()));
        EXPECT_EQ(result.errorCount, 0u);
        if (workers == 0) {
            EXPECT_EQ(result.nodes[result.rootIndex].TotalSize(), written);
            walked = Facts(result);
        } else {
            EXPECT_EQ(Facts(result), walked) << workers << " workers";
        }
        EXPECT_EQ(WrittenOnDisk(result), workers == 0 ? walkOnDisk : nativeOnDisk) << workers << " workers";
    }
}

TEST(DirectoryEngines, ReportEveryFolderAndEvery128thFileByItsPath) {
    TempFolder temp;
    MakeTree(temp);
    for (const std::uint64_t workers : {0u, 8u}) {
        std::mutex mutex;
        std::vector<ScanProgress> reports;
        const ScanResult result = Scan(workers, temp.Path(), [&](const ScanProgress& p) {
            std::lock_guard lock(mutex);  // never contended: reports are serialised
            reports.push_back(p);
        });
        const auto facts = Facts(result);
        std::uint64_t folderReports = 0;
        std::uint64_t fileReports = 0;
        for (const ScanProgress& report : reports) {
            const auto node = facts.find(report.currentPath);
            ASSERT_NE(node, facts.end()) << workers << " workers reported an unknown path";
            const bool isFolder = std::get<0>(node->second);
            (isFolder ? folderReports : fileReports) += 1;
            EXPECT_TRUE(isFolder || report.filesScanned % ProgressFileInterval == 0);
            EXPECT_LE(report.filesScanned, result.fileCount);
            EXPECT_LE(report.bytesFound, result.nodes[result.rootIndex].TotalSize());
        }
        EXPECT_EQ(folderReports, result.folderCount - 1) << "every folder but the root";
        EXPECT_EQ(fileReports, result.fileCount / ProgressFileInterval) << workers << " workers";
    }
}

TEST(DirectoryEngines, DriveRootKeepsItsSeparatorAndHasNoName) {
    for (const auto& [workers, root] : {std::pair{0u, L"C:"}, std::pair{2u, L"C:\\"}}) {
        ScanCancellationToken token;
        const auto cancel = [&](const ScanProgress&) { token.Cancel(); };
        const ScanResult result = workers == 0 ? DirectoryWalkScanEngine().Scan(root, token, cancel)
                                               : NtQueryDirectoryScanEngine(workers).Scan(root, token, cancel);
        ASSERT_FALSE(result.nodes.empty());
        EXPECT_EQ(result.rootPath, L"C:\\") << workers;
        EXPECT_EQ(result.nodes[0].Path(), L"C:\\") << workers;
        EXPECT_EQ(result.nodes[0].Name(), L"");
        EXPECT_FALSE(result.nodes[0].Children().empty()) << workers << ": the drive itself is listed";
        EXPECT_EQ(result.status, ScanStatus::Cancelled);
        EXPECT_TRUE(TreeInvariantsHold(result));
    }
}

}  // namespace
}  // namespace varnel::core
