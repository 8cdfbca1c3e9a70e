// Scans real NTFS images made by mkntfs and filled through ntfs-3g
// (tools/fixtures/make_ntfs_fixtures.sh) through a reader as strict as a
// real volume. That the trees match The Sleuth Kit's listings node by node
// is varnelscan_image_end_to_end's check, on the same images.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/StrictSectorReader.h"
#include "support/SyntheticMft.h"
#include "support/TreeInvariants.h"
#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsLayout.h"
#include "base/Utf8.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace varnel::core {
namespace {

const std::filesystem::path FixtureDir{VARNEL_NTFS_FIXTURES};
constexpr const wchar_t* RootName = L"IMG";

// Every fixture image in the folder (each with its listing), so that new
// images join the table without a change here.
std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(FixtureDir, error)) {
        if (item.path().extension() == ".expected") names.push_back(item.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A fixture scanned through a reader that fails every read not made of whole
// sectors of that size (varnelscan_image_end_to_end scans the files as they are).
struct FixtureScan {
    std::string name;
    std::uint32_t strictSector;
};

std::vector<FixtureScan> FixtureScans() {
    std::vector<FixtureScan> scans;
    for (const std::string& name : FixtureNames()) {
        for (const std::uint32_t sector : {512u, 4096u}) scans.push_back({name, sector});
    }
    return scans;
}

class NtfsFixture : public ::testing::TestWithParam<FixtureScan> {};

// A real volume refuses reads that are not whole sectors; the image file
// does not, so the strict reader stands in for the volume, and the tree it
// gives must be the one the plain file gives.
TEST_P(NtfsFixture, StrictSectorReadsGiveTheSameSoundTree) {
    const FixtureScan& scan = GetParam();
    ImageFileReader file;
    ASSERT_TRUE(file.Open(FixtureDir / (scan.name + ".img"))) << scan.name;
    testing::StrictSectorReader strict(file, scan.strictSector);
    ScanCancellationToken token;
    const ScanResult result = ScanNtfsImage(strict, file.Size(), RootName, 0, token, {});
    EXPECT_EQ(strict.rejected(), 0u);
    ASSERT_EQ(result.status, ScanStatus::Completed) << WideToUtf8(result.message);
    EXPECT_EQ(result.engine, ScanEngineKind::NtfsMft);
    ASSERT_TRUE(testing::TreeInvariantsHold(result));
    const ScanResult plain = ScanNtfsImage(file, file.Size(), RootName, 0, token, {});
    ASSERT_EQ(plain.nodes.size(), result.nodes.size());
    EXPECT_EQ(plain.nodes[plain.rootIndex].TotalSize(), result.nodes[result.rootIndex].TotalSize());
    EXPECT_EQ(plain.nodes[plain.rootIndex].TotalSizeOnDisk(), result.nodes[result.rootIndex].TotalSizeOnDisk());
    EXPECT_GT(result.nodes.size(), 150u);
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsFixture, ::testing::ValuesIn(FixtureScans()),
                         [](const ::testing::TestParamInfo<FixtureScan>& scan) {
                             std::string name = scan.param.name + "_" + std::to_string(scan.param.strictSector);
                             for (char& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(NtfsImage, CancelledScanKeepsTheRootAlone) {
    ScanCancellationToken token;
    token.Cancel();
    const ScanResult result = ScanNtfsImageFile(FixtureDir / "basic.img", RootName, 0, token, {});
    EXPECT_EQ(result.status, ScanStatus::Cancelled);
    ASSERT_TRUE(testing::TreeInvariantsHold(result));
    EXPECT_EQ(result.nodes.size(), 1u);
}

TEST(NtfsImage, OnlyFilesAndBlockDevicesAreImages) {
    // A folder once ended the process with an uncaught stream failure, and
    // a named pipe blocked in the open.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "varnel-image-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> notImages{folder, folder / "missing.img"};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    notImages.push_back(folder / "pipe");
#endif
    for (const auto& path : notImages) {
        ScanCancellationToken token;
        const ScanResult result = ScanNtfsImageFile(path, RootName, 0, token, {});
        EXPECT_EQ(result.status, ScanStatus::Failed) << path;
        ImageFileReader reader;
        EXPECT_FALSE(reader.Open(path)) << path;
    }
    std::filesystem::remove_all(folder);
}

// ---- boot sectors ----------------------------------------------------------------

testing::Bytes LoadImage(const std::string& name) {
    std::ifstream in(FixtureDir / (name + ".img"), std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    testing::Bytes bytes(chars.size());
    std::transform(chars.begin(), chars.end(), bytes.begin(), [](char c) { return static_cast<std::byte>(c); });
    return bytes;
}

struct BootCase {
    const char* name;
    std::function<void(testing::Bytes&)> corrupt;
    const wchar_t* message;
};

TEST(NtfsImage, ImplausibleBootSectorsFailWithAClearMessage) {
    using testing::Put;
    namespace boot = ntfs::boot;
    const BootCase cases[] = {
        {"NotNtfs", [](testing::Bytes& b) { b[boot::OemId] = std::byte{'F'}; }, L"Image is not an NTFS volume."},
        {"NoEndMarker", [](testing::Bytes& b) { Put(b, boot::EndMarker, 0, 2); }, L"Image is not an NTFS volume."},
        {"TooShort", [](testing::Bytes& b) { b.resize(300); }, L"Image is not an NTFS volume."},
        {"SectorSizeZero", [](testing::Bytes& b) { Put(b, boot::BytesPerSector, 0, 2); },
         L"Image boot sector has an implausible sector size."},
        {"SectorSizeOdd", [](testing::Bytes& b) { Put(b, boot::BytesPerSector, 520, 2); },
         L"Image boot sector has an implausible sector size."},
        {"ClusterZero", [](testing::Bytes& b) { Put(b, boot::SectorsPerCluster, 0, 1); },
         L"Image boot sector has an implausible cluster size."},
        {"ClusterNotPowerOfTwo", [](testing::Bytes& b) { Put(b, boot::SectorsPerCluster, 3, 1); },
         L"Image boot sector has an implausible cluster size."},
        {"ClusterHuge", [](testing::Bytes& b) { Put(b, boot::SectorsPerCluster, 0xF0, 1); },
         L"Image boot sector has an implausible cluster size."},
        {"RecordSizeZero", [](testing::Bytes& b) { Put(b, boot::ClustersPerFileRecord, 0, 1); },
         L"Image boot sector has an implausible file record size."},
        {"RecordSizeAbsurd", [](testing::Bytes& b) { Put(b, boot::ClustersPerFileRecord, 0xE0, 1); },
         L"Image boot sector has an implausible file record size."},
        {"VolumeSizeZero", [](testing::Bytes& b) { Put(b, boot::TotalSectors, 0, 8); },
         L"Image boot sector has an implausible volume size."},
        {"MftPastTheImage", [](testing::Bytes& b) { Put(b, boot::MftStartLcn, 1u << 30, 8); },
         L"Image boot sector places the MFT outside the image."},
        {"MftOffsetOverflows", [](testing::Bytes& b) { Put(b, boot::MftStartLcn, ~0ull >> 2, 8); },
         L"Image boot sector places the MFT outside the image."},
        {"VolumeSizeBeyondAnyVolume", [](testing::Bytes& b) { Put(b, boot::TotalSectors, ~0ull, 8); },
         L"Image boot sector claims more sectors than an NTFS volume can hold."},
        {"MftAndMirrorPointAtZeros",
         [](testing::Bytes& b) {
             Put(b, boot::MftStartLcn, 3, 8);
             Put(b, boot::MftMirrorStartLcn, 3, 8);
         },
         L"MFT run list could not be read."},
        {"ImageCutInsideTheFirstRecord", [](testing::Bytes& b) { b.resize(32 * 512 + 512); },
         L"Image boot sector places the MFT outside the image."},
        {"ImageCutInsideTheMft", [](testing::Bytes& b) { b.resize(32 * 512 + 20 * 1024); },
         L"MFT records could not be enumerated."},
    };
    const testing::Bytes original = LoadImage("cluster512");
    ASSERT_EQ(original.size(), 8u << 20);
    for (const BootCase& c : cases) {
        testing::Bytes image = original;
        c.corrupt(image);
        MemoryVolumeReader reader(image);
        ScanCancellationToken token;
        const ScanResult result = ScanNtfsImage(reader, image.size(), RootName, 0, token, {});
        EXPECT_EQ(result.status, ScanStatus::Failed) << c.name;
        EXPECT_EQ(WideToUtf8(result.message), WideToUtf8(c.message)) << c.name;
        EXPECT_EQ(result.rootIndex, NoIndex) << c.name;
    }
}

}  // namespace
}  // namespace varnel::core
