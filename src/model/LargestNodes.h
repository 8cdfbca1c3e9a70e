#pragma once
// The largest-N rankings: the report's --top lists and the window's two
// ranking lists keep the N largest of many candidates the same way, and
// order equal sizes the same way (lower index first), so that the same
// result ranks alike wherever it is shown.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "model/SizeMeasure.h"

namespace varnel::core {

// Every index below `count`, as candidates for LargestNodes.
struct IndicesBelow {
    struct Iterator {
        std::uint64_t index;
        std::uint64_t operator*() const noexcept { return index; }
        Iterator& operator++() noexcept {
            ++index;
            return *this;
        }
        bool operator!=(const Iterator& other) const noexcept { return index != other.index; }
    };
    std::uint64_t count = 0;
    Iterator begin() const noexcept { return {0}; }
    Iterator end() const noexcept { return {count}; }
};

// Keeps the `limit` largest of `candidates` (node indices) that `accept`
// takes, by DisplaySize in `measure`, largest first. Holds at most `limit`
// indices while it looks, however many candidates there are.
template <class Candidates, class Accept>
std::vector<std::uint64_t> LargestNodes(const ScanTree& nodes, const Candidates& candidates, std::size_t limit,
                                        SizeMeasure measure, Accept accept) {
    std::vector<std::uint64_t> kept;
    if (limit == 0) {
        return kept;
    }
    // Larger first, then lower index first: a total order, so the outcome
    // never depends on the order the candidates came in.
    const auto before = [&](std::uint64_t a, std::uint64_t b) {
        const std::uint64_t sizeA = DisplaySize(nodes[a], measure);
        const std::uint64_t sizeB = DisplaySize(nodes[b], measure);
        return sizeA != sizeB ? sizeA > sizeB : a < b;
    };
    // A heap whose top is the last of the kept candidates.
    for (const auto candidate : candidates) {
        const auto index = static_cast<std::uint64_t>(candidate);
        if (!accept(nodes[index])) {
            continue;
        }
        if (kept.size() < limit) {
            kept.push_back(index);
            std::push_heap(kept.begin(), kept.end(), before);
        } else if (before(index, kept.front())) {
            std::pop_heap(kept.begin(), kept.end(), before);
            kept.back() = index;
            std::push_heap(kept.begin(), kept.end(), before);
        }
    }
    std::sort_heap(kept.begin(), kept.end(), before);
    return kept;
}

}  // namespace varnel::core
