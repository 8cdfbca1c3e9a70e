#include "model/SavedEncoding.h"

#include <bit>
#include <cstring>

#include "base/Utf8.h"

namespace varnel::core::saved {

namespace {

constexpr std::uint64_t Prime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t Prime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t Prime3 = 0x165667B19E3779F9ull;

constexpr std::uint64_t RotateLeft(std::uint64_t value, int bits) noexcept {
    return (value << bits) | (value >> (64 - bits));
}

std::uint64_t LoadLittleEndian(const std::byte* bytes, std::size_t count) noexcept {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
    }
    return value;
}

}  // namespace

std::uint64_t Checksum(std::span<const std::byte> bytes) noexcept {
    std::uint64_t hash = Prime3 ^ (bytes.size() * Prime1);
    std::size_t i = 0;
    for (; bytes.size() - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if constexpr (std::endian::native == std::endian::big) {
            word = LoadLittleEndian(bytes.data() + i, 8);
        }
        hash = RotateLeft(hash ^ (word * Prime2), 31) * Prime1;
    }
    if (i < bytes.size()) {
        hash = RotateLeft(hash ^ (LoadLittleEndian(bytes.data() + i, bytes.size() - i) * Prime2), 31) * Prime1;
    }
    hash ^= hash >> 33;
    hash *= Prime2;
    hash ^= hash >> 29;
    hash *= Prime3;
    return hash ^ (hash >> 32);
}

void ByteWriter::Varint(std::uint64_t value) {
    while (value >= 0x80) {
        out_.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out_.push_back(static_cast<char>(value));
}

void ByteWriter::Fixed(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void ByteWriter::Text(std::wstring_view text) {
    thread_local std::string encoded;
    encoded.clear();
    AppendText(encoded, text);
    Varint(encoded.size());
    out_.append(encoded);
}

void AppendText(std::string& out, std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<std::uint32_t>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
                const auto low = static_cast<std::uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        // A 32-bit wide character beyond Unicode cannot come from a file
        // name; it is written as the replacement character.
        AppendCodePointUtf8(out, c > 0x10FFFF ? char32_t{0xFFFD} : char32_t{c});
    }
}

bool DecodeText(std::string_view bytes, std::wstring& out) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t c = 0;
        std::uint32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1Fu, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0Fu, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07u, smallest = 0x10000;
        } else {
            return false;
        }
        if (length > bytes.size() - i) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (next & 0x3Fu);
        }
        if (c < smallest || c > 0x10FFFF) {
            return false;
        }
        AppendCodePointWide(out, c);
        i += length;
    }
    return true;
}

std::uint8_t ByteCursor::U8() noexcept {
    if (Left() < 1) {
        ok_ = false;
        return 0;
    }
    return static_cast<std::uint8_t>(bytes_[offset_++]);
}

std::uint64_t ByteCursor::Varint() noexcept {
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < 10 && k < Left(); ++k) {
        const auto byte = static_cast<std::uint8_t>(bytes_[offset_ + k]);
        // The tenth byte holds only the top bit of a 64-bit value.
        if (k == 9 && byte > 1) {
            break;
        }
        value |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * k);
        if ((byte & 0x80) == 0) {
            offset_ += k + 1;
            return value;
        }
    }
    ok_ = false;
    return 0;
}

std::string_view ByteCursor::Bytes(std::uint64_t n) noexcept {
    if (n > Left()) {
        ok_ = false;
        return {};
    }
    const std::string_view view(reinterpret_cast<const char*>(bytes_.data()) + offset_, static_cast<std::size_t>(n));
    offset_ += static_cast<std::size_t>(n);
    return view;
}

}  // namespace varnel::core::saved
