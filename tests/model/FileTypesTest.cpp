#include <gtest/gtest.h>

#include <string>

#include "model/FileTypes.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::core {
namespace {

TEST(FileTypes, ExtensionsAreTheLastPartFoldedAndGrouped) {
    const struct {
        const wchar_t* name;
        const wchar_t* extension;
        FileTypeGroup group;
    } cases[] = {
        {L"photo.JPG", L"jpg", FileTypeGroup::Pictures},
        {L"backup.tar.gz", L"gz", FileTypeGroup::Archives},
        {L"README", L"", FileTypeGroup::Other},
        {L".profile", L"", FileTypeGroup::Other},
        {L"ends.with.", L"", FileTypeGroup::Other},
        {L"setup.Exe", L"exe", FileTypeGroup::Programs},
        {L"\u00C9T\u00C9.\u00C9T\u00C9", L"\u00E9t\u00E9", FileTypeGroup::Other},
        {L"\u0444\u0430\u0439\u043B.\u0414\u041E\u041A", L"\u0434\u043E\u043A", FileTypeGroup::Other},
        {L"pagefile.sys", L"sys", FileTypeGroup::System},
        {L"main.CPP", L"cpp", FileTypeGroup::Source},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtensionOf(c.name), c.extension);
        EXPECT_EQ(GroupOfExtension(ExtensionOf(c.name)), c.group);
    }
}

TEST(FileTypes, BreakdownOfASubtreeIsCaseInsensitiveAndLargestFirst) {
    ScanTreeBuilder b;
    const auto root = b.AddRoot(L"R", FileAttributeDirectory, 0);
    const auto sub = b.AddFolder(root, L"sub", FileAttributeDirectory, 0);
    b.AddFile(root, L"a.TXT", 0, {10, 4096}, 0);
    b.AddFile(sub, L"b.txt", 0, {20, 4096}, 0);
    b.AddFile(sub, L"c.png", 0, {25, 0}, 0);
    b.AddFile(sub, L"noext", 0, {1, 512}, 0);
    b.ComputeTotals();
    const ScanResult result = b.FinishResult(ScanStatus::Completed, L"R", 0);
    const FileTypeIndex index(result.nodes);
    const auto rows = BreakDownByType(result.nodes, index, root, SizeMeasure::Logical);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(index.Extension(rows[0].extension), L"txt");
    EXPECT_EQ(rows[0].bytes, 30u);
    EXPECT_EQ(rows[0].files, 2u);
    EXPECT_EQ(index.Extension(rows[2].extension), L"");
    const auto onDisk = BreakDownByType(result.nodes, index, sub, SizeMeasure::OnDisk);
    ASSERT_EQ(onDisk.size(), 3u);
    EXPECT_EQ(onDisk[0].bytes, 4096u);
    EXPECT_EQ(onDisk[2].bytes, 0u);
    EXPECT_EQ(FilesOfType(result.nodes, index, root, index.Find(L"txt"), SizeMeasure::Logical),
              (std::vector<std::uint64_t>{3, 2}));
}

}  // namespace
}  // namespace varnel::core
