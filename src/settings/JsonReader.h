#pragma once
// The settings file's own reader. It is deliberately not a general JSON
// parser: it reads one object of keys and values, keeps arrays and nested
// objects as raw text for a second look, and treats any bare word as a
// number token, to be checked only where a number is used. Files written by
// older builds and edited by hand rely on what it accepts (a trailing comma,
// a duplicate key, text after the closing brace), so those rules stay.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnel::app {

enum class JsonKind : std::uint32_t {
    String = 0,  // text: the decoded string, UTF-8
    Number = 1,  // text: the raw token, not validated
    Bool = 2,    // text: "true" or "false"
    Array = 3,   // text: raw, from '[' to its matching ']'
    Object = 4,  // text: raw, from '{' to its matching '}'
    Null = 5,    // text: "null"
};

struct JsonValue {
    JsonKind kind = JsonKind::Null;
    std::string text;

    bool operator==(const JsonValue&) const = default;
};

// Keys are UTF-8 as they stand in the file, escapes resolved.
using JsonObject = std::unordered_map<std::string, JsonValue>;

// Reads one object at the start of `text` (whitespace before it is skipped,
// anything after its closing brace ignored). Fails on a missing opening
// brace, a byte-order mark, an unknown escape or a "\u" without four hex
// digits, an unterminated string or bracket, an empty value, a member not
// followed by ',' or '}', or a key holding a NUL byte. A trailing comma is
// accepted; the last of duplicate keys wins.
std::optional<JsonObject> ParseJsonObject(std::string_view text);

// What ParseJsonObject would read, kept as far as it got: a truncated or
// damaged file still gives back every member that stood before the damage.
// `complete` is false when ParseJsonObject would have failed.
struct JsonObjectPrefix {
    JsonObject members;
    bool complete = false;
};
JsonObjectPrefix ParseJsonObjectPrefix(std::string_view text);

// Reads a raw array of strings (the text of an Array value). The strings
// come back decoded, UTF-8. An element that is not a string, or anything
// malformed, makes the whole list empty; a trailing comma is accepted.
std::vector<std::string> ParseJsonStringArray(std::string_view text);

// The forgiving form: an element of another kind is skipped and only
// costs itself; a malformed list keeps the strings before the damage.
// `complete` is false when anything was skipped or lost.
struct JsonStringList {
    std::vector<std::string> items;
    bool complete = false;
};
JsonStringList ParseJsonStringArrayKeepingStrings(std::string_view text);

}  // namespace varnel::app
