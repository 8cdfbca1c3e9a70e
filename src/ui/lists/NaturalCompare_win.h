#pragma once
// Names in the order the shell's file manager lists them: "file2" before
// "file10", letters without regard to case, in the user's locale.

#include <string_view>

namespace varnel::ui {

// Negative, zero or positive like OrdinalCompare, which it falls back to
// when the locale cannot compare (a string too long for the call).
int NaturalCompare(std::wstring_view a, std::wstring_view b);

}  // namespace varnel::ui
