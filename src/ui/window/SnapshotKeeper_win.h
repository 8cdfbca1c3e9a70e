#pragma once
// The folder snapshot kept after each completed scan, and what changed since
// the one kept before, worked out on a thread of its own: on ten million
// nodes, making, comparing and writing the snapshot takes seconds. The
// result is read only while the snapshot is made (a fraction of that); the
// window calls Discard before it changes or replaces the result.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "model/ScanModel.h"

namespace varnel::ui {

// What the status bar says about the snapshot kept.
struct SnapshotChange {
    bool earlierUnreadable = false;  // the snapshot to compare with could not be read
    bool hasEarlier = false;         // there was one, and it was read
    std::int64_t earlierTakenAt = 0;
    std::int64_t change = 0;  // of the root, in bytes
    std::wstring grewPath;    // the folder that grew most; empty for none
    std::int64_t grewChange = 0;
};

class SnapshotKeeper {
public:
    SnapshotKeeper() = default;
    SnapshotKeeper(const SnapshotKeeper&) = delete;
    SnapshotKeeper& operator=(const SnapshotKeeper&) = delete;
    ~SnapshotKeeper() { Wait(); }

    // Keeps a snapshot of `result` in `folder`; `result` must stay as it is
    // until Discard. Posts `doneMessage` with the keeping's id to `window`
    // when done. An earlier keeping is finished first.
    void Start(const core::ScanResult& result, std::filesystem::path folder, HWND window, UINT doneMessage);
    // Waits until the worker no longer reads the result, and drops the
    // outcome of the running keeping: it belongs to a result no longer shown.
    void Discard();
    // The outcome the message with `id` announces; none for a discarded or
    // an earlier keeping's late message.
    std::optional<SnapshotChange> Finish(WPARAM id);
    // Waits for the worker to end (tests read the snapshot files).
    void Wait();

private:
    void Keep(const core::ScanResult& result, const std::filesystem::path& folder, HWND window, UINT doneMessage,
              WPARAM id);

    std::mutex mutex_;
    std::condition_variable released_;
    bool readingResult_ = false;            // the worker still makes the snapshot
    std::optional<SnapshotChange> outcome_;  // the worker's, read after the join
    WPARAM id_ = 0;                          // the window's: the keeping whose outcome counts
    std::thread worker_;
};

}  // namespace varnel::ui
