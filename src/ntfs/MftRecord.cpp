#include "ntfs/MftRecord.h"

#include <algorithm>

#include "ntfs/ByteReader.h"
#include "ntfs/NtfsLayout.h"
#include "model/ScanModel.h"

namespace varnel::core {

namespace rec = ntfs::record;
namespace attr = ntfs::attribute;
namespace fname = ntfs::filename;

namespace {

std::uint16_t LoadU16(std::span<const std::byte> bytes, std::size_t off) noexcept {
    return static_cast<std::uint16_t>(static_cast<std::uint16_t>(bytes[off]) |
                                      (static_cast<std::uint16_t>(bytes[off + 1]) << 8));
}

void StoreU16(std::span<std::byte> bytes, std::size_t off, std::uint16_t value) noexcept {
    bytes[off] = static_cast<std::byte>(value & 0xFF);
    bytes[off + 1] = static_cast<std::byte>(value >> 8);
}

constexpr std::uint32_t FileAttributeNormal = 0x80;

}  // namespace

bool ApplyRecordFixups(std::span<std::byte> record, std::uint32_t bytesPerSector) {
    const std::size_t size = record.size();
    if (size < rec::MinimumSize || bytesPerSector < 2) {
        return false;
    }
    ByteReader reader(record);
    if (reader.U32(rec::Signature) != rec::SignatureValue) {
        return false;
    }
    const std::size_t count = reader.U16(rec::UpdateSequenceCount);
    const std::size_t offset = reader.U16(rec::UpdateSequenceOffset);
    if (count == 0 || offset + 2 * count > size) {
        return false;
    }
    // A 4096-byte record on a volume with 4096-byte sectors carries 9 entries
    // (512-byte strides), not 2: taking the sector size as the stride would
    // reject every record and scan a whole 4K-sector volume as empty.
    std::size_t stride = 0;
    if (count == size / bytesPerSector + 1) {
        stride = bytesPerSector;
    } else if (count == size / rec::UpdateSequenceStride + 1) {
        stride = rec::UpdateSequenceStride;
    } else {
        return false;
    }
    const std::uint16_t check = LoadU16(record, offset);
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t tail = (i + 1) * stride - 2;  // strides * stride <= size
        if (LoadU16(record, tail) != check) {
            return false;
        }
        StoreU16(record, tail, LoadU16(record, offset + 2 * (i + 1)));
    }
    return true;
}

std::size_t DecodeUtf16(std::span<const std::byte> utf16le, wchar_t (&out)[MftMaxNameUnits]) {
    const std::size_t units = std::min(utf16le.size() / 2, MftMaxNameUnits);
    if constexpr (sizeof(wchar_t) == 2) {
        for (std::size_t i = 0; i < units; ++i) {
            out[i] = static_cast<wchar_t>(LoadU16(utf16le, 2 * i));
        }
        return units;
    } else {
        std::size_t written = 0;
        for (std::size_t i = 0; i < units; ++i) {
            char32_t c = LoadU16(utf16le, 2 * i);
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
                const char32_t low = LoadU16(utf16le, 2 * (i + 1));
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
            out[written++] = static_cast<wchar_t>(c);
        }
        return written;
    }
}

void SettleEntry(MftEntry& entry, const MftFileFacts& file) noexcept {
    std::uint32_t bits = entry.attributes & ~FileAttributeReparsePoint;
    entry.isDirectory = file.isDirectory;
    entry.isProvisional = false;
    if (file.isDirectory) {
        bits |= FileAttributeDirectory;
        entry.size = 0;
        entry.sizeOnDisk = 0;
    } else {
        bits &= ~FileAttributeDirectory;
        if (bits == 0) {
            bits = FileAttributeNormal;
        }
        if (file.hasDataSize) {
            entry.size = file.dataSize;
            entry.sizeOnDisk = file.allocatedSize;
        }
    }
    if (file.hasReparsePoint) {
        bits |= FileAttributeReparsePoint;
        entry.isNameSurrogate = file.isNameSurrogate;
    }
    entry.attributes = bits;
}

void ParseFileRecord(std::span<std::byte> record, std::uint64_t recordNumber,
                     std::uint32_t bytesPerSector, MftParseOutput& out) {
    if (!ApplyRecordFixups(record, bytesPerSector)) {
        return;
    }
    ByteReader reader(record);
    const std::uint16_t flags = reader.U16(rec::Flags);
    if ((flags & rec::FlagInUse) == 0) {
        return;
    }
    const std::uint64_t baseReference = reader.U64(rec::BaseRecordReference);
    const bool isExtension = baseReference != 0;
    MftFileFacts facts;
    facts.baseRecordNumber = isExtension ? (baseReference & ntfs::RecordNumberMask) : recordNumber;
    facts.baseSequence = isExtension ? static_cast<std::uint16_t>(baseReference >> ntfs::SequenceShift)
                                     : reader.U16(rec::SequenceNumber);
    facts.isBase = !isExtension;
    // Only a base record's flags tell a folder: an extension record holding
    // a folder's name has no folder flag. Such names are settled when the
    // facts of the whole file are joined.
    facts.isDirectory = !isExtension && (flags & rec::FlagDirectory) != 0;
    const std::uint32_t bytesInUse = reader.U32(rec::BytesInUse);
    const std::size_t limit = bytesInUse == 0 ? record.size() : std::min<std::size_t>(record.size(), bytesInUse);
    ByteReader within(std::span<const std::byte>(record.data(), limit));

    // Names go straight to the output and are taken back if the record turns
    // out malformed (their characters stay unused in the store), so a record
    // costs no allocation of its own.
    MftEntryList& entries = out.entries;
    const std::size_t firstEntry = entries.size();
    bool hasAttributeList = false;

    std::size_t offset = reader.U16(rec::FirstAttributeOffset);
    while (within.Has(offset, attr::CommonHeaderSize)) {
        const std::uint32_t type = within.U32(offset + attr::Type);
        if (type == attr::TypeEnd) {
            break;
        }
        const std::uint32_t length = within.U32(offset + attr::Length);
        if (length < attr::CommonHeaderSize || !within.Has(offset, length)) {
            entries.Truncate(firstEntry);
            return;
        }
        const bool nonResident = within.U8(offset + attr::NonResident) != 0;
        const std::uint8_t nameLength = within.U8(offset + attr::NameLength);

        if (type == attr::TypeFileName) {
            if (nonResident || length < attr::ResidentHeaderSize) {
                offset += length;
                continue;
            }
            const std::uint32_t valueLength = within.U32(offset + attr::ValueLength);
            const std::uint16_t valueOffset = within.U16(offset + attr::ValueOffset);
            if (static_cast<std::uint64_t>(valueOffset) + valueLength > length ||
                valueLength < fname::Name) {
                offset += length;
                continue;
            }
            ByteReader value(within.Sub(offset + valueOffset, valueLength));
            const std::size_t units = value.U8(fname::NameLength);
            if (fname::Name + 2 * units > valueLength || value.U8(fname::Namespace) == fname::NamespaceDos) {
                offset += length;
                continue;
            }
            MftEntry& entry = entries.push_back(MftEntry{});
            entry.recordNumber = facts.baseRecordNumber;
            entry.recordSequence = facts.baseSequence;
            const std::uint64_t parent = value.U64(fname::ParentReference);
            entry.parentRecordNumber = parent & ntfs::RecordNumberMask;
            entry.parentSequence = static_cast<std::uint16_t>(parent >> ntfs::SequenceShift);
            wchar_t name[MftMaxNameUnits];
            const std::size_t nameUnits = DecodeUtf16(value.Sub(fname::Name, 2 * units), name);
            entry.SetNamePosition(out.names.Append(std::wstring_view(name, nameUnits)));
            entry.nameLength = static_cast<std::uint8_t>(nameUnits);
            const std::uint32_t stored = value.U32(fname::FileAttributes);
            entry.attributes = stored & ~(fname::FlagHasFileNameIndex | fname::FlagHasViewIndex);
            entry.isDirectory = isExtension ? (stored & fname::FlagHasFileNameIndex) != 0 : facts.isDirectory;
            entry.isProvisional = isExtension;
            const std::int64_t realSize = value.I64(fname::RealSize);
            entry.size = realSize > 0 && !entry.isDirectory ? static_cast<std::uint64_t>(realSize) : 0;
            const std::int64_t allocated = value.I64(fname::AllocatedSize);
            entry.sizeOnDisk = allocated > 0 && !entry.isDirectory ? static_cast<std::uint64_t>(allocated) : 0;
        } else if (type == attr::TypeData && nameLength == 0) {
            // Only the extent that starts the stream (lowest VCN 0) carries
            // the stream's size; later extents of a fragmented file say 0.
            if (nonResident && length >= attr::NonResidentHeaderSize) {
                if (within.U64(offset + attr::LowestVcn) == 0) {
                    const std::int64_t size = within.I64(offset + attr::DataSize);
                    facts.dataSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
                    facts.hasDataSize = true;
                    const bool packed = (within.U16(offset + attr::Flags) & (attr::FlagCompressed | attr::FlagSparse)) != 0;
                    const std::int64_t allocated = packed && length >= attr::CompressedHeaderSize
                                                       ? within.I64(offset + attr::TotalAllocated)
                                                       : within.I64(offset + attr::AllocatedSize);
                    facts.allocatedSize = allocated > 0 ? static_cast<std::uint64_t>(allocated) : 0;
                }
            } else if (!nonResident && length >= attr::ResidentHeaderSize) {
                // Kept inside the record: no cluster of its own.
                facts.dataSize = within.U32(offset + attr::ValueLength);
                facts.allocatedSize = 0;
                facts.hasDataSize = true;
            }
        } else if (type == attr::TypeReparsePoint) {
            facts.hasReparsePoint = true;
            // The tag is the value's first four bytes. A value kept outside
            // the record (a junction to a very long path) or too short to
            // hold a tag is taken for a name surrogate: not entering a cloud
            // folder loses its files, entering a junction counts a volume twice.
            facts.isNameSurrogate = true;
            if (!nonResident && length >= attr::ResidentHeaderSize) {
                const std::uint32_t valueLength = within.U32(offset + attr::ValueLength);
                const std::uint16_t valueOffset = within.U16(offset + attr::ValueOffset);
                if (valueLength >= 4 && static_cast<std::uint64_t>(valueOffset) + valueLength <= length) {
                    const std::uint32_t tag = within.U32(offset + valueOffset + ntfs::reparse::Tag);
                    facts.isNameSurrogate = (tag & ntfs::reparse::TagNameSurrogate) != 0;
                }
            }
        } else if (type == attr::TypeAttributeList) {
            hasAttributeList = true;
        }
        offset += length;
    }

    // A file spread over several records (it has an attribute list) may keep
    // its stream's start, its reparse point or some of its names in extension
    // records: a file with eight long hard-link names keeps two names in the
    // base record and six elsewhere, whose own sizes were stale (0).
    if (isExtension || hasAttributeList) {
        out.multiRecordFiles.push_back(facts);
    }
    if (isExtension) {
        return;
    }
    for (std::size_t i = firstEntry; i < entries.size(); ++i) {
        SettleEntry(entries[i], facts);
    }
}

bool DecodeMappingPairs(std::span<const std::byte> pairs, std::vector<MftRun>& runs,
                        std::uint64_t& clustersDescribed) {
    const std::size_t limit = pairs.size();
    if (limit == 0) {
        return false;
    }
    std::size_t pos = 0;
    std::int64_t lcn = 0;
    clustersDescribed = 0;
    while (true) {
        const auto header = static_cast<std::uint8_t>(pairs[pos]);
        if (header == 0) {
            return true;
        }
        const std::size_t lengthBytes = header & 0x0F;
        const std::size_t offsetBytes = header >> 4;
        if (lengthBytes == 0 || 1 + lengthBytes + offsetBytes > limit - pos) {
            return false;
        }
        std::uint64_t clusters = 0;
        for (std::size_t i = lengthBytes; i-- > 0;) {
            clusters = (clusters << 8) | static_cast<std::uint8_t>(pairs[pos + 1 + i]);
        }
        std::uint64_t delta = 0;
        if (offsetBytes > 0) {
            const std::size_t first = pos + 1 + lengthBytes;
            for (std::size_t i = offsetBytes; i-- > 0;) {
                delta = (delta << 8) | static_cast<std::uint8_t>(pairs[first + i]);
            }
            const bool negative = (static_cast<std::uint8_t>(pairs[first + offsetBytes - 1]) & 0x80) != 0;
            if (negative && offsetBytes < 8) {
                delta |= ~0ull << (8 * offsetBytes);
            }
        }
        // Two's complement wrap-around, defined on unsigned values: a running
        // cluster number can only become absurd, never undefined.
        lcn = static_cast<std::int64_t>(static_cast<std::uint64_t>(lcn) + delta);
        if (lcn >= 0 && clusters != 0) {
            runs.push_back({lcn, clusters});
        }
        if (!CheckedAdd(clustersDescribed, clusters, clustersDescribed)) {
            return false;
        }
        pos += 1 + lengthBytes + offsetBytes;
        if (pos >= limit) {
            return false;
        }
    }
}

bool DecodeMftDataRuns(std::span<const std::byte> record, std::vector<MftRun>& runs,
                       std::uint64_t& dataSize) {
    ByteReader reader(record);
    std::size_t offset = reader.U16(rec::FirstAttributeOffset);
    if (!reader.ok() || !reader.Has(offset, attr::CommonHeaderSize)) {
        return false;
    }
    while (true) {
        const std::uint32_t type = reader.U32(offset + attr::Type);
        if (type == attr::TypeEnd) {
            return false;
        }
        const std::uint32_t length = reader.U32(offset + attr::Length);
        if (length < attr::CommonHeaderSize || !reader.Has(offset, length)) {
            return false;
        }
        const std::size_t start = offset;
        offset += length;
        if (type == attr::TypeData && reader.U8(start + attr::NameLength) == 0 &&
            reader.U8(start + attr::NonResident) != 0) {
            if (length < attr::NonResidentHeaderSize) {
                return false;
            }
            const std::size_t pairsOffset = reader.U16(start + attr::MappingPairsOffset);
            if (pairsOffset >= length) {
                return false;
            }
            const std::int64_t size = reader.I64(start + attr::DataSize);
            dataSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
            std::uint64_t clusters = 0;
            return DecodeMappingPairs(reader.Sub(start + pairsOffset, length - pairsOffset), runs, clusters);
        }
        if (!reader.Has(offset, attr::CommonHeaderSize)) {
            return false;
        }
    }
}

}  // namespace varnel::core
