#pragma once
// Everything of an MFT scan that follows opening the volume: read the MFT's
// run list, read and parse the MFT, assemble and total the tree, write the
// trace. The Windows engine calls it with its volume handle behind a reader;
// image scans, tests and fuzzers call it with a file or bytes in memory.

#include <cstdint>
#include <limits>
#include <string>

#include "base/Elapsed.h"
#include "ntfs/MftEnumeration.h"
#include "model/ScanModel.h"
#include "ntfs/VolumeReader.h"

namespace varnel::core {

// What the steps before the MFT scan found out.
struct MftScanStart {
    ScanClock::time_point start;              // when Scan began; elapsed times count from it
    std::uint64_t rootRecordNumber = 0;       // folder to scan (low 48 bits)
    std::wstring rootPath;                    // trailing separators already trimmed
    std::uint32_t rootAttributes = FileAttributeDirectory;
    std::uint64_t rootLastWriteTime = 0;
    std::uint64_t threadsPerDrive = 0;        // 0: the engine's default
    // Bytes the reader can deliver (an image's length); reads are never
    // widened to whole sectors past it. A device passes the maximum.
    std::uint64_t volumeSize = std::numeric_limits<std::uint64_t>::max();
    MftScanStats stats;                       // queryVolumeMs and resolveRootMs filled in
    bool volumeMayChange = false;             // a mounted volume, written while it is read
};

// Every read of the volume goes through one SectorAlignedReader, so the
// device sees whole sectors only. Failed with "MFT run list could not be
// read.", "MFT record 0 is not the MFT's own record.", "MFT records could
// not be enumerated." or "Root folder record was not found in the MFT." (the
// whole MFT was read and holds no folder record for the scanned folder) when
// those steps fail; otherwise Completed, or Cancelled when the token was set
// (with the consistent partial tree gathered so far). The result's engine is
// NtfsMft.
ScanResult ScanMftVolume(VolumeReader& reader, const NtfsVolumeData& volume, MftScanStart start,
                         const ScanCancellationToken& token, const ScanProgressCallback& progress);

// A failed result of the MFT engine, timed from start.
ScanResult MakeFailedMftResult(std::wstring rootPath, const wchar_t* message, ScanClock::time_point start);

}  // namespace varnel::core
