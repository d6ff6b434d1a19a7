// Search entries read in place from their encoding, the entries a search
// reads ahead of their names, and those it keeps for the reads after it.

#include "client/ldap/ber.h"
#include "client/ldap/read_ahead.h"
#include "client/ldap/searched_entries.h"

#include <algorithm>
#include <deque>
#include <gtest/gtest.h>
#include <string>

namespace veralith::client::ldap {
namespace {

std::string Element(std::uint8_t tag, std::string_view content)
{
    std::string out;
    AppendBerElement(&out, tag, content);
    return out;
}

std::string Attribute(std::string_view type, std::initializer_list<std::string_view> values)
{
    std::string set;
    for (std::string_view value : values) {
        set += Element(kBerOctetString, value);
    }
    return Element(kBerSequence, Element(kBerOctetString, type) + Element(kBerSet, set));
}

std::size_t CountValues(std::string_view values)
{
    ValueReader reader(values);
    std::size_t count = 0;
    for (std::string_view value; reader.Next(&value);) {
        ++count;
    }
    return count;
}

TEST(LdapBer, ElementsAreReadWithinTheirBounds)
{
    // Lengths in the short and the long form, minimal or not, read back.
    const std::string big(70000, 'x');
    for (const std::string_view content : {std::string_view(), std::string_view("abc"), std::string_view(big)}) {
        const std::string encoded = Element(kBerOctetString, content);
        BerReader reader(encoded);
        std::uint8_t tag = 0;
        std::string_view read;
        ASSERT_TRUE(reader.Next(&tag, &read));
        EXPECT_EQ(tag, kBerOctetString);
        EXPECT_EQ(read, content);
        EXPECT_FALSE(reader.Next(&tag, &read));
        EXPECT_FALSE(reader.Broken());
    }
    const std::string longForm("\x04\x84\x00\x00\x00\x02hi", 8);
    BerReader padded(longForm);
    std::uint8_t tag = 0;
    std::string_view read;
    ASSERT_TRUE(padded.Next(&tag, &read));
    EXPECT_EQ(read, "hi");

    // Broken encodings stop the reader without reading past the input.
    using namespace std::string_view_literals;
    const struct
    {
        const char* what;
        std::string_view bytes;
    } kBroken[] = {
        {"tag alone", "\004"sv},
        {"content cut short", "\004\005abc"sv},
        {"length bytes cut short", "\004\202\001"sv},
        {"length past the input", "\004\204\377\377\377\377ab"sv},
        {"indefinite length", "\060\200\000\000"sv},
        {"five length bytes", "\004\205\000\000\000\000\001a"sv},
        {"multi-byte tag", "\037\201\001\000"sv},
    };
    for (const auto& row : kBroken) {
        BerReader reader(row.bytes);
        EXPECT_FALSE(reader.Next(&tag, &read)) << row.what;
        EXPECT_TRUE(reader.Broken()) << row.what;
        EXPECT_FALSE(reader.Next(&tag, &read)) << row.what;
    }
}

TEST(LdapBer, AttributeListsAreReadInPlace)
{
    const std::string list = Attribute("objectClass", {"top", "inetOrgPerson"}) + Attribute("cn;lang-de", {"Schmidt"}) +
        Attribute("mail", {}) + Attribute("sn", {"Smith"});
    AttributeReader reader(list);
    std::vector<std::pair<std::string, std::size_t>> seen;
    for (RawAttribute attribute; reader.Next(&attribute);) {
        seen.emplace_back(attribute.type, CountValues(attribute.values));
    }
    const std::vector<std::pair<std::string, std::size_t>> expected = {
        {"objectClass", 2}, {"cn;lang-de", 1}, {"mail", 0}, {"sn", 1}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(FirstValue(list, "OBJECTCLASS"), "top");
    EXPECT_EQ(FirstValue(list, "sn"), "Smith");
    EXPECT_EQ(FirstValue(list, "cn"), "");
    EXPECT_EQ(FirstValue(list, "mail"), "");
    // An element of another type among the values is no value.
    const std::string odd =
        Element(kBerSequence, Element(kBerOctetString, "uid") + Element(kBerSet, Element(0x05, "null")));
    EXPECT_EQ(FirstValue(odd, "uid"), "");
    EXPECT_EQ(FirstValue(odd + list, "sn"), "Smith");

    // A list whose second attribute is not a SEQUENCE of type and set ends
    // there; a cut list ends at the last whole attribute.
    const std::pair<std::string, std::size_t> kBroken[] = {
        {Attribute("sn", {"Smith"}) + Element(kBerSequence, Element(kBerOctetString, "cn")), 1},
        {list.substr(0, list.size() - 3), 3},
    };
    for (const auto& [broken, whole] : kBroken) {
        AttributeReader partial(broken);
        std::size_t count = 0;
        for (RawAttribute attribute; partial.Next(&attribute);) {
            ++count;
        }
        EXPECT_EQ(count, whole);
    }
}

ObjectSummary Summary(std::string fullName, std::string baseClass)
{
    ObjectSummary summary;
    summary.fullName = std::move(fullName);
    summary.namingTypes = {"CN", "OU", "O"};
    summary.baseClass = std::move(baseClass);
    summary.creationTime = 7;
    return summary;
}

TEST(LdapSearchedEntries, FoundByNameInAnyOrder)
{
    SearchedEntries entries(1 << 20);
    const std::vector<std::string> names = {"a.Sales.Acme", "b.Sales.Acme", "c.IT.Acme", "d.IT.Acme"};
    for (const std::string& name : names) {
        entries.Add(Summary(name, name[0] == 'c' ? "Group" : "User"), "cn=" + name.substr(0, 1) + ",o=Acme",
            Attribute("cn", {name.substr(0, 1)}));
    }
    // In delivery order, out of order, again, and in other letter case.
    for (const char* name :
        {"a.Sales.Acme", "b.Sales.Acme", "d.IT.Acme", "C.it.ACME", "a.sales.acme", "b.Sales.Acme"}) {
        const SearchedEntries::Entry* entry = entries.find(name);
        ASSERT_NE(entry, nullptr) << name;
        const ObjectSummary summary = entries.Summary(*entry);
        EXPECT_TRUE(SameTextIgnoreCase(summary.fullName, name));
        EXPECT_EQ(summary.baseClass, name[0] == 'c' || name[0] == 'C' ? "Group" : "User") << name;
        EXPECT_EQ(summary.namingTypes, std::vector<std::string>({"CN", "OU", "O"}));
        EXPECT_EQ(summary.creationTime, 7u);
        EXPECT_EQ(entry->Dn(), "cn=" + std::string(1, static_cast<char>(std::tolower(name[0]))) + ",o=Acme");
        EXPECT_EQ(FirstValue(entry->Attributes(), "cn"), entry->Dn().substr(3, 1));
    }
    EXPECT_EQ(entries.find("e.IT.Acme"), nullptr);
    // Entries added after the index was built are found too.
    entries.Add(Summary("e.IT.Acme", "User"), "cn=e,o=Acme", "");
    ASSERT_NE(entries.find("e.IT.Acme"), nullptr);
    EXPECT_TRUE(entries.AttributesKept());
    // The name, the DN and an alias's object are kept together, each whole.
    ObjectSummary alias = Summary("f.IT.Acme", "Alias");
    alias.aliasedObject = "a.Sales.Acme";
    entries.Add(alias, "cn=f,o=Acme", "");
    const SearchedEntries::Entry* f = entries.find("F.IT.Acme");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->FullName(), "f.IT.Acme");
    EXPECT_EQ(f->Dn(), "cn=f,o=Acme");
    EXPECT_EQ(f->Attributes(), "");
    EXPECT_EQ(entries.Summary(*f).aliasedObject, "a.Sales.Acme");
    EXPECT_EQ(entries.Summary(*entries.find("e.IT.Acme")).aliasedObject, "");
}

TEST(LdapSearchedEntries, AttributesPastTheLimitAreDroppedForAll)
{
    const std::string attributes = Attribute("description", {std::string(400, 'd')});
    SearchedEntries entries(1000);
    entries.Add(Summary("a.Acme", "User"), "cn=a,o=Acme", attributes);
    entries.Add(Summary("b.Acme", "User"), "cn=b,o=Acme", attributes);
    EXPECT_TRUE(entries.AttributesKept());
    entries.Add(Summary("c.Acme", "User"), "cn=c,o=Acme", attributes);
    EXPECT_FALSE(entries.AttributesKept());
    for (const char* name : {"a.Acme", "b.Acme", "c.Acme"}) {
        const SearchedEntries::Entry* entry = entries.find(name);
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->Attributes().empty()) << name;
        EXPECT_FALSE(entry->Dn().empty()) << name; // the names stay
    }
}

TEST(LdapSearchedEntries, ManyEntriesFoundByNameOnceEach)
{
    // Enough entries for the index to grow several times, looked up in an
    // order unlike the delivery order, so that the hint does not answer.
    constexpr int kCount = 5000;
    SearchedEntries entries(0);
    EXPECT_EQ(entries.find("u1.People.Acme"), nullptr); // nothing kept yet
    for (int i = 0; i < kCount; ++i) {
        entries.Add(Summary("u" + std::to_string(i) + ".People.Acme", "User"),
            "uid=u" + std::to_string(i) + ",ou=People,o=Acme", "");
    }
    // The same name delivered again (overlapping naming contexts): the
    // entry met first answers for it.
    entries.Add(Summary("U17.people.acme", "User"), "uid=again,o=Acme", "");
    for (int i = kCount - 1; i >= 0; i -= 7) {
        std::string name = "U" + std::to_string(i) + ".PEOPLE.acme";
        const SearchedEntries::Entry* entry = entries.find(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->Dn(), "uid=u" + std::to_string(i) + ",ou=People,o=Acme");
    }
    ASSERT_NE(entries.find("u17.People.Acme"), nullptr);
    EXPECT_EQ(entries.find("u17.People.Acme")->Dn(), "uid=u17,ou=People,o=Acme");
    for (const char* missing : {"u5000.People.Acme", "u1.People", "People.Acme", "u1.People.Acme.x", ""}) {
        EXPECT_EQ(entries.find(missing), nullptr) << missing;
    }
}

TEST(LdapSearchedEntries, FoundWhileTheIndexGrows)
{
    // The index grows a few entries at each addition: every entry is found
    // between any two additions, and a name delivered again while the index
    // grows still finds the entry met first.
    constexpr int kCount = 20000;
    SearchedEntries entries(0);
    const auto dnOf = [](int i) { return "uid=u" + std::to_string(i) + ",ou=People,o=Acme"; };
    for (int i = 0; i < kCount; ++i) {
        entries.Add(Summary("u" + std::to_string(i) + ".People.Acme", "User"), dnOf(i), "");
        if (i % 3 == 0) {
            entries.Add(Summary("U" + std::to_string(i / 2) + ".people.acme", "User"), "uid=again,o=Acme", "");
        }
        for (const int earlier : {i / 2, i / 3, i - 1}) {
            if (earlier >= 0) {
                const std::string name = "u" + std::to_string(earlier) + ".PEOPLE.Acme";
                const SearchedEntries::Entry* entry = entries.find(name);
                ASSERT_NE(entry, nullptr) << name << " after " << i;
                ASSERT_EQ(entry->Dn(), dnOf(earlier)) << name << " after " << i;
            }
        }
    }
    EXPECT_EQ(entries.find("u20000.People.Acme"), nullptr);
}

TEST(LdapReadAhead, EntriesComeOutInOrderAndBlocksAreReleased)
{
    ReadAheadQueue queue;
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.Bytes(), 0u);
    // Small entries over several blocks, an empty one, and one larger than
    // a block between them.
    const std::string large(3u << 20, 'x');
    std::vector<std::pair<std::string, std::string>> pushed;
    for (int i = 0; i < 30000; ++i) {
        std::string dn = "uid=u" + std::to_string(i) + ",ou=People,o=Acme";
        std::string attributes = i == 1000 ? large : (i == 7 ? std::string() : Attribute("mail", {dn}));
        queue.Push(dn, attributes, static_cast<std::size_t>(i % 3));
        pushed.emplace_back(std::move(dn), std::move(attributes));
    }
    ASSERT_EQ(queue.Count(), pushed.size());
    const std::size_t full = queue.Bytes();
    EXPECT_GT(full, large.size());
    std::size_t lowest = full;
    for (std::size_t i = 0; i < pushed.size(); ++i) {
        ASSERT_FALSE(queue.empty());
        ASSERT_EQ(queue.FrontDn(), pushed[i].first) << i;
        ASSERT_EQ(queue.FrontAttributes(), pushed[i].second) << i;
        ASSERT_EQ(queue.FrontStep(), i % 3) << i;
        queue.Pop();
        EXPECT_LE(queue.Bytes(), lowest) << i;
        lowest = queue.Bytes();
        if (i == 1000) {
            // The large entry's block went with it.
            EXPECT_LT(queue.Bytes(), full - large.size());
        }
    }
    EXPECT_TRUE(queue.empty());
    // Drained, it keeps at most one block for what comes next, and takes
    // entries as before.
    EXPECT_LE(queue.Bytes(), std::size_t(2) << 20);
    queue.Push("cn=next,o=Acme", "", 4);
    EXPECT_EQ(queue.FrontDn(), "cn=next,o=Acme");
    EXPECT_EQ(queue.FrontStep(), 4u);
    queue.Pop();
    EXPECT_TRUE(queue.empty());
}

TEST(LdapReadAhead, BlocksUsedUpAreReusedWithoutMixingEntries)
{
    // A search that reads on while earlier entries are taken: the queue
    // holds a few blocks' worth at a time, and the blocks it drops come back
    // for later entries. Every entry must come out as it went in.
    ReadAheadQueue queue;
    std::deque<std::string> expected;
    std::size_t most = 0;
    for (int i = 0; i < 200000; ++i) {
        std::string dn = "uid=u" + std::to_string(i) + ",ou=Запад,dc=corp,dc=example,dc=com";
        queue.Push(dn, Attribute("mail", {dn}), 0);
        expected.push_back(std::move(dn));
        if (i % 3 != 0) {
            continue;
        }
        while (queue.Count() > 20000) {
            ASSERT_EQ(queue.FrontDn(), expected.front()) << i;
            ASSERT_EQ(queue.FrontAttributes(), Attribute("mail", {expected.front()})) << i;
            queue.Pop();
            expected.pop_front();
        }
        most = std::max(most, queue.Bytes());
    }
    while (!queue.empty()) {
        ASSERT_EQ(queue.FrontDn(), expected.front());
        queue.Pop();
        expected.pop_front();
    }
    EXPECT_TRUE(expected.empty());
    // 20,000 entries of about 130 bytes take two blocks or three, not one
    // for every block ever filled.
    EXPECT_LE(most, std::size_t(8) << 20);
}

} // namespace
} // namespace veralith::client::ldap
