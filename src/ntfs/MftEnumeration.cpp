#include "ntfs/MftEnumeration.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "ntfs/ByteReader.h"
#include "ntfs/MftReadAhead.h"
#include "ntfs/MftStream.h"

namespace varnel::core {
namespace {

void ParseRange(std::span<std::byte> buffer, std::uint32_t recordSize, std::size_t begin, std::size_t end,
                std::uint64_t firstRecordNumber, std::uint32_t bytesPerSector, MftParseOutput& out) {
    for (std::size_t i = begin; i < end; ++i) {
        ParseFileRecord(buffer.subspan(i * recordSize, recordSize), firstRecordNumber + i, bytesPerSector, out);
    }
}

// The helpers that parse a chunk beside the scan thread, started once per
// scan: a thread started per chunk cost more than a small chunk's parsing.
// Each round, helper h runs job(h); the scan thread parses its own range
// meanwhile and then waits for the round to end.
class ParseCrew {
public:
    explicit ParseCrew(std::size_t helpers) {
        threads_.reserve(helpers);
        try {
            for (std::size_t h = 0; h < helpers; ++h) {
                threads_.emplace_back([this, h] { Work(h); });
            }
        } catch (...) {
            Stop();
            throw;
        }
    }
    ParseCrew(const ParseCrew&) = delete;
    ParseCrew& operator=(const ParseCrew&) = delete;
    // Waits for a round still running (the scan thread threw during it),
    // so no helper outlives the buffer it parses.
    ~ParseCrew() { Stop(); }

    std::size_t Helpers() const noexcept { return threads_.size(); }

    // Starts job(h) on helpers 0 to count - 1 (count at most Helpers()).
    void Start(std::size_t count, std::function<void(std::size_t)> job) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = std::move(job);
            count_ = count;
            running_ = count;
            ++round_;
        }
        start_.notify_all();
    }

    // Waits for the round; throws what a helper threw (an allocation
    // failure must reach the scan thread, not end the process).
    void Finish() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return running_ == 0; });
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
    }

private:
    void Work(std::size_t helper) {
        std::uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            start_.wait(lock, [&] { return stopping_ || round_ != seen; });
            if (stopping_) {
                return;
            }
            seen = round_;
            if (helper >= count_) {
                continue;  // not needed this round
            }
            lock.unlock();
            std::exception_ptr failure;
            try {
                job_(helper);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            if (failure && !failure_) {
                failure_ = failure;
            }
            if (--running_ == 0) {
                done_.notify_one();
            }
        }
    }

    void Stop() noexcept {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [&] { return running_ == 0; });
            stopping_ = true;
        }
        start_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    // Guards every field below it.
    std::mutex mutex_;
    std::condition_variable start_;  // a round began, or the crew stops
    std::condition_variable done_;   // the last helper of a round finished
    std::function<void(std::size_t)> job_;
    std::size_t count_ = 0;          // helpers taking part in this round
    std::size_t running_ = 0;        // of those, still parsing
    std::uint64_t round_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;     // the first exception of this round

    std::vector<std::thread> threads_;
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

// Parses the whole records of buffer in record order into out: with
// helpers, the scan thread takes the first range straight into out and
// helper h the range after, into parts[h], whose entries then join out's.
// The names are not copied: a part's name store is a branch of out's.
// True when helpers took part.
bool ParseChunk(std::span<std::byte> buffer, std::uint32_t recordSize, std::uint64_t firstRecordNumber,
                std::uint32_t bytesPerSector, ParseCrew* crew, MftParseOutput& out,
                std::vector<MftParseOutput>& parts) {
    const std::size_t count = buffer.size() / recordSize;
    const std::size_t workers = crew == nullptr ? 1 : std::min(crew->Helpers() + 1, count);
    if (workers < 2 || count < ParallelChunkMinimumRecords) {
        ParseRange(buffer, recordSize, 0, count, firstRecordNumber, bytesPerSector, out);
        return false;
    }
    const std::size_t per = (count + workers - 1) / workers;
    while (parts.size() + 1 < workers) {
        parts.emplace_back().names = out.names.Branch();
    }
    const std::size_t helpers = (count - 1) / per;  // ranges after the first that hold records
    crew->Start(helpers, [&, per, count](std::size_t h) {
        const std::size_t begin = (h + 1) * per;
        ParseRange(buffer, recordSize, begin, std::min(count, begin + per), firstRecordNumber, bytesPerSector,
                   parts[h]);
    });
    try {
        ParseRange(buffer, recordSize, 0, per, firstRecordNumber, bytesPerSector, out);
    } catch (...) {
        try {
            crew->Finish();
        } catch (...) {
        }
        throw;
    }
    crew->Finish();
    for (std::size_t h = 0; h < helpers; ++h) {
        Append(out, parts[h]);
    }
    return true;
}

// Every way out of EnumerateMft hands the parts' names to out: entries
// already there name them.
void JoinParts(MftParseOutput& out, std::vector<MftParseOutput>& parts) {
    for (MftParseOutput& part : parts) {
        out.names.Join(std::move(part.names));
    }
    parts.clear();
}

}  // namespace

std::uint64_t ComputeParseWorkerLimit(std::uint64_t threadsPerDrive, std::uint64_t hardwareThreads) {
    if (threadsPerDrive == 0) {
        return hardwareThreads < 2 ? 1 : std::min(hardwareThreads - 1, DefaultParseWorkerCap);
    }
    return std::min(threadsPerDrive, ParseWorkerCap);
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
    if (end == 0) {
        return true;
    }
    // Each worker parses about MftParseBytesPerWorker of a chunk: enough to
    // pay for waking it, little enough to stay in the cache the read left
    // it in. One read fills the chunk of all workers, up to MftReadChunkBytes.
    const auto wholeRecords = [&](std::uint64_t bytes) {
        return std::max<std::uint64_t>(recordSize, bytes - bytes % recordSize);
    };
    const std::uint64_t chunkBytes =
        wholeRecords(std::min<std::uint64_t>(MftParseBytesPerWorker * workerLimit, MftReadChunkBytes));
    const bool parallel = workerLimit > 1 && end / recordSize >= ParallelChunkMinimumRecords;
    // Declared before the read-ahead and the crew: both end before the
    // parts their threads may be filling.
    std::vector<MftParseOutput> parts;
    const auto finish = [&](bool ok) {
        JoinParts(out, parts);
        return ok;
    };
    try {
        MftReadAhead ahead(stream, end, static_cast<std::size_t>(chunkBytes), MftReadAheadDepth);
        std::optional<ParseCrew> crew;
        if (parallel) {
            crew.emplace(static_cast<std::size_t>(workerLimit - 1));
        }
        ScanProgress report;
        report.recordCount = end / recordSize;
        while (const MftReadAhead::Chunk* chunk = ahead.Next()) {
            if (!chunk->ok) {
                return finish(false);
            }
            ++stats.chunks;
            stats.records += chunk->obtained / recordSize;
            stats.bytes += chunk->obtained - chunk->obtained % recordSize;
            if (chunk->position == 0 && recordZero.size() == recordSize && chunk->bytes.size() >= recordSize) {
                std::copy(recordZero.begin(), recordZero.end(), chunk->bytes.begin());
            }
            if (token.IsCancelled()) {
                return finish(true);
            }
            // Record numbers come from the position in the stream, so records
            // after a short read keep theirs.
            const bool helped = ParseChunk(chunk->bytes, recordSize, chunk->position / recordSize,
                                           volume.bytesPerSector, crew ? &*crew : nullptr, out, parts);
            ++(helped ? stats.parallelChunks : stats.serialChunks);
            if (progress) {
                report.recordsRead = (chunk->position + chunk->bytes.size()) / recordSize;
                progress(report);
            }
        }
    } catch (...) {
        JoinParts(out, parts);
        throw;
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
