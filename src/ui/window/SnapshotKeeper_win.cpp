#include "ui/window/SnapshotKeeper_win.h"

#include <chrono>
#include <exception>
#include <utility>
#include <system_error>

#include "model/FolderSnapshot.h"
#include "model/SnapshotComparison.h"
#include "report/ChangeReport.h"
#include "scan/SnapshotStore.h"

namespace varnel::ui {
namespace {

std::int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void SnapshotKeeper::Start(const core::ScanResult& result, std::filesystem::path folder, HWND window,
                           UINT doneMessage) {
    Wait();  // one keeping at a time: the next may compare with its file
    readingResult_ = true;
    outcome_.reset();
    const WPARAM id = ++id_;
    try {
        worker_ = std::thread([this, &result, folder = std::move(folder), window, doneMessage, id] {
            Keep(result, folder, window, doneMessage, id);
        });
    } catch (const std::system_error&) {
        Keep(result, folder, window, doneMessage, id);  // no thread to be had: the window waits instead
    }
}

void SnapshotKeeper::Keep(const core::ScanResult& result, const std::filesystem::path& folder, HWND window,
                          UINT doneMessage, WPARAM id) {
    const auto released = [this] {
        {
            const std::lock_guard lock(mutex_);
            readingResult_ = false;
        }
        released_.notify_all();
    };
    std::optional<SnapshotChange> change;
    try {
        const core::FolderSnapshot now = core::MakeFolderSnapshot(result, SecondsNow());
        released();
        const app::SnapshotStore store(folder);
        change.emplace();
        const std::vector<app::StoredSnapshot> earlier = store.ListFor(now.rootPath);
        if (!earlier.empty()) {
            const core::FolderSnapshotRead then = store.Load(earlier.front());
            if (then.error != core::SavedFileError::None) {
                change->earlierUnreadable = true;
            } else {
                const core::SnapshotComparison comparison = core::CompareSnapshots(then.snapshot, now);
                change->hasEarlier = true;
                change->earlierTakenAt = then.snapshot.takenAt;
                change->change = comparison.change.empty() ? 0 : comparison.change[0];
                const std::vector<std::uint32_t> grew = report::GrewMost(now, comparison, 1);
                if (!grew.empty()) {
                    change->grewPath = now.PathOf(grew[0]);
                    change->grewChange = comparison.change[grew[0]];
                }
            }
        }
        store.Keep(now);  // a snapshot that cannot be written costs only the next comparison
    } catch (const std::exception&) {
        change.reset();  // no snapshot this time (out of memory); the result shown is not touched
    }
    released();
    {
        const std::lock_guard lock(mutex_);
        outcome_ = std::move(change);
    }
    ::PostMessageW(window, doneMessage, id, 0);
}

void SnapshotKeeper::Discard() {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return !readingResult_; });
    ++id_;
}

std::optional<SnapshotChange> SnapshotKeeper::Finish(WPARAM id) {
    if (id != id_) {
        return std::nullopt;
    }
    Wait();
    const std::lock_guard lock(mutex_);
    return std::exchange(outcome_, std::nullopt);
}

void SnapshotKeeper::Wait() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

}  // namespace varnel::ui
