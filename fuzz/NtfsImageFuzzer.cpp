// A whole small NTFS image scanned end to end through the image reader: boot
// sector, run list, attribute lists, records and tree assembly all meet
// untrusted bytes. The scan must end, without a crash, a leak or a read out
// of bounds, and any tree it returns must hold together. A clean Completed
// must also hold every name the records give (read here once more, step by
// step): a lost one makes the scan NeedsCheck, never silently smaller.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <set>
#include <string_view>
#include <variant>
#include <vector>

#include "ntfs/MftEnumeration.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsImage.h"

namespace {

using namespace varnel::core;

// The names the records give that a sound volume shows as nodes: all but
// "." and "..", and but those below a junction or symbolic link.
std::uint64_t CountNames(std::span<const std::byte> image) {
    MemoryVolumeReader reader(image);
    const auto geometry = ParseNtfsBootSector(image.first(std::min<std::size_t>(image.size(), 512)), image.size());
    const NtfsVolumeData* volume = std::get_if<NtfsVolumeData>(&geometry);
    std::vector<MftRun> runs;
    std::uint64_t dataSize = 0;
    std::optional<MftMirroredRecordZero> mirrored;
    MftParseOutput parsed;
    MftScanStats stats;
    ScanCancellationToken token;
    if (volume == nullptr ||
        ReadMftRunListOrMirror(reader, *volume, runs, dataSize, mirrored) != MftRunListStatus::Read ||
        !EnumerateMft(reader, *volume, runs, dataSize, token, parsed, stats, 1, {},
                      mirrored ? std::span<const std::byte>(mirrored->record) : std::span<const std::byte>())) {
        std::abort();  // the scan got past all of this
    }
    std::vector<std::uint64_t> parents;
    for (std::size_t i = 0; i < parsed.entries.size(); ++i) {
        const std::wstring_view name = parsed.NameOf(parsed.entries[i]);
        if (!name.empty() && name != L"." && name != L"..") {
            parents.push_back(parsed.entries[i].parentRecordNumber);
        }
    }
    ApplyFileFacts(parsed.entries, parsed.multiRecordFiles);
    std::set<std::uint64_t> surrogates;
    for (std::size_t i = 0; i < parsed.entries.size(); ++i) {
        if (parsed.entries[i].isDirectory && parsed.entries[i].isNameSurrogate) {
            surrogates.insert(parsed.entries[i].recordNumber);
        }
    }
    return static_cast<std::uint64_t>(
        std::count_if(parents.begin(), parents.end(), [&](std::uint64_t p) { return surrogates.count(p) == 0; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::byte> image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::byte>(data[i]);
    varnel::core::MemoryVolumeReader reader(image);
    varnel::core::ScanCancellationToken token;
    const varnel::core::ScanResult result = varnel::core::ScanNtfsImage(reader, image.size(), L"F", 2, token, {});
    if (result.status == varnel::core::ScanStatus::Failed) {
        if (!result.nodes.empty() || result.message.empty()) std::abort();
        return 0;
    }
    if (result.rootIndex != 0 || result.nodes.size() != result.fileCount + result.folderCount) {
        std::abort();
    }
    for (const varnel::core::NodeView node : result.nodes) {
        if (node.Index() != 0 && node.Parent() >= node.Index()) std::abort();
    }
    if (result.status == varnel::core::ScanStatus::Completed && result.nodes.size() - 1 != CountNames(image)) {
        std::abort();
    }
    return 0;
}
