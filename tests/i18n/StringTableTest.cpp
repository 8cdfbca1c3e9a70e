#include <gtest/gtest.h>

#include <string>

#include "i18n/StringTable.h"

namespace varnel::i18n {
namespace {

TEST(ParseStringTable, LineRules) {
    struct Case {
        std::string line;
        std::string key;
        std::wstring text;
    };
    const Case cases[] = {
        {" \t key \t=  a = b == c \t\r", "key", L"a = b == c"},
        {"= text", "", L"text"},
        {" # key = text", "# key", L"text"},  // '#' after a blank is no comment
        {"key = Files:\xC2\xA0", "key", L"Files:\u00A0"},  // only space, tab, CR, LF are trimmed
        {"k\xC3\xA9y = x", "k?y", L"x"},
        {"x\xF0\x9F\x93\x81 = x", "x??", L"x"},  // two UTF-16 units, two '?', on every build
        {"\xEF\xBB\xBFkey = x", "?key", L"x"},   // a byte-order mark spoils the first key
        {"key = \xE6\x97\xA5\xE6\x9C\xAC", "key", L"\u65E5\u672C"},
    };
    for (const Case& c : cases) {
        const StringTable table = ParseStringTable(c.line);
        ASSERT_EQ(table.size(), 1u) << c.line;
        EXPECT_EQ(table.begin()->first, c.key) << c.line;
        EXPECT_EQ(table.begin()->second, c.text) << c.line;
    }
    for (const char* skipped : {"# key = text", "#key=text", "just words", "", "\r", "key = \xC3(", "key =", "key = a\fb", "key = a\x7F"}) {
        EXPECT_TRUE(ParseStringTable(skipped).empty()) << skipped;
    }
}

TEST(ParseStringTable, FirstOccurrenceWinsAndBadLinesCostOnlyThemselves) {
    const std::string tooLong = "d = " + std::string(MaxTextLength + 1, 'x') + "\n";
    const StringTable table =
        ParseStringTable("a = first\nb = \xFF broken\na = second\n" + tooLong + "c = no line feed");
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at("a"), L"first");
    EXPECT_EQ(table.at("c"), L"no line feed");
}

}  // namespace
}  // namespace varnel::i18n
