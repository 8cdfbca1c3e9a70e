// The MFT engine on a large NTFS image (bench/make_bench_image.sh), page
// cache warm: the I/O floor (reading just the MFT's bytes along its runs),
// EnumerateMft records per second with 1, 2 and the default worker count,
// the time of each phase as the trace line reports it, the end-to-end scan,
// and the bytes one node of the result occupies.
//
// usage: VARNEL_BENCH_IMAGE=/path/bench-1000000.img bench_mft_scan

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/MftEnumeration.h"
#include "core/MftRunList.h"
#include "core/MftScan.h"
#include "core/MftTreeAssembly.h"
#include "core/NtfsImage.h"
#include "core/NtfsLayout.h"

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
        out.entries.reserve(image.dataSize / image.volume.bytesPerFileRecordSegment);
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

// The phases of a scan one by one, with the trace line's names, and the
// memory of the finished result.
void BM_ScanPhases(benchmark::State& state) {
    Image& image = TheImage();
    if (!image.ok) return state.SkipWithError(image.error.c_str());
    using Clock = std::chrono::steady_clock;
    double readRuns = 0, enumerate = 0, buildChildren = 0, populate = 0, finalize = 0, release = 0;
    double nodes = 0, bytesPerNode = 0, bytesPerNodeUtf16 = 0, entryBytes = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        std::vector<MftRun> runs;
        std::uint64_t dataSize = 0;
        ReadMftRunList(image.reader, image.volume, runs, dataSize);
        readRuns += Ms(Clock::now() - t);

        t = Clock::now();
        MftParseOutput parsed;
        parsed.entries.reserve(dataSize / image.volume.bytesPerFileRecordSegment);
        MftScanStats stats;
        ScanCancellationToken token;
        EnumerateMft(image.reader, image.volume, runs, dataSize, token, parsed, stats, 0);
        ApplyFileFacts(parsed.entries, parsed.multiRecordFiles);
        enumerate += Ms(Clock::now() - t);

        ScanTreeBuilder builder;
        builder.Reserve(parsed.entries.size() + 1);
        const auto root = builder.AddFolder(NoIndex, L"", L"X:\\", FileAttributeDirectory, 0);
        t = Clock::now();
        const MftChildIndex children = BuildChildren(parsed.entries, token);
        buildChildren += Ms(Clock::now() - t);

        t = Clock::now();
        const ScanProgressCallback none;
        MftProgressState progress{none, ProgressFileInterval, {}};
        PopulateTree(builder, root, L"X:\\", {ntfs::RootFolderRecord, 0}, parsed.entries, children, token, progress);
        populate += Ms(Clock::now() - t);

        t = Clock::now();
        builder.ComputeTotals();
        finalize += Ms(Clock::now() - t);

        ScanResult result = builder.FinishResult(ScanStatus::Completed, L"X:\\", 0);
        state.PauseTiming();
        nodes = static_cast<double>(result.nodes.size());
        double host = static_cast<double>(result.nodes.capacity() * sizeof(ScanNode));
        double utf16 = host;
        for (const ScanNode& node : result.nodes) {
            const double childBytes = static_cast<double>(node.children.capacity() * sizeof(std::uint64_t));
            const auto heap = [](const std::wstring& s) {
                return s.size() * sizeof(wchar_t) < sizeof(std::wstring) - sizeof(std::size_t) * 2 ? 0.0
                       : static_cast<double>((s.capacity() + 1) * sizeof(wchar_t));
            };
            // On Windows wchar_t is 2 bytes and a string keeps 7 characters inline.
            const auto windows = [](const std::wstring& s) { return s.size() <= 7 ? 0.0 : static_cast<double>((s.size() + 1) * 2); };
            host += heap(node.name) + heap(node.path) + childBytes;
            utf16 += windows(node.name) + windows(node.path) + childBytes;
        }
        bytesPerNode = host / nodes;
        bytesPerNodeUtf16 = utf16 / nodes;
        entryBytes = static_cast<double>(parsed.entries.capacity() * sizeof(MftEntry)) / nodes;
        state.ResumeTiming();

        t = Clock::now();
        result = {};
        parsed = {};
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
    state.counters["bytes_per_node"] = bytesPerNode;
    state.counters["bytes_per_node_utf16"] = bytesPerNodeUtf16;
    state.counters["entry_bytes_per_node"] = entryBytes;
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
        benchmark::DoNotOptimize(result.nodes.data());
        // The finished tree outlives a scan (the window keeps it), so freeing
        // it is not part of the scan's time.
        state.PauseTiming();
        result = {};
        state.ResumeTiming();
    }
    state.counters["nodes"] = nodes;
}

BENCHMARK(BM_MftIoFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_EnumerateMft)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ScanPhases)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_EndToEndScan)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
