// What the window does on the window thread with a large result, without
// the controls: indexing the result once, showing the root's rows, filling
// both rankings for the root and for a folder deep in the tree, expanding a
// folder with 100,000 children, and flipping the sort. The list views ask
// only for visible rows, so these are the costs that grow with the result.

#include <benchmark/benchmark.h>

#include <string>

#include "core/ScanTreeBuilder.h"
#include "ui/ResultView.h"
#include "ui/SubtreeIndex.h"

namespace {

using namespace varnel;
using core::NoIndex;

struct LargeResult {
    core::ScanResult result;
    std::uint64_t deepFolder = 0;
    std::uint64_t wideFolder = 0;
};

// 1,000,000 nodes: a folder with 100,000 files, and 900,000 nodes in a
// chain-heavy tree 12 levels deep with fan-out 8 near the top.
const LargeResult& Result() {
    static const LargeResult large = [] {
        LargeResult r;
        core::ScanTreeBuilder b;
        b.Reserve(1'000'000);
        const auto root = b.AddFolder(NoIndex, L"", L"C:\\", core::FileAttributeDirectory, 0);
        r.wideFolder = b.AddFolder(root, L"wide", L"C:\\wide", core::FileAttributeDirectory, 0);
        for (int i = 0; i < 100'000; ++i) {
            b.AddFile(r.wideFolder, L"f" + std::to_wstring(i), L"C:\\wide\\f", 0,
                      static_cast<std::uint64_t>((i * 7919) % 100'003), 0);
        }
        std::vector<std::uint64_t> level{root};
        std::uint64_t count = b.Nodes().size();
        for (int depth = 0; depth < 12 && count < 1'000'000; ++depth) {
            std::vector<std::uint64_t> next;
            for (const auto parent : level) {
                for (int k = 0; k < 8 && count < 1'000'000; ++k) {
                    next.push_back(b.AddFolder(parent, L"d" + std::to_wstring(k), L"C:\\d", core::FileAttributeDirectory, 0));
                    ++count;
                    for (int f = 0; f < 6 && count < 1'000'000; ++f, ++count) {
                        b.AddFile(next.back(), L"x" + std::to_wstring(f), L"C:\\d\\x", 0,
                                  static_cast<std::uint64_t>(count % 65'537) * 512, 0);
                    }
                }
            }
            if (next.size() > 20'000) next.resize(20'000);  // keep the depth going
            level = std::move(next);
        }
        r.deepFolder = level.front();
        b.ComputeTotals();
        r.result = b.FinishResult(core::ScanStatus::Completed, L"C:\\", 0);
        return r;
    }();
    return large;
}

void BM_ShowResult(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        ui::SubtreeIndex index(r.result);
        ui::ResultTree tree;
        tree.Reset(&r.result);
        const auto rankings = ui::ComputeRankings(r.result, index, r.result.rootIndex);
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

void BM_RankingsForRoot(benchmark::State& state) {
    const auto& r = Result();
    const ui::SubtreeIndex index(r.result);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ui::ComputeRankings(r.result, index, r.result.rootIndex).folders.nodes.data());
    }
}

void BM_RankingsForDeepFolder(benchmark::State& state) {
    const auto& r = Result();
    const ui::SubtreeIndex index(r.result);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ui::ComputeRankings(r.result, index, r.deepFolder).files.nodes.data());
    }
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

BENCHMARK(BM_ShowResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RankingsForRoot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RankingsForDeepFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandFolderWith100kChildren)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToggleSortWith100kRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
