#pragma once
// Names in the order the shell's file manager lists them: "file2" before
// "file10", letters without regard to case, in the user's locale.

#include <string>

namespace varnel::ui {

// Negative, zero or positive like OrdinalCompare, which it falls back to
// when the locale cannot compare (a string too long for the call).
int NaturalCompare(const std::wstring& a, const std::wstring& b);

}  // namespace varnel::ui
