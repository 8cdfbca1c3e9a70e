#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "directory/WorkerGroup.h"

namespace varnel::core {
namespace {

// Workers that wait until told to stop, like idle pool workers.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool stop = false;
    std::atomic<int> running{0};
    std::atomic<int> finished{0};

    void Wait() {
        ++running;
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop; });
        ++finished;
    }
    void StopAll() {
        { std::lock_guard lock(mutex); stop = true; }
        changed.notify_all();
    }
};

TEST(WorkerGroup, AThreadThatCannotStartStopsAndJoinsTheOthers) {
    Gate gate;
    int started = 0;
    WorkerGroup::ThreadStarter failThird = [&](std::function<void()> body) {
        if (++started == 3) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    };
    WorkerGroup group([&] { gate.StopAll(); }, failThird);
    EXPECT_THROW(group.Start(5, [&] { gate.Wait(); }), std::system_error);
    // Both started workers were waiting for work; they were stopped and joined.
    EXPECT_EQ(gate.finished.load(), 2);
}

TEST(WorkerGroup, AFailingWorkerStopsTheOthersAndItsFailureIsRethrown) {
    Gate gate;
    std::atomic<int> index{0};
    WorkerGroup group([&] { gate.StopAll(); });
    group.Start(4, [&] {
        if (index++ == 2) throw std::bad_alloc();
        gate.Wait();
    });
    EXPECT_THROW(group.JoinAll(), std::bad_alloc);
    EXPECT_EQ(gate.finished.load(), 3);
}

}  // namespace
}  // namespace varnel::core
