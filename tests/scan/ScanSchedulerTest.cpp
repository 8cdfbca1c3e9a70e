#include <gtest/gtest.h>

#include <map>

#include "scan/ScanScheduler.h"
#include "model/ScanTreeBuilder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::RootKind;
using varnel::testing::TreeInvariantsHold;

// What a fake engine does for one path.
struct Script {
    std::uint64_t files = 2;          // files of 10 bytes under one sub-folder
    ScanStatus status = ScanStatus::Completed;
    bool cancelTokenDuringScan = false;
    bool runOutOfMemory = false;
    bool rootUnlistable = false;  // the root's own listing fails: nothing below it
};

// Records which engine scanned which path, so the choice can be checked.
struct Log {
    std::vector<std::wstring> calls;  // "<engine>:<path>"
    std::vector<std::string> checks;  // platform checks in the order asked
    std::vector<ScanProgress> reports;
};

class FakeEngine final : public IScanEngine {
public:
    FakeEngine(std::wstring name, ScanEngineKind kind, std::map<std::wstring, Script>& scripts, Log& log)
        : name_(std::move(name)), kind_(kind), scripts_(scripts), log_(log) {}

    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override {
        log_.calls.push_back(name_ + L":" + path);
        const Script script = scripts_[path];
        if (script.runOutOfMemory) throw std::bad_alloc();
        if (script.status == ScanStatus::Failed && kind_ == ScanEngineKind::NtfsMft) {
            if (script.cancelTokenDuringScan) token.Cancel();
            return MakeFailedResult(path, L"NTFS volume could not be opened.", 1);
        }
        ScanTreeBuilder builder;
        const auto root = builder.AddRoot(path, FileAttributeDirectory, 0);
        const auto sub = builder.AddFolder(root, L"sub", FileAttributeDirectory, 0);
        ScanProgress report{path + L"sub", 0, 1};
        if (progress) progress(report);
        for (std::uint64_t i = 0; i < script.files; ++i) {
            builder.AddFile(sub, L"f", 0, FileSizes{10, 10}, 0);
        }
        report.filesScanned = script.files;
        if (progress) progress(report);
        if (script.cancelTokenDuringScan) token.Cancel();
        builder.AddError(script.rootUnlistable ? path : path + L"denied", 5);
        builder.ComputeTotals();
        ScanResult result = builder.FinishResult(
            token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed, path, 0);
        result.engine = kind_;
        return result;
    }

private:
    std::wstring name_;
    ScanEngineKind kind_;
    std::map<std::wstring, Script>& scripts_;
    Log& log_;
};

struct FakeSystem {
    std::map<std::wstring, Script> scripts;
    Log log;
    bool volumeRoot = true;
    bool administrator = true;
    bool mftAvailable = true;

    ScanEngineFactory Factory() {
        ScanEngineFactory f;
        f.isVolumeRoot = [this](const std::wstring&) { log.checks.push_back("root"); return volumeRoot; };
        f.isRunningAsAdministrator = [this] { log.checks.push_back("admin"); return administrator; };
        f.isMftScanAvailable = [this](const std::wstring&) { log.checks.push_back("mft"); return mftAvailable; };
        f.createMftEngine = [this](std::uint64_t) {
            return std::make_unique<FakeEngine>(L"mft", ScanEngineKind::NtfsMft, scripts, log);
        };
        f.createNtQueryEngine = [this](std::uint64_t) {
            return std::make_unique<FakeEngine>(L"ntquery", ScanEngineKind::NtQueryDirectory, scripts, log);
        };
        f.createWalkEngine = [this] {
            return std::make_unique<FakeEngine>(L"walk", ScanEngineKind::DirectoryWalk, scripts, log);
        };
        return f;
    }

    ScanResult Scan(std::uint32_t choice, const std::vector<std::wstring>& paths, const std::wstring& displayName,
                    ScanCancellationToken& token) {
        ScanScheduler scheduler(EngineChoiceFromStoredValue(choice), 4, Factory());
        return scheduler.Scan(paths, displayName, token, [this](const ScanProgress& p) { log.reports.push_back(p); });
    }
};

TEST(ScanScheduler, SinglePathNamedAsItselfIsTheEnginesOwnResult) {
    FakeSystem system;
    system.volumeRoot = false;
    ScanCancellationToken token;
    const ScanResult result = system.Scan(0, {L"C:\\Data\\"}, L"C:\\Data\\", token);
    EXPECT_EQ(result.rootIndex, 0u);
    EXPECT_EQ(result.nodes[0].Path(), L"C:\\Data");
    EXPECT_EQ(result.engine, ScanEngineKind::NtQueryDirectory);
    EXPECT_EQ(system.log.checks, (std::vector<std::string>{"root"})) << "checks stop at the first false";
}

TEST(ScanScheduler, SingleDriveUnderDisplayNameGetsASyntheticRoot) {
    FakeSystem system;
    ScanCancellationToken token;
    const ScanResult result = system.Scan(0, {L"C:\\"}, L"All local drives", token);
    ASSERT_TRUE(TreeInvariantsHold(result, RootKind::Synthetic));
    EXPECT_EQ(result.rootPath, L"All local drives");
    EXPECT_EQ(result.nodes[0].Name(), L"All local drives");
    EXPECT_EQ(result.nodes[0].Attributes(), FileAttributeDirectory);
    ASSERT_EQ(result.nodes[0].Children().size(), 1u);
    EXPECT_EQ(result.nodes[0].FolderCount(), result.nodes[1].FolderCount() + 1);
    EXPECT_EQ(result.folderCount, 2u) << "the synthetic node is not counted";
    EXPECT_EQ(result.engine, ScanEngineKind::NtfsMft);
    EXPECT_EQ(system.log.checks, (std::vector<std::string>{"root", "admin", "mft"}));
}

TEST(ScanScheduler, ThreeDrivesSecondCancelledKeepsWhatWasRead) {
    FakeSystem system;
    system.scripts[L"D:\\"].cancelTokenDuringScan = true;
    ScanCancellationToken token;
    const ScanResult result = system.Scan(0, {L"C:\\", L"D:\\", L"E:\\"}, L"All local drives", token);
    ASSERT_TRUE(TreeInvariantsHold(result, RootKind::Synthetic));
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
    EXPECT_EQ(system.log.calls, (std::vector<std::wstring>{L"mft:C:\\", L"mft:D:\\"}));
    ASSERT_EQ(result.nodes[0].Children().size(), 2u);
    EXPECT_EQ(result.nodes[result.nodes[0].Children()[1]].Path(), L"D:\\");
    EXPECT_EQ(result.fileCount, 4u);
    EXPECT_EQ(result.errorCount, 2u);
    EXPECT_EQ(result.errors[1].path, L"D:\\denied");
    EXPECT_EQ(result.nodes[0].TotalSize(), 40u);
}

TEST(ScanScheduler, FailedMftScanFallsBackSilentlyUnlessCancelled) {
    FakeSystem system;
    system.scripts[L"C:\\"].status = ScanStatus::Failed;
    ScanCancellationToken token;
    ScanResult result = system.Scan(0, {L"C:\\"}, L"C:\\", token);
    EXPECT_EQ(system.log.calls, (std::vector<std::wstring>{L"mft:C:\\", L"ntquery:C:\\"}));
    EXPECT_EQ(result.status, ScanStatus::Completed);
    EXPECT_EQ(result.engine, ScanEngineKind::NtQueryDirectory);
    EXPECT_TRUE(result.message.empty());

    FakeSystem cancelled;
    cancelled.scripts[L"C:\\"] = {2, ScanStatus::Failed, true};
    ScanCancellationToken cancelToken;
    result = cancelled.Scan(0, {L"C:\\"}, L"C:\\", cancelToken);
    EXPECT_EQ(result.status, ScanStatus::Failed);
    EXPECT_EQ(result.message, L"NTFS volume could not be opened.");
    EXPECT_EQ(cancelled.log.calls.size(), 1u);
}

TEST(ScanScheduler, FailedRootsAreNamedAndTheOthersKept) {
    FakeSystem system;
    system.scripts[L"C:\\"].status = ScanStatus::Failed;
    ScanCancellationToken token;
    ScanResult result = system.Scan(3, {L"C:\\", L"D:\\"}, L"All", token);
    ASSERT_TRUE(TreeInvariantsHold(result, RootKind::Synthetic));
    EXPECT_EQ(result.status, ScanStatus::Completed);
    ASSERT_EQ(result.nodes[0].Children().size(), 1u);
    EXPECT_EQ(result.nodes[1].Path(), L"D:\\");
    EXPECT_EQ(result.fileCount, 2u);
    ASSERT_EQ(result.rootFailures.size(), 1u);
    EXPECT_EQ(result.rootFailures[0].path, L"C:\\");
    EXPECT_EQ(result.message, L"NTFS volume could not be opened.");

    system.scripts[L"D:\\"].runOutOfMemory = true;
    result = system.Scan(3, {L"C:\\", L"D:\\"}, L"All", token);
    EXPECT_EQ(result.status, ScanStatus::Failed) << "nothing was read at all";
    EXPECT_EQ(result.rootIndex, NoIndex);
    EXPECT_EQ(result.message, L"C:\\: NTFS volume could not be opened. D:\\: The scan ran out of system resources.");

    system.scripts[L"E:\\x"].rootUnlistable = true;
    result = system.Scan(2, {L"E:\\x"}, L"E:\\x", token);
    EXPECT_EQ(result.status, ScanStatus::Failed) << "a root that cannot be listed is no empty success";
    EXPECT_EQ(result.message, L"The folder could not be read.");
    EXPECT_EQ(result.engine, ScanEngineKind::NtQueryDirectory);
}

TEST(ScanScheduler, EveryRootIsNormalisedBeforeAnEngineSeesIt) {
    const std::pair<const wchar_t*, const wchar_t*> table[] = {
        {L"C:", L"mft:C:\\"},
        {L"c:/Data//Sub/", L"mft:c:\\Data\\Sub"},
        {L"\\\\?\\C:\\", L"mft:\\\\?\\C:\\"},
        {L"\\\\srv\\share\\", L"mft:\\\\srv\\share"},
    };
    for (const auto& [path, expected] : table) {
        FakeSystem system;
        ScanCancellationToken token;
        system.Scan(0, {path}, L"All", token);
        EXPECT_EQ(system.log.calls, (std::vector<std::wstring>{expected})) << ::testing::PrintToString(std::wstring(path));
    }
}

TEST(ScanScheduler, MergedEngineIsMixedWhenEnginesDiffer) {
    FakeSystem system;
    int call = 0;
    ScanEngineFactory factory = system.Factory();
    factory.isMftScanAvailable = [&call](const std::wstring&) { return call++ == 0; };
    ScanScheduler scheduler(EngineChoice::Automatic, 0, factory);
    ScanCancellationToken token;
    const ScanResult mixed = scheduler.Scan({L"C:\\", L"D:\\"}, L"All", token, {});
    EXPECT_EQ(system.log.calls, (std::vector<std::wstring>{L"mft:C:\\", L"ntquery:D:\\"}));
    EXPECT_EQ(mixed.engine, ScanEngineKind::Mixed);
}

TEST(ScanScheduler, EmptyListGivesTheSyntheticNodeAlone) {
    FakeSystem system;
    ScanCancellationToken token;
    const ScanResult result = system.Scan(0, {}, L"All local drives", token);
    ASSERT_EQ(result.nodes.size(), 1u);
    EXPECT_EQ(result.status, ScanStatus::Completed);
    EXPECT_EQ(result.folderCount, 0u);
    EXPECT_EQ(result.fileCount, 0u);
    EXPECT_EQ(result.nodes[0].FolderCount(), 0u);
}

TEST(ScanScheduler, ProgressOfLaterDrivesContinuesFromEarlierCounts) {
    FakeSystem system;
    system.scripts[L"C:\\"].files = 5;
    ScanCancellationToken token;
    system.Scan(0, {L"C:\\", L"D:\\"}, L"All", token);
    ASSERT_EQ(system.log.reports.size(), 4u);
    EXPECT_EQ(system.log.reports[1].filesScanned, 5u);
    // C: held 5 files and 2 folders (its root included).
    EXPECT_EQ(system.log.reports[2].filesScanned, 5u);
    EXPECT_EQ(system.log.reports[2].foldersScanned, 2u + 1u);
    EXPECT_EQ(system.log.reports[3].filesScanned, 5u + 2u);
}

TEST(ScanScheduler, EngineChoiceOverridesTheAutomaticChoice) {
    const std::pair<std::uint32_t, const wchar_t*> table[] = {
        {1, L"walk:X"}, {2, L"ntquery:X"}, {3, L"mft:X"}, {9, L"walk:X"}};
    for (const auto& [choice, expected] : table) {
        FakeSystem system;
        ScanCancellationToken token;
        system.Scan(choice, {L"X"}, L"X", token);
        EXPECT_EQ(system.log.calls, (std::vector<std::wstring>{expected})) << "choice " << choice;
        EXPECT_TRUE(system.log.checks.empty());
    }
}

}  // namespace
}  // namespace varnel::core
