// Search of a 10,000,000-node result, as Edit > Find and varnelscan --find
// run it: a name pattern that matches nothing (every name is still read), one
// that matches a tenth of the nodes, and a path pattern, for which every
// node's path is formed. Each to the complete list of matches.

#include <benchmark/benchmark.h>

#include "LargeResult.h"
#include "model/Search.h"

namespace {

using namespace varnel;
using bench::Result;

void RunSearch(benchmark::State& state, const wchar_t* pattern) {
    const auto& r = Result();
    core::SearchCriteria criteria;
    criteria.pattern = pattern;
    std::uint64_t matches = 0;
    for (auto _ : state) {
        matches = 0;
        core::SearchNodes(r.result, criteria, nullptr, [&](std::span<const std::uint64_t> batch) {
            matches += batch.size();
            return true;
        });
        benchmark::DoNotOptimize(matches);
    }
    state.counters["nodes"] = static_cast<double>(r.result.nodes.size());
    state.counters["matches"] = static_cast<double>(matches);
}

void BM_SearchIsoNoMatch(benchmark::State& state) { RunSearch(state, L"*.iso"); }
void BM_SearchNameTenthMatches(benchmark::State& state) { RunSearch(state, L"DOCUMENT_*1?"); }
void BM_SearchPathPattern(benchmark::State& state) { RunSearch(state, L"*\\directory_0000000*\\*"); }

BENCHMARK(BM_SearchIsoNoMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNameTenthMatches)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPathPattern)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
