#pragma once
// The Windows steps of an MFT scan before the MFT is read: open the volume
// device, query its geometry, resolve the folder to scan, and the reader over
// the volume handle through which everything after that is read.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "ntfs/VolumeReader.h"
#include "platform/UniqueHandle_win.h"

namespace varnel::core {

struct NtfsVolumeOpen {
    platform::UniqueFile volume;   // invalid on failure
    const wchar_t* failure = nullptr;  // the scan's message on failure
};

// Finds the volume holding path, checks that it is NTFS and opens its device
// for reading. Failure messages: "NTFS MFT scan is not available for this
// path." (no volume, unreadable, not NTFS) or "NTFS volume could not be
// opened." (not a drive root nor a known mounted volume, or the device does
// not open, as without administrator rights).
NtfsVolumeOpen OpenNtfsVolume(const std::wstring& path);

enum class VolumeQuery { Ok, Failed, NotUsable };

// FSCTL_GET_NTFS_VOLUME_DATA into data. NotUsable when the record, cluster or
// sector size is 0.
VolumeQuery QueryVolume(HANDLE volume, NtfsVolumeData& data);

// The MFT record number of the folder at path (its file reference without the
// sequence number), or nothing when it cannot be opened or read.
std::optional<std::uint64_t> ResolveRoot(const std::wstring& path);

// Seek then read on the synchronous, buffered volume handle.
class WindowsVolumeReader final : public VolumeReader {
public:
    explicit WindowsVolumeReader(HANDLE volume) noexcept : volume_(volume) {}
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) override;

private:
    HANDLE volume_;
};

}  // namespace varnel::core
