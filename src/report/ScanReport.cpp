#include "report/ScanReport.h"

#include <algorithm>
#include <charconv>

#include "base/CsvField.h"
#include "base/JsonString.h"
#include "base/PathRules.h"
#include "base/Utf8.h"
#include "model/LargestNodes.h"

namespace varnel::report {

using core::NodeView;
using core::NoIndex;
using core::ScanResult;

namespace {

std::string Number(std::uint64_t value) { return std::to_string(value); }

void AppendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, written.ptr);
}

// Hands the rendered bytes on every so many nodes: pieces of a few hundred
// kilobytes keep memory flat and progress smooth.
constexpr std::uint64_t NodesPerPiece = 2048;
constexpr std::size_t FlushBytes = 1 << 20;

class PieceWriter {
public:
    explicit PieceWriter(const ReportSink& sink) : sink_(sink) {}
    std::string& Out() noexcept { return out_; }
    // After each node: false once the sink asked to stop.
    bool NodeDone() {
        ++nodes_;
        return nodes_ % NodesPerPiece != 0 || Flush();
    }
    // After a line that is not a node (errors, rankings): flushed by size,
    // so that a million error rows never pile up in memory either.
    bool LineDone() { return out_.size() < FlushBytes || Flush(); }
    bool Flush() {
        const bool more = sink_(out_, nodes_);
        out_.clear();
        return more;
    }

private:
    const ReportSink& sink_;
    std::string out_;
    std::uint64_t nodes_ = 0;
};

// How a text goes into one CSV field or one JSON string, built from parts.
struct CsvText {
    static bool AppendText(std::string& out, std::wstring_view text) { return core::AppendCsvFieldText(out, text); }
    static void Quote(std::string& out, bool needed) {
        if (needed) {
            out += '"';
        }
    }
};

struct JsonText {
    static bool AppendText(std::string& out, std::wstring_view text) {
        core::AppendJsonStringText(out, text);
        return true;
    }
    static void Quote(std::string& out, bool) { out += '"'; }
};

// Each node's path and name, encoded, for nodes asked for in index order.
// Siblings mostly come one after another, so a parent's path is derived and
// encoded once for its run of children, and each child adds only its own
// name: the same bytes as encoding the joined path (the join puts a
// separator between the parts, so no escape spans them).
template <class Encoding>
class EncodedPaths {
public:
    explicit EncodedPaths(const core::ScanTree& nodes) : nodes_(nodes) {}

    // Reads `node`'s name; call before AppendPath and AppendName.
    void Visit(NodeView node) {
        ownPath_ = node.Parent() == NoIndex || !node.OwnPath().empty();
        name_ = node.Name();
        nameEncoded_.clear();
        nameSpecial_ = Encoding::AppendText(nameEncoded_, name_);
        if (ownPath_) {
            whole_ = node.Path();
            return;
        }
        if (node.Parent() != parent_) {
            parent_ = node.Parent();
            const std::wstring parentPath = nodes_[parent_].Path();
            parentEncoded_.clear();
            parentSpecial_ = Encoding::AppendText(parentEncoded_, parentPath);
            parentEmpty_ = parentPath.empty();
            parentEndsWithSeparator_ = !parentPath.empty() && core::IsPathSeparator(parentPath.back());
        }
    }

    void AppendPath(std::string& out) const {
        if (ownPath_) {
            std::string encoded;
            const bool special = Encoding::AppendText(encoded, whole_);
            Encoding::Quote(out, special);
            out += encoded;
            Encoding::Quote(out, special);
            return;
        }
        // The join of JoinPath: one separator unless a side is empty or the
        // parent already ends in one.
        const bool special = parentSpecial_ || nameSpecial_;
        Encoding::Quote(out, special);
        out += parentEncoded_;
        if (!parentEmpty_ && !name_.empty() && !parentEndsWithSeparator_) {
            Encoding::AppendText(out, L"\\");
        }
        out += nameEncoded_;
        Encoding::Quote(out, special);
    }

    void AppendName(std::string& out) const {
        Encoding::Quote(out, nameSpecial_);
        out += nameEncoded_;
        Encoding::Quote(out, nameSpecial_);
    }

private:
    const core::ScanTree& nodes_;
    std::uint64_t parent_ = NoIndex;
    std::string parentEncoded_;
    bool parentSpecial_ = false;
    bool parentEmpty_ = true;
    bool parentEndsWithSeparator_ = false;
    std::wstring_view name_;
    std::string nameEncoded_;
    bool nameSpecial_ = false;
    bool ownPath_ = false;
    std::wstring whole_;
};

std::string Collect(const std::function<bool(const ReportSink&)>& write) {
    std::string all;
    write([&all](std::string_view piece, std::uint64_t) {
        all += piece;
        return true;
    });
    return all;
}

void AppendRankingLines(std::string& out, const char* heading, const ScanResult& result,
                        const std::vector<std::uint64_t>& indices, SizeMeasure measure) {
    out += heading;
    out += '\n';
    for (const std::uint64_t index : indices) {
        const NodeView node = result.nodes[index];
        out += "  ";
        AppendNumber(out, DisplaySize(node, measure));
        out += '\t';
        core::AppendUtf8(out, node.Path());
        out += '\n';
    }
}

}  // namespace

const char* StatusName(core::ScanStatus status) {
    switch (status) {
        case core::ScanStatus::None: return "None";
        case core::ScanStatus::Completed: return "Completed";
        case core::ScanStatus::Cancelled: return "Cancelled";
        case core::ScanStatus::Failed: return "Failed";
        case core::ScanStatus::NeedsCheck: return "NeedsCheck";
    }
    return "Unknown";
}

const char* EngineName(core::ScanEngineKind engine) {
    switch (engine) {
        case core::ScanEngineKind::DirectoryWalk: return "DirectoryWalk";
        case core::ScanEngineKind::NtQueryDirectory: return "NtQueryDirectory";
        case core::ScanEngineKind::NtfsMft: return "NtfsMft";
        case core::ScanEngineKind::Mixed: return "Mixed";
    }
    return "Unknown";
}

Ranking RankLargest(const ScanResult& result, std::uint64_t count, SizeMeasure measure) {
    Ranking ranking;
    ranking.measure = measure;
    if (result.rootIndex == NoIndex || count == 0) {
        return ranking;
    }
    const core::IndicesBelow all{result.nodes.size()};
    const auto limit = static_cast<std::size_t>(std::min<std::uint64_t>(count, result.nodes.size()));
    const auto below = [&result](bool folders) {
        return [&result, folders](NodeView node) {
            return node.IsDirectory() == folders && node.Index() != result.rootIndex;
        };
    };
    ranking.largestFiles = core::LargestNodes(result.nodes, all, limit, measure, below(false));
    ranking.largestFolders = core::LargestNodes(result.nodes, all, limit, measure, below(true));
    return ranking;
}

std::string RenderSummary(const ScanResult& result, const Ranking& ranking) {
    std::string out;
    out += "status: " + std::string(StatusName(result.status)) + '\n';
    out += "engine: " + std::string(EngineName(result.engine)) + '\n';
    out += "root: " + core::WideToUtf8(result.rootPath) + '\n';
    out += "message: " + core::WideToUtf8(result.message) + '\n';
    out += "files: " + Number(result.fileCount) + '\n';
    out += "folders: " + Number(result.folderCount) + '\n';
    out += "errors: " + Number(result.errorCount) + '\n';
    out += "elapsed_ms: " + std::to_string(result.elapsedMs) + '\n';
    if (result.rootIndex != NoIndex) {
        out += "total_size: " + Number(result.nodes[result.rootIndex].TotalSize()) + '\n';
        out += "total_size_on_disk: " + Number(result.nodes[result.rootIndex].TotalSizeOnDisk()) + '\n';
    }
    if (!ranking.largestFiles.empty() || !ranking.largestFolders.empty()) {
        AppendRankingLines(out, "largest_files:", result, ranking.largestFiles, ranking.measure);
        AppendRankingLines(out, "largest_folders:", result, ranking.largestFolders, ranking.measure);
    }
    return out;
}

std::string RenderCsv(const ScanResult& result, const Ranking& ranking) {
    return Collect([&](const ReportSink& sink) { return WriteCsv(result, ranking, sink); });
}

std::string RenderJson(const ScanResult& result, const Ranking& ranking) {
    return Collect([&](const ReportSink& sink) { return WriteJson(result, ranking, sink); });
}

bool WriteCsv(const ScanResult& result, const Ranking& ranking, const ReportSink& sink) {
    PieceWriter writer(sink);
    std::string& out = writer.Out();
    out +=
        "kind,index,parent,path,name,folder,size,total_size,direct_files_size,file_count,"
        "folder_count,attributes,reparse,error_code,size_on_disk\n";
    EncodedPaths<CsvText> paths(result.nodes);
    for (const NodeView node : result.nodes) {
        paths.Visit(node);
        out += "node,";
        AppendNumber(out, node.Index());
        out += ',';
        if (node.Parent() != NoIndex) {
            AppendNumber(out, node.Parent());
        }
        out += ',';
        paths.AppendPath(out);
        out += ',';
        paths.AppendName(out);
        out += node.IsDirectory() ? ",1," : ",0,";
        AppendNumber(out, node.Size());
        out += ',';
        AppendNumber(out, node.TotalSize());
        out += ',';
        AppendNumber(out, node.DirectFilesSize());
        out += ',';
        AppendNumber(out, node.FileCount());
        out += ',';
        AppendNumber(out, node.FolderCount());
        out += ',';
        AppendNumber(out, node.Attributes());
        out += node.IsReparsePoint() ? ",1,," : ",0,,";
        AppendNumber(out, node.TotalSizeOnDisk());
        out += '\n';
        if (!writer.NodeDone()) {
            return false;
        }
    }
    for (const core::ScanError& error : result.errors) {
        // A damaged volume's sentence stands in the name column, empty otherwise.
        out += "error,,,";
        core::AppendCsvField(out, error.path);
        out += ',';
        core::AppendCsvField(out, error.detail);
        out += ",,,,,,,,,";
        AppendNumber(out, error.code);
        out += ",\n";
        if (!writer.LineDone()) {
            return false;
        }
    }
    const auto appendRanking = [&](const char* kind, const std::vector<std::uint64_t>& indices) {
        for (const std::uint64_t index : indices) {
            const NodeView node = result.nodes[index];
            out += kind;
            out += ',';
            AppendNumber(out, index);
            out += ",,";
            core::AppendCsvField(out, node.Path());
            out += ",,,,";
            AppendNumber(out, node.TotalSize());
            out += ",,,,,,,";
            AppendNumber(out, node.TotalSizeOnDisk());
            out += '\n';
            if (!writer.LineDone()) {
                return false;
            }
        }
        return true;
    };
    return appendRanking("largest_file", ranking.largestFiles) &&
           appendRanking("largest_folder", ranking.largestFolders) && writer.Flush();
}

bool WriteJson(const ScanResult& result, const Ranking& ranking, const ReportSink& sink) {
    PieceWriter writer(sink);
    std::string& out = writer.Out();
    out += "{\n";
    out += "  \"status\": \"" + std::string(StatusName(result.status)) + "\",\n";
    out += "  \"engine\": \"" + std::string(EngineName(result.engine)) + "\",\n";
    out += "  \"rootPath\": " + core::JsonString(result.rootPath) + ",\n";
    out += "  \"message\": " + core::JsonString(result.message) + ",\n";
    out += "  \"rootIndex\": " +
           (result.rootIndex == NoIndex ? std::string("null") : Number(result.rootIndex)) + ",\n";
    out += "  \"fileCount\": " + Number(result.fileCount) + ",\n";
    out += "  \"folderCount\": " + Number(result.folderCount) + ",\n";
    out += "  \"errorCount\": " + Number(result.errorCount) + ",\n";
    out += "  \"elapsedMs\": " + std::to_string(result.elapsedMs) + ",\n";
    out += "  \"nodes\": [";
    EncodedPaths<JsonText> paths(result.nodes);
    for (const NodeView node : result.nodes) {
        paths.Visit(node);
        out += node.Index() == 0 ? "\n    {\"index\": " : ",\n    {\"index\": ";
        AppendNumber(out, node.Index());
        out += ", \"parentIndex\": ";
        if (node.Parent() == NoIndex) {
            out += "null";
        } else {
            AppendNumber(out, node.Parent());
        }
        out += ", \"path\": ";
        paths.AppendPath(out);
        out += ", \"name\": ";
        paths.AppendName(out);
        out += node.IsDirectory() ? ", \"isDirectory\": true, \"size\": " : ", \"isDirectory\": false, \"size\": ";
        AppendNumber(out, node.Size());
        out += ", \"totalSize\": ";
        AppendNumber(out, node.TotalSize());
        out += ", \"directFilesSize\": ";
        AppendNumber(out, node.DirectFilesSize());
        out += ", \"fileCount\": ";
        AppendNumber(out, node.FileCount());
        out += ", \"folderCount\": ";
        AppendNumber(out, node.FolderCount());
        out += ", \"attributes\": ";
        AppendNumber(out, node.Attributes());
        out += node.IsReparsePoint() ? ", \"isReparsePoint\": true, \"sizeOnDisk\": "
                                     : ", \"isReparsePoint\": false, \"sizeOnDisk\": ";
        AppendNumber(out, node.TotalSizeOnDisk());
        out += '}';
        if (!writer.NodeDone()) {
            return false;
        }
    }
    out += result.nodes.empty() ? "],\n" : "\n  ],\n";
    out += "  \"errors\": [";
    for (std::size_t i = 0; i < result.errors.size(); ++i) {
        out += i == 0 ? "\n    {\"path\": " : ",\n    {\"path\": ";
        core::AppendJsonString(out, result.errors[i].path);
        out += ", \"code\": ";
        AppendNumber(out, result.errors[i].code);
        if (!result.errors[i].detail.empty()) {
            out += ", \"detail\": ";
            core::AppendJsonString(out, result.errors[i].detail);
        }
        out += '}';
        if (!writer.LineDone()) {
            return false;
        }
    }
    out += result.errors.empty() ? "]" : "\n  ]";
    const auto appendRanking = [&](const char* key, const std::vector<std::uint64_t>& indices) {
        out += ",\n  \"";
        out += key;
        out += "\": [";
        for (std::size_t i = 0; i < indices.size(); ++i) {
            out += i == 0 ? "" : ", ";
            AppendNumber(out, indices[i]);
            if (!writer.LineDone()) {
                return false;
            }
        }
        out += ']';
        return true;
    };
    if (!ranking.largestFiles.empty() || !ranking.largestFolders.empty()) {
        if (!appendRanking("largestFiles", ranking.largestFiles) ||
            !appendRanking("largestFolders", ranking.largestFolders)) {
            return false;
        }
    }
    out += "\n}\n";
    return writer.Flush();
}

}  // namespace varnel::report
