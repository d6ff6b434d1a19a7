// One directory read live from an OpenLDAP server, from its LDIF exports
// (ldapsearch and slapcat) and from snapshots of it (tree file and LDIF)
// gives the same lines in every check mode and with every compare option.

#include "app/cli/output.h"
#include "slapd_fixture.h"
#include "tests/app/cli_process.h"
#include "tests/app/without_dns.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>

namespace veralith::app {
namespace {

using client::testing::SlapdOptions;
using client::testing::SlapdServer;

// Duplicates in letter case and in second values, a name with a comma,
// non-ASCII text (which the exports write in base64), auxiliary classes,
// name values, entries without the attribute, a nested unit, values equal
// only by the directory's matching rules, values shared across attributes
// and siblings sharing a value under different naming attributes.
const char* const kDirectory = R"(dn: dc=example,dc=com
objectClass: dcObject
objectClass: organization
o: Example
dc: example

dn: ou=People,dc=example,dc=com
objectClass: organizationalUnit
ou: People

dn: ou=Admins,ou=People,dc=example,dc=com
objectClass: organizationalUnit
ou: Admins

dn: ou=Groups,dc=example,dc=com
objectClass: organizationalUnit
ou: Groups

dn: uid=ann,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
objectClass: posixAccount
cn: Ann Smith
cn: ann
sn: Smith
uid: ann
uidNumber: 1001
gidNumber: 100
homeDirectory: /home/ann
mail: ann@example.com
telephoneNumber: +1 555 0101

dn: uid=bob,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
cn: Bob
sn:: QsO2aG0=
uid: bob
mail: bob@example.com
mail: ANN@example.com
telephoneNumber: +1 555 0102

dn: cn=Doe\, Carl,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
cn: Doe, Carl
sn: Doe
telephoneNumber: +1 555 0101
description:: w4RSR0VS

dn: uid=dana,ou=Admins,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
cn: Dana
sn: Dana
uid: dana
mail: ANN@example.com
description: desk 7

dn: uid=eve,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
cn: Eve
sn:: w4RyZ2Vy
uid: eve
mail: desk  7
mail: eve@example.com
description:: w6RyZ2Vy
telephoneNumber: +1-555-0102

dn: uid=adm,ou=People,dc=example,dc=com
objectClass: account
uid: adm
description: desk 7

dn: cn=adm,ou=People,dc=example,dc=com
objectClass: person
cn: adm
sn: DANA
description: Desk 7

dn: cn=staff,ou=Groups,dc=example,dc=com
objectClass: groupOfNames
cn: staff
member: uid=ann,ou=People,dc=example,dc=com
member: uid=bob,ou=People,dc=example,dc=com
)";

class CliLdifParity : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SlapdOptions options;
        options.suffix = "dc=example,dc=com";
        std::string error;
        ASSERT_TRUE(m_server.Start(kDirectory, &error, options)) << error;
    }
    void TearDown() override { m_server.Stop(); }

    ProcessResult Run(const std::string& source, const std::vector<std::string>& args)
    {
        std::vector<std::string> all {"--tree-file", source};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(VERALITH_CLI_PATH, all, {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE"});
    }
    std::string Path(const std::string& name) const { return m_server.Directory() + "/" + name; }

    SlapdServer m_server;
};

TEST_F(CliLdifParity, LiveExportedAndSnapshotDirectoriesGiveTheSameLines)
{
    // The exports as administrators make them.
    const ProcessResult search = RunProcess("/usr/bin/ldapsearch",
        {"-x", "-LLL", "-H", "ldap://127.0.0.1:" + std::to_string(m_server.Port()), "-b", m_server.Suffix(),
            "(objectClass=*)"});
    ASSERT_EQ(search.status, 0) << search.err;
    std::ofstream(Path("search.ldif")) << search.out;
    const ProcessResult slapcat = RunProcess(
        "/usr/sbin/slapcat", {"-f", Path("slapd.conf"), "-b", m_server.Suffix(), "-l", Path("slapcat.ldif")});
    ASSERT_EQ(slapcat.status, 0) << slapcat.err;
    // Snapshots of the live server, in both formats.
    for (const auto& [format, file] : {std::pair {"json", "snapshot.json"}, std::pair {"ldif", "snapshot.ldif"}}) {
        const ProcessResult snapshot = Run(m_server.Url(), {"snapshot", "--format", format, "--output", Path(file)});
        ASSERT_EQ(snapshot.status, 0) << snapshot.err;
        EXPECT_EQ(snapshot.err, "") << format;
    }
    const std::vector<std::string> kSources = {
        Path("search.ldif"), Path("slapcat.ldif"), Path("snapshot.json"), Path("snapshot.ldif")};

    // Every mode; besides, the other attributes, a base, a class, CSV and a
    // read, spread over the modes to keep the runs few.
    const std::vector<std::vector<std::string>> runs = {
        {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse"},
        {"find", "--mode", "duplicates", "--attribute", "telephoneNumber", "--recurse"},
        {"find", "--mode", "present", "--attribute", "mail", "--recurse"},
        {"find", "--mode", "present", "--attribute", "uidNumber", "--recurse", "--class", "inetOrgPerson"},
        {"find", "--mode", "absent", "--attribute", "mail", "--recurse"},
        {"find", "--mode", "absent", "--attribute", "mail", "--base", ".People.example.com"},
        {"find", "--mode", "show", "--attribute", "cn", "--recurse"},
        {"find", "--mode", "show", "--attribute", "member", "--recurse", "--format", "csv"},
        {"read", "--object", ".bob.People.example.com", "--attribute", "sn"},
        {"trees"},
    };
    for (const auto& args : runs) {
        std::string shown;
        for (const std::string& a : args) {
            shown += a + " ";
        }
        const ProcessResult live = Run(m_server.Url(), args);
        for (const std::string& source : kSources) {
            const ProcessResult offline = Run(source, args);
            EXPECT_EQ(offline.status, live.status) << shown << source << "\n" << offline.err;
            EXPECT_EQ(offline.out, live.out) << shown << source;
            EXPECT_EQ(offline.err, live.err) << shown << source;
        }
    }
    // Every compare option, against one export and the tree-file snapshot
    // (the other sources read the same entries the same way, as above). A
    // tree file has no DNs: its groups are the live ones without them.
    const std::vector<std::string> kCompareSources = {Path("slapcat.ldif"), Path("snapshot.json")};
    const std::vector<std::vector<std::string>> compareRuns = {
        {"find", "--attribute", "mail", "--recurse", "--each-value", "--report", "groups"},
        {"find", "--attribute", "description", "--recurse", "--match", "exact"},
        {"find", "--attribute", "description", "--recurse", "--match", "case", "--report", "groups", "--format", "csv"},
        {"find", "--attribute", "telephoneNumber", "--recurse", "--match", "directory", "--report", "groups",
            "--format", "json"},
        {"find", "--attribute", "description", "--recurse", "--match", "directory", "--each-value"},
        {"find", "--attribute", "mail", "--attribute", "description", "--recurse", "--unique", "attribute",
            "--each-value", "--report", "groups"},
        {"find", "--attribute", "mail", "--attribute", "description", "--recurse", "--unique", "all", "--each-value",
            "--match", "directory", "--report", "groups", "--format", "csv"},
        {"find", "--attribute", "mail", "--attribute", "description", "--recurse", "--unique", "others", "--each-value",
            "--match", "directory", "--format", "json"},
        {"find", "--attribute", "sn", "--attribute", "description", "--recurse", "--unique", "combination", "--match",
            "directory"},
        {"find", "--attribute", "description", "--recurse", "--match", "directory", "--ignore-value", "DESK 7"},
        {"find", "--attribute", "description", "--recurse", "--exclude-base", "Admins.People.example.com", "--report",
            "groups"},
    };
    std::vector<ProcessResult> compareLive;
    for (const auto& args : compareRuns) {
        std::string shown;
        for (const std::string& a : args) {
            shown += a + " ";
        }
        const ProcessResult live = Run(m_server.Url(), args);
        compareLive.push_back(live);
        for (const std::string& source : kCompareSources) {
            const ProcessResult offline = Run(source, args);
            EXPECT_EQ(offline.status, live.status) << shown << source << "\n" << offline.err;
            EXPECT_EQ(offline.err, live.err) << shown << source;
            if (source == Path("snapshot.json")) {
                EXPECT_EQ(offline.out, WithoutDns(live.out, args)) << shown << source;
            } else {
                EXPECT_EQ(offline.out, live.out) << shown << source;
            }
        }
    }

    // What the lines say, so that equal but wrong output cannot pass.
    const struct
    {
        std::size_t run;
        int status;
        std::vector<std::string> lines;
    } kExpected[] = {
        {0, 1, {"dana.Admins.People.example.com / ann.People.example.com: (mail = ANN@example.com)"}},
        {1, 1, {"Doe, Carl.People.example.com / ann.People.example.com: (telephoneNumber = +1 555 0101)"}},
        {3, 0, {"ann.People.example.com\t1001"}},
        {5, 0,
            {"Admins.People.example.com", "cn=adm.People.example.com", "Doe, Carl.People.example.com",
                "uid=adm.People.example.com"}},
        {8, 0, {"B\xC3\xB6hm"}},
        {9, 0, {"example-com"}},
    };
    for (const auto& expected : kExpected) {
        const ProcessResult result = Run(Path("slapcat.ldif"), runs[expected.run]);
        EXPECT_EQ(result.status, expected.status) << expected.run;
        EXPECT_EQ(Lines(result.out), expected.lines) << expected.run;
    }
    const struct
    {
        std::size_t run;
        std::vector<std::string> lines;
    } kCompareExpected[] = {
        {0,
            {"ANN@example.com (3 objects)", "  ann.People.example.com  dn: uid=ann,ou=People,dc=example,dc=com",
                "  bob.People.example.com  dn: uid=bob,ou=People,dc=example,dc=com",
                "  dana.Admins.People.example.com  dn: uid=dana,ou=Admins,ou=People,dc=example,dc=com"}},
        {1, {"uid=adm.People.example.com / dana.Admins.People.example.com: (description = desk 7)"}},
        {4,
            {"dana.Admins.People.example.com / cn=adm.People.example.com: (description = desk 7)",
                "eve.People.example.com / Doe, Carl.People.example.com: (description = \xC3\xA4rger)",
                "uid=adm.People.example.com / cn=adm.People.example.com: (description = desk 7)"}},
        {8, {"dana.Admins.People.example.com / cn=adm.People.example.com: (sn+description = Dana + desk 7)"}},
        {9, {"eve.People.example.com / Doe, Carl.People.example.com: (description = \xC3\xA4rger)"}},
        {10,
            {"desk 7 (2 objects)", "  cn=adm.People.example.com  dn: cn=adm,ou=People,dc=example,dc=com",
                "  uid=adm.People.example.com  dn: uid=adm,ou=People,dc=example,dc=com"}},
    };
    for (const auto& expected : kCompareExpected) {
        EXPECT_EQ(compareLive[expected.run].status, 1) << expected.run;
        EXPECT_EQ(Lines(compareLive[expected.run].out), expected.lines) << expected.run;
    }
    // The groups of the other formats: a DN for every holder, as the server
    // writes it.
    const nlohmann::json groups = nlohmann::json::parse(compareLive[3].out)["groups"];
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0]["objects"][1]["dn"], "cn=Doe\\2C Carl,ou=People,dc=example,dc=com");
    const auto csv = CsvRecords(compareLive[6].out);
    ASSERT_EQ(csv.size(), 4u);
    EXPECT_EQ(csv[3],
        (std::vector<std::string> {"\xC3\xA4rger", "2", "Doe, Carl.People.example.com\neve.People.example.com",
            "cn=Doe\\2C Carl,ou=People,dc=example,dc=com\nuid=eve,ou=People,dc=example,dc=com"}));
}

} // namespace
} // namespace veralith::app
