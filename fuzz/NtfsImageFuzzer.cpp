// A whole small NTFS image scanned end to end through the image reader: boot
// sector, run list, attribute lists, records and tree assembly all meet
// untrusted bytes. The scan must end, without a crash, a leak or a read out
// of bounds, and any tree it returns must hold together.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ntfs/NtfsImage.h"

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
    return 0;
}
