#include "app/SettingsFile.h"

#include <charconv>
#include <limits>
#include <optional>

#include "app/JsonReader.h"
#include "core/Utf8.h"

namespace varnel::app {
namespace {

constexpr std::string_view LineEnd = "\r\n";

// Decimal digits only (no sign, point or exponent), at most 4294967295.
std::optional<std::uint32_t> ParseThreadCount(std::string_view token) {
    std::uint64_t value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    if (token.empty()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// Reads the fields of one object, noting anything it had to pass over.
class FieldReader {
public:
    explicit FieldReader(bool& damaged) : damaged_(damaged) {}

    void ReadString(const JsonObject& object, const char* key, std::wstring& field) {
        const JsonValue* value = Find(object, key, JsonKind::String);
        if (!value) {
            return;
        }
        auto wide = core::Utf8ToWide(value->text);
        damaged_ |= !wide;
        field = wide ? std::move(*wide) : std::wstring();
    }

    void ReadBool(const JsonObject& object, const char* key, bool& field) {
        if (const JsonValue* value = Find(object, key, JsonKind::Bool)) {
            field = value->text == "true";
        }
    }

    void ReadThreadCount(const JsonObject& object, const char* key, std::uint32_t& field) {
        if (const JsonValue* value = Find(object, key, JsonKind::Number)) {
            const auto count = ParseThreadCount(value->text);
            damaged_ |= !count;
            field = count.value_or(field);
        }
    }

    void ReadRecentFolders(const JsonObject& object, std::vector<std::wstring>& field) {
        const JsonValue* value = Find(object, "recentFolders", JsonKind::Array);
        if (!value) {
            if (object.contains("recentFolders")) {
                field.clear();
            }
            return;
        }
        const JsonStringList list = ParseJsonStringArrayKeepingStrings(value->text);
        damaged_ |= !list.complete;
        field.clear();
        for (const std::string& folder : list.items) {
            auto wide = core::Utf8ToWide(folder);
            if (wide) {
                field.push_back(std::move(*wide));
            } else {
                damaged_ = true;  // half a name would point at another folder
            }
        }
    }

    void ReadScanSection(const JsonObject& object, AppSettings& settings) {
        const JsonValue* value = Find(object, "scan", JsonKind::Object);
        if (!value) {
            return;
        }
        const JsonObjectPrefix scan = ParseJsonObjectPrefix(value->text);
        damaged_ |= !scan.complete;
        ReadThreadCount(scan.members, "threadsPerDrive", settings.threadsPerDrive);
        ReadBool(scan.members, "showAdminPromptOnStartup", settings.showAdminPromptOnStartup);
        ReadBool(scan.members, "suppressAdminPrompt", settings.suppressAdminPrompt);
        ReadBool(scan.members, "alwaysStartAsAdministrator", settings.alwaysStartAsAdministrator);
    }

private:
    // The value of `key` when it has the expected kind; a value of another
    // kind counts as damage and is not used.
    const JsonValue* Find(const JsonObject& object, const char* key, JsonKind kind) {
        const auto found = object.find(key);
        if (found == object.end()) {
            return nullptr;
        }
        if (found->second.kind != kind) {
            damaged_ = true;
            return nullptr;
        }
        return &found->second;
    }

    bool& damaged_;
};

// The file's bytes as UTF-8 without byte-order mark. Notepad saves as
// "Unicode" (UTF-16) or with a UTF-8 mark when asked to; without this the
// reader would see no object and the next save would overwrite the user's
// edit with defaults.
std::string WithoutByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return std::string(bytes.substr(3));
    }
    if (bytes.starts_with("\xFF\xFE")) {
        return core::Utf16BytesToUtf8(bytes.substr(2), false);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return core::Utf16BytesToUtf8(bytes.substr(2), true);
    }
    return std::string(bytes);
}

void AppendJsonString(std::string& out, std::wstring_view value) {
    out.push_back('"');
    for (const char c : core::WideToUtf8(value)) {
        switch (c) {
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default: out.push_back(c); break;  // other control bytes too: the reader takes them raw
        }
    }
    out.push_back('"');
}

void AppendStringMember(std::string& out, std::string_view key, std::wstring_view value) {
    out += "  \"";
    out += key;
    out += "\": ";
    AppendJsonString(out, value);
    out += ",";
    out += LineEnd;
}

void AppendBoolMember(std::string& out, std::string_view key, bool value, bool last) {
    out += "    \"";
    out += key;
    out += "\": ";
    out += value ? "true" : "false";
    if (!last) {
        out += ",";
    }
    out += LineEnd;
}

}  // namespace

SettingsFileRead InspectSettingsFile(std::string_view bytes, std::uint32_t hardwareThreads) {
    SettingsFileRead read{StartingSettings(hardwareThreads), false};
    const JsonObjectPrefix object = ParseJsonObjectPrefix(WithoutByteOrderMark(bytes));
    read.damaged = !object.complete;
    FieldReader fields(read.damaged);
    AppSettings& settings = read.settings;
    fields.ReadString(object.members, "appVersion", settings.appVersion);
    fields.ReadString(object.members, "language", settings.language);
    fields.ReadString(object.members, "theme", settings.theme);
    fields.ReadRecentFolders(object.members, settings.recentFolders);
    fields.ReadScanSection(object.members, settings);
    NormalizeSettings(settings, hardwareThreads);
    return read;
}

std::string WriteSettingsFile(const AppSettings& settings) {
    std::string out;
    out += "{";
    out += LineEnd;
    AppendStringMember(out, "appVersion", settings.appVersion);
    AppendStringMember(out, "language", settings.language);
    AppendStringMember(out, "theme", settings.theme);
    out += "  \"recentFolders\": [";
    for (std::size_t i = 0; i < settings.recentFolders.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        AppendJsonString(out, settings.recentFolders[i]);
    }
    out += "],";
    out += LineEnd;
    out += "  \"scan\": {";
    out += LineEnd;
    char number[16];
    const auto written = std::to_chars(number, number + sizeof number, settings.threadsPerDrive);
    out += "    \"threadsPerDrive\": ";
    out.append(number, written.ptr);
    out += ",";
    out += LineEnd;
    AppendBoolMember(out, "showAdminPromptOnStartup", settings.showAdminPromptOnStartup, false);
    AppendBoolMember(out, "suppressAdminPrompt", settings.suppressAdminPrompt, false);
    AppendBoolMember(out, "alwaysStartAsAdministrator", settings.alwaysStartAsAdministrator, true);
    out += "  }";
    out += LineEnd;
    out += "}";
    out += LineEnd;
    return out;
}

}  // namespace varnel::app
