#include "base/JsonString.h"

#include "base/Utf8.h"

namespace varnel::core {
namespace {

constexpr char HexDigits[] = "0123456789abcdef";

void AppendUnitEscape(std::string& out, std::uint32_t unit) {
    const char escaped[] = {'\\',
                            'u',
                            HexDigits[(unit >> 12) & 0xF],
                            HexDigits[(unit >> 8) & 0xF],
                            HexDigits[(unit >> 4) & 0xF],
                            HexDigits[unit & 0xF]};
    out.append(escaped, sizeof escaped);
}

bool IsPlain(wchar_t c) noexcept { return c >= 0x20 && c < 0x80 && c != L'"' && c != L'\\'; }

}  // namespace

void AppendJsonString(std::string& out, std::wstring_view text) {
    out += '"';
    AppendJsonStringText(out, text);
    out += '"';
}

void AppendJsonStringText(std::string& out, std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Plain ASCII, the bulk of every path, is copied in one step.
        std::size_t run = i;
        while (run < text.size() && IsPlain(text[run])) {
            ++run;
        }
        if (run != i) {
            const std::size_t start = out.size();
            out.resize(start + (run - i));
            char* to = out.data() + start;
            for (std::size_t k = i; k < run; ++k) {
                *to++ = static_cast<char>(text[k]);
            }
            i = run;
            continue;
        }
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c >= 0x80 && !IsLoneSurrogateAt(text, i)) {
            const std::size_t length = IsSurrogatePairAt(text, i) ? 2 : 1;
            AppendUtf8(out, text.substr(i, length));
            i += length;
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: AppendUnitEscape(out, c); break;  // a control character or a lone surrogate
        }
        ++i;
    }
}

std::string JsonString(std::wstring_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

}  // namespace varnel::core
