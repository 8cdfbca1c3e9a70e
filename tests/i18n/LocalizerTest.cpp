#include <gtest/gtest.h>

#include <string>

#include "i18n/Localizer.h"
#include "support/ScratchFolder.h"

namespace varnel::i18n {
namespace {

// Tables in a scratch folder, and a system language the test can change.
class LocalizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("en-US.txt",
                      "menu.file = File\n"
                      "menu.help = Help\n"
                      "language.system = System\n"
                      "status.ready = Ready\n");
        folder_.Write("de-DE.txt",
                      "menu.file = Datei\n"
                      "status.ready =\n"
                      "language.system = Systemsprache\n");
    }

    Localizer MakeLocalizer() {
        return Localizer(folder_.Path(), [this] {
            ++systemLanguageQueries_;
            return systemLanguage_;
        });
    }

    varnel::testing::ScratchFolder folder_;
    std::wstring systemLanguage_ = L"de-DE";
    int systemLanguageQueries_ = 0;
};

TEST_F(LocalizerTest, FallsBackToEnglishThenToTheKey) {
    Localizer localizer = MakeLocalizer();
    localizer.SetLanguage(L"de-DE");
    EXPECT_EQ(localizer.Translate("menu.file"), L"Datei");
    EXPECT_EQ(localizer.Translate("menu.help"), L"Help");
    EXPECT_EQ(localizer.Translate("menu.settings"), L"menu.settings");
    // An empty text is a translation, not a gap.
    EXPECT_EQ(localizer.Translate("status.ready"), L"");
    // Keys are case-sensitive.
    EXPECT_EQ(localizer.Translate("MENU.FILE"), L"MENU.FILE");
}

TEST_F(LocalizerTest, KeyFallbackWidensEachByte) {
    Localizer localizer = MakeLocalizer();
    EXPECT_EQ(localizer.Translate("k\xE9y"), std::wstring(L"k") + static_cast<wchar_t>(0xE9) + L"y");
}

TEST_F(LocalizerTest, MissingTablesFallBackAndAreNotReadAgain) {
    Localizer localizer = MakeLocalizer();
    localizer.SetLanguage(L"fr-FR");
    EXPECT_EQ(localizer.Translate("menu.file"), L"File");

    // A file that appears later is not picked up during the run.
    folder_.Write("fr-FR.txt", "menu.file = Fichier\n");
    EXPECT_EQ(localizer.Translate("menu.file"), L"File");
    // A fresh localizer (the next start) does read it.
    Localizer next = MakeLocalizer();
    next.SetLanguage(L"fr-FR");
    EXPECT_EQ(next.Translate("menu.file"), L"Fichier");
}

TEST_F(LocalizerTest, WithoutAnyTableEveryTextIsItsKey) {
    Localizer localizer(folder_.Path() / "missing", [] { return std::wstring(L"en-US"); });
    EXPECT_EQ(localizer.Translate("menu.file"), L"menu.file");
    EXPECT_EQ(localizer.LanguageSystemLabel(), L"language.system (English)");
}

TEST_F(LocalizerTest, SystemFollowsTheSystemLanguageOnEveryLookup) {
    Localizer localizer = MakeLocalizer();
    EXPECT_EQ(localizer.Language(), L"system");
    EXPECT_EQ(localizer.Translate("menu.file"), L"Datei");
    systemLanguage_ = L"en-US";
    EXPECT_EQ(localizer.Translate("menu.file"), L"File");
    EXPECT_EQ(systemLanguageQueries_, 2);
}

TEST_F(LocalizerTest, SetLanguageNormalises) {
    Localizer localizer = MakeLocalizer();
    localizer.SetLanguage(L"DE-at");
    EXPECT_EQ(localizer.Language(), L"de-DE");
    localizer.SetLanguage(L"Klingon");
    EXPECT_EQ(localizer.Language(), L"system");
    localizer.SetLanguage(L"English");
    EXPECT_EQ(localizer.Language(), L"en-US");
    EXPECT_EQ(localizer.ResolveLanguage(L""), L"de-DE");
    EXPECT_EQ(localizer.ResolveLanguage(L"ja"), L"ja-JP");
}

TEST_F(LocalizerTest, SystemLabelNamesTheDetectedLanguageOnlyWhileFollowingTheSystem) {
    Localizer localizer = MakeLocalizer();
    EXPECT_EQ(localizer.LanguageSystemLabel(), L"Systemsprache (Deutsch (German))");
    localizer.SetLanguage(L"en-US");
    EXPECT_EQ(localizer.LanguageSystemLabel(), L"System");
}

}  // namespace
}  // namespace varnel::i18n
