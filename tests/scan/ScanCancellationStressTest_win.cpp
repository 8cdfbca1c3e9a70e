#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "directory/NtQueryDirectoryScanEngine.h"
#include "scan/ScanScheduler.h"
#include "support/TempFolder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::RootKind;
using varnel::testing::TempFolder;
using varnel::testing::TreeInvariantsHold;

void MakeTree(const TempFolder& temp) {
    for (int a = 0; a < 4; ++a) {
        const std::wstring top = L"top" + std::to_wstring(a);
        for (int b = 0; b < 5; ++b) {
            const std::wstring folder = top + L"\\sub" + std::to_wstring(b);
            temp.Folder(folder);
            for (int f = 0; f < 40; ++f) temp.File(folder + L"\\f" + std::to_wstring(f), static_cast<std::uint64_t>(f));
        }
    }
    temp.Folder(L"large");
    for (int f = 0; f < 600; ++f) temp.File(L"large\\g" + std::to_wstring(f), 1);
}

// Cancels at random moments, over and over: from the progress callable, from
// another thread, before the first root and between roots. Every scan must
// end (a deadlock fails the test by its time-out) with a consistent tree.
TEST(ScanCancellation, AtRandomMomentsNeverDeadlocksAndLeavesAConsistentTree) {
    TempFolder temp;
    MakeTree(temp);
    const std::vector<std::wstring> roots{temp.At(L"top0"), temp.At(L"large"), temp.At(L"top1"), temp.At(L"top2")};
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        const EngineChoice choice = round % 2 == 0 ? EngineChoice::NtQueryDirectory : EngineChoice::DirectoryWalk;
        const std::uint64_t threads = std::uniform_int_distribution<std::uint64_t>(1, 64)(random);
        ScanScheduler scheduler(choice, threads);
        ScanCancellationToken token;
        const int mode = round % 4;
        const int cancelAt = std::uniform_int_distribution<int>(1, 60)(random);
        int reports = 0;
        const ScanProgressCallback progress = [&](const ScanProgress&) {
            if (mode == 0 && ++reports == cancelAt) token.Cancel();
        };
        if (mode == 1) token.Cancel();  // before the first root
        std::thread canceller;
        if (mode == 2) {
            const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20'000)(random));
            canceller = std::thread([&token, delay] {
                std::this_thread::sleep_for(delay);
                token.Cancel();
            });
        }
        const ScanResult result = scheduler.Scan(roots, L"All local drives", token, progress);
        if (canceller.joinable()) canceller.join();

        ASSERT_TRUE(TreeInvariantsHold(result, RootKind::Synthetic)) << "round " << round;
        if (mode == 1 || (mode == 0 && reports >= cancelAt)) {
            EXPECT_EQ(result.status, ScanStatus::Cancelled) << "round " << round;
        }
        if (mode == 1) {
            EXPECT_EQ(result.nodes.size(), 1u) << "nothing is scanned after a cancel before the first root";
        }
        if (mode == 3) {
            EXPECT_EQ(result.status, ScanStatus::Completed);
            EXPECT_EQ(result.fileCount, 3u * 5u * 40u + 600u);
        }
    }
}

// Under Wine the volume C: reports NTFS and the process counts as an
// administrator, so the automatic choice takes the master-file-table engine;
// Wine cannot answer its volume query, and the native engine scans instead.
TEST(ScanScheduler, RealFallbackFromTheMftEngineOnTheSystemDrive) {
    ScanScheduler scheduler(EngineChoice::Automatic, 4);
    ScanCancellationToken token;
    const ScanResult result = scheduler.Scan({L"C:\\"}, L"C:\\", token, {});
    ASSERT_EQ(result.status, ScanStatus::Completed);
    EXPECT_EQ(result.engine, ScanEngineKind::NtQueryDirectory);
    EXPECT_TRUE(result.message.empty());
    EXPECT_GT(result.fileCount, 100u) << "a full tree of the drive";
    EXPECT_TRUE(TreeInvariantsHold(result));
}

}  // namespace
}  // namespace varnel::core
