#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "ui/view/RecentFolders.h"

namespace varnel::ui {
namespace {

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y)); });
}

TEST(RecentFolders, NewestFirstOneEntryPerFolderAtMostSixteen) {
    std::vector<std::wstring> recent;
    EXPECT_FALSE(AddRecentFolder(recent, L"", SameIgnoringCase));
    EXPECT_TRUE(recent.empty());

    AddRecentFolder(recent, L"C:\\A", SameIgnoringCase);
    AddRecentFolder(recent, L"C:\\B", SameIgnoringCase);
    AddRecentFolder(recent, L"C:\\A", SameIgnoringCase);
    EXPECT_EQ(recent, (std::vector<std::wstring>{L"C:\\A", L"C:\\B"})) << "the same folder twice keeps one, at the front";

    AddRecentFolder(recent, L"c:\\b", SameIgnoringCase);
    EXPECT_EQ(recent, (std::vector<std::wstring>{L"c:\\b", L"C:\\A"})) << "the new spelling replaces the old";

    for (int i = 0; i < 14; ++i) AddRecentFolder(recent, L"D:\\" + std::to_wstring(i), SameIgnoringCase);
    ASSERT_EQ(recent.size(), 16u);
    EXPECT_EQ(recent.back(), L"C:\\A");
    AddRecentFolder(recent, L"E:\\seventeenth", SameIgnoringCase);
    ASSERT_EQ(recent.size(), 16u);
    EXPECT_EQ(recent.front(), L"E:\\seventeenth");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), L"C:\\A"), 0) << "the oldest entry fell out";
}

}  // namespace
}  // namespace varnel::ui
