#pragma once
// The folder snapshot kept after each completed scan, made and written on a
// thread of its own: on ten million nodes that takes seconds. The result is
// read only while the snapshot is made (a fraction of that); the window
// calls Discard before it changes or replaces the result, and compares the
// result with the earlier snapshots once this one is written, so that the
// store is never read while it changes.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>

#include "model/ScanModel.h"

namespace varnel::ui {

class SnapshotKeeper {
public:
    SnapshotKeeper() = default;
    SnapshotKeeper(const SnapshotKeeper&) = delete;
    SnapshotKeeper& operator=(const SnapshotKeeper&) = delete;
    ~SnapshotKeeper() { Wait(); }

    // Keeps a snapshot of `result`, taken at `takenAt`, in `folder`; `result`
    // must stay as it is until Discard. Posts `doneMessage` with the
    // keeping's id to `window` when done, written or not (a snapshot that
    // cannot be written costs only a later comparison). An earlier keeping
    // is finished first.
    void Start(const core::ScanResult& result, std::int64_t takenAt, std::filesystem::path folder, HWND window,
               UINT doneMessage);
    // Waits until the worker no longer reads the result, and drops the
    // outcome of the running keeping: it belongs to a result no longer shown.
    void Discard();
    // Whether the message with `id` is the current keeping's, not a
    // discarded or an earlier keeping's late one; waits for its worker.
    bool Finish(WPARAM id);
    // Waits for the worker to end (tests read the snapshot files).
    void Wait();

private:
    void Keep(const core::ScanResult& result, std::int64_t takenAt, const std::filesystem::path& folder, HWND window,
              UINT doneMessage, WPARAM id);

    std::mutex mutex_;
    std::condition_variable released_;
    bool readingResult_ = false;  // the worker still makes the snapshot
    WPARAM id_ = 0;               // the window's: the keeping whose message counts
    std::thread worker_;
};

}  // namespace varnel::ui
