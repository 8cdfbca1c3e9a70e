#include <gtest/gtest.h>

#include "base/PathRules.h"

namespace varnel::core {
namespace {

struct PathCase {
    const wchar_t* input;
    const wchar_t* expected;
};

TEST(PathRules, TrimTrailingSeparatorsKeepsShortPathsWhole) {
    const PathCase cases[] = {
        {L"C:\\", L"C:\\"},           {L"C:\\\\", L"C:\\"},         {L"C:/", L"C:/"},
        {L"C:\\Data\\\\", L"C:\\Data"}, {L"C:\\Data/", L"C:\\Data"}, {L"C:\\Data", L"C:\\Data"},
        {L"ab\\", L"ab\\"},           {L"\\\\", L"\\\\"},           {L"", L""},
        {L"\\\\srv\\share\\", L"\\\\srv\\share"}, {L"\\\\?\\C:\\", L"\\\\?\\C:\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimTrailingSeparators(c.input), c.expected) << "input: " << ::testing::PrintToString(std::wstring(c.input));
    }
}

TEST(PathRules, JoinAddsOneSeparatorOnlyWhenNeeded) {
    EXPECT_EQ(JoinPath(L"C:\\", L"Data"), L"C:\\Data");
    EXPECT_EQ(JoinPath(L"C:\\Data", L"x.txt"), L"C:\\Data\\x.txt");
    EXPECT_EQ(JoinPath(L"C:/Data/", L"x"), L"C:/Data/x");
    EXPECT_EQ(JoinPath(L"", L"x"), L"x");
    EXPECT_EQ(JoinPath(L"C:\\Data", L""), L"C:\\Data");
    EXPECT_EQ(JoinPath(L"C:", L"x"), L"C:\\x");
}

TEST(PathRules, LeafNameFollowsWindowsRootRules) {
    const PathCase cases[] = {
        {L"C:\\", L""},
        {L"C:", L""},
        {L"C:/", L""},
        {L"C:\\\\", L""},
        {L"C:\\Data", L"Data"},
        {L"C:\\Data\\\\", L"Data"},
        {L"C:/Data/Sub/", L"Sub"},
        {L"C:relative", L"relative"},
        {L"\\\\server\\share", L"share"},
        {L"\\\\server\\share\\", L"share"},
        {L"\\\\server", L""},
        {L"//server/share/dir", L"dir"},
        {L"\\\\?\\C:\\Data", L"Data"},
        {L"name.txt", L"name.txt"},
        {L"\\", L""},
        {L"", L""},
        {L"C:\\D\x00e9j\x00e0 vu", L"D\x00e9j\x00e0 vu"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeafName(c.input), c.expected) << "input: " << ::testing::PrintToString(std::wstring(c.input));
    }
}

TEST(PathRules, ScanRootsAndTheirSystemForm) {
    struct RootCase {
        const wchar_t* input;
        const wchar_t* normal;    // NormalizeScanRootSyntax
        const wchar_t* extended;  // ExtendedLengthPath of the normal form
        bool device;
    } cases[] = {
        {L"C:", L"C:\\", L"\\\\?\\C:\\", false},
        {L"d:/", L"d:\\", L"\\\\?\\d:\\", false},
        {L"C:\\Data//Sub\\\\", L"C:\\Data\\Sub", L"\\\\?\\C:\\Data\\Sub", false},
        {L"C:\\abc.", L"C:\\abc.", L"\\\\?\\C:\\abc.", false},
        {L"//srv/share/dir/", L"\\\\srv\\share\\dir", L"\\\\?\\UNC\\srv\\share\\dir", false},
        {L"\\\\?\\C:\\", L"\\\\?\\C:\\", L"\\\\?\\C:\\", false},
        {L"\\\\?\\C:\\x\\nul", L"\\\\?\\C:\\x\\nul", L"\\\\?\\C:\\x\\nul", false},
        {L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive0", true},
        {L"C:\\x\\NUL", L"C:\\x\\NUL", L"\\\\?\\C:\\x\\NUL", true},
        {L"C:\\x\\com1.txt", L"C:\\x\\com1.txt", L"\\\\?\\C:\\x\\com1.txt", true},
        {L"C:\\a\\.\\b\\..\\c\\", L"C:\\a\\c", L"\\\\?\\C:\\a\\c", false},
        {L"C:/a/../../..", L"C:\\", L"\\\\?\\C:\\", false},
        {L"\\\\srv\\share\\..\\x\\.", L"\\\\srv\\share\\x", L"\\\\?\\UNC\\srv\\share\\x", false},
        {L"C:\\a..\\...\\.b", L"C:\\a..\\...\\.b", L"\\\\?\\C:\\a..\\...\\.b", false},
        {L"\\\\?\\C:\\a\\..", L"\\\\?\\C:\\a\\..", L"\\\\?\\C:\\a\\..", false},
    };
    for (const auto& c : cases) {
        const std::wstring normal = NormalizeScanRootSyntax(c.input);
        EXPECT_EQ(normal, c.normal) << ::testing::PrintToString(std::wstring(c.input));
        EXPECT_EQ(ExtendedLengthPath(normal), c.extended) << ::testing::PrintToString(std::wstring(c.input));
        EXPECT_EQ(IsDevicePath(normal), c.device) << ::testing::PrintToString(std::wstring(c.input));
    }
}

}  // namespace
}  // namespace varnel::core
