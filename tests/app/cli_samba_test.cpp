// veralith-cli against an Active-Directory-compatible server: a Samba domain
// controller provisioned for the test, with 2,000 users. Its schema's long
// names, its constructed attributes, its value forms, its refusal of
// anonymous binds and its certificate for its own host name.

#include "tests/app/cli_process.h"
#include "tests/app/samba_fixture.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <regex>

namespace veralith::app {
namespace {

using testing::SambaDomainController;

constexpr int kStaffUsers = 2000;
constexpr int kSharedMails = 1000; // every mail is shared by two users

std::string Ldif()
{
    const std::string domain = SambaDomainController::kDomainDn;
    std::string text;
    for (const char* unit : {"Staff", "St.Louis"}) {
        text +=
            std::string("dn: OU=") + unit + "," + domain + "\nobjectClass: organizationalUnit\nou: " + unit + "\n\n";
    }
    for (int i = 0; i < kStaffUsers; ++i) {
        const std::string n = std::to_string(10000 + i).substr(1);
        text += "dn: CN=user" + n + ",OU=Staff," + domain + "\nobjectClass: user\nsAMAccountName: user" + n +
            "\nmail: shared" + std::to_string(i % kSharedMails) + "@veralith.test\ntelephoneNumber: +1 555 " + n +
            "\n\n";
    }
    text += "dn: CN=louis,OU=St.Louis," + domain + "\nobjectClass: user\nsAMAccountName: louis\n\n";
    // A group with more members than one range of values holds.
    text += "dn: CN=Everybody,OU=Staff," + domain + "\nobjectClass: group\nsAMAccountName: everybody\n";
    for (int i = 0; i < 1600; ++i) {
        text += "member: CN=user" + std::to_string(10000 + i).substr(1) + ",OU=Staff," + domain + "\n";
    }
    return text + "\n";
}

class CliSambaTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sUnavailable = SambaDomainController::Unavailable();
        if (!sUnavailable.empty()) {
            return;
        }
        sServer = std::make_unique<SambaDomainController>();
        std::string error;
        if (!sServer->Start(Ldif(), &error)) {
            sFailure = error;
        }
    }
    static void TearDownTestSuite() { sServer.reset(); }
    void SetUp() override
    {
        if (!sUnavailable.empty()) {
            std::printf("skipped: %s\n", sUnavailable.c_str());
            GTEST_SKIP() << sUnavailable;
        }
        ASSERT_EQ(sFailure, "");
    }

    // veralith-cli bound as the administrator (bound = false: anonymously).
    static ProcessResult Run(const std::string& source, const std::vector<std::string>& args, bool bound = true)
    {
        std::vector<std::string> all {"--tree-file", source};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<std::string> environment {"VERALITH_LDAP_BINDDN", "VERALITH_LDAP_PASSWORD_FILE",
            "VERALITH_LDAP_PASSWORD", "LDAPTLS_CACERT", "LDAPTLS_REQCERT"};
        if (bound) {
            environment.push_back(std::string("VERALITH_LDAP_BINDDN=") + SambaDomainController::kAdminDn);
            environment.push_back("VERALITH_LDAP_PASSWORD_FILE=" + sServer->PasswordFile());
        }
        return RunProcess(VERALITH_CLI_PATH, all, environment);
    }
    static ProcessResult Run(const std::vector<std::string>& args) { return Run(sServer->Url(), args); }

    static bool Listed(const std::vector<std::string>& lines, const std::string& name)
    {
        return std::any_of(lines.begin(), lines.end(),
            [&](const std::string& line) { return line == name || line == name + "\taux"; });
    }

    static std::string sUnavailable;
    static std::string sFailure;
    static std::unique_ptr<SambaDomainController> sServer;
};

std::string CliSambaTest::sUnavailable;
std::string CliSambaTest::sFailure;
std::unique_ptr<SambaDomainController> CliSambaTest::sServer;

TEST_F(CliSambaTest, TheSchemasLongNamesAreListedWhole)
{
    // top has optional attributes with names over 32 characters: every class
    // inherits them, and with them the rest of its list.
    const struct
    {
        const char* className;
        std::vector<std::string> listed;
    } kClasses[] = {
        {"user",
            {"msDS-ClaimSharesPossibleValuesWithBL", "mail", "telephoneNumber", "description",
                "msDS-UserPasswordExpiryTimeComputed"}},
        {"group", {"msDS-MembersOfResourcePropertyListBL", "member", "description"}},
        {"contact", {"msDS-ClaimSharesPossibleValuesWithBL", "mail"}},
        {"organizationalUnit", {"msDS-ClaimSharesPossibleValuesWithBL", "ou"}},
    };
    for (const auto& row : kClasses) {
        const ProcessResult result = Run({"attributes", "--class", row.className});
        ASSERT_EQ(result.status, 0) << row.className << ": " << result.err;
        const std::vector<std::string> lines = Lines(result.out);
        for (const std::string& name : row.listed) {
            EXPECT_TRUE(Listed(lines, name)) << row.className << " lacks " << name;
        }
    }
    const struct
    {
        const char* command;
        std::size_t atLeast;
        const char* longName;
        long longNames; // names over 32 characters the schema has
    } kLists[] = {
        {"classes", 250, "msDS-DeviceRegistrationServiceContainer", 5},
        {"attributes", 1400, "msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon", 45},
    };
    for (const auto& row : kLists) {
        const ProcessResult result = Run({row.command});
        ASSERT_EQ(result.status, 0) << row.command << ": " << result.err;
        const std::vector<std::string> lines = Lines(result.out);
        EXPECT_GE(lines.size(), row.atLeast) << row.command;
        EXPECT_TRUE(Listed(lines, row.longName)) << row.command;
        const auto longer = std::count_if(lines.begin(), lines.end(),
            [](const std::string& line) { return line.substr(0, line.find('\t')).size() > 32; });
        EXPECT_GE(longer, row.longNames) << row.command << ": names over 32 characters";
    }
}

TEST_F(CliSambaTest, ValuesComeInTheFormsAdministratorsKnow)
{
    const struct
    {
        const char* attribute;
        const char* pattern;
    } kValues[] = {
        {"objectSid", R"(S-1-5-21-\d+-\d+-\d+-500)"},
        {"objectGUID", R"([0-9A-F]{32} \{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})"},
        {"accountExpires", "never|.*:.*"},
        // Interval times and generalized times are dates, no bare numbers.
        {"pwdLastSet", ".*:.*"},
        {"whenCreated", ".*:.*"},
        // A constructed attribute: sent only when asked for by name.
        {"msDS-UserPasswordExpiryTimeComputed", "never|.*:.*"},
    };
    for (const auto& row : kValues) {
        const ProcessResult result =
            Run({"read", "--object", ".Administrator.Users.veralith.test", "--attribute", row.attribute});
        EXPECT_EQ(result.status, 0) << row.attribute << ": " << result.err;
        const std::string value = result.out.substr(0, result.out.find('\n'));
        EXPECT_TRUE(std::regex_match(value, std::regex(row.pattern))) << row.attribute << ": " << result.out;
    }
    // The GUID's two forms are one value: its bytes, then the registry form.
    const ProcessResult guid =
        Run({"read", "--object", ".Administrator.Users.veralith.test", "--attribute", "objectGUID"});
    const std::string hex = guid.out.substr(0, 32);
    const std::string braced = guid.out.substr(34, 36);
    ASSERT_EQ(braced.size(), 36u) << guid.out;
    EXPECT_EQ(braced.substr(0, 8), hex.substr(6, 2) + hex.substr(4, 2) + hex.substr(2, 2) + hex.substr(0, 2));
    EXPECT_EQ(braced.substr(24), hex.substr(20));
}

// A group of 1,600 members (more than Active Directory sends in one range;
// this server sends them whole unless a range is asked for): reads and
// searches give every one, as many as ldapsearch sees.
TEST_F(CliSambaTest, AGroupOfManyMembersIsReadWhole)
{
    const std::string group = std::string("CN=Everybody,OU=Staff,") + SambaDomainController::kDomainDn;
    const std::string url = sServer->Url();
    const std::string server = url.substr(0, url.find('/', url.find("//") + 2));
    std::ifstream passwordFile(sServer->PasswordFile());
    std::string password;
    std::getline(passwordFile, password);
    const ProcessResult bare = RunProcess("/usr/bin/ldapsearch",
        {"-x", "-LLL", "-o", "ldif-wrap=no", "-H", server, "-D", SambaDomainController::kAdminDn, "-w", password, "-b",
            group, "-s", "base", "(objectClass=*)", "member"});
    ASSERT_EQ(bare.status, 0) << bare.err;
    std::size_t bareMembers = 0;
    for (const std::string& line : Lines(bare.out)) {
        bareMembers += line.rfind("member", 0) == 0;
    }
    EXPECT_EQ(bareMembers, 1600u);

    const ProcessResult read = Run({"read", "--object", ".Everybody.Staff.veralith.test", "--attribute", "member"});
    EXPECT_EQ(read.status, 0) << read.err;
    std::vector<std::string> members = Lines(read.out);
    for (std::string& member : members) {
        member.erase(std::remove(member.begin(), member.end(), '\r'), member.end());
    }
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members.size(), 1600u);
    EXPECT_EQ(std::unique(members.begin(), members.end()), members.end());
    EXPECT_TRUE(std::binary_search(members.begin(), members.end(), "user1599.Staff.veralith.test"))
        << (members.empty() ? "" : members.back());

    const ProcessResult shown = Run({"find", "--mode", "present", "--attribute", "member", "--recurse", "--class",
        "group", "--base", ".Staff.veralith.test"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("user1599.Staff.veralith.test"), std::string::npos);
}

TEST_F(CliSambaTest, DuplicatesAmongTwoThousandUsersBelowTheUrlsBase)
{
    const std::string staff = sServer->Url(std::string("OU=Staff,") + SambaDomainController::kDomainDn);
    const ProcessResult result =
        Run(staff, {"find", "--mode", "duplicates", "--attribute", "mail", "--recurse", "--class", "user"});
    EXPECT_EQ(result.status, 1) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kStaffUsers - kSharedMails)) << result.err;
    // Later / earlier: user1000 shares user0000's mail.
    EXPECT_TRUE(std::find(lines.begin(), lines.end(),
                    "user1000.Staff.veralith.test / user0000.Staff.veralith.test: (mail = shared0@veralith.test)") !=
        lines.end())
        << (lines.empty() ? "" : lines.front());
    // The base bounds the tree: the domain's other users are not searched.
    EXPECT_EQ(result.out.find("Administrator"), std::string::npos);
    const ProcessResult top = Run(staff, {"containers", "--context", "[Root]"});
    EXPECT_EQ(top.out, "Staff.veralith.test\n") << top.err;
    // The unit with a dot in its name is listed by the domain.
    const ProcessResult units = Run({"containers"});
    EXPECT_NE(units.out.find("Louis"), std::string::npos) << units.out << units.err;
}

TEST_F(CliSambaTest, RefusalsNameTheirCause)
{
    const ProcessResult anonymous = Run(sServer->Url(), {"classes"}, false);
    EXPECT_EQ(anonymous.status, 2);
    EXPECT_NE(anonymous.err.find("refused to serve an anonymous bind"), std::string::npos) << anonymous.err;
    EXPECT_EQ(anonymous.err.find("schema"), std::string::npos) << anonymous.err;
    // The server's certificate names its host, not the address.
    const ProcessResult tls = Run(std::string("ldaps://127.0.0.1/") + SambaDomainController::kDomainDn, {"classes"});
    EXPECT_EQ(tls.status, 2);
    EXPECT_NE(tls.err.find("does not name \"127.0.0.1\""), std::string::npos) << tls.err;
}

} // namespace
} // namespace veralith::app
