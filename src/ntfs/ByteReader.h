#pragma once
// Bounds-checked little-endian reads over untrusted bytes (MFT records, boot
// sectors, attribute lists). Every read checks `n <= size - off` rather than
// `off + n <= size`, so an offset near 2^64 taken from the data cannot wrap
// around; a failed read leaves the sticky error set and yields 0, so a parser
// can read a header and test ok() once. No pointer is ever formed from an
// offset that was not checked first.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace varnel::core {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) noexcept : bytes_(bytes) {}

    std::size_t size() const noexcept { return bytes_.size(); }
    bool ok() const noexcept { return ok_; }

    // True when [off, off + n) lies inside the bytes.
    bool Has(std::size_t off, std::size_t n) const noexcept {
        return off <= bytes_.size() && n <= bytes_.size() - off;
    }

    std::uint8_t U8(std::size_t off) noexcept { return static_cast<std::uint8_t>(Read(off, 1)); }
    std::uint16_t U16(std::size_t off) noexcept { return static_cast<std::uint16_t>(Read(off, 2)); }
    std::uint32_t U32(std::size_t off) noexcept { return static_cast<std::uint32_t>(Read(off, 4)); }
    std::uint64_t U64(std::size_t off) noexcept { return Read(off, 8); }
    std::int64_t I64(std::size_t off) noexcept { return static_cast<std::int64_t>(Read(off, 8)); }

    // The n bytes at off, or an empty span (and the sticky error) when they
    // do not all lie inside.
    std::span<const std::byte> Sub(std::size_t off, std::size_t n) noexcept {
        if (!Has(off, n)) {
            ok_ = false;
            return {};
        }
        return bytes_.subspan(off, n);
    }

private:
    std::uint64_t Read(std::size_t off, std::size_t n) noexcept {
        if (!Has(off, n)) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = n; i-- > 0;) {
            value = (value << 8) | static_cast<std::uint8_t>(bytes_[off + i]);
        }
        return value;
    }

    std::span<const std::byte> bytes_;
    bool ok_ = true;
};

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
