#include "core/PathRules.h"

namespace varnel::core {
namespace {

bool IsAsciiLetter(wchar_t c) noexcept {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Length of the root name: "X:" for a drive, "\\server" for a UNC path (also
// "\\?" and "\\." for the device namespaces, as the standard path type of the
// Windows library reads them), otherwise 0.
std::size_t RootNameLength(std::wstring_view path) noexcept {
    if (path.size() >= 2 && path[1] == L':' && IsAsciiLetter(path[0])) {
        return 2;
    }
    if (path.size() >= 3 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) &&
        !IsPathSeparator(path[2])) {
        std::size_t end = 2;
        while (end < path.size() && !IsPathSeparator(path[end])) {
            ++end;
        }
        return end;
    }
    return 0;
}

}  // namespace

std::wstring TrimTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && IsPathSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

std::wstring JoinPath(std::wstring_view first, std::wstring_view second) {
    if (first.empty()) {
        return std::wstring(second);
    }
    if (second.empty()) {
        return std::wstring(first);
    }
    std::wstring joined;
    joined.reserve(first.size() + 1 + second.size());
    joined.append(first);
    if (!IsPathSeparator(first.back())) {
        joined.push_back(L'\\');
    }
    joined.append(second);
    return joined;
}

std::wstring LeafName(std::wstring_view path) {
    const std::wstring trimmed = TrimTrailingSeparators(std::wstring(path));
    const std::size_t rootName = RootNameLength(trimmed);
    std::size_t start = trimmed.size();
    while (start > rootName && !IsPathSeparator(trimmed[start - 1])) {
        --start;
    }
    return trimmed.substr(start);
}

}  // namespace varnel::core
