#pragma once
// Lists the nodes of a result in pre-order once, so that every subtree is one
// contiguous run. "Is this node below that folder?" then costs nothing, and
// the rankings of any folder look only at its own subtree instead of walking
// the parent chain of every node in the result. Kept by the window for as
// long as a result is shown, so it holds 32-bit entries: 12 bytes a node.

#include <cstdint>
#include <span>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::ui {

class SubtreeIndex {
public:
    SubtreeIndex() = default;
    // O(nodes), without recursion. Nodes not reachable from the root (none in
    // a well-formed result) belong to no subtree.
    explicit SubtreeIndex(const core::ScanResult& result);

    // The node and everything below it, the node first. Empty for an index
    // out of range or a node outside the tree.
    std::span<const std::uint32_t> Subtree(std::uint64_t node) const;

    // The bytes the index holds, for the memory benchmarks.
    std::size_t MemoryBytes() const noexcept;

private:
    static constexpr std::uint32_t Unreached = 0xFFFFFFFFu;  // no tree holds that many nodes

    std::vector<std::uint32_t> preorder_;  // node indices, each subtree contiguous
    std::vector<std::uint32_t> position_;  // node -> its place in preorder_, Unreached if unreached
    std::vector<std::uint32_t> extent_;    // node -> the number of nodes in its subtree
};

}  // namespace varnel::ui
