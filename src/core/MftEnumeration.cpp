#include "core/MftEnumeration.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <thread>

#include "core/ByteReader.h"

namespace varnel::core {
namespace {

// Joins every started worker when it goes out of scope, so that an exception
// from starting a later worker (or from merging) never leaves a thread
// running over the read buffer.
class WorkerJoiner {
public:
    explicit WorkerJoiner(std::vector<std::thread>& threads) noexcept : threads_(threads) {}
    WorkerJoiner(const WorkerJoiner&) = delete;
    WorkerJoiner& operator=(const WorkerJoiner&) = delete;
    ~WorkerJoiner() { JoinAll(); }

    void JoinAll() {
        for (std::thread& thread : threads_) {  // in start order
            if (thread.joinable()) {
                thread.join();
            }
        }
    }

private:
    std::vector<std::thread>& threads_;
};

void ParseRange(std::span<std::byte> buffer, std::uint32_t recordSize, std::size_t begin, std::size_t end,
                std::uint64_t firstRecordNumber, std::uint32_t bytesPerSector, MftParseOutput& out) {
    for (std::size_t i = begin; i < end; ++i) {
        ParseFileRecord(buffer.subspan(i * recordSize, recordSize), firstRecordNumber + i, bytesPerSector, out);
    }
}

// A read buffer aligned to 32 bytes, zero-filled, allocated once per scan.
struct alignas(32) BufferBlock {
    std::byte bytes[32];
};

}  // namespace

std::uint64_t ComputeParseWorkerLimit(std::uint64_t threadsPerDrive, std::uint64_t hardwareThreads) {
    if (threadsPerDrive == 0) {
        return hardwareThreads == 0 ? 1 : std::min(hardwareThreads, DefaultParseWorkerCap);
    }
    return std::min(threadsPerDrive, ParseWorkerCap);
}

bool ParseRecordChunk(std::span<std::byte> buffer, std::uint32_t recordSize, std::size_t byteCount,
                      std::uint64_t firstRecordNumber, std::uint32_t bytesPerSector, std::uint64_t workerLimit,
                      MftParseOutput& out) {
    if (recordSize == 0) {
        return false;
    }
    const std::size_t count = std::min(byteCount, buffer.size()) / recordSize;
    if (count == 0) {
        return false;
    }
    const std::uint64_t workers = std::min<std::uint64_t>({workerLimit, count, ParseWorkerCap});
    if (workers < 2 || count < ParallelChunkMinimumRecords) {
        ParseRange(buffer, recordSize, 0, count, firstRecordNumber, bytesPerSector, out);
        return false;
    }

    const std::size_t per = static_cast<std::size_t>((count + workers - 1) / workers);
    std::vector<MftParseOutput> lists(static_cast<std::size_t>(workers));
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(workers));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    {
        WorkerJoiner joiner(threads);
        for (std::size_t w = 0; w < workers; ++w) {
            const std::size_t begin = w * per;
            const std::size_t end = std::min(count, begin + per);
            if (begin >= end) {
                break;
            }
            threads.emplace_back([&, w, begin, end] {
                // An allocation failure in a worker must reach the scan
                // thread, not end the process.
                try {
                    lists[w].entries.reserve((end - begin) / 2);
                    ParseRange(buffer, recordSize, begin, end, firstRecordNumber, bytesPerSector, lists[w]);
                } catch (...) {
                    failures[w] = std::current_exception();
                }
            });
        }
        joiner.JoinAll();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    std::size_t added = 0;
    for (const MftParseOutput& list : lists) {
        added += list.entries.size();
    }
    out.entries.reserve(out.entries.size() + added);
    for (MftParseOutput& list : lists) {
        std::move(list.entries.begin(), list.entries.end(), std::back_inserter(out.entries));
        out.extensionSizes.insert(out.extensionSizes.end(), list.extensionSizes.begin(), list.extensionSizes.end());
    }
    return true;
}

bool EnumerateMft(VolumeReader& reader, const NtfsVolumeData& volume, const std::vector<MftRun>& runs,
                  std::uint64_t dataSize, const ScanCancellationToken& token, MftParseOutput& out,
                  MftScanStats& stats, std::uint64_t threadsPerDrive) {
    const std::uint32_t recordSize = volume.bytesPerFileRecordSegment;
    const std::uint32_t clusterSize = volume.bytesPerCluster;
    if (recordSize == 0 || volume.bytesPerSector == 0 || clusterSize == 0) {
        return false;
    }
    const std::uint64_t workerLimit = ComputeParseWorkerLimit(threadsPerDrive, std::thread::hardware_concurrency());
    stats.parseWorkerLimit = workerLimit;
    // No chunk is larger than the MFT itself, so a small volume (or image)
    // does not pay for zeroing 8 MiB.
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(MftReadChunkBytes, dataSize));
    const std::size_t bufferBytes = (wanted + sizeof(BufferBlock) - 1) / sizeof(BufferBlock) * sizeof(BufferBlock);
    if (bufferBytes == 0) {
        return true;
    }
    std::vector<BufferBlock> storage(bufferBytes / sizeof(BufferBlock));
    const std::span<std::byte> buffer(storage.front().bytes, bufferBytes);

    std::uint64_t covered = 0;  // MFT bytes described by the runs before this one
    for (const MftRun& run : runs) {
        if (run.startLcn < 0 || run.clusterCount == 0) {
            continue;
        }
        std::uint64_t runBytes = 0;
        std::uint64_t runOffset = 0;
        if (!CheckedMultiply(clusterSize, run.clusterCount, runBytes) ||
            !CheckedMultiply(clusterSize, static_cast<std::uint64_t>(run.startLcn), runOffset)) {
            return false;  // a run no volume can hold: the MFT cannot be read
        }
        std::uint64_t pos = 0;
        while (pos < runBytes) {
            const std::uint64_t at = covered + pos;
            if (at >= dataSize) {
                break;
            }
            if (token.IsCancelled()) {
                return true;
            }
            const std::uint64_t chunk = std::min<std::uint64_t>({MftReadChunkBytes, runBytes - pos, dataSize - at});
            const std::size_t toRead = static_cast<std::size_t>(chunk - chunk % recordSize);
            if (toRead == 0) {
                break;
            }
            std::uint64_t readOffset = 0;
            std::size_t got = 0;
            if (!CheckedAdd(runOffset, pos, readOffset) ||
                !reader.ReadAt(readOffset, buffer.first(toRead), got)) {
                return false;
            }
            got = std::min(got, toRead);
            const std::size_t usable = got - got % recordSize;
            ++stats.chunks;
            stats.bytes += usable;
            stats.records += usable / recordSize;
            if (ParseRecordChunk(buffer, recordSize, usable, at / recordSize, volume.bytesPerSector, workerLimit,
                                 out)) {
                ++stats.parallelChunks;
            } else {
                ++stats.serialChunks;
            }
            if (got < toRead) {
                break;
            }
            pos += got;
        }
        if (!CheckedAdd(covered, runBytes, covered)) {
            break;  // nothing further can lie below the data size
        }
    }
    return true;
}

void ApplyExtensionSizes(std::vector<MftEntry>& entries, std::vector<MftExtensionSize>& sizes) {
    if (sizes.empty()) {
        return;
    }
    std::stable_sort(sizes.begin(), sizes.end(), [](const MftExtensionSize& a, const MftExtensionSize& b) {
        return a.baseRecordNumber < b.baseRecordNumber;
    });
    // One pass over the entries: their order follows record positions, which
    // need not follow owners when a damaged extension record carries names.
    const auto bySize = [](const MftExtensionSize& s, std::uint64_t record) { return s.baseRecordNumber < record; };
    for (MftEntry& entry : entries) {
        if (entry.isDirectory) {
            continue;
        }
        const auto it = std::lower_bound(sizes.begin(), sizes.end(), entry.recordNumber, bySize);
        if (it != sizes.end() && it->baseRecordNumber == entry.recordNumber) {
            entry.size = it->size;
        }
    }
}

}  // namespace varnel::core
