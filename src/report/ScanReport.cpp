#include "report/ScanReport.h"

#include <algorithm>
#include <cstdio>

#include "base/PathRules.h"
#include "base/Utf8.h"

namespace varnel::report {

using core::NodeView;
using core::NoIndex;
using core::ScanResult;

namespace {

std::string Number(std::uint64_t value) { return std::to_string(value); }


std::vector<std::uint64_t> Largest(const ScanResult& result, std::uint64_t count, bool folders, SizeMeasure measure) {
    std::vector<std::uint64_t> candidates;
    for (const NodeView node : result.nodes) {
        if (node.IsDirectory() == folders && node.Index() != result.rootIndex) {
            candidates.push_back(node.Index());
        }
    }
    const auto larger = [&](std::uint64_t a, std::uint64_t b) {
        const std::uint64_t sizeA = DisplaySize(result.nodes[a], measure);
        const std::uint64_t sizeB = DisplaySize(result.nodes[b], measure);
        return sizeA != sizeB ? sizeA > sizeB : a < b;
    };
    const auto keep = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(count, candidates.size()));
    std::partial_sort(candidates.begin(), candidates.begin() + keep, candidates.end(), larger);
    candidates.resize(static_cast<std::size_t>(keep));
    return candidates;
}

// Hands the rendered bytes on every so many nodes: pieces of a few hundred
// kilobytes keep memory flat and progress smooth.
constexpr std::uint64_t NodesPerPiece = 2048;

class PieceWriter {
public:
    explicit PieceWriter(const ReportSink& sink) : sink_(sink) {}
    std::string& Out() noexcept { return out_; }
    // After each node: false once the sink asked to stop.
    bool NodeDone() {
        ++nodes_;
        return nodes_ % NodesPerPiece != 0 || Flush();
    }
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

// The paths of nodes asked for in index order. Siblings mostly come one
// after another, so a parent's path is derived once for its run of children
// instead of walking up from every node.
class SequentialPaths {
public:
    explicit SequentialPaths(const core::ScanTree& nodes) : nodes_(nodes) {}

    std::wstring Of(std::uint64_t index) {
        const NodeView node = nodes_[index];
        if (node.Parent() == NoIndex || !node.OwnPath().empty()) {
            return node.Path();
        }
        if (node.Parent() != parent_) {
            parent_ = node.Parent();
            parentPath_ = nodes_[parent_].Path();
        }
        return core::JoinPath(parentPath_, node.Name());
    }

private:
    const core::ScanTree& nodes_;
    std::uint64_t parent_ = NoIndex;
    std::wstring parentPath_;
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
        out += Number(DisplaySize(node, measure));
        out += '\t';
        out += core::WideToUtf8(node.Path());
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
    ranking.largestFiles = Largest(result, count, false, measure);
    ranking.largestFolders = Largest(result, count, true, measure);
    return ranking;
}

std::string CsvField(std::wstring_view text) {
    std::string utf8 = core::WideToUtf8(text);
    const bool needsQuotes = std::any_of(utf8.begin(), utf8.end(), [](char c) {
        return c == ',' || c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (!needsQuotes) {
        return utf8;
    }
    std::string quoted = "\"";
    for (const char c : utf8) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string JsonString(std::wstring_view text) {
    const std::string utf8 = core::WideToUtf8(text);
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (byte < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(byte));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
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
    SequentialPaths paths(result.nodes);
    for (const NodeView node : result.nodes) {
        out += "node,";
        out += Number(node.Index()) + ',';
        out += (node.Parent() == NoIndex ? std::string() : Number(node.Parent())) + ',';
        out += CsvField(paths.Of(node.Index())) + ',';
        out += CsvField(node.Name()) + ',';
        out += node.IsDirectory() ? "1," : "0,";
        out += Number(node.Size()) + ',';
        out += Number(node.TotalSize()) + ',';
        out += Number(node.DirectFilesSize()) + ',';
        out += Number(node.FileCount()) + ',';
        out += Number(node.FolderCount()) + ',';
        out += Number(node.Attributes()) + ',';
        out += node.IsReparsePoint() ? "1," : "0,";
        out += ',' + Number(node.TotalSizeOnDisk()) + '\n';
        if (!writer.NodeDone()) {
            return false;
        }
    }
    for (const core::ScanError& error : result.errors) {
        // A damaged volume's sentence stands in the name column, empty otherwise.
        out += "error,,," + CsvField(error.path) + ',' + CsvField(error.detail) + ",,,,,,,,," + Number(error.code) +
               ",\n";
    }
    const auto appendRanking = [&](const char* kind, const std::vector<std::uint64_t>& indices) {
        for (const std::uint64_t index : indices) {
            const NodeView node = result.nodes[index];
            out += std::string(kind) + ',' + Number(index) + ",," + CsvField(node.Path()) + ",,,," +
                   Number(node.TotalSize()) + ",,,,,,," + Number(node.TotalSizeOnDisk()) + '\n';
        }
    };
    appendRanking("largest_file", ranking.largestFiles);
    appendRanking("largest_folder", ranking.largestFolders);
    return writer.Flush();
}

bool WriteJson(const ScanResult& result, const Ranking& ranking, const ReportSink& sink) {
    PieceWriter writer(sink);
    std::string& out = writer.Out();
    out += "{\n";
    out += "  \"status\": \"" + std::string(StatusName(result.status)) + "\",\n";
    out += "  \"engine\": \"" + std::string(EngineName(result.engine)) + "\",\n";
    out += "  \"rootPath\": " + JsonString(result.rootPath) + ",\n";
    out += "  \"message\": " + JsonString(result.message) + ",\n";
    out += "  \"rootIndex\": " +
           (result.rootIndex == NoIndex ? std::string("null") : Number(result.rootIndex)) + ",\n";
    out += "  \"fileCount\": " + Number(result.fileCount) + ",\n";
    out += "  \"folderCount\": " + Number(result.folderCount) + ",\n";
    out += "  \"errorCount\": " + Number(result.errorCount) + ",\n";
    out += "  \"elapsedMs\": " + std::to_string(result.elapsedMs) + ",\n";
    out += "  \"nodes\": [";
    SequentialPaths paths(result.nodes);
    for (const NodeView node : result.nodes) {
        out += node.Index() == 0 ? "\n    {" : ",\n    {";
        out += "\"index\": " + Number(node.Index());
        out += ", \"parentIndex\": " + (node.Parent() == NoIndex ? std::string("null") : Number(node.Parent()));
        out += ", \"path\": " + JsonString(paths.Of(node.Index()));
        out += ", \"name\": " + JsonString(node.Name());
        out += std::string(", \"isDirectory\": ") + (node.IsDirectory() ? "true" : "false");
        out += ", \"size\": " + Number(node.Size());
        out += ", \"totalSize\": " + Number(node.TotalSize());
        out += ", \"directFilesSize\": " + Number(node.DirectFilesSize());
        out += ", \"fileCount\": " + Number(node.FileCount());
        out += ", \"folderCount\": " + Number(node.FolderCount());
        out += ", \"attributes\": " + Number(node.Attributes());
        out += std::string(", \"isReparsePoint\": ") + (node.IsReparsePoint() ? "true" : "false");
        out += ", \"sizeOnDisk\": " + Number(node.TotalSizeOnDisk());
        out += '}';
        if (!writer.NodeDone()) {
            return false;
        }
    }
    out += result.nodes.empty() ? "],\n" : "\n  ],\n";
    out += "  \"errors\": [";
    for (std::size_t i = 0; i < result.errors.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        out += "{\"path\": " + JsonString(result.errors[i].path) +
               ", \"code\": " + Number(result.errors[i].code);
        if (!result.errors[i].detail.empty()) {
            out += ", \"detail\": " + JsonString(result.errors[i].detail);
        }
        out += '}';
    }
    out += result.errors.empty() ? "]" : "\n  ]";
    const auto appendRanking = [&](const char* key, const std::vector<std::uint64_t>& indices) {
        out += ",\n  \"" + std::string(key) + "\": [";
        for (std::size_t i = 0; i < indices.size(); ++i) {
            out += i == 0 ? "" : ", ";
            out += Number(indices[i]);
        }
        out += ']';
    };
    if (!ranking.largestFiles.empty() || !ranking.largestFolders.empty()) {
        appendRanking("largestFiles", ranking.largestFiles);
        appendRanking("largestFolders", ranking.largestFolders);
    }
    out += "\n}\n";
    return writer.Flush();
}

}  // namespace varnel::report
