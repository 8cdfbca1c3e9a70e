#pragma once
// Offsets, type codes, flags and magic values of the NTFS on-disk structures
// that the master-file-table engine reads. All integers on disk are
// little-endian. Decoding code names these constants instead of numbers, so
// every field read can be checked against this one page.

#include <cstddef>
#include <cstdint>

namespace varnel::core::ntfs {

// Reference numbers carry a 16-bit sequence number above the 48-bit record number.
inline constexpr std::uint64_t RecordNumberMask = 0x0000'FFFF'FFFF'FFFFull;
inline constexpr unsigned SequenceShift = 48;

// File record header ("FILE" records of the MFT).
namespace record {
inline constexpr std::size_t Signature = 0;             // 4 bytes "FILE"
inline constexpr std::size_t UpdateSequenceOffset = 4;  // u16
inline constexpr std::size_t UpdateSequenceCount = 6;   // u16, check value included
inline constexpr std::size_t SequenceNumber = 16;       // u16, bumped each time the record is reused
inline constexpr std::size_t FirstAttributeOffset = 20; // u16
inline constexpr std::size_t Flags = 22;                // u16
inline constexpr std::size_t BytesInUse = 24;           // u32
inline constexpr std::size_t BaseRecordReference = 32;  // u64, 0 for a base record
inline constexpr std::size_t OwnRecordNumber = 44;      // u32, where the update sequence starts at 48 or later
inline constexpr std::size_t MinimumSize = 42;          // header up to the record's own number

inline constexpr std::uint32_t SignatureValue = 0x454C4946;  // "FILE" read as a u32
inline constexpr std::uint16_t FlagInUse = 0x0001;
inline constexpr std::uint16_t FlagDirectory = 0x0002;

// Windows protects records in 512-byte strides whatever the sector size.
inline constexpr std::uint32_t UpdateSequenceStride = 512;
}  // namespace record

// Attribute header, common part and the two forms.
namespace attribute {
inline constexpr std::size_t Type = 0;         // u32
inline constexpr std::size_t Length = 4;       // u32, whole attribute
inline constexpr std::size_t NonResident = 8;  // u8
inline constexpr std::size_t NameLength = 9;   // u8, UTF-16 units
inline constexpr std::size_t Flags = 12;       // u16
inline constexpr std::size_t CommonHeaderSize = 16;
inline constexpr std::uint16_t FlagCompressed = 0x0001;
inline constexpr std::uint16_t FlagSparse = 0x8000;

inline constexpr std::size_t ValueLength = 16;  // u32, resident
inline constexpr std::size_t ValueOffset = 20;  // u16, resident
inline constexpr std::size_t ResidentHeaderSize = 24;

inline constexpr std::size_t LowestVcn = 16;           // u64, non-resident
inline constexpr std::size_t MappingPairsOffset = 32;  // u16, non-resident
inline constexpr std::size_t AllocatedSize = 40;       // i64, non-resident: clusters reserved
inline constexpr std::size_t DataSize = 48;            // i64, non-resident
inline constexpr std::size_t NonResidentHeaderSize = 64;
// Compressed and sparse attributes add the clusters really allocated,
// which may be far fewer than AllocatedSize says.
inline constexpr std::size_t TotalAllocated = 64;      // i64
inline constexpr std::size_t CompressedHeaderSize = 72;

inline constexpr std::uint32_t TypeStandardInformation = 0x10;
inline constexpr std::uint32_t TypeAttributeList = 0x20;
inline constexpr std::uint32_t TypeFileName = 0x30;
inline constexpr std::uint32_t TypeData = 0x80;
inline constexpr std::uint32_t TypeReparsePoint = 0xC0;
inline constexpr std::uint32_t TypeEnd = 0xFFFFFFFF;
}  // namespace attribute

// $STANDARD_INFORMATION value: the times NTFS keeps up to date.
namespace standardinfo {
inline constexpr std::size_t ModificationTime = 8;  // u64 FILETIME
inline constexpr std::size_t MinimumSize = 48;      // the times and the attribute bits
}  // namespace standardinfo

// $FILE_NAME value.
namespace filename {
inline constexpr std::size_t ParentReference = 0;  // u64
inline constexpr std::size_t ModificationTime = 16;  // u64 FILETIME, as of the name's last update
inline constexpr std::size_t AllocatedSize = 40;   // i64, as of the name's last update
inline constexpr std::size_t RealSize = 48;        // i64
inline constexpr std::size_t FileAttributes = 56;  // u32
inline constexpr std::size_t NameLength = 64;      // u8, UTF-16 units
inline constexpr std::size_t Namespace = 65;       // u8
inline constexpr std::size_t Name = 66;            // UTF-16
inline constexpr std::uint8_t NamespaceDos = 2;    // the 8.3 twin of a long name
// Flags NTFS keeps beside the Win32 attribute bits: the entry has a file-name
// index (it is a folder) or a view index ($Extend\$Quota and the like).
inline constexpr std::uint32_t FlagHasFileNameIndex = 0x1000'0000;
inline constexpr std::uint32_t FlagHasViewIndex = 0x2000'0000;
}  // namespace filename

// $REPARSE_POINT value.
namespace reparse {
inline constexpr std::size_t Tag = 0;  // u32
// IsReparseTagNameSurrogate: the point names another place (junction,
// mount point, symbolic link); following it could loop or count twice.
inline constexpr std::uint32_t TagNameSurrogate = 0x2000'0000;
}  // namespace reparse

// One entry of an $ATTRIBUTE_LIST value.
namespace listentry {
inline constexpr std::size_t Type = 0;               // u32
inline constexpr std::size_t EntryLength = 4;        // u16
inline constexpr std::size_t NameLength = 6;         // u8
inline constexpr std::size_t LowestVcn = 8;          // u64
inline constexpr std::size_t SegmentReference = 16;  // u64, record holding the attribute
inline constexpr std::size_t MinimumSize = 26;
}  // namespace listentry

// Boot sector of an NTFS volume (its first sector).
namespace boot {
inline constexpr std::size_t OemId = 3;  // 8 bytes "NTFS    "
inline constexpr std::size_t BytesPerSector = 0x0B;     // u16
inline constexpr std::size_t SectorsPerCluster = 0x0D;  // u8; above 0x80, 2^(256 - v) sectors
inline constexpr std::size_t TotalSectors = 0x28;       // u64
inline constexpr std::size_t MftStartLcn = 0x30;        // u64
inline constexpr std::size_t MftMirrorStartLcn = 0x38;  // u64, $MFTMirr: copies of the first records
inline constexpr std::size_t ClustersPerFileRecord = 0x40;  // i8, negative means 2^(-v) bytes
inline constexpr std::size_t EndMarker = 0x1FE;         // u16 0xAA55
inline constexpr std::size_t Size = 512;
inline constexpr std::uint16_t EndMarkerValue = 0xAA55;
}  // namespace boot

// The root folder of every NTFS volume.
inline constexpr std::uint64_t RootFolderRecord = 5;

static_assert(record::MinimumSize > record::BaseRecordReference + 8 - 1);
static_assert(attribute::ResidentHeaderSize == attribute::ValueOffset + 4);
static_assert(attribute::NonResidentHeaderSize == attribute::DataSize + 16);
static_assert(filename::Name == filename::Namespace + 1);
static_assert(listentry::MinimumSize == listentry::SegmentReference + 8 + 2);
static_assert(boot::EndMarker + 2 == boot::Size);

}  // namespace varnel::core::ntfs
