#pragma once
// Starts a group of worker threads and guarantees they are all joined before
// the group is gone, also when a later thread cannot be started or a worker
// throws. Failures are handed to the owner through `stopAll`, which must make
// every running worker leave soon (set a flag, wake waiting workers).

#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace varnel::core {

class WorkerGroup {
public:
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    // `starter` exists so tests can make a thread fail to start.
    explicit WorkerGroup(std::function<void()> stopAll, ThreadStarter starter = StartStdThread);
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;
    // Joins whatever still runs; never throws.
    ~WorkerGroup();

    // Starts `count` threads running `body`. If one cannot be started, calls
    // stopAll, joins the ones already running and rethrows the start failure.
    void Start(std::size_t count, const std::function<void()>& body);

    // Joins every thread in start order, then rethrows the first exception a
    // worker raised (after which stopAll had already been called).
    void JoinAll();

    static std::thread StartStdThread(std::function<void()> body);

private:
    void RecordFailure(std::exception_ptr failure);
    void JoinQuietly() noexcept;

    std::function<void()> stopAll_;
    ThreadStarter starter_;
    std::vector<std::thread> threads_;
    std::mutex failureMutex_;           // guards firstFailure_, written by any worker
    std::exception_ptr firstFailure_;
};

}  // namespace varnel::core
