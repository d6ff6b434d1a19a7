// LDIF sources: every form of the LDIF format, the schema they are read
// with, names as the LDAP service gives them, and the exact message for
// every fault.

#include "client/memory/ldif_loader.h"
#include "client/memory/ldif_reader.h"
#include "client/memory/loader.h"
#include "client/values.h"
#include "client/wire.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace veralith::client::testing {
namespace {

using memory::MemoryDirectory;

const char* const kTop = "dn: o=Acme\nobjectClass: organization\no: Acme\n\n";

std::shared_ptr<MemoryDirectory> LoadLdif(
    const std::string& text, std::vector<std::string>* warnings = nullptr, const std::string& schemaFile = "")
{
    std::shared_ptr<MemoryDirectory> directory;
    std::string error;
    EXPECT_TRUE(memory::LoadLdifText(text, "t.ldif", schemaFile, &directory, warnings, &error)) << error;
    return directory;
}

std::string LoadError(const std::string& text)
{
    std::shared_ptr<MemoryDirectory> directory;
    std::string error;
    EXPECT_FALSE(memory::LoadLdifText(text, "t.ldif", "", &directory, nullptr, &error)) << text;
    EXPECT_EQ(directory, nullptr);
    return error;
}

std::vector<std::string> ValuesOf(const MemoryDirectory& directory, const std::string& name, const std::string& attr)
{
    const std::uint32_t index = directory.find(name);
    EXPECT_NE(index, memory::kNoObject) << name;
    if (index == memory::kNoObject) {
        return {};
    }
    return directory.Values(index, directory.GetSchema().FindAttribute(attr));
}

// Each row: the lines of one entry below o=Acme (whose dn line the row
// gives too, so that names can be folded or encoded), and the values of one
// attribute that must come out.
struct FormCase
{
    const char* what;
    std::string entry;
    const char* object;
    const char* attribute;
    std::vector<std::string> values;
};

TEST(LdifLoader, EveryFormOfTheFormatGivesItsValues)
{
    const std::vector<FormCase> kCases = {
        {"plain value", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn: Smith\n", "ann.Acme", "sn", {"Smith"}},
        {"blanks after the colon", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn:    Smith\n", "ann.Acme", "sn",
            {"Smith"}},
        {"value without blank", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn:Smith\n", "ann.Acme", "sn",
            {"Smith"}},
        {"empty value", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn: x\ndescription:\n", "ann.Acme",
            "description", {""}},
        {"base64 value", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn:: w4RubmU=\n", "ann.Acme", "sn",
            {"\xC3\x84nne"}},
        {"base64 with blanks before it", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn::   U21pdGg=\n",
            "ann.Acme", "sn", {"Smith"}},
        {"UTF-8 written as it is", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn: \xC3\x84nne\n", "ann.Acme",
            "sn", {"\xC3\x84nne"}},
        {"folded value", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn: Smi\n th\n", "ann.Acme", "sn",
            {"Smith"}},
        {"fold keeps the blanks after the first", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn: Ann\n  Smith\n",
            "ann.Acme", "sn", {"Ann Smith"}},
        {"folded twice, inside the name", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\ns\n n: Sm\n it\n h\n",
            "ann.Acme", "sn", {"Smith"}},
        {"folded base64", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn:: U21p\n dGg=\n", "ann.Acme", "sn",
            {"Smith"}},
        {"folded dn", "dn: cn=ann,\n o=Acme\nobjectClass: person\ncn: ann\nsn: S\n", "ann.Acme", "sn", {"S"}},
        {"base64 dn", "dn:: Y249YW5uLG89QWNtZQ==\nobjectClass: person\ncn: ann\nsn: S\n", "ann.Acme", "sn", {"S"}},
        {"comment between values",
            "dn: cn=ann,o=Acme\n# a note\nobjectClass: person\ncn: ann\n# more\n  folded comment\nsn: S\n", "ann.Acme",
            "sn", {"S"}},
        {"CR LF line ends", "dn: cn=ann,o=Acme\r\nobjectClass: person\r\ncn: ann\r\nsn: Sm\r\n ith\r\n", "ann.Acme",
            "sn", {"Smith"}},
        {"values in file order", "dn: cn=ann,o=Acme\nobjectClass: person\ncn: Ann Smith\ncn: ann\nsn: S\n", "ann.Acme",
            "cn", {"Ann Smith", "ann"}},
        {"options folded into the attribute",
            "dn: cn=ann,o=Acme\nobjectClass: person\ncn: ann\nsn: S\ncn;lang-de: Anna\ncn;x-a;x-b: An\n", "ann.Acme",
            "cn", {"ann", "Anna", "An"}},
        {"attribute names in any letter case", "dn: cn=ann,o=Acme\nOBJECTCLASS: person\nCN: ann\nSN: S\n", "ann.Acme",
            "sn", {"S"}},
        {"a second name of the attribute", "dn: cn=ann,o=Acme\nobjectClass: person\ncommonName: ann\nsurname: S\n",
            "ann.Acme", "sn", {"S"}},
        {"change record that adds",
            "dn: cn=ann,o=Acme\ncontrol: 1.2.840.113556.1.4.805 true\nchangetype: add\nobjectClass: person\ncn: "
            "ann\nsn: S\n",
            "ann.Acme", "sn", {"S"}},
        {"escaped comma in the dn", "dn: cn=Smith\\, Ann,o=Acme\nobjectClass: person\ncn: Smith, Ann\nsn: S\n",
            "Smith, Ann.Acme", "cn", {"Smith, Ann"}},
        {"name values of the DN syntax", "dn: cn=g,o=Acme\nobjectClass: groupOfNames\ncn: g\nmember: o=Acme\n",
            "g.Acme", "member", {"Acme"}},
    };
    for (const FormCase& c : kCases) {
        SCOPED_TRACE(c.what);
        for (const char* version : {"", "version: 1\n\n", "# export\nversion: 1\n"}) {
            auto directory = LoadLdif(version + std::string(kTop) + c.entry);
            ASSERT_NE(directory, nullptr);
            EXPECT_EQ(ValuesOf(*directory, c.object, c.attribute), c.values) << version;
        }
    }
}

TEST(LdifLoader, TypedValuesAreConvertedByTheirSyntax)
{
    const std::string text = std::string(kTop) +
        "dn: uid=ann,o=Acme\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\ncn: ann\nsn: S\nuid: ann\n"
        "uidNumber: 1001\ngidNumber: 100\nhomeDirectory: /home/ann\nloginShell: /bin/sh\n"
        "createTimestamp: 20240102030405Z\nmodifyTimestamp: 20240203040506Z\njpegPhoto:: AAEC\n";
    auto directory = LoadLdif(text);
    ASSERT_NE(directory, nullptr);
    WireWriter number;
    number.U32(1001);
    EXPECT_EQ(ValuesOf(*directory, "ann.Acme", "uidNumber"), std::vector<std::string> {number.Take()});
    EXPECT_EQ(ValuesOf(*directory, "ann.Acme", "jpegPhoto"), std::vector<std::string> {std::string("\0\1\2", 3)});
    ObjectSummary entry;
    ASSERT_EQ(directory->ReadEntry("ann.Acme", &entry), 0);
    EXPECT_EQ(entry.baseClass, "inetOrgPerson");
    EXPECT_EQ(entry.auxClasses, std::vector<std::string> {"posixAccount"});
    EXPECT_EQ(entry.creationTime, 1704164645u);
    EXPECT_EQ(entry.modificationTime, 1706933106u);
    EXPECT_EQ(entry.namingTypes, (std::vector<std::string> {"UID", "O"}));
}

TEST(LdifLoader, NamesTreeAndAncestorsFollowTheDistinguishedNames)
{
    const std::string text = "dn: ou=People,dc=example,dc=com\nobjectClass: organizationalUnit\nou: People\n\n"
                             "dn: dc=example,dc=com\nobjectClass: domain\ndc: example\n\n"
                             "dn: 2.5.4.3=ann,ou=People,dc=example,dc=com\nobjectClass: person\ncn: ann\nsn: S\n";
    // A type given by its OID (2.5.4.3) is named as the schema names it (cn).
    auto directory = LoadLdif(text);
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(directory->TreeName(), "example-com");
    EXPECT_EQ(directory->DefaultNameContext(), "example.com");
    // The ancestor the file leaves out is listed, but searched past.
    const std::uint32_t implied = directory->find("com");
    ASSERT_NE(implied, memory::kNoObject);
    EXPECT_TRUE(directory->IsImplied(implied));
    EXPECT_EQ(directory->NamingTypes("ann.People.example.com"), (std::vector<std::string> {"CN", "OU", "DC", "DC"}));
    std::unique_ptr<ObjectCursor> cursor;
    ASSERT_EQ(directory->OpenSearch("", 2, nullptr, &cursor), 0);
    std::vector<std::string> found;
    ObjectSummary entry;
    for (bool done = false; cursor->Next(&entry, &done) == 0 && !done;) {
        found.push_back(entry.fullName);
    }
    EXPECT_EQ(found, (std::vector<std::string> {"example.com", "People.example.com", "ann.People.example.com"}));
    // The naming attribute is what the entry carries, never derived.
    EXPECT_EQ(ValuesOf(*directory, "People.example.com", "cn"), std::vector<std::string> {});
    EXPECT_EQ(ValuesOf(*directory, "People.example.com", "ou"), std::vector<std::string> {"People"});
}

TEST(LdifLoader, SchemaComesFromTheFileTheGivenFileOrTheBuiltInOne)
{
    const std::string schema = "dn: cn=Subschema\nobjectClass: subschema\n"
                               "attributeTypes: ( 1.1.1 NAME 'badge' EQUALITY integerMatch SYNTAX "
                               "1.3.6.1.4.1.1466.115.121.1.27 )\n"
                               "attributeTypes: ( 2.5.4.0 NAME 'objectClass' SYNTAX 1.3.6.1.4.1.1466.115.121.1.38 )\n"
                               "objectClasses: ( 1.1.2 NAME 'holder' STRUCTURAL MUST badge )\n\n";
    const std::string entries = "dn: cn=x\nobjectClass: holder\nbadge: 7\n";
    WireWriter seven;
    seven.U32(7);
    const std::vector<std::string> asInteger {seven.Take()};

    // In the file itself, before or after the entries.
    for (const std::string& text : {schema + entries, entries + "\n" + schema}) {
        std::vector<std::string> warnings;
        auto directory = LoadLdif(text, &warnings);
        ASSERT_NE(directory, nullptr);
        EXPECT_EQ(ValuesOf(*directory, "x", "badge"), asInteger);
        EXPECT_EQ(warnings, std::vector<std::string> {});
        EXPECT_EQ(directory->find("Subschema"), memory::kNoObject);
    }
    // In a schema file given with the source.
    const std::string schemaFile = ::testing::TempDir() + "ldif-schema-" + std::to_string(getpid()) + ".ldif";
    std::ofstream(schemaFile) << schema;
    std::vector<std::string> warnings;
    auto given = LoadLdif(entries, &warnings, schemaFile);
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(ValuesOf(*given, "x", "badge"), asInteger);
    std::filesystem::remove(schemaFile);

    // Else the built-in schemas: the attribute and class are in none of
    // them, so they are strings and a structural class, with warnings.
    warnings.clear();
    auto builtin = LoadLdif(entries + "badge: 007\n", &warnings);
    ASSERT_NE(builtin, nullptr);
    EXPECT_EQ(ValuesOf(*builtin, "x", "badge"), (std::vector<std::string> {"7", "007"}));
    EXPECT_EQ(builtin->GetSchema().Attribute(builtin->GetSchema().FindAttribute("badge")).syntaxId, SYN_CI_STRING);
    EXPECT_EQ(warnings,
        (std::vector<std::string> {
            "t.ldif:2: object class \"holder\" is in no schema; it is taken as a structural class",
            "t.ldif:3: attribute \"badge\" is in no schema; its values are taken as case-ignore strings",
        }));
    EXPECT_NE(builtin->GetSchema().FindClass("inetOrgPerson"), kNoSchemaId);
    EXPECT_NE(builtin->GetSchema().FindAttribute("uidNumber"), kNoSchemaId);
}

struct BadCase
{
    const char* what;
    std::string text;
    const char* message;
};

TEST(LdifLoader, BadLdifGivesFileLineAndFault)
{
    const std::string person = "objectClass: person\ncn: a\nsn: a\n";
    const std::vector<BadCase> kCases = {
        {"unknown version", "version: 2\n" + std::string(kTop),
            "t.ldif:1: version \"2\" is not known (only version 1 is)"},
        {"record without dn", std::string(kTop) + "cn: a\n" + person,
            "t.ldif:5: expected \"dn:\" to begin a record, found \"cn:\""},
        {"line without colon", std::string(kTop) + "dn: cn=a,o=Acme\nobjectClass person\n",
            "t.ldif:6: expected \"name: value\", found \"objectClass person\""},
        {"bad attribute name", std::string(kTop) + "dn: cn=a,o=Acme\nobject Class: person\n",
            "t.ldif:6: \"object Class\" is not an attribute name"},
        {"empty option", std::string(kTop) + "dn: cn=a,o=Acme\ncn;: a\n", "t.ldif:6: \"cn;\" is not an attribute name"},
        {"bad base64", std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "description:: ab$=\n",
            "t.ldif:9: the value of \"description\" is not base64"},
        {"base64 cut short", std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "description:: YWJ\n",
            "t.ldif:9: the value of \"description\" is not base64"},
        {"value by URL", std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "jpegPhoto:< file:///etc/passwd\n",
            "t.ldif:9: the value of \"jpegPhoto\" is given by URL; values from URLs are not read"},
        {"CR inside a value", std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "description: a\rb\n",
            "t.ldif:9: the value of \"description\" holds CR (write it in base64)"},
        {"modify record", std::string(kTop) + "dn: cn=a,o=Acme\nchangetype: modify\nreplace: cn\ncn: b\n",
            "t.ldif:6: change records are not read (changetype: modify); only entries and \"changetype: add\""},
        {"delete record", std::string(kTop) + "dn: cn=a,o=Acme\nchangetype: delete\n",
            "t.ldif:6: change records are not read (changetype: delete); only entries and \"changetype: add\""},
        {"control without changetype", std::string(kTop) + "dn: cn=a,o=Acme\ncontrol: 1.2.3\n" + person,
            "t.ldif:7: controls must be followed by \"changetype:\""},
        {"two records without a blank line", std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "dn: cn=b,o=Acme\n",
            "t.ldif:9: a second \"dn:\" in one record (a blank line must end each record)"},
        {"entry without attributes", std::string(kTop) + "dn: cn=a,o=Acme\n\n",
            "t.ldif:5: the entry \"cn=a,o=Acme\" has no attributes"},
        {"fold at the start of a record", std::string(kTop) + " cn=a,o=Acme\n",
            "t.ldif:5: a folded line continues nothing"},
        {"bad dn", std::string(kTop) + "dn: cn=a,,o=Acme\n" + person,
            "t.ldif:5: \"cn=a,,o=Acme\" is not a distinguished name"},
        {"dn type that is neither a name nor an OID", std::string(kTop) + "dn: c.=a,o=Acme\n" + person,
            "t.ldif:5: \"c.=a,o=Acme\" has the attribute type \"c.\", which is neither a name nor an OID"},
        {"dn type by an OID no schema defines", std::string(kTop) + "dn: cn=a+1.2.3.4=b,o=Acme\n" + person,
            "t.ldif:5: \"cn=a+1.2.3.4=b,o=Acme\" names an attribute by the OID \"1.2.3.4\", which no schema defines"},
        {"dn type by OID beside the same entry by name",
            std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "\ndn: 2.5.4.3=a,o=Acme\n" + person,
            "t.ldif:10: the entry \"cn=a,o=Acme\" has the name \"a.Acme\" of the entry of line 5"},
        {"empty value in a dn", std::string(kTop) + "dn: cn=,o=Acme\n" + person,
            "t.ldif:5: \"cn=,o=Acme\" has a relative name with an empty value"},
        {"empty value of a multi-valued rdn", std::string(kTop) + "dn: cn=a+uid=,o=Acme\n" + person,
            "t.ldif:5: \"cn=a+uid=,o=Acme\" has a relative name with an empty value"},
        {"dn of bytes that are no UTF-8", std::string(kTop) + "dn:: Y249/yxvPUFjbWU=\n" + person,
            "t.ldif:5: the distinguished name is not UTF-8"},
        {"dn escaping bytes that are no UTF-8", std::string(kTop) + "dn: cn=\\C3\\28,o=Acme\n" + person,
            "t.ldif:5: \"cn=\\C3\\28,o=Acme\" escapes bytes that are not UTF-8"},
        {"dn with a control character", std::string(kTop) + "dn: cn=a\\0D,o=Acme\n" + person,
            "t.ldif:5: the distinguished name holds a control character"},
        {"component too long",
            std::string(kTop) + "dn: cn=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa,o=Acme\n" +
                person,
            "t.ldif:5: the name of \"cn=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa,o=Acme\" has "
            "a component of 65 characters (at most 64 are "
            "carried)"},
        {"second value of a single-valued attribute", "dn: dc=example\nobjectClass: domain\ndc: example\ndc: example\n",
            "t.ldif:4: the single-valued attribute \"dc\" is given a second value"},
        {"component in brackets", std::string(kTop) + "dn: cn=[Root],o=Acme\n" + person,
            "t.ldif:5: the name of \"cn=[Root],o=Acme\" has a component that starts with \"[\" (names in brackets "
            "are the client's own)"},
        {"printable string of other characters", std::string(kTop) + "dn: c=US,o=Acme\nobjectClass: country\nc: \"6\n",
            "t.ldif:7: the value of \"c\" is not of its syntax (4)"},
        {"empty dn", "dn:\n" + person, "t.ldif:1: an entry needs a distinguished name (the root is no entry)"},
        {"same dn twice", std::string(kTop) + "dn: cn=a,o=Acme\n" + person + "\ndn: CN=A, o=acme\n" + person,
            "t.ldif:10: the entry \"CN=A,o=acme\" has the name \"A.acme\" of the entry of line 5"},
        {"value not of its syntax",
            std::string(kTop) +
                "dn: cn=a,o=Acme\nobjectClass: posixGroup\ncn: a\n"
                "gidNumber: many\n",
            "t.ldif:8: the value of \"gidNumber\" is not of its syntax (8)"},
        {"no entries", "# nothing\n\n", "t.ldif: the file holds no entries"},
        {"only a schema", "dn: cn=Subschema\nattributeTypes: ( 1.1 NAME 'a' )\n", "t.ldif: the file holds no entries"},
    };
    for (const BadCase& c : kCases) {
        EXPECT_EQ(LoadError(c.text), c.message) << c.what;
    }
}

// Each entry keeps its DN as the file writes it; ancestors the file leaves
// out have none, nor have tree files.
TEST(LdifLoader, EntriesKeepTheirDistinguishedNames)
{
    const std::shared_ptr<MemoryDirectory> directory =
        LoadLdif("dn: ou=Sales,dc=example,dc=com\nobjectClass: organizationalUnit\nou: Sales\n\n"
                 "dn: cn=Doe\\2C Carl , ou=Sales,dc=example,dc=com\nobjectClass: person\ncn: Doe, Carl\nsn: Doe\n");
    ASSERT_TRUE(directory);
    std::string dn;
    EXPECT_EQ(directory->DistinguishedName("Doe, Carl.Sales.example.com", &dn), 0);
    EXPECT_EQ(dn, "cn=Doe\\2C Carl , ou=Sales,dc=example,dc=com");
    EXPECT_EQ(directory->DistinguishedName("sales.example.com", &dn), 0);
    EXPECT_EQ(dn, "ou=Sales,dc=example,dc=com");
    EXPECT_EQ(directory->DistinguishedName("example.com", &dn), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(directory->DistinguishedName("nobody.example.com", &dn), ERR_NO_SUCH_ENTRY);
    EXPECT_TRUE(directory->NamesCarryTypes());
}

TEST(LdifLoader, SourcesAreRecognisedByTheirContent)
{
    const struct
    {
        const char* text;
        bool ldif;
    } kCases[] = {
        {"dn: o=Acme\n", true}, {"DN: o=Acme\n", true}, {"version: 1\n", true},
        {"\xEF\xBB\xBF# exported\n\n# more\r\ndn:: bz1BY21l\n", true}, {"{ \"format\": \"veralith-tree/1\" }", false},
        {"\n\n  {\"dn\": 1}", false}, {"# only a comment\n", false}, {"dnx: o=Acme\n", false}, {"dn o=Acme\n", false},
        {"", false}, {"\r\n\ndn: o=Acme", true}, {"dn:", true}, {"\rdn: o=Acme\n", false}, {"dn", false},
        {"  dn: o=Acme\nversion:1", true}, // a continuation line is passed over
        {"{\"objects\": []}\ndn: o=Acme\n", false}, // the first line decides
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(memory::LooksLikeLdif(c.text), c.ldif) << c.text;
    }
    // Through the file loader: the same file name, either content.
    const std::string path = ::testing::TempDir() + "source-" + std::to_string(getpid()) + ".txt";
    std::ofstream(path) << kTop;
    std::shared_ptr<MemoryDirectory> directory;
    std::string error;
    ASSERT_TRUE(memory::LoadTreeFile(path, &directory, &error)) << error;
    EXPECT_EQ(directory->DefaultNameContext(), "Acme");
    std::filesystem::remove(path);
}

TEST(LdifLoader, Base64RoundTripsEveryLength)
{
    std::string bytes;
    for (int n = 0; n < 70; ++n) {
        const std::string text = std::string(kTop) + "dn: cn=a,o=Acme\nobjectClass: person\ncn: a\nsn: a\n" +
            "description:: " + memory::EncodeBase64(bytes) + "\n";
        auto directory = LoadLdif(text);
        ASSERT_NE(directory, nullptr);
        EXPECT_EQ(ValuesOf(*directory, "a.Acme", "description"), std::vector<std::string> {bytes}) << n;
        bytes.push_back(static_cast<char>('A' + (n * 7) % 50));
    }
}

} // namespace
} // namespace veralith::client::testing
