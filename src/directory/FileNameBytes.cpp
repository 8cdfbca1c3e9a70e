#include "directory/FileNameBytes.h"

#include <cstddef>
#include <cstdint>

#include "base/Utf8.h"

namespace varnel::core {
namespace {

constexpr char32_t EscapeBase = 0xDC00;

}  // namespace

void AppendDecodedFileName(std::string_view bytes, std::wstring& out) {
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<std::uint8_t>(bytes[at]);
        if (byte < 0x80) {
            out.push_back(static_cast<wchar_t>(byte));
            ++at;
            continue;
        }
        char32_t value = 0;
        if (const std::size_t length = DecodeUtf8Sequence(bytes, at, value); length != 0) {
            AppendCodePointWide(out, value);
            at += length;
        } else {
            out.push_back(static_cast<wchar_t>(EscapeBase + byte));
            ++at;
        }
    }
}

std::string EncodeFileName(std::wstring_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<char32_t>(name[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(name[i + 1]) - 0xDC00);
                ++i;
            }
        }
        if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF) {
            out.push_back(static_cast<char>(c - EscapeBase));
        } else {
            AppendCodePointUtf8(out, c);
        }
    }
    return out;
}

}  // namespace varnel::core
