// String-table files can be edited by anyone: parsing must never fail or
// read out of bounds, and every entry must obey the line rules.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "i18n/StringTable.h"

namespace {

bool IsTrimmed(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const varnel::i18n::StringTable table = varnel::i18n::ParseStringTable(bytes);
    for (const auto& [key, text] : table) {
        for (const char c : key) {
            if (static_cast<unsigned char>(c) > 0x7F || c == '\n' || c == '=') {
                std::abort();
            }
        }
        if (!key.empty() &&
            (IsTrimmed(static_cast<wchar_t>(key.front())) || IsTrimmed(static_cast<wchar_t>(key.back())))) {
            std::abort();
        }
        if (!text.empty() && (IsTrimmed(text.front()) || IsTrimmed(text.back()))) {
            std::abort();
        }
        if (text.find(L'\n') != std::wstring::npos) {
            std::abort();
        }
    }
    return 0;
}
