#pragma once
// The pieces saved scans and snapshots are written and read with: a growing
// output buffer, a bounds-checked input cursor over untrusted bytes, the
// payload checksum and the text encoding. Portable.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnel::core::saved {

// The payload checksum: 64-bit, eight bytes at a time (the last word padded
// with zeros), seeded with the length. It catches damage, not tampering.
std::uint64_t Checksum(std::span<const std::byte> bytes) noexcept;

class ByteWriter {
public:
    void U8(std::uint8_t value) { out_.push_back(static_cast<char>(value)); }
    void U32(std::uint32_t value) { Fixed(value, 4); }
    void U64(std::uint64_t value) { Fixed(value, 8); }
    void Varint(std::uint64_t value);
    void Zigzag(std::int64_t value) {
        Varint((static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
    }
    void Text(std::wstring_view text);  // varint byte count, then the bytes
    void Raw(std::string_view bytes) { out_.append(bytes); }

    std::string& Bytes() noexcept { return out_; }

private:
    void Fixed(std::uint64_t value, int bytes);
    std::string out_;
};

// Appends `text` in the file's encoding (UTF-8 with unpaired surrogates kept).
void AppendText(std::string& out, std::wstring_view text);
// Decodes a text of the file's encoding onto `out`; false (with `out` in an
// unspecified state) for bytes no writer of the format produces.
bool DecodeText(std::string_view bytes, std::wstring& out);

// Reads at a moving offset. A read past the end, or a varint longer than ten
// bytes, yields 0 and sets a sticky failure, leaving the offset where it was,
// so a parser reads a record and tests Ok() once.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::byte> bytes) noexcept : bytes_(bytes) {}

    bool Ok() const noexcept { return ok_; }
    void Fail() noexcept { ok_ = false; }
    std::size_t Offset() const noexcept { return offset_; }
    std::size_t Left() const noexcept { return bytes_.size() - offset_; }

    std::uint8_t U8() noexcept;
    std::uint64_t Varint() noexcept;
    std::int64_t Zigzag() noexcept {
        const std::uint64_t value = Varint();
        return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
    }
    // The next n bytes, or an empty view (and the failure) when fewer are left.
    std::string_view Bytes(std::uint64_t n) noexcept;
    // A varint byte count and that many bytes.
    std::string_view TextBytes() noexcept { return Bytes(Varint()); }

private:
    std::span<const std::byte> bytes_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

}  // namespace varnel::core::saved
