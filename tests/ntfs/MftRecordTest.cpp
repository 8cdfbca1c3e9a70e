#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/SyntheticMft.h"
#include "ntfs/ByteReader.h"
#include "ntfs/MftRecord.h"

namespace varnel::core {
namespace {

using testing::Bytes;
using testing::Get;
using testing::MappingPairs;
using testing::Put;
using testing::RecordBuilder;

constexpr std::uint64_t Folder = 5;

MftParseOutput Parse(Bytes record, std::uint64_t number = 40, std::uint32_t bytesPerSector = 512) {
    MftParseOutput out;
    ParseFileRecord(record, number, bytesPerSector, out);
    return out;
}

// ---- update sequence -------------------------------------------------------

struct FixupCase {
    const char* name;
    std::function<void(Bytes&)> corrupt;
    std::uint32_t bytesPerSector;
};

TEST(ApplyRecordFixups, RejectsNamedCorruptions) {
    const FixupCase cases[] = {
        {"BadSignature", [](Bytes& r) { r[0] = std::byte{'B'}; }, 512},
        {"CountTooSmall", [](Bytes& r) { Put(r, 6, 2, 2); }, 512},
        {"CountTooLarge", [](Bytes& r) { Put(r, 6, 4, 2); }, 512},
        {"CountZero", [](Bytes& r) { Put(r, 6, 0, 2); }, 512},
        {"ArrayPastRecord", [](Bytes& r) { Put(r, 4, 1020, 2); }, 512},
        {"TornFirstStride", [](Bytes& r) { Put(r, 510, 0x1234, 2); }, 512},
        {"TornSecondStride", [](Bytes& r) { Put(r, 1022, 0x1234, 2); }, 512},
        {"SectorSizeBelowTwo", [](Bytes&) {}, 1},
        {"TooShort", [](Bytes& r) { r.resize(41); }, 512},
    };
    for (const FixupCase& c : cases) {
        Bytes record = RecordBuilder().FileName(Folder, u"a").Build();
        c.corrupt(record);
        EXPECT_FALSE(ApplyRecordFixups(record, c.bytesPerSector)) << c.name;
    }
}

// ---- names ------------------------------------------------------------------

struct AttributeCase {
    const char* name;
    std::uint16_t recordFlags;
    std::uint32_t stored;       // the name's attribute flags
    bool withReparsePoint;
    std::uint32_t attributes;   // what the entry reports: Win32 bits only
};

// Folders, $Extend files, junctions and cloud folders are in the fixture
// images (goldens and The Sleuth Kit); these are what they lack.
TEST(ParseFileRecord, ReportsWin32AttributeBitsOnly) {
    const AttributeCase cases[] = {
        {"FileWithoutBits", 0x1, 0, false, 0x80},
        {"StoredReparseBitWithoutReparsePoint", 0x1, 0x420, false, 0x20},
        {"FileWithReparsePoint", 0x1, 0x20, true, 0x420},
    };
    for (const AttributeCase& c : cases) {
        RecordBuilder builder(1024, c.recordFlags);
        builder.FileName(Folder, u"a", 1, 999, c.stored);
        if (c.withReparsePoint) builder.Resident(ntfs::attribute::TypeReparsePoint, Bytes(16));
        const auto out = Parse(builder.Build());
        ASSERT_EQ(out.entries.size(), 1u) << c.name;
        EXPECT_EQ(out.entries[0].attributes, c.attributes) << c.name;
        EXPECT_EQ(out.entries[0].isDirectory, (c.recordFlags & 0x2) != 0) << c.name;
        EXPECT_EQ(out.entries[0].size, (c.recordFlags & 0x2) != 0 ? 0u : 999u) << c.name;
    }
}

TEST(ParseFileRecord, ReparsePointMarksEveryNameAndItsTagDecidesEntry) {
    struct TagCase {
        const char* name;
        Bytes value;
        bool isNameSurrogate;
    };
    const auto tag = [](std::uint32_t t) {
        Bytes v(8);
        Put(v, 0, t, 4);
        return v;
    };
    const TagCase cases[] = {
        {"Deduplicated", tag(0x80000013), false},
        {"NoRoomForATag", Bytes(3), true},
    };
    for (const TagCase& c : cases) {
        const auto out = Parse(RecordBuilder(1024, 0x3)
                                   .FileName(Folder, u"one")
                                   .Resident(ntfs::attribute::TypeReparsePoint, c.value)
                                   .FileName(Folder, u"two")
                                   .Build());
        ASSERT_EQ(out.entries.size(), 2u) << c.name;
        for (std::size_t i = 0; i < out.entries.size(); ++i) {
            const MftEntry& e = out.entries[i];
            EXPECT_EQ(e.attributes & 0x400u, 0x400u) << c.name;
            EXPECT_EQ(e.isNameSurrogate, c.isNameSurrogate) << c.name;
        }
    }
}

// ---- sizes ------------------------------------------------------------------

// The fixture images show the ordinary streams against The Sleuth Kit; a
// crafted record can also claim sizes below zero, which count as 0.
TEST(ParseFileRecord, NegativeSizesCountAsZero) {
    const auto sizeOf = [](Bytes record) {
        const MftParseOutput out = Parse(std::move(record));
        return out.entries.size() == 1 ? out.entries[0].size : ~0ull;
    };
    EXPECT_EQ(sizeOf(RecordBuilder().FileName(Folder, u"a", 1, 5).NonResidentData(-4, MappingPairs({{1, 9}})).Build()), 0u);
    EXPECT_EQ(sizeOf(RecordBuilder().FileName(Folder, u"a", 1, -9).Build()), 0u);
}

// ---- rejected records and skipped names --------------------------------------

struct RejectedCase {
    const char* name;
    std::function<void(Bytes&)> corrupt;
    MftRecordVerdict verdict;  // what the trace counts it as
};

TEST(ParseFileRecord, RecordsThatYieldNothing) {
    using V = MftRecordVerdict;
    const RejectedCase cases[] = {
        {"NotInUse", [](Bytes& r) { Put(r, 22, 0, 2); }, V::NotInUse},
        {"BadSignature", [](Bytes& r) { r[1] = std::byte{'X'}; }, V::NotFileRecord},
        {"NeverWritten", [](Bytes& r) { std::fill(r.begin(), r.end(), std::byte{0}); }, V::NeverUsed},
        {"MarkedBaad", [](Bytes& r) { Put(r, 0, 0x44414142, 4); }, V::MarkedBad},
        {"TornUpdateSequence", [](Bytes& r) { Put(r, 1022, 0xBEEF, 2); }, V::Torn},
        {"WrongUpdateSequenceCount", [](Bytes& r) { Put(r, 6, 5, 2); }, V::BadUpdateSequence},
        {"AttributeLengthBelowSixteen", [](Bytes& r) { Put(r, Get(r, 20, 2) + 4, 8, 4); }, V::MalformedAttribute},
        {"AttributeLengthZero", [](Bytes& r) { Put(r, Get(r, 20, 2) + 4, 0, 4); }, V::MalformedAttribute},
        {"AttributePastRecord", [](Bytes& r) { Put(r, Get(r, 20, 2) + 4, 4096, 4); }, V::MalformedAttribute},
        {"AttributePastBytesInUse", [](Bytes& r) { Put(r, 24, Get(r, 20, 2) + 40, 4); }, V::MalformedAttribute},
    };
    for (const RejectedCase& c : cases) {
        Bytes record = RecordBuilder().FileName(Folder, u"first").FileName(Folder, u"second").Build();
        c.corrupt(record);
        const MftParseOutput out = Parse(record, 40, 512);
        EXPECT_TRUE(out.entries.empty()) << c.name;
        EXPECT_EQ(out.verdicts[static_cast<std::size_t>(c.verdict)], 1u) << c.name;
    }
}

TEST(ByteReader, KeepsTheFieldAndOffsetOfTheFirstFailure) {
    const std::byte bytes[8] = {};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.U32(4, "fits"), 0u);
    EXPECT_TRUE(reader.ok());
    reader.U32(6, "first");
    reader.Sub(~std::size_t{0}, 2, "second");  // an offset near 2^64 must not wrap around
    EXPECT_FALSE(reader.ok());
    EXPECT_STREQ(reader.FailedField(), "first");
    EXPECT_EQ(reader.FailedOffset(), 6u);
}

TEST(ParseFileRecord, NamesFailingAChecksAreSkippedAlone) {
    // Each corruption touches the first name only; the second must survive.
    const FixupCase cases[] = {
        {"NonResidentName", [](Bytes& r) { Put(r, 56 + 8, 1, 1); }, 512},
        {"ValueLength65", [](Bytes& r) { Put(r, 56 + 16, 65, 4); }, 512},
        {"ValuePastAttribute", [](Bytes& r) { Put(r, 56 + 20, 0x200, 2); }, 512},
        {"NamePastValue", [](Bytes& r) { Put(r, 56 + 24 + 64, 200, 1); }, 512},
        {"DosNamespace", [](Bytes& r) { Put(r, 56 + 24 + 65, 2, 1); }, 512},
    };
    for (const FixupCase& c : cases) {
        Bytes record = RecordBuilder().FileName(Folder, u"first").FileName(Folder, u"second").Build();
        ASSERT_EQ(Get(record, 20, 2), 56u);
        // Corrupt before protection matters: corruptions stay clear of stride ends.
        c.corrupt(record);
        const auto out = Parse(record);
        ASSERT_EQ(out.entries.size(), 1u) << c.name;
        EXPECT_EQ(out.NameOf(out.entries[0]), L"second") << c.name;
    }
}

// ---- run lists ---------------------------------------------------------------

TEST(DecodeMftDataRuns, NoUsableDataAttribute) {
    std::vector<MftRun> runs;
    std::uint64_t size = 0;
    Bytes residentOnly = RecordBuilder().FileName(Folder, u"$MFT").Resident(0x80, Bytes(4)).Build();
    ASSERT_TRUE(ApplyRecordFixups(residentOnly, 512));
    EXPECT_FALSE(DecodeMftDataRuns(residentOnly, runs, size));
    Bytes namedOnly = RecordBuilder().NonResidentData(4096, MappingPairs({{1, 4}}), 0, 4).Build();
    ASSERT_TRUE(ApplyRecordFixups(namedOnly, 512));
    EXPECT_FALSE(DecodeMftDataRuns(namedOnly, runs, size));
}

struct PairsCase {
    const char* name;
    Bytes pairs;
    bool accepted;
    std::vector<std::pair<std::int64_t, std::uint64_t>> runs;  // (lcn, clusters)
};

TEST(DecodeMappingPairs, EdgeCases) {
    const PairsCase cases[] = {
        {"NoOffsetBytesRepeatsTheCluster", {std::byte{0x11}, std::byte{4}, std::byte{10}, std::byte{0x01}, std::byte{3}, std::byte{0}},
         true, {{10, 4}, {10, 3}}},
        {"NegativeBelowZeroIsSkippedButCounts",
         {std::byte{0x11}, std::byte{4}, std::byte{10}, std::byte{0x11}, std::byte{2}, std::byte{0xEC},  // -20 -> -10
          std::byte{0x11}, std::byte{5}, std::byte{30}, std::byte{0}},                                    // +30 -> 20
         true, {{10, 4}, {20, 5}}},
        {"ZeroClustersSkipped", {std::byte{0x11}, std::byte{0}, std::byte{10}, std::byte{0x11}, std::byte{1}, std::byte{1}, std::byte{0}},
         true, {{11, 1}}},
        {"LengthBytesZero", {std::byte{0x10}, std::byte{10}, std::byte{0}}, false, {}},
        {"PairPastTheEnd", {std::byte{0x33}, std::byte{1}, std::byte{2}}, false, {}},
        {"NoTerminator", {std::byte{0x11}, std::byte{4}, std::byte{10}}, false, {}},
        {"Empty", {}, false, {}},
        {"WideHeaderDoesNotOverflow",
         {std::byte{0xF8}, std::byte{1}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0},
          std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF},
          std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF},
          std::byte{0xFF}, std::byte{0}},
         true, {}},
    };
    for (const PairsCase& c : cases) {
        std::vector<MftRun> runs;
        std::uint64_t clusters = 0;
        EXPECT_EQ(DecodeMappingPairs(c.pairs, runs, clusters), c.accepted) << c.name;
        if (!c.accepted) continue;
        ASSERT_EQ(runs.size(), c.runs.size()) << c.name;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].startLcn, c.runs[i].first) << c.name;
            EXPECT_EQ(runs[i].clusterCount, c.runs[i].second) << c.name;
        }
    }
}

}  // namespace
}  // namespace varnel::core
