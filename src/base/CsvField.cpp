#include "base/CsvField.h"

#include <algorithm>

#include "base/Utf8.h"

namespace varnel::core {
namespace {

bool NeedsQuotes(wchar_t c) noexcept { return c == L',' || c == L'"' || c < 0x20 || c == 0x7F; }

}  // namespace

bool CsvFieldNeedsQuotes(std::wstring_view text) noexcept { return std::any_of(text.begin(), text.end(), NeedsQuotes); }

void AppendCsvField(std::string& out, std::wstring_view text) {
    if (!CsvFieldNeedsQuotes(text)) {
        AppendUtf8(out, text);
        return;
    }
    out += '"';
    for (std::size_t quote = text.find(L'"'); quote != std::wstring_view::npos; quote = text.find(L'"')) {
        AppendUtf8(out, text.substr(0, quote + 1));
        out += '"';
        text.remove_prefix(quote + 1);
    }
    AppendUtf8(out, text);
    out += '"';
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
