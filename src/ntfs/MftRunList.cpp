#include "ntfs/MftRunList.h"

#include <algorithm>
#include <limits>
#include <span>

#include "ntfs/ByteReader.h"
#include "ntfs/MftStream.h"
#include "ntfs/NtfsLayout.h"

namespace varnel::core {

namespace rec = ntfs::record;
namespace attr = ntfs::attribute;
namespace entry = ntfs::listentry;

namespace {

// An attribute list is at most 256 KiB on NTFS; anything claiming more is
// corrupt and not worth reading.
constexpr std::uint64_t MaxAttributeListSize = 256 * 1024;

// Reads exactly buffer.size() bytes; a short read counts as a failure here,
// since a record or list that is only partly there cannot be decoded.
bool ReadExactly(VolumeReader& reader, std::uint64_t offset, std::span<std::byte> buffer) {
    std::size_t got = 0;
    return reader.ReadAt(offset, buffer, got) && got == buffer.size();
}

// Reads bytes of an attribute's data that runs describe; false if the runs
// do not hold them all.
bool ReadThroughRuns(VolumeReader& reader, const std::vector<MftRun>& runs, std::uint32_t bytesPerCluster,
                     std::uint64_t position, std::span<std::byte> buffer) {
    MftStream stream(reader, runs, bytesPerCluster);
    std::size_t obtained = 0;
    return stream.Read(position, buffer, obtained) && obtained == buffer.size();
}

// Whether the record read where the volume says the MFT starts is the MFT's
// own: record 0 (a base record, and record 0 where the header keeps its own
// number), named $MFT in the root folder. A boot sector with a wrong but
// plausible geometry points elsewhere, and whatever record lies there would
// otherwise be taken for the MFT and its runs read as such. A fragmented MFT
// may have moved its name to an extension record (ntfs-3g does, once $MFT
// grows an attribute list); the record then names nothing itself, and
// IsOwnMftName checks the name once the whole MFT is read.
bool IsOwnMftRecord(std::span<const std::byte> raw, std::uint32_t bytesPerSector) {
    std::vector<std::byte> record(raw.begin(), raw.end());
    MftParseOutput parsed;
    ParseFileRecord(record, 0, bytesPerSector, parsed);
    ByteReader r(record);
    if (r.U64(rec::BaseRecordReference) != 0 ||
        (r.U16(rec::UpdateSequenceOffset) >= rec::OwnRecordNumber + 4 && r.U32(rec::OwnRecordNumber) != 0)) {
        return false;
    }
    if (parsed.entries.empty()) {
        return !parsed.multiRecordFiles.empty();  // in use, with an attribute list
    }
    return IsOwnMftName(parsed);
}

struct DataFragment {
    std::uint64_t lowestVcn = 0;
    std::uint64_t recordNumber = 0;
};

// The unnamed data extents that the list places, in VCN order.
bool ListDataFragments(std::span<const std::byte> list, std::vector<DataFragment>& fragments) {
    ByteReader r(list);
    std::size_t offset = 0;
    while (r.Has(offset, entry::MinimumSize)) {
        const std::uint16_t length = r.U16(offset + entry::EntryLength);
        if (length < entry::MinimumSize || !r.Has(offset, length)) {
            return false;
        }
        if (r.U32(offset + entry::Type) == attr::TypeData && r.U8(offset + entry::NameLength) == 0) {
            fragments.push_back({r.U64(offset + entry::LowestVcn),
                                 r.U64(offset + entry::SegmentReference) & ntfs::RecordNumberMask});
        }
        offset += length;
    }
    std::sort(fragments.begin(), fragments.end(),
              [](const DataFragment& a, const DataFragment& b) { return a.lowestVcn < b.lowestVcn; });
    return true;
}

// Appends the runs of the unnamed non-resident data attribute that starts at
// lowestVcn in a fixed-up record; clusters receives its VCN span.
bool DecodeDataFragment(std::span<const std::byte> record, std::uint64_t lowestVcn, std::vector<MftRun>& runs,
                        std::uint64_t& clusters) {
    ByteReader r(record);
    std::size_t offset = r.U16(rec::FirstAttributeOffset);
    while (r.Has(offset, attr::CommonHeaderSize)) {
        const std::uint32_t type = r.U32(offset + attr::Type);
        const std::uint32_t length = r.U32(offset + attr::Length);
        if (type == attr::TypeEnd || length < attr::CommonHeaderSize || !r.Has(offset, length)) {
            return false;
        }
        if (type == attr::TypeData && r.U8(offset + attr::NameLength) == 0 && r.U8(offset + attr::NonResident) != 0 &&
            length >= attr::NonResidentHeaderSize && r.U64(offset + attr::LowestVcn) == lowestVcn) {
            const std::size_t pairsOffset = r.U16(offset + attr::MappingPairsOffset);
            if (pairsOffset >= length) {
                return false;
            }
            return DecodeMappingPairs(r.Sub(offset + pairsOffset, length - pairsOffset), runs, clusters);
        }
        offset += length;
    }
    return false;
}

// Follows the $MFT record's attribute list to the extension records that hold
// the rest of its unnamed data runs. Those records lie in the MFT itself, at
// places the runs known so far must already reach (NTFS keeps them there).
bool AppendRunsFromAttributeList(VolumeReader& reader, const NtfsVolumeData& volume, std::span<const std::byte> first,
                                 std::vector<MftRun>& runs) {
    std::vector<std::byte> list;
    if (!ReadAttributeList(reader, volume.bytesPerCluster, first, list) || list.empty()) {
        return false;
    }
    std::vector<DataFragment> fragments;
    if (!ListDataFragments(list, fragments)) {
        return false;
    }
    std::uint64_t clustersSoFar = 0;
    for (const MftRun& run : runs) {
        if (!CheckedAdd(clustersSoFar, run.clusterCount, clustersSoFar)) {
            return false;
        }
    }
    const std::uint32_t recordSize = volume.bytesPerFileRecordSegment;
    std::vector<std::byte> record(recordSize);
    for (const DataFragment& fragment : fragments) {
        if (fragment.lowestVcn == 0) {
            continue;  // the extent the first record itself holds
        }
        if (fragment.lowestVcn != clustersSoFar) {
            return false;  // a gap or an overlap in the MFT's own data
        }
        std::uint64_t position = 0;
        if (!CheckedMultiply(fragment.recordNumber, recordSize, position) ||
            !ReadThroughRuns(reader, runs, volume.bytesPerCluster, position, record) ||
            !ApplyRecordFixups(record, volume.bytesPerSector)) {
            return false;
        }
        std::uint64_t clusters = 0;
        if (!DecodeDataFragment(record, fragment.lowestVcn, runs, clusters) ||
            !CheckedAdd(clustersSoFar, clusters, clustersSoFar)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadAttributeList(VolumeReader& reader, std::uint32_t bytesPerCluster, std::span<const std::byte> record,
                       std::vector<std::byte>& value) {
    ByteReader r(record);
    std::size_t offset = r.U16(rec::FirstAttributeOffset);
    while (r.Has(offset, attr::CommonHeaderSize)) {
        const std::uint32_t type = r.U32(offset + attr::Type);
        const std::uint32_t length = r.U32(offset + attr::Length);
        if (type == attr::TypeEnd) {
            return true;
        }
        if (length < attr::CommonHeaderSize || !r.Has(offset, length)) {
            return false;
        }
        if (type == attr::TypeAttributeList) {
            ByteReader a(r.Sub(offset, length));
            if (a.U8(attr::NonResident) == 0) {
                const std::uint32_t valueLength = a.U32(attr::ValueLength);
                const std::span<const std::byte> bytes = a.Sub(a.U16(attr::ValueOffset), valueLength);
                value.assign(bytes.begin(), bytes.end());
                return a.ok();
            }
            if (length < attr::NonResidentHeaderSize) {
                return false;
            }
            const std::int64_t size = a.I64(attr::DataSize);
            const std::size_t pairsOffset = a.U16(attr::MappingPairsOffset);
            if (size <= 0 || static_cast<std::uint64_t>(size) > MaxAttributeListSize || pairsOffset >= length) {
                return false;
            }
            std::vector<MftRun> listRuns;
            std::uint64_t clusters = 0;
            if (!DecodeMappingPairs(a.Sub(pairsOffset, length - pairsOffset), listRuns, clusters)) {
                return false;
            }
            value.assign(static_cast<std::size_t>(size), std::byte{0});
            return ReadThroughRuns(reader, listRuns, bytesPerCluster, 0, value);
        }
        offset += length;
    }
    return true;
}

bool IsOwnMftName(const MftParseOutput& parsed) {
    for (std::size_t i = 0; i < parsed.entries.size(); ++i) {
        const MftEntry& e = parsed.entries[i];
        if (e.recordNumber == 0 && e.parentRecordNumber == ntfs::RootFolderRecord && parsed.NameOf(e) == L"$MFT") {
            return true;
        }
    }
    return false;
}

std::uint64_t RunBytes(const std::vector<MftRun>& runs, std::uint32_t bytesPerCluster) {
    std::uint64_t total = 0;
    for (const MftRun& run : runs) {
        std::uint64_t bytes = 0;
        if (!CheckedMultiply(run.clusterCount, bytesPerCluster, bytes) || !CheckedAdd(total, bytes, total)) {
            return std::numeric_limits<std::uint64_t>::max();
        }
    }
    return total;
}

namespace {

// Decodes the MFT's runs from a first record as read (not fixed up).
MftRunListStatus DecodeFirstRecord(VolumeReader& reader, const NtfsVolumeData& volume, std::vector<std::byte> record,
                                   std::vector<MftRun>& runs, std::uint64_t& dataSize) {
    const bool isOwnRecord = IsOwnMftRecord(record, volume.bytesPerSector);
    if (!ApplyRecordFixups(record, volume.bytesPerSector)) {
        return MftRunListStatus::Unreadable;
    }
    if (!isOwnRecord) {
        return MftRunListStatus::NotTheMft;
    }
    if (!DecodeMftDataRuns(record, runs, dataSize)) {
        return MftRunListStatus::Unreadable;
    }
    // Reading an MFT larger than its volume would take as long as the claim
    // is large and find nothing real.
    if (volume.volumeBytes != 0 &&
        (dataSize > volume.volumeBytes || RunBytes(runs, volume.bytesPerCluster) > volume.volumeBytes)) {
        return MftRunListStatus::LargerThanVolume;
    }
    if (RunBytes(runs, volume.bytesPerCluster) >= dataSize) {
        return MftRunListStatus::Read;
    }
    // The first record's runs end before the MFT does: read on only through
    // the attribute list, or not at all (a scan missing the MFT's tail would
    // report Completed with files missing).
    return AppendRunsFromAttributeList(reader, volume, record, runs) &&
                   RunBytes(runs, volume.bytesPerCluster) >= dataSize
               ? MftRunListStatus::Read
               : MftRunListStatus::Unreadable;
}

bool ReadRecordAt(VolumeReader& reader, const NtfsVolumeData& volume, std::int64_t lcn, std::vector<std::byte>& record) {
    record.assign(volume.bytesPerFileRecordSegment, std::byte{0});
    std::uint64_t offset = 0;
    return lcn >= 0 && CheckedMultiply(static_cast<std::uint64_t>(lcn), volume.bytesPerCluster, offset) &&
           ReadExactly(reader, offset, record);
}

}  // namespace

MftRunListStatus ReadMftRunList(VolumeReader& reader, const NtfsVolumeData& volume, std::vector<MftRun>& runs,
                                std::uint64_t& dataSize) {
    std::vector<std::byte> record;
    if (volume.bytesPerFileRecordSegment == 0 || !ReadRecordAt(reader, volume, volume.mftStartLcn, record)) {
        return MftRunListStatus::Unreadable;
    }
    return DecodeFirstRecord(reader, volume, std::move(record), runs, dataSize);
}

MftRunListStatus ReadMftRunListOrMirror(VolumeReader& reader, const NtfsVolumeData& volume,
                                        std::vector<MftRun>& runs, std::uint64_t& dataSize,
                                        std::optional<MftMirroredRecordZero>& mirrored) {
    mirrored.reset();
    const MftRunListStatus own = ReadMftRunList(reader, volume, runs, dataSize);
    std::vector<std::byte> copy;
    if (own == MftRunListStatus::Read || volume.mftMirrorStartLcn <= 0 || volume.bytesPerFileRecordSegment == 0 ||
        !ReadRecordAt(reader, volume, volume.mftMirrorStartLcn, copy)) {
        return own;
    }
    std::vector<MftRun> mirrorRuns;
    std::uint64_t mirrorSize = 0;
    if (DecodeFirstRecord(reader, volume, copy, mirrorRuns, mirrorSize) != MftRunListStatus::Read) {
        return own;  // a geometry that is wrong is wrong for the mirror too
    }
    MftMirroredRecordZero zero;
    std::vector<std::byte> damaged;
    if (ReadRecordAt(reader, volume, volume.mftStartLcn, damaged)) {
        MftParseOutput scratch;
        zero.damage = ParseFileRecord(damaged, 0, volume.bytesPerSector, scratch);
    } else {
        zero.damage = MftRecordVerdict::NotFileRecord;
    }
    zero.record = std::move(copy);
    mirrored = std::move(zero);
    runs = std::move(mirrorRuns);
    dataSize = mirrorSize;
    return MftRunListStatus::Read;
}

}  // namespace varnel::core
