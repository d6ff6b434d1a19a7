// Snapshots: a directory written as a tree file or as LDIF loads back with
// the same objects, classes and values.

#include "client/memory/ldif_loader.h"
#include "client/memory/loader.h"
#include "client/memory/snapshot.h"
#include "client_fixture.h"

namespace veralith::client::testing {
namespace {

using memory::MemoryDirectory;
using memory::SnapshotFormat;

struct Seen
{
    ObjectSummary summary;
    std::vector<AttributeData> attributes;
};

// Every object a subtree search from the root delivers, with its attributes.
std::vector<Seen> Walk(MemoryDirectory& directory)
{
    std::vector<Seen> seen;
    std::unique_ptr<ObjectCursor> cursor;
    EXPECT_EQ(directory.OpenSearch("", 2, nullptr, &cursor), 0);
    Seen next;
    for (bool done = false; cursor && cursor->Next(&next.summary, &done) == 0 && !done;) {
        EXPECT_EQ(directory.ReadAttributes(next.summary.fullName, nullptr, &next.attributes), 0);
        seen.push_back(next);
    }
    return seen;
}

void ExpectSameDirectory(MemoryDirectory& expected, MemoryDirectory& actual, const std::string& what)
{
    EXPECT_EQ(actual.TreeName(), expected.TreeName()) << what;
    EXPECT_EQ(actual.DefaultNameContext(), expected.DefaultNameContext()) << what;
    const std::vector<Seen> a = Walk(expected);
    const std::vector<Seen> b = Walk(actual);
    ASSERT_EQ(a.size(), b.size()) << what;
    ASSERT_FALSE(a.empty()) << what;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string name = a[i].summary.fullName;
        EXPECT_EQ(b[i].summary.fullName, name) << what;
        EXPECT_EQ(b[i].summary.baseClass, a[i].summary.baseClass) << what << " " << name;
        EXPECT_EQ(b[i].summary.auxClasses, a[i].summary.auxClasses) << what << " " << name;
        EXPECT_EQ(b[i].summary.creationTime, a[i].summary.creationTime) << what << " " << name;
        EXPECT_EQ(b[i].summary.modificationTime, a[i].summary.modificationTime) << what << " " << name;
        ASSERT_EQ(b[i].attributes.size(), a[i].attributes.size()) << what << " " << name;
        for (std::size_t k = 0; k < a[i].attributes.size(); ++k) {
            EXPECT_EQ(b[i].attributes[k].name, a[i].attributes[k].name) << what << " " << name;
            EXPECT_EQ(b[i].attributes[k].syntaxId, a[i].attributes[k].syntaxId) << what << " " << name;
            EXPECT_EQ(b[i].attributes[k].values, a[i].attributes[k].values)
                << what << " " << name << " " << a[i].attributes[k].name;
        }
    }
}

std::shared_ptr<MemoryDirectory> Reload(const std::string& text, const std::string& fileName)
{
    std::shared_ptr<MemoryDirectory> directory;
    std::string error;
    EXPECT_TRUE(memory::LoadTreeText(text, fileName, &directory, &error)) << error << "\n" << text.substr(0, 2000);
    return directory;
}

const char* const kLdif = R"(version: 1

dn: dc=example,dc=com
objectClass: top
objectClass: dcObject
objectClass: organization
o: Example
dc: example

dn: ou=People,dc=example,dc=com
objectClass: organizationalUnit
ou: People
description:: w4RubmUncyB0ZWFt

dn: cn=Smith\, Ann,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
objectClass: posixAccount
cn: Smith, Ann
cn: ann
sn: Smith
uid: ann
uidNumber: 1001
gidNumber: 100
homeDirectory: /home/ann
mail: ann@example.com
mail: ANN@example.org
telephoneNumber: +1 555 0101
jpegPhoto:: AAECA/8=
createTimestamp: 20240102030405Z
modifyTimestamp: 20240203040506Z

dn: uid=bob,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
uid: bob
cn: Bob
sn: B

dn: cn=Doe+uid=jdoe1,ou=People,dc=example,dc=com
objectClass: inetOrgPerson
cn: Doe
sn: Doe
uid: jdoe1

dn: cn=Lab,ou=People,dc=example,dc=com
objectClass: person
cn: Lab
sn: Lab

dn: ou=Lab,ou=People,dc=example,dc=com
objectClass: organizationalUnit
ou: Lab

dn: cn=staff,ou=People,dc=example,dc=com
objectClass: groupOfNames
cn: staff
member: cn=Smith\, Ann,ou=People,dc=example,dc=com
businessCategory: x
)";

TEST(Snapshot, LdifDirectoriesComeBackUnchangedInEitherFormat)
{
    std::shared_ptr<MemoryDirectory> source;
    std::string error;
    ASSERT_TRUE(memory::LoadLdifText(kLdif, "s.ldif", "", &source, nullptr, &error)) << error;
    for (const auto& [format, file] :
        {std::pair {SnapshotFormat::TreeFile, "s.json"}, std::pair {SnapshotFormat::Ldif, "s2.ldif"}}) {
        std::string text;
        std::vector<std::string> warnings;
        ASSERT_EQ(memory::WriteSnapshot(*source, format, &text, &warnings, &error), 0) << error;
        EXPECT_EQ(warnings, std::vector<std::string> {});
        EXPECT_EQ(memory::LooksLikeLdif(text), format == SnapshotFormat::Ldif);
        auto loaded = Reload(text, file);
        ASSERT_NE(loaded, nullptr);
        ExpectSameDirectory(*source, *loaded, file);
        if (format == SnapshotFormat::Ldif) {
            // Every entry keeps its DN, whichever attribute names it among
            // the entries of its class.
            for (const Seen& seen : Walk(*source)) {
                std::string want;
                std::string got;
                ASSERT_EQ(source->DistinguishedName(seen.summary.fullName, &want), 0) << seen.summary.fullName;
                EXPECT_EQ(loaded->DistinguishedName(seen.summary.fullName, &got), 0) << want;
                EXPECT_EQ(got, want);
            }
        }
        // The implied ancestor stays implied: listed, never searched.
        const std::uint32_t implied = loaded->find("com");
        ASSERT_NE(implied, memory::kNoObject) << file;
        EXPECT_TRUE(loaded->IsImplied(implied)) << file;
    }
}

// Directories a server can hold that a tree file must still carry: a tree
// name with characters tree names lack, an entry without a structural
// class, an entry below a non-container, two top entries whose names share
// a value (so the default name context is a typed name).
TEST(Snapshot, UnusualLdapDirectoriesStillLoadBack)
{
    const std::vector<std::string> kCases = {
        "dn: o=Acm!e\nobjectClass: organization\no: Acm!e\n\ndn: cn=a,o=Acme\nobjectClass: person\ncn: a\nsn: a\n",
        "dn: o=Acme\nobjectClass: organization\no: Acme\n\ndn: ou=Acme\nobjectClass: organizationalUnit\nou: Acme\n",
        "dn: cn=schema\nobjectClass: subschema\ncn: schema\n",
        "dn: cn=a\nobjectClass: person\ncn: a\nsn: a\n\ndn: cn=b,cn=a\nobjectClass: person\ncn: b\nsn: b\n",
    };
    for (const std::string& text : kCases) {
        std::shared_ptr<MemoryDirectory> source;
        std::string error;
        ASSERT_TRUE(memory::LoadLdifText(text, "u.ldif", "", &source, nullptr, &error)) << error;
        std::string json;
        std::vector<std::string> warnings;
        ASSERT_EQ(memory::WriteSnapshot(*source, SnapshotFormat::TreeFile, &json, &warnings, &error), 0) << error;
        auto loaded = Reload(json, "u.json");
        ASSERT_NE(loaded, nullptr) << text;
        EXPECT_EQ(Walk(*loaded).size(), Walk(*source).size()) << text;
        EXPECT_EQ(loaded->DefaultNameContext(), source->DefaultNameContext()) << text;
    }
}

TEST(Snapshot, TreeFilesOfEverySyntaxComeBackUnchanged)
{
    for (const char* file : {"tests/data/all-syntaxes.json", "tests/data/values-tree.json", "data/globex.json"}) {
        std::shared_ptr<MemoryDirectory> source;
        std::string error;
        ASSERT_TRUE(memory::LoadTreeFile(SourcePath(file), &source, &error)) << error;
        std::string text;
        std::vector<std::string> warnings;
        ASSERT_EQ(memory::WriteSnapshot(*source, SnapshotFormat::TreeFile, &text, &warnings, &error), 0) << error;
        EXPECT_EQ(warnings, std::vector<std::string> {}) << file;
        EXPECT_EQ(text.find("schemaBase"), std::string::npos) << file;
        auto loaded = Reload(text, "snapshot.json");
        ASSERT_NE(loaded, nullptr) << file;
        ExpectSameDirectory(*source, *loaded, file);
    }
}

TEST(Snapshot, LdifIsFoldedAndEncodedWhereItMustBe)
{
    std::shared_ptr<MemoryDirectory> source;
    std::string error;
    const std::string longValue(200, 'x');
    const std::string text = "dn: o=Acme\nobjectClass: organization\no: Acme\ndescription: " + longValue +
        "\ndescription:: IGxlYWRpbmcgYmxhbms=\nbusinessCategory:: w4Q=\n";
    ASSERT_TRUE(memory::LoadLdifText(text, "f.ldif", "", &source, nullptr, &error)) << error;
    std::string ldif;
    std::vector<std::string> warnings;
    ASSERT_EQ(memory::WriteSnapshot(*source, SnapshotFormat::Ldif, &ldif, &warnings, &error), 0) << error;
    std::size_t longest = 0;
    for (std::size_t pos = 0; pos < ldif.size();) {
        const std::size_t end = ldif.find('\n', pos);
        longest = std::max(longest, end - pos);
        pos = end + 1;
    }
    EXPECT_LE(longest, 76u) << ldif;
    EXPECT_NE(ldif.find("description:: IGxlYWRpbmcgYmxhbms=\n"), std::string::npos) << ldif;
    EXPECT_NE(ldif.find("businessCategory:: w4Q=\n"), std::string::npos) << ldif;
    auto loaded = Reload(ldif, "f2.ldif");
    ASSERT_NE(loaded, nullptr);
    ExpectSameDirectory(*source, *loaded, "folded");
}

TEST(Snapshot, NameValuesOutsideTheTreeAreLeftOutWithAWarning)
{
    std::shared_ptr<MemoryDirectory> source;
    std::string error;
    const std::string text = "dn: o=Acme\nobjectClass: organization\no: Acme\n\n"
                             "dn: cn=g,o=Acme\nobjectClass: groupOfNames\ncn: g\nmember: cn=gone,o=Elsewhere\n"
                             "member: o=Acme\n";
    ASSERT_TRUE(memory::LoadLdifText(text, "w.ldif", "", &source, nullptr, &error)) << error;
    std::string json;
    std::vector<std::string> warnings;
    ASSERT_EQ(memory::WriteSnapshot(*source, SnapshotFormat::TreeFile, &json, &warnings, &error), 0) << error;
    EXPECT_EQ(warnings,
        std::vector<std::string> {"\"g.Acme\": the value \"gone.Elsewhere\" of \"member\" names no "
                                  "object of the snapshot and is left out"});
    auto loaded = Reload(json, "w.json");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Values(loaded->find("g.Acme"), loaded->GetSchema().FindAttribute("member")),
        std::vector<std::string> {"Acme"});
}

} // namespace
} // namespace veralith::client::testing
