// The output formats of veralith-cli and the atomic file write.

#include "app/cli/output.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>

namespace veralith::app {
namespace {

TEST(CliOutputTest, CsvFieldsAreQuotedOnlyWhenNeeded)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"1\r\n2", "\"1\r\n2\""},
        {"lone\rcr", "\"lone\rcr\""},
        {"lone\nlf", "\"lone\nlf\""},
        {" padded ", " padded "},
    };
    for (const auto& [text, field] : cases) {
        EXPECT_EQ(CsvField(text), field) << text;
    }
}

FindOutput SampleOutput(CheckMode mode)
{
    FindOutput output;
    output.displayFilter = "((Surname PRESENT))";
    output.mode = mode;
    output.objects = {"a.Org", "b,c.Org", "d.Org"};
    output.values = {"x", "y\r\nz"};
    output.duplicates = {{"b,c.Org", "a.Org", "Surname", "x\"", "b,c.Org / a.Org: (Surname = x\")"}};
    return output;
}

TEST(CliOutputTest, TextCsvAndJsonOfEachMode)
{
    EXPECT_EQ(FormatFindText(SampleOutput(CheckMode::Duplicates)), "b,c.Org / a.Org: (Surname = x\")\n");
    // An object without a value entry gets an empty value.
    EXPECT_EQ(FormatFindText(SampleOutput(CheckMode::JustShow)), "a.Org\tx\nb,c.Org\ty\r\nz\nd.Org\t\n");
    EXPECT_EQ(FormatFindText(SampleOutput(CheckMode::NotPresent)), "a.Org\nb,c.Org\nd.Org\n");

    EXPECT_EQ(FormatFindCsv(SampleOutput(CheckMode::Duplicates)),
        "object,earlier,attribute,value\r\n\"b,c.Org\",a.Org,Surname,\"x\"\"\"\r\n");
    EXPECT_EQ(FormatFindCsv(SampleOutput(CheckMode::Present)),
        "object,value\r\na.Org,x\r\n\"b,c.Org\",\"y\r\nz\"\r\nd.Org,\r\n");

    const nlohmann::json json = nlohmann::json::parse(FormatFindJson(SampleOutput(CheckMode::Present)));
    EXPECT_EQ(json["filter"], "((Surname PRESENT))");
    EXPECT_EQ(json["objects"][1]["value"], "y\r\nz");
    EXPECT_TRUE(json["objects"][2]["value"].is_null());
    EXPECT_EQ(json["duplicates"][0]["value"], "x\"");
}

TEST(CliOutputTest, JsonReplacesInvalidUtf8)
{
    FindOutput output;
    output.objects = {"bad\xff name"};
    output.values = {std::string("nul\0inside", 10)};
    const std::string text = FormatFindJson(output);
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(json["objects"][0]["name"], "bad\xEF\xBF\xBD name");
    EXPECT_EQ(json["objects"][0]["value"], std::string("nul\0inside", 10));
    EXPECT_EQ(text.back(), '\n');
}

TEST(CliOutputTest, ResultFileDashIsStandardOutputAndAnyOtherNameAFile)
{
    char pattern[] = "/tmp/veralith-output-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    const util::Status toStream = WriteResultFile("-", "to the stream", out);
    ASSERT_TRUE(toStream) << toStream.Reason();
    std::rewind(out);
    char buffer[64] = {};
    EXPECT_EQ(std::string(buffer, std::fread(buffer, 1, sizeof buffer, out)), "to the stream");
    std::fclose(out);
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "\"-\" created a file";

    const std::filesystem::path file = dir / "result.txt";
    const util::Status toFile = WriteResultFile(file.string(), "to the file", nullptr);
    ASSERT_TRUE(toFile) << toFile.Reason();
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "to the file");

    // A directory in the way: the error names the path and the cause.
    const util::Status toDirectory = WriteResultFile(dir.string(), "x", nullptr);
    EXPECT_FALSE(toDirectory);
    EXPECT_EQ(toDirectory.Reason(), dir.string() + ": cannot write: Is a directory");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace veralith::app
