#pragma once
// What kind of file a name is, by its extension, and how the bytes of a
// result or of one folder split by extension. One table maps extensions to
// the groups the treemap colours by; the types view, the treemap and
// varnelscan --by-type all read the same FileTypeIndex, so they agree.
// Portable: no Windows headers.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/ScanTree.h"
#include "model/SizeMeasure.h"

namespace varnel::core {

enum class FileTypeGroup : std::uint8_t {
    Pictures,
    Video,
    Audio,
    Archives,   // and disk images
    Documents,
    Programs,   // and libraries
    Source,     // and plain text
    System,
    Other,
};
inline constexpr std::size_t FileTypeGroupCount = 9;

// The text key that names a group ("types.group.pictures").
std::string_view FileTypeGroupKey(FileTypeGroup group) noexcept;
// The group's name in reports: "pictures", "video", ...
std::string_view FileTypeGroupName(FileTypeGroup group) noexcept;

// The part of a name after its last dot, lower-cased; empty when the name
// has no dot, only a leading one (".profile") or ends with one. Letters are
// folded for ASCII, Latin-1, Greek and Cyrillic, which covers every
// extension seen in practice; other characters are kept as they are.
std::wstring ExtensionOf(std::wstring_view name);

// The group of an extension as ExtensionOf returns it; Other when the table
// does not know it.
FileTypeGroup GroupOfExtension(std::wstring_view lowerExtension) noexcept;

// Every file of a tree numbered by its extension, made once per result and
// read by every breakdown and every treemap picture: four bytes a node.
// Extension 0 is always "" (files without one). Rebuild after the tree
// changes.
class FileTypeIndex {
public:
    FileTypeIndex() = default;
    explicit FileTypeIndex(const ScanTree& tree);

    // The extension number of a file; 0 for folders and unknown nodes.
    std::uint32_t ExtensionOf(std::uint64_t node) const noexcept {
        return node < byNode_.size() ? byNode_[node] : 0;
    }
    std::size_t ExtensionCount() const noexcept { return extensions_.size(); }
    const std::wstring& Extension(std::uint32_t id) const noexcept { return extensions_[id]; }
    FileTypeGroup Group(std::uint32_t id) const noexcept { return groups_[id]; }
    // The extension number of `lowerExtension`; none when no file has it.
    std::uint32_t Find(std::wstring_view lowerExtension) const noexcept;
    bool empty() const noexcept { return byNode_.empty(); }
    std::size_t MemoryBytes() const noexcept;

    static constexpr std::uint32_t None = 0xFFFFFFFFu;

private:
    std::vector<std::uint32_t> byNode_;
    std::vector<std::wstring> extensions_{std::wstring()};
    std::vector<FileTypeGroup> groups_{FileTypeGroup::Other};
};

// One extension's share of a subtree.
struct FileTypeRow {
    std::uint32_t extension = 0;  // number in the FileTypeIndex
    std::uint64_t bytes = 0;      // saturating sum, in the measure asked for
    std::uint64_t files = 0;
};

// The extensions of the files below `subtreeRoot` (itself, when it is a
// file), largest first, equal sizes by extension. Empty for an unknown node.
std::vector<FileTypeRow> BreakDownByType(const ScanTree& tree, const FileTypeIndex& index, std::uint64_t subtreeRoot,
                                         SizeMeasure measure);

// Every file of one extension below `subtreeRoot`, largest first, equal
// sizes by index.
std::vector<std::uint64_t> FilesOfType(const ScanTree& tree, const FileTypeIndex& index, std::uint64_t subtreeRoot,
                                       std::uint32_t extension, SizeMeasure measure);

}  // namespace varnel::core
