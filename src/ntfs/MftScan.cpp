#include "ntfs/MftScan.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <optional>
#include <utility>
#include <vector>

#include "ntfs/MftDamage.h"
#include "ntfs/MftRunList.h"
#include "ntfs/MftStream.h"
#include "ntfs/MftTreeAssembly.h"
#include "ntfs/NtfsLayout.h"
#include "base/PathRules.h"
#include "model/ScanTreeBuilder.h"
#include "ntfs/SectorAlignedReader.h"

namespace varnel::core {
namespace {

std::int64_t Since(ScanClock::time_point t) { return MeasureElapsedMs(t, ScanClock::now()); }

}  // namespace

ScanResult MakeFailedMftResult(std::wstring rootPath, const wchar_t* message, ScanClock::time_point start) {
    ScanResult result = MakeFailedResult(std::move(rootPath), message, Since(start));
    result.engine = ScanEngineKind::NtfsMft;
    return result;
}

ScanResult ScanMftVolume(VolumeReader& device, const NtfsVolumeData& volume, MftScanStart start,
                         const ScanCancellationToken& token, const ScanProgressCallback& progress) {
    MftScanStats& stats = start.stats;
    SectorAlignedReader reader(device, VolumeReadAlignment(volume.bytesPerSector), start.volumeSize);
    std::vector<MftRun> runs;
    std::uint64_t dataSize = 0;

    auto t = ScanClock::now();
    std::optional<MftMirroredRecordZero> mirrored;
    const MftRunListStatus runList = ReadMftRunListOrMirror(reader, volume, runs, dataSize, mirrored);
    if (runList == MftRunListStatus::NotTheMft) {
        return MakeFailedMftResult(std::move(start.rootPath), L"MFT record 0 is not the MFT's own record.",
                                   start.start);
    }
    if (runList == MftRunListStatus::LargerThanVolume) {
        return MakeFailedMftResult(std::move(start.rootPath), L"The MFT claims more bytes than the volume holds.",
                                   start.start);
    }
    if (runList != MftRunListStatus::Read || runs.empty() || dataSize == 0) {
        return MakeFailedMftResult(std::move(start.rootPath), L"MFT run list could not be read.", start.start);
    }
    // Refused before a byte of it is read: a volume of 8 PB could hold such
    // an MFT, and reading terabytes to fail afterwards helps no one.
    if (dataSize / volume.bytesPerFileRecordSegment > MftMaxRecords) {
        return MakeFailedMftResult(std::move(start.rootPath), TooManyNodesMessage, start.start);
    }
    stats.readRunsMs = Since(t);
    stats.runs = runs.size();
    stats.mftDataSize = dataSize;

    MftParseOutput parsed;
    t = ScanClock::now();
    const std::span<const std::byte> recordZero =
        mirrored ? std::span<const std::byte>(mirrored->record) : std::span<const std::byte>();
    if (!EnumerateMft(reader, volume, runs, dataSize, token, parsed, stats, start.threadsPerDrive, progress,
                      recordZero)) {
        return MakeFailedMftResult(std::move(start.rootPath), L"MFT records could not be enumerated.",
                                   start.start);
    }
    stats.verdicts = parsed.verdicts;

    // Damage is told apart from what lies outside the scanned folder only
    // when the walk starts at the volume's root.
    const std::uint64_t rootRecord = start.rootRecordNumber & ntfs::RecordNumberMask;
    const bool wholeVolume = rootRecord == ntfs::RootFolderRecord;
    std::vector<ScanError> damage;
    if (mirrored) {
        damage.push_back(DescribeMirroredRecordZero(start.rootPath, mirrored->damage));
    }
    const std::uint64_t recordCount = dataSize / volume.bytesPerFileRecordSegment;
    MftStream mft(reader, runs, volume.bytesPerCluster);
    MftDamageContext context{recordCount, volume.bytesPerSector, volume.volumeBytes,
                             [&](std::uint64_t record, std::vector<std::byte>& bytes) {
                                 bytes.assign(volume.bytesPerFileRecordSegment, std::byte{0});
                                 std::size_t obtained = 0;
                                 return record < recordCount &&
                                        mft.Read(record * volume.bytesPerFileRecordSegment, bytes, obtained) &&
                                        obtained == bytes.size();
                             },
                             start.volumeMayChange};
    std::vector<MftNameRecordReference> lostNameRecords;
    std::vector<MftNameRecordReference> salvagedNameRecords;
    if (wholeVolume && !token.IsCancelled()) {
        // Attribute lists kept outside their records (files with many names
        // or extents, a few on any volume) are read now for the records
        // they say hold names.
        std::vector<std::byte> record;
        std::vector<std::byte> list;
        for (const std::uint64_t base : parsed.outsideAttributeLists) {
            if (context.readRecord(base, record) && ApplyRecordFixups(record, volume.bytesPerSector) &&
                ReadAttributeList(reader, volume.bytesPerCluster, record, list)) {
                AppendNameRecords(list, base, parsed.nameRecords, parsed.nameRecords.size());
            }
        }
        lostNameRecords = FindLostNameRecords(parsed);
        salvagedNameRecords = SalvageTornNameRecords(lostNameRecords, context, parsed);
    }
    std::vector<std::uint64_t> droppedBases;
    ApplyFileFacts(parsed.entries, parsed.multiRecordFiles, &droppedBases);
    stats.enumerateMftMs = Since(t);
    stats.nodes = parsed.entries.size();

    // A whole MFT without the scanned folder (or with a file in its place)
    // was read from the wrong place or is not this volume's: an empty
    // Completed scan would hide that, a failure lets the scheduler fall back.
    std::uint16_t rootSequence = 0;
    if (!token.IsCancelled()) {
        if (!IsOwnMftName(parsed)) {
            return MakeFailedMftResult(std::move(start.rootPath), L"MFT record 0 is not the MFT's own record.",
                                       start.start);
        }
        const std::optional<std::uint16_t> found = FindFolderSequence(parsed.entries, rootRecord);
        if (!found) {
            return MakeFailedMftResult(std::move(start.rootPath), L"Root folder record was not found in the MFT.",
                                       start.start);
        }
        rootSequence = *found;
        if (parsed.entries.size() > MftMaxEntries) {
            return MakeFailedMftResult(std::move(start.rootPath), TooManyNodesMessage, start.start);
        }
    }

    // The tree keeps the names where parsing wrote them: no name is copied
    // between the records and the result.
    ScanTreeBuilder builder;
    builder.AdoptNames(std::move(parsed.names));
    const std::uint64_t rootIndex = builder.AddRoot(start.rootPath, start.rootAttributes, start.rootLastWriteTime);
    MftProgressState state{progress, ProgressFileInterval, {}};
    // Linking the tree comes after every record was read.
    state.progress.recordCount = dataSize / volume.bytesPerFileRecordSegment;
    state.progress.recordsRead = state.progress.recordCount;

    // Each phase of the assembly looks at the token first, and the long ones
    // within, so that a cancelled scan of a large volume ends at once.
    if (!token.IsCancelled()) {
        t = ScanClock::now();
        MftChildIndex children =
            BuildChildren(parsed.entries, builder.Nodes().Names(), dataSize / volume.bytesPerFileRecordSegment, token);
        stats.buildChildrenMs = Since(t);

        t = ScanClock::now();
        const NameStore& names = builder.Nodes().Names();
        MftTreeWalk walk(builder, names, children, token, state);
        if (volume.volumeBytes != 0) {
            walk.LimitSizeOnDisk(volume.volumeBytes);
        }
        walk.Watch(BasesOf(lostNameRecords));
        walk.Expand(rootIndex, {rootRecord, rootSequence});
        if (wholeVolume && !token.IsCancelled()) {
            AccountForDamage(walk, builder, rootIndex, children, names, context, lostNameRecords,
                             salvagedNameRecords, droppedBases, damage);
        }
        stats.populateTreeMs = Since(t);
        // The parse output's index goes before the totals and the tree's own
        // child index take memory.
        children = {};
    }
    parsed = {};
    // Names of what was not reached (a scan of one folder, a cancelled one)
    // are not kept with the result. A whole volume keeps nearly every name
    // (what no path reaches is set aside in the tree too): no pass needed.
    if (!wholeVolume || token.IsCancelled()) {
        builder.CompactNames();
    }

    t = ScanClock::now();
    builder.ComputeTotals();
    stats.finalizeMs = Since(t);

    const std::int64_t totalMs = Since(start.start);
    WriteMftTrace(stats, totalMs);
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled
                              : damage.empty()     ? ScanStatus::Completed
                                                   : ScanStatus::NeedsCheck;
    ScanResult result = builder.FinishResult(status, std::move(start.rootPath), totalMs);
    result.engine = ScanEngineKind::NtfsMft;
    if (result.status == ScanStatus::NeedsCheck) {
        result.message = DamageMessage(damage.size());
        result.errors.insert(result.errors.end(), std::make_move_iterator(damage.begin()),
                             std::make_move_iterator(damage.end()));
        result.errorCount = result.errors.size();
    }
    return result;
}

}  // namespace varnel::core
