#pragma once
// The local fixed and removable drives offered in the drive box and scanned
// by "All local drives".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnel::platform {

enum class DriveKind : std::uint32_t {
    Local = 0,      // a fixed drive
    Removable = 1,
};

struct DriveInfo {
    std::wstring rootPath;     // "C:\"
    std::wstring displayText;  // "C: System", "C: Local Disk", "E: Removable Disk"
    std::wstring volumeLabel;  // empty when the volume has none or cannot be read
    std::wstring fileSystemName;
    DriveKind kind = DriveKind::Local;
    std::uint64_t totalBytes = 0;  // 0 when the size cannot be read
    std::uint64_t freeBytes = 0;
};

// The drive letter and colon, a space, then the label, or a fixed English
// fallback ("Local Disk", "Removable Disk") when the label is empty.
std::wstring DriveDisplayText(wchar_t letter, const std::wstring& volumeLabel, DriveKind kind);

// The system calls the enumeration makes, so that its rules can be tested
// with drives Wine cannot fake. Windows drive type codes (2 removable,
// 3 fixed) are passed through as they are.
struct DriveQueries {
    struct VolumeInformation {
        std::wstring label;
        std::wstring fileSystemName;
    };
    struct Space {
        std::uint64_t totalBytes = 0;
        std::uint64_t freeBytes = 0;
    };
    std::function<std::uint32_t()> logicalDrives;
    std::function<std::uint32_t(const std::wstring& root)> driveType;
    std::function<std::optional<VolumeInformation>(const std::wstring& root)> volumeInformation;
    std::function<std::optional<Space>(const std::wstring& root)> diskSpace;
};

// Drives A to Z in letter order; only fixed and removable ones are kept, and
// a drive whose label or size cannot be read is kept with empty fields.
std::vector<DriveInfo> EnumerateLocalDrives(const DriveQueries& queries);

#ifdef _WIN32
// The same, asking the system.
std::vector<DriveInfo> EnumerateLocalDrives();

// The size and free space of the volume `root` is on, asked afresh; none
// when the system cannot say.
std::optional<DriveQueries::Space> ReadDiskSpace(const std::wstring& root);

// Makes the process fail calls on a drive without its medium (an empty card
// reader, a DVD drive) with an error instead of a system "No Disk" dialog.
// Called first thing by the program and by varnelscan, before any drive is
// enumerated or probed; keeps the other error-mode flags.
void FailCriticalErrorsSilently();
#endif

}  // namespace varnel::platform
