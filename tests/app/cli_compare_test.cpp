// find's compare options on the command line: parsing, the conflict groups in
// every output format, and a run through the executable.

#include "app/cli/arguments.h"
#include "app/cli/output.h"
#include "tests/app/cli_process.h"
#include "tests/app/run_tree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace veralith::app {
namespace {

using Args = std::vector<std::string>;

TEST(CliCompareTest, CompareOptionsAreParsedAndRepeatableOnesCollected)
{
    const ParsedCommandLine parsed = ParseCommandLine({"find", "--attribute", "mail", "--attribute", "proxyAddresses",
        "--attribute=otherMailbox", "--each-value", "--match", "directory", "--unique", "others", "--ignore-value", "",
        "--ignore-value=N/A", "--exclude-base", "Old.Acme", "--exclude-base", "Test.Acme", "--report", "groups"});
    ASSERT_EQ(parsed.error, "");
    const CliOptions& options = parsed.options;
    EXPECT_EQ(options.attribute, "mail");
    EXPECT_EQ(options.compare.moreAttributes, (Args {"proxyAddresses", "otherMailbox"}));
    EXPECT_TRUE(options.compare.eachValue);
    EXPECT_EQ(options.compare.match, MatchRule::Directory);
    EXPECT_EQ(options.compare.uniqueness, Uniqueness::AcrossOthers);
    EXPECT_EQ(options.compare.ignoredValues, (Args {"", "N/A"}));
    EXPECT_EQ(options.compare.excludedBases, (Args {"Old.Acme", "Test.Acme"}));
    EXPECT_TRUE(options.reportGroups);
    EXPECT_FALSE(options.recurse);

    const ParsedCommandLine plain = ParseCommandLine({"find", "--attribute", "mail", "--recurse"});
    ASSERT_EQ(plain.error, "");
    EXPECT_TRUE(plain.options.compare.IsPlain());
    EXPECT_FALSE(plain.options.reportGroups);
    EXPECT_FALSE(plain.options.compare.eachValue);

    const std::pair<const char*, Uniqueness> kinds[] = {{"attribute", Uniqueness::PerAttribute},
        {"all", Uniqueness::AcrossAll}, {"others", Uniqueness::AcrossOthers}, {"combination", Uniqueness::Combination}};
    for (const auto& [word, kind] : kinds) {
        const ParsedCommandLine one =
            ParseCommandLine({"find", "--attribute", "a", "--attribute", "b", "--unique", word});
        ASSERT_EQ(one.error, "") << word;
        EXPECT_EQ(one.options.compare.uniqueness, kind) << word;
    }
}

TEST(CliCompareTest, BadCompareOptionsAreNamed)
{
    const std::pair<Args, std::string> cases[] = {
        {{"find", "--match", "fuzzy"}, "find: --match: \"fuzzy\" is not case, exact or directory"},
        {{"find", "--attribute", "a", "--attribute", "b", "--unique", "some"},
            "find: --unique: \"some\" is not attribute, all, others or combination"},
        {{"find", "--attribute", "a", "--unique", "all"}, "find: --unique needs two or more --attribute"},
        {{"find", "--report", "tree"}, "find: --report: \"tree\" is not log or groups"},
        {{"find", "--exclude-base", ""}, "find: --exclude-base: the name is empty"},
        {{"find", "--attribute", "a", "--attribute", ""}, "find: --attribute: the name is empty"},
        {{"find", "--each-value=yes"}, "find: --each-value takes no value"},
        {{"find", "--match", "case", "--match", "exact"}, "find: --match given twice"},
        {{"read", "--object", "x", "--attribute", "a", "--attribute", "b"}, "read: --attribute given twice"},
        {{"search", "--each-value"}, "search: unknown option \"--each-value\""},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(ParseCommandLine(args).error, message);
    }
}

FindOutput GroupOutput(bool reportGroups)
{
    FindOutput output;
    output.mode = CheckMode::Duplicates;
    output.objects = {"a.Org", "b.Org", "c,d.Org"};
    output.values = {"x", "X", "x"};
    output.duplicates = {{"b.Org", "a.Org", "mail", "X", "b.Org / a.Org: (mail = X)"},
        {"c,d.Org", "a.Org", "proxy/mail", "x", "c,d.Org / a.Org: (proxy/mail = x)"}};
    output.groups = {{"X", {{"a.Org", "mail"}, {"b.Org", "mail"}, {"c,d.Org", "proxy"}}},
        {"y, \"z\"", {{"a.Org", "mail"}, {"b.Org", "mail"}}}};
    output.reportGroups = reportGroups;
    return output;
}

TEST(CliCompareTest, GroupsInTextCsvAndJson)
{
    EXPECT_EQ(FormatFindText(GroupOutput(true)),
        "X (3 objects)\n  a.Org (mail)\n  b.Org (mail)\n  c,d.Org (proxy)\n"
        "y, \"z\" (2 objects)\n  a.Org\n  b.Org\n");
    // Without --report groups the text keeps the log lines.
    EXPECT_EQ(FormatFindText(GroupOutput(false)), "b.Org / a.Org: (mail = X)\nc,d.Org / a.Org: (proxy/mail = x)\n");

    EXPECT_EQ(FormatFindCsv(GroupOutput(true)),
        "value,count,objects,dns\r\nX,3,\"a.Org\nb.Org\nc,d.Org\",\r\n\"y, \"\"z\"\"\",2,\"a.Org\nb.Org\",\r\n");
    EXPECT_EQ(FormatFindCsv(GroupOutput(false)).substr(0, 32), "object,earlier,attribute,value\r\n");

    // JSON always holds the groups.
    const nlohmann::json json = nlohmann::json::parse(FormatFindJson(GroupOutput(false)));
    ASSERT_EQ(json["groups"].size(), 2u);
    EXPECT_EQ(json["groups"][0]["value"], "X");
    EXPECT_EQ(json["groups"][0]["count"], 3);
    EXPECT_EQ(json["groups"][0]["objects"][2]["name"], "c,d.Org");
    EXPECT_EQ(json["groups"][0]["objects"][2]["attribute"], "proxy");
    // A source without DNs (a tree file) leaves the member's "dn" out.
    EXPECT_FALSE(json["groups"][0]["objects"][2].contains("dn"));
    EXPECT_EQ(json["groups"][1]["count"], 2);
    EXPECT_EQ(json["duplicates"].size(), 2u);

    FindOutput none;
    none.reportGroups = true;
    EXPECT_EQ(FormatFindText(none), "");
    EXPECT_TRUE(nlohmann::json::parse(FormatFindJson(FindOutput {}))["groups"].empty());
}

// Holders with DNs (LDAP, LDIF): the text follows each name with "dn:", CSV
// has them one a line in the last column, JSON in each holder's "dn".
TEST(CliCompareTest, GroupsCarryTheHoldersDns)
{
    FindOutput output = GroupOutput(true);
    output.groups = {{"X", {{"a.Org", "mail", "cn=a,o=Org"}, {"b.Org", "proxy", "cn=b\\,c,o=Org"}}}};
    EXPECT_EQ(
        FormatFindText(output), "X (2 objects)\n  a.Org (mail)  dn: cn=a,o=Org\n  b.Org (proxy)  dn: cn=b\\,c,o=Org\n");
    EXPECT_EQ(
        FormatFindCsv(output), "value,count,objects,dns\r\nX,2,\"a.Org\nb.Org\",\"cn=a,o=Org\ncn=b\\,c,o=Org\"\r\n");
    const nlohmann::json json = nlohmann::json::parse(FormatFindJson(output));
    EXPECT_EQ(json["groups"][0]["objects"][0]["dn"], "cn=a,o=Org");
    EXPECT_EQ(json["groups"][0]["objects"][1]["dn"], "cn=b\\,c,o=Org");
}

// Each object's DN is asked for once, however many groups hold it.
TEST(CliCompareTest, FillSourceDnsAsksOncePerObject)
{
    std::vector<ConflictGroup> groups {{"x", {{"a.Org", "mail"}, {"b.Org", "mail"}}}, {"y", {{"a.Org", "proxy"}}}};
    std::vector<std::string> asked;
    FillSourceDns(groups, [&asked](const std::string& object) {
        asked.push_back(object);
        return object == "a.Org" ? std::string("cn=a,o=Org") : std::string();
    });
    EXPECT_EQ(asked, (std::vector<std::string> {"a.Org", "b.Org"}));
    EXPECT_EQ(groups[0].members[0].dn, "cn=a,o=Org");
    EXPECT_EQ(groups[0].members[1].dn, "");
    EXPECT_EQ(groups[1].members[0].dn, "cn=a,o=Org");
}

TEST(CliCompareTest, FindComparesAsTheDirectoryAndReportsGroups)
{
    const Args tree {"--tree-file", TestDataPath("audit-tree.json")};
    const auto run = [&](const Args& args) {
        Args all = tree;
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(VERALITH_CLI_PATH, all);
    };

    const ProcessResult plain = run({"find", "--base", "Acme", "--recurse", "--attribute", "mail"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, "");

    const ProcessResult groups = run({"find", "--base", "Acme", "--recurse", "--attribute", "MAIL", "--match",
        "directory", "--report", "groups", "--exclude-base", "People.Acme"});
    EXPECT_EQ(groups.status, 0) << groups.err;
    EXPECT_EQ(groups.err, "No duplicates found\n");

    const ProcessResult json =
        run({"find", "--base", "Acme", "--recurse", "--attribute", "mail", "--attribute", "proxyaddresses", "--unique",
            "others", "--each-value", "--ignore-value", "n/a", "--match", "directory", "--format", "json"});
    EXPECT_EQ(json.status, 1) << json.err;
    const nlohmann::json document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["filter"], "(((mail PRESENT) OR (proxyAddresses PRESENT)))");
    std::vector<std::string> values;
    for (const auto& group : document["groups"]) {
        values.push_back(group["value"].get<std::string>() + " " + std::to_string(group["count"].get<int>()));
    }
    EXPECT_EQ(values,
        (Args {" ann@example.org 3", "a@example.org 2", "B@example.org 3", "änn@example.org 2", "dan@example.org 2"}));
}

} // namespace
} // namespace veralith::app
