#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/JsonReader.h"

namespace varnel::app {
namespace {

TEST(ParseJsonObject, AcceptsAndRejects) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {"{}", true},
        {" \t\r\n{ }", true},
        {R"({"a": 1,})", true},            // trailing comma
        {R"({"a": 1} garbage {)", true},   // text after the object
        {R"({"a": 1:2})", true},           // ':' does not end a bare token
        {"{\"a\": \"x\x01\xFF\"}", true},  // bytes copied unchecked
        {"", false},
        {"\xEF\xBB\xBF{}", false},  // byte-order mark
        {"[]", false},
        {R"({"a": 1)", false},
        {R"({"a": 1,)", false},
        {R"({"a" 1})", false},
        {R"({a: 1})", false},
        {R"({"a": })", false},
        {R"({"a": 1 2})", false},
        {R"({"\u0061": 1, "b": "\u00e9\ud83d\udcc1"})", true},
        {R"({"a": "\u004"})", false},
        {R"({"a": "\u00g1"})", false},
        {std::string("{\"a\0\": 1}", 9), false},  // a NUL byte in a key
        {R"({"a\u0000": 1, "b": 2})", false},
        {R"({"a": "\x"})", false},
        {"{\"a\": \"\\", false},
        {R"({"a": [1, 2})", false},
        {R"({"a": ["]"})", false},  // a bracket inside a string does not count
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseJsonObject(c.text).has_value(), c.accepted) << ::testing::PrintToString(c.text);
    }
}

TEST(ParseJsonObject, ClassifiesValuesAndKeepsRawText) {
    const auto object = ParseJsonObject(
        R"({"s": "a\"b\\c\/d\b\f\n\r\t", "n": -1.5e3, "t": true, "z": null, "w": truthy, "a": [ "x]", {"y": "["} ],)"
        R"( "o": {"k": [1, "}"], "e": "\"}"}, "m": [{], "d": 1, "d": "last"})");
    ASSERT_TRUE(object.has_value());
    const JsonObject& o = *object;
    EXPECT_EQ(o.at("s"), (JsonValue{JsonKind::String, "a\"b\\c/d\b\f\n\r\t"}));
    EXPECT_EQ(o.at("n"), (JsonValue{JsonKind::Number, "-1.5e3"}));
    EXPECT_EQ(o.at("t"), (JsonValue{JsonKind::Bool, "true"}));
    EXPECT_EQ(o.at("z"), (JsonValue{JsonKind::Null, "null"}));
    EXPECT_EQ(o.at("w"), (JsonValue{JsonKind::Number, "truthy"}));  // checked only where a number is used
    EXPECT_EQ(o.at("a"), (JsonValue{JsonKind::Array, R"([ "x]", {"y": "["} ])"}));
    EXPECT_EQ(o.at("o"), (JsonValue{JsonKind::Object, R"({"k": [1, "}"], "e": "\"}"})"}));
    EXPECT_EQ(o.at("m").text, "[{]");  // only the opening bracket's kind is counted
    EXPECT_EQ(o.at("d"), (JsonValue{JsonKind::String, "last"}));
    // "\u0000" is a NUL like any other character, and what follows stays.
    const auto escaped = ParseJsonObject(R"({"s": "a\u0000b", "after": "\u00e9\ud83d\udcc1\ud800"})");
    ASSERT_TRUE(escaped.has_value());
    EXPECT_EQ(escaped->at("s").text, std::string("a\0b", 3));
    EXPECT_EQ(escaped->at("after").text, "\xC3\xA9\xF0\x9F\x93\x81\xED\xA0\x80");
}

TEST(ParseJsonStringArray, ReadsStringsOrNothing) {
    struct Case {
        std::string text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"[]", {}},
        {R"([ "a" , "b\tc" ])", {"a", "b\tc"}},
        {R"(["a",])", {"a"}},
        {R"(["a", )", {"a"}},  // the end of the text ends the list
        {R"("a")", {}},
        {R"(["a", 1])", {}},
        {R"([["a"]])", {}},
        {R"(["a",,"b"])", {}},
        {R"(["a" "b"])", {}},
        {R"(["\u0041"])", {"A"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseJsonStringArray(c.text), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace varnel::app
