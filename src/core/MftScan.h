#pragma once
// Everything of an MFT scan that follows opening the volume: read the MFT's
// run list, read and parse the MFT, assemble and total the tree, write the
// trace. The Windows engine calls it with its volume handle behind a reader;
// image scans, tests and fuzzers call it with a file or bytes in memory.

#include <cstdint>
#include <string>

#include "core/Elapsed.h"
#include "core/MftEnumeration.h"
#include "core/ScanModel.h"
#include "core/VolumeReader.h"

namespace varnel::core {

// What the steps before the MFT scan found out.
struct MftScanStart {
    ScanClock::time_point start;              // when Scan began; elapsed times count from it
    std::uint64_t rootRecordNumber = 0;       // folder to scan (low 48 bits)
    std::wstring rootPath;                    // trailing separators already trimmed
    std::uint32_t rootAttributes = FileAttributeDirectory;
    std::uint64_t rootLastWriteTime = 0;
    std::uint64_t threadsPerDrive = 0;        // 0: the engine's default
    MftScanStats stats;                       // queryVolumeMs and resolveRootMs filled in
};

// Failed with "MFT run list could not be read." or "MFT records could not be
// enumerated." when those steps fail; otherwise Completed, or Cancelled when
// the token was set (with the consistent partial tree gathered so far).
// The result's engine is NtfsMft.
ScanResult ScanMftVolume(VolumeReader& reader, const NtfsVolumeData& volume, MftScanStart start,
                         const ScanCancellationToken& token, const ScanProgressCallback& progress);

// A failed result of the MFT engine, timed from start.
ScanResult MakeFailedMftResult(std::wstring rootPath, const wchar_t* message, ScanClock::time_point start);

}  // namespace varnel::core
