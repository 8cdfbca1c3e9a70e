#include <gtest/gtest.h>

#include <string>

#include "i18n/StringTable.h"

namespace varnel::i18n {
namespace {

TEST(ParseStringTable, LineRules) {
    struct Case {
        const char* name;
        std::string line;
        std::string key;      // empty with `skipped`
        std::wstring text;
        bool skipped = false;
    };
    const Case cases[] = {
        {"plain entry", "menu.file = File", "menu.file", L"File"},
        {"no blanks", "a=b", "a", L"b"},
        {"blanks and inner equals", " \t key \t=  a = b == c \t", "key", L"a = b == c"},
        {"CR LF line end", "key = text\r", "key", L"text"},
        {"empty text", "key =", "key", L""},
        {"empty key", "= text", "", L"text"},
        {"comment", "# key = text", "", L"", true},
        {"comment without blank", "#key=text", "", L"", true},
        {"blank before hash is no comment", " # key = text", "# key", L"text"},
        {"no equals sign", "just words", "", L"", true},
        {"empty line", "", "", L"", true},
        {"only CR", "\r", "", L"", true},
        {"no-break space survives trimming", "status.files = Files:\xC2\xA0", "status.files", L"Files:\u00A0"},
        {"form feed is not trimmed", "key = \ftext\f", "key", L"\ftext\f"},
        {"non-ASCII key characters", "k\xC3\xA9y = x", "k?y", L"x"},
        {"byte-order mark joins the first key", "\xEF\xBB\xBFkey = x", "?key", L"x"},
        {"UTF-8 text", "key = \xE6\x97\xA5\xE6\x9C\xAC", "key", L"\u65E5\u672C"},
        {"invalid UTF-8 line", "key = \xC3(", "", L"", true},
    };
    for (const Case& c : cases) {
        const StringTable table = ParseStringTable(c.line);
        if (c.skipped) {
            EXPECT_TRUE(table.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(table.size(), 1u) << c.name;
        EXPECT_EQ(table.begin()->first, c.key) << c.name;
        EXPECT_EQ(table.begin()->second, c.text) << c.name;
    }
}

TEST(ParseStringTable, FirstOccurrenceWinsAndBadLinesCostOnlyThemselves) {
    const StringTable table = ParseStringTable(
        "a = first\n"
        "b = \xFF broken\n"
        "a = second\n"
        "c = last line without line feed");
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at("a"), L"first");
    EXPECT_FALSE(table.contains("b"));
    EXPECT_EQ(table.at("c"), L"last line without line feed");
}

TEST(ParseStringTable, KeyCharactersOutsideTheBasicPlaneCountAsTwo) {
    // UTF-16 holds U+1F4C1 in two code units; every build narrows it alike.
    const StringTable table = ParseStringTable("x\xF0\x9F\x93\x81 = folder");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.begin()->first, "x??");
}

}  // namespace
}  // namespace varnel::i18n
