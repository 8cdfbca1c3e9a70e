#include "directory/WorkerGroup.h"

#include <utility>

namespace varnel::core {

WorkerGroup::WorkerGroup(std::function<void()> stopAll, ThreadStarter starter)
    : stopAll_(std::move(stopAll)), starter_(std::move(starter)) {}

WorkerGroup::~WorkerGroup() { JoinQuietly(); }

std::thread WorkerGroup::StartStdThread(std::function<void()> body) { return std::thread(std::move(body)); }

void WorkerGroup::Start(std::size_t count, const std::function<void()>& body) {
    threads_.reserve(threads_.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        try {
            threads_.push_back(starter_([this, body] {
                try {
                    body();
                } catch (...) {
                    RecordFailure(std::current_exception());
                }
            }));
        } catch (...) {
            // The workers already running may be waiting for work that will
            // never come; stop them before anything leaves this function.
            stopAll_();
            JoinQuietly();
            throw;
        }
    }
}

void WorkerGroup::JoinAll() {
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    threads_.clear();
    std::exception_ptr failure;
    {
        std::lock_guard lock(failureMutex_);
        failure = std::exchange(firstFailure_, nullptr);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void WorkerGroup::RecordFailure(std::exception_ptr failure) {
    {
        std::lock_guard lock(failureMutex_);
        if (!firstFailure_) {
            firstFailure_ = std::move(failure);
        }
    }
    stopAll_();
}

void WorkerGroup::JoinQuietly() noexcept {
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            try {
                thread.join();
            } catch (...) {
                // A join can only fail for a thread that is not joinable,
                // which was checked; nothing sensible is left to do.
            }
        }
    }
    threads_.clear();
}

}  // namespace varnel::core
