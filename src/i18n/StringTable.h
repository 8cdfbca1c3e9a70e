#pragma once
// String-table files: UTF-8 lines of key, '=' and text, one file per
// language. Portable.
//
// A line whose very first byte is '#' is a comment ("  # x = y" is not: its
// key is "# x"). The first '=' splits key from text, so a text may hold
// '='. Key and text are trimmed of space, tab, CR and LF only, which is why
// the texts that stand directly before a number end in a no-break space
// when they need a space. There are no escapes and no continuation lines.
// Keys are ASCII; any other character in a key becomes '?'. The first
// entry of a key wins. A byte-order mark is not recognised: it would become
// part of the first key, so the files are written without one.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnel::i18n {

// The longest text a table may give, in characters. The longest real one
// is under 200; a text of a megabyte (a damaged or hostile table) made the
// Scan button fail to be created. A longer text is skipped like a damaged
// line, so the English text stands in for it.
inline constexpr std::size_t MaxTextLength = 1024;

// Key (ASCII) to text; never an empty text.
using StringTable = std::unordered_map<std::string, std::wstring>;

// Never fails. A line that is not valid UTF-8, whose text is empty, holds a
// control character or is longer than MaxTextLength, is skipped, so one
// damaged line costs only its own entry and the English text stands in.
StringTable ParseStringTable(std::string_view bytes);

}  // namespace varnel::i18n
