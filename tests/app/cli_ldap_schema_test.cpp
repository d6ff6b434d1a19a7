// veralith-cli over an OpenLDAP server that looks like production: a dc=
// suffix, a schema of its own with Active-Directory-style names longer than
// 32 characters, an attribute with two names, posix auxiliary classes, and
// values in binary and interval forms; servers that refuse anonymous binds,
// certificates for another name, tree names from the server, and URL bases
// that bound the tree.

#include "slapd_fixture.h"
#include "tests/app/cli_process.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace veralith::app {
namespace {

using client::testing::SlapdOptions;
using client::testing::SlapdServer;

const char* const kLongAttribute = "msDS-ClaimSharesPossibleValuesWithBL";
const char* const kLongerAttribute = "msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon";
const char* const kLongClass = "msDS-CloudExtensionsAuxiliaryClassName";

// The schema: long names, an auxiliary class with a long name, the value
// forms of Active Directory, a generalized time to compare interval times
// with, and the root DSE's tree name.
const char* const kSchema = R"(
attributetype ( 1.3.6.1.4.1.99999.1.1 NAME 'msDS-ClaimSharesPossibleValuesWithBL'
  EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )
attributetype ( 1.3.6.1.4.1.99999.1.2 NAME 'msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon'
  EQUALITY integerMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.99999.1.3 NAME 'objectSid'
  EQUALITY octetStringMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.40 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.99999.1.4 NAME 'objectGUID'
  EQUALITY octetStringMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.40 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.99999.1.5 NAME 'accountExpires'
  EQUALITY integerMatch ORDERING integerOrderingMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.99999.1.6 NAME 'seenAt'
  EQUALITY generalizedTimeMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.24 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.99999.1.7 NAME 'directoryTreeName'
  EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )
objectclass ( 1.3.6.1.4.1.99999.2.1 NAME 'user' SUP inetOrgPerson STRUCTURAL
  MAY ( msDS-ClaimSharesPossibleValuesWithBL $ favouriteDrink $ drink $ objectSid $ objectGUID $
        accountExpires $ seenAt ) )
objectclass ( 1.3.6.1.4.1.99999.2.2 NAME 'msDS-CloudExtensionsAuxiliaryClassName' SUP top AUXILIARY
  MAY msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon )
)";

std::string User(const std::string& uid, const std::string& unit, bool posix, const std::string& extra,
    const std::string& auxClass = "")
{
    std::string text = "dn: uid=" + uid + ",ou=" + unit + ",dc=example,dc=com\nobjectClass: user\n";
    if (!auxClass.empty()) {
        text += "objectClass: " + auxClass + "\n";
    }
    if (posix) {
        text += "objectClass: posixAccount\nuidNumber: 10" + std::to_string(uid.size()) +
            "\ngidNumber: 100\n"
            "homeDirectory: /home/" +
            uid + "\n";
    }
    return text + "uid: " + uid + "\ncn: " + uid + "\nsn: " + uid + "\n" + extra + "\n";
}

std::string Ldif()
{
    std::string text = "dn: dc=example,dc=com\nobjectClass: dcObject\nobjectClass: organization\ndc: example\n"
                       "o: Example\n\n";
    for (const char* unit : {"People", "Other"}) {
        text +=
            std::string("dn: ou=") + unit + ",dc=example,dc=com\nobjectClass: organizationalUnit\nou: " + unit + "\n\n";
    }
    text += User("alice", "People", true,
        std::string(kLongAttribute) +
            ": alpha\ndrink: tea\naccountExpires: 0\n"
            "objectSid:: AQUAAAAAAAUVAAAAu05h1Arw/JY7bQz3UAQAAA==\n"
            "objectGUID:: 4AQlP4lP00GaDAMF6CwzAQ==\n");
    text += User("bob", "People", true,
        "favouriteDrink: TEA\naccountExpires: 9223372036854775807\n"
        "objectSid:: AQUAAAAAAAUVAAAAu05h1Arw/JY7bQz3UQQAAA==\n");
    text += User("carol", "People", false,
        std::string(kLongerAttribute) +
            ": 3\ndrink: coffee\naccountExpires: 133500000000000000\nseenAt: 20240117212000Z\n",
        kLongClass);
    text += User("dave", "Other", true, "drink: coffee\n");
    return text;
}

// Whether a line of a listing is name (class listings follow auxiliary
// classes with a TAB and "aux").
bool Contains(const std::vector<std::string>& lines, const std::string& name)
{
    return std::any_of(
        lines.begin(), lines.end(), [&](const std::string& line) { return line == name || line == name + "\taux"; });
}

class CliLdapSchemaTest : public ::testing::Test
{
protected:
    bool Start(SlapdOptions options = {})
    {
        options.suffix = "dc=example,dc=com";
        options.schema = kSchema;
        std::string error;
        const bool started = m_server.Start(Ldif(), &error, options);
        EXPECT_TRUE(started) << error;
        return started;
    }
    void TearDown() override { m_server.Stop(); }

    ProcessResult Run(const std::vector<std::string>& sources, const std::vector<std::string>& args,
        std::vector<std::string> environment = {})
    {
        std::vector<std::string> all;
        for (const std::string& source : sources) {
            all.push_back("--tree-file");
            all.push_back(source);
        }
        all.insert(all.end(), args.begin(), args.end());
        // The test's settings only: the caller's entries after the removals.
        environment.insert(environment.begin(),
            {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE", "VERALITH_LDAP_PASSWORD", "LDAPTLS_CACERT",
                "LDAPTLS_REQCERT"});
        return RunProcess(VERALITH_CLI_PATH, all, environment);
    }
    ProcessResult Run(const std::vector<std::string>& args) { return Run({m_server.Url()}, args); }

    SlapdServer m_server;
};

TEST_F(CliLdapSchemaTest, LongNamesAreListedWhole)
{
    ASSERT_TRUE(Start());
    const struct
    {
        std::vector<std::string> args;
        std::vector<std::string> listed;
    } kCases[] = {
        // Every attribute of the class, inherited ones included, the long
        // ones among them: nothing is cut off after the first long name.
        {{"attributes", "--class", "user"},
            {kLongAttribute, "mail", "telephoneNumber", "description", "drink", "objectSid", "accountExpires"}},
        {{"attributes", "--class", kLongClass}, {kLongerAttribute}},
        {{"attributes"}, {kLongAttribute, kLongerAttribute, "mail", "drink"}},
        {{"classes"}, {kLongClass, "user", "posixAccount", "inetOrgPerson"}},
    };
    for (const auto& row : kCases) {
        const ProcessResult result = Run(row.args);
        ASSERT_EQ(result.status, 0) << row.args.front() << ": " << result.err;
        const std::vector<std::string> lines = Lines(result.out);
        for (const std::string& name : row.listed) {
            EXPECT_TRUE(Contains(lines, name)) << row.args.back() << " lacks " << name << ":\n" << result.out;
        }
        // The attribute with two names is listed once, under its first name.
        EXPECT_FALSE(Contains(lines, "favouriteDrink")) << row.args.back() << ":\n" << result.out;
    }
}

TEST_F(CliLdapSchemaTest, EveryNameOfAnAttributeIsAccepted)
{
    ASSERT_TRUE(Start());
    // Runs with "@" standing for the attribute's name.
    const std::vector<std::vector<std::string>> kRuns = {
        {"find", "--mode", "duplicates", "--attribute", "@", "--recurse"},
        {"find", "--mode", "present", "--attribute", "@", "--recurse"},
        {"read", "--object", ".bob.People.example.com", "--attribute", "@"},
        {"search", "--filter", "@=coffee"},
        {"search", "--filter", "@ #PRESENT#", "--template", "#NAME# #[@]#"},
    };
    auto named = [](std::vector<std::string> run, const std::string& name) {
        for (std::string& arg : run) {
            for (std::size_t at; (at = arg.find('@')) != std::string::npos;) {
                arg.replace(at, 1, name);
            }
        }
        return run;
    };
    for (const std::vector<std::string>& run : kRuns) {
        const ProcessResult first = Run(named(run, "drink"));
        const ProcessResult further = Run(named(run, "favouriteDrink"));
        EXPECT_EQ(further.status, first.status) << run[1] << ": " << further.err;
        // Reports name the attribute as it was given.
        std::string shown = further.out;
        for (std::size_t at; (at = shown.find("favouriteDrink")) != std::string::npos;) {
            shown.replace(at, 14, "drink");
        }
        EXPECT_EQ(shown, first.out) << run[1] << ": " << further.err;
        EXPECT_NE(first.status, 2) << run[1] << ": " << first.err;
        EXPECT_FALSE(first.out.empty()) << run[1];
    }
    // tea/TEA and coffee/coffee: the values compare by the attribute's rule.
    const ProcessResult duplicates =
        Run({"find", "--mode", "duplicates", "--attribute", "favouriteDrink", "--recurse"});
    EXPECT_EQ(duplicates.status, 1) << duplicates.err;
    EXPECT_NE(duplicates.out.find("bob.People.example.com / alice.People.example.com"), std::string::npos)
        << duplicates.out;
    EXPECT_NE(duplicates.out.find("dave.Other.example.com / carol.People.example.com"), std::string::npos)
        << duplicates.out;
    const ProcessResult longName = Run({"find", "--mode", "present", "--attribute", kLongerAttribute, "--recurse"});
    EXPECT_EQ(longName.status, 0) << longName.err;
    EXPECT_NE(longName.out.find("carol.People.example.com"), std::string::npos) << longName.out;
}

TEST_F(CliLdapSchemaTest, AuxiliaryClassesAndSubclassesAreTested)
{
    ASSERT_TRUE(Start());
    const struct
    {
        const char* className;
        std::vector<std::string> found;
        std::vector<std::string> notFound;
    } kCases[] = {
        {"posixAccount", {"alice.People.example.com", "bob.People.example.com", "dave.Other.example.com"},
            {"carol.People.example.com"}},
        {kLongClass, {"carol.People.example.com"}, {"alice.People.example.com"}},
        // A class test over LDAP matches subclasses: user derives from inetOrgPerson.
        {"inetOrgPerson", {"alice.People.example.com", "carol.People.example.com"}, {}},
    };
    for (const auto& row : kCases) {
        const ProcessResult result =
            Run({"find", "--mode", "present", "--attribute", "uid", "--recurse", "--class", row.className});
        ASSERT_EQ(result.status, 0) << row.className << ": " << result.err;
        const std::vector<std::string> lines = Lines(result.out);
        for (const std::string& name : row.found) {
            EXPECT_NE(result.out.find(name), std::string::npos) << row.className << " lacks " << name << result.out;
        }
        for (const std::string& line : lines) {
            EXPECT_NE(line.rfind("People.", 0), 0u) << row.className << ": the unit is no " << row.className;
        }
        for (const std::string& name : row.notFound) {
            EXPECT_EQ(result.out.find(name), std::string::npos) << row.className << " has " << name << result.out;
        }
    }
}

TEST_F(CliLdapSchemaTest, ValuesComeInTheFormsAdministratorsKnow)
{
    ASSERT_TRUE(Start());
    auto read = [&](const char* user, const char* attribute) {
        const ProcessResult result =
            Run({"read", "--object", std::string(".") + user + ".People.example.com", "--attribute", attribute});
        EXPECT_EQ(result.status, 0) << user << " " << attribute << ": " << result.err;
        return result.out;
    };
    EXPECT_EQ(read("alice", "objectSid"), "S-1-5-21-3563146939-2533158922-4144786747-1104\n");
    EXPECT_EQ(read("bob", "objectSid"), "S-1-5-21-3563146939-2533158922-4144786747-1105\n");
    EXPECT_EQ(read("alice", "objectGUID"), "E004253F894FD3419A0C0305E82C3301 {3F2504E0-4F89-41D3-9A0C-0305E82C3301}\n");
    EXPECT_EQ(read("alice", "accountExpires"), "never\n");
    EXPECT_EQ(read("bob", "accountExpires"), "never\n");
    // The interval time and the generalized time of the same instant are
    // the same date in the regional format.
    const std::string seen = read("carol", "seenAt");
    EXPECT_EQ(read("carol", "accountExpires"), seen);
    EXPECT_NE(seen.find("21:20"), std::string::npos) << seen;

    // Filters take the same forms.
    const ProcessResult bySid = Run({"search", "--filter", "objectSid=S-1-5-21-3563146939-2533158922-4144786747-1105"});
    EXPECT_EQ(bySid.status, 0) << bySid.err;
    EXPECT_NE(bySid.out.find("bob.People.example.com"), std::string::npos) << bySid.out;
    EXPECT_EQ(bySid.out.find("alice"), std::string::npos) << bySid.out;
}

TEST_F(CliLdapSchemaTest, ARefusedAnonymousBindSaysSoWithTheServersWords)
{
    const struct
    {
        const char* config;
        const char* expected;
    } kCases[] = {
        {"disallow bind_anon\n", "refused the anonymous bind"},
        {"require authc\n", "refused to serve an anonymous bind"},
    };
    for (const auto& row : kCases) {
        SlapdOptions options;
        options.extraConfig = row.config;
        ASSERT_TRUE(Start(options));
        const ProcessResult result = Run({"classes"});
        EXPECT_EQ(result.status, 2) << row.config;
        EXPECT_NE(result.err.find(row.expected), std::string::npos) << row.config << result.err;
        EXPECT_NE(result.err.find("VERALITH_LDAP_BINDDN"), std::string::npos) << row.config << result.err;
        EXPECT_EQ(result.err.find("schema"), std::string::npos) << row.config << result.err;
        // With a bind DN the same server serves.
        const std::string passwordFile = m_server.Directory() + "/password";
        std::ofstream(passwordFile) << SlapdServer::kRootPassword << "\n";
        const ProcessResult bound = RunProcess(VERALITH_CLI_PATH, {"--tree-file", m_server.Url(), "classes"},
            {"VERALITH_LDAP_BINDDN=" + m_server.RootDn(), "VERALITH_LDAP_PASSWORD_FILE=" + passwordFile});
        EXPECT_EQ(bound.status, 0) << row.config << bound.err;
        m_server.Stop();
    }
}

TEST_F(CliLdapSchemaTest, ACertificateForAnotherNameIsToldFromAnUntrustedIssuer)
{
    SlapdOptions options;
    options.tls = true;
    ASSERT_TRUE(Start(options));
    const std::string port = std::to_string(m_server.TlsPort());
    const std::string trusted = "LDAPTLS_CACERT=" + m_server.CaFile();
    const struct
    {
        std::string url;
        std::vector<std::string> environment;
        const char* expected;
    } kCases[] = {
        // The certificate names 127.0.0.1, not localhost.
        {"ldaps://localhost:" + port + "/dc=example,dc=com", {trusted}, "does not name \"localhost\""},
        {"ldaps://127.0.0.1:" + port + "/dc=example,dc=com", {}, "not issued by a trusted CA"},
    };
    for (const auto& row : kCases) {
        const ProcessResult result = Run({row.url}, {"classes"}, row.environment);
        EXPECT_EQ(result.status, 2) << row.url;
        EXPECT_NE(result.err.find(row.expected), std::string::npos) << row.url << ": " << result.err;
    }
    const ProcessResult good = Run({m_server.LdapsUrl()}, {"classes"}, {trusted});
    EXPECT_EQ(good.status, 0) << good.err;
}

TEST_F(CliLdapSchemaTest, TheUrlsBaseBoundsTheTree)
{
    ASSERT_TRUE(Start());
    const std::string people = "ldap://127.0.0.1:" + std::to_string(m_server.Port()) + "/ou=People,dc=example,dc=com";
    const ProcessResult top = Run({people}, {"containers", "--context", "[Root]"});
    EXPECT_EQ(top.status, 0) << top.err;
    EXPECT_EQ(top.out, "People.example.com\n") << top.err;
    const ProcessResult all = Run({people}, {"find", "--mode", "present", "--attribute", "drink", "--recurse"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("alice.People.example.com"), std::string::npos) << all.out;
    EXPECT_EQ(all.out.find("dave"), std::string::npos) << all.out;
    // The whole domain from its own base.
    const ProcessResult domain = Run({"find", "--mode", "present", "--attribute", "drink", "--recurse"});
    EXPECT_NE(domain.out.find("dave.Other.example.com"), std::string::npos) << domain.out;
}

TEST_F(CliLdapSchemaTest, TreeNamesAreUsableAndNeverShared)
{
    char folder[] = "/tmp/veralith-rootdse-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string rootDse = std::string(folder) + "/root.ldif";
    std::ofstream(rootDse) << "dn:\ndirectoryTreeName: The Example Corporation's Directory Tree\n";
    SlapdOptions options;
    options.extraConfig = "rootDSE " + rootDse + "\n";
    ASSERT_TRUE(Start(options));
    std::filesystem::remove_all(folder);

    const ProcessResult one = Run({"trees"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "The-Example-Corporation-s-Direct\n") << one.err;
    // The same server twice: the second is refused with a message, and a
    // source that is not served is a failure, named on the command line or in
    // VERALITH_TREES; with a name of its own it is served beside the first.
    const char* const kRefusal = "The-Example-Corporation-s-Direct\" is already served";
    const ProcessResult twice = Run({m_server.Url(), m_server.Url()}, {"trees"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find(kRefusal), std::string::npos) << twice.err;
    const ProcessResult configured = Run({}, {"trees"}, {"VERALITH_TREES=" + m_server.Url() + ";" + m_server.Url()});
    EXPECT_EQ(configured.status, 2) << configured.err;
    EXPECT_NE(configured.err.find(kRefusal), std::string::npos) << configured.err;
    const ProcessResult named = Run({m_server.Url(), m_server.Url("?tree=Second")}, {"trees"});
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(Lines(named.out).size(), 2u) << named.out;
    EXPECT_EQ(named.err, "");
}

} // namespace
} // namespace veralith::app
