#pragma once
// The largest-N rankings: the report's --top lists and the window's two
// ranking lists keep the N largest of many candidates the same way, and
// order equal sizes the same way (lower index first), so that the same
// result ranks alike wherever it is shown.

#include <algorithm>
#include <cstdint>
#include <utility>
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

// Keeps the `limit` largest of the nodes it is offered, by DisplaySize in
// `measure`, in a heap of at most `limit` indices; Take gives them largest
// first. Larger first, then lower index first: a total order, so the outcome
// never depends on the order the nodes were offered in. Two of them fill two
// rankings in one pass over the nodes.
class LargestKeeper {
public:
    LargestKeeper(const ScanTree& nodes, std::size_t limit, SizeMeasure measure) noexcept
        : before_{&nodes, measure}, limit_(limit) {}

    void Offer(std::uint64_t index) {
        const Before& before = before_;
        if (kept_.size() < limit_) {
            kept_.push_back(index);
            std::push_heap(kept_.begin(), kept_.end(), before);
        } else if (limit_ > 0 && before(index, kept_.front())) {
            // The heap's top is the last of the kept nodes.
            std::pop_heap(kept_.begin(), kept_.end(), before);
            kept_.back() = index;
            std::push_heap(kept_.begin(), kept_.end(), before);
        }
    }
    std::vector<std::uint64_t> Take() {
        std::sort_heap(kept_.begin(), kept_.end(), before_);
        return std::move(kept_);
    }

private:
    struct Before {
        const ScanTree* nodes;
        SizeMeasure measure;
        bool operator()(std::uint64_t a, std::uint64_t b) const noexcept {
            const std::uint64_t sizeA = DisplaySize((*nodes)[a], measure);
            const std::uint64_t sizeB = DisplaySize((*nodes)[b], measure);
            return sizeA != sizeB ? sizeA > sizeB : a < b;
        }
    };

    Before before_;
    std::size_t limit_;
    std::vector<std::uint64_t> kept_;
};

// Keeps the `limit` largest of `candidates` (node indices) that `accept`
// takes, by DisplaySize in `measure`, largest first. Holds at most `limit`
// indices while it looks, however many candidates there are.
template <class Candidates, class Accept>
std::vector<std::uint64_t> LargestNodes(const ScanTree& nodes, const Candidates& candidates, std::size_t limit,
                                        SizeMeasure measure, Accept accept) {
    LargestKeeper keeper(nodes, limit, measure);
    if (limit == 0) {
        return {};
    }
    for (const auto candidate : candidates) {
        const auto index = static_cast<std::uint64_t>(candidate);
        if (accept(nodes[index])) {
            keeper.Offer(index);
        }
    }
    return keeper.Take();
}

}  // namespace varnel::core
