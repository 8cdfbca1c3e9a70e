#pragma once
// What a scan of a damaged volume owes its user: every name that could be
// read is counted, and every record that was needed but could not be used
// is named. Names whose folder record is lost, not in use, reused, beyond
// the MFT or not a folder stand under one placeholder folder per lost
// record below the root ("Lost folder (MFT record 1042)"), so their bytes
// stay in every total; each such record, each extension record that should
// hold names and does not, and each file claiming more bytes on disk than
// the volume holds becomes an error row with a sentence. Works only on a
// walk from the volume's root folder: a walk from any other folder leaves
// most of the volume unreached, lost or not.

#include <cstdint>
#include <functional>
#include <vector>

#include "model/ScanModel.h"
#include "model/ScanTreeBuilder.h"
#include "ntfs/MftRecord.h"
#include "ntfs/MftTreeAssembly.h"

namespace varnel::core {

// Reads one record of the MFT again, as it is on the volume now (not fixed
// up); false when it cannot be read.
using MftRecordSource = std::function<bool(std::uint64_t recordNumber, std::vector<std::byte>& record)>;

struct MftDamageContext {
    std::uint64_t recordCount = 0;  // records in the MFT
    std::uint32_t bytesPerSector = 0;
    std::uint64_t volumeBytes = 0;  // 0: not known
    MftRecordSource readRecord;
    // A mounted volume is written while its MFT is read: a folder made
    // meanwhile can leave names below a record that read as free. Such
    // records, sound when read again, are not taken for damage there.
    bool mayChange = false;
};

// The extension records that attribute lists say hold names and that gave
// no facts for that file: torn, reused or never there. `parsed` after
// ApplyFileFacts.
std::vector<MftNameRecordReference> FindLostNameRecords(const MftParseOutput& parsed);

// Takes the names of lost name records that are only torn (a sector of
// the record was not written) as they stand: other readers still list them
// through their folders' indexes. Moves those references from lost to the
// result; their names and facts join `parsed` (before ApplyFileFacts).
std::vector<MftNameRecordReference> SalvageTornNameRecords(std::vector<MftNameRecordReference>& lost,
                                                           const MftDamageContext& context, MftParseOutput& parsed);

// The bases of those records, ascending, for MftTreeWalk::Watch.
std::vector<std::uint64_t> BasesOf(const std::vector<MftNameRecordReference>& lost);

// After the walk from the root: places what the walk could not reach under
// placeholders below rootIndex and appends an error row for each lost
// record, lost name record, base record whose extension records' names
// were dropped (ApplyFileFacts) and oversized file. A record that reads sound
// when looked at again changed while the volume was read: not damage.
void AccountForDamage(MftTreeWalk& walk, ScanTreeBuilder& builder, std::uint64_t rootIndex,
                      const MftChildIndex& children, const NameStore& names, const MftDamageContext& context,
                      const std::vector<MftNameRecordReference>& lostNameRecords,
                      const std::vector<MftNameRecordReference>& salvagedNameRecords,
                      const std::vector<std::uint64_t>& droppedBases, std::vector<ScanError>& errors);

// The error row of record 0 read from $MFTMirr because the MFT's own copy
// failed (damage as the verdict of that copy).
ScanError DescribeMirroredRecordZero(const std::wstring& rootPath, MftRecordVerdict damage);

// The scan's message when it found damage.
std::wstring DamageMessage(std::size_t errorRows);

}  // namespace varnel::core
