#include "base/CsvField.h"

#include <algorithm>
#include <cstdint>

#include "base/Utf8.h"

namespace varnel::core {
namespace {

bool NeedsQuotes(wchar_t c) noexcept {
    const auto unit = static_cast<std::uint32_t>(c);
    return unit == ',' || unit == '"' || unit < 0x20 || unit == 0x7F;
}

}  // namespace

bool CsvFieldNeedsQuotes(std::wstring_view text) noexcept { return std::any_of(text.begin(), text.end(), NeedsQuotes); }

bool AppendCsvFieldText(std::string& out, std::wstring_view text) {
    bool needsQuotes = false;
    std::size_t i = 0;
    while (i < text.size()) {
        // Plain ASCII, the bulk of every path, is copied in one step.
        std::size_t run = i;
        while (run < text.size() && text[run] >= 0x20 && text[run] < 0x7F && text[run] != L'"' && text[run] != L',') {
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
        const wchar_t c = text[i];
        if (NeedsQuotes(c)) {
            needsQuotes = true;
            out += static_cast<char>(c);
            if (c == L'"') {
                out += '"';
            }
            ++i;
            continue;
        }
        std::size_t other = i;  // characters beyond ASCII, up to the next ASCII one
        while (other < text.size() && static_cast<std::uint32_t>(text[other]) >= 0x80) {
            ++other;
        }
        AppendUtf8(out, text.substr(i, other - i));
        i = other;
    }
    return needsQuotes;
}

void AppendCsvField(std::string& out, std::wstring_view text) {
    const bool quoted = CsvFieldNeedsQuotes(text);
    if (quoted) {
        out += '"';
    }
    AppendCsvFieldText(out, text);
    if (quoted) {
        out += '"';
    }
}

std::string CsvField(std::wstring_view text) {
    std::string out;
    AppendCsvField(out, text);
    return out;
}

std::wstring CsvFieldWide(std::wstring_view text) {
    if (!CsvFieldNeedsQuotes(text)) {
        return std::wstring(text);
    }
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) {
        if (c == L'"') {
            quoted += L'"';
        }
        quoted += c;
    }
    return quoted + L'"';
}

}  // namespace varnel::core
