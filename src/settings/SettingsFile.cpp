#include "settings/SettingsFile.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <limits>
#include <optional>
#include <vector>

#include "settings/JsonReader.h"
#include "base/JsonString.h"
#include "base/Utf8.h"

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

// Whole numbers separated by commas between brackets, as the window
// section writes them; anything else is no list.
std::optional<std::vector<std::int64_t>> ParseIntegerList(std::string_view raw) {
    if (raw.size() < 2 || raw.front() != '[' || raw.back() != ']') {
        return std::nullopt;
    }
    std::vector<std::int64_t> values;
    std::string_view rest = raw.substr(1, raw.size() - 2);
    const auto trim = [](std::string_view text) {
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) return std::string_view();
        return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    };
    if (trim(rest).empty()) {
        return values;
    }
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view token = trim(rest.substr(0, comma));
        std::int64_t value = 0;
        const auto parsed = std::from_chars(token.data(), token.data() + token.size(), value);
        if (token.empty() || parsed.ec != std::errc() || parsed.ptr != token.data() + token.size()) {
            return std::nullopt;
        }
        values.push_back(value);
        if (comma == std::string_view::npos) {
            return values;
        }
        rest.remove_prefix(comma + 1);
    }
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
            if (field.size() == MaxRecentFolders) {
                break;  // the list never holds more; a longer one was written by hand
            }
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
        ReadBool(scan.members, "keepSnapshots", settings.keepSnapshots);
    }

    void ReadWindowSection(const JsonObject& object, WindowMemory& window) {
        const JsonValue* value = Find(object, "window", JsonKind::Object);
        if (!value) {
            return;
        }
        const JsonObjectPrefix section = ParseJsonObjectPrefix(value->text);
        damaged_ |= !section.complete;
        const JsonObject& members = section.members;
        if (const auto placement = ReadIntegers(members, "placement", 6, 6)) {
            const auto& p = *placement;
            if (p[4] == 0) {
                // written before the window was ever closed: nothing remembered
            } else if (p[2] > 0 && p[3] > 0 && p[4] <= 96 * 10) {
                window.left = static_cast<int>(p[0]);
                window.top = static_cast<int>(p[1]);
                window.width = static_cast<int>(p[2]);
                window.height = static_cast<int>(p[3]);
                window.dpi = static_cast<std::uint32_t>(p[4]);
                window.maximized = p[5] != 0;
            } else {
                damaged_ = true;
            }
        }
        if (const auto panes = ReadIntegers(members, "panes", 2, 2)) {
            window.leftPaneShare = static_cast<std::uint32_t>(std::clamp<std::int64_t>((*panes)[0], 0, 10000));
            window.upperRightPaneShare = static_cast<std::uint32_t>(std::clamp<std::int64_t>((*panes)[1], 0, 10000));
        }
        if (const auto columns = ReadIntegers(members, "columns", 0, 64)) {
            window.columnWidths.clear();
            for (const std::int64_t width : *columns) {
                window.columnWidths.push_back(static_cast<int>(std::clamp<std::int64_t>(width, 0, 10000)));
            }
        }
        if (const auto sort = ReadIntegers(members, "sortColumn", 1, 1, JsonKind::Number)) {
            window.sortColumn = static_cast<int>(std::clamp<std::int64_t>(sort->front(), -1, 64));
        }
        ReadBool(members, "sortDescending", window.sortDescending);
        ReadString(members, "lastFolder", window.lastFolder);
        ReadBool(members, "sizeOnDisk", window.showSizeOnDisk);
        if (const auto panes = ReadIntegers(members, "resultPanes", 4, 4)) {
            window.showTreemap = (*panes)[0] != 0;
            window.showFileTypes = (*panes)[1] != 0;
            window.resultPanesShare = static_cast<std::uint32_t>(std::clamp<std::int64_t>((*panes)[2], 0, 10000));
            window.treemapPaneShare = static_cast<std::uint32_t>(std::clamp<std::int64_t>((*panes)[3], 0, 10000));
        }
    }

private:
    // Whole numbers within int range, `min` to `max` of them, from an
    // array (or from one number token when `kind` says so).
    std::optional<std::vector<std::int64_t>> ReadIntegers(const JsonObject& object, const char* key, std::size_t min,
                                                          std::size_t max, JsonKind kind = JsonKind::Array) {
        const JsonValue* value = Find(object, key, kind);
        if (!value) {
            return std::nullopt;
        }
        auto numbers = ParseIntegerList(kind == JsonKind::Array ? value->text : "[" + value->text + "]");
        const bool fits = numbers && numbers->size() >= min && numbers->size() <= max &&
                          std::all_of(numbers->begin(), numbers->end(), [](std::int64_t n) {
                              return n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max();
                          });
        damaged_ |= !fits;
        return fits ? numbers : std::nullopt;
    }

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

void AppendStringMember(std::string& out, std::string_view key, std::wstring_view value) {
    out += "  \"";
    out += key;
    out += "\": ";
    core::AppendJsonString(out, value);
    out += ",";
    out += LineEnd;
}

void AppendIntegers(std::string& out, std::initializer_list<std::int64_t> values) {
    bool first = true;
    for (const std::int64_t value : values) {
        out += first ? "" : ", ";
        out += std::to_string(value);
        first = false;
    }
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
    fields.ReadWindowSection(object.members, settings.window);
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
        core::AppendJsonString(out, settings.recentFolders[i]);
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
    // Written only when switched off, so files of the usual choice keep
    // the layout earlier versions wrote.
    AppendBoolMember(out, "alwaysStartAsAdministrator", settings.alwaysStartAsAdministrator, settings.keepSnapshots);
    if (!settings.keepSnapshots) {
        AppendBoolMember(out, "keepSnapshots", false, true);
    }
    // Older versions read up to here and pass over the window section.
    out += "  },";
    out += LineEnd;
    const WindowMemory& window = settings.window;
    out += "  \"window\": {";
    out += LineEnd;
    out += "    \"placement\": [";
    AppendIntegers(out, {window.left, window.top, window.width, window.height, window.dpi, window.maximized ? 1 : 0});
    out += "],";
    out += LineEnd;
    out += "    \"panes\": [";
    AppendIntegers(out, {window.leftPaneShare, window.upperRightPaneShare});
    out += "],";
    out += LineEnd;
    out += "    \"columns\": [";
    for (std::size_t i = 0; i < window.columnWidths.size(); ++i) {
        out += i > 0 ? ", " : "";
        out += std::to_string(window.columnWidths[i]);
    }
    out += "],";
    out += LineEnd;
    out += "    \"sortColumn\": " + std::to_string(window.sortColumn) + ",";
    out += LineEnd;
    AppendBoolMember(out, "sortDescending", window.sortDescending, false);
    out += "    \"lastFolder\": ";
    core::AppendJsonString(out, window.lastFolder);
    // Added last: the reader of earlier versions passes over members it
    // does not know, wherever they stand.
    out += ",";
    out += LineEnd;
    // The result panes as they first show are not written, so that a file
    // that never changed them reads the same in every version.
    const WindowMemory defaults;
    const bool panesChanged = window.showTreemap != defaults.showTreemap ||
                              window.showFileTypes != defaults.showFileTypes || window.resultPanesShare != 0 ||
                              window.treemapPaneShare != 0;
    AppendBoolMember(out, "sizeOnDisk", window.showSizeOnDisk, !panesChanged);
    if (panesChanged) {
        out += "    \"resultPanes\": [";
        AppendIntegers(out, {window.showTreemap ? 1u : 0u, window.showFileTypes ? 1u : 0u, window.resultPanesShare,
                             window.treemapPaneShare});
        out += "]";
        out += LineEnd;
    }
    out += "  }";
    out += LineEnd;
    out += "}";
    out += LineEnd;
    return out;
}

}  // namespace varnel::app
