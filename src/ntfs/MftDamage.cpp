#include "ntfs/MftDamage.h"

#include <algorithm>
#include <string>

#include "ntfs/ByteReader.h"
#include "ntfs/NtfsLayout.h"

namespace varnel::core {

namespace rec = ntfs::record;

namespace {

// What a record is when looked at again.
struct RecordLook {
    bool readable = false;
    MftRecordVerdict verdict = MftRecordVerdict::NotFileRecord;
    bool isExtension = false;
    std::uint64_t baseRecordNumber = 0;
    bool isDirectory = false;
    std::uint16_t sequence = 0;
    bool hasName = false;
    std::uint64_t parentRecordNumber = 0;  // of its first long name
};

RecordLook LookAt(const MftDamageContext& context, std::uint64_t recordNumber) {
    RecordLook look;
    std::vector<std::byte> record;
    if (!context.readRecord || !context.readRecord(recordNumber, record)) {
        return look;
    }
    look.readable = true;
    MftParseOutput scratch;
    look.verdict = ParseFileRecord(record, recordNumber, context.bytesPerSector, scratch);
    ByteReader header(record);
    const std::uint64_t base = header.U64(rec::BaseRecordReference, "base record reference");
    look.isExtension = base != 0;
    look.baseRecordNumber = base & ntfs::RecordNumberMask;
    look.isDirectory = (header.U16(rec::Flags, "record flags") & rec::FlagDirectory) != 0;
    look.sequence = header.U16(rec::SequenceNumber, "sequence number");
    if (!scratch.entries.empty()) {
        look.hasName = true;
        look.parentRecordNumber = scratch.entries[0].parentRecordNumber;
    }
    return look;
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (; *text != '\0'; ++text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    }
    return wide;
}

std::wstring RecordSentence(std::uint64_t recordNumber, const std::wstring& clause) {
    return L"MFT record " + std::to_wstring(recordNumber) + L" " + clause;
}

// Why a record that names were filed under is no folder they can hang
// from; empty when it is one (with the sequence number they expect).
std::wstring FolderProblem(const RecordLook& look, std::uint16_t expectedSequence) {
    if (!look.readable) {
        return L"could not be read";
    }
    if (look.verdict != MftRecordVerdict::Parsed) {
        return Widen(DescribeVerdict(look.verdict));
    }
    if (look.isExtension) {
        return L"is an extension record, not a folder";
    }
    if (!look.isDirectory) {
        return L"is a file, not a folder";
    }
    if (!SequenceMatches(expectedSequence, look.sequence)) {
        return L"was reused (sequence number " + std::to_wstring(look.sequence) + L", names expect " +
               std::to_wstring(expectedSequence) + L")";
    }
    return {};
}

bool IsNamed(const MftLink& link, const NameStore& names) {
    if (link.NameLength() == 0) {
        return false;
    }
    const std::wstring_view name = link.Name(names);
    return name != L"." && name != L"..";
}

// The sequence number the first real name below a record expects; nothing
// when the record has no such name.
std::optional<std::uint16_t> ExpectedSequence(std::span<const MftLink> links, const NameStore& names) {
    for (const MftLink& link : links) {
        if (IsNamed(link, names)) {
            return link.ParentSequence();
        }
    }
    return std::nullopt;
}

class Placer {
public:
    Placer(ScanTreeBuilder& builder, std::uint64_t rootIndex, std::vector<ScanError>& errors)
        : builder_(builder), rootIndex_(rootIndex), errors_(errors) {}

    // A placeholder folder below the root for the names of a lost record,
    // with the error row that says why; NoIndex when the tree is full.
    std::uint64_t Place(std::uint64_t recordNumber, const std::wstring& clause) {
        const std::uint64_t node =
            builder_.AddFolder(rootIndex_, L"Lost folder (MFT record " + std::to_wstring(recordNumber) + L")",
                               FileAttributeDirectory, 0);
        Report(node == NoIndex ? rootIndex_ : node, RecordSentence(recordNumber, clause));
        return node;
    }

    void Report(std::uint64_t node, std::wstring detail) {
        errors_.push_back(ScanError{builder_.Nodes()[node].Path(), DamagedVolumeErrorCode, std::move(detail)});
    }

private:
    ScanTreeBuilder& builder_;
    std::uint64_t rootIndex_;
    std::vector<ScanError>& errors_;
};

}  // namespace

std::vector<MftNameRecordReference> FindLostNameRecords(const MftParseOutput& parsed) {
    std::vector<MftNameRecordReference> found;  // extension records that gave facts, by record
    for (const MftFileFacts& facts : parsed.multiRecordFiles) {
        if (!facts.isBase) {
            found.push_back({facts.baseRecordNumber, facts.recordNumber});
        }
    }
    const auto byRecord = [](const MftNameRecordReference& a, const MftNameRecordReference& b) {
        return a.recordNumber != b.recordNumber ? a.recordNumber < b.recordNumber
                                                : a.baseRecordNumber < b.baseRecordNumber;
    };
    std::sort(found.begin(), found.end(), byRecord);
    std::vector<MftNameRecordReference> lost;
    for (const MftNameRecordReference& wanted : parsed.nameRecords) {
        if (!std::binary_search(found.begin(), found.end(), wanted, byRecord)) {
            lost.push_back(wanted);
        }
    }
    return lost;
}

std::vector<MftNameRecordReference> SalvageTornNameRecords(std::vector<MftNameRecordReference>& lost,
                                                           const MftDamageContext& context, MftParseOutput& parsed) {
    std::vector<MftNameRecordReference> salvaged;
    std::vector<MftNameRecordReference> still;
    std::vector<std::byte> record;
    for (const MftNameRecordReference& reference : lost) {
        std::vector<std::byte> check;
        if (!context.readRecord || !context.readRecord(reference.recordNumber, record) ||
            FixUpRecord(check = record, context.bytesPerSector) != MftRecordVerdict::Torn) {
            still.push_back(reference);
            continue;
        }
        // Every stride's end is made to carry the check value, so the
        // ordinary parse restores the saved bytes and reads the rest.
        ByteReader header(record);
        const std::size_t offset = header.U16(rec::UpdateSequenceOffset, "update sequence offset");
        const std::size_t count = header.U16(rec::UpdateSequenceCount, "update sequence count");
        const std::size_t stride = record.size() / (count - 1);  // Torn: count fits one of the strides
        const std::uint16_t value = header.U16(offset, "update sequence check value");
        for (std::size_t i = 1; i < count; ++i) {
            StoreU16(record, i * stride - 2, value);
        }
        MftParseOutput scratch;
        if (ParseFileRecord(record, reference.recordNumber, context.bytesPerSector, scratch) !=
                MftRecordVerdict::Parsed ||
            scratch.multiRecordFiles.size() != 1 || scratch.multiRecordFiles[0].isBase ||
            scratch.multiRecordFiles[0].baseRecordNumber != reference.baseRecordNumber) {
            still.push_back(reference);
            continue;
        }
        for (std::size_t i = 0; i < scratch.entries.size(); ++i) {
            MftEntry entry = scratch.entries[i];
            entry.SetNamePosition(parsed.names.Append(scratch.NameOf(entry)));
            parsed.entries.push_back(entry);
        }
        parsed.multiRecordFiles.push_back(scratch.multiRecordFiles[0]);
        salvaged.push_back(reference);
    }
    lost = std::move(still);
    return salvaged;
}

std::vector<std::uint64_t> BasesOf(const std::vector<MftNameRecordReference>& lost) {
    std::vector<std::uint64_t> bases;
    for (const MftNameRecordReference& reference : lost) {
        bases.push_back(reference.baseRecordNumber);
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    return bases;
}

void AccountForDamage(MftTreeWalk& walk, ScanTreeBuilder& builder, std::uint64_t rootIndex,
                      const MftChildIndex& children, const NameStore& names, const MftDamageContext& context,
                      const std::vector<MftNameRecordReference>& lostNameRecords,
                      const std::vector<MftNameRecordReference>& salvagedNameRecords,
                      const std::vector<std::uint64_t>& droppedBases, std::vector<ScanError>& errors) {
    if (rootIndex == NoIndex) {
        return;
    }
    Placer placer(builder, rootIndex, errors);

    // Records with names below them that the walk never entered, in record
    // order. A sound folder among them may still be reached from the
    // placeholder of a lost one; it waits.
    std::vector<std::uint64_t> waiting;
    for (std::uint64_t record = 0; record < children.RecordLimit(); ++record) {
        const std::span<const MftLink> links = children.ChildrenOf(record);
        if (links.empty() || walk.WasExpanded(record)) {
            continue;
        }
        const std::optional<std::uint16_t> expected = ExpectedSequence(links, names);
        if (!expected) {
            continue;
        }
        const std::wstring problem = FolderProblem(LookAt(context, record), *expected);
        if (problem.empty()) {
            waiting.push_back(record);
            continue;
        }
        walk.Expand(placer.Place(record, problem), {record, 0});
    }

    // Folders entered whose record also holds names of an earlier occupant.
    for (std::size_t i = 0; i < walk.FoldersWithStaleNames().size(); ++i) {
        const MftFolderReference folder = walk.FoldersWithStaleNames()[i];
        const std::wstring clause = L"was reused (sequence number " + std::to_wstring(folder.sequence) +
                                    L"); names still refer to an earlier folder there";
        walk.Expand(placer.Place(folder.recordNumber, clause), folder, MftLinkFilter::SequenceDiffers);
    }

    // Parent references beyond the MFT's end, one placeholder per record.
    std::vector<MftChildIndex::BeyondLink> beyond = children.LinksBeyond();
    std::stable_sort(beyond.begin(), beyond.end(), [](const auto& a, const auto& b) {
        return a.parentRecordNumber < b.parentRecordNumber;
    });
    for (std::size_t i = 0; i < beyond.size();) {
        std::vector<MftLink> links;
        const std::uint64_t record = beyond[i].parentRecordNumber;
        for (; i < beyond.size() && beyond[i].parentRecordNumber == record; ++i) {
            links.push_back(beyond[i].link);
        }
        walk.Adopt(placer.Place(record, L"lies beyond the end of the MFT (" + std::to_wstring(context.recordCount) +
                                            L" records)"),
                   links);
    }

    // Sound folders no placeholder reached: no name of theirs hangs from
    // the tree (they hang in a loop, or their names are unusable). On a
    // mounted volume, one whose folder was entered was made while the
    // volume was read, and is no damage.
    for (const std::uint64_t record : waiting) {
        if (walk.WasExpanded(record)) {
            continue;
        }
        const RecordLook look = LookAt(context, record);
        if (context.mayChange && look.hasName && walk.WasExpanded(look.parentRecordNumber)) {
            continue;
        }
        walk.Expand(placer.Place(record, L"is a folder that no path from the root reaches"), {record, 0});
    }

    for (const MftNameRecordReference& lost : lostNameRecords) {
        const RecordLook look = LookAt(context, lost.recordNumber);
        std::wstring clause;
        if (!look.readable) {
            clause = L"could not be read";
        } else if (look.verdict != MftRecordVerdict::Parsed) {
            clause = Widen(DescribeVerdict(look.verdict));
        } else if (!look.isExtension || look.baseRecordNumber != lost.baseRecordNumber) {
            clause = L"belongs to another file";
        } else if (context.mayChange) {
            continue;  // written while the volume was read
        } else {
            clause = L"gave no names";
        }
        const std::uint64_t node = walk.NodeOf(lost.baseRecordNumber);
        placer.Report(node == NoIndex ? rootIndex : node,
                      RecordSentence(lost.recordNumber, clause) + L"; names of MFT record " +
                          std::to_wstring(lost.baseRecordNumber) + L" that it holds are lost");
    }

    for (const MftNameRecordReference& torn : salvagedNameRecords) {
        const std::uint64_t node = walk.NodeOf(torn.baseRecordNumber);
        placer.Report(node == NoIndex ? rootIndex : node,
                      RecordSentence(torn.recordNumber, Widen(DescribeVerdict(MftRecordVerdict::Torn))) +
                          L"; the names of MFT record " + std::to_wstring(torn.baseRecordNumber) +
                          L" that it holds were read as they stand");
    }

    for (const std::uint64_t base : droppedBases) {
        const RecordLook look = LookAt(context, base);
        const std::wstring clause = !look.readable                                ? L"could not be read"
                                    : look.verdict != MftRecordVerdict::Parsed ? Widen(DescribeVerdict(look.verdict))
                                    : look.isExtension ? L"is an extension record itself"
                                                       : L"does not own the extension records that name it";
        placer.Report(rootIndex, RecordSentence(base, clause) + L"; names of it that extension records hold are left out");
    }

    for (const MftOversizedFile& file : walk.OversizedFiles()) {
        placer.Report(file.nodeIndex, RecordSentence(file.recordNumber, L"claims " + std::to_wstring(file.sizeOnDisk) +
                                                                            L" bytes on disk, more than the volume's " +
                                                                            std::to_wstring(context.volumeBytes) +
                                                                            L"; they are not counted"));
    }
}

ScanError DescribeMirroredRecordZero(const std::wstring& rootPath, MftRecordVerdict damage) {
    const std::wstring clause =
        damage == MftRecordVerdict::Parsed ? std::wstring(L"does not describe the MFT") : Widen(DescribeVerdict(damage));
    return ScanError{rootPath, DamagedVolumeErrorCode, RecordSentence(0, clause) + L"; its copy in $MFTMirr was used"};
}

std::wstring DamageMessage(std::size_t errorRows) {
    return L"The volume is damaged and needs checking: " + std::to_wstring(errorRows) +
           (errorRows == 1 ? L" problem" : L" problems") + L" in its MFT (see the error rows).";
}

}  // namespace varnel::core
