#include "ui/window/SnapshotKeeper_win.h"

#include <exception>
#include <utility>
#include <system_error>

#include "model/FolderSnapshot.h"
#include "scan/SnapshotStore.h"

namespace varnel::ui {

void SnapshotKeeper::Start(const core::ScanResult& result, std::int64_t takenAt, std::filesystem::path folder,
                           HWND window, UINT doneMessage) {
    Wait();  // one keeping at a time
    readingResult_ = true;
    const WPARAM id = ++id_;
    try {
        worker_ = std::thread([this, &result, takenAt, folder = std::move(folder), window, doneMessage, id] {
            Keep(result, takenAt, folder, window, doneMessage, id);
        });
    } catch (const std::system_error&) {
        Keep(result, takenAt, folder, window, doneMessage, id);  // no thread to be had: the window waits instead
    }
}

void SnapshotKeeper::Keep(const core::ScanResult& result, std::int64_t takenAt, const std::filesystem::path& folder,
                          HWND window, UINT doneMessage, WPARAM id) {
    const auto released = [this] {
        {
            const std::lock_guard lock(mutex_);
            readingResult_ = false;
        }
        released_.notify_all();
    };
    try {
        const core::FolderSnapshot now = core::MakeFolderSnapshot(result, takenAt);
        released();
        app::SnapshotStore(folder).Keep(now);
    } catch (const std::exception&) {
        // No snapshot this time (out of memory); the result shown is not touched.
    }
    released();
    ::PostMessageW(window, doneMessage, id, 0);
}

void SnapshotKeeper::Discard() {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return !readingResult_; });
    ++id_;
}

bool SnapshotKeeper::Finish(WPARAM id) {
    if (id != id_) {
        return false;
    }
    Wait();
    return true;
}

void SnapshotKeeper::Wait() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

}  // namespace varnel::ui
