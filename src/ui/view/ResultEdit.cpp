#include "ui/view/ResultEdit.h"

#include <algorithm>
#include <string_view>

#include "base/CsvField.h"
#include "ui/view/ResultView.h"

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

}  // namespace

DeletionFacts FactsOf(core::NodeView node) noexcept {
    return {node.TotalSize(), node.IsDirectory() ? node.FileCount() : 1};
}

std::optional<RemovedSubtree> RemoveSubtree(core::ScanResult& result, std::uint64_t node) {
    auto& nodes = result.nodes;
    if (node >= nodes.size() || node == result.rootIndex || nodes[node].Parent() >= node) {
        return std::nullopt;
    }
    // A parent always comes before its children, so one pass in index order
    // marks the whole subtree: a node goes when its parent went.
    std::vector<bool> goes(nodes.size(), false);
    goes[node] = true;
    std::uint64_t filesGone = 0;
    std::uint64_t foldersGone = 0;
    for (std::uint64_t i = node; i < nodes.size(); ++i) {
        const std::uint64_t parent = nodes[i].Parent();
        goes[i] = goes[i] || (parent != NoIndex && parent >= node && goes[parent]);
        if (goes[i]) {
            (nodes[i].IsDirectory() ? foldersGone : filesGone) += 1;
        }
    }
    const std::wstring gonePath = nodes[node].Path();
    RemovedSubtree removed{nodes.Remove(goes)};
    result.rootIndex = removed.newIndexOf[result.rootIndex];
    result.fileCount -= std::min(result.fileCount, filesGone);
    result.folderCount -= std::min(result.folderCount, foldersGone);
    std::erase_if(result.errors, [&](const core::ScanError& error) { return IsInside(error.path, gonePath); });
    result.errorCount = result.errors.size();
    return removed;
}

std::wstring CsvRowOf(core::NodeView node) {
    std::wstring row = core::CsvFieldWide(DisplayName(node)) + L',' + std::to_wstring(node.TotalSize()) + L',';
    if (node.IsDirectory()) {
        row += std::to_wstring(node.FileCount()) + L',' + std::to_wstring(node.FolderCount());
    } else {
        row += L',';
    }
    return row + L',' + core::CsvFieldWide(node.Path());
}

}  // namespace varnel::ui
