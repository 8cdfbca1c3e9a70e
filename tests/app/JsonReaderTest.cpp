#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/JsonReader.h"

namespace varnel::app {
namespace {

TEST(ParseJsonObject, AcceptsWhatTheFileMayHold) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t members;
    };
    const Case cases[] = {
        {"empty object", "{}", 0},
        {"leading whitespace", " \t\r\n{ }", 0},
        {"trailing comma", R"({"a": 1,})", 1},
        {"text after the closing brace", R"({"a": 1} garbage {)", 1},
        {"no space anywhere", R"({"a":1,"b":"x"})", 2},
        {"colon inside a bare token", R"({"a": 1:2})", 1},
        {"raw control byte in a string", "{\"a\": \"x\x01y\"}", 1},
        {"nested values", R"({"a": [1, [2]], "b": {"c": {}}})", 2},
    };
    for (const Case& c : cases) {
        const auto object = ParseJsonObject(c.text);
        ASSERT_TRUE(object.has_value()) << c.name;
        EXPECT_EQ(object->size(), c.members) << c.name;
    }
}

TEST(ParseJsonObject, RejectsMalformedText) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"only whitespace", "  \r\n"},
        {"byte-order mark", "\xEF\xBB\xBF{}"},
        {"array at top", "[]"},
        {"unterminated object", R"({"a": 1)"},
        {"unterminated after comma", R"({"a": 1,)"},
        {"missing colon", R"({"a" 1})"},
        {"unquoted key", R"({a: 1})"},
        {"missing value", R"({"a": })"},
        {"value ends the text", R"({"a":)"},
        {"two values", R"({"a": 1 2})"},
        {"unicode escape in a key", R"({"\u0061": 1})"},
        {"unicode escape in a value", R"({"a": "\u0041"})"},
        {"unknown escape", R"({"a": "\x"})"},
        {"backslash at the end", "{\"a\": \"\\"},
        {"unterminated string", R"({"a": "abc})"},
        {"unterminated array", R"({"a": [1, 2})"},
        {"unterminated nested object", R"({"a": {"b": 1})"},
        {"bracket hidden in a string", R"({"a": ["]"})"},
        {"semicolon separator", R"({"a": 1; "b": 2})"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseJsonObject(c.text).has_value()) << c.name;
    }
}

TEST(ParseJsonObject, ClassifiesValuesAndKeepsRawText) {
    const auto object = ParseJsonObject(
        R"({"s": "a\"b\\c\/d\b\f\n\r\t", "n": -1.5e3, "t": true, "f": false, "z": null, "w": truthy,)"
        R"( "a": [ "x]" , {"y": "[" } ], "o": {"k": [1, "}"], "e": "\"}"}})");
    ASSERT_TRUE(object.has_value());
    const JsonObject& o = *object;
    EXPECT_EQ(o.at("s"), (JsonValue{JsonKind::String, "a\"b\\c/d\b\f\n\r\t"}));
    EXPECT_EQ(o.at("n"), (JsonValue{JsonKind::Number, "-1.5e3"}));
    EXPECT_EQ(o.at("t"), (JsonValue{JsonKind::Bool, "true"}));
    EXPECT_EQ(o.at("f"), (JsonValue{JsonKind::Bool, "false"}));
    EXPECT_EQ(o.at("z"), (JsonValue{JsonKind::Null, "null"}));
    // Any other bare word is a number token, checked only where a number is used.
    EXPECT_EQ(o.at("w"), (JsonValue{JsonKind::Number, "truthy"}));
    EXPECT_EQ(o.at("a"), (JsonValue{JsonKind::Array, R"([ "x]" , {"y": "[" } ])"}));
    EXPECT_EQ(o.at("o"), (JsonValue{JsonKind::Object, R"({"k": [1, "}"], "e": "\"}"})"}));
}

TEST(ParseJsonObject, CountsOnlyTheOpeningBracketKind) {
    // A '{' inside an array does not need its '}' before the array closes.
    const auto object = ParseJsonObject(R"({"a": [{], "b": 2})");
    ASSERT_TRUE(object.has_value());
    EXPECT_EQ(object->at("a").text, "[{]");
    EXPECT_EQ(object->at("b").text, "2");
}

TEST(ParseJsonObject, LastDuplicateKeyWins) {
    const auto object = ParseJsonObject(R"({"k": "first", "k": 2, "k": "last"})");
    ASSERT_TRUE(object.has_value());
    EXPECT_EQ(object->at("k"), (JsonValue{JsonKind::String, "last"}));
}

TEST(ParseJsonObject, CopiesUtf8BytesUnchecked) {
    // Validation belongs to the conversion that uses the string.
    const auto object = ParseJsonObject("{\"k\xC3\xA9\": \"\xFF\xFE\"}");
    ASSERT_TRUE(object.has_value());
    EXPECT_EQ(object->at("k\xC3\xA9").text, "\xFF\xFE");
}

TEST(ParseJsonStringArray, ReadsStringsOrNothing) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"empty", "[]", {}},
        {"two strings", R"([ "a" , "b\tc" ])", {"a", "b\tc"}},
        {"trailing comma", R"(["a",])", {"a"}},
        {"end of text ends the list", R"(["a", )", {"a"}},
        {"not an array", R"("a")", {}},
        {"number element", R"(["a", 1])", {}},
        {"nested array", R"([["a"]])", {}},
        {"double comma", R"(["a",,"b"])", {}},
        {"missing comma", R"(["a" "b"])", {}},
        {"unicode escape", R"(["\u0041"])", {}},
        {"unterminated string", R"(["a)", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseJsonStringArray(c.text), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace varnel::app
