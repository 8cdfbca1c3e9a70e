#include "directory/HardLinks.h"

#include <string>
#include <utility>

#include "model/ScanTreeBuilder.h"

namespace varnel::core {

void KeepOnDiskUnderOneName(std::span<const std::uint32_t> names, ScanTreeBuilder& builder) {
    if (names.size() < 2) {
        return;
    }
    std::uint32_t keeper = names[0];
    std::wstring keeperPath = builder.Nodes()[keeper].Path();
    for (const std::uint32_t name : names.subspan(1)) {
        std::wstring path = builder.Nodes()[name].Path();
        if (path < keeperPath) {
            builder.SetFileSizeOnDisk(keeper, 0);
            keeper = name;
            keeperPath = std::move(path);
        } else {
            builder.SetFileSizeOnDisk(name, 0);
        }
    }
}

}  // namespace varnel::core
