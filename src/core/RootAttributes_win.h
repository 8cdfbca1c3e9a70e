#pragma once
// The attributes and last-write time of the path a scan starts at. A root
// that cannot be read (or no longer exists) is scanned as a plain folder with
// time 0; that is not an error of the scan.

#include <windows.h>

#include <cstdint>
#include <string>

namespace varnel::core {

inline std::uint64_t FileTimeValue(const FILETIME& time) noexcept {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct RootAttributes {
    std::uint32_t attributes = FILE_ATTRIBUTE_DIRECTORY;
    std::uint64_t lastWriteTime = 0;
};

inline RootAttributes ReadRootAttributes(const std::wstring& path) {
    RootAttributes root;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        root.attributes = data.dwFileAttributes;
        root.lastWriteTime = FileTimeValue(data.ftLastWriteTime);
    }
    return root;
}

}  // namespace varnel::core
