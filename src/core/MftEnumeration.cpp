#include "core/MftEnumeration.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <thread>

#include "core/ByteReader.h"
#include "core/MftStream.h"

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

// Reserving exactly what one more chunk needs copied the whole list once per
// chunk: past the first reservation, 5.2 M records took 52 s and 6.3 M 127 s.
// Doubling keeps the copies linear in the list's final size.
template <class T>
void ReserveGeometrically(std::vector<T>& list, std::size_t needed) {
    if (needed > list.capacity()) {
        list.reserve(std::max(needed, 2 * list.capacity()));
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
    ReserveGeometrically(out.entries, out.entries.size() + added);
    for (MftParseOutput& list : lists) {
        std::move(list.entries.begin(), list.entries.end(), std::back_inserter(out.entries));
        out.multiRecordFiles.insert(out.multiRecordFiles.end(), list.multiRecordFiles.begin(),
                                    list.multiRecordFiles.end());
    }
    return true;
}

bool EnumerateMft(VolumeReader& reader, const NtfsVolumeData& volume, const std::vector<MftRun>& runs,
                  std::uint64_t dataSize, const ScanCancellationToken& token, MftParseOutput& out,
                  MftScanStats& stats, std::uint64_t threadsPerDrive, const ScanProgressCallback& progress) {
    const std::uint32_t recordSize = volume.bytesPerFileRecordSegment;
    if (recordSize == 0 || volume.bytesPerSector == 0 || volume.bytesPerCluster == 0) {
        return false;
    }
    const std::uint64_t workerLimit = ComputeParseWorkerLimit(threadsPerDrive, std::thread::hardware_concurrency());
    stats.parseWorkerLimit = workerLimit;
    // The MFT is one byte stream over its runs: with 512-byte clusters a run
    // may hold an odd number of them, and a 1,024-byte record then starts in
    // one run and ends in the next. Reading run by run dropped that record
    // and misnumbered every later one.
    MftStream stream(reader, runs, volume.bytesPerCluster);
    if (stream.Size() < dataSize) {
        return false;  // runs that no volume can hold, or that end before the MFT does
    }
    const std::uint64_t end = dataSize - dataSize % recordSize;
    const std::uint64_t chunkBytes = std::max<std::uint64_t>(recordSize, MftReadChunkBytes - MftReadChunkBytes % recordSize);
    // No chunk is larger than the MFT itself, so a small volume (or image)
    // does not pay for zeroing 8 MiB.
    const auto wanted = static_cast<std::size_t>(std::min(chunkBytes, end));
    const std::size_t bufferBytes = (wanted + sizeof(BufferBlock) - 1) / sizeof(BufferBlock) * sizeof(BufferBlock);
    if (bufferBytes == 0) {
        return true;
    }
    std::vector<BufferBlock> storage(bufferBytes / sizeof(BufferBlock));
    const std::span<std::byte> buffer(storage.front().bytes, bufferBytes);

    ScanProgress report;
    report.recordCount = end / recordSize;
    for (std::uint64_t position = 0; position < end;) {
        if (token.IsCancelled()) {
            return true;
        }
        const auto toRead = static_cast<std::size_t>(std::min(chunkBytes, end - position));
        std::size_t obtained = 0;
        if (!stream.Read(position, buffer.first(toRead), obtained)) {
            return false;
        }
        ++stats.chunks;
        stats.records += obtained / recordSize;
        stats.bytes += obtained - obtained % recordSize;
        // Record numbers come from the position in the stream, so records
        // after a short read keep theirs.
        if (ParseRecordChunk(buffer, recordSize, toRead, position / recordSize, volume.bytesPerSector, workerLimit,
                             out)) {
            ++stats.parallelChunks;
        } else {
            ++stats.serialChunks;
        }
        position += toRead;
        if (progress) {
            report.recordsRead = position / recordSize;
            progress(report);
        }
    }
    return true;
}

namespace {

// The joined facts of one multi-record file.
struct JoinedFile {
    std::uint64_t baseRecordNumber = 0;
    bool baseFound = false;  // its base record is in use and says it has an attribute list
    MftFileFacts facts;      // isDirectory and baseSequence from the base record
};

std::vector<JoinedFile> JoinFacts(std::vector<MftFileFacts>& parts) {
    std::stable_sort(parts.begin(), parts.end(), [](const MftFileFacts& a, const MftFileFacts& b) {
        return a.baseRecordNumber < b.baseRecordNumber;
    });
    std::vector<JoinedFile> files;
    for (std::size_t i = 0; i < parts.size();) {
        std::size_t j = i;
        JoinedFile file;
        file.baseRecordNumber = parts[i].baseRecordNumber;
        while (j < parts.size() && parts[j].baseRecordNumber == file.baseRecordNumber) {
            if (parts[j].isBase) {
                file.baseFound = true;
                file.facts.baseSequence = parts[j].baseSequence;
                file.facts.isDirectory = parts[j].isDirectory;
            }
            ++j;
        }
        // Only records that really belong to the base's current occupant
        // contribute: an extension left from a file whose record was reused
        // refers to an older sequence number.
        for (std::size_t k = i; k < j && file.baseFound; ++k) {
            const MftFileFacts& part = parts[k];
            if (!SequenceMatches(part.baseSequence, file.facts.baseSequence)) {
                continue;
            }
            if (part.hasDataSize) {
                file.facts.hasDataSize = true;
                file.facts.dataSize = part.dataSize;
                file.facts.allocatedSize = part.allocatedSize;
            }
            if (part.hasReparsePoint) {
                file.facts.hasReparsePoint = true;
                file.facts.isNameSurrogate = part.isNameSurrogate;
            }
        }
        files.push_back(file);
        i = j;
    }
    return files;
}

constexpr std::uint64_t DroppedEntry = ~0ull;  // above every 48-bit record number

}  // namespace

void ApplyFileFacts(std::vector<MftEntry>& entries, std::vector<MftFileFacts>& parts) {
    if (parts.empty()) {
        return;  // no multi-record file, so no extension record and no provisional name
    }
    const std::vector<JoinedFile> files = JoinFacts(parts);
    const auto byRecord = [](const JoinedFile& f, std::uint64_t record) { return f.baseRecordNumber < record; };
    bool anyDropped = false;
    // One pass over the entries: their order follows record positions, which
    // need not follow owners when extension records carry names.
    for (MftEntry& entry : entries) {
        const auto it = std::lower_bound(files.begin(), files.end(), entry.recordNumber, byRecord);
        const bool joined = it != files.end() && it->baseRecordNumber == entry.recordNumber;
        if (!joined && !entry.isProvisional) {
            continue;
        }
        // A name from an extension record whose base record is gone, has no
        // attribute list, or now belongs to another file describes no file:
        // it is dropped like any other orphan.
        if (!joined || !it->baseFound) {
            if (entry.isProvisional) {
                entry.recordNumber = DroppedEntry;
                anyDropped = true;
            }
            continue;
        }
        if (!SequenceMatches(entry.recordSequence, it->facts.baseSequence)) {
            entry.recordNumber = DroppedEntry;
            anyDropped = true;
            continue;
        }
        SettleEntry(entry, it->facts);
    }
    if (anyDropped) {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const MftEntry& e) { return e.recordNumber == DroppedEntry; }),
                      entries.end());
    }
}

}  // namespace varnel::core
