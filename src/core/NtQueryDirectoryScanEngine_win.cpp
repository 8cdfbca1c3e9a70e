#include "core/NtQueryDirectoryScanEngine.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "core/DirectoryBatch.h"
#include "core/Elapsed.h"
#include "core/NtDirectoryApi_win.h"
#include "core/PathRules.h"
#include "core/RootAttributes_win.h"
#include "core/ScanTreeBuilder.h"
#include "core/WorkerGroup.h"
#include "platform/UniqueHandle_win.h"

namespace varnel::core {
namespace {

constexpr std::size_t QueryBufferBytes = 65536;
constexpr std::size_t QueryBufferAlignment = 32;
constexpr std::size_t DriveRootReservation = 0x100000;
constexpr std::size_t FolderReservation = 0x10000;

struct DirectoryWorkItem {
    std::uint64_t nodeIndex;
    std::wstring path;  // without trailing separator, but "X:\" keeps its own
};

struct AlignedBufferDeleter {
    void operator()(std::byte* bytes) const noexcept {
        ::operator delete[](bytes, std::align_val_t{QueryBufferAlignment});
    }
};
using QueryBuffer = std::unique_ptr<std::byte[], AlignedBufferDeleter>;

QueryBuffer AllocateQueryBuffer() {
    auto* bytes = static_cast<std::byte*>(::operator new[](QueryBufferBytes, std::align_val_t{QueryBufferAlignment}));
    std::fill_n(bytes, QueryBufferBytes, std::byte{0});
    return QueryBuffer(bytes);
}

// State shared by the workers of one Scan call. Four locks, never nested
// among themselves; the callback lock is held while the caller's progress
// callable runs, which may take the caller's own lock next.
class DirectoryQueryPool {
public:
    DirectoryQueryPool(ScanTreeBuilder& builder, const ScanCancellationToken& token,
                       const ScanProgressCallback& progress, NtQueryDirectoryFileFunction query)
        : builder_(builder), token_(token), progress_(progress), query_(query) {}

    void Enqueue(DirectoryWorkItem item) {
        {
            std::lock_guard lock(queueMutex_);
            queue_.push_back(std::move(item));
        }
        queueChanged_.notify_one();
    }

    // Makes every worker leave at its next check: used when a worker failed
    // or a worker could not be started, without touching the user's token.
    void Abort() {
        {
            std::lock_guard lock(queueMutex_);
            aborted_ = true;
        }
        queueChanged_.notify_all();
    }

    void RunWorker();

private:
    bool ShouldStop() const { return token_.IsCancelled() || aborted_; }
    void ListDirectory(const DirectoryWorkItem& item, std::byte* buffer,
                       std::vector<DirectoryEntryRecord>& entries,
                       std::vector<DirectoryWorkItem>& subdirectories);
    void AddBatch(const DirectoryWorkItem& item, const std::vector<DirectoryEntryRecord>& entries,
                  std::vector<DirectoryWorkItem>& subdirectories);
    void Report(const DirectoryEntryRecord& entry);
    void AddError(const std::wstring& path, std::uint32_t code) {
        std::lock_guard lock(treeMutex_);
        builder_.AddError(path, code);
    }

    ScanTreeBuilder& builder_;               // guarded by treeMutex_
    const ScanCancellationToken& token_;     // read without a lock at the check points
    const ScanProgressCallback& progress_;   // called under callbackMutex_, one report at a time
    const NtQueryDirectoryFileFunction query_;

    std::mutex progressMutex_;               // guards the three counters below
    std::wstring currentPath_;
    std::uint64_t filesSeen_ = 0;
    std::uint64_t foldersSeen_ = 0;
    std::mutex callbackMutex_;               // serialises calls of progress_

    std::mutex queueMutex_;                  // guards queue_, activeWorkers_ and aborted_
    std::condition_variable queueChanged_;
    std::deque<DirectoryWorkItem> queue_;    // first in, first out: breadth-first overall
    std::uint64_t activeWorkers_ = 0;        // took an item and are still listing it
    // Set when the pool must end without a cancellation by the user; checked
    // with the queue, so read under queueMutex_ (and racily elsewhere, which
    // only delays the stop by one batch).
    std::atomic<bool> aborted_{false};

    std::mutex treeMutex_;                   // guards builder_
};

void DirectoryQueryPool::RunWorker() {
    QueryBuffer buffer = AllocateQueryBuffer();
    std::vector<DirectoryEntryRecord> entries;
    std::vector<DirectoryWorkItem> subdirectories;

    std::unique_lock lock(queueMutex_);
    for (;;) {
        queueChanged_.wait(lock, [&] { return ShouldStop() || !queue_.empty() || activeWorkers_ == 0; });
        if (ShouldStop()) {
            queueChanged_.notify_all();
            return;
        }
        if (queue_.empty()) {  // and no worker active: the walk is finished
            queueChanged_.notify_all();
            return;
        }
        DirectoryWorkItem item = std::move(queue_.front());
        queue_.pop_front();
        ++activeWorkers_;
        lock.unlock();

        // A failure while listing must still release this worker's claim, or
        // the others would wait for it forever.
        struct ActiveClaim {
            DirectoryQueryPool& pool;
            std::unique_lock<std::mutex>& lock;
            ~ActiveClaim() {
                lock.lock();
                --pool.activeWorkers_;
                if (pool.activeWorkers_ == 0 && pool.queue_.empty()) {
                    pool.queueChanged_.notify_all();
                }
            }
        } claim{*this, lock};
        ListDirectory(item, buffer.get(), entries, subdirectories);
    }
}

void DirectoryQueryPool::ListDirectory(const DirectoryWorkItem& item, std::byte* buffer,
                                       std::vector<DirectoryEntryRecord>& entries,
                                       std::vector<DirectoryWorkItem>& subdirectories) {
    platform::UniqueFile directory(::CreateFileW(item.path.c_str(), FILE_LIST_DIRECTORY,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!directory) {
        AddError(item.path, ::GetLastError());
        return;
    }
    std::wstring prefix = item.path;
    if (!prefix.empty() && !IsPathSeparator(prefix.back())) {
        prefix.push_back(L'\\');
    }
    if (ShouldStop()) {
        return;
    }

    bool firstCall = true;
    for (;;) {
        NtIoStatusBlock status{};
        const LONG result = query_(directory.get(), nullptr, nullptr, nullptr, &status, buffer,
                                   static_cast<ULONG>(QueryBufferBytes), FileIdBothDirectoryInformationClass,
                                   FALSE, nullptr, firstCall ? TRUE : FALSE);
        if (result == StatusNoMoreFiles || result == StatusNoSuchFile) {
            return;
        }
        if (result < 0) {
            AddError(item.path, NtStatusToWin32Error(result));
            return;
        }
        firstCall = false;

        const std::size_t filled = status.information < QueryBufferBytes ? status.information : QueryBufferBytes;
        ParseDirectoryBatch(std::span<const std::byte>(buffer, filled), prefix, entries);
        AddBatch(item, entries, subdirectories);
        for (const DirectoryEntryRecord& entry : entries) {
            Report(entry);
        }
        for (DirectoryWorkItem& subdirectory : subdirectories) {
            Enqueue(std::move(subdirectory));
        }
        if (ShouldStop()) {
            return;
        }
    }
}

void DirectoryQueryPool::AddBatch(const DirectoryWorkItem& item, const std::vector<DirectoryEntryRecord>& entries,
                                  std::vector<DirectoryWorkItem>& subdirectories) {
    subdirectories.clear();
    std::lock_guard lock(treeMutex_);
    for (const DirectoryEntryRecord& entry : entries) {
        if (entry.isDirectory) {
            const std::uint64_t index = builder_.AddFolder(item.nodeIndex, entry.name, entry.fullPath,
                                                           entry.attributes, entry.LastWriteTime());
            // Reparse folders are listed but never entered: no link cycles.
            if (!entry.isReparsePoint) {
                subdirectories.push_back({index, entry.fullPath});
            }
        } else {
            builder_.AddFile(item.nodeIndex, entry.name, entry.fullPath, entry.attributes, entry.size,
                             entry.LastWriteTime());
        }
    }
}

void DirectoryQueryPool::Report(const DirectoryEntryRecord& entry) {
    ScanProgress report;
    {
        std::lock_guard lock(progressMutex_);
        if (entry.isDirectory) {
            ++foldersSeen_;
        } else if (++filesSeen_ % ProgressFileInterval != 0) {
            return;
        }
        currentPath_ = entry.fullPath;
        report.currentPath = currentPath_;
        report.filesScanned = filesSeen_;
        report.foldersScanned = foldersSeen_;
    }
    if (progress_) {
        std::lock_guard lock(callbackMutex_);
        progress_(report);
    }
}

}  // namespace

bool IsDriveRootPath(const std::wstring& path) noexcept {
    if (path.size() == 2) return path[1] == L':';
    return path.size() == 3 && path[1] == L':' && IsPathSeparator(path[2]);
}

ScanResult NtQueryDirectoryScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                            const ScanProgressCallback& progress) {
    const auto start = ScanClock::now();

    const RootAttributes root = ReadRootAttributes(path);

    std::wstring rootPath = TrimTrailingSeparators(path);
    ScanTreeBuilder builder;
    builder.Reserve(IsDriveRootPath(rootPath) ? DriveRootReservation : FolderReservation);
    const std::uint64_t rootIndex =
        builder.AddFolder(NoIndex, LeafName(rootPath), rootPath, root.attributes, root.lastWriteTime);

    if (const NtQueryDirectoryFileFunction query = ResolveNtQueryDirectoryFile()) {
        DirectoryQueryPool pool(builder, token, progress, query);
        pool.Enqueue({rootIndex, rootPath});
        WorkerGroup workers([&pool] { pool.Abort(); });
        workers.Start(static_cast<std::size_t>(WorkerCountFor(threadsPerDrive_)), [&pool] { pool.RunWorker(); });
        workers.JoinAll();
    } else {
        builder.AddError(rootPath, ERROR_PROC_NOT_FOUND);
    }

    builder.ComputeTotals();
    const auto end = ScanClock::now();
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed;
    ScanResult result = builder.FinishResult(status, std::move(rootPath), MeasureElapsedMs(start, end));
    result.engine = ScanEngineKind::NtQueryDirectory;
    return result;
}

}  // namespace varnel::core
