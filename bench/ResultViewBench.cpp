// What the window does on the window thread with a 10,000,000-node result,
// without the controls: indexing the result once, showing the root's rows,
// filling both rankings for the root and for a folder deep in the tree,
// expanding a folder with 100,000 children, flipping the sort or sorting by
// name or path, and writing the result as File > Export does. The list views
// ask only for visible rows, so these are the costs that grow with the
// result. BM_WindowMemory prints what the window keeps per node besides the
// tree itself.

#include <benchmark/benchmark.h>

#include <string>

#include "LargeResult.h"
#include "report/ScanReport.h"
#include "ui/view/ResultView.h"
#include "ui/view/SubtreeIndex.h"

namespace {

using namespace varnel;
using bench::Result;

void BM_ShowResult(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        ui::SubtreeIndex index(r.result);
        ui::ResultTree tree;
        tree.Reset(&r.result);
        const auto rankings = ui::ComputeRankings(r.result, index, r.result.rootIndex, core::SizeMeasure::Logical);
        benchmark::DoNotOptimize(rankings.files.nodes.data());
    }
    state.counters["nodes"] = static_cast<double>(r.result.nodes.size());
}

void BM_IndexResult(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        ui::SubtreeIndex index(r.result);
        benchmark::DoNotOptimize(&index);
    }
}

// Argument 0 ranks by length, 1 by bytes on disk.
void BM_RankingsForRoot(benchmark::State& state) {
    const auto& r = Result();
    const ui::SubtreeIndex index(r.result);
    const auto measure = state.range(0) == 0 ? core::SizeMeasure::Logical : core::SizeMeasure::OnDisk;
    for (auto _ : state) {
        const auto rankings = ui::ComputeRankings(r.result, index, r.result.rootIndex, measure);
        benchmark::DoNotOptimize(rankings.folders.nodes.data());
    }
}

// What the window thread does for the root while the index is still being
// built on its own thread.
void BM_RootRankingsWithoutIndex(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        const auto rankings = ui::ComputeRootRankings(r.result, core::SizeMeasure::Logical);
        benchmark::DoNotOptimize(rankings->folders.nodes.data());
    }
}

void BM_RankingsForDeepFolder(benchmark::State& state) {
    const auto& r = Result();
    const ui::SubtreeIndex index(r.result);
    for (auto _ : state) {
        const auto rankings = ui::ComputeRankings(r.result, index, r.deepFolder, core::SizeMeasure::Logical);
        benchmark::DoNotOptimize(rankings.files.nodes.data());
    }
}

void BM_RankingsForMiddleFolder(benchmark::State& state) {
    const auto& r = Result();
    const ui::SubtreeIndex index(r.result);
    for (auto _ : state) {
        const auto rankings = ui::ComputeRankings(r.result, index, r.middleFolder, core::SizeMeasure::Logical);
        benchmark::DoNotOptimize(rankings.files.nodes.data());
    }
    state.counters["below"] = static_cast<double>(index.Subtree(r.middleFolder).size());
}

void BM_ExpandFolderWith100kChildren(benchmark::State& state) {
    const auto& r = Result();
    ui::ResultTree tree;
    tree.Reset(&r.result);
    const std::size_t row = *tree.FindRow(r.wideFolder);
    for (auto _ : state) {
        tree.ToggleExpand(row);  // expand
        benchmark::DoNotOptimize(tree.Rows().data());
        state.PauseTiming();
        tree.ToggleExpand(row);  // collapse again
        state.ResumeTiming();
    }
}

void BM_ToggleSortWith100kRows(benchmark::State& state) {
    const auto& r = Result();
    ui::ResultTree tree;
    tree.Reset(&r.result);
    tree.ToggleExpand(*tree.FindRow(r.wideFolder));
    for (auto _ : state) {
        tree.SetSortDescending(!tree.SortDescending());
        benchmark::DoNotOptimize(tree.Rows().data());
    }
    state.counters["rows"] = static_cast<double>(tree.Rows().size());
}

// Against BM_ToggleSortWith100kRows: by name (column 0) names compare as
// text, not as numbers; by path (column 5) every path is made once per sort,
// not once per comparison.
void BM_SortByTextWith100kRows(benchmark::State& state) {
    const auto& r = Result();
    ui::ResultTree tree;
    tree.Reset(&r.result);
    tree.ToggleExpand(*tree.FindRow(r.wideFolder));
    const auto column = static_cast<int>(state.range(0));
    bool descending = false;
    for (auto _ : state) {
        tree.SetSortOrder({column, descending = !descending}, ui::OrdinalCompare);
        benchmark::DoNotOptimize(tree.Rows().data());
    }
}

// The bytes the window holds for a shown result beside the tree: the subtree
// index (per node) and the rows of the tree list (per row shown).
void BM_WindowMemory(benchmark::State& state) {
    const auto& r = Result();
    const ui::SubtreeIndex index(r.result);
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.Subtree(r.result.rootIndex).size());
    }
    const auto nodes = static_cast<double>(r.result.nodes.size());
    state.counters["nodes"] = nodes;
    state.counters["tree_bytes_per_node"] = static_cast<double>(r.result.nodes.MemoryBytes()) / nodes;
    state.counters["subtree_index_bytes_per_node"] = static_cast<double>(index.MemoryBytes()) / nodes;
    state.counters["row_bytes"] = static_cast<double>(sizeof(ui::TreeRow));
}

// The export's pieces (as File > Export and varnelscan write them) against
// the whole report in one string; bytes_per_second is the output rate with
// the writing itself left out, the figure to hold against a disk.
template <class Write>
void ExportInPieces(benchmark::State& state, Write write) {
    const auto& r = Result();
    std::uint64_t total = 0;
    for (auto _ : state) {
        std::uint64_t bytes = 0;
        write(r.result, report::Ranking{}, [&bytes](std::string_view piece, std::uint64_t) {
            bytes += piece.size();
            benchmark::DoNotOptimize(piece.data());
            return true;
        });
        total += bytes;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
}

void BM_ExportCsvInPieces(benchmark::State& state) { ExportInPieces(state, report::WriteCsv); }
void BM_ExportJsonInPieces(benchmark::State& state) { ExportInPieces(state, report::WriteJson); }

void BM_RenderCsvWhole(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        benchmark::DoNotOptimize(report::RenderCsv(r.result, {}).size());
    }
}

BENCHMARK(BM_ShowResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RankingsForRoot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RootRankingsWithoutIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RankingsForDeepFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RankingsForMiddleFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandFolderWith100kChildren)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToggleSortWith100kRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByTextWith100kRows)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowMemory)->Iterations(1);
BENCHMARK(BM_ExportCsvInPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportJsonInPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderCsvWhole)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
