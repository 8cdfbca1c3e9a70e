#pragma once
// The bytes of the English string table as they were when the program was
// built. Portable.

#include <string_view>

namespace varnel::i18n {

// Never empty; the same format as the table files.
std::string_view BuiltInEnglishTable() noexcept;

}  // namespace varnel::i18n
