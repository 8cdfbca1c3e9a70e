// Settings and string-table files arrive as untrusted bytes: decoding must
// never read out of bounds, and what it accepts must encode back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/PathRules.h"
#include "base/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto wide = varnel::core::Utf8ToWide(bytes);
    if (!wide) {
        return 0;
    }
    if (varnel::core::WideToUtf8(*wide) != bytes) {
        std::abort();
    }
    // Path rules must cope with any text, and never grow a path.
    const std::wstring trimmed = varnel::core::TrimTrailingSeparators(*wide);
    const std::wstring leaf = varnel::core::LeafName(*wide);
    if (trimmed.size() > wide->size() || leaf.size() > trimmed.size()) {
        std::abort();
    }
    // A scan root given on a command line is any text: its normal form is a
    // fixed point, and its system form never loses what it names.
    const std::wstring root = varnel::core::NormalizeScanRootSyntax(*wide);
    const std::wstring system = varnel::core::ExtendedLengthPath(root);
    if (varnel::core::NormalizeScanRootSyntax(root) != root || !system.ends_with(root.substr(root.size() > 2 ? 2 : 0))) {
        std::abort();
    }
    return 0;
}
