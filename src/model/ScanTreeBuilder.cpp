#include "model/ScanTreeBuilder.h"

#include <utility>

#include "base/PathRules.h"

namespace varnel::core {

template <class Name>
std::uint64_t ScanTreeBuilder::Add(std::uint64_t parentIndex, bool isDirectory, Name name,
                                   std::uint32_t attributes, FileSizes sizes, std::uint64_t lastWriteTime) {
    if (parentIndex == NoIndex) {
        return NoIndex;
    }
    if (nodes_.size() >= nodeLimit_) {
        full_ = true;
        return NoIndex;
    }
    const std::uint64_t index = nodes_.Append(parentIndex, isDirectory, name, attributes, sizes, lastWriteTime);
    full_ = full_ || (index == NoIndex && nodes_.size() >= ScanTree::MaxNodes);
    return index;
}

std::uint64_t ScanTreeBuilder::AddRoot(std::wstring path, std::uint32_t attributes, std::uint64_t lastWriteTime) {
    if (rootIndex_ != NoIndex || nodeLimit_ == 0) {
        return NoIndex;
    }
    rootIndex_ = nodes_.Append(NoIndex, true, LeafName(path), attributes, {}, lastWriteTime);
    nodes_.SetOwnPath(rootIndex_, std::move(path));
    return rootIndex_;
}

std::uint64_t ScanTreeBuilder::AddFolder(std::uint64_t parentIndex, std::wstring_view name, std::uint32_t attributes,
                                         std::uint64_t lastWriteTime) {
    return Add(parentIndex, true, name, attributes, {}, lastWriteTime);
}

std::uint64_t ScanTreeBuilder::AddFile(std::uint64_t parentIndex, std::wstring_view name, std::uint32_t attributes,
                                       FileSizes sizes, std::uint64_t lastWriteTime) {
    return Add(parentIndex, false, name, attributes, sizes, lastWriteTime);
}

std::uint64_t ScanTreeBuilder::AddFolder(std::uint64_t parentIndex, StoredName name, std::uint32_t attributes,
                                         std::uint64_t lastWriteTime) {
    return Add(parentIndex, true, name, attributes, {}, lastWriteTime);
}

std::uint64_t ScanTreeBuilder::AddFile(std::uint64_t parentIndex, StoredName name, std::uint32_t attributes,
                                       FileSizes sizes, std::uint64_t lastWriteTime) {
    return Add(parentIndex, false, name, attributes, sizes, lastWriteTime);
}

void ScanTreeBuilder::AddError(std::wstring path, std::uint32_t code) {
    errors_.push_back(ScanError{std::move(path), code, {}});
}

void ScanTreeBuilder::ComputeTotals() {
    if (rootIndex_ != NoIndex) {
        nodes_.ComputeTotals();
    }
}

ScanResult ScanTreeBuilder::FinishResult(ScanStatus status, std::wstring rootPath, std::int64_t elapsedMs) {
    if (full_) {
        nodes_.clear();
        errors_.clear();
        rootIndex_ = NoIndex;
        full_ = false;
        return MakeFailedResult(std::move(rootPath), TooManyNodesMessage, elapsedMs);
    }
    ScanResult result;
    result.status = status;
    result.rootPath = std::move(rootPath);
    nodes_.IndexChildren();
    result.nodes = std::move(nodes_);
    result.errors = std::move(errors_);
    result.rootIndex = rootIndex_;
    result.elapsedMs = elapsedMs;
    result.errorCount = result.errors.size();
    for (const NodeView node : result.nodes) {
        if (node.IsDirectory()) {
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
