#include <gtest/gtest.h>

#include <string>

#include "i18n/Localizer.h"
#include "support/TempFolder.h"

namespace varnel::i18n {
namespace {

// Tables in a scratch folder, and a system language the test can change.
class LocalizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("en-US.txt",
                      "menu.file = File\nmenu.help = Help\nlanguage.system = System\nstatus.ready = Ready\n");
        folder_.Write("de-DE.txt", "menu.file = Datei\nstatus.ready =\nlanguage.system = Systemsprache\n");
    }
    Localizer MakeLocalizer() {
        return Localizer(folder_.Dir(), [this] { return systemLanguage_; });
    }

    varnel::testing::TempFolder folder_;
    std::wstring systemLanguage_ = L"de-DE";
};

TEST_F(LocalizerTest, FallsBackToEnglishThenToTheKey) {
    Localizer localizer = MakeLocalizer();
    localizer.SetLanguage(L"DE-at");
    EXPECT_EQ(localizer.Language(), L"de-DE");
    EXPECT_EQ(localizer.Translate("menu.file"), L"Datei");
    EXPECT_EQ(localizer.Translate("menu.help"), L"Help");
    EXPECT_EQ(localizer.Translate("menu.settings"), L"&Settings");  // built into the program
    EXPECT_EQ(localizer.Translate("no.such.key"), L"no.such.key");
    EXPECT_EQ(localizer.Translate("status.ready"), L"Ready");  // an empty text is damage, not a translation
    EXPECT_EQ(localizer.Translate("k\xE9y"), std::wstring(L"k") + static_cast<wchar_t>(0xE9) + L"y");
}

TEST_F(LocalizerTest, MissingTablesFallBackAndAreNotReadAgain) {
    Localizer localizer = MakeLocalizer();
    localizer.SetLanguage(L"fr-FR");
    EXPECT_EQ(localizer.Translate("menu.file"), L"File");
    folder_.Write("fr-FR.txt", "menu.file = Fichier\n");
    EXPECT_EQ(localizer.Translate("menu.file"), L"File");  // read once per run

    Localizer nothing(folder_.Dir() / "missing", [] { return std::wstring(L"en-US"); });
    EXPECT_EQ(nothing.Translate("menu.file"), L"&File");
}

TEST_F(LocalizerTest, SystemFollowsTheSystemLanguageOnEveryLookup) {
    Localizer localizer = MakeLocalizer();
    EXPECT_EQ(localizer.Language(), L"system");
    EXPECT_EQ(localizer.Translate("menu.file"), L"Datei");
    EXPECT_EQ(localizer.LanguageSystemLabel(), L"Systemsprache (Deutsch (German))");
    systemLanguage_ = L"en-US";
    EXPECT_EQ(localizer.Translate("menu.file"), L"File");
    localizer.SetLanguage(L"English");
    EXPECT_EQ(localizer.LanguageSystemLabel(), L"System");
}

}  // namespace
}  // namespace varnel::i18n
