#pragma once
// Lists folders on a pool of worker threads (the ParallelWalk), each folder
// in 64 KiB batches with the native directory query; the tree comes out
// numbered breadth first whatever the worker count. The engine for
// everything the master-file-table engine does not take.

#include <cstdint>
#include <string>

#include "model/ScanModel.h"

namespace varnel::core {

class DirectorySystem;

class NtQueryDirectoryScanEngine final : public IScanEngine {
public:
    // 0 asks for the default of 8 workers; other counts are held to 1..64.
    // `system` and `nodeLimit` exist for tests; the program uses the real
    // file system and the most nodes a tree can hold.
    explicit NtQueryDirectoryScanEngine(std::uint64_t threadsPerDrive = 0);
    NtQueryDirectoryScanEngine(DirectorySystem& system, std::uint64_t threadsPerDrive,
                               std::uint64_t nodeLimit = ScanTree::MaxNodes)
        : system_(system), threadsPerDrive_(threadsPerDrive), nodeLimit_(nodeLimit) {}

    // Failed, with a sentence, for a root that is missing, a file or a
    // device. Throws std::system_error when a worker thread cannot be started and
    // rethrows a worker's failure (such as std::bad_alloc); in both cases all
    // workers have been stopped and joined first.
    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override;

    static std::uint64_t WorkerCountFor(std::uint64_t threadsPerDrive) noexcept {
        constexpr std::uint64_t DefaultWorkers = 8;
        constexpr std::uint64_t MaxWorkers = 64;
        if (threadsPerDrive == 0) return DefaultWorkers;
        return threadsPerDrive > MaxWorkers ? MaxWorkers : threadsPerDrive;
    }

private:
    DirectorySystem& system_;
    std::uint64_t threadsPerDrive_;
    std::uint64_t nodeLimit_;
};

}  // namespace varnel::core
