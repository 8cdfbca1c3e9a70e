// The parallel walk over an in-memory tree: every worker count must give the
// tree a first-in-first-out walk of one worker gives, index by index; a
// failing worker and a cancellation must still end the walk.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "directory/ParallelWalk.h"
#include "model/ScanTreeBuilder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

using varnel::testing::TreeInvariantsHold;

struct FakeEntry {
    std::wstring name;
    bool isFolder;
    std::uint64_t size;
};

// About 1,500 folders and 10,000 files, chains and wide folders; every
// 97th folder cannot be listed.
std::map<std::wstring, std::vector<FakeEntry>> MakeFolders() {
    std::map<std::wstring, std::vector<FakeEntry>> folders{{L"R:", {}}};
    std::vector<std::wstring> paths{L"R:"};
    std::mt19937 random(7);
    for (int i = 0; i < 12000; ++i) {
        const std::wstring parent = random() % 4 == 0 ? paths.back() : paths[random() % paths.size()];
        const bool isFolder = random() % 8 == 0;
        const std::wstring name = (isFolder ? L"d" : L"f") + std::to_wstring(i);
        folders[parent].push_back({name, isFolder, random() % 5000});
        if (isFolder) {
            paths.push_back(parent + L"\\" + name);
            folders[paths.back()];
        }
    }
    return folders;
}

class FakeReader final : public FolderReader {
public:
    FakeReader(const std::map<std::wstring, std::vector<FakeEntry>>& folders, int throwAt = -1)
        : folders_(folders), throwAt_(throwAt) {}

    void Read(FolderVisit& visit) override {
        if (throwAt_ >= 0 && read_++ == throwAt_) throw std::bad_alloc();
        if (std::hash<std::wstring>{}(visit.Path()) % 97 == 0) return visit.Fail(5);
        DirectoryBatch batch;
        for (const FakeEntry& e : folders_.at(visit.Path())) {
            DirectoryEntryRecord record;
            record.nameStart = batch.names.size();
            record.nameLength = e.name.size();
            record.isDirectory = e.isFolder;
            record.attributes = e.isFolder ? FileAttributeDirectory : 0x80;
            record.size = e.size;
            batch.names += e.name;
            batch.entries.push_back(record);
            if (batch.entries.size() == 7) {
                if (!visit.Add(batch)) return;
                batch = {};
            }
        }
        visit.Add(batch);
    }

private:
    const std::map<std::wstring, std::vector<FakeEntry>>& folders_;
    int throwAt_;
    int read_ = 0;
};

ScanResult Walk(const std::map<std::wstring, std::vector<FakeEntry>>& folders, std::size_t workers,
                ScanCancellationToken& token, const ScanProgressCallback& progress = {}, int throwAt = -1) {
    ScanTreeBuilder builder;
    const std::uint64_t root = builder.AddRoot(L"R:", FileAttributeDirectory, 0);
    std::vector<std::unique_ptr<FakeReader>> readers;
    std::vector<FolderReader*> pointers;
    for (std::size_t i = 0; i < workers; ++i) {
        readers.push_back(std::make_unique<FakeReader>(folders, i == workers - 1 ? throwAt : -1));
        pointers.push_back(readers.back().get());
    }
    ParallelWalk walk(builder, root, L"R:", L'\\', token, progress);
    walk.Run(pointers);
    walk.PutInOrder();
    builder.ComputeTotals();
    return builder.FinishResult(token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed, L"R:", 0);
}

TEST(ParallelWalk, EveryWorkerCountGivesTheFirstInFirstOutTreeIndexByIndex) {
    const auto folders = MakeFolders();
    // The oracle: one queue, nodes numbered as they are met.
    std::vector<std::wstring> expected{L"R:"};
    std::vector<std::wstring> expectedErrors;
    for (std::deque<std::wstring> queue{L"R:"}; !queue.empty(); queue.pop_front()) {
        if (std::hash<std::wstring>{}(queue.front()) % 97 == 0) {
            expectedErrors.push_back(queue.front());
            continue;
        }
        for (const FakeEntry& e : folders.at(queue.front())) {
            expected.push_back(queue.front() + L"\\" + e.name);
            if (e.isFolder) queue.push_back(expected.back());
        }
    }
    ASSERT_FALSE(expectedErrors.empty());
    for (const std::size_t workers : {1u, 3u, 64u}) {
        ScanCancellationToken token;
        std::mutex mutex;
        std::uint64_t folderReports = 0, fileReports = 0;
        const ScanResult result = Walk(folders, workers, token, [&](const ScanProgress& p) {
            std::lock_guard lock(mutex);
            const bool isFile = p.currentPath.substr(p.currentPath.rfind(L'\\') + 1).starts_with(L"f");
            (isFile ? fileReports : folderReports) += 1;
            EXPECT_TRUE(!isFile || p.filesScanned % ProgressFileInterval == 0);
        });
        ASSERT_TRUE(TreeInvariantsHold(result)) << workers;
        ASSERT_EQ(result.nodes.size(), expected.size()) << workers;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(result.nodes[i].Path(), expected[i]) << workers << " workers, node " << i;
        }
        ASSERT_EQ(result.errors.size(), expectedErrors.size());
        for (std::size_t i = 0; i < expectedErrors.size(); ++i) {
            EXPECT_EQ(result.errors[i].path, expectedErrors[i]);
            EXPECT_EQ(result.errors[i].code, 5u);
        }
        EXPECT_EQ(folderReports, result.folderCount - 1) << workers;
        EXPECT_EQ(fileReports, result.fileCount / ProgressFileInterval) << workers;
    }
}

TEST(ParallelWalk, AFailingWorkerOrACancelEndsTheWalk) {
    const auto folders = MakeFolders();
    for (const std::size_t workers : {1u, 4u, 16u}) {
        ScanCancellationToken token;
        EXPECT_THROW(Walk(folders, workers, token, {}, 5), std::bad_alloc) << workers;
        for (const int cancelAt : {1, 50, 400}) {
            ScanCancellationToken cancelled;
            int reports = 0;
            const ScanResult result =
                Walk(folders, workers, cancelled, [&](const ScanProgress&) { if (++reports == cancelAt) cancelled.Cancel(); });
            EXPECT_EQ(result.status, ScanStatus::Cancelled);
            EXPECT_TRUE(TreeInvariantsHold(result)) << workers;
        }
    }
}

}  // namespace
}  // namespace varnel::core
