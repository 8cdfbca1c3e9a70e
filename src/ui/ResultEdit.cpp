#include "ui/ResultEdit.h"

#include <algorithm>

#include "ui/ResultView.h"

namespace varnel::ui {
namespace {

using core::NoIndex;

bool IsInside(const std::wstring& path, const std::wstring& item) {
    if (path.size() < item.size() || path.compare(0, item.size(), item) != 0) {
        return false;
    }
    if (path.size() == item.size()) {
        return true;
    }
    const wchar_t next = path[item.size()];
    const bool itemEndsWithSeparator = !item.empty() && (item.back() == L'\\' || item.back() == L'/');
    return itemEndsWithSeparator || next == L'\\' || next == L'/';
}

std::wstring CsvField(const std::wstring& text) {
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos) {
        return text;
    }
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) {
        if (c == L'"') {
            quoted += L'"';
        }
        quoted += c;
    }
    return quoted + L'"';
}

}  // namespace

DeletionFacts FactsOf(const core::ScanNode& node) noexcept {
    return {DisplaySize(node), node.isDirectory ? node.fileCount : 1};
}

std::optional<RemovedSubtree> RemoveSubtree(core::ScanResult& result, std::uint64_t node) {
    auto& nodes = result.nodes;
    if (node >= nodes.size() || node == result.rootIndex || nodes[node].parentIndex >= node) {
        return std::nullopt;
    }
    RemovedSubtree removed;
    removed.newIndexOf.assign(nodes.size(), NoIndex);
    // A parent always comes before its children, so one pass in index order
    // marks the whole subtree: a node goes when its parent went.
    std::vector<bool> goes(nodes.size(), false);
    goes[node] = true;
    std::uint64_t filesGone = 0;
    std::uint64_t foldersGone = 0;
    for (std::size_t i = node; i < nodes.size(); ++i) {
        const std::uint64_t parent = nodes[i].parentIndex;
        goes[i] = goes[i] || (parent < i && goes[parent]);
        if (goes[i]) {
            (nodes[i].isDirectory ? foldersGone : filesGone) += 1;
        }
    }
    const core::ScanNode& gone = nodes[node];
    const std::uint64_t bytesGone = DisplaySize(gone);
    const std::wstring gonePath = gone.path;

    core::ScanNode& parent = nodes[gone.parentIndex];
    std::erase(parent.children, node);
    if (!gone.isDirectory) {
        parent.directFilesSize -= std::min(parent.directFilesSize, gone.size);
    }
    // Parents come first, so the walk up ends at the root even in a result
    // whose links were damaged.
    for (std::uint64_t up = gone.parentIndex; up < node; up = nodes[up].parentIndex) {
        core::ScanNode& ancestor = nodes[up];
        ancestor.totalSize -= std::min(ancestor.totalSize, bytesGone);
        ancestor.fileCount -= std::min(ancestor.fileCount, filesGone);
        ancestor.folderCount -= std::min(ancestor.folderCount, foldersGone);
        if (ancestor.parentIndex >= up) break;
    }

    std::uint64_t next = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!goes[i]) {
            removed.newIndexOf[i] = next++;
        }
    }
    const auto remap = [&](std::uint64_t index) { return index < nodes.size() ? removed.newIndexOf[index] : index; };
    std::size_t kept = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (goes[i]) {
            continue;
        }
        core::ScanNode& moved = nodes[i];
        moved.index = kept;
        moved.parentIndex = remap(moved.parentIndex);
        for (std::uint64_t& child : moved.children) {
            child = remap(child);
        }
        if (kept != i) {
            nodes[kept] = std::move(moved);
        }
        ++kept;
    }
    nodes.resize(kept);
    result.rootIndex = remap(result.rootIndex);
    result.fileCount -= std::min(result.fileCount, filesGone);
    result.folderCount -= std::min(result.folderCount, foldersGone);
    std::erase_if(result.errors, [&](const core::ScanError& error) { return IsInside(error.path, gonePath); });
    result.errorCount = result.errors.size();
    return removed;
}

std::wstring CsvRowOf(const core::ScanNode& node) {
    std::wstring row = CsvField(DisplayName(node)) + L',' + std::to_wstring(DisplaySize(node)) + L',';
    if (node.isDirectory) {
        row += std::to_wstring(node.fileCount) + L',' + std::to_wstring(node.folderCount);
    } else {
        row += L',';
    }
    return row + L',' + CsvField(node.path);
}

}  // namespace varnel::ui
