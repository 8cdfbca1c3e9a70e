#pragma once
// The byte layout shared by saved scans and folder snapshots: a fixed header
// followed by one checksummed payload of varints and length-prefixed texts.
// The README's "Saved scan files" section describes the same layout; change
// both together. Every integer is little-endian; "varint" is an unsigned
// LEB128 (7 bits a byte, low group first, at most 10 bytes); "zigzag" maps a
// signed value to an unsigned one (0, -1, 1, -2 ... -> 0, 1, 2, 3 ...); a
// text is a varint byte count followed by that many bytes of UTF-8 in which
// an unpaired UTF-16 surrogate is kept as its own three-byte sequence, so a
// Windows name that is not valid Unicode survives the trip.

#include <cstddef>
#include <cstdint>

namespace varnel::core::saved {

inline constexpr std::size_t MagicSize = 8;
inline constexpr char ScanMagic[MagicSize + 1] = "VRNLSCAN";
inline constexpr char SnapshotMagic[MagicSize + 1] = "VRNLSNAP";

// Header: magic, version, reserved (0), payload byte count, payload checksum.
inline constexpr std::size_t MagicOffset = 0;
inline constexpr std::size_t VersionOffset = 8;
inline constexpr std::size_t ReservedOffset = 12;
inline constexpr std::size_t PayloadSizeOffset = 16;
inline constexpr std::size_t ChecksumOffset = 24;
inline constexpr std::size_t HeaderSize = 32;
static_assert(MagicOffset + MagicSize == VersionOffset);
static_assert(ChecksumOffset + 8 == HeaderSize);

// The newest layout this program writes and reads; a file with a larger
// number was written by a newer Varnel and is refused, not guessed at.
inline constexpr std::uint32_t CurrentVersion = 1;

// Node record flags (saved scans).
inline constexpr std::uint8_t NodeIsFolder = 0x01;
inline constexpr std::uint8_t NodeHasOwnPath = 0x02;
inline constexpr std::uint8_t KnownNodeFlags = NodeIsFolder | NodeHasOwnPath;

// Folder record flags (snapshots).
inline constexpr std::uint8_t FolderHasOwnPath = 0x01;
inline constexpr std::uint8_t KnownFolderFlags = FolderHasOwnPath;

// A node's parent is stored as 0 for a root, otherwise as (index + 1 -
// parent): 1 would name the node itself and is refused, 2 is the node just
// before. Parents always come before their children.
inline constexpr std::uint64_t NoParentCode = 0;

// Every record takes at least this many bytes, so a count read from the
// file can be checked against the bytes left before anything is reserved.
inline constexpr std::uint64_t MinNodeRecordBytes = 5;    // flags, parent, name, attributes, time
inline constexpr std::uint64_t MinFolderRecordBytes = 7;  // flags, parent, name, four figures

}  // namespace varnel::core::saved
