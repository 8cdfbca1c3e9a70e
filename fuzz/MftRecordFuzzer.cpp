// Every record of an MFT arrives as untrusted bytes: the update-sequence
// check and the record decoder must never read outside the record, whatever
// its header and attribute lengths claim.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ntfs/MftRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first two bytes choose the sector size the volume reports.
    const std::uint32_t bytesPerSector = (data[0] & 1) ? 4096u : 512u;
    const std::uint64_t recordNumber = data[1];
    // An exact-size copy, so that ASan sees any read past the record.
    std::vector<std::byte> record(size - 2);
    for (std::size_t i = 2; i < size; ++i) record[i - 2] = static_cast<std::byte>(data[i]);

    varnel::core::MftParseOutput out;
    varnel::core::ParseFileRecord(record, recordNumber, bytesPerSector, out);
    for (std::size_t i = 0; i < out.entries.size(); ++i) {
        const varnel::core::MftEntry& entry = out.entries[i];
        if ((entry.isDirectory && entry.size != 0) || out.NameOf(entry).size() != entry.nameLength) {
            std::abort();
        }
    }
    std::vector<varnel::core::MftRun> runs;
    std::uint64_t dataSize = 0;
    varnel::core::DecodeMftDataRuns(record, runs, dataSize);
    return 0;
}
