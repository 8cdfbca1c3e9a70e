#include "directory/ParallelWalk.h"

#include <algorithm>
#include <deque>

#include "base/PathRules.h"
#include "directory/WorkerGroup.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::core {

// Aligned to a cache line: each worker writes its own counters and list
// head, and neighbours must not pay for it.
struct alignas(64) ParallelWalk::WorkList {
    std::mutex mutex;  // guards folders
    // Node and depth of each folder waiting; the owner takes the newest
    // from the back, thieves the oldest from the front.
    std::deque<std::pair<std::uint32_t, std::uint32_t>> folders;
    // Written by the owner only, read by whichever worker reports.
    std::atomic<std::uint64_t> foldersSeen{0};
    std::atomic<std::uint64_t> bytesSeen{0};
};

bool FolderVisit::Add(const DirectoryBatch& batch) { return walk_.AddBatch(*this, batch); }

void FolderVisit::Fail(std::uint32_t code) {
    std::lock_guard lock(walk_.treeMutex_);
    walk_.errors_.emplace_back(node_, code);
}

bool FolderVisit::ShouldStop() const noexcept { return walk_.ShouldStop(); }

ParallelWalk::ParallelWalk(ScanTreeBuilder& builder, std::uint64_t rootIndex, std::wstring rootPath,
                           wchar_t separator, const ScanCancellationToken& token, const ScanProgressCallback& progress)
    : builder_(builder),
      rootIndex_(rootIndex),
      rootPath_(std::move(rootPath)),
      separator_(separator),
      token_(token),
      progress_(progress) {}

ParallelWalk::~ParallelWalk() = default;

void ParallelWalk::Run(std::span<FolderReader* const> readers) {
    if (readers.empty() || rootIndex_ == NoIndex) {
        return;
    }
    workerCount_ = readers.size();
    lists_ = std::make_unique<WorkList[]>(workerCount_);
    lists_[0].folders.emplace_back(static_cast<std::uint32_t>(rootIndex_), 0);
    queued_ = 1;
    activeWorkers_ = workerCount_;
    WorkerGroup workers([this] { Abort(); });
    for (std::size_t i = 0; i < workerCount_; ++i) {
        FolderReader* reader = readers[i];
        workers.Start(1, [this, reader, i] { reader->RunWorker([this, reader, i] { Work(i, *reader); }); });
    }
    workers.JoinAll();
}

void ParallelWalk::Work(std::size_t worker, FolderReader& reader) {
    FolderVisit visit(*this, worker);
    visit.path_ = rootPath_;
    visit.levels_.emplace_back(static_cast<std::uint32_t>(rootIndex_), rootPath_.size());
    while (TakeFolder(worker, visit)) {
        reader.Read(visit);
    }
}

void ParallelWalk::Abort() {
    aborted_ = true;
    {
        std::lock_guard lock(idleMutex_);
    }
    workChanged_.notify_all();
}

// The newest folder of the worker's own list, else the oldest of another's;
// when every list is empty, waits until one is not or the walk is over.
bool ParallelWalk::TakeFolder(std::size_t worker, FolderVisit& visit) {
    for (;;) {
        if (ShouldStop()) {
            // The others may be asleep with nothing queued; they must leave too.
            Abort();
            return false;
        }
        std::pair<std::uint32_t, std::uint32_t> folder{};
        bool found = false;
        for (std::size_t k = 0; k < workerCount_ && !found; ++k) {
            WorkList& list = lists_[(worker + k) % workerCount_];
            std::lock_guard lock(list.mutex);
            if (!list.folders.empty()) {
                if (k == 0) {
                    folder = list.folders.back();
                    list.folders.pop_back();
                } else {
                    folder = list.folders.front();
                    list.folders.pop_front();
                }
                --queued_;
                found = true;
            }
        }
        if (found) {
            visit.node_ = folder.first;
            visit.depth_ = folder.second;
            ComposePath(visit);
            return true;
        }
        if (!WaitForFolders()) {
            return false;
        }
    }
}

// False when the walk is over or must stop.
bool ParallelWalk::WaitForFolders() {
    std::unique_lock lock(idleMutex_);
    if (--activeWorkers_ == 0 && queued_ == 0) {
        finished_ = true;
        workChanged_.notify_all();
        return false;
    }
    // queued_ is raised before a queuing worker looks at activeWorkers_
    // (both sequentially consistent): it either sees this worker idle and
    // wakes it, or this check sees the folder.
    workChanged_.wait(lock, [this] { return finished_ || ShouldStop() || queued_ > 0; });
    ++activeWorkers_;
    return !finished_ && !ShouldStop();
}

void ParallelWalk::Queue(std::size_t worker, std::vector<std::pair<std::uint32_t, std::uint32_t>>& folders) {
    if (folders.empty()) {
        return;
    }
    {
        WorkList& list = lists_[worker];
        std::lock_guard lock(list.mutex);
        list.folders.insert(list.folders.end(), folders.begin(), folders.end());
        queued_ += folders.size();
    }
    if (activeWorkers_ < workerCount_) {
        {
            std::lock_guard lock(idleMutex_);
        }
        if (folders.size() == 1) {
            workChanged_.notify_one();
        } else {
            workChanged_.notify_all();
        }
    }
    folders.clear();
}

// Walks up from the folder to the deepest level the worker's last path
// shares with it (usually its parent, listed just before by this worker),
// and appends the names below. Reads the tree, so under its lock.
void ParallelWalk::ComposePath(FolderVisit& visit) {
    visit.chain_.clear();
    std::uint32_t node = static_cast<std::uint32_t>(visit.node_);
    std::size_t depth = visit.depth_;
    std::lock_guard lock(treeMutex_);
    const ScanTree& tree = builder_.Nodes();
    // Level 0 is the root, which every folder shares.
    while (depth >= visit.levels_.size() || visit.levels_[depth].first != node) {
        visit.chain_.push_back(node);
        node = static_cast<std::uint32_t>(tree[node].Parent());
        --depth;
    }
    visit.levels_.resize(depth + 1);
    visit.path_.resize(visit.levels_.back().second);
    for (auto it = visit.chain_.rbegin(); it != visit.chain_.rend(); ++it) {
        JoinName(visit.path_, tree[*it].Name());
        visit.levels_.emplace_back(*it, visit.path_.size());
    }
}

void ParallelWalk::JoinName(std::wstring& path, std::wstring_view name) const {
    const bool endsInSeparator =
        !path.empty() && (separator_ == L'/' ? path.back() == L'/' : IsPathSeparator(path.back()));
    if (!path.empty() && !endsInSeparator) {
        path.push_back(separator_);
    }
    path.append(name);
}

bool ParallelWalk::AddBatch(FolderVisit& visit, const DirectoryBatch& batch) {
    visit.added_.clear();
    const std::uint32_t childDepth = visit.depth_ + 1;
    bool full = false;
    {
        std::lock_guard lock(treeMutex_);
        for (const DirectoryEntryRecord& entry : batch.entries) {
            std::uint64_t index = NoIndex;
            if (entry.isDirectory) {
                index = builder_.AddFolder(visit.node_, batch.Name(entry), entry.attributes, entry.LastWriteTime());
                if (index != NoIndex && IsListedFolder(entry.attributes, entry.reparseTag)) {
                    visit.subfolders_.emplace_back(static_cast<std::uint32_t>(index), childDepth);
                }
            } else {
                index = builder_.AddFile(visit.node_, batch.Name(entry), entry.attributes,
                                         FileSizes{entry.size, entry.sizeOnDisk}, entry.LastWriteTime());
            }
            visit.added_.push_back(index);
        }
        full = builder_.IsFull();
    }
    if (full) {
        Abort();  // a full tree fails the scan, so listing on would only cost time
        visit.subfolders_.clear();
        return false;
    }
    Queue(visit.worker_, visit.subfolders_);
    Report(visit, batch);
    return !ShouldStop();
}

// Every folder is reported, and every file whose running number is a
// multiple of the interval; the path is built only for those.
void ParallelWalk::Report(const FolderVisit& visit, const DirectoryBatch& batch) {
    WorkList& own = lists_[visit.worker_];
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    for (const DirectoryEntryRecord& entry : batch.entries) {
        if (!entry.isDirectory) {
            ++files;
            bytes += entry.size;
        }
    }
    own.bytesSeen.store(own.bytesSeen.load(std::memory_order_relaxed) + bytes, std::memory_order_relaxed);
    std::uint64_t fileNumber = filesCounted_.fetch_add(files);
    if (!progress_) {
        own.foldersSeen.store(own.foldersSeen.load(std::memory_order_relaxed) + (batch.entries.size() - files),
                              std::memory_order_relaxed);
        return;
    }
    for (const DirectoryEntryRecord& entry : batch.entries) {
        if (entry.isDirectory) {
            own.foldersSeen.store(own.foldersSeen.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        } else if (++fileNumber % ProgressFileInterval != 0) {
            continue;
        }
        ScanProgress report;
        report.filesScanned = entry.isDirectory ? filesCounted_.load(std::memory_order_relaxed) : fileNumber;
        for (std::size_t i = 0; i < workerCount_; ++i) {
            report.foldersScanned += lists_[i].foldersSeen.load(std::memory_order_relaxed);
            report.bytesFound += lists_[i].bytesSeen.load(std::memory_order_relaxed);
        }
        report.currentPath = visit.path_;
        JoinName(report.currentPath, batch.Name(entry));
        std::lock_guard lock(callbackMutex_);
        progress_(report);
    }
}

void ParallelWalk::PutInOrder() {
    const std::vector<std::uint32_t> newIndexOf = builder_.SortBreadthFirst();
    for (auto& [node, code] : errors_) {
        node = newIndexOf[node];
    }
    // Stable: a folder listed in part keeps its rows in the order they came.
    std::stable_sort(errors_.begin(), errors_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [node, code] : errors_) {
        builder_.AddError(builder_.Nodes()[node].Path(), code);
    }
    errors_.clear();
}

}  // namespace varnel::core
