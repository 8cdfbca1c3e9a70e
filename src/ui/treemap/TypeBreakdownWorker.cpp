#include "ui/treemap/TypeBreakdownWorker.h"

namespace varnel::ui {

TypeBreakdownWorker::~TypeBreakdownWorker() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        waiting_.reset();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::uint64_t TypeBreakdownWorker::Request(TypeBreakdownRequest request) {
    std::uint64_t generation = 0;
    {
        const std::lock_guard lock(mutex_);
        waiting_ = request;
        generation = ++generation_;
        done_.reset();
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_all();
    return generation;
}

std::optional<TypeBreakdown> TypeBreakdownWorker::Take() {
    const std::lock_guard lock(mutex_);
    std::optional<TypeBreakdown> taken;
    if (done_ && done_->generation == generation_) taken.swap(done_);
    done_.reset();
    return taken;
}

void TypeBreakdownWorker::Forget() {
    std::unique_lock lock(mutex_);
    waiting_.reset();
    ++generation_;
    idle_.wait(lock, [this] { return !running_; });
    done_.reset();
}

void TypeBreakdownWorker::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || waiting_.has_value(); });
        if (stop_) return;
        const TypeBreakdownRequest request = *waiting_;
        waiting_.reset();
        TypeBreakdown answer;
        answer.generation = generation_;
        running_ = true;
        lock.unlock();
        const core::ScanTree& nodes = request.result->nodes;
        answer.rows = core::BreakDownByType(nodes, *request.types, request.scope, request.measure);
        answer.scopeBytes = core::DisplaySize(nodes[request.scope], request.measure);
        if (request.withFiles) {
            answer.files = core::FilesOfType(nodes, *request.types, request.scope, request.extension, request.measure);
        }
        lock.lock();
        running_ = false;
        idle_.notify_all();
        // A newer request or a Forget came meanwhile: this answer is nobody's.
        if (answer.generation != generation_) continue;
        done_ = std::move(answer);
        lock.unlock();
        ready_();
        lock.lock();
    }
}

}  // namespace varnel::ui
