#pragma once
// Hand-built MFT records and small volumes, for what real images cannot show:
// torn update sequences, bad lengths, extension records, a fragmented $MFT.
// Records are built valid (header, attributes, end marker, update sequence
// protection) and a test then corrupts exactly the bytes it is about.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ntfs/NtfsLayout.h"
#include "ntfs/VolumeReader.h"

namespace varnel::testing {

using Bytes = std::vector<std::byte>;

inline void Put(Bytes& b, std::size_t off, std::uint64_t value, std::size_t width) {
    if (b.size() < off + width) b.resize(off + width);
    for (std::size_t i = 0; i < width; ++i) b[off + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
}

inline std::uint64_t Get(const Bytes& b, std::size_t off, std::size_t width) {
    std::uint64_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = (v << 8) | static_cast<std::uint8_t>(b[off + i]);
    return v;
}

// Mapping pairs from (clusters, lcn delta) pairs, smallest encodings, ended by 0.
inline Bytes MappingPairs(const std::vector<std::pair<std::uint64_t, std::int64_t>>& pairs) {
    Bytes out;
    for (const auto& [clusters, delta] : pairs) {
        std::size_t lengthBytes = 1;
        while (lengthBytes < 8 && (clusters >> (8 * lengthBytes)) != 0) ++lengthBytes;
        std::size_t offsetBytes = 0;
        if (delta != 0) {
            offsetBytes = 1;
            while (offsetBytes < 8) {
                const std::int64_t low = -(std::int64_t{1} << (8 * offsetBytes - 1));
                const std::int64_t high = (std::int64_t{1} << (8 * offsetBytes - 1)) - 1;
                if (delta >= low && delta <= high) break;
                ++offsetBytes;
            }
        }
        out.push_back(static_cast<std::byte>(lengthBytes | (offsetBytes << 4)));
        for (std::size_t i = 0; i < lengthBytes; ++i) out.push_back(static_cast<std::byte>((clusters >> (8 * i)) & 0xFF));
        for (std::size_t i = 0; i < offsetBytes; ++i)
            out.push_back(static_cast<std::byte>((static_cast<std::uint64_t>(delta) >> (8 * i)) & 0xFF));
    }
    out.push_back(std::byte{0});
    return out;
}

class RecordBuilder {
public:
    explicit RecordBuilder(std::uint32_t size = 1024, std::uint16_t flags = core::ntfs::record::FlagInUse,
                           std::uint64_t baseReference = 0)
        : size_(size), flags_(flags), baseReference_(baseReference) {}

    RecordBuilder& FileName(std::uint64_t parent, const std::u16string& name, std::uint8_t nameSpace = 1,
                            std::int64_t realSize = 0, std::uint32_t fileAttributes = 0x20) {
        Bytes value(66 + 2 * name.size());
        Put(value, 0, parent | (std::uint64_t{1} << 48), 8);  // sequence number 1 above the record number
        Put(value, 48, static_cast<std::uint64_t>(realSize), 8);
        Put(value, 56, fileAttributes, 4);
        Put(value, 64, name.size(), 1);
        Put(value, 65, nameSpace, 1);
        for (std::size_t i = 0; i < name.size(); ++i) Put(value, 66 + 2 * i, name[i], 2);
        return Resident(core::ntfs::attribute::TypeFileName, value);
    }

    RecordBuilder& Resident(std::uint32_t type, const Bytes& value, std::uint8_t nameLength = 0) {
        Bytes a(24);
        Put(a, 0, type, 4);
        Put(a, 9, nameLength, 1);
        Put(a, 10, 24, 2);
        std::size_t valueOffset = 24 + 2 * nameLength;
        valueOffset = (valueOffset + 7) & ~std::size_t{7};
        Put(a, 16, value.size(), 4);
        Put(a, 20, valueOffset, 2);
        a.resize(valueOffset);
        a.insert(a.end(), value.begin(), value.end());
        return Raw(std::move(a));
    }

    RecordBuilder& NonResidentData(std::int64_t dataSize, const Bytes& pairs, std::uint64_t lowestVcn = 0,
                                   std::uint8_t nameLength = 0) {
        Bytes a(64);
        Put(a, 0, core::ntfs::attribute::TypeData, 4);
        Put(a, 8, 1, 1);
        Put(a, 9, nameLength, 1);
        Put(a, 10, 64, 2);
        Put(a, 16, lowestVcn, 8);
        std::size_t pairsOffset = 64 + 2 * nameLength;
        pairsOffset = (pairsOffset + 7) & ~std::size_t{7};
        Put(a, 32, pairsOffset, 2);
        Put(a, 48, static_cast<std::uint64_t>(dataSize), 8);
        Put(a, 56, static_cast<std::uint64_t>(dataSize), 8);
        a.resize(pairsOffset);
        a.insert(a.end(), pairs.begin(), pairs.end());
        return Raw(std::move(a));
    }

    // An attribute from its bytes; the length field is set to the padded size.
    RecordBuilder& Raw(Bytes attribute) {
        attribute.resize((attribute.size() + 7) & ~std::size_t{7});
        Put(attribute, 4, attribute.size(), 4);
        attributes_.push_back(std::move(attribute));
        return *this;
    }

    // The record with its update sequence applied for the given stride.
    Bytes Build(std::uint32_t stride = core::ntfs::record::UpdateSequenceStride) const {
        Bytes r(size_);
        const std::size_t count = size_ / stride + 1;
        Put(r, 0, core::ntfs::record::SignatureValue, 4);
        Put(r, 4, 48, 2);
        Put(r, 6, count, 2);
        Put(r, 16, 1, 2);  // sequence number
        const std::size_t first = (48 + 2 * count + 7) & ~std::size_t{7};
        Put(r, 20, first, 2);
        Put(r, 22, flags_, 2);
        Put(r, 28, size_, 4);
        Put(r, 32, baseReference_, 8);
        std::size_t off = first;
        for (const Bytes& a : attributes_) {
            std::memcpy(r.data() + off, a.data(), a.size());
            off += a.size();
        }
        Put(r, off, core::ntfs::attribute::TypeEnd, 4);
        Put(r, 24, off + 8, 4);
        const std::uint16_t check = 0x0A0B;
        Put(r, 48, check, 2);
        for (std::size_t i = 0; i + 1 < count; ++i) {
            const std::size_t tail = (i + 1) * stride - 2;
            Put(r, 48 + 2 * (i + 1), Get(r, tail, 2), 2);
            Put(r, tail, check, 2);
        }
        return r;
    }

private:
    std::uint32_t size_;
    std::uint16_t flags_;
    std::uint64_t baseReference_;
    std::vector<Bytes> attributes_;
};

// A small volume in memory: 4096-byte clusters, 1024-byte records, the MFT
// placed wherever the test puts its records.
struct SyntheticVolume {
    static constexpr std::uint32_t ClusterSize = 4096;
    static constexpr std::uint32_t RecordSize = 1024;
    Bytes bytes;
    core::NtfsVolumeData volume{512, ClusterSize, RecordSize, 0};

    explicit SyntheticVolume(std::uint64_t clusters) : bytes(clusters * ClusterSize) {}

    void Place(std::uint64_t byteOffset, const Bytes& record) {
        std::memcpy(bytes.data() + byteOffset, record.data(), record.size());
    }
};

// An attribute list entry for an unnamed data extent.
inline Bytes DataListEntry(std::uint64_t lowestVcn, std::uint64_t recordNumber) {
    Bytes e(32);
    Put(e, 0, core::ntfs::attribute::TypeData, 4);
    Put(e, 4, 32, 2);
    Put(e, 6, 0, 1);
    Put(e, 7, 26, 1);
    Put(e, 8, lowestVcn, 8);
    Put(e, 16, recordNumber | (std::uint64_t{1} << 48), 8);
    return e;
}

}  // namespace varnel::testing
