#include <gtest/gtest.h>

#include "ui/view/ScanProgressMeter.h"

namespace varnel::ui {
namespace {

TEST(ScanProgressMeter, PercentComesFromRecordsThenFromUsedBytesAndStaysBelowTheEnd) {
    const std::vector<platform::DriveInfo> drives = {
        {L"C:\\", L"C:", L"", L"NTFS", platform::DriveKind::Local, 1000, 600},
        {L"D:\\", L"D:", L"", L"NTFS", platform::DriveKind::Local, 500, 400},
        {L"E:\\", L"E:", L"", L"", platform::DriveKind::Removable, 0, 0},  // size unread
    };
    const struct {
        std::vector<std::wstring> roots;
        std::uint64_t expected;
    } totals[] = {
        {{L"c:"}, 400}, {{L"C:\\", L"D:\\"}, 500}, {{L"C:\\Data"}, 0}, {{L"C:\\", L"E:\\"}, 0},
    };
    for (const auto& t : totals) {
        EXPECT_EQ(ExpectedScanBytes(t.roots, drives), t.expected) << t.roots.front();
    }

    const struct {
        std::uint64_t bytes, recordsRead, recordCount, expected;
        std::optional<int> percent;
    } percents[] = {
        {123, 0, 0, 0, std::nullopt},  // a folder: no total
        {100, 0, 0, 400, 25},
        {900, 0, 0, 400, 99},          // more than the volume said it used
        {0, 50, 200, 400, 25},         // records win over bytes
        {0, 200, 200, 0, 99},          // every record read, the tree still linking
    };
    for (const auto& p : percents) {
        core::ScanProgress progress;
        progress.bytesFound = p.bytes;
        progress.recordsRead = p.recordsRead;
        progress.recordCount = p.recordCount;
        EXPECT_EQ(RunningScanPercent(progress, p.expected), p.percent) << p.bytes << " " << p.recordsRead;
    }
}

}  // namespace
}  // namespace varnel::ui
