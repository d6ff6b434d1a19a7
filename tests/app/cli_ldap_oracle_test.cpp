// veralith-cli over a production-like LDAP tree gives the answers that an
// independent computation gives from the server's own export: the tree is
// read with ldapsearch (paged, as the same anonymous user) and
// tests/tools/ldap_oracle.py, which shares no code with the program, builds
// the names and compares the values. The server limits an anonymous search
// to 500 entries and holds more, dotted names, names in many scripts,
// siblings of one value, relative names of several values, posix users and
// groups of one name, an auxiliary class with a long attribute name, an
// attribute of two names, a referral and a name too long to carry.

#include "slapd_fixture.h"
#include "tests/app/cli_process.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace veralith::app {
namespace {

using client::testing::SlapdOptions;
using client::testing::SlapdServer;

const std::string kOracle = std::string(VERALITH_TEST_SOURCE_DIR) + "/tests/tools/ldap_oracle.py";
const char* const kLongAttribute = "msDS-ExampleEmployeeIdentifierAssignedByHumanResources";

std::string Oracle(const std::vector<std::string>& args)
{
    std::vector<std::string> all {kOracle};
    all.insert(all.end(), args.begin(), args.end());
    const ProcessResult run = RunProcess("/usr/bin/python3", all);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

std::vector<std::string> SortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::string line : Lines(text)) {
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CliLdapOracleTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sServer = new SlapdServer;
        SlapdOptions options;
        options.suffix = "dc=example,dc=com";
        options.schema = Oracle({"schema"});
        // OpenLDAP's default for ordinary users, with paged searches let
        // past it as production servers that allow audits are set up.
        options.databaseConfig = "limits anonymous size.soft=500 size.hard=500 size.prtotal=unlimited\n";
        std::string error;
        if (!sServer->Start(Oracle({"generate", "-n", "700"}), &error, options)) {
            sError = error;
            return;
        }
        const ProcessResult serverExport = RunProcess("/usr/bin/ldapsearch",
            {"-x", "-LLL", "-o", "ldif-wrap=no", "-E", "pr=200/noprompt", "-H",
                "ldap://127.0.0.1:" + std::to_string(sServer->Port()), "-b", "dc=example,dc=com", "(objectClass=*)",
                "*"});
        sLdif = sServer->Directory() + "/export.ldif";
        std::ofstream(sLdif) << serverExport.out;
        if (serverExport.status != 0) {
            sError = "ldapsearch: " + serverExport.err;
        }
    }
    static void TearDownTestSuite()
    {
        delete sServer;
        sServer = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(sError.empty()) << sError; }

    static ProcessResult Cli(const std::vector<std::string>& args)
    {
        std::vector<std::string> all {"--tree-file", sServer->Url()};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(
            VERALITH_CLI_PATH, all, {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE", "VERALITH_LDAP_PASSWORD"});
    }

    static SlapdServer* sServer;
    static std::string sLdif;
    static std::string sError;
};

SlapdServer* CliLdapOracleTest::sServer = nullptr;
std::string CliLdapOracleTest::sLdif;
std::string CliLdapOracleTest::sError;

struct Check
{
    const char* attribute; // as given to veralith-cli
    const char* names; // every name of the attribute, for the oracle
    const char* className; // "" for every class
    const char* baseDn;
    const char* baseName;
};

const Check kChecks[] = {
    {"mail", "mail", "", "dc=example,dc=com", ".example.com"},
    {"mail", "mail", "person", "dc=example,dc=com", ".example.com"},
    {kLongAttribute, kLongAttribute, "exampleHumanResourcesRecord", "dc=example,dc=com", ".example.com"},
    {"favouriteDrink", "drink,favouriteDrink", "inetOrgPerson", "dc=example,dc=com", ".example.com"},
    {"telephoneNumber", "telephoneNumber", "", "ou=People,dc=example,dc=com", ".People.example.com"},
    {"description", "description", "", "ou=Staff,dc=example,dc=com", ".Staff.example.com"},
    {"mail", "mail", "", "ou=St.Louis,dc=example,dc=com", ".St\\.Louis.example.com"},
    {"sn", "sn", "", "ou=Staff,dc=example,dc=com", ".Staff.example.com"},
};

TEST_F(CliLdapOracleTest, EveryModeGivesTheIndependentAnswer)
{
    for (const Check& check : kChecks) {
        const std::string what = std::string(check.attribute) + " " + check.className + " from " + check.baseName;
        std::vector<std::string> oracle {"--ldif", sLdif, "--attribute", check.names, "--base", check.baseDn};
        std::vector<std::string> find {"find", "--attribute", check.attribute, "--recurse", "--base", check.baseName};
        if (*check.className != '\0') {
            oracle.insert(oracle.end(), {"--class", check.className});
            find.insert(find.end(), {"--class", check.className});
        }
        for (const char* mode : {"show", "present", "absent"}) {
            std::vector<std::string> expect {"expect", mode};
            expect.insert(expect.end(), oracle.begin(), oracle.end());
            std::vector<std::string> args = find;
            args.insert(args.end(), {"--mode", mode});
            const ProcessResult run = Cli(args);
            EXPECT_EQ(run.status, 0) << mode << " " << what << ": " << run.err;
            EXPECT_EQ(SortedLines(run.out), SortedLines(Oracle(expect))) << mode << " " << what;
        }

        std::vector<std::string> expect {"expect", "duplicates"};
        expect.insert(expect.end(), oracle.begin(), oracle.end());
        const std::vector<std::string> groups = SortedLines(Oracle(expect));
        std::vector<std::string> args = find;
        args.insert(args.end(),
            {"--mode", "duplicates", "--report", "groups", "--format", "json", "--output",
                sServer->Directory() + "/groups.json"});
        const ProcessResult grouped = Cli(args);
        EXPECT_EQ(grouped.status, groups.empty() ? 0 : 1) << what << ": " << grouped.err;
        EXPECT_EQ(SortedLines(Oracle({"groups", "--json", sServer->Directory() + "/groups.json"})), groups) << what;

        // The log lines pair each later holder of a value with an earlier
        // one: every pair lies within one group, and each group of n names
        // gives n - 1 lines.
        std::map<std::string, std::size_t> groupOf;
        std::size_t pairsExpected = 0;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            std::size_t names = 0;
            for (std::size_t from = 0; from <= groups[g].size();) {
                const std::size_t tab = std::min(groups[g].find('\t', from), groups[g].size());
                groupOf[groups[g].substr(from, tab - from)] = g;
                ++names;
                from = tab + 1;
            }
            pairsExpected += names - 1;
        }
        args = find;
        args.insert(args.end(), {"--mode", "duplicates"});
        const ProcessResult lines = Cli(args);
        EXPECT_EQ(lines.status, groups.empty() ? 0 : 1) << what << ": " << lines.err;
        std::size_t pairs = 0;
        for (const std::string& line : SortedLines(lines.out)) {
            const std::size_t slash = line.find(" / ");
            const std::size_t colon = line.find(": (");
            ASSERT_TRUE(slash != std::string::npos && colon != std::string::npos) << line;
            const std::string later = line.substr(0, slash);
            const std::string earlier = line.substr(slash + 3, colon - slash - 3);
            ASSERT_TRUE(groupOf.count(later) > 0 && groupOf.count(earlier) > 0) << what << ": " << line;
            EXPECT_EQ(groupOf[later], groupOf[earlier]) << what << ": " << line;
            EXPECT_NE(later, earlier) << what << ": " << line;
            ++pairs;
        }
        EXPECT_EQ(pairs, pairsExpected) << what << "\n" << lines.out;
    }
}

// The server's export holds more entries than one anonymous search may
// return, so the comparison above covers paging; the referral and the name
// too long to carry are each reported once, naming what was left out.
TEST_F(CliLdapOracleTest, WhatIsLeftOutIsSaid)
{
    std::size_t entries = 0;
    for (const std::string& line : Lines(Oracle({"expect", "show", "--ldif", sLdif, "--attribute", "mail"}))) {
        entries += !line.empty();
    }
    EXPECT_GT(entries, 500u);
    const ProcessResult run =
        Cli({"find", "--mode", "show", "--attribute", "mail", "--recurse", "--base", ".Odd.example.com"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "short.Odd.example.com\tlong@example.com\n");
    const std::vector<std::string> messages = Lines(run.err);
    EXPECT_EQ(messages.size(), 2u) << run.err;
    EXPECT_NE(run.err.find("ldap://remote.example.org/ou=Remote,dc=example,dc=com"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("cn=" + std::string(200, 'L') + ",ou=Odd,dc=example,dc=com"), std::string::npos) << run.err;
}

} // namespace
} // namespace veralith::app
