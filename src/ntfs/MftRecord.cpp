#include "ntfs/MftRecord.h"

#include <algorithm>

#include "base/Utf8.h"
#include "ntfs/ByteReader.h"
#include "ntfs/NtfsLayout.h"
#include "model/ScanModel.h"

namespace varnel::core {

namespace rec = ntfs::record;
namespace attr = ntfs::attribute;
namespace fname = ntfs::filename;

namespace {

constexpr std::uint32_t FileAttributeNormal = 0x80;
constexpr std::uint32_t BaadSignatureValue = 0x44414142;  // "BAAD" read as a u32

}  // namespace

const char* DescribeVerdict(MftRecordVerdict verdict) noexcept {
    switch (verdict) {
        case MftRecordVerdict::Parsed: return "is in use";
        case MftRecordVerdict::NotInUse: return "is not in use";
        case MftRecordVerdict::NeverUsed: return "was never written";
        case MftRecordVerdict::NotFileRecord: return "is not a file record";
        case MftRecordVerdict::MarkedBad: return "is marked BAAD (damaged)";
        case MftRecordVerdict::BadUpdateSequence: return "has an update sequence that does not fit it";
        case MftRecordVerdict::Torn: return "fails its update sequence check (a torn write)";
        case MftRecordVerdict::MalformedAttribute: return "has an attribute that runs past the record";
    }
    return "is unreadable";
}

const char* VerdictTraceName(MftRecordVerdict verdict) noexcept {
    switch (verdict) {
        case MftRecordVerdict::Parsed: return "parsed";
        case MftRecordVerdict::NotInUse: return "notInUse";
        case MftRecordVerdict::NeverUsed: return "neverUsed";
        case MftRecordVerdict::NotFileRecord: return "notFileRecord";
        case MftRecordVerdict::MarkedBad: return "markedBad";
        case MftRecordVerdict::BadUpdateSequence: return "badUpdateSequence";
        case MftRecordVerdict::Torn: return "torn";
        case MftRecordVerdict::MalformedAttribute: return "malformedAttribute";
    }
    return "unknown";
}

MftRecordVerdict FixUpRecord(std::span<std::byte> record, std::uint32_t bytesPerSector) {
    const std::size_t size = record.size();
    if (size < rec::MinimumSize || bytesPerSector < 2) {
        return MftRecordVerdict::NotFileRecord;
    }
    ByteReader reader(record);
    const std::uint32_t signature = reader.U32(rec::Signature, "signature");
    if (signature != rec::SignatureValue) {
        return signature == 0                    ? MftRecordVerdict::NeverUsed
               : signature == BaadSignatureValue ? MftRecordVerdict::MarkedBad
                                                 : MftRecordVerdict::NotFileRecord;
    }
    const std::size_t count = reader.U16(rec::UpdateSequenceCount, "update sequence count");
    const std::size_t offset = reader.U16(rec::UpdateSequenceOffset, "update sequence offset");
    if (count == 0 || offset + 2 * count > size) {
        return MftRecordVerdict::BadUpdateSequence;
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
        return MftRecordVerdict::BadUpdateSequence;
    }
    // Each saved value is read when its turn comes, after the strides before
    // it are restored: the array and a stride's end may share bytes.
    const std::uint16_t check = reader.U16(offset, "update sequence check value");
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t tail = (i + 1) * stride - 2;
        if (reader.U16(tail, "sector check value") != check) {
            return MftRecordVerdict::Torn;
        }
        if (!StoreU16(record, tail, reader.U16(offset + 2 * (i + 1), "update sequence entry"))) {
            return MftRecordVerdict::BadUpdateSequence;
        }
    }
    return reader.ok() ? MftRecordVerdict::Parsed : MftRecordVerdict::BadUpdateSequence;
}

bool ApplyRecordFixups(std::span<std::byte> record, std::uint32_t bytesPerSector) {
    return FixUpRecord(record, bytesPerSector) == MftRecordVerdict::Parsed;
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
    if (file.hasWriteTime) {
        entry.lastWriteTime = file.lastWriteTime;
    }
    entry.attributes = bits;
}

namespace {

// One attribute's bytes: the common header, its resident or non-resident
// part and (resident) its value. Offsets below are the attribute's own.
struct Attribute {
    ByteReader bytes;
    std::uint32_t length = 0;
    bool nonResident = false;
};

// The resident value of an attribute, or nothing (an empty reader) when the
// attribute is not resident or its value does not lie inside it.
ByteReader ResidentValue(Attribute& attribute) {
    if (attribute.nonResident || attribute.length < attr::ResidentHeaderSize) {
        return ByteReader({});
    }
    const std::uint32_t valueLength = attribute.bytes.U32(attr::ValueLength, "value length");
    const std::uint16_t valueOffset = attribute.bytes.U16(attr::ValueOffset, "value offset");
    if (static_cast<std::uint64_t>(valueOffset) + valueLength > attribute.length) {
        return ByteReader({});
    }
    return ByteReader(attribute.bytes.Sub(valueOffset, valueLength, "value"));
}

// A long name ($FILE_NAME outside the DOS namespace): one entry.
void ParseFileName(Attribute& attribute, const MftFileFacts& facts, bool isExtension, MftParseOutput& out) {
    ByteReader value = ResidentValue(attribute);
    if (value.size() < fname::Name) {
        return;
    }
    const std::size_t units = value.U8(fname::NameLength, "name length");
    if (fname::Name + 2 * units > value.size() || value.U8(fname::Namespace, "namespace") == fname::NamespaceDos) {
        return;
    }
    MftEntry& entry = out.entries.push_back(MftEntry{});
    entry.recordNumber = facts.baseRecordNumber;
    entry.recordSequence = facts.baseSequence;
    const std::uint64_t parent = value.U64(fname::ParentReference, "parent reference");
    entry.parentRecordNumber = parent & ntfs::RecordNumberMask;
    entry.parentSequence = static_cast<std::uint16_t>(parent >> ntfs::SequenceShift);
    wchar_t name[MftMaxNameUnits];
    const std::size_t nameUnits = DecodeUtf16Units(value.Sub(fname::Name, 2 * units, "name"), name);
    entry.SetNamePosition(out.names.Append(std::wstring_view(name, nameUnits)));
    entry.nameLength = static_cast<std::uint8_t>(nameUnits);
    const std::uint32_t stored = value.U32(fname::FileAttributes, "file attributes");
    entry.attributes = stored & ~(fname::FlagHasFileNameIndex | fname::FlagHasViewIndex);
    entry.isDirectory = isExtension ? (stored & fname::FlagHasFileNameIndex) != 0 : facts.isDirectory;
    entry.isProvisional = isExtension;
    const std::int64_t realSize = value.I64(fname::RealSize, "real size");
    entry.size = realSize > 0 && !entry.isDirectory ? static_cast<std::uint64_t>(realSize) : 0;
    const std::int64_t allocated = value.I64(fname::AllocatedSize, "allocated size");
    entry.sizeOnDisk = allocated > 0 && !entry.isDirectory ? static_cast<std::uint64_t>(allocated) : 0;
    entry.lastWriteTime = value.U64(fname::ModificationTime, "modification time");
}

// The file's own times; its modified time is the one a listing shows.
void ParseStandardInformation(Attribute& attribute, MftFileFacts& facts) {
    ByteReader value = ResidentValue(attribute);
    if (value.size() >= ntfs::standardinfo::MinimumSize) {
        facts.lastWriteTime = value.U64(ntfs::standardinfo::ModificationTime, "modification time");
        facts.hasWriteTime = true;
    }
}

// The unnamed data stream: its size and the bytes it takes on the volume.
void ParseData(Attribute& attribute, MftFileFacts& facts) {
    ByteReader& a = attribute.bytes;
    // Only the extent that starts the stream (lowest VCN 0) carries the
    // stream's size; later extents of a fragmented file say 0.
    if (attribute.nonResident && attribute.length >= attr::NonResidentHeaderSize) {
        if (a.U64(attr::LowestVcn, "lowest VCN") == 0) {
            const std::int64_t size = a.I64(attr::DataSize, "data size");
            facts.dataSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
            facts.hasDataSize = true;
            const bool packed = (a.U16(attr::Flags, "attribute flags") & (attr::FlagCompressed | attr::FlagSparse)) != 0;
            const std::int64_t allocated = packed && attribute.length >= attr::CompressedHeaderSize
                                               ? a.I64(attr::TotalAllocated, "total allocated")
                                               : a.I64(attr::AllocatedSize, "allocated size");
            facts.allocatedSize = allocated > 0 ? static_cast<std::uint64_t>(allocated) : 0;
        }
    } else if (!attribute.nonResident && attribute.length >= attr::ResidentHeaderSize) {
        // Kept inside the record: no cluster of its own.
        facts.dataSize = a.U32(attr::ValueLength, "value length");
        facts.allocatedSize = 0;
        facts.hasDataSize = true;
    }
}

void ParseReparsePoint(Attribute& attribute, MftFileFacts& facts) {
    facts.hasReparsePoint = true;
    // The tag is the value's first four bytes. A value kept outside the
    // record (a junction to a very long path) or too short to hold a tag is
    // taken for a name surrogate: not entering a cloud folder loses its
    // files, entering a junction counts a volume twice.
    facts.isNameSurrogate = true;
    ByteReader value = ResidentValue(attribute);
    if (value.size() >= 4) {
        facts.isNameSurrogate = (value.U32(ntfs::reparse::Tag, "reparse tag") & ntfs::reparse::TagNameSurrogate) != 0;
    }
}

// The other records a resident attribute list says hold names of this
// file; a list kept outside the record is named for reading later.
void ParseAttributeList(Attribute& attribute, std::uint64_t recordNumber, bool isExtension, MftParseOutput& out,
                        std::size_t firstNameRecord) {
    if (attribute.nonResident) {
        if (!isExtension) {
            out.outsideAttributeLists.push_back(recordNumber);
        }
        return;
    }
    ByteReader list = ResidentValue(attribute);
    AppendNameRecords(list.Sub(0, list.size(), "attribute list"), recordNumber, out.nameRecords, firstNameRecord);
}

MftRecordVerdict Count(MftParseOutput& out, MftRecordVerdict verdict) {
    ++out.verdicts[static_cast<std::size_t>(verdict)];
    return verdict;
}

}  // namespace

MftRecordVerdict ParseFileRecord(std::span<std::byte> record, std::uint64_t recordNumber,
                                 std::uint32_t bytesPerSector, MftParseOutput& out) {
    const MftRecordVerdict fixed = FixUpRecord(record, bytesPerSector);
    if (fixed != MftRecordVerdict::Parsed) {
        return Count(out, fixed);
    }
    ByteReader reader(record);
    const std::uint16_t flags = reader.U16(rec::Flags, "record flags");
    if ((flags & rec::FlagInUse) == 0) {
        return Count(out, MftRecordVerdict::NotInUse);
    }
    const std::uint64_t baseReference = reader.U64(rec::BaseRecordReference, "base record reference");
    const bool isExtension = baseReference != 0;
    MftFileFacts facts;
    facts.recordNumber = recordNumber;
    facts.baseRecordNumber = isExtension ? (baseReference & ntfs::RecordNumberMask) : recordNumber;
    facts.baseSequence = isExtension ? static_cast<std::uint16_t>(baseReference >> ntfs::SequenceShift)
                                     : reader.U16(rec::SequenceNumber, "sequence number");
    facts.isBase = !isExtension;
    // Only a base record's flags tell a folder: an extension record holding
    // a folder's name has no folder flag. Such names are settled when the
    // facts of the whole file are joined.
    facts.isDirectory = !isExtension && (flags & rec::FlagDirectory) != 0;
    const std::uint32_t bytesInUse = reader.U32(rec::BytesInUse, "bytes in use");
    const std::size_t limit = bytesInUse == 0 ? record.size() : std::min<std::size_t>(record.size(), bytesInUse);
    ByteReader within(std::span<const std::byte>(record.data(), limit));

    // Names go straight to the output and are taken back if the record turns
    // out malformed (their characters stay unused in the store), so a record
    // costs no allocation of its own.
    const std::size_t firstEntry = out.entries.size();
    const std::size_t firstNameRecord = out.nameRecords.size();
    const std::size_t firstOutsideList = out.outsideAttributeLists.size();
    bool hasAttributeList = false;

    std::size_t offset = reader.U16(rec::FirstAttributeOffset, "first attribute offset");
    while (within.Has(offset, attr::CommonHeaderSize)) {
        const std::uint32_t type = within.U32(offset + attr::Type, "attribute type");
        if (type == attr::TypeEnd) {
            break;
        }
        const std::uint32_t length = within.U32(offset + attr::Length, "attribute length");
        if (length < attr::CommonHeaderSize || !within.Has(offset, length)) {
            out.entries.Truncate(firstEntry);
            out.nameRecords.resize(firstNameRecord);
            out.outsideAttributeLists.resize(firstOutsideList);
            return Count(out, MftRecordVerdict::MalformedAttribute);
        }
        Attribute attribute{ByteReader(within.Sub(offset, length, "attribute")), length, false};
        attribute.nonResident = attribute.bytes.U8(attr::NonResident, "non-resident flag") != 0;
        const bool unnamed = attribute.bytes.U8(attr::NameLength, "attribute name length") == 0;
        switch (type) {
            case attr::TypeStandardInformation:
                if (!isExtension) {
                    ParseStandardInformation(attribute, facts);
                }
                break;
            case attr::TypeFileName: ParseFileName(attribute, facts, isExtension, out); break;
            case attr::TypeData:
                if (unnamed) {
                    ParseData(attribute, facts);
                }
                break;
            case attr::TypeReparsePoint: ParseReparsePoint(attribute, facts); break;
            case attr::TypeAttributeList:
                hasAttributeList = true;
                ParseAttributeList(attribute, recordNumber, isExtension, out, firstNameRecord);
                break;
            default: break;
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
    if (!isExtension) {
        for (std::size_t i = firstEntry; i < out.entries.size(); ++i) {
            SettleEntry(out.entries[i], facts);
        }
    }
    return Count(out, MftRecordVerdict::Parsed);
}

void AppendNameRecords(std::span<const std::byte> bytes, std::uint64_t baseRecordNumber,
                       std::vector<MftNameRecordReference>& references, std::size_t first) {
    namespace entry = ntfs::listentry;
    ByteReader list(bytes);
    for (std::size_t offset = 0; list.Has(offset, entry::MinimumSize);) {
        const std::uint16_t length = list.U16(offset + entry::EntryLength, "list entry length");
        if (length < entry::MinimumSize) {
            return;
        }
        const std::uint64_t holder =
            list.U64(offset + entry::SegmentReference, "segment reference") & ntfs::RecordNumberMask;
        if (list.U32(offset + entry::Type, "list entry type") == attr::TypeFileName && holder != baseRecordNumber &&
            std::none_of(references.begin() + static_cast<std::ptrdiff_t>(std::min(first, references.size())),
                         references.end(), [&](const MftNameRecordReference& r) { return r.recordNumber == holder; })) {
            references.push_back({baseRecordNumber, holder});
        }
        offset += length;
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
