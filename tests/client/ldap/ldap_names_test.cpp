// Names of a production-like LDAP tree: every entry gets a name of its own,
// in the documented form, and every name the client delivers, given back,
// reaches the same entry.

#include "../client_fixture.h"
#include "client/ldap/dn.h"
#include "client/ldap/ldap_directory.h"
#include "client/name_syntax.h"
#include "directory/names.h"
#include "ldap_test_support.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace veralith::client::testing {
namespace {

using ldap::LdapDirectory;

const char* const kSuffix = "dc=example,dc=com";

// The DNs of an LDIF text, in the order written.
std::vector<std::string> DnsOf(const std::string& ldif)
{
    std::vector<std::string> dns;
    std::istringstream in(ldif);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("dn: ", 0) == 0) {
            dns.push_back(line.substr(4));
        }
    }
    return dns;
}

// The DN in one spelling, so that two spellings of one DN compare equal.
std::string NormalDn(const std::string& dn)
{
    std::vector<ldap::DnComponent> components;
    EXPECT_TRUE(ldap::ParseDn(dn, &components)) << dn;
    return FoldCase(ldap::FormatDn(components));
}

class LdapNamesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ldif = ReadSourceFile("tests/data/ldap/example-com.ldif");
        SlapdOptions options;
        options.suffix = kSuffix;
        std::string error;
        ASSERT_TRUE(m_server.Start(m_ldif, &error, options)) << error;
        m_directory = OpenService();
        ASSERT_TRUE(m_directory);
        StartWithServices({m_directory});
        ASSERT_EQ(DirCreateContext(m_context.Out()), 0);
        std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
        ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    }
    void TearDown() override
    {
        m_context.reset();
        SetTreeServices({});
        m_server.Stop();
    }
    // A service of its own on the server: nothing learnt by another.
    std::shared_ptr<LdapDirectory> OpenService()
    {
        std::shared_ptr<DirectoryService> service;
        std::string error;
        EXPECT_TRUE(ldap::LoadLdapSource(m_server.Url(), &service, &error)) << error;
        return std::dynamic_pointer_cast<LdapDirectory>(service);
    }
    DirContext Context() const { return m_context.get(); }

    std::string m_ldif;
    SlapdServer m_server;
    std::shared_ptr<LdapDirectory> m_directory;
    ScopedContext m_context;
};

// Each DN of the tree and the name it gets: values escaped, a type only where
// a sibling has the same value, every part of a relative name of several
// values.
TEST_F(LdapNamesTest, EveryEntryGetsItsOwnNameInTheDocumentedForm)
{
    const struct
    {
        const char* dn;
        const char* name;
    } kNames[] = {
        {"dc=example,dc=com", "example.com"},
        {"ou=People,dc=example,dc=com", "People.example.com"},
        {"uid=john.doe,ou=People,dc=example,dc=com", "john\\.doe.People.example.com"},
        {"uid=jane.smith,ou=People,dc=example,dc=com", "jane\\.smith.People.example.com"},
        {"uid=smith,ou=People,dc=example,dc=com", "smith.People.example.com"},
        {"cn=Anne St.Claire,ou=People,dc=example,dc=com", "Anne St\\.Claire.People.example.com"},
        {"cn=C\\+\\+ Guild,ou=People,dc=example,dc=com", "C\\+\\+ Guild.People.example.com"},
        {"cn=a\\=b \\\\ c,ou=People,dc=example,dc=com", "a\\=b \\\\ c.People.example.com"},
        {"ou=St.Louis,dc=example,dc=com", "St\\.Louis.example.com"},
        {"cn=Zoë Müller,ou=St.Louis,dc=example,dc=com", "Zoë Müller.St\\.Louis.example.com"},
        {"cn=Иван Петров,ou=St.Louis,dc=example,dc=com", "Иван Петров.St\\.Louis.example.com"},
        {"cn=山田 太郎,ou=St.Louis,dc=example,dc=com", "山田 太郎.St\\.Louis.example.com"},
        {"cn=Ελένη Παππά,ou=St.Louis,dc=example,dc=com", "Ελένη Παππά.St\\.Louis.example.com"},
        {"cn=محمد علي,ou=St.Louis,dc=example,dc=com", "محمد علي.St\\.Louis.example.com"},
        {"ou=Staff,dc=example,dc=com", "Staff.example.com"},
        {"uid=adm,ou=Staff,dc=example,dc=com", "uid=adm.Staff.example.com"},
        {"cn=adm,ou=Staff,dc=example,dc=com", "cn=adm.Staff.example.com"},
        {"cn=Sales,ou=Staff,dc=example,dc=com", "cn=Sales.Staff.example.com"},
        {"ou=Sales,ou=Staff,dc=example,dc=com", "ou=Sales.Staff.example.com"},
        {"uid=seller,ou=Sales,ou=Staff,dc=example,dc=com", "seller.ou=Sales.Staff.example.com"},
        {"cn=Doe+uid=jdoe1,ou=Staff,dc=example,dc=com", "cn=Doe+uid=jdoe1.Staff.example.com"},
        {"cn=Doe+uid=jdoe2,ou=Staff,dc=example,dc=com", "cn=Doe+uid=jdoe2.Staff.example.com"},
        {"cn=Doe,ou=Staff,dc=example,dc=com", "Doe.Staff.example.com"},
        {"ou=Posix,dc=example,dc=com", "Posix.example.com"},
        {"uid=pat,ou=Posix,dc=example,dc=com", "uid=pat.Posix.example.com"},
        {"cn=pat,ou=Posix,dc=example,dc=com", "cn=pat.Posix.example.com"},
        {"uid=lee,ou=Posix,dc=example,dc=com", "uid=lee.Posix.example.com"},
        {"cn=lee,ou=Posix,dc=example,dc=com", "cn=lee.Posix.example.com"},
    };
    // The table covers the whole tree.
    std::set<std::string> tableDns;
    for (const auto& row : kNames) {
        tableDns.insert(NormalDn(row.dn));
    }
    std::set<std::string> ldifDns;
    for (const std::string& dn : DnsOf(m_ldif)) {
        ldifDns.insert(NormalDn(dn));
    }
    ASSERT_EQ(tableDns, ldifDns);

    std::vector<std::string> searched = SearchNames(Context(), "[Root]", 2, nullptr);
    std::vector<std::string> expected;
    // Both ways, each on a service that has learnt nothing before: names
    // from the leaves up, DNs from the top down.
    const std::shared_ptr<LdapDirectory> naming = OpenService();
    for (auto row = std::rbegin(kNames); row != std::rend(kNames); ++row) {
        EXPECT_EQ(naming->NameOfDn(row->dn), row->name) << row->dn;
    }
    const std::shared_ptr<LdapDirectory> resolving = OpenService();
    for (const auto& row : kNames) {
        expected.emplace_back(row.name);
        std::string dn;
        EXPECT_EQ(resolving->Resolve(row.name, &dn), 0) << row.name;
        EXPECT_EQ(NormalDn(dn), NormalDn(row.dn)) << row.name;
    }
    std::sort(searched.begin(), searched.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(searched, expected);
}

// Every name a search or a listing delivers, given back to a read, a listing
// of its container and a search based on it, reaches the entry the search
// found under that name, on this service and on one that learns it afresh.
TEST_F(LdapNamesTest, EveryNameGivenBackReachesTheSameEntry)
{
    const std::vector<std::string> names = SearchNames(Context(), "[Root]", 2, nullptr);
    ASSERT_EQ(names.size(), DnsOf(m_ldif).size());
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << "two entries, one name";
    std::set<std::string> uuids;
    for (const std::string& name : names) {
        // The entry the search delivered under the name, by its unique id;
        // its DN as the search delivered it.
        const std::vector<std::string> uuid = ReadTexts(Context(), name, "entryUUID");
        ASSERT_EQ(uuid.size(), 1u) << name;
        uuids.insert(uuid.front());
        std::string delivered;
        ASSERT_EQ(m_directory->Resolve(name, &delivered), 0) << name;
        // Given back absolute, and to a fresh service both ways.
        EXPECT_EQ(ReadTexts(Context(), "." + name, "entryUUID"), uuid) << name;
        const std::shared_ptr<LdapDirectory> fresh = OpenService();
        std::string freshDn;
        EXPECT_EQ(fresh->Resolve(name, &freshDn), 0) << name;
        EXPECT_EQ(NormalDn(freshDn), NormalDn(delivered)) << name;
        EXPECT_EQ(fresh->NameOfDn(delivered), name) << delivered;
        // A DN-valued attribute names the entry as the search did.
        EXPECT_EQ(ReadTexts(Context(), name, "entryDN"), std::vector<std::string>({name}));
        // A search based on it finds it, and so does a listing of its
        // container ("[Root]" for the top of the tree).
        EXPECT_EQ(SearchNames(Context(), name, 0, nullptr), std::vector<std::string>({name}));
        const std::size_t dot = FindUnescaped(name, '.');
        const bool top = NormalDn(delivered) == kSuffix;
        const std::string parent = top ? "[Root]" : name.substr(dot + 1);
        const std::vector<std::string> listed = ListNames(Context(), parent, kLargeBufferSize, false);
        EXPECT_EQ(std::count(listed.begin(), listed.end(), name), 1) << name << " in " << parent;
        // Below a name context of its container, the relative name too.
        if (!top) {
            ScopedContext below;
            ASSERT_EQ(DirDuplicateContext(Context(), below.Out()), 0);
            ASSERT_EQ(DirSetContext(below.get(), DCK_NAME_CONTEXT, parent.c_str()), 0);
            EXPECT_EQ(ReadTexts(below.get(), name.substr(0, dot), "entryUUID"), uuid) << name;
        }
    }
    EXPECT_EQ(uuids.size(), names.size()) << "a name read another entry";
}

// Names that look like another entry's, or that name two siblings, reach
// none; partially typed names reach the entry their type and value name.
TEST_F(LdapNamesTest, SiblingsWithEqualValuesAreToldApart)
{
    const struct
    {
        const char* name;
        const char* attribute;
        DirResult result;
        std::vector<std::string> values;
    } kReads[] = {
        {"uid=adm.Staff.example.com", "description", 0, {"the administrators' account"}},
        {"cn=adm.Staff.example.com", "description", 0, {"the administrator in person"}},
        {"CN=ADM.Staff.example.com", "description", 0, {"the administrator in person"}},
        {"adm.Staff.example.com", "description", ERR_NO_SUCH_ENTRY, {}},
        {"cn=Sales.Staff.example.com", "description", 0, {"the sales group"}},
        {"ou=Sales.Staff.example.com", "description", 0, {"the sales unit"}},
        {"OU=Sales.OU=Staff.DC=example.DC=com", "description", 0, {"the sales unit"}},
        {"Sales.Staff.example.com", "description", ERR_NO_SUCH_ENTRY, {}},
        {"cn=Doe+uid=jdoe1.Staff.example.com", "mail", 0, {"jdoe1@example.com"}},
        {"uid=jdoe2+cn=Doe.Staff.example.com", "mail", 0, {"jdoe2@example.com"}},
        {"Doe.Staff.example.com", "mail", 0, {"doe@example.com"}},
        {"cn=Doe.Staff.example.com", "mail", 0, {"doe@example.com"}},
        {"CN=john\\.doe.People.example.com", "mail", 0, {"john.doe@example.com"}},
        {"jane\\.smith.People.example.com", "mail", 0, {"shared@example.com"}},
        {"jane.smith.People.example.com", "mail", ERR_NO_SUCH_ENTRY, {}},
        {"smith.People.example.com", "mail", 0, {"sam.smith@example.com"}},
        {"uid=pat.Posix.example.com", "homeDirectory", 0, {"/home/pat"}},
        {"cn=pat.Posix.example.com", "memberUid", 0, {"pat"}},
        {"com", "description", ERR_NO_SUCH_ENTRY, {}},
    };
    for (const auto& row : kReads) {
        std::vector<ReadValue> values;
        EXPECT_EQ(ReadValues(Context(), row.name, row.attribute, &values), row.result) << row.name;
        std::vector<std::string> texts;
        for (const ReadValue& value : values) {
            texts.push_back(value.Text());
        }
        EXPECT_EQ(texts, row.values) << row.name;
    }
}

// Names do not depend on what the service met first: a listing of a
// container and a search below it name its children alike, whichever runs
// first.
TEST_F(LdapNamesTest, NamesDoNotDependOnTheOrderEntriesArrive)
{
    const std::vector<std::string> searchedFirst = SearchNames(Context(), "Staff.example.com", 1, nullptr);
    const std::vector<std::string> listedAfter = ListNames(Context(), "Staff.example.com", kLargeBufferSize, false);
    m_context.reset();
    SetTreeServices({});
    StartWithServices({OpenService()});
    ASSERT_EQ(DirCreateContext(m_context.Out()), 0);
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    const std::vector<std::string> listedFirst = ListNames(Context(), "Staff.example.com", kLargeBufferSize, false);
    const std::vector<std::string> searchedAfter = SearchNames(Context(), "Staff.example.com", 1, nullptr);
    std::set<std::string> a(searchedFirst.begin(), searchedFirst.end());
    EXPECT_EQ(a.size(), 7u);
    EXPECT_EQ(std::set<std::string>(listedAfter.begin(), listedAfter.end()), a);
    EXPECT_EQ(std::set<std::string>(listedFirst.begin(), listedFirst.end()), a);
    EXPECT_EQ(std::set<std::string>(searchedAfter.begin(), searchedAfter.end()), a);
}

// "[ .. ]" from the top of the tree goes to "[Root]", past the components
// above the naming context that name no object; below it, one level up.
TEST_F(LdapNamesTest, UpFromTheTopOfTheTreeIsTheRoot)
{
    const struct
    {
        const char* current;
        const char* target;
    } kMoves[] = {
        {".example.com", "[Root]"},
        {".St\\.Louis.example.com", "example.com"},
        {".seller.ou=Sales.Staff.example.com", "ou=Sales.Staff.example.com"},
        {".john\\.doe.People.example.com", "People.example.com"},
    };
    for (const auto& row : kMoves) {
        EXPECT_EQ(directory::ChooseContainer(Context(), row.current, "[ .. ]"), row.target) << row.current;
    }
}

} // namespace
} // namespace veralith::client::testing
