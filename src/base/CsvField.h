#pragma once
// One CSV field, quoted as the reports quote it: a field holding a comma, a
// double quote or a control character (a tab and DEL too) is put between
// quotes with its quotes doubled (RFC 4180); any other field is written as
// it is. Used by the reports and by "Copy as CSV row", so that a row pasted
// from the window reads like the same row of an export.

#include <string>
#include <string_view>

namespace varnel::core {

bool CsvFieldNeedsQuotes(std::wstring_view text) noexcept;

// The inside of the field: UTF-8 with every quote doubled, no surrounding
// quotes. True when the field needs them. For writers that put a field
// together from parts (a parent's path and a name).
bool AppendCsvFieldText(std::string& out, std::wstring_view text);

// As UTF-8 (unpaired surrogates become U+FFFD, as WideToUtf8 writes them).
void AppendCsvField(std::string& out, std::wstring_view text);
std::string CsvField(std::wstring_view text);

// As wide text, for the clipboard.
std::wstring CsvFieldWide(std::wstring_view text);

}  // namespace varnel::core
