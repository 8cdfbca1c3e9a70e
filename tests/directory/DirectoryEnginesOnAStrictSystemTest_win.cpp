// Both directory engines over a strict in-memory stand-in for the file system,
// for what Wine cannot show: cloud placeholders, refused information classes,
// plain paths that Windows would cut or alter, and shares that never answer.

#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

#include "directory/DirectoryBatch.h"
#include "directory/DirectoryWalkScanEngine.h"
#include "directory/NtDirectoryApi_win.h"
#include "directory/NtQueryDirectoryScanEngine.h"
#include "model/ScanTreeBuilder.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

constexpr LONG StatusCancelled = static_cast<LONG>(0xC0000120);

struct FakeEntry {
    std::wstring name;
    DWORD attributes;
    std::uint64_t size;
    DWORD reparseTag;
    std::uint64_t onDisk = 0;  // the allocation size, and the compressed size
    std::uint64_t fileId = 0;
};

class StrictDirectories final : public DirectorySystem {
public:
    std::map<std::wstring, std::vector<FakeEntry>> folders;  // by plain path
    std::map<std::wstring, std::uint32_t> failingFolders;    // listing fails with this error
    std::wstring stuckFolder;                                // listing blocks until cancelled
    std::uint32_t refusedClasses = 0;                        // 1 refuses class 37, 2 also class 3
    std::uint64_t clusterBytes = 0;                          // 0: the volume does not say
    std::set<std::wstring> opened;
    std::set<std::wstring> askedCompressedSize;
    bool unblockedByCancel = false;

    bool WasOpened(const std::wstring& plain) {
        std::lock_guard lock(mutex_);
        return opened.contains(plain);
    }

    std::uint32_t ReadAttributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) override {
        std::wstring plain;
        if (const std::uint32_t error = Plain(path, plain)) return error;
        data = {};
        data.dwFileAttributes = folders.contains(plain) ? FILE_ATTRIBUTE_DIRECTORY : 0;
        return folders.contains(plain) ? 0 : ERROR_FILE_NOT_FOUND;
    }

    std::uint32_t FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry, HANDLE& find) override {
        const std::uint32_t error = Open(pattern.substr(0, pattern.size() - 2), find);
        if (error != 0) return error;
        if (FindNext(find, entry) == 0) return 0;
        CloseFind(find);
        return ERROR_FILE_NOT_FOUND;
    }

    std::uint32_t FindNext(HANDLE find, WIN32_FIND_DATAW& entry) override {
        std::lock_guard lock(mutex_);
        Listing& listing = listings_.at(find);
        if (listing.next == listing.entries->size()) return ERROR_NO_MORE_FILES;
        const FakeEntry& e = (*listing.entries)[listing.next++];
        entry = {};
        entry.dwFileAttributes = e.attributes;
        entry.nFileSizeLow = static_cast<DWORD>(e.size);
        entry.dwReserved0 = e.reparseTag;
        e.name.copy(entry.cFileName, MAX_PATH - 1);
        return 0;
    }

    void CloseFind(HANDLE find) override { CloseDirectory(find); }
    std::uint32_t OpenDirectory(const std::wstring& path, HANDLE& directory) override { return Open(path, directory); }
    void CloseDirectory(HANDLE directory) override {
        std::lock_guard lock(mutex_);
        ASSERT_EQ(listings_.erase(directory), 1u) << "closed twice";
    }

    LONG QueryDirectory(HANDLE directory, NtIoStatusBlock& status, void* buffer, ULONG length,
                        ULONG informationClass, bool) override {
        if ((informationClass == 37 && refusedClasses >= 1) || (informationClass == 3 && refusedClasses >= 2)) {
            return StatusInvalidInfoClass;
        }
        const DirectoryRecordLayout& layout = informationClass == 37 ? FileIdBothDirectoryLayout
                                              : informationClass == 3 ? FileBothDirectoryLayout
                                                                      : FileDirectoryLayout;
        std::lock_guard lock(mutex_);
        Listing& listing = listings_.at(directory);
        auto* bytes = static_cast<std::byte*>(buffer);
        std::size_t offset = 0;
        std::size_t previous = 0;
        for (; listing.next < listing.entries->size(); ++listing.next) {
            const FakeEntry& e = (*listing.entries)[listing.next];
            const std::size_t size = (layout.fileName + e.name.size() * 2 + 7) / 8 * 8;
            if (offset + size > length) break;
            std::memset(bytes + offset, 0, size);
            if (offset != 0) Put(bytes + previous, static_cast<std::uint32_t>(offset - previous));
            Put(bytes + offset + file_id_both_dir_info::EndOfFile, e.size);
            Put(bytes + offset + file_id_both_dir_info::AllocationSize, e.onDisk);
            if (layout.carriesFileId) Put(bytes + offset + file_id_both_dir_info::FileId, e.fileId);
            Put(bytes + offset + file_id_both_dir_info::FileAttributes, e.attributes);
            Put(bytes + offset + file_id_both_dir_info::FileNameLength, static_cast<std::uint32_t>(e.name.size() * 2));
            if (layout.carriesReparseTag) Put(bytes + offset + file_id_both_dir_info::ReparseTag, e.reparseTag);
            std::memcpy(bytes + offset + layout.fileName, e.name.data(), e.name.size() * 2);
            previous = offset;
            offset += size;
        }
        status.information = offset;
        return offset == 0 ? StatusNoMoreFiles : 0;
    }

    std::uint32_t StatusToWin32Error(LONG status) override {
        return status == StatusCancelled ? ERROR_OPERATION_ABORTED : ERROR_GEN_FAILURE;
    }

    std::uint32_t ReadClusterSize(const std::wstring&, std::uint64_t& bytes) override {
        bytes = clusterBytes;
        return clusterBytes == 0 ? ERROR_NOT_SUPPORTED : 0;
    }

    std::uint32_t ReadCompressedSize(const std::wstring& path, std::uint64_t& bytes) override {
        std::lock_guard lock(mutex_);
        askedCompressedSize.insert(path);
        const std::size_t cut = path.rfind(L'\\');
        for (const FakeEntry& e : folders.at(path.substr(4, cut - 4))) {
            if (e.name == path.substr(cut + 1)) bytes = e.onDisk;
        }
        return 0;
    }

    void CancelBlockedCall(DWORD threadId) override {
        std::lock_guard lock(mutex_);
        cancelledThreads_.insert(threadId);
        changed_.notify_all();
    }

private:
    struct Listing {
        const std::vector<FakeEntry>* entries;
        std::size_t next = 0;
    };

    template <class Value>
    static void Put(std::byte* at, Value value) { std::memcpy(at, &value, sizeof value); }

    // Windows would shorten a plain path over 259 characters or drop a
    // trailing dot or space from a name; this stand-in refuses such paths.
    static std::uint32_t Plain(const std::wstring& path, std::wstring& plain) {
        if (path.starts_with(L"\\\\?\\")) {
            plain = path.substr(4);
            return 0;
        }
        if (path.size() > 259) return ERROR_FILENAME_EXCED_RANGE;
        for (std::size_t end = 0; end != std::wstring::npos; ++end) {
            end = path.find(L'\\', end);
            const std::size_t last = (end == std::wstring::npos ? path.size() : end) - 1;
            if (last < path.size() && (path[last] == L'.' || path[last] == L' ')) return ERROR_PATH_NOT_FOUND;
            if (end == std::wstring::npos) break;
        }
        plain = path;
        return 0;
    }

    std::uint32_t Open(const std::wstring& path, HANDLE& handle) {
        std::wstring plain;
        if (const std::uint32_t error = Plain(path, plain)) return error;
        std::unique_lock lock(mutex_);
        opened.insert(plain);
        if (plain == stuckFolder) {
            const DWORD self = ::GetCurrentThreadId();
            if (!changed_.wait_for(lock, std::chrono::seconds(20), [&] { return cancelledThreads_.contains(self); })) {
                return ERROR_SEM_TIMEOUT;
            }
            unblockedByCancel = true;
            return ERROR_OPERATION_ABORTED;
        }
        if (const auto failure = failingFolders.find(plain); failure != failingFolders.end()) return failure->second;
        const auto folder = folders.find(plain);
        if (folder == folders.end()) return ERROR_PATH_NOT_FOUND;
        handle = reinterpret_cast<HANDLE>(++lastHandle_);
        listings_[handle] = {&folder->second};
        return 0;
    }

    std::mutex mutex_;  // guards everything below and `opened`
    std::condition_variable changed_;
    std::map<HANDLE, Listing> listings_;
    std::set<DWORD> cancelledThreads_;
    std::uintptr_t lastHandle_ = 0x1000;
};

constexpr DWORD Folder = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD ReparseFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// R:\r holds one of each case; only the sizes of files that are on the local
// disk and reachable without following a link count.
void MakeTree(StrictDirectories& fs) {
    const std::wstring deep = L"R:\\r\\" + std::wstring(120, L'd') + L"\\" + std::wstring(150, L'e');
    fs.folders[L"R:\\r"] = {{L"OneDrive", ReparseFolder, 0, 0x9000701A},
                            {L"Junction", ReparseFolder, 0, IO_REPARSE_TAG_MOUNT_POINT},
                            {L"Online", Folder | FileAttributeRecallOnOpen, 0, 0},
                            {L"abc.", Folder, 0, 0},
                            {L"abc", Folder, 0, 0},
                            {L"sp ", Folder, 0, 0},
                            {std::wstring(120, L'd'), Folder, 0, 0},
                            {L"Offline", Folder, 0, 0},
                            {L"top", 0, 1, 0}};
    fs.folders[L"R:\\r\\OneDrive"] = {{L"synced", 0, 100, 0}};
    fs.folders[L"R:\\r\\Junction"] = {{L"twice", 0, 100000, 0}};
    fs.folders[L"R:\\r\\Online"] = {{L"cloud", 0, 100000, 0}};
    fs.folders[L"R:\\r\\abc."] = {{L"dot", 0, 3, 0}};
    fs.folders[L"R:\\r\\abc"] = {{L"plain", 0, 5, 0}};
    fs.folders[L"R:\\r\\sp "] = {{L"space", 0, 20, 0}};
    fs.folders[L"R:\\r\\" + std::wstring(120, L'd')] = {{std::wstring(150, L'e'), Folder, 0, 0}};
    fs.folders[deep] = {{L"long", 0, 7, 0}};
    fs.failingFolders[L"R:\\r\\Offline"] = ERROR_BAD_NETPATH;
}

ScanResult ScanWith(bool walk, StrictDirectories& fs, ScanCancellationToken& token,
                    std::uint64_t nodeLimit = ScanTree::MaxNodes) {
    if (walk) return DirectoryWalkScanEngine(fs, nodeLimit).Scan(L"R:\\r", token, {});
    return NtQueryDirectoryScanEngine(fs, 4, nodeLimit).Scan(L"R:\\r", token, {});
}

TEST(DirectoryEngines, CountCloudFoldersLongPathsAndOddNamesAndRecordEveryFailure) {
    struct Case {
        bool walk;
        std::uint32_t refusedClasses;
        std::uint64_t expectedTotal;
    } cases[] = {
        {true, 0, 136},  {false, 0, 136}, {false, 1, 136},
        // The last class carries no reparse tag: a reparse folder is then
        // not entered, since it might be a link.
        {false, 2, 36},
    };
    for (const Case& c : cases) {
        StrictDirectories fs;
        MakeTree(fs);
        fs.refusedClasses = c.refusedClasses;
        ScanCancellationToken token;
        const ScanResult result = ScanWith(c.walk, fs, token);
        const std::string name = std::string(c.walk ? "walk" : "ntquery") + ", refused " + std::to_string(c.refusedClasses);
        ASSERT_TRUE(varnel::testing::TreeInvariantsHold(result)) << name;
        EXPECT_EQ(result.status, ScanStatus::Completed) << name;
        EXPECT_EQ(result.nodes[result.rootIndex].TotalSize(), c.expectedTotal) << name;
        ASSERT_EQ(result.errors.size(), 1u) << name;
        EXPECT_EQ(result.errors[0].path, L"R:\\r\\Offline") << name;
        EXPECT_EQ(result.errors[0].code, static_cast<std::uint32_t>(ERROR_BAD_NETPATH)) << name;
        EXPECT_FALSE(fs.opened.contains(L"R:\\r\\Online")) << name << ": opening it would download it";
        EXPECT_FALSE(fs.opened.contains(L"R:\\r\\Junction")) << name;
        EXPECT_EQ(result.folderCount, 10u) << name << ": every folder stays in the tree";
    }
}

// The native engine takes the allocation the listing reports and, given
// file IDs, counts a file of two names once. The walk rounds lengths up to
// clusters and asks for the compressed size of sparse, compressed and cloud
// files only. Neither opens a file: a placeholder counts what is local.
TEST(DirectoryEngines, BytesOnDiskAreWhatEachEngineCanKnow) {
    constexpr DWORD Cloud = FILE_ATTRIBUTE_REPARSE_POINT;
    const std::set<std::wstring> flagged{L"\\\\?\\R:\\r\\online", L"\\\\?\\R:\\r\\partly", L"\\\\?\\R:\\r\\sparse",
                                         L"\\\\?\\R:\\r\\packed"};
    using Case = std::tuple<bool, std::uint32_t, std::uint64_t, std::uint64_t>;  // refused classes, cluster size
    const Case cases[]{{false, 0, 4096, 90112}, {false, 1, 4096, 98304}, {true, 0, 4096, 98304}, {true, 0, 0, 88728}};
    for (const auto& [walk, refusedClasses, clusterBytes, expected] : cases) {
        StrictDirectories fs;
        fs.refusedClasses = refusedClasses;
        fs.clusterBytes = clusterBytes;
        fs.folders[L"R:\\r"] = {{L"plain", 0, 5000, 0, 8192},
                                {L"online", Cloud | FileAttributeRecallOnDataAccess, 100000, 0x9000601A, 0},
                                {L"partly", Cloud | FILE_ATTRIBUTE_OFFLINE, 100000, 0x9000601A, 65536},
                                {L"sparse", FILE_ATTRIBUTE_SPARSE_FILE, 1u << 30, 0, 4096},
                                {L"packed", FILE_ATTRIBUTE_COMPRESSED, 10000, 0, 4096},
                                {L"link", 0, 5000, 0, 8192, 7},
                                {L"sub", Folder, 0, 0}};
        fs.folders[L"R:\\r\\sub"] = {{L"link", 0, 5000, 0, 8192, 7}};
        ScanCancellationToken token;
        EXPECT_EQ(ScanWith(walk, fs, token).nodes[0].TotalSizeOnDisk(), expected) << walk << ", " << clusterBytes;
        EXPECT_EQ(fs.askedCompressedSize, walk ? flagged : std::set<std::wstring>{}) << walk;
        EXPECT_EQ(fs.opened, (std::set<std::wstring>{L"R:\\r", L"R:\\r\\sub"})) << walk;
    }
}

TEST(DirectoryEngines, AFullTreeFailsTheScanAndNothingMoreIsListed) {
    for (const bool walk : {true, false}) {
        StrictDirectories fs;
        MakeTree(fs);
        ScanCancellationToken token;
        // The root and its first three entries fit; the fourth fills the tree.
        const ScanResult result = ScanWith(walk, fs, token, 4);
        EXPECT_EQ(result.status, ScanStatus::Failed) << walk;
        EXPECT_EQ(result.message, TooManyNodesMessage) << walk;
        EXPECT_TRUE(varnel::testing::TreeInvariantsHold(result)) << walk;
        EXPECT_EQ(fs.opened, std::set<std::wstring>{L"R:\\r"}) << walk;
    }
}

TEST(DirectoryEngines, CancelUnblocksACallOnAStuckShare) {
    for (const bool walk : {true, false}) {
        StrictDirectories fs;
        MakeTree(fs);
        fs.stuckFolder = L"R:\\r\\abc";
        ScanCancellationToken token;
        ScanResult result;
        std::thread scan([&] { result = ScanWith(walk, fs, token); });
        while (!fs.WasOpened(fs.stuckFolder)) ::Sleep(10);  // a thread is inside the stuck call
        token.Cancel();
        scan.join();
        EXPECT_TRUE(fs.unblockedByCancel) << (walk ? "walk" : "ntquery");
        EXPECT_EQ(result.status, ScanStatus::Cancelled);
    }
}

}  // namespace
}  // namespace varnel::core
