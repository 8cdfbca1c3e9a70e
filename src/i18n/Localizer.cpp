#include "i18n/Localizer.h"

#include <optional>
#include <utility>

#include "i18n/BuiltInEnglish.h"
#include "i18n/LanguageCatalog.h"
#include "platform/FileBytes.h"

namespace varnel::i18n {
namespace {

constexpr wchar_t TableExtension[] = L".txt";

const StringTable& BuiltInEnglish() {
    static const StringTable table = ParseStringTable(BuiltInEnglishTable());
    return table;
}

std::wstring WidenKey(std::string_view key) {
    std::wstring wide;
    wide.reserve(key.size());
    for (const char c : key) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

}  // namespace

Localizer::Localizer(std::filesystem::path stringsFolder, std::function<std::wstring()> systemLanguage)
    : stringsFolder_(std::move(stringsFolder)),
      systemLanguage_(std::move(systemLanguage)),
      language_(SystemLanguageSetting) {}

void Localizer::SetLanguage(std::wstring_view value) { language_ = NormalizeLanguageSetting(value); }

std::wstring Localizer::ResolveLanguage(std::wstring_view setting) const {
    std::wstring normalized = NormalizeLanguageSetting(setting);
    if (normalized == SystemLanguageSetting) {
        return systemLanguage_ ? systemLanguage_() : std::wstring(FallbackLanguage);
    }
    return normalized;
}

void Localizer::LoadStringTable(const std::wstring& code) {
    if (tables_.contains(code)) {
        return;
    }
    const auto bytes = platform::ReadWholeFile(stringsFolder_ / (code + TableExtension));
    tables_.emplace(code, bytes ? ParseStringTable(*bytes) : StringTable{});
}

std::wstring Localizer::Translate(std::string_view key) {
    const std::string lookup(key);
    for (const std::wstring& code : {ResolveLanguage(language_), std::wstring(FallbackLanguage)}) {
        LoadStringTable(code);
        const StringTable& table = tables_.at(code);
        if (const auto found = table.find(lookup); found != table.end()) {
            return found->second;
        }
    }
    if (const auto found = BuiltInEnglish().find(lookup); found != BuiltInEnglish().end()) {
        return found->second;
    }
    return WidenKey(key);
}

std::wstring Localizer::LanguageSystemLabel() {
    std::wstring label = Translate("language.system");
    if (language_ == SystemLanguageSetting) {
        label += L" (" + LanguageDisplayName(ResolveLanguage(language_)) + L")";
    }
    return label;
}

std::wstring FillPlaceholder(std::wstring text, std::wstring_view placeholder, std::wstring_view value) {
    if (const std::size_t at = text.find(placeholder); at != std::wstring::npos) {
        text.replace(at, placeholder.size(), value);
    }
    return text;
}

}  // namespace varnel::i18n
