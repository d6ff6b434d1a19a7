// veralith-cli over a real OpenLDAP server gives the same lines as over the
// embedded directory for the same tree, loaded once as a tree file and once
// as LDIF.

#include "slapd_fixture.h"
#include "tests/app/cli_process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace veralith::app {
namespace {

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
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_server.start(LdifText(), &error)) << error;
        m_treeFile = m_server.directory() + "/acme.json";
        std::ofstream(m_treeFile) << TreeFileText();
    }
    void TearDown() override { m_server.stop(); }

    ProcessResult Run(const std::string& source, const std::vector<std::string>& args)
    {
        std::vector<std::string> all {"--tree-file", source};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(VERALITH_CLI_PATH, all, {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE"});
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
    };
    for (const auto& args : kRuns) {
        std::string shown;
        for (const std::string& a : args) {
            shown += a + " ";
        }
        const ProcessResult embedded = Run(m_treeFile, args);
        const ProcessResult ldap = Run(m_server.url(), args);
        EXPECT_EQ(ldap.status, embedded.status) << shown << ldap.err;
        EXPECT_EQ(ldap.out, embedded.out) << shown << ldap.err;
        EXPECT_FALSE(embedded.out.empty()) << shown << embedded.err;
    }
    // The duplicates themselves, so that equal but wrong output cannot pass.
    const ProcessResult duplicates =
        Run(m_server.url(), {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse"});
    EXPECT_EQ(duplicates.status, 1);
    EXPECT_NE(duplicates.out.find("evans.East.Sales.Acme / adams.Sales.Acme"), std::string::npos) << duplicates.out;
    EXPECT_NE(duplicates.out.find("irwin.IT.Acme / hall.IT.Acme"), std::string::npos) << duplicates.out;
}

TEST_F(CliLdapTest, AServerThatIsGoneIsAClearError)
{
    const std::string url = m_server.url();
    m_server.stop();
    const ProcessResult result = Run(url, {"find", "--mode", "present", "--attribute", "mail", "--recurse"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("127.0.0.1"), std::string::npos) << result.err;
}

} // namespace
} // namespace veralith::app
