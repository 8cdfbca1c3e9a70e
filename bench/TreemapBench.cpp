// The treemap and the file types view on a 10,000,000-node result: laying
// out and drawing the whole result into a 1920 x 1080 picture, zooming into
// a folder with about a million nodes below it, indexing every file's
// extension once per result, and breaking the result down by type. All of
// it runs on the treemap's worker except the breakdown, which the window
// thread computes when the selected folder changes. BM_TreemapMemory prints
// what the two add per node.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "LargeResult.h"
#include "model/FileTypes.h"
#include "ui/treemap/TreemapLayout.h"
#include "ui/treemap/TreemapRenderer.h"

namespace {

using namespace varnel;
using bench::Result;

constexpr int Width = 1920;
constexpr int Height = 1080;

const core::FileTypeIndex& Types() {
    static const core::FileTypeIndex types(Result().result.nodes);
    return types;
}

// The folder whose subtree is nearest a million nodes, and that count.
std::pair<std::uint64_t, std::uint64_t> MillionNodeFolder() {
    static const std::pair<std::uint64_t, std::uint64_t> folder = [] {
        const auto& tree = Result().result.nodes;
        std::vector<std::uint32_t> below(tree.size(), 1);
        for (std::uint64_t i = tree.size(); i-- > 1;) {
            if (tree[i].Parent() != core::NoIndex) below[tree[i].Parent()] += below[i];
        }
        std::uint64_t best = 0;
        for (std::uint64_t i = 0; i < tree.size(); ++i) {
            if (std::llabs(static_cast<long long>(below[i]) - 1'000'000) <
                std::llabs(static_cast<long long>(below[best]) - 1'000'000)) {
                best = i;
            }
        }
        return std::pair<std::uint64_t, std::uint64_t>{best, below[best]};
    }();
    return folder;
}

void LayOutAndDraw(benchmark::State& state, std::uint64_t top) {
    const auto& r = Result();
    const auto& types = Types();
    const ui::TreemapColours colours = ui::TreemapColoursFor({});
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(Width) * Height);
    std::size_t tiles = 0;
    for (auto _ : state) {
        const ui::TreemapLayout layout =
            ui::TreemapLayout::Compute(r.result.nodes, top, core::SizeMeasure::Logical, Width, Height);
        ui::RenderTreemap(layout, r.result.nodes, types, colours, core::FileTypeIndex::None, pixels);
        tiles = layout.Tiles().size();
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["tiles"] = static_cast<double>(tiles);
}

void BM_TreemapWholeResult(benchmark::State& state) { LayOutAndDraw(state, Result().result.rootIndex); }

void BM_TreemapZoomIntoMillionNodeFolder(benchmark::State& state) {
    LayOutAndDraw(state, MillionNodeFolder().first);
    state.counters["nodes_below"] = static_cast<double>(MillionNodeFolder().second);
}

void BM_TreemapLayoutOnly(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        const ui::TreemapLayout layout =
            ui::TreemapLayout::Compute(r.result.nodes, r.result.rootIndex, core::SizeMeasure::Logical, Width, Height);
        benchmark::DoNotOptimize(layout.Tiles().data());
    }
}

void BM_FileTypeIndex(benchmark::State& state) {
    const auto& r = Result();
    for (auto _ : state) {
        const core::FileTypeIndex index(r.result.nodes);
        benchmark::DoNotOptimize(&index);
    }
}

void BM_TypesBreakdown(benchmark::State& state) {
    const auto& r = Result();
    const auto& types = Types();
    for (auto _ : state) {
        const auto rows = core::BreakDownByType(r.result.nodes, types, r.result.rootIndex, core::SizeMeasure::Logical);
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_TreemapMemory(benchmark::State& state) {
    const auto& r = Result();
    std::size_t tileBytes = 0;
    for (auto _ : state) {
        const ui::TreemapLayout layout =
            ui::TreemapLayout::Compute(r.result.nodes, r.result.rootIndex, core::SizeMeasure::Logical, Width, Height);
        tileBytes = layout.Tiles().size_bytes();
    }
    const auto nodes = static_cast<double>(r.result.nodes.size());
    const double pictureBytes = 2.0 * Width * Height * sizeof(std::uint32_t);  // shown and being drawn
    state.counters["nodes"] = nodes;
    state.counters["type_index_bytes_per_node"] = static_cast<double>(Types().MemoryBytes()) / nodes;
    state.counters["tiles_and_pictures_bytes_per_node"] = (static_cast<double>(tileBytes) + pictureBytes) / nodes;
}

}  // namespace

BENCHMARK(BM_TreemapWholeResult)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreemapZoomIntoMillionNodeFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreemapLayoutOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileTypeIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypesBreakdown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreemapMemory)->Iterations(1);

BENCHMARK_MAIN();
