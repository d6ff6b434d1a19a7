// The client over a real OpenLDAP server: names, schema, reads, listings,
// searches with escaped values and paging, aliases, a server that goes away
// and binds that fail.

#include "../client_fixture.h"
#include "client/ldap/ldap_directory.h"
#include "client/notices.h"
#include "client/values.h"
#include "ldap_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gmock/gmock.h>
#include <set>
#include <thread>

namespace veralith::client::testing {
namespace {

TEST_F(LdapTest, TreeNamesAndNameContextComeFromTheServerAndTheBase)
{
    StartServer();
    EXPECT_EQ(ContextText(DCK_TREE_NAME), "Acme");
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "O=Acme");
    char full[kNameBufferSize] = {};
    ASSERT_EQ(DirNameConvert(Context(), "jsmith.Sales", full), 0);
    EXPECT_STREQ(full, "CN=jsmith.OU=Sales.O=Acme");
    // Typeless names are resolved against the directory, in any letter case.
    EXPECT_EQ(ReadTexts(Context(), "JSMITH.sales", "sn"), std::vector<std::string>({"Smith"}));
    EXPECT_EQ(ReadTexts(Context(), ".CN=jsmith.OU=Sales.O=Acme", "givenName"), std::vector<std::string>({"John"}));
    // A component with a comma travels escaped in the DN.
    EXPECT_EQ(ReadTexts(Context(), "Comma, Inc.Admin", "sn"), std::vector<std::string>({"Comma"}));
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), "nobody.Sales", "sn", &values), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(ReadValues(Context(), "jsmith.Nowhere", "sn", &values), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(ReadValues(Context(), "jsmith.Sales", "pager", &values), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(ReadValues(Context(), "jsmith.Sales", "noSuchAttributeType", &values), ERR_NO_SUCH_ATTRIBUTE);
}

TEST_F(LdapTest, TreeOptionOverridesTheTreeName)
{
    StartServer("", "", "?tree=ACME_LDAP");
    EXPECT_EQ(ContextText(DCK_TREE_NAME), "ACME_LDAP");
    char padded[kMaxTreeNameChars + 1] = {};
    std::uint32_t reference = 0;
    ASSERT_EQ(ConnGetPrimary(&reference), 0);
    ASSERT_EQ(ConnGetInfo(reference, 4, sizeof padded, padded), 0);
    EXPECT_EQ(std::string(padded), "ACME_LDAP_______________________");
}

TEST_F(LdapTest, ValuesOfEachSyntaxAreConverted)
{
    StartServer();
    std::vector<ReadValue> values;
    ASSERT_EQ(ReadValues(Context(), "jsmith.Sales", "uidNumber", &values), 0);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].syntaxId, SYN_INTEGER);
    std::int32_t number = 0;
    std::memcpy(&number, values[0].storage.data(), sizeof number);
    EXPECT_EQ(number, 1001);
    // Names inside values come back as names in the context's form.
    EXPECT_EQ(ReadTexts(Context(), "jsmith.Sales", "manager"), std::vector<std::string>({"CN=boss.OU=Admin"}));
    values.clear();
    ASSERT_EQ(ReadValues(Context(), "jsmith.Sales", "postalAddress", &values), 0);
    ASSERT_EQ(values.size(), 1u);
    const auto* address = reinterpret_cast<const PostalAddressValue*>(values[0].storage.data());
    EXPECT_STREQ(address->lines[0], "1 Main Street");
    EXPECT_STREQ(address->lines[1], "Springfield");
    values.clear();
    ASSERT_EQ(ReadValues(Context(), "jsmith.Sales", "telephoneNumber", &values), 0);
    EXPECT_EQ(values.at(0).syntaxId, SYN_TEL_NUMBER);
    EXPECT_EQ(values.at(0).Text(), "+1 555 0100");
    // Operational time stamps reach the entry information.
    std::uint32_t mask = DSI_CREATION_TIME | DSI_BASE_CLASS | DSI_PARENT_DN | DSI_RDN;
    ASSERT_EQ(DirSetContext(Context(), DCK_DSI_FLAGS, &mask), 0);
    std::vector<char> block(4096);
    ASSERT_EQ(DirReadEntryInfo(Context(), "jsmith.Sales", block.size(), block.data()), 0);
    std::uint32_t created = 0;
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof created, DSI_CREATION_TIME, &created), 0);
    EXPECT_GT(created, 1600000000u);
    char text[kNameBufferSize] = {};
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, DSI_BASE_CLASS, text), 0);
    EXPECT_STREQ(text, "inetOrgPerson");
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, DSI_PARENT_DN, text), 0);
    EXPECT_STREQ(text, "OU=Sales.O=Acme");
}

TEST_F(LdapTest, SchemaComesFromTheSubschemaSubentry)
{
    StartServer();
    const struct
    {
        const char* attribute;
        std::uint32_t syntax;
    } kSyntaxes[] = {{"mail", SYN_CI_STRING}, {"cn", SYN_CI_STRING}, {"manager", SYN_DIST_NAME},
        {"telephoneNumber", SYN_TEL_NUMBER}, {"uidNumber", SYN_INTEGER}, {"userPassword", SYN_OCTET_STRING},
        {"postalAddress", SYN_PO_ADDRESS}, {"createTimestamp", SYN_TIME}, {"objectClass", SYN_CLASS_NAME},
        {"facsimileTelephoneNumber", SYN_FAX_NUMBER}, {"c", SYN_PR_STRING}, {"homeDirectory", SYN_CE_STRING}};
    for (const auto& row : kSyntaxes) {
        std::uint32_t syntax = 99;
        EXPECT_EQ(DirGetSyntaxId(Context(), row.attribute, &syntax), 0) << row.attribute;
        EXPECT_EQ(syntax, row.syntax) << row.attribute;
    }
    std::uint32_t syntax = 0;
    EXPECT_EQ(DirGetSyntaxId(Context(), "Telephone Number", &syntax), ERR_NO_SUCH_ATTRIBUTE);

    // Expanded class definitions carry what the class inherits.
    ScopedBuffer request;
    ScopedBuffer reply;
    ASSERT_EQ(request.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kLargeBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ_CLASS_DEF, request.get()), 0);
    ASSERT_EQ(DirPutClassItem(Context(), request.get(), "inetOrgPerson"), 0);
    ASSERT_EQ(DirPutClassItem(Context(), request.get(), "posixAccount"), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirReadClassDef(Context(), 2, false, request.get(), &iteration, reply.get()), 0);
    std::vector<std::vector<std::string>> lists;
    DirClassInfo info {};
    char name[kMaxSchemaNameChars + 1] = {};
    ASSERT_EQ(DirGetClassDef(Context(), reply.get(), name, &info), 0);
    EXPECT_STREQ(name, "inetOrgPerson");
    EXPECT_EQ(info.flags & DS_AUXILIARY_CLASS, 0u);
    for (int list = 0; list < 5; ++list) {
        std::uint32_t count = 0;
        ASSERT_EQ(DirGetClassItemCount(Context(), reply.get(), &count), 0);
        lists.emplace_back();
        for (std::uint32_t i = 0; i < count; ++i) {
            char item[kMaxSchemaNameChars + 1] = {};
            ASSERT_EQ(DirGetClassItem(Context(), reply.get(), item), 0);
            lists.back().emplace_back(item);
        }
    }
    EXPECT_THAT(lists[0], ::testing::ElementsAre("organizationalPerson", "person", "top"));
    EXPECT_THAT(lists[3], ::testing::IsSupersetOf({"cn", "sn", "objectClass"}));
    EXPECT_THAT(lists[4], ::testing::IsSupersetOf({"mail", "telephoneNumber"}));
    ASSERT_EQ(DirGetClassDef(Context(), reply.get(), name, &info), 0);
    EXPECT_STREQ(name, "posixAccount");
    EXPECT_EQ(info.flags & DS_AUXILIARY_CLASS, DS_AUXILIARY_CLASS);
    EXPECT_GT(info.oid.length, 2u);
}

TEST_F(LdapTest, ListingsAreSortedAndMarkContainers)
{
    StartServer();
    UseRootTypeless();
    EXPECT_EQ(ListNames(Context(), "[Root]", kLargeBufferSize, false), std::vector<std::string>({"Acme"}));
    EXPECT_EQ(ListNames(Context(), "Acme", kLargeBufferSize, false),
        std::vector<std::string>({"Admin.Acme", "Chief.Acme", "Sales.Acme"}));
    EXPECT_EQ(
        ListNames(Context(), "Acme", kLargeBufferSize, true), std::vector<std::string>({"Admin.Acme", "Sales.Acme"}));
    EXPECT_EQ(ListNames(Context(), "Admin.Acme", kLargeBufferSize, false),
        std::vector<std::string>({"boss.Admin.Acme", "Comma, Inc.Admin.Acme"}));
}

TEST_F(LdapTest, AliasesAreFollowedOnlyWithTheFlag)
{
    StartServer();
    EXPECT_EQ(ReadTexts(Context(), "Chief", "mail"), std::vector<std::string>({"boss@acme.example"}));
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    EXPECT_EQ(ReadTexts(Context(), "Chief", "aliasedObjectName"), std::vector<std::string>({"boss.Admin"}));
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), "Chief", "mail", &values), ERR_NO_SUCH_ATTRIBUTE);
    // A search reports the alias as itself.
    FilterBuilder filter;
    filter.Text(FTOK_ANAME, "cn", SYN_CI_STRING).Token(FTOK_EQ).Text(FTOK_AVAL, "Chief", SYN_CI_STRING);
    filter.Token(FTOK_END);
    EXPECT_EQ(SearchNames(Context(), ".Acme", 2, &filter.cursor), std::vector<std::string>({"Chief"}));
}

// Each typed value must match exactly what it says; none may change the
// filter around it.
TEST_F(LdapTest, TypedFilterValuesAreEscaped)
{
    StartServer();
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    const struct
    {
        const char* value;
        std::vector<std::string> expected;
    } kCases[] = {
        {"a(b)c", {"mjones.Sales"}},
        {"back\\slash", {"mjones.Sales"}},
        {"*)(objectClass=*", {}}, // would list everything if it reached the filter unescaped
        {"x)(|(cn=*)", {}},
        {"star*", {"jsmith.Sales", "boss.Admin"}}, // "*" is the client's wildcard
        {"star", {"boss.Admin"}},
        {"the name needs escaping", {"Comma, Inc.Admin"}},
    };
    for (const auto& row : kCases) {
        FilterBuilder filter;
        filter.Text(FTOK_ANAME, "description", SYN_CI_STRING).Token(FTOK_EQ);
        filter.Text(FTOK_AVAL, row.value, SYN_CI_STRING).Token(FTOK_END);
        std::vector<std::string> names = SearchNames(Context(), ".Acme", 2, &filter.cursor);
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected = row.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << row.value;
    }
    // Distinguished-name values are names; an unknown name matches nothing.
    FilterBuilder byManager;
    byManager.Text(FTOK_ANAME, "manager", SYN_DIST_NAME).Token(FTOK_EQ);
    byManager.Text(FTOK_AVAL, "boss.Admin", SYN_DIST_NAME).Token(FTOK_END);
    EXPECT_EQ(SearchNames(Context(), ".Acme", 2, &byManager.cursor), std::vector<std::string>({"jsmith.Sales"}));
    // Integers compare numerically; base class and presence tests.
    FilterBuilder byNumber;
    byNumber.Text(FTOK_ANAME, "uidNumber", SYN_INTEGER).Token(FTOK_GE).Number(1000, SYN_INTEGER);
    byNumber.Token(FTOK_AND).Token(FTOK_BASECLS).Text(FTOK_ANAME, "inetOrgPerson", SYN_CLASS_NAME);
    byNumber.Token(FTOK_AND).Token(FTOK_PRESENT).Text(FTOK_ANAME, "mail", SYN_CI_STRING).Token(FTOK_END);
    EXPECT_EQ(SearchNames(Context(), ".Acme", 2, &byNumber.cursor), std::vector<std::string>({"jsmith.Sales"}));
    // An attribute name that is no attribute description is refused.
    FilterBuilder injected;
    injected.Text(FTOK_ANAME, "cn=*)(sn", SYN_CI_STRING).Token(FTOK_EQ);
    injected.Text(FTOK_AVAL, "x", SYN_CI_STRING).Token(FTOK_END);
    DirResult rc = 0;
    EXPECT_TRUE(SearchNames(Context(), ".Acme", 2, &injected.cursor, &rc).empty());
    EXPECT_EQ(rc, ERR_INVALID_FILTER_SYNTAX);
}

TEST_F(LdapTest, ScopesExcludeTheBase)
{
    StartServer();
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(sorted(SearchNames(Context(), "Sales", 2, nullptr)),
        std::vector<std::string>({"jsmith.Sales", "mjones.Sales"}));
    EXPECT_EQ(
        sorted(SearchNames(Context(), ".Acme", 1, nullptr)), std::vector<std::string>({"Admin", "Chief", "Sales"}));
    EXPECT_EQ(SearchNames(Context(), "Sales", 0, nullptr), std::vector<std::string>({"Sales"}));
    EXPECT_EQ(SearchNames(Context(), ".Acme", 2, nullptr).size(), 7u);
}

TEST(LdapWaitHook, RunsAtMostOncePerInterval)
{
    int runs = 0;
    const ScopedWaitHook hook([&runs] { ++runs; });
    Waiting();
    Waiting();
    EXPECT_EQ(runs, 1);
    std::this_thread::sleep_for(kWaitHookInterval);
    Waiting();
    EXPECT_EQ(runs, 2);
}

// 2,500 objects come in three pages of a paged search (the server hands out
// at most 1,000 a page whatever the client asks for), and the client hands
// them on in many small replies. The server refuses unpaged searches over 500
// entries, so all of them arriving proves the paging.
TEST_F(LdapTest, LongResultsArePaged)
{
    StartServer(ManyUsersLdif(2500),
        "limits anonymous size.soft=500 size.hard=500 size.pr=1000 "
        "size.prtotal=unlimited\n");
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    const std::vector<std::string> names = SearchNames(Context(), "Many", 1, nullptr, nullptr, kSmallBufferSize);
    ASSERT_EQ(names.size(), 2500u);
    std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), 2500u);
    EXPECT_TRUE(unique.count("user02500.Many"));
    EXPECT_EQ(ListNames(Context(), "Many", kSmallBufferSize, false).size(), 2500u);
}

// Reads that follow a search are answered from what the search brought, or
// from one further search, never one round trip per object.
TEST_F(LdapTest, ReadsAfterASearchCostNoRoundTripPerObject)
{
    std::string error;
    ASSERT_TRUE(m_server.Start(AcmeLdif() + ManyUsersLdif(1200), &error)) << error;
    ldap::LdapUrl url;
    ASSERT_TRUE(ldap::ParseLdapUrl(m_server.Url(), &url, &error)) << error;
    auto directory = ldap::LdapDirectory::Open(url, ldap::Credentials(), &error);
    ASSERT_TRUE(directory) << error;
    StartWithServices({directory});
    ASSERT_EQ(DirCreateContext(m_context.Out()), 0);
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    auto readAll = [&](const std::vector<std::string>& names, const std::string& attribute) {
        std::size_t shared = 0;
        for (const std::string& name : names) {
            const std::vector<std::string> values = ReadTexts(Context(), name, attribute);
            EXPECT_EQ(values.size(), 1u) << name << " " << attribute;
            shared += name == "user00007.Many" && values == std::vector<std::string> {"user00006@many.example"};
        }
        return shared;
    };
    // Mail comes with the search; entryUUID (operational) is fetched ahead
    // for the whole result in one search.
    std::vector<std::string> names = SearchNames(Context(), "Many", 2, nullptr);
    ASSERT_EQ(names.size(), 1200u);
    std::uint64_t before = directory->SearchesSent();
    EXPECT_EQ(readAll(names, "mail"), 1u);
    EXPECT_EQ(directory->SearchesSent() - before, 0u);
    readAll(names, "entryUUID");
    EXPECT_EQ(directory->SearchesSent() - before, 1u);
    // A result too large to keep: the first read fetches ahead.
    directory->SetSearchCacheLimit(1000);
    names = SearchNames(Context(), "Many", 2, nullptr);
    before = directory->SearchesSent();
    EXPECT_EQ(readAll(names, "mail"), 1u);
    EXPECT_EQ(directory->SearchesSent() - before, 1u);
    // An object outside the search is looked up below the nearest container
    // whose children are known (Acme's were listed to name the search's
    // entries): one listing of Sales's children, then what the read needs.
    EXPECT_EQ(ReadTexts(Context(), "jsmith.Sales", "sn"), std::vector<std::string>({"Smith"}));
    EXPECT_EQ(directory->SearchesSent() - before, 4u);
}

TEST_F(LdapTest, AServerThatGoesAwayEndsTheSearchKeepingWhatCame)
{
    // Pages of at most 1,000: the search needs the server again after the
    // first page, whatever of that page had reached the client.
    StartServer(ManyUsersLdif(3000), "limits anonymous size.pr=1000 size.prtotal=unlimited\n");
    // A read first lists the container, so that the search hands its
    // entries on page by page rather than reading on while the container is
    // listed (a search read to its end before the server stops would keep
    // everything).
    std::vector<ReadValue> known;
    ASSERT_EQ(ReadValues(Context(), "CN=user00002.OU=Many", "sn", &known), 0);
    ScopedBuffer request;
    ScopedBuffer reply;
    ASSERT_EQ(request.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, request.get()), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirSearch(Context(), "Many", 1, false, request.get(), nullptr, 0, false, nullptr, &iteration, 0, nullptr,
                  reply.get()),
        0);
    std::uint32_t count = 0;
    ASSERT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
    EXPECT_GT(count, 0u);
    char first[kNameBufferSize] = {};
    std::uint32_t attrCount = 0;
    DirObjectInfo info {};
    ASSERT_EQ(DirGetObjectName(Context(), reply.get(), first, &attrCount, &info), 0);
    EXPECT_STREQ(first, "CN=user00001.OU=Many");
    m_server.Stop();
    DirResult rc = 0;
    std::size_t delivered = count;
    for (int replies = 0; replies < 10000 && iteration != -1; ++replies) {
        rc = DirSearch(Context(), "Many", 1, false, request.get(), nullptr, 0, false, nullptr, &iteration, 0, nullptr,
            reply.get());
        if (rc != 0) {
            break;
        }
        ASSERT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
        delivered += count;
    }
    EXPECT_EQ(rc, ERR_TRANSPORT_FAILURE);
    EXPECT_LT(delivered, 3000u);
    // Every later operation says the same, promptly.
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), "jsmith.Sales", "sn", &values), ERR_TRANSPORT_FAILURE);
}

TEST(LdapBind, WrongPasswordIsRefusedWithoutShowingIt)
{
    SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start(AcmeLdif(), &error)) << error;
    const std::string passwordFile = server.Directory() + "/password";
    const struct
    {
        const char* password;
        bool loads;
    } kCases[] = {{"not-the-password", false}, {SlapdServer::kRootPassword, true}};
    for (const auto& row : kCases) {
        std::ofstream(passwordFile) << row.password << "\n";
        setenv("VERALITH_LDAP_BINDDN", SlapdServer::kRootDn, 1);
        setenv("VERALITH_LDAP_PASSWORD_FILE", passwordFile.c_str(), 1);
        SetTreeServices({});
        SetTreeSources({server.Url()});
        ::testing::internal::CaptureStderr();
        const ConnResult rc = ClientInit(nullptr, nullptr);
        const std::string message = ::testing::internal::GetCapturedStderr();
        unsetenv("VERALITH_LDAP_BINDDN");
        unsetenv("VERALITH_LDAP_PASSWORD_FILE");
        if (row.loads) {
            EXPECT_EQ(rc, 0) << message;
        } else {
            EXPECT_EQ(rc, CONN_CLIENT_NOT_AVAILABLE);
            EXPECT_THAT(message, ::testing::HasSubstr("Invalid credentials"));
            EXPECT_THAT(message, ::testing::HasSubstr(SlapdServer::kRootDn));
            EXPECT_THAT(message, ::testing::Not(::testing::HasSubstr(row.password)));
        }
    }
    SetTreeSources({});
    // A server that is not there: the source is left out with a message.
    const std::string url = server.Url();
    server.Stop();
    SetTreeSources({url});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ClientInit(nullptr, nullptr), CONN_CLIENT_NOT_AVAILABLE);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), ::testing::HasSubstr("127.0.0.1"));
    SetTreeSources({});
}

} // namespace
} // namespace veralith::client::testing
