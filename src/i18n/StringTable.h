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

#include <string>
#include <string_view>
#include <unordered_map>

namespace varnel::i18n {

// Key (ASCII) to text. An empty text is a real text, not a missing one.
using StringTable = std::unordered_map<std::string, std::wstring>;

// Never fails. A line that is not valid UTF-8 is skipped, so one damaged
// line costs only its own entry.
StringTable ParseStringTable(std::string_view bytes);

}  // namespace varnel::i18n
