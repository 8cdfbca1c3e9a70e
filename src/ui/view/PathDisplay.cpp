#include "ui/view/PathDisplay.h"

namespace varnel::ui {
namespace {

constexpr wchar_t TabPicture = L'\u2409';
constexpr wchar_t Ellipsis = L'\u2026';

}  // namespace

std::wstring VisibleText(std::wstring_view text) {
    std::wstring visible(text);
    for (wchar_t& c : visible) {
        if (c == L'\t') {
            c = TabPicture;
        }
    }
    return visible;
}

std::wstring MenuItemText(std::wstring_view text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : VisibleText(text)) {
        escaped.push_back(c);
        if (c == L'&') {
            escaped.push_back(L'&');
        }
    }
    return escaped;
}

std::wstring WithoutAccessKey(std::wstring_view text) {
    std::wstring plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // The form of languages whose words have no Latin letter: "(&O)".
        if (text[i] == L'(' && i + 3 < text.size() && text[i + 1] == L'&' && text[i + 3] == L')') {
            i += 3;
            continue;
        }
        if (text[i] == L'&' && i + 1 < text.size()) {
            ++i;  // "&&" keeps one '&'; "&x" keeps the x
        }
        plain.push_back(text[i]);
    }
    return plain;
}

std::wstring ShortenInMiddle(std::wstring_view path, std::size_t maxLength) {
    if (path.size() <= maxLength) {
        return std::wstring(path);
    }
    if (maxLength < 3) {
        return std::wstring(1, Ellipsis);
    }
    // The end matters most (it names the folder); the start says where it is.
    const std::size_t headLength = (maxLength - 1) / 3;
    std::size_t tailLength = maxLength - 1 - headLength;
    std::wstring_view tail = path.substr(path.size() - tailLength);
    // Start the tail at a separator when one is in its first half.
    const std::size_t separator = tail.find(L'\\');
    if (separator != std::wstring_view::npos && separator < tailLength / 2) {
        tail.remove_prefix(separator);
    }
    std::wstring shortened(path.substr(0, headLength));
    shortened.push_back(Ellipsis);
    shortened.append(tail);
    return shortened;
}

}  // namespace varnel::ui
