#include "base/Utf8.h"

#include <cstdint>

namespace varnel::core {
namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

}  // namespace

void AppendCodePointUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendCodePointWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (v & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

namespace {

bool IsSurrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

bool IsSurrogatePairAt(std::wstring_view text, std::size_t i) noexcept {
    if constexpr (sizeof(wchar_t) == 2) {
        return i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF;
    } else {
        return false;
    }
}

bool IsLoneSurrogateAt(std::wstring_view text, std::size_t i) noexcept {
    if (!IsSurrogate(static_cast<char32_t>(text[i]))) {
        return false;
    }
    return !IsSurrogatePairAt(text, i) && !(i > 0 && IsSurrogatePairAt(text, i - 1));
}

void AppendUtf8(std::string& out, std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // ASCII runs, the bulk of most paths, are copied without decoding.
        std::size_t ascii = i;
        while (ascii < text.size() && static_cast<std::uint32_t>(text[ascii]) < 0x80) {
            ++ascii;
        }
        if (ascii != i) {
            const std::size_t start = out.size();
            out.resize(start + (ascii - i));
            char* to = out.data() + start;
            for (std::size_t k = i; k < ascii; ++k) {
                *to++ = static_cast<char>(text[k]);
            }
            i = ascii;
            continue;
        }
        char32_t c = static_cast<char32_t>(text[i]);
        if (IsSurrogatePairAt(text, i)) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (IsSurrogate(c) || c > 0x10FFFF) {
            c = ReplacementCharacter;
        }
        AppendCodePointUtf8(out, c);
        ++i;
    }
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf8(out, text);
    return out;
}

std::size_t DecodeUtf8Sequence(std::string_view bytes, std::size_t at, char32_t& value) noexcept {
    const auto lead = static_cast<std::uint8_t>(bytes[at]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;  // ASCII, a stray continuation byte, a C0/C1 overlong lead, or F5..FF
    }
    if (bytes.size() - at < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || IsSurrogate(value)) {
        return 0;
    }
    return length;
}

std::optional<std::wstring> Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = DecodeUtf8Sequence(text, i, c);
        if (length == 0) {
            return std::nullopt;
        }
        AppendCodePointWide(out, c);
        i += length;
    }
    return out;
}

std::wstring Utf8ToWideForDisplay(std::string_view text) {
    if (auto wide = Utf8ToWide(text)) {
        return std::move(*wide);
    }
    std::wstring shown;
    shown.reserve(text.size());
    for (const char c : text) {
        shown.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : static_cast<wchar_t>(ReplacementCharacter));
    }
    return shown;
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    std::wstring wide;
    AppendUtf16Units(std::as_bytes(std::span(bytes.data(), bytes.size())), wide,
                     bigEndian ? ByteOrder::BigEndian : ByteOrder::LittleEndian);
    return WideToUtf8(wide);
}

void AppendUtf16Units(std::span<const std::byte> bytes, std::wstring& out, ByteOrder order) {
    const std::size_t start = out.size();
    out.resize(start + bytes.size() / 2);
    out.resize(start + DecodeUtf16Units(bytes, std::span(out).subspan(start), order));
}

std::size_t DecodeUtf16Units(std::span<const std::byte> bytes, std::span<wchar_t> out, ByteOrder order) noexcept {
    const std::size_t units = bytes.size() / 2;
    std::size_t written = 0;
    const auto unitAt = [&](std::size_t i) {
        const auto first = std::to_integer<std::uint32_t>(bytes[2 * i]);
        const auto second = std::to_integer<std::uint32_t>(bytes[2 * i + 1]);
        return order == ByteOrder::BigEndian ? (first << 8) | second : (second << 8) | first;
    };
    for (std::size_t i = 0; i < units && written < out.size(); ++i) {
        std::uint32_t unit = unitAt(i);
        if constexpr (sizeof(wchar_t) > 2) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const std::uint32_t low = unitAt(i + 1);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        out[written++] = static_cast<wchar_t>(unit);
    }
    return written;
}

}  // namespace varnel::core
