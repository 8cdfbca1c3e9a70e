// Cost of building and totalling scan trees of realistic shape: what every
// engine pays per node. Reports nanoseconds per node for AddFolder/AddFile and
// for ComputeTotals, and the bytes one node occupies (array slot, strings,
// child list), on this host and as UTF-16 strings would take on Windows.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/PathRules.h"
#include "core/ScanTreeBuilder.h"

namespace {

using namespace varnel::core;

// A deterministic tree shape: folders with skewed fan-out up to depth 12 and
// heavy-tailed file sizes. Names come from a pool of 6 to 30 characters and
// paths are joined from the parent's path while building, as the engines do,
// so full paths average some 80 characters without storing them twice.
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
    std::uniform_int_distribution<int> length(6, 30);
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
    builder.AddFolder(NoIndex, L"", L"C:\\", FileAttributeDirectory, 0);
    for (std::size_t i = 1; i < tree.entries.size(); ++i) {
        const auto& e = tree.entries[i];
        const std::wstring& name = tree.names[i % tree.names.size()];
        std::wstring path = JoinPath(builder.Nodes()[e.parent].path, name);
        if (e.size == SyntheticTree::FolderMark) {
            builder.AddFolder(e.parent, name, std::move(path), FileAttributeDirectory, 0);
        } else {
            builder.AddFile(e.parent, name, std::move(path), 0x20, e.size, 0);
        }
    }
}

std::uint64_t HeapBytes(const std::wstring& s, std::size_t charSize) {
    // Short strings live inside the node (small-string optimisation).
    const std::size_t inlineCapacity = sizeof(std::wstring) / sizeof(wchar_t) - 1;
    return s.size() <= inlineCapacity && charSize == sizeof(wchar_t) ? 0 : (s.capacity() + 1) * charSize;
}

void BM_AddNodes(benchmark::State& state) {
    const auto& tree = TreeOf(static_cast<std::uint64_t>(state.range(0)));
    for (auto _ : state) {
        ScanTreeBuilder builder;
        Build(tree, builder);
        benchmark::DoNotOptimize(builder.Nodes().data());
        state.PauseTiming();
        { ScanTreeBuilder discard = std::move(builder); }
        state.ResumeTiming();
    }
    state.counters["ns_per_node"] = benchmark::Counter(
        static_cast<double>(tree.entries.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_ComputeTotals(benchmark::State& state) {
    const auto& tree = TreeOf(static_cast<std::uint64_t>(state.range(0)));
    ScanTreeBuilder builder;
    Build(tree, builder);
    for (auto _ : state) {
        builder.ComputeTotals();
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_node"] = benchmark::Counter(
        static_cast<double>(tree.entries.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);

    // Memory of the finished result, counted exactly from capacities.
    const ScanResult result = builder.FinishResult(ScanStatus::Completed, L"C:\\", 0);
    std::uint64_t hostBytes = result.nodes.capacity() * sizeof(ScanNode);
    std::uint64_t windowsBytes = hostBytes;
    for (const ScanNode& node : result.nodes) {
        const std::uint64_t children = node.children.capacity() * sizeof(std::uint64_t);
        hostBytes += HeapBytes(node.name, sizeof(wchar_t)) + HeapBytes(node.path, sizeof(wchar_t)) + children;
        // On Windows wchar_t is 2 bytes and the string keeps 7 characters inline.
        const auto utf16 = [](const std::wstring& s) -> std::uint64_t { return s.size() <= 7 ? 0 : (s.size() + 1) * 2; };
        windowsBytes += utf16(node.name) + utf16(node.path) + children;
    }
    const auto nodes = static_cast<double>(result.nodes.size());
    state.counters["bytes_per_node"] = static_cast<double>(hostBytes) / nodes;
    state.counters["bytes_per_node_utf16"] = static_cast<double>(windowsBytes) / nodes;
    state.counters["sizeof_ScanNode"] = static_cast<double>(sizeof(ScanNode));
}

BENCHMARK(BM_AddNodes)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ComputeTotals)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
