#include "directory/NtQueryDirectoryScanEngine.h"

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

#include "model/ChunkedArray.h"
#include "directory/DirectoryBatch.h"
#include "base/Elapsed.h"
#include "directory/NtDirectoryApi_win.h"
#include "base/PathRules.h"
#include "directory/RootAttributes_win.h"
#include "model/ScanTreeBuilder.h"
#include "directory/WorkerGroup.h"

namespace varnel::core {
namespace {

constexpr std::size_t QueryBufferBytes = 65536;
constexpr std::size_t QueryBufferAlignment = 32;

// A folder waiting to be listed. Its path lives only until it is listed:
// the tree keeps names, and a worker needs the whole path to open the folder.
struct DirectoryWorkItem {
    std::uint64_t nodeIndex;
    std::wstring path;  // without trailing separator, but "X:\" keeps its own
};

// What a worker keeps from one listing call to the next, so that once its
// buffers have grown only the paths of folders still to list are allocated.
struct WorkerScratch {
    DirectoryBatch batch;
    // Entries of `batch` that are folders to list, with their new nodes.
    std::vector<std::pair<std::uint64_t, std::size_t>> listedFolders;
    std::vector<DirectoryWorkItem> subdirectories;
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

// One name of a file that takes room on disk, under the ID all names of
// the file share. The ID in two 32-bit halves keeps it at 12 bytes, not 16:
// a volume can hold tens of millions of them.
struct NamedFile {
    std::uint32_t idLow;
    std::uint32_t idHigh;
    std::uint32_t node;

    std::uint64_t Id() const noexcept { return (static_cast<std::uint64_t>(idHigh) << 32) | idLow; }
};
using NamedFiles = ChunkedArray<NamedFile, 14>;

// Of the names of one file, the one whose path sorts first keeps the bytes
// on disk; the others count 0. Chosen by path, not by node index: with
// several workers the order of the nodes changes from scan to scan, and the
// folder that holds a file's clusters must not.
void KeepOnDiskUnderOneName(std::span<const NamedFile> names, ScanTreeBuilder& builder) {
    std::uint64_t keeper = names[0].node;
    std::wstring keeperPath = builder.Nodes()[keeper].Path();
    for (const NamedFile& name : names.subspan(1)) {
        std::wstring path = builder.Nodes()[name.node].Path();
        if (path < keeperPath) {
            builder.SetFileSizeOnDisk(keeper, 0);
            keeper = name.node;
            keeperPath = std::move(path);
        } else {
            builder.SetFileSizeOnDisk(name.node, 0);
        }
    }
}

// A file with several names (hard links) is listed once per name, each time
// with all its clusters, and must count once. The names are sorted by file
// ID when the listing is done, copied out chunk by chunk as the chunks are
// freed, so they are never held twice.
void CountEachFileOnce(NamedFiles& names, ScanTreeBuilder& builder) {
    std::vector<NamedFile> sorted;
    sorted.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        sorted.push_back(names[i]);
        names.ReleaseBefore(i);
    }
    names.clear();
    std::sort(sorted.begin(), sorted.end(), [](const NamedFile& a, const NamedFile& b) { return a.Id() < b.Id(); });
    for (std::size_t first = 0; first < sorted.size();) {
        std::size_t end = first + 1;
        while (end < sorted.size() && sorted[end].Id() == sorted[first].Id()) {
            ++end;
        }
        if (end - first > 1) {
            KeepOnDiskUnderOneName(std::span<const NamedFile>(sorted).subspan(first, end - first), builder);
        }
        first = end;
    }
}

// State shared by the workers of one Scan call. Four locks, never nested
// among themselves; the callback lock is held while the caller's progress
// callable runs, which may take the caller's own lock next.
class DirectoryQueryPool {
public:
    DirectoryQueryPool(DirectorySystem& system, ScanTreeBuilder& builder, NamedFiles& namedFiles,
                       const ScanCancellationToken& token, const ScanProgressCallback& progress,
                       BlockedCallCanceller& canceller)
        : system_(system),
          builder_(builder),
          namedFiles_(namedFiles),
          token_(token),
          progress_(progress),
          canceller_(canceller) {}

    void Enqueue(std::vector<DirectoryWorkItem>& items) {
        if (items.empty()) {
            return;
        }
        {
            std::lock_guard lock(queueMutex_);
            for (DirectoryWorkItem& item : items) {
                queue_.push_back(std::move(item));
            }
        }
        if (items.size() == 1) {
            queueChanged_.notify_one();
        } else {
            queueChanged_.notify_all();
        }
        items.clear();
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
    void ListDirectory(const DirectoryWorkItem& item, std::byte* buffer, WorkerScratch& scratch);
    // Steps down from `refused` to the next information class, once for the
    // whole scan; false when none is left.
    bool FallBackFrom(std::size_t refused);
    // Adds the batch's entries below the item's node; false once the tree is full.
    bool AddBatch(const DirectoryWorkItem& item, WorkerScratch& scratch);
    void Report(const DirectoryWorkItem& item, const DirectoryBatch& batch);
    void AddError(const std::wstring& path, std::uint32_t code) {
        std::lock_guard lock(treeMutex_);
        builder_.AddError(path, code);
    }

    DirectorySystem& system_;
    ScanTreeBuilder& builder_;               // guarded by treeMutex_
    NamedFiles& namedFiles_;                 // guarded by treeMutex_
    const ScanCancellationToken& token_;     // read without a lock at the check points
    const ScanProgressCallback& progress_;   // called under callbackMutex_, one report at a time
    BlockedCallCanceller& canceller_;        // every worker registers, so a stuck share cannot hold it
    // Index into RecordLayouts of the class this volume accepts; it only
    // ever grows, and every worker uses the latest one.
    std::atomic<std::size_t> layoutIndex_{0};

    std::mutex progressMutex_;               // guards the three counters below
    std::uint64_t filesSeen_ = 0;
    std::uint64_t foldersSeen_ = 0;
    std::uint64_t bytesSeen_ = 0;
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

constexpr DirectoryRecordLayout RecordLayouts[] = {FileIdBothDirectoryLayout, FileBothDirectoryLayout,
                                                   FileDirectoryLayout};

bool IsRefusedInformationClass(LONG status) noexcept {
    return status == StatusInvalidInfoClass || status == StatusNotSupported;
}

void DirectoryQueryPool::RunWorker() {
    const BlockedCallCanceller::Registration registration(canceller_);
    QueryBuffer buffer = AllocateQueryBuffer();
    WorkerScratch scratch;

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
        ListDirectory(item, buffer.get(), scratch);
    }
}

bool DirectoryQueryPool::FallBackFrom(std::size_t refused) {
    std::size_t expected = refused;
    if (refused + 1 >= std::size(RecordLayouts)) {
        return false;
    }
    // Another worker may have stepped down already; either way the next
    // attempt uses the newer class.
    layoutIndex_.compare_exchange_strong(expected, refused + 1);
    return true;
}

void DirectoryQueryPool::ListDirectory(const DirectoryWorkItem& item, std::byte* buffer, WorkerScratch& scratch) {
    // The "\\?\" form: long paths and names ending in a dot or a space
    // reach the folder itself, not a shortened neighbour.
    SystemListing directory(system_, &DirectorySystem::CloseDirectory);
    if (const std::uint32_t error = system_.OpenDirectory(ExtendedLengthPath(item.path), directory.put());
        error != 0) {
        AddError(item.path, error);
        return;
    }
    if (ShouldStop()) {
        return;
    }

    bool firstCall = true;
    std::size_t layoutIndex = layoutIndex_.load();
    for (;;) {
        const DirectoryRecordLayout& layout = RecordLayouts[layoutIndex];
        NtIoStatusBlock status{};
        const LONG result = system_.QueryDirectory(directory.get(), status, buffer,
                                                   static_cast<ULONG>(QueryBufferBytes), layout.informationClass,
                                                   firstCall);
        if (result == StatusNoMoreFiles || result == StatusNoSuchFile) {
            return;
        }
        if (firstCall && IsRefusedInformationClass(result) && FallBackFrom(layoutIndex)) {
            layoutIndex = layoutIndex_.load();
            continue;
        }
        if (result < 0) {
            AddError(item.path, system_.StatusToWin32Error(result));
            return;
        }
        firstCall = false;

        const std::size_t filled = status.information < QueryBufferBytes ? status.information : QueryBufferBytes;
        ParseDirectoryBatch(std::span<const std::byte>(buffer, filled), scratch.batch, layout);
        if (!AddBatch(item, scratch)) {
            Abort();  // a full tree fails the scan, so listing on would only cost time
            return;
        }
        // Paths are built outside the tree's lock: the other workers need it.
        const DirectoryBatch& batch = scratch.batch;
        for (const auto& [index, entry] : scratch.listedFolders) {
            scratch.subdirectories.push_back({index, JoinPath(item.path, batch.Name(batch.entries[entry]))});
        }
        Enqueue(scratch.subdirectories);
        Report(item, batch);
        if (ShouldStop()) {
            return;
        }
    }
}

bool DirectoryQueryPool::AddBatch(const DirectoryWorkItem& item, WorkerScratch& scratch) {
    scratch.listedFolders.clear();
    const DirectoryBatch& batch = scratch.batch;
    std::lock_guard lock(treeMutex_);
    for (std::size_t i = 0; i < batch.entries.size(); ++i) {
        const DirectoryEntryRecord& entry = batch.entries[i];
        if (entry.isDirectory) {
            const std::uint64_t index =
                builder_.AddFolder(item.nodeIndex, batch.Name(entry), entry.attributes, entry.LastWriteTime());
            if (index != NoIndex && IsListedFolder(entry.attributes, entry.reparseTag)) {
                scratch.listedFolders.emplace_back(index, i);
            }
        } else {
            const std::uint64_t index = builder_.AddFile(item.nodeIndex, batch.Name(entry), entry.attributes,
                                                         FileSizes{entry.size, entry.sizeOnDisk},
                                                         entry.LastWriteTime());
            // Only a file that takes room can be counted twice; 0 is an
            // unknown ID, which must never join two files.
            if (index != NoIndex && entry.fileId != 0 && entry.sizeOnDisk != 0) {
                namedFiles_.push_back({static_cast<std::uint32_t>(entry.fileId),
                                       static_cast<std::uint32_t>(entry.fileId >> 32),
                                       static_cast<std::uint32_t>(index)});
            }
        }
    }
    return !builder_.IsFull();
}

// Every folder is reported, and every file whose running count is a
// multiple of the interval; the path is built only for those.
void DirectoryQueryPool::Report(const DirectoryWorkItem& item, const DirectoryBatch& batch) {
    for (const DirectoryEntryRecord& entry : batch.entries) {
        ScanProgress report;
        {
            std::lock_guard lock(progressMutex_);
            if (entry.isDirectory) {
                ++foldersSeen_;
            } else {
                bytesSeen_ += entry.size;
                if (++filesSeen_ % ProgressFileInterval != 0) {
                    continue;
                }
            }
            report.filesScanned = filesSeen_;
            report.foldersScanned = foldersSeen_;
            report.bytesFound = bytesSeen_;
        }
        if (progress_) {
            report.currentPath = JoinPath(item.path, batch.Name(entry));
            std::lock_guard lock(callbackMutex_);
            progress_(report);
        }
    }
}

}  // namespace

NtQueryDirectoryScanEngine::NtQueryDirectoryScanEngine(std::uint64_t threadsPerDrive)
    : NtQueryDirectoryScanEngine(SystemDirectories(), threadsPerDrive) {}

ScanResult NtQueryDirectoryScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                            const ScanProgressCallback& progress) {
    const auto start = ScanClock::now();

    std::wstring rootPath = NormalizeScanRootSyntax(path);
    const RootAttributes root = ReadRootAttributes(system_, rootPath);
    if (root.problem) {
        ScanResult failed =
            MakeRootFailedResult(std::move(rootPath), *root.problem, MeasureElapsedMs(start, ScanClock::now()));
        failed.engine = ScanEngineKind::NtQueryDirectory;
        return failed;
    }

    ScanTreeBuilder builder(nodeLimit_);
    const std::uint64_t rootIndex = builder.AddRoot(rootPath, root.attributes, root.lastWriteTime);
    // File IDs are unique within one volume, and the listing never leaves
    // the root's volume: mount points are name surrogates, never entered.
    NamedFiles namedFiles;
    {
        BlockedCallCanceller canceller(system_, token);
        DirectoryQueryPool pool(system_, builder, namedFiles, token, progress, canceller);
        std::vector<DirectoryWorkItem> first{{rootIndex, rootPath}};
        pool.Enqueue(first);
        WorkerGroup workers([&pool] { pool.Abort(); });
        workers.Start(static_cast<std::size_t>(WorkerCountFor(threadsPerDrive_)), [&pool] { pool.RunWorker(); });
        workers.JoinAll();
    }

    CountEachFileOnce(namedFiles, builder);
    builder.ComputeTotals();
    const auto end = ScanClock::now();
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed;
    ScanResult result = builder.FinishResult(status, std::move(rootPath), MeasureElapsedMs(start, end));
    result.engine = ScanEngineKind::NtQueryDirectory;
    return result;
}

}  // namespace varnel::core
