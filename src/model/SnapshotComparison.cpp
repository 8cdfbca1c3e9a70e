#include "model/SnapshotComparison.h"

#include <limits>
#include <string_view>

#include "model/NameIndex.h"

namespace varnel::core {

std::int64_t SizeChange(std::uint64_t later, std::uint64_t earlier) noexcept {
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (later >= earlier) {
        const std::uint64_t grown = later - earlier;
        return static_cast<std::int64_t>(grown > most ? most : grown);
    }
    const std::uint64_t shrunk = earlier - later;
    return -static_cast<std::int64_t>(shrunk > most ? most : shrunk);
}

SnapshotComparison CompareSnapshots(const FolderSnapshot& earlier, const FolderSnapshot& later) {
    constexpr std::uint32_t None = FolderSnapshot::NoFolder;
    const auto keyOf = [&earlier](std::uint32_t folder) {
        return std::pair<std::uint32_t, std::wstring_view>(earlier.folders[folder].parent, earlier.NameOf(folder));
    };
    NameIndex<decltype(keyOf)> byParentAndName(earlier.folders.size(), keyOf);
    for (std::size_t i = 0; i < earlier.folders.size(); ++i) {
        byParentAndName.FindOrAdd(earlier.folders[i].parent, earlier.NameOf(i), static_cast<std::uint32_t>(i));
    }

    SnapshotComparison comparison;
    comparison.earlierOf.assign(later.folders.size(), None);
    comparison.change.assign(later.folders.size(), 0);
    std::vector<bool> matched(earlier.folders.size(), false);
    for (std::size_t i = 0; i < later.folders.size(); ++i) {
        const FolderSnapshot::Folder& folder = later.folders[i];
        // A root matches a root; below it, only a folder whose parent matched
        // can have been there before.
        const std::uint32_t parentThen = folder.parent == None ? None : comparison.earlierOf[folder.parent];
        std::uint32_t then = None;
        if (folder.parent == None || parentThen != None) {
            then = byParentAndName.Find(parentThen, later.NameOf(i));
        }
        comparison.earlierOf[i] = then;
        if (then != None) {
            matched[then] = true;
        }
        comparison.change[i] = SizeChange(folder.totalSize, then == None ? 0 : earlier.folders[then].totalSize);
    }
    for (std::size_t i = 0; i < earlier.folders.size(); ++i) {
        if (!matched[i]) {
            const std::uint32_t parent = earlier.folders[i].parent;
            comparison.gone.push_back(static_cast<std::uint32_t>(i));
            comparison.topGone.push_back(parent == None || matched[parent]);
        }
    }
    return comparison;
}

}  // namespace varnel::core
