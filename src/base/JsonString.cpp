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
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of characters that need nothing but UTF-8 go in one piece.
        std::size_t run = i;
        while (run < text.size() && (IsPlain(text[run]) || static_cast<std::uint32_t>(text[run]) >= 0x80)) {
            if (IsLoneSurrogateAt(text, run)) {
                break;
            }
            run += IsSurrogatePairAt(text, run) ? 2 : 1;
        }
        AppendUtf8(out, text.substr(i, run - i));
        if (run == text.size()) {
            break;
        }
        const auto c = static_cast<std::uint32_t>(text[run]);
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
        i = run + 1;
    }
    out += '"';
}

std::string JsonString(std::wstring_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

}  // namespace varnel::core
