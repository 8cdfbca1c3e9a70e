#include "model/FileTypes.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

namespace varnel::core {
namespace {

struct GroupEntry {
    std::wstring_view extension;
    FileTypeGroup group;
};

using G = FileTypeGroup;

// The one table of known extensions. Unlisted ones are "other".
constexpr GroupEntry KnownExtensions[] = {
    // Pictures
    {L"jpg", G::Pictures}, {L"jpeg", G::Pictures}, {L"jpe", G::Pictures}, {L"png", G::Pictures},
    {L"gif", G::Pictures}, {L"bmp", G::Pictures}, {L"dib", G::Pictures}, {L"tif", G::Pictures},
    {L"tiff", G::Pictures}, {L"webp", G::Pictures}, {L"heic", G::Pictures}, {L"heif", G::Pictures},
    {L"avif", G::Pictures}, {L"ico", G::Pictures}, {L"svg", G::Pictures}, {L"psd", G::Pictures},
    {L"raw", G::Pictures}, {L"cr2", G::Pictures}, {L"cr3", G::Pictures}, {L"nef", G::Pictures},
    {L"arw", G::Pictures}, {L"dng", G::Pictures}, {L"orf", G::Pictures}, {L"xcf", G::Pictures},
    {L"jxl", G::Pictures}, {L"tga", G::Pictures}, {L"emf", G::Pictures}, {L"wmf", G::Pictures},
    // Video
    {L"mp4", G::Video}, {L"m4v", G::Video}, {L"mkv", G::Video}, {L"avi", G::Video}, {L"mov", G::Video},
    {L"wmv", G::Video}, {L"webm", G::Video}, {L"flv", G::Video}, {L"mpg", G::Video}, {L"mpeg", G::Video},
    {L"m2ts", G::Video}, {L"mts", G::Video}, {L"ts", G::Video}, {L"vob", G::Video}, {L"3gp", G::Video},
    {L"ogv", G::Video},
    // Audio
    {L"mp3", G::Audio}, {L"wav", G::Audio}, {L"flac", G::Audio}, {L"aac", G::Audio}, {L"m4a", G::Audio},
    {L"ogg", G::Audio}, {L"oga", G::Audio}, {L"opus", G::Audio}, {L"wma", G::Audio}, {L"aiff", G::Audio},
    {L"aif", G::Audio}, {L"mid", G::Audio}, {L"midi", G::Audio}, {L"ape", G::Audio},
    // Archives and disk images
    {L"zip", G::Archives}, {L"7z", G::Archives}, {L"rar", G::Archives}, {L"tar", G::Archives},
    {L"gz", G::Archives}, {L"tgz", G::Archives}, {L"bz2", G::Archives}, {L"xz", G::Archives},
    {L"zst", G::Archives}, {L"lz", G::Archives}, {L"lzma", G::Archives}, {L"cab", G::Archives},
    {L"iso", G::Archives}, {L"img", G::Archives}, {L"vhd", G::Archives}, {L"vhdx", G::Archives},
    {L"vmdk", G::Archives}, {L"vdi", G::Archives}, {L"qcow2", G::Archives}, {L"wim", G::Archives},
    {L"esd", G::Archives}, {L"dmg", G::Archives}, {L"jar", G::Archives}, {L"apk", G::Archives},
    {L"nupkg", G::Archives}, {L"deb", G::Archives}, {L"rpm", G::Archives},
    // Documents
    {L"pdf", G::Documents}, {L"doc", G::Documents}, {L"docx", G::Documents}, {L"xls", G::Documents},
    {L"xlsx", G::Documents}, {L"ppt", G::Documents}, {L"pptx", G::Documents}, {L"odt", G::Documents},
    {L"ods", G::Documents}, {L"odp", G::Documents}, {L"rtf", G::Documents}, {L"epub", G::Documents},
    {L"mobi", G::Documents}, {L"one", G::Documents}, {L"pst", G::Documents}, {L"ost", G::Documents},
    {L"eml", G::Documents}, {L"msg", G::Documents}, {L"xps", G::Documents}, {L"djvu", G::Documents},
    {L"pages", G::Documents}, {L"numbers", G::Documents}, {L"key", G::Documents},
    // Programs and libraries
    {L"exe", G::Programs}, {L"dll", G::Programs}, {L"msi", G::Programs}, {L"msp", G::Programs},
    {L"msix", G::Programs}, {L"appx", G::Programs}, {L"com", G::Programs}, {L"scr", G::Programs},
    {L"ocx", G::Programs}, {L"cpl", G::Programs}, {L"so", G::Programs}, {L"dylib", G::Programs},
    {L"lib", G::Programs}, {L"a", G::Programs}, {L"o", G::Programs}, {L"obj", G::Programs},
    {L"pdb", G::Programs}, {L"node", G::Programs}, {L"pyd", G::Programs}, {L"class", G::Programs},
    {L"bin", G::Programs}, {L"elf", G::Programs},
    // Source and text
    {L"txt", G::Source}, {L"log", G::Source}, {L"md", G::Source}, {L"csv", G::Source}, {L"tsv", G::Source},
    {L"json", G::Source}, {L"xml", G::Source}, {L"yaml", G::Source}, {L"yml", G::Source},
    {L"toml", G::Source}, {L"ini", G::Source}, {L"cfg", G::Source}, {L"conf", G::Source},
    {L"c", G::Source}, {L"h", G::Source}, {L"cpp", G::Source}, {L"hpp", G::Source}, {L"cc", G::Source},
    {L"cxx", G::Source}, {L"cs", G::Source}, {L"java", G::Source}, {L"py", G::Source}, {L"js", G::Source},
    {L"mjs", G::Source}, {L"tsx", G::Source}, {L"jsx", G::Source}, {L"go", G::Source}, {L"rs", G::Source},
    {L"rb", G::Source}, {L"php", G::Source}, {L"pl", G::Source}, {L"sh", G::Source}, {L"ps1", G::Source},
    {L"bat", G::Source}, {L"cmd", G::Source}, {L"html", G::Source}, {L"htm", G::Source},
    {L"css", G::Source}, {L"sql", G::Source}, {L"kt", G::Source}, {L"swift", G::Source},
    {L"lua", G::Source}, {L"cmake", G::Source}, {L"in", G::Source},
    // System files
    {L"sys", G::System}, {L"drv", G::System}, {L"inf", G::System}, {L"cat", G::System}, {L"mui", G::System},
    {L"dat", G::System}, {L"db", G::System}, {L"etl", G::System}, {L"evtx", G::System}, {L"reg", G::System},
    {L"lnk", G::System}, {L"tmp", G::System}, {L"bak", G::System}, {L"cache", G::System},
    {L"manifest", G::System}, {L"mum", G::System}, {L"regtrans-ms", G::System}, {L"blf", G::System},
    {L"pf", G::System}, {L"dmp", G::System}, {L"swp", G::System}, {L"ttf", G::System}, {L"otf", G::System},
    {L"fon", G::System}, {L"nls", G::System}, {L"efi", G::System}, {L"ldf", G::System}, {L"mdf", G::System},
};

constexpr std::array<std::string_view, FileTypeGroupCount> GroupNames{
    "pictures", "video", "audio", "archives", "documents", "programs", "source", "system", "other"};
constexpr std::array<std::string_view, FileTypeGroupCount> GroupKeys{
    "types.group.pictures",  "types.group.video",    "types.group.audio",
    "types.group.archives",  "types.group.documents", "types.group.programs",
    "types.group.source",    "types.group.system",   "types.group.other"};

wchar_t FoldCase(wchar_t c) noexcept {
    if (c < 0x80) {
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c;
    }
    const auto in = [c](unsigned low, unsigned high) {
        return static_cast<unsigned>(c) >= low && static_cast<unsigned>(c) <= high;
    };
    // Latin-1 capitals (not the multiplication sign), Greek and Cyrillic.
    if ((in(0xC0, 0xDE) && c != 0xD7) || (in(0x391, 0x3AB) && c != 0x3A2) || in(0x410, 0x42F)) {
        return static_cast<wchar_t>(c + 0x20);
    }
    if (in(0x400, 0x40F)) {
        return static_cast<wchar_t>(c + 0x50);
    }
    return c;
}

// The extension's place within `name`: the characters after the last dot.
std::wstring_view RawExtension(std::wstring_view name) noexcept {
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos || dot == 0 || dot + 1 == name.size()) {
        return {};
    }
    return name.substr(dot + 1);
}

// Numbers extensions while the index is built. Siblings mostly share an
// extension, so the last one found is tried before the map.
class ExtensionNumbering {
public:
    ExtensionNumbering(std::vector<std::wstring>& extensions, std::vector<FileTypeGroup>& groups)
        : extensions_(extensions), groups_(groups) {}

    std::uint32_t Number(std::wstring_view name) {
        const std::wstring_view raw = RawExtension(name);
        if (raw.empty()) {
            return 0;
        }
        folded_.resize(raw.size());
        std::transform(raw.begin(), raw.end(), folded_.begin(), FoldCase);
        if (last_ != 0 && folded_ == extensions_[last_]) {
            return last_;
        }
        const auto [place, added] = numbers_.try_emplace(folded_, static_cast<std::uint32_t>(extensions_.size()));
        if (added) {
            extensions_.push_back(folded_);
            groups_.push_back(GroupOfExtension(folded_));
        }
        last_ = place->second;
        return last_;
    }

private:
    std::vector<std::wstring>& extensions_;
    std::vector<FileTypeGroup>& groups_;
    std::unordered_map<std::wstring, std::uint32_t> numbers_;
    std::wstring folded_;
    std::uint32_t last_ = 0;
};

// Calls `visit` for every node below and including `top`, parents first.
template <class Visit>
void ForEachBelow(const ScanTree& tree, std::uint64_t top, Visit visit) {
    std::vector<std::uint32_t> pending{static_cast<std::uint32_t>(top)};
    while (!pending.empty()) {
        const NodeView node = tree[pending.back()];
        pending.pop_back();
        visit(node);
        const auto children = node.Children();
        pending.insert(pending.end(), children.begin(), children.end());
    }
}

}  // namespace

std::string_view FileTypeGroupKey(FileTypeGroup group) noexcept { return GroupKeys[static_cast<std::size_t>(group)]; }
std::string_view FileTypeGroupName(FileTypeGroup group) noexcept { return GroupNames[static_cast<std::size_t>(group)]; }

std::wstring ExtensionOf(std::wstring_view name) {
    std::wstring extension(RawExtension(name));
    std::transform(extension.begin(), extension.end(), extension.begin(), FoldCase);
    return extension;
}

FileTypeGroup GroupOfExtension(std::wstring_view lowerExtension) noexcept {
    static const std::vector<GroupEntry> sorted = [] {
        std::vector<GroupEntry> entries(std::begin(KnownExtensions), std::end(KnownExtensions));
        std::sort(entries.begin(), entries.end(),
                  [](const GroupEntry& a, const GroupEntry& b) { return a.extension < b.extension; });
        return entries;
    }();
    const auto found = std::lower_bound(sorted.begin(), sorted.end(), lowerExtension,
                                        [](const GroupEntry& e, std::wstring_view x) { return e.extension < x; });
    return found != sorted.end() && found->extension == lowerExtension ? found->group : FileTypeGroup::Other;
}

FileTypeIndex::FileTypeIndex(const ScanTree& tree) : byNode_(tree.size(), 0) {
    ExtensionNumbering numbering(extensions_, groups_);
    for (std::uint64_t i = 0; i < tree.size(); ++i) {
        const NodeView node = tree[i];
        if (!node.IsDirectory()) {
            byNode_[i] = numbering.Number(node.Name());
        }
    }
}

std::uint32_t FileTypeIndex::Find(std::wstring_view lowerExtension) const noexcept {
    const auto found = std::find(extensions_.begin(), extensions_.end(), lowerExtension);
    return found == extensions_.end() ? None : static_cast<std::uint32_t>(found - extensions_.begin());
}

std::size_t FileTypeIndex::MemoryBytes() const noexcept {
    std::size_t bytes = byNode_.capacity() * sizeof(std::uint32_t) + groups_.capacity();
    for (const std::wstring& extension : extensions_) {
        bytes += sizeof extension + extension.capacity() * sizeof(wchar_t);
    }
    return bytes;
}

std::vector<FileTypeRow> BreakDownByType(const ScanTree& tree, const FileTypeIndex& index, std::uint64_t subtreeRoot,
                                         SizeMeasure measure) {
    if (subtreeRoot >= tree.size() || index.empty()) {
        return {};
    }
    std::vector<FileTypeRow> rows(index.ExtensionCount());
    ForEachBelow(tree, subtreeRoot, [&](NodeView node) {
        if (!node.IsDirectory()) {
            FileTypeRow& row = rows[index.ExtensionOf(node.Index())];
            row.bytes = SaturatingAdd(row.bytes, DisplaySize(node, measure));
            ++row.files;
        }
    });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].extension = static_cast<std::uint32_t>(i);
    }
    std::erase_if(rows, [](const FileTypeRow& row) { return row.files == 0; });
    std::sort(rows.begin(), rows.end(), [&](const FileTypeRow& a, const FileTypeRow& b) {
        return a.bytes != b.bytes ? a.bytes > b.bytes : index.Extension(a.extension) < index.Extension(b.extension);
    });
    return rows;
}

std::vector<std::uint64_t> FilesOfType(const ScanTree& tree, const FileTypeIndex& index, std::uint64_t subtreeRoot,
                                       std::uint32_t extension, SizeMeasure measure) {
    std::vector<std::uint64_t> files;
    if (subtreeRoot >= tree.size() || index.empty()) {
        return files;
    }
    ForEachBelow(tree, subtreeRoot, [&](NodeView node) {
        if (!node.IsDirectory() && index.ExtensionOf(node.Index()) == extension) {
            files.push_back(node.Index());
        }
    });
    std::sort(files.begin(), files.end(), [&](std::uint64_t a, std::uint64_t b) {
        const std::uint64_t sizeA = DisplaySize(tree[a], measure);
        const std::uint64_t sizeB = DisplaySize(tree[b], measure);
        return sizeA != sizeB ? sizeA > sizeB : a < b;
    });
    return files;
}

}  // namespace varnel::core
