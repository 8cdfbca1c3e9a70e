#include "ui/view/BackgroundSubtreeIndex.h"

#include <system_error>

namespace varnel::ui {

void BackgroundSubtreeIndex::Start(const core::ScanResult& result) {
    Reset();
    try {
        builder_ = std::thread([this, &result] {
            SubtreeIndex built(result);
            const std::lock_guard lock(mutex_);
            index_ = std::move(built);
            ready_ = true;
        });
    } catch (const std::system_error&) {
        // No thread to be had: the window waits for the index instead.
        index_ = SubtreeIndex(result);
        ready_ = true;
    }
}

void BackgroundSubtreeIndex::Reset() {
    Join();
    index_ = SubtreeIndex();
    ready_ = false;
}

const SubtreeIndex& BackgroundSubtreeIndex::Get() {
    Join();
    return index_;
}

bool BackgroundSubtreeIndex::Ready() const {
    const std::lock_guard lock(mutex_);
    return ready_;
}

void BackgroundSubtreeIndex::Join() {
    if (builder_.joinable()) {
        builder_.join();
    }
}

}  // namespace varnel::ui
