#include "base/PathRules.h"

#include <algorithm>

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

bool StartsWithPrefix(std::wstring_view path, wchar_t third) noexcept {
    return path.size() >= 4 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && path[2] == third &&
           IsPathSeparator(path[3]);
}

// Only backslashes make the forms that the system takes without rewriting;
// "//?/" is normalised like any other path.
bool IsVerbatimPath(std::wstring_view path) noexcept {
    return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
           path[3] == L'\\';
}

wchar_t AsciiUpper(wchar_t c) noexcept { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

// Where the part that ".." may not climb above ends in an absolute path
// with '\' separators only: after "C:\", or after "\\server\share\".
// Zero for a path with no such part (a UNC path without its share).
std::size_t FixedRootLength(std::wstring_view path) noexcept {
    if (path.size() >= 3 && path[1] == L':') {
        return 3;
    }
    const std::size_t server = RootNameLength(path);
    if (server == 0 || server >= path.size()) {
        return 0;
    }
    const std::size_t shareEnd = path.find(L'\\', server + 1);
    return shareEnd == std::wstring_view::npos ? path.size() : shareEnd + 1;
}

// "." and ".." segments of an absolute path, resolved as the system
// resolves them, by the text alone: ".." never climbs above the drive or
// share. Without this, "C:\a\..\b" reached the file system in the "\\?\"
// form, which takes dots literally, and was said not to exist.
std::wstring ResolveDotSegments(std::wstring path) {
    if (!IsAbsolutePath(path)) {
        return path;
    }
    const std::size_t root = FixedRootLength(path);
    if (root == 0) {
        return path;
    }
    std::wstring resolved = path.substr(0, root);
    std::size_t start = root;
    while (start < path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = path.size();
        }
        const std::wstring_view segment = std::wstring_view(path).substr(start, end - start);
        if (segment == L"..") {
            if (resolved.size() > root) {
                resolved.pop_back();  // the separator before the last segment
                resolved.resize(std::max(resolved.rfind(L'\\') + 1, root));
            }
        } else if (segment != L"." && !segment.empty()) {
            if (resolved.size() > root && resolved.back() != L'\\') {
                resolved.push_back(L'\\');
            }
            resolved.append(segment);
            resolved.push_back(L'\\');
        }
        start = end + 1;
    }
    return resolved;
}

}  // namespace

std::wstring TrimTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && IsPathSeparator(path.back()) && path[path.size() - 2] != L':') {
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

std::wstring NormalizeScanRootSyntax(std::wstring path) {
    if (IsVerbatimPath(path)) {
        return path;
    }
    std::wstring normal;
    normal.reserve(path.size() + 1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = IsPathSeparator(path[i]) ? L'\\' : path[i];
        // Keeps the two separators that open a UNC path.
        const bool repeated = c == L'\\' && !normal.empty() && normal.back() == L'\\' && i > 1;
        if (!repeated) {
            normal.push_back(c);
        }
    }
    if (normal.size() == 2 && normal[1] == L':' && IsAsciiLetter(normal[0])) {
        normal.push_back(L'\\');
    }
    return TrimTrailingSeparators(ResolveDotSegments(std::move(normal)));
}

bool IsAbsolutePath(std::wstring_view path) noexcept {
    if (path.size() >= 3 && path[1] == L':' && IsAsciiLetter(path[0]) && IsPathSeparator(path[2])) {
        return true;
    }
    return path.size() >= 3 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && !IsPathSeparator(path[2]);
}

bool IsDevicePath(std::wstring_view path) noexcept {
    if (StartsWithPrefix(path, L'.')) {
        return true;
    }
    if (IsVerbatimPath(path)) {
        return false;  // the verbatim form reaches a folder that has a device's name
    }
    std::wstring leaf = LeafName(path);
    // "nul.txt" and "NUL " name the device as well.
    leaf = leaf.substr(0, leaf.find(L'.'));
    while (!leaf.empty() && leaf.back() == L' ') {
        leaf.pop_back();
    }
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (EqualsIgnoringAsciiCase(leaf, name)) return true;
    }
    return leaf.size() == 4 && (EqualsIgnoringAsciiCase(leaf.substr(0, 3), L"COM") ||
                                EqualsIgnoringAsciiCase(leaf.substr(0, 3), L"LPT")) &&
           leaf[3] >= L'1' && leaf[3] <= L'9';
}

std::wstring ExtendedLengthPath(std::wstring_view path) {
    if (IsVerbatimPath(path) || !IsAbsolutePath(path)) {
        return std::wstring(path);
    }
    if (IsPathSeparator(path[0])) {
        return L"\\\\?\\UNC\\" + std::wstring(path.substr(2));
    }
    return L"\\\\?\\" + std::wstring(path);
}

}  // namespace varnel::core
