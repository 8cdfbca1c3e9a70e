#pragma once
// Finding and opening the volume device behind a path for the MFT engine.

#include <functional>
#include <optional>
#include <string>

namespace varnel::core {

// The volume GUID name (\\?\Volume{...}\) of a volume mounted at a mount
// point, or nothing when the system does not know it.
using VolumeNameLookup = std::function<std::optional<std::wstring>(const std::wstring& mountPoint)>;

// The device to open for a volume path as GetVolumePathNameW gives it:
// \\.\X: for a drive root X:\ (or X:/). A volume mounted in a folder of
// another volume (X:\folder\) is opened through its own volume name, without
// the trailing separator: the device of drive X is a different volume, whose
// MFT would be read while the root record was resolved on the mounted one.
// Nothing when the path is not of either form or the name is unknown.
std::optional<std::wstring> VolumeDevicePath(const std::wstring& volumePath, const VolumeNameLookup& lookup);

#ifdef _WIN32
// True when the MFT engine could open the volume holding path: the volume is
// NTFS and its device opens (which needs administrator rights). Opens the
// device and closes it again at once.
bool IsMftScanAvailable(const std::wstring& path);
#endif

}  // namespace varnel::core
