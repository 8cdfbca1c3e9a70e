#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/SyntheticMft.h"
#include "core/MftEnumeration.h"
#include "core/MftRunList.h"
#include "core/NtfsImage.h"

namespace varnel::core {
namespace {

using testing::Bytes;
using testing::DataListEntry;
using testing::MappingPairs;
using testing::RecordBuilder;
using testing::SyntheticVolume;

std::u16string Name(std::uint64_t n) {
    std::u16string name = u"r";
    for (const char c : std::to_string(n)) name.push_back(static_cast<char16_t>(c));
    return name;
}

Bytes NamedRecord(std::uint64_t n) { return RecordBuilder().FileName(5, Name(n), 1, static_cast<std::int64_t>(n)).Build(); }

// Record i of an MFT whose extents are `runs` (lcn, clusters), placed where
// those runs put it; record 0 describes the runs.
SyntheticVolume MftVolume(const std::vector<std::pair<std::int64_t, std::uint64_t>>& runs, std::uint64_t records,
                          std::uint64_t volumeClusters = 64) {
    SyntheticVolume v(volumeClusters);
    std::vector<std::pair<std::uint64_t, std::int64_t>> pairs;
    std::int64_t previous = 0;
    for (const auto& [lcn, clusters] : runs) {
        pairs.push_back({clusters, lcn - previous});
        previous = lcn;
    }
    v.volume.mftStartLcn = runs.front().first;
    const std::uint64_t perCluster = SyntheticVolume::ClusterSize / SyntheticVolume::RecordSize;
    for (std::uint64_t i = 0; i < records; ++i) {
        std::uint64_t cluster = i / perCluster;
        std::size_t run = 0;
        while (cluster >= runs[run].second) cluster -= runs[run++].second;
        const std::uint64_t offset = (static_cast<std::uint64_t>(runs[run].first) + cluster) * SyntheticVolume::ClusterSize +
                                     (i % perCluster) * SyntheticVolume::RecordSize;
        v.Place(offset, i == 0 ? RecordBuilder()
                                     .FileName(5, u"$MFT")
                                     .NonResidentData(static_cast<std::int64_t>(records * SyntheticVolume::RecordSize),
                                                      MappingPairs(pairs))
                                     .Build()
                               : NamedRecord(i));
    }
    return v;
}

// Returns fewer bytes than asked for reads that start at one offset.
class ShortReader final : public VolumeReader {
public:
    ShortReader(VolumeReader& inner, std::uint64_t at, std::size_t give) : inner_(inner), at_(at), give_(give) {}
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& got) override {
        if (offset == at_) buffer = buffer.first(std::min(buffer.size(), give_));
        return inner_.ReadAt(offset, buffer, got);
    }

private:
    VolumeReader& inner_;
    std::uint64_t at_;
    std::size_t give_;
};

class FailingReader final : public VolumeReader {
public:
    bool ReadAt(std::uint64_t, std::span<std::byte>, std::size_t&) override { return false; }
};

std::vector<std::wstring> Names(const MftParseOutput& out) {
    std::vector<std::wstring> names;
    for (const MftEntry& e : out.entries) names.push_back(e.name);
    return names;
}

TEST(ParseWorkerLimit, FollowsHardwareAndRequest) {
    EXPECT_EQ(ComputeParseWorkerLimit(0, 16), 8u);
    EXPECT_EQ(ComputeParseWorkerLimit(0, 4), 4u);
    EXPECT_EQ(ComputeParseWorkerLimit(0, 0), 1u);
    EXPECT_EQ(ComputeParseWorkerLimit(3, 16), 3u);
    EXPECT_EQ(ComputeParseWorkerLimit(64, 2), 64u);
    EXPECT_EQ(ComputeParseWorkerLimit(100, 2), 64u);
}

class ChunkTest : public ::testing::Test {
protected:
    static Bytes Chunk(std::uint64_t records) {
        Bytes chunk;
        for (std::uint64_t i = 0; i < records; ++i) {
            // Every seventh record is free, so workers also meet rejected records.
            Bytes r = i % 7 == 3 ? RecordBuilder(1024, 0).FileName(5, u"free").Build() : NamedRecord(1000 + i);
            chunk.insert(chunk.end(), r.begin(), r.end());
        }
        return chunk;
    }
};

TEST_F(ChunkTest, ParallelParsingKeepsSerialOrder) {
    const Bytes original = Chunk(4100);
    Bytes serialBuffer = original;
    MftParseOutput serial;
    EXPECT_FALSE(ParseRecordChunk(serialBuffer, 1024, serialBuffer.size(), 1000, 512, 1, serial));
    for (const std::uint64_t workers : {2u, 3u, 8u, 64u}) {
        Bytes buffer = original;
        MftParseOutput parallel;
        EXPECT_TRUE(ParseRecordChunk(buffer, 1024, buffer.size(), 1000, 512, workers, parallel)) << workers;
        EXPECT_EQ(Names(parallel), Names(serial)) << workers;
    }
    EXPECT_EQ(serial.entries.size(), 4100u - 586u);
    EXPECT_EQ(serial.entries.front().recordNumber, 1000u);
}

TEST_F(ChunkTest, SmallChunksStayOnTheScanThread) {
    Bytes small = Chunk(2047);
    MftParseOutput out;
    EXPECT_FALSE(ParseRecordChunk(small, 1024, small.size(), 0, 512, 8, out));
    Bytes enough = Chunk(2048);
    EXPECT_TRUE(ParseRecordChunk(enough, 1024, enough.size(), 0, 512, 8, out));
    Bytes partial = Chunk(1);
    EXPECT_FALSE(ParseRecordChunk(partial, 1024, 1000, 0, 512, 8, out));  // no whole record
}

TEST(EnumerateMft, ReadsEveryRunWithTrueRecordNumbers) {
    SyntheticVolume v = MftVolume({{4, 3}, {20, 2}, {40, 3}}, 32);
    MemoryVolumeReader reader(v.bytes);
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    ASSERT_TRUE(ReadMftRunList(reader, v.volume, runs, size));
    ASSERT_EQ(runs.size(), 3u);
    MftParseOutput out;
    MftScanStats stats;
    ScanCancellationToken token;
    ASSERT_TRUE(EnumerateMft(reader, v.volume, runs, size, token, out, stats, 0));
    EXPECT_EQ(stats.chunks, 3u);
    EXPECT_EQ(stats.records, 32u);
    EXPECT_EQ(stats.bytes, 32u * 1024);
    ASSERT_EQ(out.entries.size(), 32u);
    for (std::uint64_t i = 1; i < 32; ++i) {
        EXPECT_EQ(out.entries[i].recordNumber, i);
        EXPECT_EQ(out.entries[i].name, std::wstring(L"r") + std::to_wstring(i));
    }
}

TEST(EnumerateMft, ShortReadEndsItsRunOnly) {
    SyntheticVolume v = MftVolume({{4, 3}, {20, 2}, {40, 3}}, 32);
    MemoryVolumeReader memory(v.bytes);
    ShortReader reader(memory, 20 * 4096, 1024 + 500);  // one whole record of the second run
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    ASSERT_TRUE(ReadMftRunList(reader, v.volume, runs, size));
    MftParseOutput out;
    MftScanStats stats;
    ScanCancellationToken token;
    ASSERT_TRUE(EnumerateMft(reader, v.volume, runs, size, token, out, stats, 0));
    EXPECT_EQ(stats.records, 12u + 1 + 12);
    EXPECT_EQ(out.entries.size(), 25u);
    EXPECT_EQ(out.entries[12].recordNumber, 12u);
    EXPECT_EQ(out.entries[13].recordNumber, 20u);  // third run keeps its numbering
}

TEST(EnumerateMft, StopsAtTheLastWholeRecordBeforeTheDataSize) {
    SyntheticVolume v = MftVolume({{4, 8}}, 32);
    MemoryVolumeReader reader(v.bytes);
    MftParseOutput out;
    MftScanStats stats;
    ScanCancellationToken token;
    ASSERT_TRUE(EnumerateMft(reader, v.volume, {{4, 8}}, 10 * 1024 + 512, token, out, stats, 0));
    EXPECT_EQ(stats.records, 10u);
    EXPECT_EQ(out.entries.size(), 10u);
}

TEST(EnumerateMft, CancelledBeforeReadingReadsNothing) {
    SyntheticVolume v = MftVolume({{4, 8}}, 32);
    MemoryVolumeReader reader(v.bytes);
    MftParseOutput out;
    MftScanStats stats;
    ScanCancellationToken token;
    token.Cancel();
    EXPECT_TRUE(EnumerateMft(reader, v.volume, {{4, 8}}, 32 * 1024, token, out, stats, 0));
    EXPECT_EQ(stats.chunks, 0u);
    EXPECT_TRUE(out.entries.empty());
}

TEST(EnumerateMft, FailedReadFails) {
    FailingReader reader;
    MftParseOutput out;
    MftScanStats stats;
    ScanCancellationToken token;
    EXPECT_FALSE(EnumerateMft(reader, {512, 4096, 1024, 4}, {{4, 8}}, 32 * 1024, token, out, stats, 0));
    // Absurd runs cannot overflow into a read somewhere else.
    SyntheticVolume v = MftVolume({{4, 8}}, 32);
    MemoryVolumeReader memory(v.bytes);
    EXPECT_FALSE(EnumerateMft(memory, v.volume, {{4, ~0ull >> 1}}, ~0ull, token, out, stats, 0));
}

// ---- a fragmented $MFT whose run list continues in an extension record ------

struct FragmentedMft {
    SyntheticVolume volume{64};
};

// Extent 1: clusters 4..7 (records 0..15), extent 2: clusters 30..33
// (records 16..31). Record 0 holds extent 1 and an attribute list naming
// record 3 for the extent that starts at VCN 4.
FragmentedMft MakeFragmentedMft(bool withExtensionRecord) {
    FragmentedMft f;
    SyntheticVolume& v = f.volume;
    v.volume.mftStartLcn = 4;
    Bytes list = DataListEntry(0, 0);
    const Bytes second = DataListEntry(4, 3);
    list.insert(list.end(), second.begin(), second.end());
    v.Place(4 * 4096, RecordBuilder()
                          .Resident(ntfs::attribute::TypeAttributeList, list)
                          .FileName(5, u"$MFT")
                          .NonResidentData(32 * 1024, MappingPairs({{4, 4}}))
                          .Build());
    if (withExtensionRecord) {
        v.Place(4 * 4096 + 3 * 1024, RecordBuilder(1024, 0x1, 0 | (std::uint64_t{1} << 48))
                                         .NonResidentData(0, MappingPairs({{4, 30}}), 4)
                                         .Build());
    }
    for (std::uint64_t i = 4; i < 32; ++i) {
        const std::uint64_t offset = i < 16 ? 4 * 4096 + i * 1024 : 30 * 4096 + (i - 16) * 1024;
        v.Place(offset, NamedRecord(i));
    }
    return f;
}

TEST(ReadMftRunList, FollowsTheAttributeListOfAFragmentedMft) {
    FragmentedMft f = MakeFragmentedMft(true);
    MemoryVolumeReader reader(f.volume.bytes);
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    ASSERT_TRUE(ReadMftRunList(reader, f.volume.volume, runs, size));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].startLcn, 30);
    EXPECT_EQ(runs[1].clusterCount, 4u);

    MftParseOutput out;
    MftScanStats stats;
    ScanCancellationToken token;
    ASSERT_TRUE(EnumerateMft(reader, f.volume.volume, runs, size, token, out, stats, 0));
    EXPECT_EQ(out.entries.back().name, L"r31");
}

TEST(ReadMftRunList, RefusesAnMftItCannotReadWhole) {
    // Without the extension record the runs end at record 15 of 32: reading
    // on would report a partial MFT as a completed scan.
    FragmentedMft f = MakeFragmentedMft(false);
    MemoryVolumeReader reader(f.volume.bytes);
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    EXPECT_FALSE(ReadMftRunList(reader, f.volume.volume, runs, size));
}

TEST(ReadMftRunList, RejectsUnreadableOrUndecodableFirstRecords) {
    SyntheticVolume v = MftVolume({{4, 8}}, 32);
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    {
        MemoryVolumeReader reader(v.bytes);
        NtfsVolumeData outside = v.volume;
        outside.mftStartLcn = 1 << 20;
        EXPECT_FALSE(ReadMftRunList(reader, outside, runs, size));
        NtfsVolumeData noRecord = v.volume;
        noRecord.bytesPerFileRecordSegment = 0;
        EXPECT_FALSE(ReadMftRunList(reader, noRecord, runs, size));
    }
    v.bytes[4 * 4096 + 510] = std::byte{0x77};  // torn first record
    MemoryVolumeReader reader(v.bytes);
    EXPECT_FALSE(ReadMftRunList(reader, v.volume, runs, size));
}

TEST(ApplyExtensionSizes, GivesTheStreamSizeToEveryNameOfTheFile) {
    std::vector<MftEntry> entries(4);
    entries[0] = {40, 5, 0x20, 0, L"base name", false};
    entries[1] = {40, 5, 0x20, 0, L"name in extension", false};
    entries[2] = {41, 5, 0x10, 0, L"folder", true};
    entries[3] = {42, 5, 0x20, 7, L"other", false};
    std::vector<MftExtensionSize> sizes{{41, 99}, {40, 5000}};
    ApplyExtensionSizes(entries, sizes);
    EXPECT_EQ(entries[0].size, 5000u);
    EXPECT_EQ(entries[1].size, 5000u);
    EXPECT_EQ(entries[2].size, 0u);
    EXPECT_EQ(entries[3].size, 7u);
}

}  // namespace
}  // namespace varnel::core
