#pragma once
// One JSON string, as every writer of JSON here writes it: quotes and
// backslashes escaped, every control character escaped (the short forms
// where JSON has them, \u00XX otherwise), other characters as UTF-8. A
// surrogate that has no partner is written as its \uXXXX escape, so two
// names that differ only there stay two different strings.

#include <string>
#include <string_view>

namespace varnel::core {

void AppendJsonString(std::string& out, std::wstring_view text);
// The inside of the string, without its quotes, for writers that put one
// together from parts (a parent's path and a name).
void AppendJsonStringText(std::string& out, std::wstring_view text);
std::string JsonString(std::wstring_view text);

}  // namespace varnel::core
