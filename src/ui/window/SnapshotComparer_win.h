#pragma once
// The comparison of the shown result with an earlier folder snapshot, worked
// out on a thread of its own: reading the snapshot of a million folders
// takes most of a second and matching it with the result a third of one
// more, during which the window would not answer. One comparison at a time;
// the newest request wins: it takes the place of one not begun, and the
// outcome of one still running is dropped. The result is read only while
// the snapshot is matched with it (the last part of the work); the window
// calls Discard before it changes or replaces the result.

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "model/ScanModel.h"
#include "scan/SnapshotStore.h"
#include "ui/view/ResultChange.h"

namespace varnel::ui {

class SnapshotComparer {
public:
    static constexpr std::size_t NoPosition = static_cast<std::size_t>(-1);

    struct Outcome {
        // The compared snapshot's position (`first` + its place among the
        // candidates); NoPosition when none could be read.
        std::size_t position = NoPosition;
        bool unreadable = false;  // a candidate could not be read: the notice is due
        ResultChange change;      // inactive without a comparison
    };

    SnapshotComparer() = default;
    SnapshotComparer(const SnapshotComparer&) = delete;
    SnapshotComparer& operator=(const SnapshotComparer&) = delete;
    // Drops what runs and joins the worker: it ends once the snapshot it
    // reads is read (under a second), never touching the result again.
    ~SnapshotComparer();

    // Compares `result` with the first of `candidates` that can be read
    // (their positions start at `first`); `result` must stay as it is until
    // Discard. Posts `doneMessage` with the request's id to `window` when
    // the outcome is ready. False when no worker thread could be started:
    // there is no comparison then, and nothing was posted or will be.
    bool Start(const core::ScanResult& result, app::SnapshotStore store, std::size_t first,
               std::vector<app::StoredSnapshot> candidates, HWND window, UINT doneMessage);
    // Drops the outcome of the running or waiting request; returns at once.
    void Cancel();
    // Cancel, and waits until the worker no longer reads the result.
    void Discard();
    // The outcome when the message with `id` is the newest request's, not
    // a dropped one's late message.
    std::optional<Outcome> Finish(WPARAM id);
    // Waits until the worker has nothing left to do (tests then pump the
    // message it posted).
    void WaitUntilIdle();

private:
    struct Request {
        const core::ScanResult* result = nullptr;
        app::SnapshotStore store{std::filesystem::path()};
        std::size_t first = 0;
        std::vector<app::StoredSnapshot> candidates;
        HWND window = nullptr;
        UINT doneMessage = 0;
        WPARAM id = 0;
    };

    void Work();
    // Empty when the request was dropped before it was done.
    std::optional<Outcome> Compare(Request& request);
    bool IsLate(WPARAM id);

    std::mutex mutex_;                   // guards every field below but worker_
    std::condition_variable wake_;       // a request waits, or the worker must stop
    std::condition_variable released_;   // the worker no longer reads the result
    std::condition_variable idle_;       // the worker has nothing left to do
    std::optional<Request> waiting_;     // the newest request while not yet begun
    WPARAM id_ = 0;                      // the newest request's; a running one with another id is late
    bool readingResult_ = false;         // the worker matches a snapshot with the result
    bool working_ = false;               // the worker has taken a request and not yet posted its end
    bool stopping_ = false;              // the owner goes: the worker ends
    std::optional<Outcome> outcome_;     // the newest request's, until Finish takes it
    WPARAM outcomeId_ = 0;
    std::thread worker_;  // started with the first request, kept for the next ones
};

}  // namespace varnel::ui
