#pragma once
// UTF-8 <-> wide text conversions, portable. Wide strings hold UTF-16 on
// Windows and UTF-32 elsewhere; both are handled, so the native build reads
// and writes the same bytes as the Windows one.

#include <optional>
#include <string>
#include <string_view>

namespace varnel::core {

// Never fails: unpaired surrogates (and, where wchar_t is 32-bit, values
// that are not Unicode scalar values) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// Strict: an overlong form, an encoded surrogate, a value above U+10FFFF or
// a truncated or stray byte makes the whole conversion fail.
std::optional<std::wstring> Utf8ToWide(std::string_view text);

// UTF-16 code units stored as bytes (a file saved as "Unicode"), without
// its byte-order mark, as UTF-8. Never fails: an unpaired surrogate becomes
// U+FFFD and an odd last byte is dropped.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace varnel::core
