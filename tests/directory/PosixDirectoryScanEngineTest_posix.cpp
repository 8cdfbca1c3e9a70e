// The parallel walk through its POSIX backend on a real folder tree, natively
// under the sanitizers and ThreadSanitizer: every worker count must give the
// tree a first-in-first-out walk of one worker gives, index by index, and a
// failing worker or a cancellation must still end the walk. The Linux
// varnelscan is checked against an independent walk in tests/tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "directory/PosixDirectoryScanEngine.h"
#include "support/TempFolder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

namespace fs = std::filesystem;
using varnel::testing::TreeInvariantsHold;

ScanResult Scan(const fs::path& root, std::uint64_t workers, const ScanProgressCallback& progress) {
    ScanCancellationToken token;
    return PosixDirectoryScanEngine(workers).Scan(root.wstring() + L"//", token, progress);
}

// Chains and wide folders; a folder of 1,500 entries takes two batches.
void MakeTree(const varnel::testing::TempFolder& scratch) {
    for (int a = 0; a < 40; ++a) {
        const fs::path folder = fs::path("d" + std::to_string(a % 7)) / ("e" + std::to_string(a)) / "f";
        fs::create_directories(scratch.Dir() / folder);
        for (int f = 0; f < 30; ++f) {
            scratch.Write(folder / ("g" + std::to_string(f)), std::string(static_cast<std::size_t>(a * f), 'x'));
        }
    }
    fs::create_directories(scratch.Dir() / "wide");
    for (int f = 0; f < 1500; ++f) scratch.Write(fs::path("wide") / std::to_string(f), "");
    fs::create_directory_symlink("d1", scratch.Dir() / "link");
}

TEST(PosixDirectoryScanEngine, EveryWorkerCountGivesTheFirstInFirstOutTreeIndexByIndex) {
    varnel::testing::TempFolder scratch;
    MakeTree(scratch);
    // The oracle: one queue, entries numbered in the order the system lists them.
    std::vector<std::wstring> expected{scratch.Dir().wstring()};
    for (std::deque<fs::path> queue{scratch.Dir()}; !queue.empty(); queue.pop_front()) {
        for (const fs::directory_entry& entry : fs::directory_iterator(queue.front())) {
            expected.push_back(entry.path().wstring());
            if (entry.is_directory() && !entry.is_symlink()) queue.push_back(entry.path());
        }
    }
    for (const std::uint64_t workers : {1u, 2u, 8u, 64u}) {
        std::uint64_t folderReports = 0, fileReports = 0;
        const ScanResult result = Scan(scratch.Dir(), workers, [&](const ScanProgress& p) {
            const bool isFolder = fs::is_directory(fs::symlink_status(fs::path(p.currentPath)));
            (isFolder ? folderReports : fileReports) += 1;
            EXPECT_TRUE(isFolder || p.filesScanned % ProgressFileInterval == 0);
        });
        ASSERT_TRUE(TreeInvariantsHold(result)) << workers;
        ASSERT_EQ(result.nodes.size(), expected.size()) << workers;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            std::wstring path = result.nodes[i].Path();
            std::replace(path.begin() + static_cast<std::ptrdiff_t>(expected[0].size()), path.end(), L'\\', L'/');
            ASSERT_EQ(path, expected[i]) << workers << " workers, node " << i;
        }
        EXPECT_EQ(folderReports, result.folderCount - 1) << workers;
        EXPECT_EQ(fileReports, result.fileCount / ProgressFileInterval) << workers;
    }
}

TEST(PosixDirectoryScanEngine, AFailingWorkerOrACancelEndsTheWalk) {
    varnel::testing::TempFolder scratch;
    MakeTree(scratch);
    for (const std::uint64_t workers : {1u, 4u, 16u}) {
        for (const int at : {1, 20, 60}) {
            int reports = 0;
            EXPECT_THROW(Scan(scratch.Dir(), workers, [&](const ScanProgress&) {
                if (++reports == at) throw std::runtime_error("a worker fails");
            }), std::runtime_error);
            ScanCancellationToken token;
            reports = 0;
            const ScanResult result = PosixDirectoryScanEngine(workers).Scan(
                scratch.Dir().wstring(), token, [&](const ScanProgress&) { if (++reports == at) token.Cancel(); });
            EXPECT_EQ(result.status, ScanStatus::Cancelled);
            EXPECT_TRUE(TreeInvariantsHold(result)) << workers;
        }
    }
}

TEST(PosixDirectoryScanEngine, ARootThatIsNoFolderFailsWithASentence) {
    varnel::testing::TempFolder scratch;
    scratch.Write("file", "x");
    for (const auto& [root, reason] : {std::pair{scratch.Dir() / "file", L"This is a file, not a folder."},
                                       std::pair{scratch.Dir() / "none", L"The folder does not exist."}}) {
        ScanCancellationToken token;
        EXPECT_EQ(PosixDirectoryScanEngine().Scan(root.wstring(), token, {}).message, reason);
    }
}

}  // namespace
}  // namespace varnel::core
