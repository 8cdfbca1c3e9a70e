#pragma once
// Collects the nodes of one engine run and turns them into a ScanResult.
// Not thread-safe: an engine with workers serialises calls on its own lock;
// each call only appends, so none of them holds the lock for long.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::core {

class ScanTreeBuilder {
public:
    // `nodeLimit` lets tests reach the limit a real volume would need
    // billions of files for.
    explicit ScanTreeBuilder(std::uint64_t nodeLimit = ScanTree::MaxNodes) : nodeLimit_(nodeLimit) {}

    // Adds the scanned folder at `path`; it is named by the path's last part.
    std::uint64_t AddRoot(std::wstring path, std::uint32_t attributes, std::uint64_t lastWriteTime);

    // Adds a folder or file below the folder parentIndex. Returns NoIndex,
    // adding nothing, when the parent is not a folder of this tree or the
    // tree is full; whatever the engine adds below NoIndex is dropped too,
    // so a full tree ends the scan's growth without wrapping any index.
    std::uint64_t AddFolder(std::uint64_t parentIndex, std::wstring_view name, std::uint32_t attributes,
                            std::uint64_t lastWriteTime);
    std::uint64_t AddFile(std::uint64_t parentIndex, std::wstring_view name, std::uint32_t attributes,
                          FileSizes sizes, std::uint64_t lastWriteTime);
    // The same with a name already in the tree's store (AdoptNames).
    std::uint64_t AddFolder(std::uint64_t parentIndex, StoredName name, std::uint32_t attributes,
                            std::uint64_t lastWriteTime);
    std::uint64_t AddFile(std::uint64_t parentIndex, StoredName name, std::uint32_t attributes, FileSizes sizes,
                          std::uint64_t lastWriteTime);
    // See ScanTree::AdoptNames and CompactNames.
    void AdoptNames(NameStore&& names) { nodes_.AdoptNames(std::move(names)); }
    void CompactNames() { nodes_.CompactNames(); }
    // See ScanTree::SetSizeOnDisk.
    void SetFileSizeOnDisk(std::uint64_t file, std::uint64_t bytes) noexcept { nodes_.SetSizeOnDisk(file, bytes); }

    void AddError(std::wstring path, std::uint32_t code);

    // See ScanTree::SortBreadthFirst; the root stays at index 0.
    std::vector<std::uint32_t> SortBreadthFirst() { return nodes_.SortBreadthFirst(); }

    // Fills every folder's totals. Does nothing when no root was added.
    void ComputeTotals();

    // Moves nodes and errors out into the result; the builder is left empty.
    // A tree that reached its limit becomes a failed result: showing part of
    // a volume as if it were all of it would mislead.
    ScanResult FinishResult(ScanStatus status, std::wstring rootPath, std::int64_t elapsedMs);

    const ScanTree& Nodes() const noexcept { return nodes_; }
    std::uint64_t RootIndex() const noexcept { return rootIndex_; }
    bool IsFull() const noexcept { return full_; }

private:
    template <class Name>
    std::uint64_t Add(std::uint64_t parentIndex, bool isDirectory, Name name, std::uint32_t attributes,
                      FileSizes sizes, std::uint64_t lastWriteTime);

    ScanTree nodes_;
    std::vector<ScanError> errors_;
    std::uint64_t rootIndex_ = NoIndex;
    std::uint64_t nodeLimit_;
    bool full_ = false;
};

// The message of a scan that found more items than a tree can hold.
inline constexpr wchar_t TooManyNodesMessage[] =
    L"The scan found more files and folders than Varnel can hold (4,294,967,294).";

// A failed scan: no tree, all counts 0, the engine's fixed English message.
ScanResult MakeFailedResult(std::wstring rootPath, std::wstring message, std::int64_t elapsedMs);

}  // namespace varnel::core
