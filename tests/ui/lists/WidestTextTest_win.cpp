// The widest of a column's number texts found from character widths equals
// the widest found by measuring every text, over the number formats of every
// language, in the faces and sizes the lists use.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "i18n/Formatting.h"
#include "i18n/LanguageCatalog.h"
#include "ui/lists/WidestText_win.h"
#include "ui/theme/GdiScope_win.h"

namespace varnel::ui {
namespace {

TEST(WidestText, EqualsTheWidestOfEveryTextMeasured) {
    for (const i18n::LanguageEntry& language : i18n::LanguageCatalog) {
        const std::wstring locale(language.code);
        std::vector<std::wstring> texts;
        for (std::uint64_t value = 1; value < (1ull << 60); value = value * 7 + 3) {
            texts.push_back(i18n::FormatSize(locale, value));
            texts.push_back(i18n::FormatCount(locale, value % 100'000'000));
            texts.push_back(i18n::FormatShare(locale, static_cast<double>(value % 1001) / 10.0));
            texts.push_back(i18n::FormatSizeChange(locale, -static_cast<std::int64_t>(value % (1ull << 40))));
        }
        texts.emplace_back();
        for (const wchar_t* face : {L"Tahoma", L"Segoe UI", L"MS Shell Dlg 2"}) {
            for (const int height : {12, 18}) {
                const HDC dc = ::CreateCompatibleDC(nullptr);
                const UniqueFont font(::CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                                    0, 0, CLEARTYPE_QUALITY, 0, face));
                {
                    const SelectGuard select(dc, font.get());
                    int measured = 0;
                    for (const std::wstring& text : texts) {
                        SIZE size{};
                        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
                        measured = std::max(measured, static_cast<int>(size.cx));
                    }
                    WidestText widest(dc);
                    EXPECT_EQ(widest.Of(texts), measured) << std::string(locale.begin(), locale.end()) << " " << height;
                }
                ::DeleteDC(dc);
            }
        }
    }
}

}  // namespace
}  // namespace varnel::ui
