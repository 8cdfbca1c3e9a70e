#pragma once
// Volume roots, the form a scan root is scanned under, and the normal form
// under which two spellings of one folder compare equal. Windows only.

#include <string>

namespace varnel::platform {

// True when the path names the root of a mounted volume: "C:\", "C:\\", or a
// folder another volume is mounted on. "C:/" is not one, since the volume
// path is "C:\" and a three-character path is never trimmed.
bool IsVolumeRoot(const std::wstring& path);

// The root every engine scans: relative roots ("Data", "C:Data", "\Data",
// "NUL") are made absolute against the current folder, then
// core::NormalizeScanRootSyntax applies ("C:" is "C:\", "\\?\" kept intact).
// Asks the process for its current folder, never the file system.
std::wstring NormalizeScanRoot(const std::wstring& path);

// The lexically normal form ("." and ".." folded, '\' separators, no
// trailing separator), used only for comparison. It never touches the file
// system: it runs on the window thread, and an offline share in the recent
// folders would freeze the window for the network timeout.
std::wstring NormalizeFolderPath(const std::wstring& path);

}  // namespace varnel::platform
