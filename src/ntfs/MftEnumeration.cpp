#include "ntfs/MftEnumeration.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <thread>
#include <utility>

#include "ntfs/ByteReader.h"
#include "ntfs/MftStream.h"

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

// A read buffer aligned to 32 bytes, allocated once per scan.
struct alignas(32) BufferBlock {
    std::byte bytes[32];
};

// Reads the next chunk on a thread of its own while the scan thread parses
// the one before: reading the MFT and parsing it then take about as long as
// the longer of the two, not their sum. The parsing (and the output it
// fills) stays on the scan thread, in its own heap, where the tree reuses
// the parse list's memory once it is freed (the names it keeps as they
// are). One read at a time.
class ChunkReader {
public:
    explicit ChunkReader(MftStream& stream) noexcept : stream_(stream) {}
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;
    ~ChunkReader() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void Start(std::uint64_t position, std::span<std::byte> buffer) {
        thread_ = std::thread([=, this] {
            try {
                ok_ = stream_.Read(position, buffer, obtained_);
            } catch (...) {
                failure_ = std::current_exception();
            }
        });
    }

    // Waits for the read started last; false when it failed. `obtained`
    // counts the bytes the device delivered.
    bool Finish(std::size_t& obtained) {
        obtained = 0;
        if (!thread_.joinable()) {
            return false;
        }
        thread_.join();
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
        obtained = obtained_;
        return ok_;
    }

private:
    MftStream& stream_;
    std::thread thread_;
    bool ok_ = false;
    std::size_t obtained_ = 0;
    std::exception_ptr failure_;
};

// A part's entries join the output behind what came before; their names
// stay in the part's branch of the output's store, where they were written.
void Append(MftParseOutput& out, MftParseOutput& part) {
    for (std::size_t i = 0; i < part.entries.size(); ++i) {
        out.entries.push_back(part.entries[i]);
    }
    out.multiRecordFiles.insert(out.multiRecordFiles.end(), part.multiRecordFiles.begin(),
                                part.multiRecordFiles.end());
    out.nameRecords.insert(out.nameRecords.end(), part.nameRecords.begin(), part.nameRecords.end());
    out.outsideAttributeLists.insert(out.outsideAttributeLists.end(), part.outsideAttributeLists.begin(),
                                     part.outsideAttributeLists.end());
    for (std::size_t v = 0; v < out.verdicts.size(); ++v) {
        out.verdicts[v] += std::exchange(part.verdicts[v], 0);
    }
    part.entries.clear();
    part.multiRecordFiles.clear();
    part.nameRecords.clear();
    part.outsideAttributeLists.clear();
}

}  // namespace

std::uint64_t ComputeParseWorkerLimit(std::uint64_t threadsPerDrive, std::uint64_t hardwareThreads) {
    if (threadsPerDrive == 0) {
        return hardwareThreads < 2 ? 1 : std::min(hardwareThreads - 1, DefaultParseWorkerCap);
    }
    return std::min(threadsPerDrive, ParseWorkerCap);
}

bool ParseRecordChunk(std::span<std::byte> buffer, std::uint32_t recordSize, std::size_t byteCount,
                      std::uint64_t firstRecordNumber, std::uint32_t bytesPerSector, std::uint64_t workerLimit,
                      MftParseOutput& out, std::vector<MftParseOutput>& parts) {
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
    // Worker w (from 1) fills parts[w - 1].
    while (parts.size() + 1 < workers) {
        parts.emplace_back().names = out.names.Branch();
    }
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(workers));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    std::size_t started = 0;
    {
        WorkerJoiner joiner(threads);
        // The calling thread takes the first range itself: one thread fewer
        // to start per chunk, and one fewer waiting for a core.
        for (std::size_t w = 1; w < workers; ++w) {
            const std::size_t begin = w * per;
            const std::size_t end = std::min(count, begin + per);
            if (begin >= end) {
                break;
            }
            threads.emplace_back([&, w, begin, end] {
                // An allocation failure in a worker must reach the scan
                // thread, not end the process.
                try {
                    ParseRange(buffer, recordSize, begin, end, firstRecordNumber, bytesPerSector, parts[w - 1]);
                } catch (...) {
                    failures[w] = std::current_exception();
                }
            });
            started = w;
        }
        ParseRange(buffer, recordSize, 0, std::min(count, per), firstRecordNumber, bytesPerSector, out);
        joiner.JoinAll();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
    for (std::size_t w = 1; w <= started; ++w) {
        Append(out, parts[w - 1]);
    }
    return true;
}

void JoinParts(MftParseOutput& out, std::vector<MftParseOutput>& parts) {
    for (MftParseOutput& part : parts) {
        out.names.Join(std::move(part.names));
    }
    parts.clear();
}

bool EnumerateMft(VolumeReader& reader, const NtfsVolumeData& volume, const std::vector<MftRun>& runs,
                  std::uint64_t dataSize, const ScanCancellationToken& token, MftParseOutput& out,
                  MftScanStats& stats, std::uint64_t threadsPerDrive, const ScanProgressCallback& progress,
                  std::span<const std::byte> recordZero) {
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
    // Not zeroed first: the stream zeroes whatever no read fills.
    const auto storage = std::make_unique_for_overwrite<BufferBlock[]>(2 * bufferBytes / sizeof(BufferBlock));
    const std::span<std::byte> buffers[2] = {std::span<std::byte>(storage[0].bytes, bufferBytes),
                                             std::span<std::byte>(storage[bufferBytes / sizeof(BufferBlock)].bytes,
                                                                  bufferBytes)};
    // Declared after the buffers: it is joined before they are freed.
    ChunkReader ahead(stream);

    ScanProgress report;
    report.recordCount = end / recordSize;
    std::vector<MftParseOutput> parts;
    // Every way out hands the parts' names to out: entries already there
    // name them.
    const auto finish = [&](bool ok) {
        JoinParts(out, parts);
        return ok;
    };
    const auto chunkAt = [&](std::uint64_t position) {
        return static_cast<std::size_t>(std::min(chunkBytes, end - position));
    };
    ahead.Start(0, buffers[0].first(chunkAt(0)));
    for (std::uint64_t position = 0, chunk = 0; position < end; ++chunk) {
        const std::size_t toRead = chunkAt(position);
        std::size_t obtained = 0;
        if (!ahead.Finish(obtained)) {
            return finish(false);
        }
        ++stats.chunks;
        stats.records += obtained / recordSize;
        stats.bytes += obtained - obtained % recordSize;
        const std::span<std::byte> buffer = buffers[chunk % 2];
        if (position == 0 && recordZero.size() == recordSize && toRead >= recordSize) {
            std::copy(recordZero.begin(), recordZero.end(), buffer.begin());
        }
        const std::uint64_t next = position + toRead;
        if (token.IsCancelled()) {
            return finish(true);
        }
        if (next < end) {
            ahead.Start(next, buffers[(chunk + 1) % 2].first(chunkAt(next)));
        }
        // Record numbers come from the position in the stream, so records
        // after a short read keep theirs.
        const bool parallel = ParseRecordChunk(buffer, recordSize, toRead, position / recordSize,
                                               volume.bytesPerSector, workerLimit, out, parts);
        ++(parallel ? stats.parallelChunks : stats.serialChunks);
        position = next;
        if (progress) {
            report.recordsRead = position / recordSize;
            progress(report);
        }
    }
    return finish(true);
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
                file.facts.hasWriteTime = parts[j].hasWriteTime;
                file.facts.lastWriteTime = parts[j].lastWriteTime;
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

void ApplyFileFacts(MftEntryList& entries, std::vector<MftFileFacts>& parts,
                    std::vector<std::uint64_t>* droppedBases) {
    if (parts.empty()) {
        return;  // no multi-record file, so no extension record and no provisional name
    }
    const std::vector<JoinedFile> files = JoinFacts(parts);
    const auto byRecord = [](const JoinedFile& f, std::uint64_t record) { return f.baseRecordNumber < record; };
    bool anyDropped = false;
    // One pass over the entries: their order follows record positions, which
    // need not follow owners when extension records carry names.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        MftEntry& entry = entries[i];
        const auto it = std::lower_bound(files.begin(), files.end(), entry.recordNumber, byRecord);
        const bool joined = it != files.end() && it->baseRecordNumber == entry.recordNumber;
        if (!joined && !entry.isProvisional) {
            continue;
        }
        // A name from an extension record whose base record is gone, has no
        // attribute list, or now belongs to another file describes no file:
        // it is dropped like any other orphan.
        const bool keep = joined && it->baseFound ? SequenceMatches(entry.recordSequence, it->facts.baseSequence)
                                                  : !entry.isProvisional;
        if (!keep) {
            if (droppedBases != nullptr) {
                droppedBases->push_back(entry.recordNumber);
            }
            entry.recordNumber = DroppedEntry;
            anyDropped = true;
        }
        if (!keep || !joined || !it->baseFound) {
            continue;
        }
        SettleEntry(entry, it->facts);
    }
    if (!anyDropped) {
        return;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].recordNumber != DroppedEntry) {
            entries[kept++] = entries[i];
        }
    }
    entries.Truncate(kept);
    if (droppedBases != nullptr) {
        std::sort(droppedBases->begin(), droppedBases->end());
        droppedBases->erase(std::unique(droppedBases->begin(), droppedBases->end()), droppedBases->end());
    }
}

}  // namespace varnel::core
