#include "settings/JsonReader.h"

#include <cstdint>

#include "base/Utf8.h"

namespace varnel::app {
namespace {

bool IsWhitespace(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Ends a bare token (a number, true, false or null).
bool IsTokenEnd(char c) noexcept { return c == ',' || c == '}' || c == ']' || IsWhitespace(c); }

// A position in the text. Every read checks the end first, so no input can
// take it past the last byte; a failed read may leave it anywhere, since
// the caller then gives up on the whole object or list.
class Cursor {
public:
    explicit Cursor(std::string_view text) noexcept : text_(text) {}

    void SkipWhitespace() noexcept {
        while (pos_ < text_.size() && IsWhitespace(text_[pos_])) {
            ++pos_;
        }
    }
    bool AtEnd() const noexcept { return pos_ >= text_.size(); }
    char Peek() const noexcept { return text_[pos_]; }  // only when !AtEnd()

    bool Consume(char expected) noexcept {
        if (AtEnd() || text_[pos_] != expected) {
            return false;
        }
        ++pos_;
        return true;
    }

    // A double-quoted string with JSON's escapes; other bytes are copied as
    // they are, control characters and UTF-8 sequences included (older
    // writers left control characters raw).
    std::optional<std::string> ReadString() {
        if (!Consume('"')) {
            return std::nullopt;
        }
        std::string out;
        while (!AtEnd()) {
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (AtEnd()) {
                return std::nullopt;
            }
            if (text_[pos_] == 'u') {
                ++pos_;
                if (!ReadUnitEscape(out)) {
                    return std::nullopt;
                }
                continue;
            }
            const std::optional<char> unescaped = Unescape(text_[pos_++]);
            if (!unescaped) {
                return std::nullopt;
            }
            out.push_back(*unescaped);
        }
        return std::nullopt;
    }

    std::optional<JsonValue> ReadValue() {
        SkipWhitespace();
        if (AtEnd()) {
            return std::nullopt;
        }
        const char c = Peek();
        if (c == '"') {
            auto text = ReadString();
            if (!text) {
                return std::nullopt;
            }
            return JsonValue{JsonKind::String, std::move(*text)};
        }
        if (c == '{') {
            return ReadBracketed('{', '}', JsonKind::Object);
        }
        if (c == '[') {
            return ReadBracketed('[', ']', JsonKind::Array);
        }
        const std::size_t start = pos_;
        while (!AtEnd() && !IsTokenEnd(Peek())) {
            ++pos_;
        }
        std::string token(text_.substr(start, pos_ - start));
        if (token.empty()) {
            return std::nullopt;
        }
        if (token == "true" || token == "false") {
            return JsonValue{JsonKind::Bool, std::move(token)};
        }
        if (token == "null") {
            return JsonValue{JsonKind::Null, std::move(token)};
        }
        return JsonValue{JsonKind::Number, std::move(token)};
    }

private:
    // Four hex digits after "\u".
    std::optional<std::uint32_t> ReadHexUnit() noexcept {
        if (text_.size() - pos_ < 4) {
            return std::nullopt;
        }
        std::uint32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            unit = unit * 16 + static_cast<std::uint32_t>(digit);
        }
        return unit;
    }

    // The code point of "\uXXXX" (two of them for a surrogate pair), as
    // UTF-8; "\u0000" is a NUL byte like any other. A surrogate without its
    // partner has no UTF-8 form: its three bytes are written as if it had,
    // so the string fails the strict UTF-8 check where it is used and costs
    // only itself.
    bool ReadUnitEscape(std::string& out) {
        const auto unit = ReadHexUnit();
        if (!unit) {
            return false;
        }
        std::uint32_t c = *unit;
        if (c >= 0xD800 && c <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            const std::size_t mark = pos_;
            pos_ += 2;
            const auto low = ReadHexUnit();
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (*low - 0xDC00);
            } else {
                pos_ = mark;
            }
        }
        core::AppendCodePointUtf8(out, c);
        return true;
    }

    static std::optional<char> Unescape(char c) noexcept {
        switch (c) {
            case '"':
            case '\\':
            case '/':
                return c;
            case 'b':
                return '\b';
            case 'f':
                return '\f';
            case 'n':
                return '\n';
            case 'r':
                return '\r';
            case 't':
                return '\t';
            default:
                return std::nullopt;
        }
    }

    // Counts only the bracket kind that opened the value, so "[{]" closes
    // the array; brackets inside strings do not count.
    std::optional<JsonValue> ReadBracketed(char open, char close, JsonKind kind) {
        const std::size_t start = pos_;
        std::size_t depth = 0;
        bool inString = false;
        for (std::size_t i = pos_; i < text_.size(); ++i) {
            const char c = text_[i];
            if (inString) {
                if (c == '\\') {
                    ++i;  // the escaped byte cannot end the string
                } else if (c == '"') {
                    inString = false;
                }
            } else if (c == '"') {
                inString = true;
            } else if (c == open) {
                ++depth;
            } else if (c == close && --depth == 0) {
                pos_ = i + 1;
                return JsonValue{kind, std::string(text_.substr(start, pos_ - start))};
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<JsonObject> ParseJsonObject(std::string_view text) {
    JsonObjectPrefix prefix = ParseJsonObjectPrefix(text);
    if (!prefix.complete) {
        return std::nullopt;
    }
    return std::move(prefix.members);
}

JsonObjectPrefix ParseJsonObjectPrefix(std::string_view text) {
    JsonObjectPrefix read;
    // A key holding a NUL byte is no key this program or a person wrote:
    // the member is passed over, and the file counts as damaged.
    bool strangeKey = false;
    Cursor cursor(text);
    cursor.SkipWhitespace();
    if (!cursor.Consume('{')) {
        return read;
    }
    for (;;) {
        cursor.SkipWhitespace();
        if (cursor.AtEnd()) {
            return read;
        }
        if (cursor.Consume('}')) {
            read.complete = !strangeKey;  // empty object, or a trailing comma before the brace
            return read;
        }
        auto key = cursor.ReadString();
        if (!key) {
            return read;
        }
        cursor.SkipWhitespace();
        if (!cursor.Consume(':')) {
            return read;
        }
        auto value = cursor.ReadValue();
        if (!value) {
            return read;
        }
        if (key->find('\0') != std::string::npos) {
            strangeKey = true;
        } else {
            read.members.insert_or_assign(std::move(*key), std::move(*value));
        }
        cursor.SkipWhitespace();
        if (cursor.Consume(',')) {
            continue;
        }
        read.complete = cursor.Consume('}') && !strangeKey;
        return read;
    }
}

std::vector<std::string> ParseJsonStringArray(std::string_view text) {
    JsonStringList list = ParseJsonStringArrayKeepingStrings(text);
    if (!list.complete) {
        return {};
    }
    return std::move(list.items);
}

JsonStringList ParseJsonStringArrayKeepingStrings(std::string_view text) {
    JsonStringList list;
    Cursor cursor(text);
    cursor.SkipWhitespace();
    if (!cursor.Consume('[')) {
        return list;
    }
    bool skippedAny = false;
    for (;;) {
        cursor.SkipWhitespace();
        if (cursor.AtEnd()) {
            list.complete = !skippedAny;
            return list;
        }
        if (cursor.Consume(']')) {
            list.complete = !skippedAny;
            return list;
        }
        if (cursor.Peek() == '"') {
            auto item = cursor.ReadString();
            if (!item) {
                return list;
            }
            list.items.push_back(std::move(*item));
        } else if (cursor.ReadValue()) {
            skippedAny = true;
        } else {
            return list;
        }
        cursor.SkipWhitespace();
        if (cursor.Consume(',')) {
            continue;
        }
        list.complete = cursor.Consume(']') && !skippedAny;
        return list;
    }
}

}  // namespace varnel::app
