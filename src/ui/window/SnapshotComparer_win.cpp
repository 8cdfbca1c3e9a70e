#include "ui/window/SnapshotComparer_win.h"

#include <exception>
#include <system_error>
#include <utility>

#include "model/FolderSnapshot.h"
#include "ui/view/ResultView.h"

namespace varnel::ui {

SnapshotComparer::~SnapshotComparer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        ++id_;
        waiting_.reset();
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool SnapshotComparer::Start(const core::ScanResult& result, app::SnapshotStore store, std::size_t first,
                             std::vector<app::StoredSnapshot> candidates, HWND window, UINT doneMessage) {
    {
        const std::lock_guard lock(mutex_);
        waiting_ = Request{&result, std::move(store), first, std::move(candidates), window, doneMessage, ++id_};
        if (!worker_.joinable()) {
            try {
                worker_ = std::thread([this] { Work(); });
            } catch (const std::system_error&) {
                waiting_.reset();
                return false;
            }
        }
    }
    wake_.notify_one();
    return true;
}

void SnapshotComparer::Cancel() {
    const std::lock_guard lock(mutex_);
    waiting_.reset();
    ++id_;
}

void SnapshotComparer::Discard() {
    std::unique_lock lock(mutex_);
    waiting_.reset();
    ++id_;
    released_.wait(lock, [this] { return !readingResult_; });
}

std::optional<SnapshotComparer::Outcome> SnapshotComparer::Finish(WPARAM id) {
    const std::lock_guard lock(mutex_);
    if (id != id_ || outcomeId_ != id || !outcome_) {
        return std::nullopt;
    }
    std::optional<Outcome> outcome = std::move(outcome_);
    outcome_.reset();
    return outcome;
}

void SnapshotComparer::WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !waiting_ && !working_; });
}

bool SnapshotComparer::IsLate(WPARAM id) {
    const std::lock_guard lock(mutex_);
    return id != id_;
}

void SnapshotComparer::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || waiting_; });
        if (stopping_) {
            return;
        }
        Request request = std::move(*waiting_);
        waiting_.reset();
        working_ = true;
        lock.unlock();
        std::optional<Outcome> outcome = Compare(request);
        lock.lock();
        // Only the newest request's outcome is kept; a late one's message
        // still goes, and Finish turns it away by its id.
        if (outcome && request.id == id_) {
            outcome_ = std::move(outcome);
            outcomeId_ = request.id;
        }
        ::PostMessageW(request.window, request.doneMessage, request.id, 0);
        working_ = false;
        idle_.notify_all();
    }
}

std::optional<SnapshotComparer::Outcome> SnapshotComparer::Compare(Request& request) {
    Outcome outcome;
    for (std::size_t i = 0; i < request.candidates.size(); ++i) {
        if (IsLate(request.id)) {
            return std::nullopt;
        }
        core::FolderSnapshotRead read;
        try {
            read = request.store.Load(request.candidates[i]);
        } catch (const std::exception&) {
            read.error = core::SavedFileError::ReadFailed;  // out of memory for a damaged count: as unreadable
        }
        if (read.error != core::SavedFileError::None) {
            outcome.unreadable = true;
            continue;  // passed over for the next one
        }
        {
            const std::lock_guard lock(mutex_);
            if (request.id != id_) {
                return std::nullopt;  // the result may be changing already
            }
            readingResult_ = true;
        }
        try {
            outcome.change = ResultChange(*request.result, std::move(read.snapshot));
            outcome.change.RankRootGrowth(*request.result, RankingLimit);
            outcome.position = request.first + i;
        } catch (const std::exception&) {
            // Out of memory: no comparison this time; the result shown is not touched.
        }
        {
            const std::lock_guard lock(mutex_);
            readingResult_ = false;
        }
        released_.notify_all();
        break;
    }
    return outcome;
}

}  // namespace varnel::ui
