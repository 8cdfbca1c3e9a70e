#pragma once
// A folder-level picture of one scan, kept after each completed scan so the
// next scan of the same root can say what grew: each folder's name, parent,
// total size, bytes on disk, files and folders below it, and when it was
// taken. A tenth or less of a saved scan, since files are left out.
// Portable; the caller does the file input and output.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/SavedFile.h"
#include "model/ScanModel.h"

namespace varnel::core {

struct FolderSnapshot {
    static constexpr std::uint32_t NoFolder = 0xFFFFFFFFu;

    struct Folder {
        std::uint32_t parent = NoFolder;  // a folder before this one, or NoFolder for a root
        bool hasOwnPath = false;          // the name is the root's whole path
        std::uint64_t nameStart = 0;      // in `names`
        std::uint64_t nameLength = 0;
        std::uint64_t totalSize = 0;
        std::uint64_t totalSizeOnDisk = 0;
        std::uint64_t fileCount = 0;
        std::uint64_t folderCount = 0;
    };

    std::wstring rootPath;    // the scanned location, as the result names it
    std::int64_t takenAt = 0;  // seconds since 1970 UTC
    std::vector<Folder> folders;  // parents before their children
    std::wstring names;           // every folder's name, one after another
    // Made from a result: each folder's node in it. Empty when read from a file.
    std::vector<std::uint64_t> nodeOf;

    std::wstring_view NameOf(std::size_t folder) const noexcept {
        const Folder& f = folders[folder];
        return std::wstring_view(names).substr(static_cast<std::size_t>(f.nameStart),
                                               static_cast<std::size_t>(f.nameLength));
    }
    // Joined the way the scan tree joins its paths.
    std::wstring PathOf(std::size_t folder) const;
};

// The folders of `result` (none for a result without a tree).
FolderSnapshot MakeFolderSnapshot(const ScanResult& result, std::int64_t takenAt);

std::string WriteFolderSnapshot(const FolderSnapshot& snapshot);

struct FolderSnapshotRead {
    SavedFileError error = SavedFileError::None;
    FolderSnapshot snapshot;  // empty unless error is None
};

// Reads a snapshot file or, given a saved scan, the snapshot of the scan it
// holds (taken when it was saved). Damage gives its error, never a crash.
FolderSnapshotRead ReadFolderSnapshot(std::span<const std::byte> file);

}  // namespace varnel::core
