#include "model/Search.h"

#include <vector>

#include "base/PathRules.h"
#include "model/NamePattern.h"

namespace varnel::core {
namespace {

// A batch goes out when it holds this many matches, or after this many
// nodes were looked at with any match waiting: the first rows show at once
// even when matches are rare, and a common pattern costs few calls.
constexpr std::size_t MatchesPerBatch = 512;
constexpr std::uint64_t NodesPerCheck = 1u << 16;

// The paths of nodes asked for in index order: siblings mostly follow one
// another, so a parent's path is derived once for its run of children.
class PathsInIndexOrder {
public:
    explicit PathsInIndexOrder(const ScanTree& nodes) : nodes_(nodes) {}

    const std::wstring& Of(NodeView node) {
        if (node.Parent() == NoIndex || !node.OwnPath().empty()) {
            path_ = node.Path();
            return path_;
        }
        if (node.Parent() != parent_) {
            parent_ = node.Parent();
            parentPath_ = nodes_[parent_].Path();
        }
        // The same join as JoinPath, into a buffer that is reused: no
        // allocation per node.
        path_.assign(parentPath_);
        const std::wstring_view name = node.Name();
        if (!name.empty()) {
            if (!path_.empty() && !IsPathSeparator(path_.back())) {
                path_.push_back(L'\\');
            }
            path_.append(name);
        }
        return path_;
    }

private:
    const ScanTree& nodes_;
    std::uint64_t parent_ = NoIndex;
    std::wstring parentPath_;
    std::wstring path_;
};

}  // namespace

bool SearchNodes(const ScanResult& result, const SearchCriteria& criteria, const std::atomic<bool>* cancel,
                 const SearchBatchSink& sink) {
    const NamePattern pattern(criteria.pattern);
    PathsInIndexOrder paths(result.nodes);
    std::vector<std::uint64_t> batch;
    batch.reserve(MatchesPerBatch);
    const auto flush = [&] {
        const bool more = batch.empty() || sink(batch);
        batch.clear();
        return more;
    };
    const std::uint64_t count = result.nodes.size();
    for (std::uint64_t i = 0; i < count; ++i) {
        if (i % NodesPerCheck == NodesPerCheck - 1) {
            if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
                return false;
            }
            if (!flush()) {
                return false;
            }
        }
        if (i == result.rootIndex) {
            continue;
        }
        const NodeView node = result.nodes[i];
        if (DisplaySize(node, criteria.measure) < criteria.minimumSize) {
            continue;
        }
        const std::uint64_t written = node.LastWriteTime();
        if ((criteria.modifiedAfter != 0 && (written == 0 || written < criteria.modifiedAfter)) ||
            (criteria.modifiedBefore != 0 && (written == 0 || written >= criteria.modifiedBefore))) {
            continue;
        }
        if (!pattern.MatchesEverything() &&
            !pattern.Matches(pattern.MatchesPaths() ? std::wstring_view(paths.Of(node)) : node.Name())) {
            continue;
        }
        batch.push_back(i);
        if (batch.size() >= MatchesPerBatch && !flush()) {
            return false;
        }
    }
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
        return false;
    }
    return flush();
}

}  // namespace varnel::core
