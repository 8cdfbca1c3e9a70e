#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "i18n/Formatting.h"
#include "i18n/StatusText.h"
#include "support/TempFolder.h"

namespace varnel::i18n {
namespace {

// Separators come from each locale's data (de-DE: ',' and '.', in Wine as
// in Windows) and grouping from our own record: Wine's default formatting
// groups "3;0" only once ("1234,567").
TEST(FormatSize, EnglishAndGermanConventions) {
    struct Case {
        std::uint64_t bytes;
        const wchar_t* english;
        const wchar_t* german;
    };
    const Case cases[] = {
        {0, L"0 B", L"0 B"},
        {1023, L"1,023 B", L"1.023 B"},
        {1024, L"1.0 KB", L"1,0 KB"},
        {1536, L"1.5 KB", L"1,5 KB"},
        {1048524, L"1,023.9 KB", L"1.023,9 KB"},
        {1048525, L"1.0 MB", L"1,0 MB"},  // the unit is chosen after rounding
        {1048575, L"1.0 MB", L"1,0 MB"},
        {std::numeric_limits<std::uint64_t>::max(), L"16,384.0 PB", L"16.384,0 PB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSize(L"en-US", c.bytes), c.english) << c.bytes;
        EXPECT_EQ(FormatSize(L"de-DE", c.bytes), c.german) << c.bytes;
    }
    EXPECT_EQ(FormatCount(L"de-DE", 1234567), L"1.234.567");
}

TEST(FormatCount, SystemAndUnknownLocalesFollowTheUsersRegionalSettings) {
    wchar_t separator[8]{};
    wchar_t grouping[16]{};
    ASSERT_GT(::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8), 0);
    ASSERT_GT(::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16), 0);
    if (std::wstring(grouping) != L"3;0") {
        GTEST_SKIP() << "the user's locale does not group by threes";
    }
    const std::wstring expected = std::wstring(L"1") + separator + L"234" + separator + L"567";
    EXPECT_EQ(FormatCount(L"system", 1234567), expected);
    EXPECT_EQ(FormatNumberForLocale(L"xx-YY", L"1234567", 0), expected);
    EXPECT_EQ(FormatNumberForLocale(L"en-US", L"12a", 0), L"12a");  // refused: shown as given
}

TEST(FormatShare, OneDecimalAndNonFiniteAsZero) {
    EXPECT_EQ(FormatShare(L"en-US", 12.345), L"12.3 %");
    EXPECT_EQ(FormatShare(L"en-US", 0.0), L"0.0 %");
    EXPECT_EQ(FormatShare(L"de-DE", 99.95), L"100,0 %");
    EXPECT_EQ(FormatShare(L"en-US", std::numeric_limits<double>::quiet_NaN()), L"0.0 %");
    EXPECT_EQ(FormatShare(L"de-DE", -std::numeric_limits<double>::infinity()), L"0,0 %");
}

TEST(StatusText, LabelsAndNumbersJoinedWithNothingAdded) {
    varnel::testing::TempFolder folder;
    folder.Write("en-US.txt",
                 "status.scanning_files = S:\nstatus.folders = D:\nstatus.current = C:\xC2\xA0\n"
                 "status.completed = Done\nstatus.cancelled = Stopped\nstatus.files = F:\n"
                 "status.unreadable_folders = E:\nstatus.incomplete = (part)\nstatus.elapsed = T:\nstatus.ms = \xC2\xA0ms\n"
                 "status.found = B:\nstatus.seconds = \xC2\xA0s\n");
    Localizer localizer(folder.Path(), [] { return std::wstring(L"en-US"); });

    core::ScanProgress progress;
    progress.filesScanned = 1234;
    progress.foldersScanned = 56;
    progress.bytesFound = 1536;
    EXPECT_EQ(ScanProgressText(localizer, L"en-US", progress, 61999, std::nullopt),
              L"S:1,234, D:56, B:1.5 KB, T:61\u00A0s");
    progress.currentPath = L"C:\\Data";
    EXPECT_EQ(ScanProgressText(localizer, L"de-DE", progress, 0, 42),
              L"S:1.234, D:56, B:1,5 KB, T:0\u00A0s, 42\u00A0%, C:\u00A0C:\\Data");

    core::ScanResult result;
    result.fileCount = 10000;
    result.folderCount = 5;
    result.errorCount = 2;
    result.elapsedMs = 1500;
    result.status = core::ScanStatus::Failed;
    EXPECT_EQ(ScanSummaryText(localizer, L"en-US", result), L"Done - F:10,000, D:5, E:2, T:1,500\u00A0ms");
    result.status = core::ScanStatus::Cancelled;
    result.elapsedMs = -5;
    EXPECT_EQ(ScanSummaryText(localizer, L"de-DE", result), L"Stopped (part) - F:10.000, D:5, E:2, T:0\u00A0ms");
}

}  // namespace
}  // namespace varnel::i18n
