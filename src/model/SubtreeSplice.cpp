#include "model/SubtreeSplice.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

#include "base/PathRules.h"

namespace varnel::core {
namespace {

std::uint64_t CopyNode(ScanTree& into, std::uint64_t parent, NodeView node) {
    return into.Append(parent, node.IsDirectory(), node.Name(), node.Attributes(),
                       FileSizes{node.Size(), node.SizeOnDisk()}, node.LastWriteTime());
}

// True when `path` is `folder` or lies below it.
bool IsAtOrBelow(const std::wstring& path, const std::wstring& folder) {
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) {
        return false;
    }
    return path.size() == folder.size() || IsPathSeparator(path[folder.size()]) ||
           (!folder.empty() && IsPathSeparator(folder.back()));
}

}  // namespace

std::optional<SplicedResult> SpliceSubtree(const ScanResult& old, std::uint64_t folder, ScanResult&& rescan) {
    const ScanTree& nodes = old.nodes;
    const ScanResult fresh = std::move(rescan);
    if (folder >= nodes.size() || !nodes[folder].IsDirectory() || fresh.rootIndex >= fresh.nodes.size()) {
        return std::nullopt;
    }
    const std::uint64_t count = nodes.size();
    // Parents come first, so one forward pass marks the whole old subtree.
    std::vector<bool> inOld(count, false);
    inOld[folder] = true;
    std::uint64_t goingNodes = 0;
    std::uint64_t goingFiles = 0;
    std::uint64_t goingFolders = 1;
    for (std::uint64_t i = folder + 1; i < count; ++i) {
        const std::uint64_t parent = nodes[i].Parent();
        inOld[i] = parent != NoIndex && parent >= folder && inOld[parent];
        if (inOld[i]) {
            ++goingNodes;
            (nodes[i].IsDirectory() ? goingFolders : goingFiles) += 1;
        }
    }
    if (fresh.nodes.size() - 1 > ScanTree::MaxNodes - (count - goingNodes)) {
        return std::nullopt;
    }

    SplicedResult spliced;
    spliced.newIndexOf.assign(count, NoIndex);
    ScanResult& out = spliced.result;
    try {
        for (std::uint64_t i = 0; i < count; ++i) {
            if (inOld[i] && i != folder) {
                continue;
            }
            const NodeView node = nodes[i];
            const std::uint64_t parent = node.Parent() == NoIndex ? NoIndex : spliced.newIndexOf[node.Parent()];
            std::uint64_t placed = NoIndex;
            if (i != folder) {
                placed = CopyNode(out.nodes, parent, node);
            } else {
                // The folder keeps its own name; what the disk says now of it
                // comes from the rescan's root.
                const NodeView root = fresh.nodes[fresh.rootIndex];
                placed = out.nodes.Append(parent, true, node.Name(), root.Attributes(), {}, root.LastWriteTime());
            }
            if (placed == NoIndex) {
                return std::nullopt;
            }
            if (!node.OwnPath().empty()) {
                out.nodes.SetOwnPath(placed, std::wstring(node.OwnPath()));
            }
            spliced.newIndexOf[i] = placed;
            if (i != folder) {
                continue;
            }
            // The rescan's nodes, in their own order, which also puts every
            // parent first: a map from its indices to the new ones is enough.
            std::vector<std::uint64_t> freshIndexOf(fresh.nodes.size(), NoIndex);
            freshIndexOf[fresh.rootIndex] = placed;
            for (std::uint64_t k = 0; k < fresh.nodes.size(); ++k) {
                const NodeView below = fresh.nodes[k];
                if (k == fresh.rootIndex || below.Parent() == NoIndex || freshIndexOf[below.Parent()] == NoIndex) {
                    continue;
                }
                freshIndexOf[k] = CopyNode(out.nodes, freshIndexOf[below.Parent()], below);
                if (freshIndexOf[k] == NoIndex) {
                    return std::nullopt;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    out.nodes.ComputeTotals();
    out.nodes.IndexChildren();

    out.status = old.status;
    out.engine = old.engine == fresh.engine ? old.engine : ScanEngineKind::Mixed;
    out.rootPath = old.rootPath;
    out.message = old.message;
    out.rootFailures = old.rootFailures;
    out.rootIndex = spliced.newIndexOf[old.rootIndex];
    out.elapsedMs = old.elapsedMs;
    const std::wstring folderPath = nodes[folder].Path();
    for (const ScanError& error : old.errors) {
        if (!IsAtOrBelow(error.path, folderPath)) {
            out.errors.push_back(error);
        }
    }
    out.errors.insert(out.errors.end(), fresh.errors.begin(), fresh.errors.end());
    out.errorCount = out.errors.size();
    // From the old counts rather than the nodes: a merged scan does not
    // count its synthetic root.
    out.fileCount = old.fileCount - std::min(old.fileCount, goingFiles) + fresh.fileCount;
    out.folderCount = old.folderCount - std::min(old.folderCount, goingFolders) + fresh.folderCount;
    return spliced;
}

std::uint64_t FindFolder(const ScanResult& result, const std::wstring& path) {
    if (result.rootIndex >= result.nodes.size()) {
        return NoIndex;
    }
    std::uint64_t at = result.rootIndex;
    for (;;) {
        const std::wstring atPath = result.nodes[at].Path();
        if (atPath == path) {
            return at;
        }
        std::uint64_t next = NoIndex;
        for (const std::uint32_t child : result.nodes[at].Children()) {
            // The merged root of several drives is no prefix of its drives.
            if (result.nodes[child].IsDirectory() && IsAtOrBelow(path, result.nodes[child].Path())) {
                next = child;
                break;
            }
        }
        if (next == NoIndex) {
            return NoIndex;
        }
        at = next;
    }
}

}  // namespace varnel::core
