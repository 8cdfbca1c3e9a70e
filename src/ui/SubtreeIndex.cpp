#include "ui/SubtreeIndex.h"

namespace varnel::ui {

using core::NoIndex;

SubtreeIndex::SubtreeIndex(const core::ScanResult& result) {
    const auto& nodes = result.nodes;
    position_.assign(nodes.size(), NoIndex);
    extent_.assign(nodes.size(), 0);
    if (result.rootIndex >= nodes.size()) {
        return;
    }
    preorder_.reserve(nodes.size());
    // Each stack entry is a node whose subtree is still open; its extent is
    // known once everything pushed after it has been closed.
    struct Open {
        std::uint64_t node;
        std::size_t nextChild;
    };
    std::vector<Open> stack;
    const auto enter = [&](std::uint64_t node) {
        position_[node] = preorder_.size();
        preorder_.push_back(node);
        stack.push_back({node, 0});
    };
    enter(result.rootIndex);
    while (!stack.empty()) {
        Open& top = stack.back();
        const auto& children = nodes[top.node].children;
        if (top.nextChild < children.size()) {
            const std::uint64_t child = children[top.nextChild++];
            // A malformed or repeated link must not loop or double count.
            if (child < nodes.size() && position_[child] == NoIndex) {
                enter(child);
            }
            continue;
        }
        extent_[top.node] = preorder_.size() - position_[top.node];
        stack.pop_back();
    }
}

std::span<const std::uint64_t> SubtreeIndex::Subtree(std::uint64_t node) const {
    if (node >= position_.size() || position_[node] == NoIndex) {
        return {};
    }
    return std::span<const std::uint64_t>(preorder_).subspan(position_[node], extent_[node]);
}

}  // namespace varnel::ui
