#pragma once
// Windows path syntax rules used to form node names and paths. They follow
// Windows conventions on every host (drive roots, '\' and '/', UNC), and do
// not ask the host's std::filesystem, so Linux and Windows builds agree.

#include <string>
#include <string_view>

namespace varnel::core {

constexpr bool IsPathSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

// Removes trailing separators while the path is longer than 3 characters, so
// "C:\" stays whole and "C:\Data\\" becomes "C:\Data".
std::wstring TrimTrailingSeparators(std::wstring path);

// Joins with one '\' unless the first already ends in a separator; an empty
// side yields the other side.
std::wstring JoinPath(std::wstring_view first, std::wstring_view second);

// The last component after the root name: "Data" for "C:\Data\", empty for
// "C:", "C:\" and "\\server", "share" for "\\server\share".
std::wstring LeafName(std::wstring_view path);

}  // namespace varnel::core
