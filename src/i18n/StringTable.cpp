#include "i18n/StringTable.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "base/Utf8.h"

namespace varnel::i18n {
namespace {

constexpr wchar_t CommentMark = L'#';
constexpr wchar_t KeySeparator = L'=';
constexpr char NonAsciiKeyCharacter = '?';
constexpr wchar_t LastAscii = 0x7F;

bool IsTrimmed(wchar_t c) noexcept { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view Trim(std::wstring_view text) noexcept {
    while (!text.empty() && IsTrimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsTrimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A template, so that the 32-bit branch is not even compiled where wchar_t
// has 16 bits.
template <class Char>
std::size_t Utf16Units(Char c) noexcept {
    if constexpr (sizeof(Char) > 2) {
        return static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
    } else {
        return 1;
    }
}

// One '?' per UTF-16 code unit, so that a key reads the same on every
// build: a character outside the Basic Multilingual Plane gives "??" also
// where wchar_t holds it in one unit.
std::string NarrowKey(std::wstring_view key) {
    std::string narrow;
    narrow.reserve(key.size());
    for (const wchar_t c : key) {
        if (c <= LastAscii) {
            narrow.push_back(static_cast<char>(c));
        } else {
            narrow.append(Utf16Units(c), NonAsciiKeyCharacter);
        }
    }
    return narrow;
}

void AddLine(StringTable& table, std::string_view bytes) {
    const std::optional<std::wstring> decoded = core::Utf8ToWide(bytes);
    if (!decoded || decoded->empty() || decoded->front() == CommentMark) {
        return;
    }
    const std::wstring_view line = *decoded;
    const std::size_t separator = line.find(KeySeparator);
    if (separator == std::wstring_view::npos) {
        return;
    }
    const std::wstring_view text = Trim(line.substr(separator + 1));
    // An empty text would leave a blank button; a control character draws
    // as a box or breaks a line. Either is a damaged entry, and the English
    // text stands in for it.
    const bool unusable = text.empty() || std::any_of(text.begin(), text.end(), [](wchar_t c) {
        return c < 0x20 || c == 0x7F;
    });
    if (unusable || text.size() > MaxTextLength) {
        return;
    }
    std::string key = NarrowKey(Trim(line.substr(0, separator)));
    table.try_emplace(std::move(key), text);
}

}  // namespace

StringTable ParseStringTable(std::string_view bytes) {
    StringTable table;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            AddLine(table, bytes);
            break;
        }
        AddLine(table, bytes.substr(0, end));
        bytes.remove_prefix(end + 1);
    }
    return table;
}

}  // namespace varnel::i18n
