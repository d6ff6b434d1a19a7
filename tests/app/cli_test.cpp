// veralith-cli through the executable: every command, every output format,
// exit statuses, bad arguments and tree files that do not load.

#include "tests/app/cli_process.h"
#include "tests/app/run_tree.h"
#include "tests/support/files.h"
#include "util/collate.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace veralith::app {
namespace {

using Args = std::vector<std::string>;

ProcessResult Cli(const Args& args)
{
    Args all {"--tree-file", TestDataPath("run-tree.json")};
    all.insert(all.end(), args.begin(), args.end());
    return RunProcess(VERALITH_CLI_PATH, all);
}

const std::vector<std::string> kSalesDuplicates {
    "baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)",
    "clark.Sales.Acme / adams.Sales.Acme: (Surname = Miller)",
};

// ---- trees, classes, attributes, containers ---------------------------

TEST(CliTest, TreesListsEveryLoadedTreeInScanOrder)
{
    const ProcessResult result = RunProcess(VERALITH_CLI_PATH,
        {"--tree-file", TestDataPath("run-second-tree.json"), "--tree-file=" + TestDataPath("run-tree.json"), "trees"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "SECOND_TREE\nRUN_TREE\n");
    EXPECT_EQ(result.err, "");
}

TEST(CliTest, ClassesAreSortedAndAuxiliaryClassesMarked)
{
    const ProcessResult result = Cli({"classes"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "User"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "runAux\taux"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "runAux"), lines.end());
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(),
        [](const std::string& a, const std::string& b) { return util::CompareTextsForSorting(a, b) < 0; }));
}

TEST(CliTest, AttributesOfAClassAndOfTheWholeSchema)
{
    const ProcessResult aux = Cli({"attributes", "--class", "runaux"});
    ASSERT_EQ(aux.status, 0) << aux.err;
    const std::vector<std::string> auxLines = Lines(aux.out);
    EXPECT_NE(std::find(auxLines.begin(), auxLines.end(), "runBadge"), auxLines.end());
    EXPECT_EQ(std::find(auxLines.begin(), auxLines.end(), "Surname"), auxLines.end());

    const ProcessResult user = Cli({"attributes", "--tree", "RUN_TREE", "--class", "User"});
    ASSERT_EQ(user.status, 0) << user.err;
    const std::vector<std::string> userLines = Lines(user.out);
    EXPECT_NE(std::find(userLines.begin(), userLines.end(), "Surname"), userLines.end());
    EXPECT_TRUE(std::is_sorted(userLines.begin(), userLines.end(),
        [](const std::string& a, const std::string& b) { return util::CompareTextsForSorting(a, b) < 0; }));

    const ProcessResult all = Cli({"attributes"});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<std::string> allLines = Lines(all.out);
    EXPECT_GT(allLines.size(), userLines.size());
    EXPECT_NE(std::find(allLines.begin(), allLines.end(), "runBadge"), allLines.end());

    // The empty class, as the window's empty first class entry: every class's attributes.
    const ProcessResult everyClass = Cli({"attributes", "--class", ""});
    ASSERT_EQ(everyClass.status, 0) << everyClass.err;
    const std::vector<std::string> everyClassLines = Lines(everyClass.out);
    EXPECT_NE(std::find(everyClassLines.begin(), everyClassLines.end(), "runBadge"), everyClassLines.end());
    EXPECT_NE(std::find(everyClassLines.begin(), everyClassLines.end(), "Surname"), everyClassLines.end());

    const ProcessResult unknown = Cli({"attributes", "--class", "NoSuchClass"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("NoSuchClass"), std::string::npos) << unknown.err;
    EXPECT_EQ(unknown.out, "");
}

TEST(CliTest, ContainersBelowTheDefaultContextOrAGivenOne)
{
    const ProcessResult defaults = Cli({"containers"});
    EXPECT_EQ(defaults.status, 0) << defaults.err;
    EXPECT_EQ(defaults.out, "Empty\nSales\n");

    EXPECT_EQ(Cli({"containers", "--context", "[Root]"}).out, "Acme\n");
    EXPECT_EQ(Cli({"containers", "--context", ".Sales.Acme"}).out, "East\n");
    EXPECT_EQ(Cli({"containers", "--context", ".Empty.Acme"}).out, "");

    const ProcessResult missing = Cli({"containers", "--context", ".Nowhere.Acme"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("returned error"), std::string::npos) << missing.err;
}

TEST(CliTest, UnknownTreeIsADirectoryError)
{
    const ProcessResult result = Cli({"classes", "--tree", "NO_SUCH_TREE"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("NO_SUCH_TREE"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("ERR_UNREACHABLE_SERVER"), std::string::npos) << result.err;
}

// ---- read, search -----------------------------------------------------

TEST(CliTest, ReadPrintsValuesJoinedByCrLf)
{
    const ProcessResult result = Cli({"read", "--object", ".adams.Sales.Acme", "--attribute", "Telephone Number"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "1\r\n2\n");

    const ProcessResult missing = Cli({"read", "--object", ".nosur1.Sales.Acme", "--attribute", "Surname"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("ERR_NO_SUCH_ATTRIBUTE"), std::string::npos) << missing.err;

    const ProcessResult noObject = Cli({"read", "--object", ".nobody.Sales.Acme", "--attribute", "Surname"});
    EXPECT_EQ(noObject.status, 2);
    EXPECT_NE(noObject.err.find("ERR_NO_SUCH_ENTRY"), std::string::npos) << noObject.err;
}

TEST(CliTest, SearchPrintsDisplayTextsInTheOrderFound)
{
    const ProcessResult one = Cli({"search", "--base", ".Sales.Acme", "--filter", "(Surname=miller)", "--scope", "1"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "adams.Sales.Acme\nbaker.Sales.Acme\nclark.Sales.Acme\n");

    const ProcessResult subtree = Cli({"search", "--base", ".Sales.Acme", "--filter", "(Surname=miller)"});
    EXPECT_EQ(Lines(subtree.out).size(), 4u);

    const ProcessResult limited =
        Cli({"search", "--base", ".Sales.Acme", "--filter", "(Surname=miller)", "--limit", "2"});
    EXPECT_EQ(Lines(limited.out).size(), 2u);

    const ProcessResult templated = Cli({"search", "--base", ".Sales.Acme", "--filter", "(Surname=Jones)", "--scope",
        "1", "--template", "#[CN]# (#CLASS#) #[Surname]#"});
    EXPECT_EQ(templated.out, "davis (User) Jones\n");

    const ProcessResult bad = Cli({"search", "--filter", "((Surname=miller)"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("ERR_INVALID_FILTER_SYNTAX"), std::string::npos) << bad.err;
}

// ---- find ---------------------------------------------------------------

TEST(CliTest, FindDuplicatesTextExitsOneWithTheLogLines)
{
    const ProcessResult result = Cli({"find", "--base", ".Sales.Acme", "--attribute", "surname"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(Lines(result.out), kSalesDuplicates);
    EXPECT_EQ(result.err, "");
}

TEST(CliTest, FindShowsAProgressLineOnlyWhenAskedOrOnATerminal)
{
    struct Case
    {
        Args options;
        bool shown;
    };
    // Standard error is a file here, not a terminal.
    const Case cases[] = {{{}, false}, {{"--no-progress"}, false}, {{"--progress"}, true}};
    for (const Case& c : cases) {
        Args args {"find", "--base", ".Sales.Acme", "--attribute", "surname"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProcessResult result = Cli(args);
        SCOPED_TRACE(c.options.empty() ? "no option" : c.options.front());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(Lines(result.out), kSalesDuplicates);
        if (!c.shown) {
            EXPECT_EQ(result.err, "");
            continue;
        }
        // Drawn over itself with carriage returns and erased at the end.
        EXPECT_TRUE(result.err.starts_with("\r0 objects found, 0 values read\033[K")) << result.err;
        EXPECT_TRUE(result.err.ends_with("\r\033[K")) << result.err;
        EXPECT_EQ(result.err.find('\n'), std::string::npos) << result.err;
    }
    const ProcessResult bad = Cli({"find", "--attribute", "surname", "--progress=yes"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("find: --progress takes no value"), std::string::npos) << bad.err;
}

TEST(CliTest, FindWithoutDuplicatesExitsZeroWithTheMessage)
{
    const ProcessResult result = Cli({"find", "--base", ".Sales.Acme", "--class", "runAux", "--attribute", "runBadge"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "No duplicates found\n");
}

TEST(CliTest, FindRecurseAndMultiValuedValues)
{
    const ProcessResult result =
        Cli({"find", "--base", ".Sales.Acme", "--class", "User", "--attribute", "Telephone Number", "--recurse"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "baker.Sales.Acme / adams.Sales.Acme: (Telephone Number = 1\r\n2)\n");
}

TEST(CliTest, FindOtherModesInText)
{
    const ProcessResult present =
        Cli({"find", "--base", ".Sales.Acme", "--class", "User", "--attribute", "Surname", "--mode", "present"});
    EXPECT_EQ(present.status, 0);
    EXPECT_EQ(present.out,
        "adams.Sales.Acme\tMiller\nbaker.Sales.Acme\tMILLER\nclark.Sales.Acme\tMiller\ndavis.Sales.Acme\tJones\n");

    const ProcessResult absent =
        Cli({"find", "--base", ".Sales.Acme", "--class", "User", "--attribute", "Surname", "--mode", "absent"});
    EXPECT_EQ(absent.status, 0);
    EXPECT_EQ(absent.out, "nosur1.Sales.Acme\nnosur2.Sales.Acme\n");

    const ProcessResult show =
        Cli({"find", "--base", ".Sales.Acme", "--class", "User", "--attribute", "Surname", "--mode", "show"});
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(Lines(show.out).size(), 6u);
    EXPECT_EQ(Lines(show.out)[4], "nosur1.Sales.Acme\t");
}

TEST(CliTest, FindCsvQuotesFieldsPerRfc4180)
{
    const ProcessResult dup =
        Cli({"find", "--base", ".Sales.Acme", "--class", "User", "--attribute", "Telephone Number", "--format", "csv"});
    EXPECT_EQ(dup.status, 1);
    EXPECT_EQ(dup.out,
        "object,earlier,attribute,value\r\n"
        "baker.Sales.Acme,adams.Sales.Acme,Telephone Number,\"1\r\n2\"\r\n");

    const ProcessResult present = Cli({"find", "--base", ".Sales.Acme", "--class", "runAux", "--attribute", "runBadge",
        "--mode", "present", "--format", "csv"});
    EXPECT_EQ(present.status, 0);
    EXPECT_EQ(present.out, "object,value\r\ndavis.Sales.Acme,B-7\r\n");
}

TEST(CliTest, FindJsonHoldsFilterObjectsAndDuplicates)
{
    const ProcessResult result = Cli({"find", "--base", ".Sales.Acme", "--attribute", "Surname", "--format", "json"});
    EXPECT_EQ(result.status, 1);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["filter"], "((Surname PRESENT))");
    ASSERT_EQ(document["objects"].size(), 6u);
    EXPECT_EQ(document["objects"][1]["name"], "baker.Sales.Acme");
    EXPECT_EQ(document["objects"][1]["value"], "MILLER");
    EXPECT_EQ(document["objects"][5]["value"], "");
    ASSERT_EQ(document["duplicates"].size(), 2u);
    EXPECT_EQ(document["duplicates"][1],
        (nlohmann::json {{"object", "clark.Sales.Acme"}, {"earlier", "adams.Sales.Acme"}, {"attribute", "Surname"},
            {"value", "Miller"}}));

    const ProcessResult absent = Cli({"find", "--base", ".Sales.Acme", "--class", "User", "--attribute", "Surname",
        "--mode", "absent", "--format", "json"});
    const nlohmann::json absentDocument = nlohmann::json::parse(absent.out);
    EXPECT_TRUE(absentDocument["objects"][0]["value"].is_null());
    EXPECT_TRUE(absentDocument["duplicates"].empty());
}

TEST(CliTest, FindOutputIsWrittenToTheFileAndReplacesIt)
{
    const test_support::ScratchFolder dir("veralith-cli-out");
    const std::filesystem::path file = std::filesystem::path(dir.Path()) / "dups.csv";
    std::ofstream(file) << "old content that is longer than the new one\n";
    const ProcessResult result =
        Cli({"find", "--base", ".Sales.Acme", "--attribute", "Surname", "--format", "csv", "--output", file.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    const ProcessResult toStdout = Cli({"find", "--base", ".Sales.Acme", "--attribute", "Surname", "--format", "csv"});
    EXPECT_EQ(test_support::ReadWholeFile(file.string()), toStdout.out);
    // Nothing but the file itself is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(dir.Path())), {}), 1);

    const ProcessResult unwritable = Cli({"find", "--base", ".Sales.Acme", "--attribute", "Surname", "--output",
        (std::filesystem::path(dir.Path()) / "missing" / "out.txt").string()});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("missing/out.txt"), std::string::npos) << unwritable.err;
}

TEST(CliTest, FindMessagesGoToStandardError)
{
    const ProcessResult guard = Cli({"find", "--mode", "present", "--class", "User"});
    EXPECT_EQ(guard.status, 2);
    EXPECT_EQ(guard.err, "veralith-cli: find: Please select an attribute for comparison\n");
    EXPECT_EQ(guard.out, "");

    const ProcessResult noMatch = Cli({"find", "--base", ".Empty.Acme", "--mode", "show"});
    EXPECT_EQ(noMatch.status, 0);
    EXPECT_EQ(noMatch.err, "No matching objects found - Filter: \n");
    EXPECT_EQ(noMatch.out, "");
}

TEST(CliTest, FindWithFailingSearchPrintsTheErrorAloneAndExitsTwo)
{
    const ProcessResult result = Cli({"find", "--base", ".Nowhere.Acme", "--attribute", "Surname"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    const std::vector<std::string> lines = Lines(result.err);
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_EQ(lines[0].rfind("veralith-cli: find: SearchObjectNames returned error", 0), 0u) << lines[0];
}

// A run that did not compare what it was asked to compare fails (exit 2) with
// the cause, and never says "No duplicates found" first.
TEST(CliTest, RunsThatCompareNothingFailWithTheirCause)
{
    const test_support::ScratchFolder dir("veralith-cli-out");
    // A class whose name unbalances the filter's parentheses.
    const std::filesystem::path team = std::filesystem::path(dir.Path()) / "team.json";
    std::ofstream(team) << R"({ "format": "veralith-tree/1", "tree": "TEAM", "defaultNameContext": "Acme",
  "schema": { "classes": [ { "name": "Team (X", "superClasses": ["Top"], "containment": [], "naming": [],
                             "mandatory": [], "optional": ["Surname"] } ] },
  "objects": [ { "name": "Acme", "class": "Organization" },
               { "name": "t1.Acme", "class": "Team (X", "attributes": { "Surname": ["Same"] } } ] })";
    const struct
    {
        Args args;
        std::vector<std::string> environment;
        std::string cause;
    } cases[] = {
        {{"--tree-file", TestDataPath("run-tree.json"), "find", "--base", ".Sales.Acme"}, {},
            "find: Please select an attribute for comparison"},
        {{"--tree-file", TestDataPath("run-tree.json"), "find", "--attribute", "", "--base", ".Sales.Acme"}, {},
            "find: Please select an attribute for comparison"},
        {{"--tree-file", TestDataPath("run-tree.json"), "find", "--base", ".Nowhere.Acme", "--attribute", "Surname",
             "--mode", "absent"},
            {}, "SearchObjectNames returned error 0xFFFFFDA7"},
        {{"--tree-file", team.string(), "find", "--class", "Team (X", "--attribute", "Surname", "--recurse"}, {},
            "ERR_INVALID_FILTER_SYNTAX"},
        {{"find", "--attribute", "Surname"},
            {"VERALITH_TREES=" + (std::filesystem::path(dir.Path()) / "gone.json").string() + ";" +
                TestDataPath("run-tree.json")},
            "gone.json: cannot open the file: No such file or directory"},
        {{"--tree-file", TestDataPath("run-tree.json"), "search", "--template", "#[%d][CN]#"}, {},
            "--template: field \"#[%d][CN]#\""},
        {{"--tree-file", TestDataPath("run-tree.json"), "search", "--template", "#[%s %s][CN]#"}, {},
            "missing argument"},
        {{"--tree-file", TestDataPath("run-tree.json"), "search", "--template", "#[%5000s][CN]#"}, {},
            "width larger than"},
        {{"--tree-file", TestDataPath("run-tree.json"), "search", "--template", "#[][CN]#"}, {}, "left over"},
        {{"--tree-file", TestDataPath("run-tree.json"), "search", "--template", ""}, {},
            "--template: the template is empty"},
    };
    for (const auto& [args, environment, cause] : cases) {
        const ProcessResult result = RunProcess(VERALITH_CLI_PATH, args, environment);
        EXPECT_EQ(result.status, 2) << cause << "\n" << result.err;
        EXPECT_NE(result.err.find(cause), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("No duplicates found"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("No matching objects found"), std::string::npos) << result.err;
    }
}

TEST(CliTest, FindJsonCarriesTheCountsAndTheError)
{
    const ProcessResult clean = Cli({"find", "--base", ".Sales.Acme", "--attribute", "Surname", "--format", "json"});
    const nlohmann::json counts = nlohmann::json::parse(clean.out)["counts"];
    EXPECT_EQ(counts, (nlohmann::json {{"objects", 6}, {"values", 6}, {"unreadable", 0}, {"duplicates", 2}}));
    EXPECT_TRUE(nlohmann::json::parse(clean.out)["error"].is_null());

    const ProcessResult failed =
        Cli({"find", "--base", ".Nowhere.Acme", "--attribute", "Surname", "--mode", "show", "--format", "json"});
    EXPECT_EQ(failed.status, 2);
    const nlohmann::json document = nlohmann::json::parse(failed.out);
    EXPECT_EQ(document["counts"]["objects"], 0);
    EXPECT_NE(document["error"].get<std::string>().find("SearchObjectNames returned error"), std::string::npos);
}

TEST(CliTest, StringValuesAreComparedAndShownWhole)
{
    const test_support::ScratchFolder dir("veralith-cli-out");
    const std::filesystem::path tree = std::filesystem::path(dir.Path()) / "nul.json";
    // The values differ only after a NUL: no duplicates; the NUL is shown.
    std::ofstream(tree) << R"({ "format": "veralith-tree/1", "tree": "NUL", "defaultNameContext": "Acme",
  "objects": [ { "name": "Acme", "class": "Organization" },
    { "name": "a.Acme", "class": "User", "attributes": { "Surname": ["x\u0000one"] } },
    { "name": "b.Acme", "class": "User", "attributes": { "Surname": ["x\u0000two"] } },
    { "name": "c.Acme", "class": "User", "attributes": { "Surname": ["x\u0000two"] } } ] })";
    const ProcessResult result = RunProcess(VERALITH_CLI_PATH,
        {"--tree-file", tree.string(), "find", "--base", ".Acme", "--attribute", "Surname", "--mode", "show"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "a.Acme\tx\\0one\nb.Acme\tx\\0two\nc.Acme\tx\\0two\n");
    const ProcessResult duplicates = RunProcess(
        VERALITH_CLI_PATH, {"--tree-file", tree.string(), "find", "--base", ".Acme", "--attribute", "Surname"});
    EXPECT_EQ(duplicates.status, 1) << duplicates.err;
    EXPECT_EQ(duplicates.out, "c.Acme / b.Acme: (Surname = x\\0two)\n");
}

TEST(CliTest, FindRejectsNamesTheSchemaLacks)
{
    const ProcessResult badClass = Cli({"find", "--class", "Nope", "--attribute", "Surname"});
    EXPECT_EQ(badClass.status, 2);
    EXPECT_NE(badClass.err.find("\"Nope\""), std::string::npos) << badClass.err;
    const ProcessResult badAttribute = Cli({"find", "--attribute", "Nope"});
    EXPECT_EQ(badAttribute.status, 2);
    EXPECT_NE(badAttribute.err.find("\"Nope\""), std::string::npos) << badAttribute.err;
}

// ---- usage --------------------------------------------------------------

TEST(CliTest, BadArgumentsExitTwoWithAMessageAndTheUsage)
{
    const std::vector<std::pair<Args, std::string>> cases {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"--verbose", "trees"}, "unknown option \"--verbose\""},
        {{"trees", "--tree", "X"}, "trees: unknown option \"--tree\""},
        {{"find", "--mode", "loud"}, "--mode: \"loud\" is not duplicates, present, absent or show"},
        {{"find", "--format", "xml"}, "--format: \"xml\" is not text, csv or json"},
        {{"find", "--recurse=yes"}, "--recurse takes no value"},
        {{"find", "--attribute"}, "--attribute: missing value"},
        {{"find", "--class", "User", "--class", "Group"}, "--class given twice"},
        {{"search", "--scope", "3"}, "--scope: \"3\" is not 0, 1 or 2"},
        {{"search", "--limit", "-1"}, "--limit: \"-1\" is not a positive whole number"},
        {{"search", "stray"}, "search: unexpected argument \"stray\""},
        {{"read", "--object", ".adams.Sales.Acme"}, "read: --attribute is required"},
        {{"read", "--attribute", "Surname"}, "read: --object is required"},
        {{"--tree-file"}, "--tree-file: missing file name"},
        {{"--tree-file", "--quiet", "trees"}, "--tree-file: missing file name"},
        {{"find", "--attribute", "--recurse"}, "find: --attribute: missing value"},
        {{"find", "--base", "--", "x"}, "find: --base: missing value"},
        {{"find", "--", "--recurse"}, "find: unexpected argument \"--recurse\""},
        {{"--quiet=yes", "trees"}, "--quiet takes no value"},
        {{"search", "--format", "yaml"}, "--format: \"yaml\" is not text, csv or json"},
        {{"snapshot", "--format", "csv"}, "snapshot: --format: \"csv\" is not json or ldif"},
        {{"snapshot", "--mode", "show"}, "snapshot: unknown option \"--mode\""},
        {{"snapshot", "--tree-file="}, "snapshot: --tree-file: the file name is empty"},
        {{"find", "--tree-file", "x.json"}, "find: unknown option \"--tree-file\""},
    };
    for (const auto& [args, message] : cases) {
        const ProcessResult result = RunProcess(VERALITH_CLI_PATH, args);
        EXPECT_EQ(result.status, 2) << message;
        EXPECT_EQ(result.out, "") << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("usage: veralith-cli"), std::string::npos) << result.err;
    }
}

TEST(CliTest, HelpPrintsTheUsageOfEachCommand)
{
    const ProcessResult overview = RunProcess(VERALITH_CLI_PATH, {"--help"});
    EXPECT_EQ(overview.status, 0);
    EXPECT_NE(overview.out.find("Commands: trees, classes, attributes, containers, read, search, find, snapshot."),
        std::string::npos);
    for (const std::string command :
        {"trees", "classes", "attributes", "containers", "read", "search", "find", "snapshot"}) {
        const ProcessResult help = RunProcess(VERALITH_CLI_PATH, {command, "--format", "bogus", "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("usage: veralith-cli [--tree-file FILE]... " + command), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");
    }
}

// ---- snapshots ----------------------------------------------------------

// A snapshot of the large sample tree, written as a tree file, gives the
// lines the tree gives, whether the source is named before or after the
// command and whether the snapshot goes to a file or standard output.
TEST(CliTest, SnapshotsGiveTheLinesOfTheirSource)
{
    const std::string dir = ::testing::TempDir() + "veralith-snapshot-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/acme.json";
    const ProcessResult written =
        RunProcess(VERALITH_CLI_PATH, {"snapshot", "--tree-file", "builtin:acme", "--output", file});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    const ProcessResult printed = RunProcess(VERALITH_CLI_PATH, {"--tree-file", "builtin:acme", "snapshot"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    std::ifstream in(file);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(printed.out, content);
    const std::vector<Args> kRuns = {
        {"find", "--mode", "duplicates", "--attribute", "Telephone Number", "--recurse"},
        {"find", "--mode", "show", "--attribute", "Network Address", "--recurse"},
        {"find", "--mode", "absent", "--attribute", "Given Name", "--recurse", "--class", "User"},
        {"read", "--object", ".Admin.Acme", "--attribute", "Object Class"},
        {"containers"},
    };
    for (const Args& run : kRuns) {
        Args original {"--tree-file", "builtin:acme"};
        Args copy {"--tree-file", file};
        original.insert(original.end(), run.begin(), run.end());
        copy.insert(copy.end(), run.begin(), run.end());
        const ProcessResult expected = RunProcess(VERALITH_CLI_PATH, original);
        const ProcessResult actual = RunProcess(VERALITH_CLI_PATH, copy);
        EXPECT_FALSE(expected.out.empty()) << run[0] << " " << expected.err;
        EXPECT_EQ(actual.status, expected.status) << run[0] << " " << actual.err;
        EXPECT_EQ(actual.out, expected.out) << run[0];
    }
    const ProcessResult unwritable =
        RunProcess(VERALITH_CLI_PATH, {"snapshot", "--tree-file", "builtin:acme", "--output", dir + "/no/such/x.json"});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("veralith-cli: snapshot: --output: "), std::string::npos) << unwritable.err;
    std::filesystem::remove_all(dir);
}

// ---- tree sources -------------------------------------------------------

TEST(CliTest, TreeFileThatDoesNotLoadExitsTwoAndIsNamed)
{
    const std::string broken = TestDataPath("broken-run-tree.json");
    const ProcessResult alone = RunProcess(VERALITH_CLI_PATH, {"--tree-file", broken, "trees"});
    EXPECT_EQ(alone.status, 2);
    EXPECT_EQ(alone.out, "");
    EXPECT_NE(alone.err.find("broken-run-tree.json"), std::string::npos) << alone.err;

    const ProcessResult withGood =
        RunProcess(VERALITH_CLI_PATH, {"--tree-file", TestDataPath("run-tree.json"), "--tree-file", broken, "trees"});
    EXPECT_EQ(withGood.status, 2);
    EXPECT_NE(withGood.err.find("broken-run-tree.json"), std::string::npos) << withGood.err;

    const ProcessResult missing = RunProcess(VERALITH_CLI_PATH, {"--tree-file", "/nonexistent/tree.json", "classes"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("/nonexistent/tree.json"), std::string::npos) << missing.err;
}

TEST(CliTest, WithoutTreeFilesTheEnvironmentSourcesApply)
{
    const ProcessResult result =
        RunProcess(VERALITH_CLI_PATH, {"trees"}, {"VERALITH_TREES=" + TestDataPath("run-second-tree.json")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "SECOND_TREE\n");

    // An empty variable names no tree: the built-in trees, as without it.
    const ProcessResult empty = RunProcess(VERALITH_CLI_PATH, {"trees"}, {"VERALITH_TREES="});
    const ProcessResult unset = RunProcess(VERALITH_CLI_PATH, {"trees"}, {"VERALITH_TREES"});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_FALSE(empty.out.empty());
    EXPECT_EQ(empty.out, unset.out);
}

TEST(CliTest, ATreeFileThatCannotBeOpenedSaysWhyInOneLine)
{
    const ProcessResult missing = RunProcess(VERALITH_CLI_PATH, {"--tree-file", "/nonexistent/tree.json", "trees"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(
        missing.err, "veralith-cli: trees: /nonexistent/tree.json: cannot open the file: No such file or directory\n");
    const ProcessResult folder = RunProcess(VERALITH_CLI_PATH, {"--tree-file", "/tmp", "trees"});
    EXPECT_EQ(folder.status, 2);
    EXPECT_EQ(folder.err, "veralith-cli: trees: /tmp: not a file but a directory\n");
}

TEST(CliTest, TheTreeFileCanComeFromStandardInput)
{
    const std::string tree = TestDataPath("run-tree.json");
    for (const std::string source : {"-", "/dev/stdin"}) {
        const ProcessResult piped = RunProcess("/bin/sh",
            {"-c", "cat \"$1\" | \"$2\" --tree-file " + source + " find --base .Sales.Acme --attribute Surname", "sh",
                tree, VERALITH_CLI_PATH});
        EXPECT_EQ(piped.status, 1) << source << piped.err;
        EXPECT_EQ(Lines(piped.out), kSalesDuplicates) << source;
    }
    const ProcessResult redirected =
        RunProcess("/bin/sh", {"-c", "\"$2\" --tree-file - trees < \"$1\"", "sh", tree, VERALITH_CLI_PATH});
    EXPECT_EQ(redirected.out, "RUN_TREE\n") << redirected.err;
}

// ---- conventions --------------------------------------------------------

TEST(CliTest, QuietDropsInformationButNeverErrors)
{
    const struct
    {
        Args args;
        int status;
        std::string loudErr; // without --quiet
        std::string quietErr;
    } cases[] = {
        {{"find", "--base", ".Sales.Acme", "--class", "runAux", "--attribute", "runBadge"}, 0, "No duplicates found\n",
            ""},
        {{"find", "--base", ".Empty.Acme", "--attribute", "Surname"}, 0,
            "No matching objects found - Filter: ((Surname PRESENT))\n", ""},
        {{"find", "--base", ".Sales.Acme"}, 2, "veralith-cli: find: Please select an attribute for comparison\n",
            "veralith-cli: find: Please select an attribute for comparison\n"},
    };
    for (const auto& [args, status, loudErr, quietErr] : cases) {
        const ProcessResult loud = Cli(args);
        EXPECT_EQ(loud.status, status);
        EXPECT_EQ(loud.err, loudErr);
        Args before {"--tree-file", TestDataPath("run-tree.json"), "--quiet"};
        before.insert(before.end(), args.begin(), args.end());
        Args after = args;
        after.push_back("--quiet");
        for (const ProcessResult& quiet : {RunProcess(VERALITH_CLI_PATH, before), Cli(after)}) {
            EXPECT_EQ(quiet.status, status);
            EXPECT_EQ(quiet.err, quietErr);
            EXPECT_EQ(quiet.out, loud.out);
        }
    }
}

TEST(CliTest, VersionDashDashAndDashHAsAValue)
{
    const ProcessResult version = RunProcess(VERALITH_CLI_PATH, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "veralith-cli " VERALITH_TEST_VERSION "\n");

    // "--" ends the options: nothing after it is taken for one.
    const ProcessResult ended = Cli({"--", "find", "--base", ".Sales.Acme", "--attribute", "Surname", "--"});
    EXPECT_EQ(ended.status, 1) << ended.err;
    EXPECT_EQ(Lines(ended.out), kSalesDuplicates);

    // "-h" in a value's place is the value, not a request for help.
    const ProcessResult dashH = Cli({"find", "--attribute", "-h"});
    EXPECT_EQ(dashH.status, 2);
    EXPECT_NE(dashH.err.find("has no attribute \"-h\""), std::string::npos) << dashH.err;
    EXPECT_EQ(dashH.out, "");
    // A value that starts with "--" is given after "=".
    const ProcessResult inlineValue = Cli({"search", "--base", ".Sales.Acme", "--filter=--x"});
    EXPECT_EQ(inlineValue.status, 2);
    EXPECT_NE(inlineValue.err.find("ERR_INVALID_FILTER_SYNTAX"), std::string::npos) << inlineValue.err;
}

TEST(CliTest, SearchAndReadGiveCsvAndJson)
{
    const Args search {"search", "--base", ".Sales.Acme", "--filter", "(Surname=miller)", "--scope", "1"};
    Args csv = search;
    csv.insert(csv.end(), {"--format", "csv"});
    EXPECT_EQ(Cli(csv).out, "object\r\nadams.Sales.Acme\r\nbaker.Sales.Acme\r\nclark.Sales.Acme\r\n");
    Args json = search;
    json.insert(json.end(), {"--format", "json"});
    const nlohmann::json found = nlohmann::json::parse(Cli(json).out);
    EXPECT_EQ(found["objects"], nlohmann::json(Lines(Cli(search).out)));
    EXPECT_TRUE(found["error"].is_null());

    const Args read {"read", "--object", ".adams.Sales.Acme", "--attribute", "Telephone Number"};
    Args readCsv = read;
    readCsv.insert(readCsv.end(), {"--format", "csv"});
    EXPECT_EQ(Cli(readCsv).out,
        "object,attribute,value\r\n.adams.Sales.Acme,Telephone Number,1\r\n.adams.Sales.Acme,Telephone Number,2\r\n");
    Args readJson = read;
    readJson.insert(readJson.end(), {"--format", "json"});
    EXPECT_EQ(nlohmann::json::parse(Cli(readJson).out),
        (nlohmann::json {{"object", ".adams.Sales.Acme"}, {"attribute", "Telephone Number"}, {"values", {"1", "2"}}}));
}

TEST(CliTest, TimesAreIsoWithTheirZoneInCsvAndJsonAndRegionalInText)
{
    const test_support::ScratchFolder dir("veralith-cli-out");
    const std::filesystem::path tree = std::filesystem::path(dir.Path()) / "times.json";
    std::ofstream(tree) << R"({ "format": "veralith-tree/1", "tree": "TIMES", "defaultNameContext": "Acme",
  "objects": [ { "name": "Acme", "class": "Organization" },
    { "name": "a.Acme", "class": "User", "attributes": { "Login Time": ["2024-07-01T12:30:00Z"] } } ] })";
    const auto run = [&](const std::string& zone, const std::string& format) {
        return RunProcess(VERALITH_CLI_PATH,
            {"--tree-file", tree.string(), "find", "--base", ".Acme", "--attribute", "Login Time", "--mode", "show",
                "--format", format},
            {"TZ=" + zone});
    };
    const struct
    {
        std::string zone;
        std::string iso; // local time with the offset in effect at that instant
    } cases[] = {
        {"UTC", "2024-07-01T12:30:00+00:00"},
        {"Asia/Kolkata", "2024-07-01T18:00:00+05:30"},
        {"America/New_York", "2024-07-01T08:30:00-04:00"},
    };
    for (const auto& [zone, iso] : cases) {
        EXPECT_EQ(nlohmann::json::parse(run(zone, "json").out)["objects"][0]["value"], iso) << zone;
        EXPECT_EQ(run(zone, "csv").out, "object,value\r\na.Acme," + iso + "\r\n") << zone;
        const std::string text = run(zone, "text").out;
        EXPECT_EQ(text.find(iso), std::string::npos) << text;
        EXPECT_EQ(text.rfind("a.Acme\t", 0), 0u) << text;
    }
    // The entry's own times (UTC) end in Z.
    const ProcessResult created = RunProcess(VERALITH_CLI_PATH,
        {"--tree-file", tree.string(), "read", "--object", ".a.Acme", "--attribute", "CREATETIMESTAMP", "--format",
            "json"});
    const std::string value = nlohmann::json::parse(created.out)["values"][0];
    EXPECT_TRUE(std::regex_match(value, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"))) << value;
}

} // namespace
} // namespace veralith::app
