#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "base/CsvField.h"
#include "base/JsonString.h"
#include "base/Utf8.h"

namespace varnel::core {
namespace {

const wchar_t HighSurrogate = static_cast<wchar_t>(0xD800);
const wchar_t LowSurrogate = static_cast<wchar_t>(0xDC01);

// One text, its CSV field and its JSON string: the export, "Copy as CSV row"
// and the settings writer all write through these.
TEST(TextFields, CsvAndJsonOfOneText) {
    struct Case {
        std::wstring text;
        std::string csv;
        std::string json;
    };
    const Case cases[] = {
        {L"C:\\plain", "C:\\plain", "\"C:\\\\plain\""},
        {L"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \\\"hi\\\"\""},
        {L"a,b", "\"a,b\"", "\"a,b\""},
        {L"tab\there", "\"tab\there\"", "\"tab\\there\""},
        {std::wstring(L"\x01\n\x7F", 3), "\"\x01\n\x7F\"", "\"\\u0001\\n\x7F\""},
        {std::wstring(L"nul\0x", 5), std::string("\"nul\0x\"", 7), "\"nul\\u0000x\""},
        {L"\x65e5", "\xE6\x97\xA5", "\"\xE6\x97\xA5\""},
        // A lone surrogate: U+FFFD in CSV (as documented), its own escape in
        // JSON, so two names that differ only there stay apart.
        {std::wstring{L'a', HighSurrogate}, "a\xEF\xBF\xBD", "\"a\\ud800\""},
        {std::wstring{LowSurrogate, L'"'}, "\"\xEF\xBF\xBD\"\"\"", "\"\\udc01\\\"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvField(c.text), c.csv) << ::testing::PrintToString(c.csv);
        EXPECT_EQ(JsonString(c.text), c.json) << ::testing::PrintToString(c.json);
        // The clipboard's wide field quotes exactly when the export does.
        EXPECT_EQ(CsvFieldWide(c.text).front() == L'"', c.csv.front() == '"') << ::testing::PrintToString(c.csv);
    }
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(JsonString(std::wstring{HighSurrogate, LowSurrogate}), "\"\xF0\x90\x80\x81\"");  // a pair is one character
    }
}

TEST(TextFields, Utf16UnitsKeepEveryUnit) {
    const unsigned char bytes[] = {'a', 0, 0x00, 0xD8, 0x01, 0xDC, 0x00, 0xD8, 'b', 0, 'z'};
    std::wstring decoded;
    AppendUtf16Units(std::as_bytes(std::span(bytes)), decoded);
    // A pair, then a lone high surrogate; the odd last byte is dropped.
    EXPECT_EQ(WideToUtf8(decoded), "a\xF0\x90\x80\x81\xEF\xBF\xBD" "b");
    EXPECT_EQ(decoded.size(), sizeof(wchar_t) == 2 ? 5u : 4u);
    EXPECT_EQ(Utf16BytesToUtf8(std::string_view("\0a\xD8\x00", 4), true), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace varnel::core
