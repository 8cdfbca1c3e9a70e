#include "ScanReport.h"

#include <algorithm>
#include <cstdio>

#include "core/Utf8.h"

namespace varnel::tools {

using core::NoIndex;
using core::ScanNode;
using core::ScanResult;

namespace {

std::string Number(std::uint64_t value) { return std::to_string(value); }

std::vector<std::uint64_t> Largest(const ScanResult& result, std::uint64_t count, bool folders) {
    std::vector<std::uint64_t> candidates;
    for (const ScanNode& node : result.nodes) {
        if (node.isDirectory == folders && node.index != result.rootIndex) {
            candidates.push_back(node.index);
        }
    }
    const auto larger = [&](std::uint64_t a, std::uint64_t b) {
        const std::uint64_t sizeA = result.nodes[a].totalSize;
        const std::uint64_t sizeB = result.nodes[b].totalSize;
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

std::string Collect(const std::function<bool(const ReportSink&)>& write) {
    std::string all;
    write([&all](std::string_view piece, std::uint64_t) {
        all += piece;
        return true;
    });
    return all;
}

void AppendRankingLines(std::string& out, const char* heading, const ScanResult& result,
                        const std::vector<std::uint64_t>& indices) {
    out += heading;
    out += '\n';
    for (const std::uint64_t index : indices) {
        const ScanNode& node = result.nodes[index];
        out += "  ";
        out += Number(node.totalSize);
        out += '\t';
        out += core::WideToUtf8(node.path);
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
    }
    return "Unknown";
}

const char* EngineName(core::ScanEngineKind engine) {
    switch (engine) {
        case core::ScanEngineKind::DirectoryWalk: return "DirectoryWalk";
        case core::ScanEngineKind::NtQueryDirectory: return "NtQueryDirectory";
        case core::ScanEngineKind::NtfsMft: return "NtfsMft";
    }
    return "Unknown";
}

Ranking RankLargest(const ScanResult& result, std::uint64_t count) {
    Ranking ranking;
    if (result.rootIndex == NoIndex || count == 0) {
        return ranking;
    }
    ranking.largestFiles = Largest(result, count, false);
    ranking.largestFolders = Largest(result, count, true);
    return ranking;
}

std::string CsvField(const std::wstring& text) {
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

std::string JsonString(const std::wstring& text) {
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
        out += "total_size: " + Number(result.nodes[result.rootIndex].totalSize) + '\n';
    }
    if (!ranking.largestFiles.empty() || !ranking.largestFolders.empty()) {
        AppendRankingLines(out, "largest_files:", result, ranking.largestFiles);
        AppendRankingLines(out, "largest_folders:", result, ranking.largestFolders);
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
        "folder_count,attributes,reparse,error_code\n";
    for (const ScanNode& node : result.nodes) {
        out += "node,";
        out += Number(node.index) + ',';
        out += (node.parentIndex == NoIndex ? std::string() : Number(node.parentIndex)) + ',';
        out += CsvField(node.path) + ',';
        out += CsvField(node.name) + ',';
        out += node.isDirectory ? "1," : "0,";
        out += Number(node.size) + ',';
        out += Number(node.totalSize) + ',';
        out += Number(node.directFilesSize) + ',';
        out += Number(node.fileCount) + ',';
        out += Number(node.folderCount) + ',';
        out += Number(node.attributes) + ',';
        out += node.isReparsePoint ? "1," : "0,";
        out += '\n';
        if (!writer.NodeDone()) {
            return false;
        }
    }
    for (const core::ScanError& error : result.errors) {
        out += "error,,," + CsvField(error.path) + ",,,,,,,,,," + Number(error.code) + '\n';
    }
    const auto appendRanking = [&](const char* kind, const std::vector<std::uint64_t>& indices) {
        for (const std::uint64_t index : indices) {
            const ScanNode& node = result.nodes[index];
            out += std::string(kind) + ',' + Number(index) + ",," + CsvField(node.path) + ",,,," +
                   Number(node.totalSize) + ",,,,,,\n";
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
    for (const ScanNode& node : result.nodes) {
        out += node.index == 0 ? "\n    {" : ",\n    {";
        out += "\"index\": " + Number(node.index);
        out += ", \"parentIndex\": " +
               (node.parentIndex == NoIndex ? std::string("null") : Number(node.parentIndex));
        out += ", \"path\": " + JsonString(node.path);
        out += ", \"name\": " + JsonString(node.name);
        out += std::string(", \"isDirectory\": ") + (node.isDirectory ? "true" : "false");
        out += ", \"size\": " + Number(node.size);
        out += ", \"totalSize\": " + Number(node.totalSize);
        out += ", \"directFilesSize\": " + Number(node.directFilesSize);
        out += ", \"fileCount\": " + Number(node.fileCount);
        out += ", \"folderCount\": " + Number(node.folderCount);
        out += ", \"attributes\": " + Number(node.attributes);
        out += std::string(", \"isReparsePoint\": ") + (node.isReparsePoint ? "true" : "false");
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
               ", \"code\": " + Number(result.errors[i].code) + '}';
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

}  // namespace varnel::tools
