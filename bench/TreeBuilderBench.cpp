// Cost of building and totalling scan trees of realistic shape: what every
// engine pays per node. Reports nanoseconds per node for AddFolder/AddFile,
// for ComputeTotals and for indexing the children, and the bytes one node of
// the finished result occupies, on this host and for the Windows build,
// whose names take 2 bytes a character where this host's wchar_t may take 4.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/ScanTreeBuilder.h"

namespace {

using namespace varnel::core;

// A deterministic tree shape: folders with skewed fan-out up to depth 12 and
// heavy-tailed file sizes. Names come from a pool of 10 to 30 characters,
// 20 on average.
struct SyntheticTree {
    static constexpr std::uint64_t FolderMark = ~0ull;
    struct Entry {
        std::uint64_t parent;  // position in entries, or NoIndex
        std::uint64_t size;    // FolderMark for a folder
    };
    std::vector<Entry> entries;
    std::vector<std::wstring> names;  // pool, used round-robin
};

std::wstring MakeName(std::mt19937_64& random) {
    static const wchar_t alphabet[] = L"abcdefghijklmnopqrstuvwxyz0123456789 _-";
    std::uniform_int_distribution<int> length(10, 30);
    std::uniform_int_distribution<int> letter(0, 38);
    std::wstring name(static_cast<std::size_t>(length(random)), L'x');
    for (auto& c : name) c = alphabet[letter(random)];
    return name;
}

SyntheticTree MakeTree(std::uint64_t nodeCount) {
    SyntheticTree tree;
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 4096; ++i) tree.names.push_back(MakeName(random));
    tree.entries.reserve(nodeCount);
    tree.entries.push_back({NoIndex, SyntheticTree::FolderMark});
    std::vector<std::uint64_t> folders{0};
    std::vector<int> depth{0};
    std::lognormal_distribution<double> fileSize(9.0, 2.5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    while (tree.entries.size() < nodeCount) {
        // Prefer recent folders: skewed fan-out and deep chains, as on real disks.
        const double pick = unit(random);
        const std::size_t slot = folders.size() - 1 -
            static_cast<std::size_t>(pick * pick * pick * static_cast<double>(folders.size() - 1));
        const bool folder = unit(random) < 0.12 && depth[slot] < 12;
        const auto size = folder ? SyntheticTree::FolderMark : static_cast<std::uint64_t>(fileSize(random));
        tree.entries.push_back({folders[slot], size});
        if (folder) {
            folders.push_back(tree.entries.size() - 1);
            depth.push_back(depth[slot] + 1);
        }
    }
    return tree;
}

const SyntheticTree& TreeOf(std::uint64_t nodeCount) {
    static std::uint64_t cachedCount = 0;
    static SyntheticTree cached;
    if (cachedCount != nodeCount) {
        cached = SyntheticTree{};
        cached = MakeTree(nodeCount);
        cachedCount = nodeCount;
    }
    return cached;
}

// Builds the tree through the builder; builder indices equal entry positions.
void Build(const SyntheticTree& tree, ScanTreeBuilder& builder) {
    builder.AddRoot(L"C:\\", FileAttributeDirectory, 0);
    for (std::size_t i = 1; i < tree.entries.size(); ++i) {
        const auto& e = tree.entries[i];
        const std::wstring& name = tree.names[i % tree.names.size()];
        if (e.size == SyntheticTree::FolderMark) {
            builder.AddFolder(e.parent, name, FileAttributeDirectory, 0);
        } else {
            builder.AddFile(e.parent, name, 0x20, FileSizes{e.size, e.size}, 0);
        }
    }
}

benchmark::Counter PerNode(std::size_t nodes) {
    return benchmark::Counter(static_cast<double>(nodes),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_AddNodes(benchmark::State& state) {
    const auto& tree = TreeOf(static_cast<std::uint64_t>(state.range(0)));
    for (auto _ : state) {
        ScanTreeBuilder builder;
        Build(tree, builder);
        benchmark::DoNotOptimize(builder.Nodes().size());
        state.PauseTiming();
        { ScanTreeBuilder discard = std::move(builder); }
        state.ResumeTiming();
    }
    state.counters["ns_per_node"] = PerNode(tree.entries.size());
}

void BM_ComputeTotals(benchmark::State& state) {
    const auto& tree = TreeOf(static_cast<std::uint64_t>(state.range(0)));
    ScanTreeBuilder builder;
    Build(tree, builder);
    for (auto _ : state) {
        builder.ComputeTotals();
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_node"] = PerNode(tree.entries.size());

    // The finished result, counted from the capacities its storage holds;
    // building only appends to it, so this is also the builder's peak.
    const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"C:\\", 0);
    const auto nodes = static_cast<double>(result.nodes.size());
    const auto hostBytes = static_cast<double>(result.nodes.MemoryBytes());
    const auto nameBytes = static_cast<double>(result.nodes.NameMemoryBytes());
    state.counters["bytes_per_node"] = hostBytes / nodes;
    state.counters["bytes_per_node_windows"] = (hostBytes - nameBytes + nameBytes * 2.0 / sizeof(wchar_t)) / nodes;
    std::uint64_t nameCharacters = 0;
    for (const NodeView node : result.nodes) {
        nameCharacters += node.Name().size();
    }
    state.counters["name_chars_per_node"] = static_cast<double>(nameCharacters) / nodes;
}

void BM_IndexChildren(benchmark::State& state) {
    const auto& tree = TreeOf(static_cast<std::uint64_t>(state.range(0)));
    ScanTreeBuilder builder;
    Build(tree, builder);
    ScanResult result = builder.FinishResult(ScanStatus::Completed, L"C:\\", 0);
    for (auto _ : state) {
        result.nodes.IndexChildren();
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_node"] = PerNode(tree.entries.size());
}

BENCHMARK(BM_AddNodes)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ComputeTotals)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IndexChildren)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
