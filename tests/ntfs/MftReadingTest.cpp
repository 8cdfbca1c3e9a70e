#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "support/StrictSectorReader.h"
#include "support/SyntheticMft.h"
#include "ntfs/MftEnumeration.h"
#include "ntfs/MftRunList.h"
#include "ntfs/MftScan.h"
#include "ntfs/NtfsImage.h"
#include "model/ScanTreeBuilder.h"

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

// An MFT of `records` records laid over its extents `runs` (lcn, clusters)
// as one byte stream, so a record may start in one run and end in the next;
// record 0 describes the runs.
SyntheticVolume MftVolume(const std::vector<std::pair<std::int64_t, std::uint64_t>>& runs, std::uint64_t records,
                          std::uint64_t volumeClusters = 64, std::uint32_t clusterSize = SyntheticVolume::ClusterSize) {
    SyntheticVolume v(volumeClusters * clusterSize / SyntheticVolume::ClusterSize);
    v.volume.bytesPerCluster = clusterSize;
    std::vector<std::pair<std::uint64_t, std::int64_t>> pairs;
    std::int64_t previous = 0;
    for (const auto& [lcn, clusters] : runs) {
        pairs.push_back({clusters, lcn - previous});
        previous = lcn;
    }
    v.volume.mftStartLcn = runs.front().first;
    Bytes stream;
    for (std::uint64_t i = 0; i < records; ++i) {
        const Bytes r = i == 0 ? RecordBuilder()
                                     .FileName(5, u"$MFT")
                                     .NonResidentData(static_cast<std::int64_t>(records * SyntheticVolume::RecordSize),
                                                      MappingPairs(pairs))
                                     .Build()
                               : NamedRecord(i);
        stream.insert(stream.end(), r.begin(), r.end());
    }
    std::size_t done = 0;
    for (const auto& [lcn, clusters] : runs) {
        const std::size_t take = std::min<std::size_t>(clusters * clusterSize, stream.size() - done);
        std::memcpy(v.bytes.data() + static_cast<std::uint64_t>(lcn) * clusterSize, stream.data() + done, take);
        done += take;
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

TEST(EnumerateMft, ShortReadEndsItsRunOnly) {
    SyntheticVolume v = MftVolume({{4, 3}, {20, 2}, {40, 3}}, 32);
    MemoryVolumeReader memory(v.bytes);
    ShortReader reader(memory, 20 * 4096, 1024 + 500);  // one whole record of the second run
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    ASSERT_EQ(ReadMftRunList(reader, v.volume, runs, size), MftRunListStatus::Read);
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

// Fails every read that reaches past a byte offset.
class FailingPast final : public VolumeReader {
public:
    FailingPast(VolumeReader& inner, std::uint64_t limit) : inner_(inner), limit_(limit) {}
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& got) override {
        return offset + buffer.size() <= limit_ && inner_.ReadAt(offset, buffer, got);
    }

private:
    VolumeReader& inner_;
    std::uint64_t limit_;
};

// Enough records for several chunks at every worker count, so chunks pass
// through the reused read buffers and, with helpers, split between threads:
// each count gives every record once, in order, and a read failing late fails
// the whole enumeration.
TEST(EnumerateMft, EveryWorkerCountGivesTheRecordsInOrder) {
    constexpr std::uint64_t Records = 7000;
    SyntheticVolume v = MftVolume({{4, Records / 4}}, Records, Records / 4 + 8);
    for (const std::uint64_t workers : {1u, 2u, 3u, 8u}) {
        MemoryVolumeReader reader(v.bytes);
        MftParseOutput out;
        MftScanStats stats;
        ScanCancellationToken token;
        const std::vector<MftRun> runs{{4, Records / 4}};
        ASSERT_TRUE(EnumerateMft(reader, v.volume, runs, Records * 1024, token, out, stats, workers));
        ASSERT_EQ(out.entries.size(), Records) << workers;
        for (std::uint64_t i = 1; i < Records; ++i) {
            const std::u16string expected = Name(i);
            ASSERT_EQ(out.NameOf(out.entries[i]), std::wstring(expected.begin(), expected.end())) << workers;
        }
        EXPECT_EQ(stats.parallelChunks > 0, workers > 1) << workers;
        FailingPast failing(reader, 4 * 4096 + 6000 * 1024);
        MftParseOutput partial;
        EXPECT_FALSE(EnumerateMft(failing, v.volume, runs, Records * 1024, token, partial, stats, workers));
    }
}

// ---- a fragmented $MFT whose run list should continue in an extension record --

TEST(ReadMftRunList, RefusesAnMftItCannotReadWhole) {
    // Record 0 holds extent 1 (clusters 4..7, records 0..15) and an attribute
    // list naming record 3 for the extent from VCN 4, but record 3 is not
    // there: reading on would report a partial MFT as a completed scan. The
    // grown fixture images hold such MFTs whole.
    SyntheticVolume v(64);
    v.volume.mftStartLcn = 4;
    Bytes list = DataListEntry(0, 0);
    const Bytes second = DataListEntry(4, 3);
    list.insert(list.end(), second.begin(), second.end());
    v.Place(4 * 4096, RecordBuilder()
                          .Resident(ntfs::attribute::TypeAttributeList, list)
                          .FileName(5, u"$MFT")
                          .NonResidentData(32 * 1024, MappingPairs({{4, 4}}))
                          .Build());
    for (std::uint64_t i = 4; i < 16; ++i) v.Place(4 * 4096 + i * 1024, NamedRecord(i));
    MemoryVolumeReader reader(v.bytes);
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    EXPECT_EQ(ReadMftRunList(reader, v.volume, runs, size), MftRunListStatus::Unreadable);
}

TEST(ReadMftRunList, RejectsUnreadableOrUndecodableFirstRecords) {
    SyntheticVolume v = MftVolume({{4, 8}}, 32);
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    {
        MemoryVolumeReader reader(v.bytes);
        NtfsVolumeData outside = v.volume;
        outside.mftStartLcn = 1 << 20;
        EXPECT_EQ(ReadMftRunList(reader, outside, runs, size), MftRunListStatus::Unreadable);
        NtfsVolumeData noRecord = v.volume;
        noRecord.bytesPerFileRecordSegment = 0;
        EXPECT_EQ(ReadMftRunList(reader, noRecord, runs, size), MftRunListStatus::Unreadable);
    }
    v.bytes[4 * 4096 + 510] = std::byte{0x77};  // torn first record
    MemoryVolumeReader reader(v.bytes);
    EXPECT_EQ(ReadMftRunList(reader, v.volume, runs, size), MftRunListStatus::Unreadable);
}

// ---- a volume that lies about itself ------------------------------------------

struct LieCase {
    const char* name;
    std::function<void(SyntheticVolume&)> lie;
    const wchar_t* message;  // nullptr: the scan completes
};

TEST(ScanMftVolume, FailsWhenTheVolumeIsNotWhatItClaims) {
    const auto placeRecord = [](SyntheticVolume& v, std::uint64_t i, const Bytes& record) {
        v.Place(4 * SyntheticVolume::ClusterSize + i * SyntheticVolume::RecordSize, record);
    };
    const LieCase cases[] = {
        {"Sound", [&](SyntheticVolume& v) { placeRecord(v, 5, RecordBuilder(1024, 0x3).FileName(5, u".").Build()); }, nullptr},
        // A wrong geometry points at some other record with runs of its own.
        {"FirstRecordIsNotTheMft",
         [&](SyntheticVolume& v) {
             placeRecord(v, 5, RecordBuilder(1024, 0x3).FileName(5, u".").Build());
             v.Place(50 * SyntheticVolume::ClusterSize,
                     RecordBuilder().FileName(5, u"other").NonResidentData(32 * 1024, MappingPairs({{8, 4}})).Build());
             v.volume.mftStartLcn = 50;
         },
         L"MFT record 0 is not the MFT's own record."},
        {"RootRecordIsAFile", [](SyntheticVolume&) {}, L"Root folder record was not found in the MFT."},
        // 2^32 records: more than NTFS numbers, and refused before any is read.
        {"MoreRecordsThanNtfsNumbers",
         [&](SyntheticVolume& v) {
             placeRecord(v, 0, RecordBuilder().FileName(5, u"$MFT")
                                   .NonResidentData(std::int64_t{1} << 42, MappingPairs({{1ull << 30, 4}}))
                                   .Build());
         },
         TooManyNodesMessage},
        {"RootRecordMissing", [&](SyntheticVolume& v) { placeRecord(v, 5, Bytes(1024)); },
         L"Root folder record was not found in the MFT."},
    };
    for (const LieCase& c : cases) {
        SyntheticVolume v = MftVolume({{4, 8}}, 32);
        c.lie(v);
        MemoryVolumeReader memory(v.bytes);
        testing::StrictSectorReader strict(memory, 4096);
        MftScanStart start;
        start.rootRecordNumber = 5;
        start.rootPath = L"X:\\";
        ScanCancellationToken token;
        const ScanResult result = ScanMftVolume(strict, v.volume, std::move(start), token, {});
        EXPECT_EQ(strict.rejected(), 0u) << c.name;
        if (c.message == nullptr) {
            EXPECT_EQ(result.status, ScanStatus::Completed) << c.name;
            EXPECT_EQ(result.fileCount, 31u) << c.name;  // $MFT, records 1-4 and 6-31
        } else {
            EXPECT_EQ(result.status, ScanStatus::Failed) << c.name;
            EXPECT_EQ(result.message, c.message) << c.name;
        }
    }
}

// ---- files spread over a base record and extension records ------------------

Bytes WithSequence(Bytes record, std::uint16_t sequence) {
    testing::Put(record, ntfs::record::SequenceNumber, sequence, 2);
    return record;
}

constexpr std::uint64_t Base = 40;
const Bytes AttributeList(32);

std::uint64_t BaseReference(std::uint16_t sequence) { return Base | (std::uint64_t{sequence} << 48); }

struct Settled {
    std::wstring name;
    bool isDirectory;
    std::uint32_t attributes;
    std::uint64_t size;
    bool isNameSurrogate;
    friend bool operator==(const Settled&, const Settled&) = default;
};

struct MultiRecordCase {
    const char* name;
    std::vector<Bytes> records;  // records 40, 41, ... of the MFT
    std::vector<Settled> expected;
};

TEST(ApplyFileFacts, SettlesNamesFromTheWholeFile) {
    const MultiRecordCase cases[] = {
        // The base record was reused (sequence 2): the extension left from
        // its former file (sequence 1) names nothing of the new one.
        {"ExtensionOfAReusedRecord",
         {WithSequence(RecordBuilder().Resident(ntfs::attribute::TypeAttributeList, AttributeList).FileName(5, u"new").Build(), 2),
          RecordBuilder(1024, 0x1, BaseReference(1)).FileName(5, u"old").NonResidentData(99, MappingPairs({{2, 9}})).Build()},
         {{L"new", false, 0x20, 0, false}}},
        {"ExtensionOfAFreeRecord",
         {RecordBuilder(1024, 0).FileName(5, u"free").Build(),
          RecordBuilder(1024, 0x1, BaseReference(1)).FileName(5, u"stale").Build()},
         {}},
        {"ExtensionOfARecordWithoutList",
         {RecordBuilder().FileName(5, u"plain").Build(), RecordBuilder(1024, 0x1, BaseReference(1)).FileName(5, u"stray").Build()},
         {{L"plain", false, 0x20, 0, false}}},
    };
    for (const MultiRecordCase& c : cases) {
        MftParseOutput out;
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            Bytes record = c.records[i];
            ParseFileRecord(record, Base + i, 512, out);
        }
        ApplyFileFacts(out.entries, out.multiRecordFiles);
        std::vector<Settled> actual;
        for (std::size_t i = 0; i < out.entries.size(); ++i) {
            const MftEntry& e = out.entries[i];
            actual.push_back({std::wstring(out.NameOf(e)), e.isDirectory, e.attributes, e.size, e.isNameSurrogate});
        }
        EXPECT_EQ(actual, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace varnel::core
