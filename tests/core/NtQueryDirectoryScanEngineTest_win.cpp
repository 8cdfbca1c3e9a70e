#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include "core/DirectoryWalkScanEngine.h"
#include "core/NtQueryDirectoryScanEngine.h"
#include "core/PathRules.h"
#include "support/TempFolder_win.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::TempFolder;
using varnel::testing::TreeInvariantsHold;

using NodeFacts = std::tuple<bool, std::wstring, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t>;

// Everything an engine must agree on, keyed by path (node indices and the
// order of children legitimately differ between engines).
std::map<std::wstring, NodeFacts> Facts(const ScanResult& result) {
    std::map<std::wstring, NodeFacts> facts;
    for (const ScanNode& n : result.nodes) {
        facts[n.path] = {n.isDirectory, n.name, n.size, n.totalSize, n.directFilesSize, n.fileCount, n.folderCount};
    }
    return facts;
}

ScanResult QueryScan(const std::wstring& path, std::uint64_t threads = 0, const ScanProgressCallback& progress = {}) {
    ScanCancellationToken token;
    return NtQueryDirectoryScanEngine(threads).Scan(path, token, progress);
}

// Each tree maker returns the bytes it wrote: the oracle for the root total.
std::uint64_t MakeMixedTree(const TempFolder& temp) {
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
    return total + 77;
}

// Names that plain Win32 paths alter ("abc." opens "abc", "sp " fails) and
// a tree deeper than 260 characters, made through the "\\?\" form.
std::uint64_t MakeOddTree(const TempFolder& temp) {
    const auto folder = [&](const std::wstring& relative) {
        ASSERT_TRUE(::CreateDirectoryW(ExtendedLengthPath(temp.At(relative)).c_str(), nullptr)) << ::GetLastError();
    };
    const auto file = [&](const std::wstring& relative, DWORD size) {
        HANDLE handle = ::CreateFileW(ExtendedLengthPath(temp.At(relative)).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << ::GetLastError();
        const std::string bytes(size, 'x');
        DWORD written = 0;
        ::WriteFile(handle, bytes.data(), size, &written, nullptr);
        ::CloseHandle(handle);
    };
    folder(L"abc.");
    file(L"abc.\\dot", 3);
    folder(L"abc");
    file(L"abc\\plain", 5);
    folder(L"sp ");
    file(L"sp \\space", 20);
    std::wstring deep;
    for (int level = 0; level < 4; ++level) {
        deep += (level ? L"\\" : L"") + std::wstring(90, static_cast<wchar_t>(L'a' + level));
        folder(deep);
    }
    file(deep + L"\\long", 7);
    return 35;
}

TEST(NtQueryDirectoryScanEngine, AgreesWithTheWalkEngineForEveryWorkerCount) {
    for (const auto makeTree : {MakeMixedTree, MakeOddTree}) {
        TempFolder temp;
        const std::uint64_t written = makeTree(temp);
        ScanCancellationToken token;
        const ScanResult walked = DirectoryWalkScanEngine().Scan(temp.Path(), token, {});
        ASSERT_TRUE(TreeInvariantsHold(walked));
        EXPECT_EQ(walked.errorCount, 0u);
        EXPECT_EQ(walked.nodes[walked.rootIndex].totalSize, written);
        const auto expected = Facts(walked);
        for (const std::uint64_t threads : {1u, 2u, 8u, 64u}) {
            const ScanResult result = QueryScan(temp.Path() + L"\\", threads);
            ASSERT_TRUE(TreeInvariantsHold(result)) << threads << " workers";
            EXPECT_EQ(result.status, ScanStatus::Completed);
            EXPECT_EQ(result.engine, ScanEngineKind::NtQueryDirectory);
            EXPECT_EQ(result.rootPath, temp.Path());
            EXPECT_EQ(result.errorCount, 0u);
            EXPECT_EQ(Facts(result), expected) << threads << " workers";
        }
        std::error_code ignored;  // the plain form cannot remove "abc." and "sp "
        std::filesystem::remove_all(ExtendedLengthPath(temp.Path()), ignored);
    }
}

TEST(NtQueryDirectoryScanEngine, FolderNeedingSeveralBatchesIsReadWhole) {
    TempFolder temp;
    // Some 560 bytes per record: about 115 records fill one 64 KiB batch.
    const std::wstring longName(220, L'n');
    for (int i = 0; i < 1000; ++i) temp.File(longName + std::to_wstring(i), 1);
    const ScanResult result = QueryScan(temp.Path(), 4);
    ASSERT_TRUE(TreeInvariantsHold(result));
    EXPECT_EQ(result.fileCount, 1000u);
    EXPECT_EQ(result.nodes[0].totalSize, 1000u);
}

TEST(DirectoryEngines, RootsThatAreNoFolderFailWithTheirReason) {
    TempFolder temp;
    temp.Folder(L"empty");
    temp.File(L"file.bin", 9);
    const std::pair<std::wstring, std::string> cases[] = {
        {temp.At(L"vanished"), "status.root_missing"}, {temp.At(L"file.bin"), "status.root_not_folder"},
        {L"NUL", "status.root_device"},                {L"\\\\.\\CON", "status.root_device"},
        {L"", "status.root_empty"},                    {temp.At(L"empty"), ""},
    };
    for (const bool walk : {true, false}) {
        for (const auto& [root, reasonKey] : cases) {
            ScanCancellationToken token;
            const ScanResult result = walk ? DirectoryWalkScanEngine().Scan(root, token, {}) : QueryScan(root);
            const std::string name = (walk ? "walk " : "ntquery ") + ::testing::PrintToString(root);
            ASSERT_TRUE(TreeInvariantsHold(result)) << name;
            EXPECT_EQ(result.errorCount, 0u) << name;
            if (reasonKey.empty()) {
                EXPECT_EQ(result.status, ScanStatus::Completed) << name;
                EXPECT_EQ(result.nodes.size(), 1u) << name;
                continue;
            }
            EXPECT_EQ(result.status, ScanStatus::Failed) << name;
            ASSERT_EQ(result.rootFailures.size(), 1u) << name;
            EXPECT_EQ(result.rootFailures[0].reasonKey, reasonKey) << name;
            EXPECT_EQ(result.message, result.rootFailures[0].reason) << name;
        }
    }
}

TEST(NtQueryDirectoryScanEngine, ProgressReportsEveryFolderAndEvery128thFile) {
    TempFolder temp;
    MakeMixedTree(temp);
    std::mutex mutex;
    std::uint64_t folderReports = 0, fileReports = 0, maxFiles = 0, maxBytes = 0;
    std::thread::id lastThread;
    const ScanResult result = QueryScan(temp.Path(), 8, [&](const ScanProgress& p) {
        std::lock_guard lock(mutex);  // must never be contended: reports are serialised
        maxFiles = std::max(maxFiles, p.filesScanned);
        maxBytes = std::max(maxBytes, p.bytesFound);
        const bool isFile = p.currentPath.find(L"\\f") != std::wstring::npos || p.currentPath.ends_with(L"\\x") ||
                            p.currentPath.ends_with(L".txt");
        (isFile ? fileReports : folderReports) += 1;
        lastThread = std::this_thread::get_id();
    });
    EXPECT_EQ(folderReports, result.folderCount - 1) << "every folder but the root";
    EXPECT_EQ(fileReports, result.fileCount / 128);
    EXPECT_LE(maxFiles, result.fileCount);
    EXPECT_GT(maxBytes, 0u);
    EXPECT_LE(maxBytes, result.nodes[result.rootIndex].totalSize);
}

TEST(DirectoryEngines, DriveRootKeepsItsSeparatorAndHasNoName) {
    for (const bool walk : {true, false}) {
        ScanCancellationToken token;
        const auto cancel = [&](const ScanProgress&) { token.Cancel(); };
        const ScanResult result = walk ? DirectoryWalkScanEngine().Scan(L"C:", token, cancel)
                                       : NtQueryDirectoryScanEngine(2).Scan(L"C:\\", token, cancel);
        ASSERT_FALSE(result.nodes.empty());
        EXPECT_EQ(result.rootPath, L"C:\\") << walk;
        EXPECT_EQ(result.nodes[0].name, L"");
        EXPECT_GT(result.nodes[0].children.size(), 0u) << walk << ": the drive itself is listed";
        EXPECT_EQ(result.status, ScanStatus::Cancelled);
        EXPECT_TRUE(TreeInvariantsHold(result));
    }
}

TEST(NtQueryDirectoryScanEngine, CancelWhileWorkersWaitEndsEveryWorker) {
    TempFolder temp;
    MakeMixedTree(temp);
    for (const std::uint64_t threads : {1u, 8u, 64u}) {
        ScanCancellationToken token;
        const ScanResult result = NtQueryDirectoryScanEngine(threads).Scan(
            temp.Path(), token, [&](const ScanProgress&) { token.Cancel(); });
        EXPECT_EQ(result.status, ScanStatus::Cancelled);
        EXPECT_TRUE(TreeInvariantsHold(result));
        EXPECT_LT(result.folderCount, 25u) << "queued folders are dropped";
    }
}

}  // namespace
}  // namespace varnel::core
