#pragma once
// The nodes of one scan result, kept compact because a whole volume holds
// millions of them: a node is 48 bytes of figures and links, its name lives
// once in the tree's name store, figures only folders have live in a folder
// table, and children are listed once per tree in one index array. A node
// stores no path: its path is its parent's joined with its name, up to a
// node that keeps a path of its own (a scanned root).
//
// Nodes refer to each other by 32-bit index and a parent always comes
// before its children, so totals are one backwards pass and a merge only
// adds a constant to every link. Portable: no Windows headers.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/ChunkedArray.h"
#include "model/NameStore.h"

namespace varnel::core {

// Marks the absence of a node: the parent of a root, the root of an empty result.
inline constexpr std::uint64_t NoIndex = std::numeric_limits<std::uint64_t>::max();

// Adds two byte counts, staying at the largest value instead of wrapping: a
// crafted volume can claim files of up to 2^63 bytes each, and a total that
// wrapped would look small and drop its folder out of every ranking.
constexpr std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) noexcept {
    return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

inline constexpr std::uint32_t FileAttributeDirectory = 0x10;
inline constexpr std::uint32_t FileAttributeReparsePoint = 0x400;

class ScanTree;

// A name already in a tree's own store (ScanTree::Names), by where it lies.
struct StoredName {
    std::uint64_t position = 0;
    std::size_t length = 0;
};

// What a file takes: its length, and the bytes it occupies on the volume
// (0 for data kept inside its record, for a cloud placeholder not held
// locally, and for every name of a hard-linked file but one).
struct FileSizes {
    std::uint64_t logical = 0;
    std::uint64_t onDisk = 0;
};

// A read-only look at one node of a tree; cheap to copy, valid while the
// tree is neither changed nor destroyed.
class NodeView {
public:
    NodeView(const ScanTree& tree, std::uint64_t index) noexcept : tree_(&tree), index_(index) {}

    std::uint64_t Index() const noexcept { return index_; }
    std::uint64_t Parent() const noexcept;  // NoIndex for a root
    bool IsDirectory() const noexcept;
    bool IsReparsePoint() const noexcept { return (Attributes() & FileAttributeReparsePoint) != 0; }
    std::uint32_t Attributes() const noexcept;
    std::uint64_t LastWriteTime() const noexcept;  // FILETIME, 100 ns since 1601 UTC; 0 when unknown
    std::wstring_view Name() const noexcept;
    // The path the node was scanned at; derived, so it costs a walk up.
    std::wstring Path() const;
    // The path a scanned root keeps; empty for every other node.
    std::wstring_view OwnPath() const noexcept;

    std::uint64_t Size() const noexcept;       // a file's own size; 0 for a folder
    std::uint64_t TotalSize() const noexcept;  // a folder's total, a file's own size
    std::uint64_t SizeOnDisk() const noexcept;       // a file's bytes on disk; 0 for a folder
    std::uint64_t TotalSizeOnDisk() const noexcept;  // a folder's total on disk, a file's own
    std::uint64_t DirectFilesSize() const noexcept;  // the sizes of a folder's own files
    std::uint64_t FileCount() const noexcept;        // files below a folder
    std::uint64_t FolderCount() const noexcept;      // folders below, the folder itself not counted
    // In the order the engine met them; empty for files.
    std::span<const std::uint32_t> Children() const noexcept;

private:
    const ScanTree* tree_;
    std::uint64_t index_;
};

class ScanTree {
public:
    // Indices are 32-bit and the largest value means "none".
    static constexpr std::uint64_t MaxNodes = 0xFFFFFFFEu;

    ScanTree() = default;
    ScanTree(ScanTree&&) noexcept = default;
    ScanTree& operator=(ScanTree&&) noexcept = default;
    ScanTree(const ScanTree&) = delete;
    ScanTree& operator=(const ScanTree&) = delete;
    ~ScanTree() = default;

    std::uint64_t size() const noexcept { return nodes_.size(); }
    bool empty() const noexcept { return nodes_.empty(); }
    NodeView operator[](std::uint64_t index) const noexcept { return NodeView(*this, index); }

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = NodeView;
        using difference_type = std::ptrdiff_t;
        Iterator(const ScanTree& tree, std::uint64_t index) noexcept : tree_(&tree), index_(index) {}
        NodeView operator*() const noexcept { return NodeView(*tree_, index_); }
        Iterator& operator++() noexcept {
            ++index_;
            return *this;
        }
        bool operator==(const Iterator& other) const noexcept { return index_ == other.index_; }

    private:
        const ScanTree* tree_;
        std::uint64_t index_;
    };
    Iterator begin() const noexcept { return Iterator(*this, 0); }
    Iterator end() const noexcept { return Iterator(*this, size()); }

    // Adds a node below `parent`, which must already be in the tree, or a
    // root for a parent of NoIndex. A folder's figures start at 0 and come
    // from ComputeTotals. Returns NoIndex, adding nothing, for a parent that
    // is not a folder of this tree and when the tree holds MaxNodes.
    std::uint64_t Append(std::uint64_t parent, bool isDirectory, std::wstring_view name, std::uint32_t attributes,
                         FileSizes sizes, std::uint64_t lastWriteTime);
    // The same with a name the tree's store already holds: nothing is copied.
    std::uint64_t Append(std::uint64_t parent, bool isDirectory, StoredName name, std::uint32_t attributes,
                         FileSizes sizes, std::uint64_t lastWriteTime);

    // Takes `names` as the tree's store, so that nodes can be appended with
    // names an engine stored while reading (StoredName) instead of copies.
    // The names of nodes already in the tree are added to it.
    void AdoptNames(NameStore&& names);
    const NameStore& Names() const noexcept { return names_; }
    // Gives the tree a store of just its nodes' names when the store holds
    // more than twice as much (plus a chunk): a tree named from an adopted
    // store keeps only what it shows, as when one folder of a volume was
    // scanned.
    void CompactNames();
    // Changes a file's bytes on disk before the totals are computed: an
    // engine that learns of hard links only after the scan counts a file's
    // bytes under one of its names.
    void SetSizeOnDisk(std::uint64_t file, std::uint64_t bytes) noexcept;
    // Gives the node just appended a path of its own instead of its
    // parent's path joined with its name.
    void SetOwnPath(std::uint64_t node, std::wstring path);

    // Sums every folder's figures from the nodes below it, from scratch.
    void ComputeTotals();
    // Lists every folder's children for Children(); call after the last change.
    void IndexChildren();
    // Renumbers the nodes level by level from the roots, each folder's
    // children in the order they were appended: the numbering one worker
    // taking folders first in, first out gives. Engines whose workers append
    // in an order that changes from run to run end with it, so the same
    // folders always give the same tree. Returns each old index's new one;
    // totals and children need computing afterwards.
    std::vector<std::uint32_t> SortBreadthFirst();

    // Appends `other` with its roots below the folder `parent`, freeing
    // other's storage as it is copied, so the two are never whole at once.
    // Leaves `other` empty. Totals and children need computing again. When
    // memory runs out this tree is left as it was and the exception passes on.
    void AppendTree(ScanTree&& other, std::uint64_t parent);

    // Keeps the nodes `goes` does not mark, in their old order, recomputes
    // the totals and children, and returns each old index's new one (NoIndex
    // for the nodes that went). A node must go when its parent goes.
    std::vector<std::uint64_t> Remove(const std::vector<bool>& goes);

    void clear() noexcept;
    // The bytes the tree holds, and of those the name store's, for the
    // memory benchmarks.
    std::size_t MemoryBytes() const noexcept;
    std::size_t NameMemoryBytes() const noexcept { return names_.MemoryBytes(); }

private:
    friend class NodeView;
    static constexpr std::uint32_t None = 0xFFFFFFFFu;

    struct Node {
        std::uint64_t size;        // a file's own size; a folder's total
        std::uint64_t sizeOnDisk;  // the same, in bytes on disk
        std::uint64_t lastWriteTime;
        std::uint64_t namePosition;
        std::uint32_t parent;
        std::uint32_t attributes;
        std::uint32_t folderSlot;  // place in folders_, None for a file
        std::uint16_t nameLength;
        std::uint8_t flags;
    };
    static_assert(sizeof(Node) == 48);
    static constexpr std::uint8_t IsFolderFlag = 1;
    static constexpr std::uint8_t HasOwnPathFlag = 2;

    // Counts fit 32 bits: a tree never holds more nodes.
    struct FolderFigures {
        std::uint64_t directFilesSize;
        std::uint32_t fileCount;
        std::uint32_t folderCount;
    };

    const Node& At(std::uint64_t index) const noexcept { return nodes_[index]; }
    std::uint64_t AppendNode(std::uint64_t parent, bool isDirectory, std::uint64_t namePosition,
                             std::size_t nameLength, std::uint32_t attributes, FileSizes sizes,
                             std::uint64_t lastWriteTime);
    const std::wstring& OwnPathOf(std::uint64_t index) const noexcept;

    ChunkedArray<Node, 14> nodes_;
    ChunkedArray<FolderFigures, 14> folders_;
    NameStore names_;
    std::vector<std::pair<std::uint32_t, std::wstring>> ownPaths_;  // ascending by node
    std::vector<std::uint32_t> childStart_;  // node -> first place in childList_; one more entry than nodes
    std::vector<std::uint32_t> childList_;
};

inline std::uint64_t NodeView::Parent() const noexcept {
    const std::uint32_t parent = tree_->At(index_).parent;
    return parent == ScanTree::None ? NoIndex : parent;
}
inline bool NodeView::IsDirectory() const noexcept { return (tree_->At(index_).flags & ScanTree::IsFolderFlag) != 0; }
inline std::uint32_t NodeView::Attributes() const noexcept { return tree_->At(index_).attributes; }
inline std::uint64_t NodeView::LastWriteTime() const noexcept { return tree_->At(index_).lastWriteTime; }
inline std::wstring_view NodeView::Name() const noexcept {
    const ScanTree::Node& node = tree_->At(index_);
    return tree_->names_.View(node.namePosition, node.nameLength);
}
inline std::uint64_t NodeView::Size() const noexcept { return IsDirectory() ? 0 : tree_->At(index_).size; }
inline std::uint64_t NodeView::TotalSize() const noexcept { return tree_->At(index_).size; }
inline std::uint64_t NodeView::SizeOnDisk() const noexcept { return IsDirectory() ? 0 : tree_->At(index_).sizeOnDisk; }
inline std::uint64_t NodeView::TotalSizeOnDisk() const noexcept { return tree_->At(index_).sizeOnDisk; }
inline std::uint64_t NodeView::DirectFilesSize() const noexcept {
    const ScanTree::Node& node = tree_->At(index_);
    return node.folderSlot == ScanTree::None ? 0 : tree_->folders_[node.folderSlot].directFilesSize;
}
inline std::uint64_t NodeView::FileCount() const noexcept {
    const ScanTree::Node& node = tree_->At(index_);
    return node.folderSlot == ScanTree::None ? 0 : tree_->folders_[node.folderSlot].fileCount;
}
inline std::uint64_t NodeView::FolderCount() const noexcept {
    const ScanTree::Node& node = tree_->At(index_);
    return node.folderSlot == ScanTree::None ? 0 : tree_->folders_[node.folderSlot].folderCount;
}
inline std::span<const std::uint32_t> NodeView::Children() const noexcept {
    if (index_ + 1 >= tree_->childStart_.size()) {
        return {};
    }
    const std::uint32_t first = tree_->childStart_[index_];
    return std::span<const std::uint32_t>(tree_->childList_).subspan(first, tree_->childStart_[index_ + 1] - first);
}

}  // namespace varnel::core
