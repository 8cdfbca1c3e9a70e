// The MFT engine on a large NTFS image (bench/make_bench_image.sh), page
// cache warm: the I/O floor (reading just the MFT's bytes along its runs),
// EnumerateMft records per second with 1, 2 and the default worker count,
// the time of each phase as the trace line reports it, the end-to-end scan,
// and the bytes one node of the result occupies.
//
// usage: VARNEL_BENCH_IMAGE=/path/bench-1000000.img bench_mft_scan
//
// BM_SyntheticScaling needs no image: it scans MFTs of 1,000,000 and
// 10,000,000 records generated as they are read, and reports both times and
// their ratio (about 10 when every phase grows linearly).
// BM_SyntheticCancellation times how soon such a scan returns once cancelled.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ntfs/MftEnumeration.h"
#include "ntfs/MftRunList.h"
#include "ntfs/MftScan.h"
#include "ntfs/MftTreeAssembly.h"
#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsLayout.h"

namespace {

using namespace varnel::core;

struct Image {
    ImageFileReader reader;
    NtfsVolumeData volume;
    std::vector<MftRun> runs;
    std::uint64_t dataSize = 0;
    bool ok = false;
    std::string error;
};

Image& TheImage() {
    static Image image = [] {
        Image i;
        const char* path = std::getenv("VARNEL_BENCH_IMAGE");
        if (path == nullptr || !i.reader.Open(path)) {
            i.error = "set VARNEL_BENCH_IMAGE to an NTFS image (bench/make_bench_image.sh)";
            return i;
        }
        std::vector<std::byte> sector(ntfs::boot::Size);
        std::size_t got = 0;
        i.reader.ReadAt(0, sector, got);
        auto parsed = ParseNtfsBootSector(sector, i.reader.Size());
        if (!std::holds_alternative<NtfsVolumeData>(parsed) ||
            ReadMftRunList(i.reader, i.volume = std::get<NtfsVolumeData>(parsed), i.runs, i.dataSize) !=
                MftRunListStatus::Read) {
            i.error = "the image has no readable MFT";
            return i;
        }
        i.ok = true;
        return i;
    }();
    return image;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Reading the MFT's bytes and nothing else, in the engine's chunk size: no
// scan can be faster than this.
void BM_MftIoFloor(benchmark::State& state) {
    Image& image = TheImage();
    if (!image.ok) return state.SkipWithError(image.error.c_str());
    std::vector<std::byte> buffer(MftReadChunkBytes);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        std::uint64_t covered = 0;
        for (const MftRun& run : image.runs) {
            const std::uint64_t runBytes = run.clusterCount * image.volume.bytesPerCluster;
            for (std::uint64_t pos = 0; pos < runBytes && covered + pos < image.dataSize;) {
                const std::uint64_t chunk = std::min<std::uint64_t>({MftReadChunkBytes, runBytes - pos, image.dataSize - covered - pos});
                std::size_t got = 0;
                image.reader.ReadAt(static_cast<std::uint64_t>(run.startLcn) * image.volume.bytesPerCluster + pos,
                                    std::span<std::byte>(buffer).first(static_cast<std::size_t>(chunk)), got);
                pos += chunk;
                bytes += got;
            }
            covered += runBytes;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_EnumerateMft(benchmark::State& state) {
    Image& image = TheImage();
    if (!image.ok) return state.SkipWithError(image.error.c_str());
    const auto threads = static_cast<std::uint64_t>(state.range(0));
    MftScanStats stats;
    std::uint64_t records = 0;
    for (auto _ : state) {
        MftParseOutput out;
        ScanCancellationToken token;
        stats = {};
        EnumerateMft(image.reader, image.volume, image.runs, image.dataSize, token, out, stats, threads);
        records += stats.records;
        state.PauseTiming();
        out = {};
        state.ResumeTiming();
    }
    state.counters["records_per_s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    state.counters["workers"] = static_cast<double>(stats.parseWorkerLimit);
}

// The phases of a scan one by one, with the trace line's names, the memory
// of the parse list and its index at their largest, and of the kept result.
void BM_ScanPhases(benchmark::State& state) {
    Image& image = TheImage();
    if (!image.ok) return state.SkipWithError(image.error.c_str());
    using Clock = std::chrono::steady_clock;
    double readRuns = 0, enumerate = 0, buildChildren = 0, populate = 0, finalize = 0, release = 0;
    double nodes = 0, keptBytes = 0, entryBytes = 0, nameBytes = 0, indexBytes = 0, keptNameBytes = 0;
    double walkedTreeBytes = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        std::vector<MftRun> runs;
        std::uint64_t dataSize = 0;
        ReadMftRunList(image.reader, image.volume, runs, dataSize);
        readRuns += Ms(Clock::now() - t);

        t = Clock::now();
        MftParseOutput parsed;
        MftScanStats stats;
        ScanCancellationToken token;
        EnumerateMft(image.reader, image.volume, runs, dataSize, token, parsed, stats, 0);
        ApplyFileFacts(parsed.entries, parsed.multiRecordFiles);
        enumerate += Ms(Clock::now() - t);

        ScanTreeBuilder builder;
        builder.AdoptNames(std::move(parsed.names));
        const auto root = builder.AddRoot(L"X:\\", FileAttributeDirectory, 0);
        entryBytes = static_cast<double>(parsed.entries.MemoryBytes() +
                                         parsed.multiRecordFiles.capacity() * sizeof(MftFileFacts));
        t = Clock::now();
        MftChildIndex children = BuildChildren(parsed.entries, builder.Nodes().Names(), dataSize / image.volume.bytesPerFileRecordSegment, token);
        buildChildren += Ms(Clock::now() - t);

        t = Clock::now();
        const ScanProgressCallback none;
        MftProgressState progress{none, ProgressFileInterval, {}};
        PopulateTree(builder, root, {ntfs::RootFolderRecord, 0}, builder.Nodes().Names(), children, token,
                     progress);
        populate += Ms(Clock::now() - t);

        state.PauseTiming();
        nameBytes = static_cast<double>(builder.Nodes().NameMemoryBytes());
        indexBytes = static_cast<double>(children.MemoryBytes());
        walkedTreeBytes = static_cast<double>(builder.Nodes().MemoryBytes());
        state.ResumeTiming();
        t = Clock::now();
        parsed = {};
        children = {};
        release += Ms(Clock::now() - t);

        t = Clock::now();
        builder.ComputeTotals();
        ScanResult result = builder.FinishResult(ScanStatus::Completed, L"X:\\", 0);
        finalize += Ms(Clock::now() - t);
        nodes = static_cast<double>(result.nodes.size());
        keptBytes = static_cast<double>(result.nodes.MemoryBytes());
        keptNameBytes = static_cast<double>(result.nodes.NameMemoryBytes());

        t = Clock::now();
        result = {};
        release += Ms(Clock::now() - t);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["readRunsMs"] = readRuns / n;
    state.counters["enumerateMftMs"] = enumerate / n;
    state.counters["buildChildrenMs"] = buildChildren / n;
    state.counters["populateTreeMs"] = populate / n;
    state.counters["finalizeMs"] = finalize / n;
    state.counters["releaseMs"] = release / n;
    state.counters["nodes"] = nodes;
    state.counters["kept_bytes_per_node"] = keptBytes / nodes;
    state.counters["entry_bytes_per_node"] = entryBytes / nodes;
    state.counters["parse_name_bytes_per_node"] = nameBytes / nodes;
    state.counters["index_bytes_per_node"] = indexBytes / nodes;
    // What the scan holds at its largest, against what it keeps: filing the
    // entries (entries, names and the index being filled; a little high, as
    // the entries go while they are filed) or the end of the walk (index and
    // the tree so far, whose names are the parse's; its child index comes
    // after the index is gone). The Windows build stores 2 bytes a character
    // where this host may use 4.
    const auto peakOverKept = [&](double narrow) {
        const double wide = keptNameBytes * (1 - narrow);
        const double kept = keptBytes - wide;
        const double names = nameBytes * narrow;
        return std::max(entryBytes + names + indexBytes, indexBytes + walkedTreeBytes - wide) / kept;
    };
    state.counters["peak_over_kept"] = peakOverKept(1);
    state.counters["kept_bytes_per_node_windows"] = (keptBytes - keptNameBytes * (1 - 2.0 / sizeof(wchar_t))) / nodes;
    state.counters["peak_over_kept_windows"] = peakOverKept(2.0 / sizeof(wchar_t));
}

void BM_EndToEndScan(benchmark::State& state) {
    Image& image = TheImage();
    if (!image.ok) return state.SkipWithError(image.error.c_str());
    const auto threads = static_cast<std::uint64_t>(state.range(0));
    double nodes = 0;
    for (auto _ : state) {
        ScanCancellationToken token;
        ScanResult result = ScanNtfsImage(image.reader, image.reader.Size(), L"X:\\", threads, token, {});
        nodes = static_cast<double>(result.nodes.size());
        benchmark::DoNotOptimize(result.rootIndex);
        // The finished tree outlives a scan (the window keeps it), so freeing
        // it is not part of the scan's time.
        state.PauseTiming();
        result = {};
        state.ResumeTiming();
    }
    state.counters["nodes"] = nodes;
}

// ---- synthetic MFTs of any size -------------------------------------------------

void Put(std::span<std::byte> bytes, std::size_t off, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) bytes[off + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
}

// One 1,024-byte record with its update sequence applied: a name of eight
// UTF-16 digits in folder `parent`, and an unnamed stream (resident and
// empty, or the non-resident $MFT one given by pairs).
std::vector<std::byte> MakeRecord(bool folder, std::uint64_t parent, const std::u16string& name,
                                  const std::vector<std::byte>& mftPairs, std::uint64_t mftBytes) {
    std::vector<std::byte> r(1024);
    Put(r, 0, ntfs::record::SignatureValue, 4);
    Put(r, 4, 48, 2);
    Put(r, 6, 3, 2);
    Put(r, 16, 1, 2);
    Put(r, 20, 56, 2);
    Put(r, 22, folder ? 3 : 1, 2);
    Put(r, 28, 1024, 4);
    std::size_t off = 56;
    const std::size_t valueLength = 66 + 2 * name.size();
    const std::size_t nameAttribute = (24 + valueLength + 7) & ~std::size_t{7};
    Put(r, off, ntfs::attribute::TypeFileName, 4);
    Put(r, off + 4, nameAttribute, 4);
    Put(r, off + 16, valueLength, 4);
    Put(r, off + 20, 24, 2);
    Put(r, off + 24, parent | (std::uint64_t{1} << 48), 8);
    Put(r, off + 24 + 56, folder ? 0x10000000 : 0x20, 4);
    Put(r, off + 24 + 64, name.size(), 1);
    Put(r, off + 24 + 65, 1, 1);
    for (std::size_t i = 0; i < name.size(); ++i) Put(r, off + 24 + 66 + 2 * i, name[i], 2);
    off += nameAttribute;
    if (!folder) {
        const std::size_t dataAttribute = mftPairs.empty() ? 24 : (64 + mftPairs.size() + 7) & ~std::size_t{7};
        Put(r, off, ntfs::attribute::TypeData, 4);
        Put(r, off + 4, dataAttribute, 4);
        if (!mftPairs.empty()) {
            Put(r, off + 8, 1, 1);
            Put(r, off + 32, 64, 2);
            Put(r, off + 48, mftBytes, 8);
            Put(r, off + 56, mftBytes, 8);
            std::memcpy(r.data() + off + 64, mftPairs.data(), mftPairs.size());
        } else {
            Put(r, off + 20, 24, 2);
        }
        off += dataAttribute;
    }
    Put(r, off, ntfs::attribute::TypeEnd, 4);
    Put(r, 24, off + 8, 4);
    Put(r, 48, 0x0101, 2);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t tail = (i + 1) * 512 - 2;
        r[50 + 2 * i] = r[tail];
        r[51 + 2 * i] = r[tail + 1];
        Put(r, tail, 0x0101, 2);
    }
    return r;
}

// An MFT of `records` records in one run at cluster 4 of a volume with
// 4 KiB clusters, generated as it is read: record 0 is $MFT, record 5 the
// root, every 1,000th record from 16 on a folder in the root, and every other
// record a file in the folder before it. Nothing is held in memory but three
// record templates, so ten million records cost no 10 GB of RAM.
class SyntheticMftReader final : public VolumeReader {
public:
    static constexpr std::uint64_t MftOffset = 4 * 4096;
    static constexpr std::size_t NameOffset = 56 + 24 + 66;

    explicit SyntheticMftReader(std::uint64_t records) : records_(records) {
        const std::uint64_t clusters = records * 1024 / 4096;
        std::vector<std::byte> pairs{std::byte{0x44}};
        for (int i = 0; i < 4; ++i) pairs.push_back(static_cast<std::byte>((clusters >> (8 * i)) & 0xFF));
        pairs.push_back(std::byte{4});
        pairs.insert(pairs.end(), 3, std::byte{0});
        pairs.push_back(std::byte{0});
        mft_ = MakeRecord(false, 5, u"$MFT", pairs, records * 1024);
        root_ = MakeRecord(true, 5, u".", {}, 0);
        file_ = MakeRecord(false, 0, u"00000000", {}, 0);
        folder_ = MakeRecord(true, 5, u"00000000", {}, 0);
    }

    NtfsVolumeData Volume() const { return {512, 4096, 1024, 4}; }

    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) override {
        bytesRead = 0;
        if (offset < MftOffset || (offset - MftOffset) % 1024 != 0 || buffer.size() % 1024 != 0) return false;
        const std::uint64_t first = (offset - MftOffset) / 1024;
        for (std::size_t i = 0; i < buffer.size() / 1024; ++i) {
            const std::uint64_t n = first + i;
            const std::span<std::byte> record = buffer.subspan(i * 1024, 1024);
            const bool folder = n >= 16 && n % 1000 == 16;
            const std::vector<std::byte>& base = n == 0 ? mft_ : n == 5 ? root_ : folder ? folder_ : file_;
            std::memcpy(record.data(), base.data(), 1024);
            if (n == 0 || n == 5 || n >= records_) continue;
            Put(record, 56 + 24, n < 16 ? 5 : n - (n - 16) % 1000 == n ? 5 : n - (n - 16) % 1000, 6);
            std::uint64_t digits = n;
            for (std::size_t d = 8; d-- > 0; digits /= 10) Put(record, NameOffset + 2 * d, u'0' + digits % 10, 2);
        }
        bytesRead = buffer.size();
        return true;
    }

private:
    std::uint64_t records_;
    std::vector<std::byte> mft_, root_, file_, folder_;
};

double SyntheticScanMs(std::uint64_t records, std::uint64_t& nodes) {
    SyntheticMftReader reader(records);
    MftScanStart start;
    start.start = ScanClock::now();
    start.rootRecordNumber = ntfs::RootFolderRecord;
    start.rootPath = L"X:\\";
    ScanCancellationToken token;
    const auto t = std::chrono::steady_clock::now();
    ScanResult result = ScanMftVolume(reader, reader.Volume(), std::move(start), token, {});
    const double ms = Ms(std::chrono::steady_clock::now() - t);
    nodes = result.nodes.size();
    return ms;
}

// Enumeration and assembly of 1 M and 10 M records in one run: the ratio of
// the two is the figure (a list grown by a fixed step made it quadratic).
// Each size is scanned three times and the fastest counts, so that a busy
// machine distorts the ratio less.
void BM_SyntheticScaling(benchmark::State& state) {
    double small = 1e300, large = 1e300;
    std::uint64_t smallNodes = 0, largeNodes = 0;
    for (auto _ : state) {
        for (int i = 0; i < 3; ++i) {
            small = std::min(small, SyntheticScanMs(1'000'000, smallNodes));
            large = std::min(large, SyntheticScanMs(10'000'000, largeNodes));
        }
    }
    state.counters["ms_1M"] = small;
    state.counters["ms_10M"] = large;
    state.counters["ratio"] = large / small;
    state.counters["nodes_1M"] = static_cast<double>(smallNodes);
    state.counters["nodes_10M"] = static_cast<double>(largeNodes);
}

// How long a scan of 10 M records takes to return once cancelled, at the
// start of tree assembly and halfway through it (by file count).
void BM_SyntheticCancellation(benchmark::State& state) {
    const auto cancelAtFile = static_cast<std::uint64_t>(state.range(0));
    double afterCancelMs = 0;
    for (auto _ : state) {
        SyntheticMftReader reader(10'000'000);
        MftScanStart start;
        start.start = ScanClock::now();
        start.rootRecordNumber = ntfs::RootFolderRecord;
        start.rootPath = L"X:\\";
        ScanCancellationToken token;
        std::chrono::steady_clock::time_point cancelled;
        const ScanProgressCallback progress = [&](const ScanProgress& p) {
            if (!token.IsCancelled() && p.filesScanned >= cancelAtFile) {
                cancelled = std::chrono::steady_clock::now();
                token.Cancel();
            }
        };
        ScanResult result = ScanMftVolume(reader, reader.Volume(), std::move(start), token, progress);
        afterCancelMs = Ms(std::chrono::steady_clock::now() - cancelled);
        state.PauseTiming();
        result = {};
        state.ResumeTiming();
    }
    state.counters["ms_after_cancel"] = afterCancelMs;
}

BENCHMARK(BM_SyntheticCancellation)->Arg(0)->Arg(5'000'000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SyntheticScaling)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_MftIoFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_EnumerateMft)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ScanPhases)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_EndToEndScan)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
