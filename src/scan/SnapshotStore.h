#pragma once
// Where folder snapshots live between runs: a "snapshots" folder beside the
// settings file, one file per completed scan named after its root (by a
// hash of the root's path, so any path makes a valid name) and its time.
// At most the newest PerRootLimit per root and TotalByteLimit in all are
// kept; the oldest go first. Portable (std::filesystem), so the rules are
// tested natively.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/FolderSnapshot.h"

namespace varnel::app {

inline constexpr wchar_t SnapshotFolderName[] = L"snapshots";
inline constexpr wchar_t SnapshotExtension[] = L".vsnap";

struct SnapshotLimits {
    std::size_t perRoot = 10;
    std::uint64_t totalBytes = 200ull * 1024 * 1024;
};

struct StoredSnapshot {
    std::filesystem::path file;
    std::int64_t takenAt = 0;  // seconds since 1970 UTC, from the file's name
    std::uint64_t bytes = 0;
};

class SnapshotStore {
public:
    // `folder` is the snapshots folder itself; it is made on the first Keep.
    explicit SnapshotStore(std::filesystem::path folder, SnapshotLimits limits = {})
        : folder_(std::move(folder)), limits_(limits) {}

    // Writes the snapshot and removes what the limits no longer allow.
    // False when it could not be written; nothing else changes then.
    bool Keep(const core::FolderSnapshot& snapshot) const;

    // The snapshots of `rootPath` (compared without regard to case), newest first.
    std::vector<StoredSnapshot> ListFor(const std::wstring& rootPath) const;

    // The snapshot in `stored`, or its error: a damaged or vanished file
    // is the caller's notice, never a failure of anything else.
    core::FolderSnapshotRead Load(const StoredSnapshot& stored) const;

    const std::filesystem::path& Folder() const noexcept { return folder_; }

private:
    void Prune() const;

    std::filesystem::path folder_;
    SnapshotLimits limits_;
};

// The root part of a snapshot's file name for `rootPath`.
std::wstring SnapshotRootKey(const std::wstring& rootPath);

}  // namespace varnel::app
