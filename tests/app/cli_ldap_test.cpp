// veralith-cli over a real OpenLDAP server gives the same lines as over the
// embedded directory for the same tree, loaded once as a tree file and once
// as LDIF; over TLS only when the server's certificate is trusted; and a
// server lost during a run ends it with an error, keeping what came.

#include "slapd_fixture.h"
#include "tests/app/cli_process.h"
#include "tests/app/cutting_proxy.h"
#include "tests/app/without_dns.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <signal.h>
#include <sstream>
#include <thread>

namespace veralith::app {
namespace {

using client::testing::SlapdOptions;
using client::testing::SlapdServer;

struct User
{
    const char* name;
    const char* unit;
    std::vector<std::string> mails;
};

// Duplicates within a unit and across units, in differing letter case, in
// several values of one object, and users without any mail.
const std::vector<User>& Users()
{
    static const std::vector<User> kUsers = {
        {"adams", "Sales", {"shared@acme.example"}},
        {"baker", "Sales", {"SHARED@acme.example", "baker@acme.example"}},
        {"clark", "Sales", {}},
        {"davis", "East.Sales", {"davis@acme.example"}},
        {"evans", "East.Sales", {"shared@acme.example"}},
        {"fox", "IT", {"it@acme.example", "baker@acme.example"}},
        {"green", "IT", {}},
        {"hall", "IT", {"IT@acme.example"}},
        {"irwin", "IT", {"it@acme.example"}},
    };
    return kUsers;
}

const char* const kUnits[] = {"Sales", "East.Sales", "IT"};

std::string UnitDn(const std::string& unit)
{
    std::string dn;
    std::size_t pos = 0;
    while (true) {
        const std::size_t dot = unit.find('.', pos);
        dn += "ou=" + unit.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos) + ",";
        if (dot == std::string::npos) {
            break;
        }
        pos = dot + 1;
    }
    return dn + "o=Acme";
}

std::string TreeFileText()
{
    std::string text = R"({ "format": "veralith-tree/1", "tree": "Acme", "defaultNameContext": "Acme",
  "schema": { "attributes": [ { "name": "mail", "syntax": 3 } ],
              "classes": [ { "name": "inetOrgPerson", "superClasses": ["Top"], "containment": [], "naming": [],
                             "mandatory": [], "optional": ["mail"] } ] },
  "objects": [ { "name": "Acme", "class": "Organization" })";
    for (const char* unit : kUnits) {
        text += std::string(",\n    { \"name\": \"") + unit + ".Acme\", \"class\": \"Organizational Unit\" }";
    }
    for (const User& user : Users()) {
        text += std::string(",\n    { \"name\": \"") + user.name + "." + user.unit +
            ".Acme\", \"class\": \"inetOrgPerson\"";
        if (!user.mails.empty()) {
            text += ", \"attributes\": { \"mail\": [";
            for (std::size_t i = 0; i < user.mails.size(); ++i) {
                text += (i > 0 ? ", \"" : "\"") + user.mails[i] + "\"";
            }
            text += "] }";
        }
        text += " }";
    }
    return text + "\n  ] }\n";
}

std::string LdifText()
{
    std::string text = "dn: o=Acme\nobjectClass: organization\no: Acme\n\n";
    for (const char* unit : kUnits) {
        const std::string u(unit);
        text += "dn: " + UnitDn(u) + "\nobjectClass: organizationalUnit\nou: " + u.substr(0, u.find('.')) + "\n\n";
    }
    for (const User& user : Users()) {
        text += std::string("dn: cn=") + user.name + "," + UnitDn(user.unit) +
            "\nobjectClass: inetOrgPerson\ncn: " + user.name + "\nsn: " + user.name + "\n";
        for (const std::string& mail : user.mails) {
            text += "mail: " + mail + "\n";
        }
        text += "\n";
    }
    return text;
}

class CliLdapTest : public ::testing::Test
{
protected:
    virtual SlapdOptions ServerOptions() const { return {}; }
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_server.Start(LdifText(), &error, ServerOptions())) << error;
        m_treeFile = m_server.Directory() + "/acme.json";
        std::ofstream(m_treeFile) << TreeFileText();
    }
    void TearDown() override { m_server.Stop(); }

    ProcessResult Run(const std::string& source, const std::vector<std::string>& args,
        std::vector<std::string> environment = {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE"})
    {
        std::vector<std::string> all {"--tree-file", source};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(VERALITH_CLI_PATH, all, environment);
    }

    SlapdServer m_server;
    std::string m_treeFile;
};

TEST_F(CliLdapTest, FindRunsGiveTheSameLinesAsOnTheEmbeddedDirectory)
{
    const std::vector<std::vector<std::string>> kRuns = {
        {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse"},
        {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse", "--class", "inetOrgPerson"},
        {"find", "--mode", "duplicates", "--attribute", "mail", "--base", ".IT.Acme", "--recurse"},
        {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse", "--format", "csv"},
        {"find", "--mode", "present", "--attribute", "mail", "--recurse"},
        {"find", "--mode", "absent", "--attribute", "mail", "--recurse"},
        {"find", "--mode", "show", "--attribute", "mail", "--recurse", "--base", ".Sales.Acme"},
        {"read", "--object", ".baker.Sales.Acme", "--attribute", "mail"},
        {"find", "--attribute", "mail", "--recurse", "--each-value", "--match", "directory", "--report", "groups"},
        {"find", "--attribute", "mail", "--recurse", "--each-value", "--exclude-base", "IT.Acme", "--format", "json"},
    };
    for (const auto& args : kRuns) {
        std::string shown;
        for (const std::string& a : args) {
            shown += a + " ";
        }
        const ProcessResult embedded = Run(m_treeFile, args);
        const ProcessResult ldap = Run(m_server.Url(), args);
        EXPECT_EQ(ldap.status, embedded.status) << shown << ldap.err;
        // The tree file has no DNs; the server's groups carry them.
        EXPECT_EQ(WithoutDns(ldap.out, args), embedded.out) << shown << ldap.err;
        EXPECT_FALSE(embedded.out.empty()) << shown << embedded.err;
    }
    // The duplicates themselves, so that equal but wrong output cannot pass.
    const ProcessResult duplicates =
        Run(m_server.Url(), {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse"});
    EXPECT_EQ(duplicates.status, 1);
    EXPECT_NE(duplicates.out.find("evans.East.Sales.Acme / adams.Sales.Acme"), std::string::npos) << duplicates.out;
    EXPECT_NE(duplicates.out.find("irwin.IT.Acme / hall.IT.Acme"), std::string::npos) << duplicates.out;
    // The second value of one user repeated by another, matched by the LDAP schema's syntax.
    const ProcessResult eachValue =
        Run(m_server.Url(), {"find", "--attribute", "mail", "--recurse", "--each-value", "--match", "directory"});
    EXPECT_NE(eachValue.out.find("fox.IT.Acme / baker.Sales.Acme: (mail = baker@acme.example)"), std::string::npos)
        << eachValue.out;
}

TEST_F(CliLdapTest, AServerThatIsGoneIsAClearError)
{
    const std::string url = m_server.Url();
    m_server.Stop();
    const ProcessResult result = Run(url, {"find", "--mode", "present", "--attribute", "mail", "--recurse"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("127.0.0.1"), std::string::npos) << result.err;
}

class CliLdapTlsTest : public CliLdapTest
{
protected:
    SlapdOptions ServerOptions() const override
    {
        SlapdOptions options;
        options.tls = true;
        return options;
    }
};

// Over ldaps:// and StartTLS the runs give what they give over plain LDAP
// when the server's CA is trusted, and are refused when it is not, even
// when the library's own settings would let any certificate through.
TEST_F(CliLdapTlsTest, CertificatesAreVerifiedAgainstTheTrustedCa)
{
    const std::string passwordFile = m_server.Directory() + "/password";
    std::ofstream(passwordFile) << SlapdServer::kRootPassword << "\n";
    // Bound with a password; no CA trusted and no TLS settings unless a row
    // gives them.
    const std::vector<std::string> kEnvironment = {std::string("VERALITH_LDAP_BINDDN=") + SlapdServer::kRootDn,
        "VERALITH_LDAP_PASSWORD_FILE=" + passwordFile, "LDAPTLS_CACERT", "LDAPTLS_CACERTDIR", "LDAPTLS_REQCERT"};
    const std::vector<std::vector<std::string>> kRuns = {
        {"read", "--object", ".baker.Sales.Acme", "--attribute", "mail"},
        {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse"},
    };
    std::vector<ProcessResult> plain;
    for (const auto& args : kRuns) {
        plain.push_back(Run(m_server.Url(), args, kEnvironment));
        ASSERT_EQ(plain.back().err, "");
    }
    EXPECT_NE(plain[0].out.find("baker@acme.example"), std::string::npos) << plain[0].out;
    EXPECT_NE(plain[1].out.find("irwin.IT.Acme / hall.IT.Acme"), std::string::npos) << plain[1].out;

    const std::string trusted = "LDAPTLS_CACERT=" + m_server.CaFile();
    const std::string ldapServer = "127.0.0.1:" + std::to_string(m_server.Port());
    const std::string ldapsServer = "127.0.0.1:" + std::to_string(m_server.TlsPort());
    const struct
    {
        const char* name;
        std::string source;
        const std::string& server;
        std::vector<std::string> tlsSettings;
        bool loads;
    } kCases[] = {
        {"ldaps, CA trusted", m_server.LdapsUrl(), ldapsServer, {trusted}, true},
        {"StartTLS, CA trusted", m_server.Url("?starttls"), ldapServer, {trusted}, true},
        {"ldaps, CA not trusted", m_server.LdapsUrl(), ldapsServer, {}, false},
        {"StartTLS, CA not trusted", m_server.Url("?starttls"), ldapServer, {}, false},
        {"ldaps, CA not trusted, checks off", m_server.LdapsUrl(), ldapsServer, {"LDAPTLS_REQCERT=never"}, false},
        {"StartTLS, CA not trusted, checks off", m_server.Url("?starttls"), ldapServer, {"LDAPTLS_REQCERT=allow"},
            false},
    };
    for (const auto& row : kCases) {
        std::vector<std::string> environment = kEnvironment;
        environment.insert(environment.end(), row.tlsSettings.begin(), row.tlsSettings.end());
        // A refused server is refused before any command runs: one run says it.
        for (std::size_t run = 0; run < (row.loads ? kRuns.size() : 1); ++run) {
            const ProcessResult result = Run(row.source, kRuns[run], environment);
            if (row.loads) {
                EXPECT_EQ(result.status, plain[run].status) << row.name << ": " << result.err;
                EXPECT_EQ(result.out, plain[run].out) << row.name;
                EXPECT_EQ(result.err, "") << row.name;
                continue;
            }
            EXPECT_EQ(result.status, 2) << row.name;
            EXPECT_EQ(result.out, "") << row.name;
            EXPECT_NE(result.err.find(row.server), std::string::npos) << row.name << ": " << result.err;
            EXPECT_NE(result.err.find("certificate"), std::string::npos) << row.name << ": " << result.err;
            EXPECT_EQ(result.err.find(SlapdServer::kRootPassword), std::string::npos) << row.name;
        }
    }
}

// A server's size limit that ends a search is named on standard error with
// the number of entries it let through; what came is printed and the run is
// a failure. A reference to another server is reported with its URL.
TEST(CliLdapLimits, ASizeLimitEndsTheRunWithItsMessageKeepingWhatCame)
{
    SlapdServer server;
    SlapdOptions options;
    options.databaseConfig = "limits anonymous size=500\n";
    const std::string referral = "ldap://other.example.com/ou=Elsewhere,o=Other";
    const std::string ldif = client::testing::AcmeLdif() + client::testing::ManyUsersLdif(600) +
        "dn: cn=Elsewhere,ou=Sales,o=Acme\nobjectClass: referral\nobjectClass: extensibleObject\ncn: Elsewhere\n"
        "ref: " +
        referral + "\n\n";
    std::string error;
    ASSERT_TRUE(server.Start(ldif, &error, options)) << error;
    const ProcessResult limited = RunProcess(VERALITH_CLI_PATH,
        {"--tree-file", server.Url(), "find", "--mode", "present", "--attribute", "mail", "--base", ".Many.Acme"},
        {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE"});
    EXPECT_EQ(limited.status, 2) << limited.err;
    EXPECT_NE(limited.err.find("the server's size limit ended the search of \"ou=Many,o=Acme\" after 500 entries"),
        std::string::npos)
        << limited.err;
    EXPECT_NE(limited.err.find("(ERR_SIZE_LIMIT_EXCEEDED)"), std::string::npos) << limited.err;
    EXPECT_EQ(Lines(limited.out).size(), 500u) << limited.err;
    const ProcessResult referred = RunProcess(VERALITH_CLI_PATH,
        {"--tree-file", server.Url(), "find", "--mode", "present", "--attribute", "mail", "--base", ".Sales.Acme"},
        {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE"});
    EXPECT_EQ(referred.status, 0) << referred.err;
    EXPECT_NE(referred.err.find(referral), std::string::npos) << referred.err;
    EXPECT_FALSE(Lines(referred.out).empty());
}

// The connection to the server is cut by a relay right after it has passed a
// number of entries of the search that a test chose (the first page whole
// and part of the second): the program must fail and say why, and still
// print every object that came, no fewer and no more.
TEST(CliLdapServerLost, AServerLostDuringFindEndsTheRunWithAnErrorKeepingWhatCame)
{
    constexpr int kUsers = 5000;
    constexpr int kPassed = 1500;
    SlapdServer server;
    SlapdOptions options;
    // Pages of at most 1,000 entries: the program, refused its larger
    // pages, asks for pages of that size.
    options.databaseConfig = "limits anonymous size.pr=1000 size.prtotal=unlimited\n";
    std::string error;
    ASSERT_TRUE(server.Start(client::testing::AcmeLdif() + client::testing::ManyUsersLdif(kUsers), &error, options))
        << error;
    CuttingProxy proxy(server.Port(), "ou=Many,o=Acme", kPassed);
    ASSERT_NE(proxy.Port(), 0);
    std::string url = server.Url();
    const std::string port = ":" + std::to_string(server.Port());
    url.replace(url.find(port), port.size(), ":" + std::to_string(proxy.Port()));

    const ProcessResult result = RunProcess(VERALITH_CLI_PATH,
        {"--tree-file", url, "find", "--mode", "present", "--attribute", "mail", "--base", ".Many.Acme", "--recurse"},
        {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE"});

    ASSERT_TRUE(proxy.Cut()) << result.err;
    EXPECT_EQ(proxy.EntriesPassed(), kPassed);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_NE(result.err.find("veralith-cli: find: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("(ERR_TRANSPORT_FAILURE): the connection to the directory server failed or was lost"),
        std::string::npos)
        << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kPassed)) << result.err;
    const std::regex kLine(R"(user(\d{5})\.Many\.Acme\tuser\d{5}@many\.example)");
    std::set<std::string> distinct;
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, kLine)) << line;
        distinct.insert(line);
    }
    EXPECT_EQ(distinct.size(), lines.size());
}

} // namespace
} // namespace veralith::app
