#include "ui/view/SubtreeIndex.h"

namespace varnel::ui {

SubtreeIndex::SubtreeIndex(const core::ScanResult& result) {
    const auto& nodes = result.nodes;
    position_.assign(nodes.size(), Unreached);
    extent_.assign(nodes.size(), 0);
    if (result.rootIndex >= nodes.size()) {
        return;
    }
    preorder_.reserve(nodes.size());
    // Each stack entry is a node whose subtree is still open; its extent is
    // known once everything pushed after it has been closed.
    struct Open {
        std::span<const std::uint32_t> children;
        std::uint32_t node;
    };
    std::vector<Open> stack;
    const auto enter = [&](std::uint32_t node) {
        position_[node] = static_cast<std::uint32_t>(preorder_.size());
        preorder_.push_back(node);
        stack.push_back({nodes[node].Children(), node});
    };
    enter(static_cast<std::uint32_t>(result.rootIndex));
    while (!stack.empty()) {
        Open& top = stack.back();
        if (!top.children.empty()) {
            const std::uint32_t child = top.children.front();
            top.children = top.children.subspan(1);
            enter(child);
            continue;
        }
        extent_[top.node] = static_cast<std::uint32_t>(preorder_.size()) - position_[top.node];
        stack.pop_back();
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
