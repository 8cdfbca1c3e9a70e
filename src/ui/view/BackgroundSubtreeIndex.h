#pragma once
// The subtree index of the shown result, built on a thread of its own: on a
// result of ten million nodes the build touches a hundred megabytes of fresh
// memory and takes longer than the window may stand still. The root's
// rankings need no index (see ComputeRootRankings), so the result is shown
// at once; whoever needs the index before it is ready waits for the rest of
// the build. Portable.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "model/ScanModel.h"
#include "ui/view/SubtreeIndex.h"

namespace varnel::ui {

class BackgroundSubtreeIndex {
public:
    BackgroundSubtreeIndex() = default;
    BackgroundSubtreeIndex(const BackgroundSubtreeIndex&) = delete;
    BackgroundSubtreeIndex& operator=(const BackgroundSubtreeIndex&) = delete;
    ~BackgroundSubtreeIndex() { Reset(); }

    // Drops the index (after waiting for a build), then indexes `result`,
    // which must stay as it is until the next Reset or Start.
    void Start(const core::ScanResult& result);
    // Waits for a build and drops the index: the result may change then.
    void Reset();
    // The index, once built; waits for a build still running.
    const SubtreeIndex& Get();
    bool Ready() const;

private:
    void Join();

    mutable std::mutex mutex_;
    bool ready_ = false;  // written by the builder under the mutex
    SubtreeIndex index_;  // the builder's until ready_, the owner's after
    std::thread builder_;
};

}  // namespace varnel::ui
