#pragma once
// The attributes and last-write time of the path a scan starts at, or why it
// cannot be scanned: every engine fails a root that is missing, a file or a
// device the same way, instead of showing it as an empty folder.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "directory/NtDirectoryApi_win.h"
#include "base/PathRules.h"
#include "model/ScanRootFailure.h"

namespace varnel::core {

inline std::uint64_t FileTimeValue(const FILETIME& time) noexcept {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct RootAttributes {
    std::uint32_t attributes = FILE_ATTRIBUTE_DIRECTORY;
    std::uint64_t lastWriteTime = 0;
    std::optional<RootProblem> problem;  // set when the root cannot be scanned
};

// `rootPath` is already in the engines' normal form (NormalizeScanRootSyntax).
inline RootAttributes ReadRootAttributes(DirectorySystem& system, const std::wstring& rootPath) {
    RootAttributes root;
    if (rootPath.empty()) {
        root.problem = RootProblem::NoPath;
        return root;
    }
    if (IsDevicePath(rootPath)) {
        root.problem = RootProblem::Device;
        return root;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (const std::uint32_t error = system.ReadAttributes(ExtendedLengthPath(rootPath), data); error != 0) {
        root.problem = RootProblemForError(error);
        return root;
    }
    root.attributes = data.dwFileAttributes;
    root.lastWriteTime = FileTimeValue(data.ftLastWriteTime);
    if ((root.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        root.problem = RootProblem::NotAFolder;
    }
    return root;
}

}  // namespace varnel::core
