#pragma once
// The half of the directory engines that does not depend on the system:
// lists a tree of folders on a pool of workers and appends what they find to
// one ScanTreeBuilder. Each worker keeps its own last-in-first-out list of
// folders to list (depth first, so few folders wait at once) and an idle
// worker steals the oldest folder of another's list (the one highest in the
// tree, the most work for one theft). A waiting folder is only its node:
// its parent and name are in the tree, and its path is composed when a
// worker opens it. The walk ends when the last worker with nothing to do
// finds every list empty; it wakes the others, nobody polls. Progress is
// counted per worker and summed when a report is made.
//
// Workers take folders in an order that changes from run to run, so the
// walk ends by renumbering the tree breadth first (see
// ScanTree::SortBreadthFirst): the same folders, listed in the same order
// by the system, give the same tree whatever the worker count.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "directory/DirectoryBatch.h"
#include "model/ScanModel.h"

namespace varnel::core {

class ParallelWalk;
class ScanTreeBuilder;

// One folder as a worker lists it, handed to a FolderReader.
class FolderVisit {
public:
    std::uint64_t Node() const noexcept { return node_; }
    // The root's path joined with the names below it by the walk's
    // separator; valid until Read returns.
    const std::wstring& Path() const noexcept { return path_; }

    // Adds the batch's entries below this folder and queues its folders
    // that IsListedFolder lets in. After it, AddedNodes()[i] is the node of
    // batch.entries[i] (NoIndex when the tree is full). False when the
    // reader should stop: the scan was cancelled, another worker failed or
    // the tree is full.
    bool Add(const DirectoryBatch& batch);
    std::span<const std::uint64_t> AddedNodes() const noexcept { return added_; }

    // The folder could not be listed, or not wholly: an error row with this
    // code (a Win32 error code) for the folder.
    void Fail(std::uint32_t code);
    bool ShouldStop() const noexcept;

private:
    friend class ParallelWalk;
    FolderVisit(ParallelWalk& walk, std::size_t worker) : walk_(walk), worker_(worker) {}

    ParallelWalk& walk_;
    std::size_t worker_;
    std::uint64_t node_ = NoIndex;
    std::uint32_t depth_ = 0;
    std::wstring path_;
    // Levels of path_: the node at each depth and path_'s length through it.
    std::vector<std::pair<std::uint32_t, std::size_t>> levels_;
    std::vector<std::uint32_t> chain_;  // nodes between a cached level and the folder
    std::vector<std::uint64_t> added_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> subfolders_;  // node, depth
};

// How one worker lists a folder on one system. One reader per worker, used
// only by its worker's thread.
class FolderReader {
public:
    virtual ~FolderReader() = default;
    // Runs the worker's whole loop on its thread: a reader that must
    // register the thread somewhere (to have blocked calls cancelled) wraps it.
    virtual void RunWorker(const std::function<void()>& work) { work(); }
    // Lists visit.Path(): entries go to visit.Add batch by batch, a failure
    // to visit.Fail. May throw (std::bad_alloc); the walk then stops.
    virtual void Read(FolderVisit& visit) = 0;
};

class ParallelWalk {
public:
    // The root is already in `builder`, with its own path. `separator`
    // joins names into the paths readers open: '\' (a path ending in '\' or
    // '/' gets none) or '/' (only a path ending in '/' gets none).
    ParallelWalk(ScanTreeBuilder& builder, std::uint64_t rootIndex, std::wstring rootPath, wchar_t separator,
                 const ScanCancellationToken& token, const ScanProgressCallback& progress);
    ParallelWalk(const ParallelWalk&) = delete;
    ParallelWalk& operator=(const ParallelWalk&) = delete;
    ~ParallelWalk();

    // Lists the root and everything below it with one worker per reader.
    // Returns when every folder is listed, the token is set or the tree is
    // full. Throws std::system_error when a thread cannot be started and
    // rethrows a worker's failure; either way all workers were joined first.
    void Run(std::span<FolderReader* const> readers);

    // After Run and after any step that still uses the walk's node indices:
    // renumbers the tree breadth first and adds the error rows, in that
    // order, with their folders' paths.
    void PutInOrder();

    // Makes every worker leave at its next check, without touching the
    // user's token.
    void Abort();

private:
    friend class FolderVisit;
    struct WorkList;

    void Work(std::size_t worker, FolderReader& reader);
    bool TakeFolder(std::size_t worker, FolderVisit& visit);
    bool WaitForFolders();
    void Queue(std::size_t worker, std::vector<std::pair<std::uint32_t, std::uint32_t>>& folders);
    void ComposePath(FolderVisit& visit);
    bool AddBatch(FolderVisit& visit, const DirectoryBatch& batch);
    void Report(const FolderVisit& visit, const DirectoryBatch& batch);
    void JoinName(std::wstring& path, std::wstring_view name) const;
    bool ShouldStop() const noexcept { return token_.IsCancelled() || aborted_.load(std::memory_order_relaxed); }

    ScanTreeBuilder& builder_;               // guarded by treeMutex_
    const std::uint64_t rootIndex_;
    const std::wstring rootPath_;
    const wchar_t separator_;
    const ScanCancellationToken& token_;     // read without a lock at the check points
    const ScanProgressCallback& progress_;   // called under callbackMutex_, one report at a time

    std::mutex treeMutex_;                   // guards builder_ and errors_
    // Folders that could not be listed, by node: their paths are derived
    // once the tree has its final numbering.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> errors_;

    std::unique_ptr<WorkList[]> lists_;      // one per worker
    std::size_t workerCount_ = 0;
    // Folders in all lists together: an idle worker sleeps only while it is
    // 0. Changed under the list's lock together with the list.
    std::atomic<std::size_t> queued_{0};
    std::mutex idleMutex_;                   // guards the wait below and finished_
    std::condition_variable workChanged_;
    // Workers not waiting for a folder. The last one to run out of folders,
    // with none queued, ends the walk: nobody can queue one any more.
    std::atomic<std::size_t> activeWorkers_{0};
    bool finished_ = false;
    // Set when the walk must end without a cancellation by the user: a
    // worker failed or could not start, or the tree is full.
    std::atomic<bool> aborted_{false};

    // Files get their running numbers here a batch at a time, so exactly
    // every ProgressFileInterval-th file is reported; folders and bytes are
    // counted per worker (in WorkList).
    std::atomic<std::uint64_t> filesCounted_{0};
    std::mutex callbackMutex_;               // serialises calls of progress_
};

}  // namespace varnel::core
