#pragma once
// Reads the whole MFT along its run list on one reader thread, in chunks
// parsed as they arrive, and parses every record into one flat, ordered list
// of names; large chunks are split between the scan thread and parse helpers
// started once per scan.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/MftRecord.h"
#include "model/ScanModel.h"
#include "ntfs/VolumeReader.h"

namespace varnel::core {

// Counters and phase timings of one MFT scan, as the trace line reports them.
struct MftScanStats {
    std::uint64_t chunks = 0;           // reads issued against the MFT
    std::uint64_t bytes = 0;            // bytes of whole records those reads gave
    std::uint64_t records = 0;          // whole records read, parsed or rejected
    std::uint64_t nodes = 0;            // entries parsed (not tree nodes)
    std::uint64_t parallelChunks = 0;
    std::uint64_t serialChunks = 0;
    std::uint64_t runs = 0;
    std::uint64_t mftDataSize = 0;
    std::uint64_t parseWorkerLimit = 1;
    // Records by what they turned out to be (MftRecordVerdict order): the
    // trace says how many were rejected and why.
    std::array<std::uint64_t, MftRecordVerdictCount> verdicts{};
    std::int64_t queryVolumeMs = 0;
    std::int64_t resolveRootMs = 0;
    std::int64_t readRunsMs = 0;
    std::int64_t enumerateMftMs = 0;
    std::int64_t buildChildrenMs = 0;
    std::int64_t populateTreeMs = 0;
    std::int64_t finalizeMs = 0;
};

// The most one read of the MFT asks for.
inline constexpr std::size_t MftReadChunkBytes = 8 * 1024 * 1024;
// Bytes of records each parse worker takes from a chunk; a chunk holds
// this for every worker, up to MftReadChunkBytes. Small enough that a chunk
// is still in the cache when it is parsed: on the 1,000,000-record image,
// 512 KiB parsed faster than 2 and 4 MiB, and no slower than 128 or 256 KiB.
inline constexpr std::size_t MftParseBytesPerWorker = 512 * 1024;
// Chunks read ahead of the one being parsed, plus that one.
inline constexpr std::size_t MftReadAheadDepth = 3;
// Below this many records a chunk is parsed on the scan thread alone:
// waking helpers would cost more than they save.
inline constexpr std::uint64_t ParallelChunkMinimumRecords = 512;
inline constexpr std::uint64_t DefaultParseWorkerCap = 8;
inline constexpr std::uint64_t ParseWorkerCap = 64;

// threadsPerDrive 0: one less than the hardware threads, as one thread
// reads while the others parse (at least 1, at most 8, and 1 if unknown);
// otherwise threadsPerDrive, at most 64.
std::uint64_t ComputeParseWorkerLimit(std::uint64_t threadsPerDrive, std::uint64_t hardwareThreads);

// Reads the MFT through the reader up to dataSize, in whole records, as one
// byte stream over its runs (a record may span two runs), and parses it into
// out; a record's number is its position in that stream divided by the
// record size. False only when a read fails (or the geometry has a zero
// size); a cancelled read answers true with what was gathered. A read that
// returns short ends that run; later runs keep their record numbers.
// `progress` hears the records read of the record count after each chunk.
// A non-empty recordZero (a record's bytes, as read) is parsed in place of
// the MFT's own record 0.
bool EnumerateMft(VolumeReader& reader, const NtfsVolumeData& volume, const std::vector<MftRun>& runs,
                  std::uint64_t dataSize, const ScanCancellationToken& token, MftParseOutput& out,
                  MftScanStats& stats, std::uint64_t threadsPerDrive, const ScanProgressCallback& progress = {},
                  std::span<const std::byte> recordZero = {});

// Joins the facts of every multi-record file and settles its names: the
// folder flag of the base record, the size of the unnamed stream and the
// reparse point wherever in the file's records they stand. Names whose base
// record is not in use, has no attribute list, or carries another sequence
// number than the name's record refers to (a reused record) are removed.
// parts is sorted in place. droppedBases, when given, receives the base
// record of each name removed so (ascending, each once): on a volume that
// is not being written, every one is damage.
void ApplyFileFacts(MftEntryList& entries, std::vector<MftFileFacts>& parts,
                    std::vector<std::uint64_t>* droppedBases = nullptr);

}  // namespace varnel::core
