#include "core/ScanTreeBuilder.h"

#include <utility>

namespace varnel::core {

std::uint64_t ScanTreeBuilder::AddNode(std::uint64_t parentIndex, bool isDirectory,
                                       std::wstring&& name, std::wstring&& path,
                                       std::uint32_t attributes, std::uint64_t size,
                                       std::uint64_t lastWriteTime) {
    const std::uint64_t index = nodes_.size();
    ScanNode& node = nodes_.emplace_back();
    node.index = index;
    node.parentIndex = parentIndex;
    node.isDirectory = isDirectory;
    node.name = std::move(name);
    node.path = std::move(path);
    node.attributes = attributes;
    node.size = size;
    node.totalSize = size;
    node.lastWriteTime = lastWriteTime;
    node.isReparsePoint = (attributes & FileAttributeReparsePoint) != 0;

    if (parentIndex == NoIndex) {
        rootIndex_ = index;
    } else {
        nodes_[parentIndex].children.push_back(index);
    }
    return index;
}

std::uint64_t ScanTreeBuilder::AddFolder(std::uint64_t parentIndex, std::wstring name,
                                         std::wstring path, std::uint32_t attributes,
                                         std::uint64_t lastWriteTime) {
    return AddNode(parentIndex, true, std::move(name), std::move(path), attributes, 0, lastWriteTime);
}

std::uint64_t ScanTreeBuilder::AddFile(std::uint64_t parentIndex, std::wstring name,
                                       std::wstring path, std::uint32_t attributes,
                                       std::uint64_t size, std::uint64_t lastWriteTime) {
    return AddNode(parentIndex, false, std::move(name), std::move(path), attributes, size,
                   lastWriteTime);
}

void ScanTreeBuilder::AddError(std::wstring path, std::uint32_t code) {
    errors_.push_back(ScanError{std::move(path), code});
}

void ScanTreeBuilder::ComputeTotals() {
    if (rootIndex_ == NoIndex) {
        return;
    }
    struct Pending {
        std::uint64_t index;
        bool visited;
    };
    std::vector<Pending> stack;
    stack.push_back({rootIndex_, false});
    while (!stack.empty()) {
        const Pending top = stack.back();
        stack.pop_back();
        ScanNode& node = nodes_[top.index];
        if (!top.visited) {
            stack.push_back({top.index, true});
            for (const std::uint64_t child : node.children) {
                if (nodes_[child].isDirectory) {
                    stack.push_back({child, false});
                }
            }
            continue;
        }
        std::uint64_t totalSize = 0;
        std::uint64_t directFilesSize = 0;
        std::uint64_t fileCount = 0;
        std::uint64_t folderCount = 0;
        for (const std::uint64_t childIndex : node.children) {
            const ScanNode& child = nodes_[childIndex];
            if (child.isDirectory) {
                totalSize = SaturatingAdd(totalSize, child.totalSize);
                fileCount += child.fileCount;
                folderCount += child.folderCount + 1;
            } else {
                totalSize = SaturatingAdd(totalSize, child.size);
                directFilesSize = SaturatingAdd(directFilesSize, child.size);
                fileCount += 1;
            }
        }
        node.totalSize = totalSize;
        node.directFilesSize = directFilesSize;
        node.fileCount = fileCount;
        node.folderCount = folderCount;
    }
}

ScanResult ScanTreeBuilder::FinishResult(ScanStatus status, std::wstring rootPath,
                                         std::int64_t elapsedMs) {
    ScanResult result;
    result.status = status;
    result.rootPath = std::move(rootPath);
    result.nodes = std::move(nodes_);
    result.errors = std::move(errors_);
    result.rootIndex = rootIndex_;
    result.elapsedMs = elapsedMs;
    result.errorCount = result.errors.size();
    for (const ScanNode& node : result.nodes) {
        if (node.isDirectory) {
            ++result.folderCount;
        } else {
            ++result.fileCount;
        }
    }
    nodes_.clear();
    errors_.clear();
    rootIndex_ = NoIndex;
    return result;
}

ScanResult MakeFailedResult(std::wstring rootPath, std::wstring message, std::int64_t elapsedMs) {
    ScanResult result;
    result.status = ScanStatus::Failed;
    result.rootPath = std::move(rootPath);
    result.message = std::move(message);
    result.elapsedMs = elapsedMs;
    return result;
}

}  // namespace varnel::core
