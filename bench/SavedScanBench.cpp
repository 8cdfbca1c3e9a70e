// Saved scans and snapshots: writing and reading a saved scan of a
// 1,000,000-node result, the bytes it takes per node, and comparing two
// snapshots of 1,000,000 folders. With VARNEL_BENCH_IMAGE set (the image of
// bench/make_bench_image.sh), the saved scan is of that image's scan;
// otherwise of the synthetic result of LargeResult.h cut to 1,000,000 nodes.
// The window's own paths are measured too: File > Save scan and Open scan
// with the file written and read, and the comparison the window makes of a
// result of 1,000,000 folders with a snapshot (its change column, ranking
// and gone folders).
//
// usage: [VARNEL_BENCH_IMAGE=/path/bench-1000000.img] bench_saved_scan

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "LargeResult.h"
#include "model/FolderSnapshot.h"
#include "model/SavedScan.h"
#include "model/SnapshotComparison.h"
#include "ntfs/NtfsImage.h"
#include "platform/FileBytes.h"
#include "ui/view/ResultChange.h"

namespace varnel::bench {
namespace {

constexpr std::uint64_t Nodes = 1'000'000;

const core::ScanResult& Source() {
    static const core::ScanResult result = [] {
        if (const char* image = std::getenv("VARNEL_BENCH_IMAGE")) {
            core::ScanCancellationToken token;
            return core::ScanNtfsImageFile(std::filesystem::path(image), L"C:\\", 0, token, {});
        }
        return std::move(MakeLargeResult(Nodes).result);
    }();
    return result;
}

std::span<const std::byte> Bytes(const std::string& file) {
    return std::as_bytes(std::span<const char>(file.data(), file.size()));
}

void BM_SaveScan(benchmark::State& state) {
    const core::ScanResult& result = Source();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string file = core::WriteSavedScan(result, 0);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["nodes"] = static_cast<double>(result.nodes.size());
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.counters["bytes_per_node"] = static_cast<double>(bytes) / static_cast<double>(result.nodes.size());
}

void BM_OpenScan(benchmark::State& state) {
    const std::string file = core::WriteSavedScan(Source(), 0);
    for (auto _ : state) {
        const core::SavedScanRead read = core::ReadSavedScan(Bytes(file));
        if (read.error != core::SavedFileError::None) {
            state.SkipWithError("the saved scan did not read back");
        }
        benchmark::DoNotOptimize(read.result.nodes.size());
    }
}

// Two snapshots of a tree of only folders: the later one has every folder
// grown and one in eight of the deepest level new.
core::ScanResult FolderTree(std::uint64_t folders, bool later) {
    core::ScanTreeBuilder builder;
    NameMaker name;
    const auto root = builder.AddRoot(L"C:\\", core::FileAttributeDirectory, 0);
    std::vector<std::uint64_t> level{root};
    std::uint64_t count = 1;
    while (count < folders) {
        std::vector<std::uint64_t> next;
        for (const auto parent : level) {
            for (std::uint64_t k = 0; k < 10 && count < folders; ++k, ++count) {
                const bool skip = !later && count % 8 == 0 && count * 10 > folders;
                next.push_back(builder.AddFolder(parent, name(skip ? L"new_" : L"folder_", count),
                                                 core::FileAttributeDirectory, 0));
                builder.AddFile(next.back(), L"f", 0, {count + (later ? 100 : 0), 0}, 0);
            }
        }
        level = std::move(next);
    }
    builder.ComputeTotals();
    return builder.FinishResult(core::ScanStatus::Completed, L"C:\\", 0);
}

void BM_CompareSnapshots(benchmark::State& state) {
    const core::FolderSnapshot earlier = core::MakeFolderSnapshot(FolderTree(Nodes, false), 0);
    const core::FolderSnapshot later = core::MakeFolderSnapshot(FolderTree(Nodes, true), 1);
    for (auto _ : state) {
        const core::SnapshotComparison comparison = core::CompareSnapshots(earlier, later);
        benchmark::DoNotOptimize(comparison.change.data());
    }
    state.counters["folders"] = static_cast<double>(later.folders.size());
}

void BM_ReadSnapshot(benchmark::State& state) {
    const std::string file = core::WriteFolderSnapshot(core::MakeFolderSnapshot(FolderTree(Nodes, true), 1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(core::ReadFolderSnapshot(Bytes(file)).snapshot.folders.size());
    }
    state.counters["file_bytes"] = static_cast<double>(file.size());
}

// File > Save scan and Open scan as the window's worker runs them: to and
// from a file in the system's temporary folder.
std::filesystem::path ScanFile() { return std::filesystem::temp_directory_path() / "varnel-bench-scan.vscan"; }

void BM_SaveScanToFile(benchmark::State& state) {
    const core::ScanResult& result = Source();
    for (auto _ : state) {
        if (!platform::WriteWholeFile(ScanFile(), core::WriteSavedScan(result, 0))) {
            state.SkipWithError("the saved scan could not be written");
        }
    }
    state.counters["bytes_per_node"] =
        static_cast<double>(std::filesystem::file_size(ScanFile())) / static_cast<double>(result.nodes.size());
}

void BM_OpenScanFromFile(benchmark::State& state) {
    platform::WriteWholeFile(ScanFile(), core::WriteSavedScan(Source(), 0));
    for (auto _ : state) {
        const auto bytes = platform::ReadWholeFile(ScanFile());
        const core::SavedScanRead read =
            core::ReadSavedScan(bytes ? Bytes(*bytes) : std::span<const std::byte>());
        if (read.error != core::SavedFileError::None) {
            state.SkipWithError("the saved scan did not read back");
        }
        benchmark::DoNotOptimize(read.result.nodes.size());
    }
    std::filesystem::remove(ScanFile());
}

// What View > Compare with does for a result of 1,000,000 folders: its own
// snapshot made, matched with the earlier one, every node given its
// earlier folder; then the root's growth ranking and the gone folders.
void BM_CompareResultWithSnapshot(benchmark::State& state) {
    const core::ScanResult later = FolderTree(Nodes, true);
    const core::FolderSnapshot earlier = core::MakeFolderSnapshot(FolderTree(Nodes, false), 0);
    const ui::SubtreeIndex index(later);
    std::size_t ranked = 0;
    for (auto _ : state) {
        const ui::ResultChange change(later, earlier);
        ranked = change.GrewMost(later, index, core::NoIndex, 30, core::SizeMeasure::Logical).size();
        benchmark::DoNotOptimize(change.GoneSince(core::SizeMeasure::Logical).folders);
    }
    state.counters["folders"] = static_cast<double>(earlier.folders.size());
    state.counters["ranked"] = static_cast<double>(ranked);
}

}  // namespace

BENCHMARK(BM_SaveScanToFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenScanFromFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompareResultWithSnapshot)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompareSnapshots)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadSnapshot)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace varnel::bench

BENCHMARK_MAIN();
