#include "model/ScanTree.h"

#include <algorithm>
#include <stdexcept>

#include "base/PathRules.h"

namespace varnel::core {

std::wstring NodeView::Path() const {
    // Parents come before their children, so the walk up always ends.
    std::vector<std::uint64_t> chain;
    std::uint64_t top = index_;
    while ((tree_->At(top).flags & ScanTree::HasOwnPathFlag) == 0 && tree_->At(top).parent != ScanTree::None) {
        chain.push_back(top);
        top = tree_->At(top).parent;
    }
    std::wstring path((tree_->At(top).flags & ScanTree::HasOwnPathFlag) != 0 ? std::wstring_view(tree_->OwnPathOf(top))
                                                                                : NodeView(*tree_, top).Name());
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const std::wstring_view name = NodeView(*tree_, *it).Name();
        // The same join as the engines' when they walked down.
        if (name.empty()) {
            continue;
        }
        if (!path.empty() && !IsPathSeparator(path.back())) {
            path.push_back(L'\\');
        }
        path.append(name);
    }
    return path;
}

std::wstring_view NodeView::OwnPath() const noexcept {
    if ((tree_->At(index_).flags & ScanTree::HasOwnPathFlag) == 0) {
        return {};
    }
    return tree_->OwnPathOf(index_);
}

const std::wstring& ScanTree::OwnPathOf(std::uint64_t index) const noexcept {
    const auto found = std::lower_bound(ownPaths_.begin(), ownPaths_.end(), index,
                                        [](const auto& entry, std::uint64_t node) { return entry.first < node; });
    return found->second;  // only asked for nodes whose flag says they have one
}

std::uint64_t ScanTree::Append(std::uint64_t parent, bool isDirectory, std::wstring_view name,
                               std::uint32_t attributes, FileSizes sizes, std::uint64_t lastWriteTime) {
    if (nodes_.size() >= MaxNodes) {
        return NoIndex;
    }
    if (parent != NoIndex && (parent >= nodes_.size() || (nodes_[parent].flags & IsFolderFlag) == 0)) {
        return NoIndex;
    }
    return AppendNode(parent, isDirectory, names_.Append(name), name.size(), attributes, sizes, lastWriteTime);
}

std::uint64_t ScanTree::Append(std::uint64_t parent, bool isDirectory, StoredName name, std::uint32_t attributes,
                               FileSizes sizes, std::uint64_t lastWriteTime) {
    if (nodes_.size() >= MaxNodes) {
        return NoIndex;
    }
    if (parent != NoIndex && (parent >= nodes_.size() || (nodes_[parent].flags & IsFolderFlag) == 0)) {
        return NoIndex;
    }
    return AppendNode(parent, isDirectory, name.position, name.length, attributes, sizes, lastWriteTime);
}

std::uint64_t ScanTree::AppendNode(std::uint64_t parent, bool isDirectory, std::uint64_t namePosition,
                                   std::size_t nameLength, std::uint32_t attributes, FileSizes sizes,
                                   std::uint64_t lastWriteTime) {
    Node node{};
    node.size = isDirectory ? 0 : sizes.logical;
    node.sizeOnDisk = isDirectory ? 0 : sizes.onDisk;
    node.lastWriteTime = lastWriteTime;
    node.nameLength = static_cast<std::uint16_t>(std::min(nameLength, NameStore::MaxNameLength));
    node.namePosition = namePosition;
    node.parent = parent == NoIndex ? None : static_cast<std::uint32_t>(parent);
    node.attributes = attributes;
    node.folderSlot = None;
    node.flags = isDirectory ? IsFolderFlag : 0;
    if (isDirectory) {
        node.folderSlot = static_cast<std::uint32_t>(folders_.size());
        folders_.push_back(FolderFigures{});
    }
    nodes_.push_back(node);
    return nodes_.size() - 1;
}

void ScanTree::AdoptNames(NameStore&& names) {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        Node& node = nodes_[i];
        node.namePosition = names.Append(names_.View(node.namePosition, node.nameLength));
    }
    names_ = std::move(names);
}

void ScanTree::CompactNames() {
    std::size_t named = 0;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        named += nodes_[i].nameLength;
    }
    if (names_.MemoryBytes() / 2 <= (named + NameStore::ChunkUnits) * sizeof(wchar_t)) {
        return;
    }
    NameStore kept;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        Node& node = nodes_[i];
        node.namePosition = kept.Append(names_.View(node.namePosition, node.nameLength));
    }
    names_ = std::move(kept);
}

void ScanTree::SetOwnPath(std::uint64_t node, std::wstring path) {
    if (node >= nodes_.size()) {
        return;
    }
    const auto at = std::lower_bound(ownPaths_.begin(), ownPaths_.end(), node,
                                     [](const auto& entry, std::uint64_t index) { return entry.first < index; });
    if (at != ownPaths_.end() && at->first == node) {
        at->second = std::move(path);
    } else {
        ownPaths_.emplace(at, static_cast<std::uint32_t>(node), std::move(path));
    }
    nodes_[node].flags |= HasOwnPathFlag;
}

void ScanTree::SetSizeOnDisk(std::uint64_t file, std::uint64_t bytes) noexcept {
    if (file < nodes_.size() && (nodes_[file].flags & IsFolderFlag) == 0) {
        nodes_[file].sizeOnDisk = bytes;
    }
}

void ScanTree::ComputeTotals() {
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        folders_[i] = FolderFigures{};
    }
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if ((nodes_[i].flags & IsFolderFlag) != 0) {
            nodes_[i].size = 0;
            nodes_[i].sizeOnDisk = 0;
        }
    }
    // Children come after their parents: going backwards, every folder is
    // complete before it is added to its own parent.
    for (std::size_t i = nodes_.size(); i-- > 0;) {
        const Node& node = nodes_[i];
        if (node.parent == None) {
            continue;
        }
        Node& parent = nodes_[node.parent];
        FolderFigures& figures = folders_[parent.folderSlot];
        parent.size = SaturatingAdd(parent.size, node.size);
        parent.sizeOnDisk = SaturatingAdd(parent.sizeOnDisk, node.sizeOnDisk);
        if ((node.flags & IsFolderFlag) != 0) {
            const FolderFigures& below = folders_[node.folderSlot];
            figures.fileCount += below.fileCount;
            figures.folderCount += below.folderCount + 1;
        } else {
            figures.directFilesSize = SaturatingAdd(figures.directFilesSize, node.size);
            figures.fileCount += 1;
        }
    }
}

void ScanTree::IndexChildren() {
    const std::size_t count = nodes_.size();
    childStart_.assign(count + 1, 0);
    std::size_t linked = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (nodes_[i].parent != None) {
            ++childStart_[nodes_[i].parent + 1];
            ++linked;
        }
    }
    for (std::size_t i = 1; i <= count; ++i) {
        childStart_[i] += childStart_[i - 1];
    }
    childList_.assign(linked, 0);
    // Filling moves each folder's start to its end; one shift puts it back.
    for (std::size_t i = 0; i < count; ++i) {
        if (nodes_[i].parent != None) {
            childList_[childStart_[nodes_[i].parent]++] = static_cast<std::uint32_t>(i);
        }
    }
    for (std::size_t i = count; i > 0; --i) {
        childStart_[i] = childStart_[i - 1];
    }
    childStart_[0] = 0;
}

std::vector<std::uint32_t> ScanTree::SortBreadthFirst() {
    const std::size_t count = nodes_.size();
    std::vector<std::uint32_t> newIndexOf;
    {
        IndexChildren();
        std::vector<std::uint32_t> order;
        order.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (nodes_[i].parent == None) {
                order.push_back(static_cast<std::uint32_t>(i));
            }
        }
        for (std::size_t k = 0; k < order.size(); ++k) {
            const std::uint32_t folder = order[k];
            order.insert(order.end(), childList_.begin() + childStart_[folder],
                         childList_.begin() + childStart_[folder + 1]);
        }
        childStart_ = {};
        childList_ = {};
        newIndexOf.resize(count);
        for (std::size_t k = 0; k < count; ++k) {
            newIndexOf[order[k]] = static_cast<std::uint32_t>(k);
        }
    }
    // In place, one cycle of the permutation at a time: a second copy of
    // the nodes would cost 48 bytes a node at the scan's peak.
    std::vector<bool> placed(count, false);
    for (std::size_t start = 0; start < count; ++start) {
        if (placed[start]) {
            continue;
        }
        Node carried = nodes_[start];
        std::size_t at = start;
        do {
            at = newIndexOf[at];
            std::swap(carried, nodes_[at]);
            placed[at] = true;
        } while (at != start);
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (nodes_[i].parent != None) {
            nodes_[i].parent = newIndexOf[nodes_[i].parent];
        }
    }
    for (auto& [node, path] : ownPaths_) {
        node = newIndexOf[node];
    }
    std::sort(ownPaths_.begin(), ownPaths_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return newIndexOf;
}

void ScanTree::AppendTree(ScanTree&& other, std::uint64_t parent) {
    if (parent >= nodes_.size() || (nodes_[parent].flags & IsFolderFlag) == 0) {
        throw std::invalid_argument("merge target is not a folder of the tree");
    }
    if (other.size() > MaxNodes - nodes_.size()) {
        throw std::length_error("a merged scan would hold more nodes than a tree can index");
    }
    const std::uint64_t offset = nodes_.size();
    const std::size_t foldersBefore = folders_.size();
    const std::size_t ownPathsBefore = ownPaths_.size();
    auto ownPath = other.ownPaths_.begin();
    std::uint64_t lastNamePosition = 0;
    try {
    for (std::size_t i = 0; i < other.nodes_.size(); ++i) {
        Node node = other.nodes_[i];
        const std::wstring_view name = other.names_.View(node.namePosition, node.nameLength);
        if (!name.empty()) {
            lastNamePosition = node.namePosition;
        }
        node.namePosition = names_.Append(name);
        node.parent = node.parent == None ? static_cast<std::uint32_t>(parent) : node.parent + static_cast<std::uint32_t>(offset);
        if (node.folderSlot != None) {
            const FolderFigures figures = other.folders_[node.folderSlot];
            other.folders_.ReleaseBefore(node.folderSlot);
            node.folderSlot = static_cast<std::uint32_t>(folders_.size());
            folders_.push_back(figures);
        }
        nodes_.push_back(node);
        if (ownPath != other.ownPaths_.end() && ownPath->first == i) {
            ownPaths_.emplace_back(static_cast<std::uint32_t>(i + offset), std::move(ownPath->second));
            ++ownPath;
        }
        // Names are stored in node order, so everything before this node's
        // name and this node is copied already.
        other.nodes_.ReleaseBefore(i);
        other.names_.ReleaseBefore(lastNamePosition);
    }
    } catch (...) {
        // Memory ran out: this tree goes back to what it was (names copied
        // so far stay unused); what was freed of `other` is lost with it.
        nodes_.Truncate(offset);
        folders_.Truncate(foldersBefore);
        ownPaths_.resize(ownPathsBefore);
        other.clear();
        throw;
    }
    other.clear();
    childStart_.clear();
    childList_.clear();
}

std::vector<std::uint64_t> ScanTree::Remove(const std::vector<bool>& goes) {
    std::vector<std::uint64_t> newIndexOf(nodes_.size(), NoIndex);
    std::size_t kept = 0;
    std::size_t keptFolders = 0;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (i < goes.size() && goes[i]) {
            continue;
        }
        Node node = nodes_[i];
        if (node.parent != None) {
            node.parent = static_cast<std::uint32_t>(newIndexOf[node.parent]);
        }
        if (node.folderSlot != None) {
            folders_[keptFolders] = folders_[node.folderSlot];
            node.folderSlot = static_cast<std::uint32_t>(keptFolders++);
        }
        nodes_[kept] = node;
        newIndexOf[i] = kept++;
    }
    nodes_.Truncate(kept);
    folders_.Truncate(keptFolders);
    // The names of removed nodes stay in the store until the tree goes: the
    // store never moves, and a deletion frees what it freed on the disk.
    std::vector<std::pair<std::uint32_t, std::wstring>> ownPaths;
    for (auto& [node, path] : ownPaths_) {
        if (newIndexOf[node] != NoIndex) {
            ownPaths.emplace_back(static_cast<std::uint32_t>(newIndexOf[node]), std::move(path));
        }
    }
    ownPaths_ = std::move(ownPaths);
    ComputeTotals();
    IndexChildren();
    return newIndexOf;
}

void ScanTree::clear() noexcept {
    nodes_.clear();
    folders_.clear();
    names_.clear();
    ownPaths_.clear();
    childStart_ = {};
    childList_ = {};
}

std::size_t ScanTree::MemoryBytes() const noexcept {
    std::size_t bytes = nodes_.MemoryBytes() + folders_.MemoryBytes() + names_.MemoryBytes() +
                        (childStart_.capacity() + childList_.capacity()) * sizeof(std::uint32_t) +
                        ownPaths_.capacity() * sizeof(ownPaths_[0]);
    for (const auto& [node, path] : ownPaths_) {
        bytes += path.capacity() * sizeof(wchar_t);
    }
    return bytes;
}

}  // namespace varnel::core
