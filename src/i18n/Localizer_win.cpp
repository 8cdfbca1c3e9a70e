#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "i18n/LanguageCatalog.h"
#include "i18n/Localizer.h"
#include "platform/ProgramFolder.h"

namespace varnel::i18n {
namespace {

std::filesystem::path ProgramStringsFolder() {
    std::filesystem::path base = platform::ProgramFolder();
    if (base.empty()) {
        std::error_code ignored;
        base = std::filesystem::current_path(ignored);
    }
    return base / L"resources" / L"strings";
}

}  // namespace

Localizer::Localizer() : Localizer(ProgramStringsFolder(), DetectSystemLanguage) {}

std::wstring DetectSystemLanguage() {
    ULONG count = 0;
    ULONG size = 0;
    if (!::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) {
        return std::wstring(FallbackLanguage);
    }
    std::wstring names(size, L'\0');
    if (!::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size) || size == 0) {
        return std::wstring(FallbackLanguage);
    }
    // The second call may report a shorter list than the first.
    names.resize(std::min<std::size_t>(size, names.size()));
    return MatchPreferredLanguages(names);
}

}  // namespace varnel::i18n
