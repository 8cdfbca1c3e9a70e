#pragma once
// Windows path syntax rules used to form node names and paths. They follow
// Windows conventions on every host (drive roots, '\' and '/', UNC), and do
// not ask the host's std::filesystem, so Linux and Windows builds agree.

#include <string>
#include <string_view>

namespace varnel::core {

constexpr bool IsPathSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

// Removes trailing separators while the path is longer than 3 characters, so
// "C:\" stays whole and "C:\Data\\" becomes "C:\Data". The separator after a
// drive is kept in every form: "\\?\C:" would name the volume device itself.
std::wstring TrimTrailingSeparators(std::wstring path);

// Joins with one '\' unless the first already ends in a separator; an empty
// side yields the other side.
std::wstring JoinPath(std::wstring_view first, std::wstring_view second);

// The last component after the root name: "Data" for "C:\Data\", empty for
// "C:", "C:\" and "\\server", "share" for "\\server\share".
std::wstring LeafName(std::wstring_view path);

// The form every engine scans a root under, decided without the file system:
// '/' becomes '\\', repeated separators collapse, trailing ones go, and a bare
// drive letter ("C:") means its root ("C:\\", not the drive's current folder),
// and "." and ".." segments of an absolute path are resolved by the text
// (never above the drive or share).
// Roots in the "\\?\" and "\\.\" forms are kept exactly as given, since those
// forms opt out of all rewriting. Relative roots are left for the caller to
// make absolute first.
std::wstring NormalizeScanRootSyntax(std::wstring path);

// True for a path that does not depend on a current folder or drive: "C:\...",
// "\\server\share..." and the "\\?\" and "\\.\" forms.
bool IsAbsolutePath(std::wstring_view path) noexcept;

// True for a root that names a device rather than a folder: the "\\.\" form,
// or a leaf that is a reserved device name ("NUL", "con.txt", "COM1").
bool IsDevicePath(std::wstring_view path) noexcept;

// The "\\?\" form of an absolute path, for file-system calls: it lifts the
// 260-character limit and keeps names such as "abc." and "sp " that ordinary
// path normalisation would alter. Nodes keep the plain form for display.
// Paths already in a "\\?\" or "\\.\" form, and relative ones, are returned as
// they are.
std::wstring ExtendedLengthPath(std::wstring_view path);

}  // namespace varnel::core
