#pragma once
// Bounds-checked little-endian reads over untrusted bytes (MFT records, boot
// sectors, attribute lists). Every read checks `n <= size - off` rather than
// `off + n <= size`, so an offset near 2^64 taken from the data cannot wrap
// around; a failed read leaves the sticky error set and yields 0, so a parser
// can read a header and test ok() once. The first failure is remembered with
// the field the parser was after and where it looked, so a rejected record
// can say why. No pointer is ever formed from an offset that was not checked
// first.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace varnel::core {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) noexcept : bytes_(bytes) {}

    std::size_t size() const noexcept { return bytes_.size(); }
    bool ok() const noexcept { return failedField_ == nullptr; }
    // The field and offset of the first read that failed; later failures do
    // not replace them. Null and 0 while ok().
    const char* FailedField() const noexcept { return failedField_; }
    std::size_t FailedOffset() const noexcept { return failedOffset_; }

    // True when [off, off + n) lies inside the bytes.
    bool Has(std::size_t off, std::size_t n) const noexcept {
        return off <= bytes_.size() && n <= bytes_.size() - off;
    }

    // `field` names what is read, for FailedField; a string literal.
    std::uint8_t U8(std::size_t off, const char* field = "byte") noexcept {
        return static_cast<std::uint8_t>(Read(off, 1, field));
    }
    std::uint16_t U16(std::size_t off, const char* field = "16-bit value") noexcept {
        return static_cast<std::uint16_t>(Read(off, 2, field));
    }
    std::uint32_t U32(std::size_t off, const char* field = "32-bit value") noexcept {
        return static_cast<std::uint32_t>(Read(off, 4, field));
    }
    std::uint64_t U64(std::size_t off, const char* field = "64-bit value") noexcept { return Read(off, 8, field); }
    std::int64_t I64(std::size_t off, const char* field = "64-bit value") noexcept {
        return static_cast<std::int64_t>(Read(off, 8, field));
    }

    // The n bytes at off, or an empty span (and the sticky error) when they
    // do not all lie inside.
    std::span<const std::byte> Sub(std::size_t off, std::size_t n, const char* field = "bytes") noexcept {
        if (!Has(off, n)) {
            Fail(off, field);
            return {};
        }
        return bytes_.subspan(off, n);
    }

    // Marks the bytes unusable from the parser's own checks (a length that
    // contradicts another), so that one test of ok() covers both kinds.
    void Fail(std::size_t off, const char* field) noexcept {
        if (failedField_ == nullptr) {
            failedField_ = field;
            failedOffset_ = off;
        }
    }

private:
    std::uint64_t Read(std::size_t off, std::size_t n, const char* field) noexcept {
        if (!Has(off, n)) {
            Fail(off, field);
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = n; i-- > 0;) {
            value = (value << 8) | static_cast<std::uint8_t>(bytes_[off + i]);
        }
        return value;
    }

    std::span<const std::byte> bytes_;
    const char* failedField_ = nullptr;
    std::size_t failedOffset_ = 0;
};

// Writes a little-endian 16-bit value at off; false (and nothing written)
// when the two bytes do not lie inside.
inline bool StoreU16(std::span<std::byte> bytes, std::size_t off, std::uint16_t value) noexcept {
    if (off > bytes.size() || 2 > bytes.size() - off) {
        return false;
    }
    bytes[off] = static_cast<std::byte>(value & 0xFF);
    bytes[off + 1] = static_cast<std::byte>(value >> 8);
    return true;
}

// Multiplication and addition of sizes taken from the disk; false on overflow.
inline bool CheckedMultiply(std::uint64_t a, std::uint64_t b, std::uint64_t& out) noexcept {
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
        return false;
    }
    out = a * b;
    return true;
}

inline bool CheckedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t& out) noexcept {
    if (b > std::numeric_limits<std::uint64_t>::max() - a) {
        return false;
    }
    out = a + b;
    return true;
}

}  // namespace varnel::core
