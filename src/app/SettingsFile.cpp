#include "app/SettingsFile.h"

#include <charconv>
#include <limits>
#include <optional>

#include "app/JsonReader.h"
#include "core/Utf8.h"

namespace varnel::app {
namespace {

constexpr std::string_view LineEnd = "\r\n";

// The file's conversion rule: text that is not valid UTF-8 becomes empty
// rather than half-decoded.
std::wstring WideOrEmpty(std::string_view utf8) { return core::Utf8ToWide(utf8).value_or(std::wstring()); }

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

void ReadString(const JsonObject& object, const char* key, std::wstring& field) {
    const auto found = object.find(key);
    if (found != object.end() && found->second.kind == JsonKind::String) {
        field = WideOrEmpty(found->second.text);
    }
}

void ReadBool(const JsonObject& object, const char* key, bool& field) {
    const auto found = object.find(key);
    if (found != object.end() && found->second.kind == JsonKind::Bool) {
        field = found->second.text == "true";
    }
}

void ReadScanSection(const JsonValue& value, AppSettings& settings) {
    if (value.kind != JsonKind::Object) {
        return;
    }
    const auto scan = ParseJsonObject(value.text);
    if (!scan) {
        return;
    }
    const auto threads = scan->find("threadsPerDrive");
    if (threads != scan->end() && threads->second.kind == JsonKind::Number) {
        if (const auto count = ParseThreadCount(threads->second.text)) {
            settings.threadsPerDrive = *count;
        }
    }
    ReadBool(*scan, "showAdminPromptOnStartup", settings.showAdminPromptOnStartup);
    ReadBool(*scan, "suppressAdminPrompt", settings.suppressAdminPrompt);
    ReadBool(*scan, "alwaysStartAsAdministrator", settings.alwaysStartAsAdministrator);
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

AppSettings ReadSettingsFile(std::string_view bytes, std::uint32_t hardwareThreads) {
    AppSettings settings = StartingSettings(hardwareThreads);
    const auto object = ParseJsonObject(bytes);
    if (!object) {
        return settings;
    }
    ReadString(*object, "appVersion", settings.appVersion);
    ReadString(*object, "language", settings.language);
    ReadString(*object, "theme", settings.theme);
    if (const auto recent = object->find("recentFolders"); recent != object->end()) {
        settings.recentFolders.clear();
        if (recent->second.kind == JsonKind::Array) {
            for (const std::string& folder : ParseJsonStringArray(recent->second.text)) {
                settings.recentFolders.push_back(WideOrEmpty(folder));
            }
        }
    }
    if (const auto scan = object->find("scan"); scan != object->end()) {
        ReadScanSection(scan->second, settings);
    }
    NormalizeSettings(settings, hardwareThreads);
    return settings;
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
