#pragma once
// Collects the nodes of one engine run and turns them into a ScanResult.
// Not thread-safe: an engine with workers serialises calls on its own lock.

#include <cstdint>
#include <string>
#include <vector>

#include "core/ScanModel.h"

namespace varnel::core {

class ScanTreeBuilder {
public:
    // Adds a folder; a parent of NoIndex makes it the root. Returns its index.
    std::uint64_t AddFolder(std::uint64_t parentIndex, std::wstring name, std::wstring path,
                            std::uint32_t attributes, std::uint64_t lastWriteTime);

    // Adds a file below the folder parentIndex (a file is never a root).
    std::uint64_t AddFile(std::uint64_t parentIndex, std::wstring name, std::wstring path,
                          std::uint32_t attributes, std::uint64_t size, std::uint64_t lastWriteTime);

    void AddError(std::wstring path, std::uint32_t code);

    // Fills every folder's totals bottom-up, without recursion, so a tree of
    // any depth is safe. Does nothing when no root was added.
    void ComputeTotals();

    // Moves nodes and errors out into the result; the builder is left empty.
    ScanResult FinishResult(ScanStatus status, std::wstring rootPath, std::int64_t elapsedMs);

    // Lets an engine that knows its node count avoid regrowing the array.
    void Reserve(std::size_t nodeCount) { nodes_.reserve(nodeCount); }

    const std::vector<ScanNode>& Nodes() const noexcept { return nodes_; }
    std::uint64_t RootIndex() const noexcept { return rootIndex_; }

private:
    std::uint64_t AddNode(std::uint64_t parentIndex, bool isDirectory, std::wstring&& name,
                          std::wstring&& path, std::uint32_t attributes, std::uint64_t size,
                          std::uint64_t lastWriteTime);

    std::vector<ScanNode> nodes_;
    std::vector<ScanError> errors_;
    std::uint64_t rootIndex_ = NoIndex;
};

// A failed scan: no tree, all counts 0, the engine's fixed English message.
ScanResult MakeFailedResult(std::wstring rootPath, std::wstring message, std::int64_t elapsedMs);

}  // namespace varnel::core
