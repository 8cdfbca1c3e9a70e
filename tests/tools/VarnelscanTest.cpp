#include <gtest/gtest.h>

#include "CommandLine.h"
#include "report/ScanReport.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::tools {
namespace {

using namespace varnel::report;

ScanCommand ParseOk(std::vector<std::wstring> arguments) {
    const auto parsed = ParseCommandLine(arguments);
    EXPECT_TRUE(std::holds_alternative<ScanCommand>(parsed));
    return std::holds_alternative<ScanCommand>(parsed) ? std::get<ScanCommand>(parsed) : ScanCommand{};
}

TEST(CommandLine, OptionsAndPaths) {
    const ScanCommand command =
        ParseOk({L"--engine", L"walk", L"--format", L"csv", L"--threads", L"8", L"--top", L"5", L"--size", L"disk",
                 L"C:\\", L"D:\\x"});
    EXPECT_EQ(command.engine, EngineChoice::DirectoryWalk);
    EXPECT_EQ(command.format, OutputFormat::Csv);
    EXPECT_EQ(command.threads, 8u);
    EXPECT_EQ(command.top, 5u);
    EXPECT_EQ(command.rankBy, SizeMeasure::OnDisk);
    EXPECT_EQ(command.paths, (std::vector<std::wstring>{L"C:\\", L"D:\\x"}));

    const ScanCommand defaults = ParseOk({L"C:\\"});
    EXPECT_EQ(defaults.engine, EngineChoice::Automatic);
    EXPECT_EQ(defaults.format, OutputFormat::Summary);
    EXPECT_EQ(defaults.threads, 0u);

    EXPECT_EQ(ParseOk({L"--", L"--odd-folder-name"}).paths, (std::vector<std::wstring>{L"--odd-folder-name"}));
    for (const wchar_t* help : {L"--help", L"/?"}) {
        EXPECT_TRUE(std::holds_alternative<HelpRequest>(ParseCommandLine({L"C:\\", help})));
    }
    EXPECT_TRUE(std::holds_alternative<VersionRequest>(ParseCommandLine({L"--version", L"C:\\"})));
}

TEST(CommandLine, ImageScansTheImageAlone) {
    const ScanCommand command = ParseOk({L"--image", L"disk.img", L"--threads", L"2", L"--engine", L"mft"});
    EXPECT_EQ(command.image, L"disk.img");
    EXPECT_TRUE(command.paths.empty());
    EXPECT_EQ(command.threads, 2u);
}

TEST(CommandLine, BadUsageIsAnError) {
    const std::vector<std::vector<std::wstring>> bad = {
        {},
        {L"--engine", L"fast", L"C:\\"},
        {L"--format", L"xml", L"C:\\"},
        {L"--threads", L"65", L"C:\\"},
        {L"--threads", L"-1", L"C:\\"},
        {L"--threads", L"99999999999999999999", L"C:\\"},
        {L"--top", L"", L"C:\\"},
        {L"--top"},
        {L"--colour", L"red", L"C:\\"},
        {L"--size", L"fat", L"C:\\"},
        {L"--engine", L"walk"},
        {L"--image", L"disk.img", L"C:\\"},
        {L"--image", L"disk.img", L"--engine", L"walk"},
        {L"--image", L""},
        {L"--image", L"a.img", L"--image", L"b.img"},
        {L"-x", L"C:\\"},
        {L"-h"},
    };
    for (const auto& arguments : bad) {
        EXPECT_TRUE(std::holds_alternative<UsageError>(ParseCommandLine(arguments)))
            << ::testing::PrintToString(arguments);
    }
}

core::ScanResult SampleResult() {
    core::ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"C:\\R", 0x10, 0);
    const auto sub = builder.AddFolder(root, L"s,1", 0x10, 0);
    builder.AddFile(sub, L"big", 0x20, core::FileSizes{300, 4096}, 0);
    builder.AddFile(root, L"mid", 0x20, core::FileSizes{200, 0}, 0);
    builder.AddFile(root, L"tie", 0x20, core::FileSizes{200, 300}, 0);
    builder.AddError(L"C:\\R\\denied", 5);
    builder.ComputeTotals();
    return builder.FinishResult(core::ScanStatus::Completed, L"C:\\R", 9);
}

// Errors appear in no golden output, so their rows are checked here.
TEST(ScanReport, CsvListsNodesThenErrorsThenRanking) {
    const auto result = SampleResult();
    const std::string csv = RenderCsv(result, RankLargest(result, 1));
    EXPECT_EQ(csv,
              "kind,index,parent,path,name,folder,size,total_size,direct_files_size,file_count,folder_count,"
              "attributes,reparse,error_code,size_on_disk\n"
              "node,0,,C:\\R,R,1,0,700,400,3,1,16,0,,4396\n"
              "node,1,0,\"C:\\R\\s,1\",\"s,1\",1,0,300,300,1,0,16,0,,4096\n"
              "node,2,1,\"C:\\R\\s,1\\big\",big,0,300,300,0,0,0,32,0,,4096\n"
              "node,3,0,C:\\R\\mid,mid,0,200,200,0,0,0,32,0,,0\n"
              "node,4,0,C:\\R\\tie,tie,0,200,200,0,0,0,32,0,,300\n"
              "error,,,C:\\R\\denied,,,,,,,,,,5,\n"
              "largest_file,2,,\"C:\\R\\s,1\\big\",,,,300,,,,,,,4096\n"
              "largest_folder,1,,\"C:\\R\\s,1\",,,,300,,,,,,,4096\n");
    // Ranked by bytes on disk, the file that takes more space comes first.
    EXPECT_EQ(RankLargest(result, 2, SizeMeasure::OnDisk).largestFiles, (std::vector<std::uint64_t>{2, 4}));
    EXPECT_EQ(RankLargest(result, 2, SizeMeasure::Logical).largestFiles, (std::vector<std::uint64_t>{2, 3}));
    EXPECT_NE(RenderSummary(result, {}).find("files: 3\nfolders: 2\nerrors: 1\nelapsed_ms: 9\ntotal_size: 700\ntotal_size_on_disk: 4396\n"),
              std::string::npos);
    EXPECT_NE(RenderJson(result, {}).find("\"errors\": [\n    {\"path\": \"C:\\\\R\\\\denied\", \"code\": 5}\n  ]\n}"),
              std::string::npos);
}

// A big result reaches the sink in pieces that add up to the whole report;
// a sink that says stop gets no more.
TEST(ScanReport, PiecesAddUpAndAStoppedReportEnds) {
    core::ScanTreeBuilder builder;
    const auto root = builder.AddRoot(L"C:\\R", 0x10, 0);
    for (int i = 0; i < 5000; ++i) builder.AddFile(root, L"f", 0x20, core::FileSizes{1, 1}, 0);
    builder.ComputeTotals();
    const auto result = builder.FinishResult(core::ScanStatus::Completed, L"C:\\R", 9);
    std::string joined;
    std::vector<std::uint64_t> counts;
    EXPECT_TRUE(WriteJson(result, {}, [&](std::string_view piece, std::uint64_t nodes) {
        joined += piece;
        counts.push_back(nodes);
        return true;
    }));
    EXPECT_EQ(joined, RenderJson(result, {}));
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{2048, 4096, 5001}));
    EXPECT_FALSE(WriteCsv(result, {}, [&](std::string_view, std::uint64_t nodes) { return nodes < 4096; }));
}

}  // namespace
}  // namespace varnel::tools

#include "ProgressLine.h"

namespace varnel::tools {
namespace {

TEST(ProgressLine, FitsTheWidthAndKeepsThePathsEnd) {
    const core::ScanProgress progress{L"C:\\a\\very\\long\\path\\that\\goes\\on\\and\\on\\target.bin", 1234, 56};
    EXPECT_EQ(ProgressLine::Format(progress, 200),
              "1234 files, 56 folders: C:\\a\\very\\long\\path\\that\\goes\\on\\and\\on\\target.bin");
    const std::string narrow = ProgressLine::Format(progress, 40);
    EXPECT_EQ(narrow, "1234 files, 56 folders: ...on\\target.bin");
    EXPECT_EQ(narrow.size(), 40u);
    EXPECT_EQ(ProgressLine::Format(progress, 10), "1234 files");
    EXPECT_EQ(ProgressLine::Format({L"", 0, 0}, 79), "0 files, 0 folders");
}

}  // namespace
}  // namespace varnel::tools
