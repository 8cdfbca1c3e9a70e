#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "i18n/Formatting.h"
#include "i18n/StatusText.h"
#include "support/ScratchFolder.h"

namespace varnel::i18n {
namespace {

constexpr std::uint64_t MaxBytes = std::numeric_limits<std::uint64_t>::max();

struct SizeCase {
    std::uint64_t bytes;
    const wchar_t* english;
    const wchar_t* german;
};

// Expectations checked against Wine's locale data: de-DE uses ',' and '.'
// like Windows. Grouping comes from our own record, not from the system's
// default formatting, which Wine gets wrong for "3;0" (it groups only once).
TEST(FormatSize, EnglishAndGermanConventions) {
    const SizeCase cases[] = {
        {0, L"0 B", L"0 B"},
        {1023, L"1,023 B", L"1.023 B"},
        {1024, L"1.0 KB", L"1,0 KB"},
        {1536, L"1.5 KB", L"1,5 KB"},
        {1048575, L"1,024.0 KB", L"1.024,0 KB"},
        {1048576, L"1.0 MB", L"1,0 MB"},
        {5ull * 1024 * 1024 * 1024 * 1024 / 2, L"2.5 TB", L"2,5 TB"},
        {MaxBytes, L"16,384.0 PB", L"16.384,0 PB"},
    };
    for (const SizeCase& c : cases) {
        EXPECT_EQ(FormatSize(L"en-US", c.bytes), c.english) << c.bytes;
        EXPECT_EQ(FormatSize(L"de-DE", c.bytes), c.german) << c.bytes;
    }
}

TEST(FormatCount, GroupsByTheLanguageNotTheRegionalSettings) {
    EXPECT_EQ(FormatCount(L"en-US", 1234567), L"1,234,567");
    EXPECT_EQ(FormatCount(L"de-DE", 1234567), L"1.234.567");
    EXPECT_EQ(FormatCount(L"de-DE", 0), L"0");
    EXPECT_EQ(FormatCount(L"en-US", MaxBytes), L"18,446,744,073,709,551,615");
}

TEST(FormatCount, SystemFollowsTheUsersRegionalSettings) {
    wchar_t separator[8]{};
    wchar_t grouping[16]{};
    ASSERT_GT(::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8), 0);
    ASSERT_GT(::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16), 0);
    if (std::wstring(grouping) != L"3;0") {
        GTEST_SKIP() << "the user's locale does not group by threes";
    }
    const std::wstring sep(separator);
    EXPECT_EQ(FormatCount(L"system", 1234567), L"1" + sep + L"234" + sep + L"567");
    // An unknown locale name falls back to the same settings.
    EXPECT_EQ(FormatNumberForLocale(L"xx-YY", L"1234567", 0), L"1" + sep + L"234" + sep + L"567");
}

TEST(FormatShare, OneDecimalAndPercentSign) {
    EXPECT_EQ(FormatShare(L"en-US", 12.345), L"12.3 %");
    EXPECT_EQ(FormatShare(L"en-US", 0.0), L"0.0 %");
    EXPECT_EQ(FormatShare(L"en-US", 100.0), L"100.0 %");
    EXPECT_EQ(FormatShare(L"de-DE", 99.95), L"100,0 %");
    EXPECT_EQ(FormatShare(L"en-US", std::numeric_limits<double>::quiet_NaN()), L"0.0 %");
    EXPECT_EQ(FormatShare(L"de-DE", std::numeric_limits<double>::infinity()), L"0,0 %");
    EXPECT_EQ(FormatShare(L"en-US", -std::numeric_limits<double>::infinity()), L"0.0 %");
}

TEST(FormatNumberForLocale, RefusedInputComesBackUnchanged) {
    EXPECT_EQ(FormatNumberForLocale(L"en-US", L"12a", 0), L"12a");
    // A negative count of fractional digits counts as none.
    EXPECT_EQ(FormatNumberForLocale(L"en-US", L"1234", -3), L"1,234");
    EXPECT_EQ(FormatNumberForLocale(L"de-DE", L"1234.5", 1), L"1.234,5");
}

// Simple labels, so the composition shows plainly.
class StatusTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("en-US.txt",
                      "status.scanning_files = S:\n"
                      "status.folders = D:\n"
                      "status.current = C:\xC2\xA0\n"
                      "status.completed = Done\n"
                      "status.cancelled = Stopped\n"
                      "status.files = F:\n"
                      "status.access_denied = E:\n"
                      "status.elapsed = T:\n"
                      "status.ms = \xC2\xA0ms\n");
    }
    Localizer MakeLocalizer() { return Localizer(folder_.Path(), [] { return std::wstring(L"en-US"); }); }

    varnel::testing::ScratchFolder folder_;
};

TEST_F(StatusTextTest, ProgressEndsAfterTheFolderCountWithoutAPath) {
    Localizer localizer = MakeLocalizer();
    core::ScanProgress progress;
    progress.filesScanned = 1234;
    progress.foldersScanned = 56;
    EXPECT_EQ(ScanProgressText(localizer, L"en-US", progress), L"S:1,234, D:56");
    progress.currentPath = L"C:\\Data\\x";
    EXPECT_EQ(ScanProgressText(localizer, L"de-DE", progress), L"S:1.234, D:56, C:\u00A0C:\\Data\\x");
}

TEST_F(StatusTextTest, SummaryHeadSaysCancelledOnlyForCancelledScans) {
    Localizer localizer = MakeLocalizer();
    core::ScanResult result;
    result.fileCount = 10000;
    result.folderCount = 5;
    result.errorCount = 2;
    result.elapsedMs = 1500;
    result.status = core::ScanStatus::Completed;
    EXPECT_EQ(ScanSummaryText(localizer, L"en-US", result), L"Done - F:10,000, D:5, E:2, T:1,500\u00A0ms");
    result.status = core::ScanStatus::Failed;
    EXPECT_EQ(ScanSummaryText(localizer, L"en-US", result).substr(0, 7), L"Done - ");
    result.status = core::ScanStatus::Cancelled;
    result.elapsedMs = -5;
    EXPECT_EQ(ScanSummaryText(localizer, L"de-DE", result), L"Stopped - F:10.000, D:5, E:2, T:0\u00A0ms");
}

TEST(StatusText, ShippedEnglishLabelsReadNaturally) {
    Localizer localizer;
    localizer.SetLanguage(L"en-US");
    core::ScanResult result;
    result.status = core::ScanStatus::Completed;
    result.fileCount = 3;
    result.folderCount = 1;
    result.elapsedMs = 42;
    EXPECT_EQ(ScanSummaryText(localizer, L"en-US", result),
              L"Completed - Files:\u00A03, Folders:\u00A01, Access denied:\u00A00, Elapsed:\u00A042\u00A0ms");
}

}  // namespace
}  // namespace varnel::i18n
