#include "report/ReportByType.h"

#include <vector>

#include "base/CsvField.h"
#include "base/JsonString.h"
#include "base/Utf8.h"
#include "model/FileTypes.h"
#include "report/ScanReport.h"

namespace varnel::report {
namespace {

struct TypeLine {
    std::wstring extension;
    std::string_view group;
    std::uint64_t files = 0;
    std::uint64_t size = 0;
    std::uint64_t sizeOnDisk = 0;
};

// Both measures per extension, in the order of the chosen one.
std::vector<TypeLine> TypeLines(const core::ScanResult& result, core::SizeMeasure measure) {
    std::vector<TypeLine> lines;
    if (result.rootIndex >= result.nodes.size()) {
        return lines;
    }
    const core::FileTypeIndex index(result.nodes);
    const auto rows = core::BreakDownByType(result.nodes, index, result.rootIndex, measure);
    const auto other = core::BreakDownByType(result.nodes, index, result.rootIndex,
                                             measure == core::SizeMeasure::Logical ? core::SizeMeasure::OnDisk
                                                                                   : core::SizeMeasure::Logical);
    std::vector<std::uint64_t> otherBytes(index.ExtensionCount(), 0);
    for (const core::FileTypeRow& row : other) {
        otherBytes[row.extension] = row.bytes;
    }
    for (const core::FileTypeRow& row : rows) {
        const bool logical = measure == core::SizeMeasure::Logical;
        lines.push_back({index.Extension(row.extension),
                         core::FileTypeGroupName(index.Group(row.extension)), row.files,
                         logical ? row.bytes : otherBytes[row.extension], logical ? otherBytes[row.extension] : row.bytes});
    }
    return lines;
}

const char* MeasureName(core::SizeMeasure measure) {
    return measure == core::SizeMeasure::OnDisk ? "disk" : "logical";
}

}  // namespace

std::string RenderTypesSummary(const core::ScanResult& result, core::SizeMeasure measure) {
    std::string out;
    out += "status: " + std::string(StatusName(result.status)) + '\n';
    out += "root: " + core::WideToUtf8(result.rootPath) + '\n';
    out += "measure: " + std::string(MeasureName(measure)) + '\n';
    const auto lines = TypeLines(result, measure);
    out += "types: " + std::to_string(lines.size()) + '\n';
    for (const TypeLine& line : lines) {
        out += "  " + (line.extension.empty() ? std::string("(none)") : "." + core::WideToUtf8(line.extension)) + ' ' +
               std::string(line.group) + " files=" + std::to_string(line.files) +
               " size=" + std::to_string(line.size) + " size_on_disk=" + std::to_string(line.sizeOnDisk) + '\n';
    }
    return out;
}

std::string RenderTypesCsv(const core::ScanResult& result, core::SizeMeasure measure) {
    std::string out = "extension,group,files,size,size_on_disk\n";
    for (const TypeLine& line : TypeLines(result, measure)) {
        out += core::CsvField(line.extension) + ',' + std::string(line.group) +
               ',' + std::to_string(line.files) + ',' + std::to_string(line.size) + ',' +
               std::to_string(line.sizeOnDisk) + '\n';
    }
    return out;
}

std::string RenderTypesJson(const core::ScanResult& result, core::SizeMeasure measure) {
    std::string out = "{\n  \"status\": \"" + std::string(StatusName(result.status)) + "\",\n";
    out += "  \"root\": " + core::JsonString(result.rootPath) + ",\n";
    out += "  \"measure\": \"" + std::string(MeasureName(measure)) + "\",\n  \"types\": [";
    bool first = true;
    for (const TypeLine& line : TypeLines(result, measure)) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "    {\"extension\": " + core::JsonString(line.extension) +
               ", \"group\": \"" + std::string(line.group) + "\", \"files\": " + std::to_string(line.files) +
               ", \"size\": " + std::to_string(line.size) + ", \"size_on_disk\": " + std::to_string(line.sizeOnDisk) +
               "}";
    }
    out += first ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

}  // namespace varnel::report
