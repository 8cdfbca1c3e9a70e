#pragma once
// UTF-8 <-> wide text conversions, portable. Wide strings hold UTF-16 on
// Windows and UTF-32 elsewhere; both are handled, so the native build reads
// and writes the same bytes as the Windows one.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnel::core {

// Never fails: unpaired surrogates (and, where wchar_t is 32-bit, values
// that are not Unicode scalar values) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);
// The same, appended to `out` (the reports build their lines this way).
void AppendUtf8(std::string& out, std::wstring_view text);

// Where wchar_t holds UTF-16: a high surrogate at `i` followed by a low one.
// Never true where wchar_t holds whole code points.
bool IsSurrogatePairAt(std::wstring_view text, std::size_t i) noexcept;
// A surrogate at `i` that is not half of such a pair.
bool IsLoneSurrogateAt(std::wstring_view text, std::size_t i) noexcept;

// One code point as UTF-8; a surrogate value too (as its own three bytes),
// for the formats that keep an unpaired surrogate of a name.
void AppendCodePointUtf8(std::string& out, char32_t c);
// One code point as wide text: a surrogate pair where wchar_t has 16 bits.
void AppendCodePointWide(std::wstring& out, char32_t c);
// The length of the valid UTF-8 sequence of more than one byte at `at`, and
// its value; 0 when none starts there (an ASCII byte, a stray or truncated
// byte, an overlong form, an encoded surrogate, a value above U+10FFFF).
std::size_t DecodeUtf8Sequence(std::string_view bytes, std::size_t at, char32_t& value) noexcept;

// Strict: an overlong form, an encoded surrogate, a value above U+10FFFF or
// a truncated or stray byte makes the whole conversion fail.
std::optional<std::wstring> Utf8ToWide(std::string_view text);

// For showing bytes the system gave (a file name, an error text) that may
// not be UTF-8: the strict conversion when it succeeds, else the ASCII bytes
// as they are and U+FFFD for every other byte. Never fails.
std::wstring Utf8ToWideForDisplay(std::string_view text);

// UTF-16 code units stored as bytes (a file saved as "Unicode"), without
// its byte-order mark, as UTF-8. Never fails: an unpaired surrogate becomes
// U+FFFD and an odd last byte is dropped.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);

// UTF-16 code units stored as bytes (names as the system's directory
// listings and NTFS records hold them) appended as wide text, an odd last
// byte dropped. Where wchar_t has 16 bits each unit is one element; where it
// has 32, a surrogate pair becomes its code point and an unpaired surrogate
// stays as its unit, so that nothing a name holds is lost or merged.
enum class ByteOrder { LittleEndian, BigEndian };
void AppendUtf16Units(std::span<const std::byte> bytes, std::wstring& out,
                      ByteOrder order = ByteOrder::LittleEndian);
// The same into `out` without allocating (the MFT reader decodes millions of
// names): as many elements as fit; returns how many were written.
std::size_t DecodeUtf16Units(std::span<const std::byte> bytes, std::span<wchar_t> out,
                             ByteOrder order = ByteOrder::LittleEndian) noexcept;

}  // namespace varnel::core
