// Mapping pairs come straight from the disk: decoding must stay inside the
// bytes, never overflow, and store only usable runs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ntfs/MftRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so that ASan sees any read past the pairs.
    std::vector<std::byte> pairs(size);
    for (std::size_t i = 0; i < size; ++i) pairs[i] = static_cast<std::byte>(data[i]);
    std::vector<varnel::core::MftRun> runs;
    std::uint64_t clusters = 0;
    const bool decoded = varnel::core::DecodeMappingPairs(pairs, runs, clusters);
    std::uint64_t stored = 0;
    for (const auto& run : runs) {
        if (run.startLcn < 0 || run.clusterCount == 0) {
            std::abort();
        }
        stored += run.clusterCount;
    }
    // What was stored is part of what the pairs describe.
    if (decoded && runs.size() == 1 && stored > clusters) {
        std::abort();
    }
    return 0;
}
