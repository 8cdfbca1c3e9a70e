#pragma once
// Interface texts by key in the chosen language. A text missing there comes
// from en-US, then from the English built into the program, and only a key
// unknown to all three is shown as itself, so a bad or missing table never
// leaves a control blank or showing keys. Used on the window thread
// only; no locks.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "i18n/StringTable.h"

namespace varnel::i18n {

class Localizer {
public:
#ifdef _WIN32
    // The program's own: tables from resources\strings beside the program
    // (beside the current folder when the program's path cannot be read),
    // "system" following the user's preferred interface languages.
    Localizer();
#endif
    // Tables from "<stringsFolder>/<code>.txt"; `systemLanguage` answers
    // which catalog code "system" stands for, asked anew on every use.
    Localizer(std::filesystem::path stringsFolder, std::function<std::wstring()> systemLanguage);

    // Stores NormalizeLanguageSetting(value); loads nothing yet.
    void SetLanguage(std::wstring_view value);
    // "system" or a catalog code.
    const std::wstring& Language() const noexcept { return language_; }

    // The catalog code a setting stands for; never "system".
    std::wstring ResolveLanguage(std::wstring_view setting) const;

    // Reads "<code>.txt" the first time a code is asked for. A missing or
    // unreadable file is remembered as an empty table and not tried again.
    void LoadStringTable(const std::wstring& code);

    // The text in the active language, else in en-US, else in the built-in
    // English, else the key itself.
    // An empty text in the active table is returned as it is.
    std::wstring Translate(std::string_view key);

    // The text of the System entry of the language menu; while the setting
    // is "system" it names the detected language: "System (Deutsch (German))".
    std::wstring LanguageSystemLabel();

private:
    std::filesystem::path stringsFolder_;
    std::function<std::wstring()> systemLanguage_;
    std::wstring language_;
    // One entry per code ever asked for, loaded once and kept for the run,
    // so switching languages back and forth reads each file at most once.
    std::unordered_map<std::wstring, StringTable> tables_;
};

#ifdef _WIN32
// The first of the user's preferred interface languages that the catalog
// matches; en-US when the system cannot tell or none matches.
std::wstring DetectSystemLanguage();

// A translated text with its first `placeholder` ("{date}", "{0}") replaced
// by `value`; the text as it is when a translation left the placeholder out.
std::wstring FillPlaceholder(std::wstring text, std::wstring_view placeholder, std::wstring_view value);
#endif

}  // namespace varnel::i18n
