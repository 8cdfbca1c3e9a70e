#pragma once
// Volume roots and the normal form under which two spellings of one folder
// compare equal. Windows only: both ask the file system.

#include <string>

namespace varnel::platform {

// True when the path names the root of a mounted volume: "C:\", "C:\\", or a
// folder another volume is mounted on. "C:/" is not one, since the volume
// path is "C:\" and a three-character path is never trimmed.
bool IsVolumeRoot(const std::wstring& path);

// The weakly canonical form, or the lexically normal form when the file
// system cannot be asked. Never fails; used only for comparison.
std::wstring NormalizeFolderPath(const std::wstring& path);

}  // namespace varnel::platform
