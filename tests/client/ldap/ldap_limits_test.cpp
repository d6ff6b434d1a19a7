// The client against a production-like slapd: an ordinary user who binds with
// a password under the size limit OpenLDAP gives users by default, a
// container with more children than that limit, a reference to another
// server, entries whose names are too long to carry, and a server that stops
// answering.

#include "../client_fixture.h"
#include "client/ldap/dn.h"
#include "client/ldap/ldap_directory.h"
#include "client/notices.h"
#include "client/values.h"
#include "ldap_test_support.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gmock/gmock.h>
#include <set>
#include <thread>

namespace veralith::client::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kReaderDn = "uid=reader,dc=example,dc=com";
constexpr const char* kReaderPassword = "reader-secret";
constexpr int kPeople = 620;
constexpr int kTeams = 5;
constexpr const char* kReferral = "ldap://other.example.com/ou=Elsewhere,dc=other,dc=com";

// 60 characters: four of them and the suffix make a name of more than 255.
std::string LongValue(char c)
{
    return std::string(60, c);
}

std::string ExampleLdif()
{
    std::string ldif = "dn: dc=example,dc=com\nobjectClass: dcObject\nobjectClass: organization\no: Example\n"
                       "dc: example\n\n"
                       "dn: uid=reader,dc=example,dc=com\nobjectClass: account\nobjectClass: simpleSecurityObject\n"
                       "uid: reader\nuserPassword: " +
        std::string(kReaderPassword) +
        "\n\n"
        "dn: ou=Big,dc=example,dc=com\nobjectClass: organizationalUnit\nou: Big\n\n";
    for (int i = 1; i <= kPeople; ++i) {
        char cn[16];
        std::snprintf(cn, sizeof cn, "person%04d", i);
        ldif += "dn: cn=" + std::string(cn) + ",ou=Big,dc=example,dc=com\nobjectClass: inetOrgPerson\ncn: " + cn +
            "\nsn: Person\nmail: " + cn + "@example.com\n\n";
        if (i % 124 == 0) {
            const std::string team = "Team" + std::to_string(i / 124);
            ldif +=
                "dn: ou=" + team + ",ou=Big,dc=example,dc=com\nobjectClass: organizationalUnit\nou: " + team + "\n\n";
        }
    }
    ldif += "dn: cn=Elsewhere,ou=Big,dc=example,dc=com\nobjectClass: referral\nobjectClass: extensibleObject\n"
            "cn: Elsewhere\nref: " +
        std::string(kReferral) + "\n\n";
    // Below ou=Long: a component of 70 characters, and a chain of units whose
    // last member's name is longer than 255 characters; "after" comes last.
    std::string dn = "ou=Long,dc=example,dc=com";
    ldif += "dn: " + dn + "\nobjectClass: organizationalUnit\nou: Long\n\n";
    ldif += "dn: cn=" + std::string(70, 'w') + "," + dn + "\nobjectClass: person\ncn: " + std::string(70, 'w') +
        "\nsn: Wide\n\n";
    for (char c : {'a', 'b', 'c', 'd'}) {
        dn = "ou=" + LongValue(c) + "," + dn;
        ldif += "dn: " + dn + "\nobjectClass: organizationalUnit\nou: " + LongValue(c) + "\n\n";
    }
    ldif += "dn: cn=after,ou=Long,dc=example,dc=com\nobjectClass: person\ncn: after\nsn: After\n\n";
    return ldif;
}

// What a listing or search delivered, reply by reply, and how it ended.
struct Delivered
{
    std::vector<std::string> names;
    DirResult result = 0;
};

using Fetch = std::function<DirResult(std::int32_t* iteration, DirBuffer* reply)>;
// Called after each reply with the number of replies so far.
using BetweenReplies = std::function<void(int replies, const Delivered& sofar)>;

Delivered Drain(DirContext context, const Fetch& fetch, const BetweenReplies& between = nullptr)
{
    Delivered delivered;
    ScopedBuffer reply;
    EXPECT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    int replies = 0;
    do {
        delivered.result = fetch(&iteration, reply.get());
        if (delivered.result != 0) {
            break;
        }
        std::uint32_t count = 0;
        EXPECT_EQ(DirGetObjectCount(context, reply.get(), &count), 0);
        for (std::uint32_t i = 0; i < count; ++i) {
            char name[kNameBufferSize] = {};
            std::uint32_t attrCount = 0;
            DirObjectInfo info {};
            EXPECT_EQ(DirGetObjectName(context, reply.get(), name, &attrCount, &info), 0);
            delivered.names.emplace_back(name);
        }
        if (between) {
            between(++replies, delivered);
        }
    } while (iteration != -1);
    return delivered;
}

Fetch Listing(DirContext context, const std::string& object, bool containersOnly)
{
    return [=](std::int32_t* iteration, DirBuffer* reply) {
        return containersOnly ? DirListContainers(context, object.c_str(), iteration, reply)
                              : DirList(context, object.c_str(), iteration, reply);
    };
}

Fetch Searching(DirContext context, const std::string& base, std::int32_t scope)
{
    return [=](std::int32_t* iteration, DirBuffer* reply) {
        ScopedBuffer request;
        EXPECT_EQ(request.allocate(kSmallBufferSize), 0);
        EXPECT_EQ(DirInitBuffer(context, DSV_SEARCH_FILTER, request.get()), 0);
        return DirSearch(context, base.c_str(), scope, false, request.get(), nullptr, 0, false, nullptr, iteration, 0,
            nullptr, reply);
    };
}

class LdapLimitsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        m_context.reset();
        SetTreeServices({});
        m_directory.reset();
        m_server.Stop();
    }

    // Starts slapd with the example tree and limits for ordinary users, and
    // the client bound as one of them.
    void Start(const std::string& limits, const std::string& urlOptions = "", const std::string& moreLdif = "")
    {
        SlapdOptions options;
        options.suffix = "dc=example,dc=com";
        options.databaseConfig = limits;
        std::string error;
        ASSERT_TRUE(m_server.Start(ExampleLdif() + moreLdif, &error, options)) << error;
        ldap::LdapUrl url;
        ASSERT_TRUE(ldap::ParseLdapUrl(m_server.Url(urlOptions), &url, &error)) << error;
        ldap::Credentials credentials;
        credentials.bindDn = kReaderDn;
        credentials.password = kReaderPassword;
        m_directory = ldap::LdapDirectory::Open(url, credentials, &error);
        ASSERT_TRUE(m_directory) << error;
        StartWithServices({m_directory});
        DirContext created = kNoContext;
        ASSERT_EQ(DirCreateContext(&created), 0);
        m_context = ScopedContext(created);
        std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
        ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    }
    DirContext Context() const { return m_context.get(); }
    std::size_t NoticesWith(const std::string& text) const
    {
        return static_cast<std::size_t>(std::count_if(m_notices.begin(), m_notices.end(),
            [&](const std::string& notice) { return notice.find(text) != std::string::npos; }));
    }

    SlapdServer m_server;
    std::shared_ptr<ldap::LdapDirectory> m_directory;
    ScopedContext m_context;
    std::vector<std::string> m_notices;
    ScopedNoticeHook m_hook {[this](const std::string& text) { m_notices.push_back(text); }};
};

constexpr const char* kBig = "Big.example.com";
constexpr const char* kUserLimit = "limits users size=500\n";
constexpr const char* kUserLimitPaged = "limits users size=500 size.prtotal=unlimited\n";

// Under the size limit OpenLDAP gives users, a container of more children
// lists its containers completely (they are asked for by class); every
// other listing or search delivers what the server handed out, then says
// which limit ended it. Where the server lets paged searches past the limit,
// everything arrives.
TEST_F(LdapLimitsTest, ServerSizeLimitsListWhatCameAndSayWhichLimit)
{
    const struct
    {
        const char* limits;
        bool containersOnly;
        bool search;
        std::size_t names;
        DirResult result;
    } kCases[] = {
        {kUserLimit, true, false, kTeams, 0},
        {kUserLimit, false, false, 500, ERR_SIZE_LIMIT_EXCEEDED},
        {kUserLimit, false, true, 500, ERR_SIZE_LIMIT_EXCEEDED},
        {kUserLimitPaged, true, false, kTeams, 0},
        {kUserLimitPaged, false, false, kPeople + kTeams, 0},
        {kUserLimitPaged, false, true, kPeople + kTeams, 0},
    };
    std::string running;
    for (const auto& row : kCases) {
        if (running != row.limits) {
            TearDown();
            Start(row.limits);
            running = row.limits;
        }
        m_notices.clear();
        const Delivered delivered =
            Drain(Context(), row.search ? Searching(Context(), kBig, 1) : Listing(Context(), kBig, row.containersOnly));
        const std::string what =
            std::string(row.limits) + (row.search ? " search" : " list") + (row.containersOnly ? " containers" : "");
        EXPECT_EQ(delivered.result, row.result) << what;
        EXPECT_EQ(delivered.names.size(), row.names) << what;
        EXPECT_EQ(std::set<std::string>(delivered.names.begin(), delivered.names.end()).size(), row.names) << what;
        const std::string limitNotice =
            "the server's size limit ended the search of \"ou=Big,dc=example,dc=com\" after 500 entries";
        EXPECT_EQ(NoticesWith(limitNotice), row.result != 0 ? 1u : 0u) << what;
        if (row.containersOnly) {
            EXPECT_THAT(delivered.names, ::testing::Contains("Team1.Big.example.com")) << what;
        }
    }
}

// The reads after a search that a limit ended cost one further search in
// all, not one per object, and each object still gets its value.
TEST_F(LdapLimitsTest, ReadsAfterALimitedSearchFetchAheadOnce)
{
    Start(kUserLimit);
    const Delivered delivered = Drain(Context(), Searching(Context(), kBig, 1));
    ASSERT_EQ(delivered.result, ERR_SIZE_LIMIT_EXCEEDED);
    const std::uint64_t before = m_directory->SearchesSent();
    m_notices.clear();
    std::size_t read = 0;
    for (const std::string& name : delivered.names) {
        // entryUUID is operational: the search did not bring it.
        std::vector<ReadValue> values;
        read += ReadValues(Context(), name, "entryUUID", &values) == 0 && values.size() == 1;
    }
    EXPECT_EQ(read, delivered.names.size());
    EXPECT_EQ(m_directory->SearchesSent() - before, 1u);
    EXPECT_EQ(NoticesWith("size limit"), 1u);
}

// A reference to another server is reported with its URL, never dropped in
// silence; the listing and search go on.
TEST_F(LdapLimitsTest, ReferencesAreReportedWithTheirUrl)
{
    Start(kUserLimitPaged);
    const Fetch kOperations[] = {
        Listing(Context(), kBig, false), Searching(Context(), kBig, 1), Searching(Context(), "example.com", 2)};
    for (const Fetch& operation : kOperations) {
        m_notices.clear();
        const Delivered delivered = Drain(Context(), operation);
        EXPECT_EQ(delivered.result, 0);
        EXPECT_GE(delivered.names.size(), std::size_t(kPeople));
        EXPECT_EQ(NoticesWith(kReferral), 1u);
        EXPECT_EQ(NoticesWith("not followed"), 1u);
    }
    // Reading the entry that refers elsewhere names the server it refers to.
    m_notices.clear();
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), "Elsewhere.Big.example.com", "cn", &values), ERR_NO_SUCH_ENTRY);
    EXPECT_GE(NoticesWith(kReferral), 1u);
}

// An entry whose name the client cannot carry is left out with one notice
// naming its DN; the entries after it arrive and the search succeeds.
TEST_F(LdapLimitsTest, EntriesWithNamesTooLongAreLeftOutOnce)
{
    Start(kUserLimitPaged);
    const std::string longDn = "ou=" + LongValue('d') + ",ou=" + LongValue('c') + ",ou=" + LongValue('b') +
        ",ou=" + LongValue('a') + ",ou=Long,dc=example,dc=com";
    const std::string wideDn = "cn=" + std::string(70, 'w') + ",ou=Long,dc=example,dc=com";
    const struct
    {
        Fetch operation;
        std::size_t notices;
    } kCases[] = {
        {Searching(Context(), "Long.example.com", 2), 2},
        {Searching(Context(), "example.com", 2), 3}, // and the reference below ou=Big
    };
    for (const auto& [operation, notices] : kCases) {
        m_notices.clear();
        const Delivered delivered = Drain(Context(), operation);
        EXPECT_EQ(delivered.result, 0);
        EXPECT_THAT(delivered.names, ::testing::Contains("after.Long.example.com"));
        EXPECT_THAT(delivered.names,
            ::testing::Contains(LongValue('c') + "." + LongValue('b') + "." + LongValue('a') + ".Long.example.com"));
        for (const std::string& name : delivered.names) {
            EXPECT_LE(name.size(), kMaxNameChars);
        }
        EXPECT_EQ(NoticesWith("\"" + longDn + "\" is left out"), 1u);
        EXPECT_EQ(NoticesWith("\"" + wideDn + "\" is left out"), 1u);
        EXPECT_EQ(m_notices.size(), notices);
    }
}

constexpr const char* kPagesOf100 = "limits users size=500 size.pr=100 size.prtotal=unlimited\n";

// A listing, a read and a schema read while a paged search runs leave the
// search whole.
TEST_F(LdapLimitsTest, ListingDuringAPagedSearchLeavesItWhole)
{
    Start(kPagesOf100);
    const Delivered searched =
        Drain(Context(), Searching(Context(), kBig, 1), [&](int replies, const Delivered& sofar) {
            if (replies != 2) {
                return;
            }
            ASSERT_LT(sofar.names.size(), 200u) << "pages of 100 are to come";
            const Delivered listed = Drain(Context(), Listing(Context(), "example.com", false));
            EXPECT_EQ(listed.result, 0);
            EXPECT_THAT(listed.names, ::testing::Contains("Big.example.com"));
            EXPECT_EQ(ReadTexts(Context(), "person0620.Big.example.com", "mail"),
                std::vector<std::string>({"person0620@example.com"}));
            std::uint32_t syntax = 0;
            EXPECT_EQ(DirGetSyntaxId(Context(), "mail", &syntax), 0);
            EXPECT_EQ(Drain(Context(), Listing(Context(), kBig, true)).names.size(), std::size_t(kTeams));
        });
    EXPECT_EQ(searched.result, 0);
    EXPECT_EQ(
        std::set<std::string>(searched.names.begin(), searched.names.end()).size(), std::size_t(kPeople + kTeams));
    EXPECT_EQ(m_directory->ConnectionCount(), 2u);
}

// The entries of a container of several pages wait for the listing that
// names them while the search reads on, and get the names a listing gives
// them: "adm" comes first as a uid and last as a cn, and both are typed. One
// listing of the container serves the search and the listing after it.
TEST_F(LdapLimitsTest, ASearchOfManyPagesNamesItsEntriesAsTheListingDoes)
{
    constexpr int kMembers = 250;
    const std::string pairs = "ou=Pairs,dc=example,dc=com";
    std::string ldif = "dn: " + pairs + "\nobjectClass: organizationalUnit\nou: Pairs\n\n" + "dn: uid=adm," + pairs +
        "\nobjectClass: account\nuid: adm\n\n";
    for (int i = 1; i <= kMembers; ++i) {
        const std::string uid = "member" + std::to_string(1000 + i);
        ldif += "dn: uid=" + uid + "," + pairs + "\nobjectClass: account\nuid: " + uid + "\n\n";
    }
    ldif += "dn: cn=adm," + pairs + "\nobjectClass: person\ncn: adm\nsn: Adm\n\n";
    Start(kPagesOf100, "", ldif);
    const std::uint64_t before = m_directory->SearchesSent();
    const Delivered searched = Drain(Context(), Searching(Context(), "Pairs.example.com", 2));
    EXPECT_EQ(searched.result, 0);
    const std::set<std::string> names(searched.names.begin(), searched.names.end());
    EXPECT_EQ(names.size(), std::size_t(kMembers + 2));
    EXPECT_EQ(names.count("uid=adm.Pairs.example.com"), 1u);
    EXPECT_EQ(names.count("cn=adm.Pairs.example.com"), 1u);
    EXPECT_EQ(names.count("member1001.Pairs.example.com"), 1u);
    EXPECT_EQ(names.count("member1250.Pairs.example.com"), 1u);
    // The base's resolving lists example.com and the base is read; then
    // the search and the one listing of Pairs, nothing more.
    EXPECT_EQ(m_directory->SearchesSent() - before, 4u);
    const Delivered listed = Drain(Context(), Listing(Context(), "Pairs.example.com", false));
    EXPECT_EQ(std::set<std::string>(listed.names.begin(), listed.names.end()), names);
    // A read of the container and its listing (its names known already).
    EXPECT_EQ(m_directory->SearchesSent() - before, 6u);
    EXPECT_TRUE(m_notices.empty()) << m_notices.front();
}

// A large subtree search lists the names below its base in one listing;
// where the server's limit ends that listing (here 1,500 entries for a paged
// search: fewer than the subtree holds, more than the search delivers or any
// one container holds), the containers are listed one by one and the names
// come out the same. The "uid=adm" that makes "cn=adm" typed comes last,
// past the limit, and is not among the entries delivered.
TEST_F(LdapLimitsTest, ALargeSubtreeSearchNamesItsEntriesWhereTheLimitEndsItsListing)
{
    // B's entries come first and make the search large; A's come after the
    // subtree listing was asked for, so only that listing would name them.
    const struct
    {
        const char* unit;
        int count;
        int picked;
    } kUnits[] = {{"B", 1300, 1100}, {"A", 400, 100}};
    const std::string split = "ou=Split,dc=example,dc=com";
    std::string ldif = "dn: " + split + "\nobjectClass: organizationalUnit\nou: Split\n\n";
    for (const auto& unit : kUnits) {
        ldif += "dn: ou=" + std::string(unit.unit) + "," + split +
            "\nobjectClass: organizationalUnit\nou: " + unit.unit + "\n\n";
    }
    for (const auto& unit : kUnits) {
        for (int i = 0; i < unit.count; ++i) {
            const std::string uid = std::string(unit.unit) + std::to_string(1000 + i);
            ldif += "dn: uid=" + uid + ",ou=" + unit.unit + "," + split + "\nobjectClass: account\nuid: " + uid + "\n" +
                (i < unit.picked ? "description: picked\n" : "") + "\n";
        }
    }
    ldif += "dn: cn=adm,ou=A," + split + "\nobjectClass: person\ncn: adm\nsn: Adm\ndescription: picked\n\n";
    ldif += "dn: cn=x,ou=B," + split + "\nobjectClass: person\ncn: x\nsn: X\ndescription: picked\n\n";
    ldif += "dn: uid=adm,ou=A," + split + "\nobjectClass: account\nuid: adm\n\n";
    for (const char* limits : {"limits users size=500 size.prtotal=1500\n", kUserLimitPaged}) {
        Start(limits, "", ldif);
        FilterBuilder filter;
        filter.Text(FTOK_ANAME, "description", SYN_CI_STRING).Token(FTOK_EQ);
        filter.Text(FTOK_AVAL, "picked", SYN_CI_STRING).Token(FTOK_END);
        DirResult result = -1;
        const std::vector<std::string> found = SearchNames(Context(), "Split.example.com", 2, &filter.cursor, &result);
        const std::set<std::string> names(found.begin(), found.end());
        EXPECT_EQ(result, 0) << limits;
        EXPECT_EQ(found.size(), std::size_t(kUnits[0].picked + kUnits[1].picked + 2)) << limits;
        EXPECT_EQ(names.size(), found.size()) << limits;
        for (const char* name : {"cn=adm.A.Split.example.com", "x.B.Split.example.com", "A1000.A.Split.example.com",
                 "B2099.B.Split.example.com"}) {
            EXPECT_EQ(names.count(name), 1u) << limits << name;
        }
        EXPECT_EQ(names.count("adm.A.Split.example.com"), 0u) << limits;
        EXPECT_TRUE(m_notices.empty()) << limits << m_notices.front();
        TearDown();
    }
}

// A large subtree search names its entries as listings of their containers
// do, in containers whose names are dotted, escaped, of several values and
// in other scripts: the search's names come from one listing of the
// subtree, the listings' (on a new service) from each container alone.
TEST_F(LdapLimitsTest, ALargeSubtreeSearchNamesEntriesAsTheirContainersListingsDo)
{
    const std::string shapes = "ou=Shapes,dc=example,dc=com";
    const std::vector<std::string> units = {"ou=Ünits\\, Berlin," + shapes, "ou=R&D+l=Paris," + shapes,
        "ou=St.Louis," + shapes, "ou=Запад,ou=St.Louis," + shapes, "ou=東京," + shapes};
    std::string ldif = "dn: " + shapes + "\nobjectClass: organizationalUnit\nou: Shapes\n\n";
    for (const std::string& unit : units) {
        std::vector<ldap::DnComponent> components;
        ASSERT_TRUE(ldap::ParseDn(unit, &components)) << unit;
        ldif += "dn: " + unit + "\nobjectClass: organizationalUnit\nou: " + components.front().value + "\n" +
            (components.front().more.empty() ? "" : "l: Paris\n") + "\n";
    }
    // 300 users in each unit, spread over the units as they come; in each,
    // "adm" twice (a uid the search delivers, a cn it does not), a name of
    // several values and a dotted uid.
    for (int i = 0; i < 300; ++i) {
        for (const std::string& unit : units) {
            const std::string uid = "u" + std::to_string(1000 + i);
            ldif += "dn: uid=" + uid + "," + unit + "\nobjectClass: account\nuid: " + uid + "\ndescription: shaped\n\n";
        }
    }
    for (const std::string& unit : units) {
        ldif += "dn: uid=adm," + unit + "\nobjectClass: account\nuid: adm\ndescription: shaped\n\n";
        ldif += "dn: cn=adm," + unit + "\nobjectClass: person\ncn: adm\nsn: Adm\n\n";
        ldif += "dn: cn=Doe+uid=jdoe," + unit + "\nobjectClass: inetOrgPerson\ncn: Doe\nsn: Doe\nuid: jdoe\n" +
            "description: shaped\n\n";
        ldif += "dn: uid=john.doe," + unit + "\nobjectClass: account\nuid: john.doe\ndescription: shaped\n\n";
    }
    Start(kUserLimitPaged, "", ldif);
    FilterBuilder filter;
    filter.Text(FTOK_ANAME, "description", SYN_CI_STRING).Token(FTOK_EQ);
    filter.Text(FTOK_AVAL, "shaped", SYN_CI_STRING).Token(FTOK_END);
    const std::vector<std::string> searched = SearchNames(Context(), "Shapes.example.com", 2, &filter.cursor);
    ASSERT_EQ(searched.size(), units.size() * 303);
    TearDown();

    Start(kUserLimitPaged, "", ldif);
    std::set<std::string> listed;
    std::vector<std::string> containers = {"Shapes.example.com"};
    for (std::size_t next = 0; next < containers.size(); ++next) {
        for (const std::string& name : ListNames(Context(), containers[next], kLargeBufferSize, false)) {
            listed.insert(name);
        }
        for (const std::string& name : ListNames(Context(), containers[next], kLargeBufferSize, true)) {
            containers.push_back(name);
        }
    }
    EXPECT_EQ(containers.size(), units.size() + 1);
    std::size_t typed = 0;
    for (const std::string& name : searched) {
        EXPECT_EQ(listed.count(name), 1u) << name;
        typed += name.rfind("uid=adm.", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(typed, units.size());
    EXPECT_EQ(std::set<std::string>(searched.begin(), searched.end()).size(), searched.size());
}

// A server that stops answering is given up after the URL's time-out, and
// the next operation connects again once it answers; a paged search it
// stops answering in its middle ends with the same code, keeping what came.
TEST_F(LdapLimitsTest, AServerThatStopsAnsweringIsGivenUpThenReconnected)
{
    Start(kPagesOf100, "?timeout=1");
    const std::string person = "person0001.Big.example.com";
    EXPECT_EQ(ReadTexts(Context(), person, "sn"), std::vector<std::string>({"Person"}));
    // A read of an entry not yet known, so that it needs the server.
    m_server.Pause();
    std::vector<ReadValue> values;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadValues(Context(), "person0002.Big.example.com", "sn", &values), ERR_TRANSPORT_FAILURE);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(NoticesWith("no reply within 1 seconds"), 1u);
    m_server.Resume();
    EXPECT_EQ(ReadTexts(Context(), "person0003.Big.example.com", "sn"), std::vector<std::string>({"Person"}));
    EXPECT_EQ(ReadTexts(Context(), person, "mail"), std::vector<std::string>({"person0001@example.com"}));

    std::size_t first = 0;
    const Delivered searched =
        Drain(Context(), Searching(Context(), kBig, 1), [&](int replies, const Delivered& sofar) {
            if (replies == 1) {
                first = sofar.names.size();
                m_server.Pause();
            }
        });
    m_server.Resume();
    EXPECT_EQ(searched.result, ERR_TRANSPORT_FAILURE);
    EXPECT_GE(searched.names.size(), first);
    EXPECT_LT(searched.names.size(), std::size_t(kPeople));
}

// A search that runs longer than the URL's search time is ended between
// pages, keeping what came.
TEST_F(LdapLimitsTest, SearchTimeEndsAnEndlessSearch)
{
    Start(kPagesOf100, "?searchtime=1");
    // A read first lists the container, so that the search hands its
    // entries on page by page: entries whose container is still being
    // listed wait while the search reads on, and a search read to its end
    // before the first entry is handed on took less than its search time.
    EXPECT_EQ(ReadTexts(Context(), "person0001.Big.example.com", "sn"), std::vector<std::string>({"Person"}));
    const Delivered searched = Drain(Context(), Searching(Context(), kBig, 1), [](int replies, const Delivered&) {
        if (replies == 1) {
            // Past the search time (the client's own clock: nothing races the server).
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        }
    });
    EXPECT_EQ(searched.result, ERR_TIME_LIMIT_EXCEEDED);
    EXPECT_GE(searched.names.size(), 1u);
    EXPECT_LT(searched.names.size(), std::size_t(kPeople));
    EXPECT_EQ(NoticesWith("searchtime="), 1u);
}

} // namespace
} // namespace veralith::client::testing
