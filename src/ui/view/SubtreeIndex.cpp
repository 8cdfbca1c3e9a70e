#include "ui/view/SubtreeIndex.h"

namespace varnel::ui {

SubtreeIndex::SubtreeIndex(const core::ScanResult& result) {
    const auto& nodes = result.nodes;
    const std::uint64_t count = nodes.size();
    position_.assign(count, Unreached);
    extent_.assign(count, 0);
    if (result.rootIndex >= count) {
        return;
    }
    // A parent always comes before its children, so a backward pass finds
    // every subtree's size, and a forward pass gives each child its place
    // after its parent and its elder siblings. Both read the tree in the
    // order it is stored: a depth-first walk jumps around tens of millions of
    // bytes and took several times as long. A child listed before its parent
    // could only come from a damaged tree and is left unreached.
    for (std::uint64_t n = count; n-- > 0;) {
        std::uint32_t size = 1;
        for (const std::uint32_t child : nodes[n].Children()) {
            if (child > n) {
                size += extent_[child];
            }
        }
        extent_[n] = size;
    }
    const auto root = static_cast<std::uint32_t>(result.rootIndex);
    preorder_.resize(extent_[root]);
    position_[root] = 0;
    for (std::uint64_t n = root; n < count; ++n) {
        const std::uint32_t at = position_[n];
        if (at == Unreached) {
            continue;
        }
        preorder_[at] = static_cast<std::uint32_t>(n);
        std::uint32_t next = at + 1;
        for (const std::uint32_t child : nodes[n].Children()) {
            if (child > n) {
                position_[child] = next;
                next += extent_[child];
            }
        }
    }
}

std::span<const std::uint32_t> SubtreeIndex::Subtree(std::uint64_t node) const {
    if (node >= position_.size() || position_[node] == Unreached) {
        return {};
    }
    return std::span<const std::uint32_t>(preorder_).subspan(position_[node], extent_[node]);
}

std::size_t SubtreeIndex::MemoryBytes() const noexcept {
    return (preorder_.capacity() + position_.capacity() + extent_.capacity()) * sizeof(std::uint32_t);
}

}  // namespace varnel::ui
