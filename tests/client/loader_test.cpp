// The tree-file loader: every class of bad input gives the exact message
// (file, place, fault), and no input crashes it.

#include "client/memory/builtin_trees.h"
#include "client/memory/loader.h"
#include "client/values.h"
#include "client_fixture.h"

namespace veralith::client::testing {
namespace {

struct BrokenCase
{
    const char* stem;
    const char* message; // what follows the file name
};

const BrokenCase kBroken[] = {
    {"broken-syntax-comma", ":5:22: syntax error: expected ',' or '}'"},
    {"broken-truncated", ":6:4: syntax error: unexpected end of file"},
    {"broken-trailing-text", ":8:1: syntax error: unexpected text after the document"},
    {"broken-bad-escape", ":5:19: syntax error: invalid escape in a string"},
    {"broken-control-char", ":5:18: syntax error: control character in a string"},
    {"broken-deep-nesting", ":1:140: syntax error: nesting deeper than 128 levels"},
    {"broken-empty", ":1:1: syntax error: unexpected end of file"},
    {"broken-not-object", ": /: the document must be a JSON object"},
    {"broken-format", ": /format: must be \"veralith-tree/1\""},
    {"broken-tree-name", ": /tree: must be 1 to 32 letters, digits, \"_\" or \"-\", not ending in \"_\" (is \"BAD_\")"},
    {"broken-missing-objects", ": /: \"objects\" is missing"},
    {"broken-unknown-member", ": /extra: unknown member \"extra\""},
    {"broken-unknown-class", ": /objects/1/class: unknown class \"Spaceship\""},
    {"broken-aux-as-base", ": /objects/1/class: \"posixAccount\" is an auxiliary class, not a base class"},
    {"broken-missing-parent",
        ": /objects/3/name: parent \"Nowhere.Acme\" of \"jsmith.Nowhere.Acme\" is not in the file"},
    {"broken-parent-not-container",
        ": /objects/2/name: parent \"bob.Acme\" of \"x.bob.Acme\" is no container (class \"User\")"},
    {"broken-duplicate-name", ": /objects/2/name: \"SALES.acme\" is already the name of /objects/1"},
    {"broken-empty-component", ": /objects/1/name: name \"x..Acme\" has an empty name component"},
    {"broken-name-escape",
        ": /objects/1/name: name \"back\\slash.Acme\" has a backslash that escapes no \".\", \"=\", \"+\" or "
        "\"\\\""},
    {"broken-bad-time",
        ": /objects/0/created: must be an ISO 8601 UTC time (2004-03-01T08:00:00Z) or whole seconds since 1970"},
    {"broken-value-shape", ": /objects/1/attributes/Network Address/0: \"type\" must be an integer"},
    {"broken-unknown-attribute", ": /objects/0/attributes/Colour: unknown attribute \"Colour\""},
    {"broken-single-valued", ": /objects/0/attributes/GUID: single-valued attribute \"GUID\" holds 2 values"},
    {"broken-not-array", ": /objects/0/attributes/Description: must be a non-empty array of values"},
    {"broken-bad-bytes", ": /objects/0/attributes/GUID/0: must be bytes (\"hex:\", \"base64:\" or \"text:\")"},
    {"broken-integer-range",
        ": /objects/0/attributes/Login Intruder Limit/0: must be an integer from -2147483648 to 2147483647"},
    {"broken-dn-target", ": /objects/1/attributes/Member/0: \"Admin.Acme\" is not an object in the file"},
    {"broken-derived",
        ": /objects/0/attributes/Object Class: \"Object Class\" is derived from \"class\" and "
        "\"auxClasses\""},
    {"broken-postal-lines", ": /objects/0/attributes/Postal Address/0: must be an array of at most 6 strings"},
    {"broken-name-context", ": /defaultNameContext: \"Sales.Acme\" is not an object in the file"},
    {"broken-schema-duplicate", ": /schema/attributes/0/name: \"surname\" is already in the schema"},
    {"broken-schema-syntax", ": /schema/attributes/0/syntax: must be an integer from 0 to 255"},
    {"broken-schema-item", ": /schema/classes/0/optional/1: unknown attribute \"acmeMissing\""},
    {"broken-schema-oid", ": /schema/attributes/0/oid: \"1.2.x\" is not an object identifier of at most 30 bytes"},
};

TEST(LoaderTest, BrokenFiles_NameFilePlaceAndFault)
{
    for (const BrokenCase& c : kBroken) {
        const std::string path = SourcePath(std::string("tests/data/") + c.stem + ".json");
        std::shared_ptr<memory::MemoryDirectory> directory;
        std::string error;
        EXPECT_FALSE(memory::LoadTreeFile(path, &directory, &error)) << c.stem;
        EXPECT_EQ(error, path + c.message);
        EXPECT_FALSE(directory);
    }
}

TEST(LoaderTest, NameLongerThanItsTypedLimit_IsRefused)
{
    const std::string path = SourcePath("tests/data/broken-typed-too-long.json");
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    ASSERT_FALSE(memory::LoadTreeFile(path, &directory, &error));
    EXPECT_EQ(error.rfind(path + ": /objects/9/name: name \"ou09", 0), 0u) << error;
    EXPECT_NE(error.find("is longer than 255 characters in typed form"), std::string::npos);
}

// Snapshots of LDAP and LDIF sources name siblings that share a value under
// different naming attributes by typed components; such files load, and
// every other "=" in a name is refused.
TEST(LoaderTest, TypedNameComponents_LoadAsSnapshotsWriteThem)
{
    const auto tree = [](const std::string& a, const std::string& b) {
        return R"({"format": "veralith-tree/1", "tree": "T", "objects": [{"name": "Acme", "class": "Organization"},
            {"name": ")" +
            a + R"(.Acme", "class": "User"}, {"name": ")" + b + R"(.Acme", "class": "User"}]})";
    };
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    ASSERT_TRUE(memory::LoadTreeText(tree("uid=adm", "cn=adm"), "t.json", &directory, &error)) << error;
    EXPECT_TRUE(directory->NamesCarryTypes());
    ObjectSummary entry;
    EXPECT_EQ(directory->ReadEntry("UID=adm.Acme", &entry), 0);
    EXPECT_EQ(entry.fullName, "uid=adm.Acme");
    EXPECT_EQ(directory->ReadEntry("adm.Acme", &entry), ERR_NO_SUCH_ENTRY);
    // A typed component also names a sibling stored by its value alone.
    ASSERT_TRUE(memory::LoadTreeText(tree("cn=Doe+uid=jdoe1", "bob"), "t.json", &directory, &error)) << error;
    EXPECT_EQ(directory->ReadEntry("CN=bob.Acme", &entry), 0);
    EXPECT_EQ(entry.fullName, "bob.Acme");
    EXPECT_EQ(directory->ReadEntry("cn=doe+UID=jdoe1.Acme", &entry), 0);
    // A tree file of typeless names stays typeless.
    ASSERT_TRUE(memory::LoadTreeText(tree("adm", "bob"), "t.json", &directory, &error)) << error;
    EXPECT_FALSE(directory->NamesCarryTypes());

    const std::string refused =
        " has a component that is neither a value nor typed values (\"uid=adm\", \"cn=Doe+uid=jdoe1\")";
    for (const char* bad : {"=adm", "cn=", "c n=adm", "1cn=adm", "cn=a=b", "cn=a+b", "cn=a+=b"}) {
        EXPECT_FALSE(memory::LoadTreeText(tree(bad, "bob"), "t.json", &directory, &error)) << bad;
        EXPECT_EQ(error, "t.json: /objects/1/name: name \"" + std::string(bad) + ".Acme\"" + refused) << bad;
    }
}

TEST(LoaderTest, MissingFile_SaysSo)
{
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    EXPECT_FALSE(memory::LoadTreeFile("/nonexistent/x.json", &directory, &error));
    EXPECT_EQ(error, "/nonexistent/x.json: cannot open the file: No such file or directory");
    EXPECT_FALSE(memory::LoadTreeFile(SourcePath("tests/data"), &directory, &error));
}

struct ValueCase
{
    const char* attribute;
    const char* json;
    const char* problem; // nullptr: accepted
};

TEST(LoaderTest, ValueShapes_AreCheckedBySyntax)
{
    const ValueCase cases[] = {
        {"GUID", R"("base64:AAE=")", nullptr},
        {"GUID", R"("base64:AA==")", nullptr},
        {"GUID", R"("base64:AAEC")", nullptr},
        {"GUID", R"("base64:AA=E")", "must be bytes (\"hex:\", \"base64:\" or \"text:\")"},
        {"GUID", R"("hex:0")", "must be bytes (\"hex:\", \"base64:\" or \"text:\")"},
        {"GUID", R"("0102")", "must be bytes (\"hex:\", \"base64:\" or \"text:\")"},
        {"GUID", R"("text:a\u0000b")", nullptr},
        {"Login Time", "4294967295", nullptr},
        {"Login Time", "4294967296", "must be an ISO 8601 UTC time (2005-12-31T00:00:00Z) or whole seconds since 1970"},
        {"Login Time", R"("1969-12-31T23:59:59Z")",
            "must be an ISO 8601 UTC time (2005-12-31T00:00:00Z) or whole seconds since 1970"},
        {"Login Time", R"("2004-02-29T12:00:00Z")", nullptr},
        {"Login Disabled", "255", nullptr},
        {"Login Disabled", "256", "must be true, false or an integer from 0 to 255"},
        {"Login Grace Limit", "-2147483648", nullptr},
        {"Login Grace Limit", "1.5", "must be an integer from -2147483648 to 2147483647"},
        {"C", R"("DE")", nullptr},
        {"C", R"("D_")", "must hold only printable-string characters"},
        {"Bindery Type", R"("12 34")", nullptr},
        {"Bindery Type", R"("12a")", "must hold only digits and blanks"},
        {"Language", "[]", "must be a non-empty array of strings"},
        {"Language", R"(["a", 1])", "element 1 must be a string"},
        {"Cross Certificate Pair", R"(["hex:01", "x"])", "element 1 must be bytes"},
        {"Facsimile Telephone Number", R"({"number": "1", "colour": 1})", "unknown member \"colour\""},
        {"EMail Address", R"({"type": 0})", "\"address\" is missing"},
        {"Home Directory", R"({"nameSpace": -1, "volume": "V.A", "path": "p"})",
            "\"nameSpace\" must be from 0 to 4294967295"},
        {"Replica", R"({"server": "S.A", "type": 0, "number": 1, "addresses": [{"type": 1}]})",
            "\"addresses\" element 0: \"address\" is missing"},
        {"ACL", R"({"attribute": "[Entry Rights]", "subject": "", "rights": 1})",
            "\"subject\" must be a name of 1 to 255 characters in typed form"},
        {"Synchronized Up To", R"({"time": 0, "replica": 65536, "event": 0})", "\"replica\" must be from 0 to 65535"},
        {"Back Link", R"({"remoteId": 1, "name": 5})", "\"name\" must be a string"},
        {"Notify", R"({"name": "S.A", "level": 1})", "\"interval\" is missing"},
        {"Server Holds", R"({"name": "A", "amount": 1})", nullptr},
        {"Unknown Value", R"("hex:01")", nullptr},
        {"Unknown Value", R"({"number": 1})", "\"bytes\" is missing"},
        {"Login Script", R"("text:a", "text:b")", "single-valued attribute \"Login Script\" holds 2 values"},
        {"Member", R"(".A")", "name \".A\" must not start with a dot (names in the file are full names)"},
        {"Object Class", R"("Top")", "\"Object Class\" is derived from \"class\" and \"auxClasses\""},
    };
    for (const ValueCase& c : cases) {
        const std::string text = TreeText("VALUES",
            std::string(R"({"name":"A","class":"Organization","attributes":{")") + c.attribute + "\":[" + c.json +
                "]}}");
        std::shared_ptr<memory::MemoryDirectory> directory;
        std::string error;
        const bool ok = memory::LoadTreeText(text, "v.json", &directory, &error);
        if (c.problem == nullptr) {
            EXPECT_TRUE(ok) << c.attribute << " " << c.json << ": " << error;
            continue;
        }
        EXPECT_FALSE(ok) << c.attribute << " " << c.json;
        const std::string where = std::string("v.json: /objects/0/attributes/") + c.attribute;
        EXPECT_TRUE(error == where + "/0: " + c.problem || error == where + ": " + c.problem)
            << c.attribute << " " << c.json << ": " << error;
    }
}

TEST(LoaderTest, EveryPrefixOfAGoodFile_FailsCleanly)
{
    const std::string text = ReadSourceFile("tests/data/all-syntaxes.json");
    ASSERT_FALSE(text.empty());
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    ASSERT_TRUE(memory::LoadTreeText(text, "all.json", &directory, &error)) << error;
    for (std::size_t length = 0; length + 2 < text.size(); ++length) {
        error.clear();
        const std::string prefix = text.substr(0, length); // its own buffer: ASan sees any overread
        EXPECT_FALSE(memory::LoadTreeText(prefix, "all.json", &directory, &error));
        EXPECT_EQ(error.rfind("all.json:", 0), 0u) << length;
    }
}

TEST(LoaderTest, MutatedFiles_NeverCrash)
{
    const std::string text = ReadSourceFile("tests/data/all-syntaxes.json");
    const char replacements[] = {'"', '{', ']', '\\', '\0', '.'};
    int failures = 0;
    for (std::size_t at = 0; at < text.size(); at += 11) {
        for (char r : replacements) {
            std::string mutated = text;
            mutated[at] = r;
            std::shared_ptr<memory::MemoryDirectory> directory;
            std::string error;
            if (!memory::LoadTreeText(mutated, "m.json", &directory, &error)) {
                ++failures;
                EXPECT_FALSE(error.empty());
            }
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(LoaderTest, DocumentedExamples_Load)
{
    // The object and schema examples of the tree-file format.
    const std::string text = R"({
      "format": "veralith-tree/1", "tree": "ACME_TREE", "defaultNameContext": "Sales.Acme",
      "schema": {
        "attributes": [ { "name": "acmeBadge", "syntax": 3, "flags": 1, "oid": "2.16.840.1.113719.9.1.1" } ],
        "classes": [ { "name": "acmeAux", "flags": 32, "oid": "2.16.840.1.113719.9.2.1",
          "superClasses": ["Top"], "containment": [], "naming": [], "mandatory": [], "optional": ["acmeBadge"] } ]
      },
      "objects": [
        { "name": "jsmith.Sales.Acme", "class": "User", "auxClasses": ["acmeAux"],
          "created": "2004-03-01T08:00:00Z", "modified": "2006-11-30T17:45:10Z",
          "attributes": { "Surname": ["Smith"], "Telephone Number": ["+1 555 0101"], "acmeBadge": ["B-7"] } },
        { "name": "Sales.Acme", "class": "Organizational Unit" },
        { "name": "Acme", "class": "Organization" }
      ] })";
    auto directory = LoadTree(text);
    ASSERT_TRUE(directory);
    EXPECT_EQ(directory->TreeName(), "ACME_TREE");
    EXPECT_EQ(directory->DefaultNameContext(), "Sales.Acme");
    ObjectSummary entry;
    ASSERT_EQ(directory->ReadEntry("JSMITH.sales.acme", &entry), 0);
    EXPECT_EQ(entry.fullName, "jsmith.Sales.Acme");
    EXPECT_EQ(entry.creationTime, 1078128000u);
    EXPECT_EQ(entry.modificationTime, 1164908710u);
    EXPECT_EQ(entry.auxClasses, std::vector<std::string> {"acmeAux"});
    EXPECT_EQ(entry.namingTypes, (std::vector<std::string> {"CN", "OU", "O"}));
}

TEST(LoaderTest, BuiltInTrees_Load)
{
    for (const memory::BuiltinTree& tree : memory::BuiltinTrees()) {
        std::shared_ptr<memory::MemoryDirectory> directory;
        std::string error;
        EXPECT_TRUE(memory::LoadTreeText(tree.text, std::string(tree.fileName), &directory, &error)) << error;
    }
    EXPECT_FALSE(memory::BuiltinTrees().empty());
}

} // namespace
} // namespace veralith::client::testing

namespace veralith::client::testing {
namespace {

TEST(LoaderTest, MemberOrder_DoesNotMatter)
{
    const std::string objects = R"([{"name":"Acme","class":"Organization","attributes":{"acmeBadge":["B-1"]}},
        {"name":"x\u0041.Acme","class":"User","attributes":{"See Also":["Acme"]}}])";
    const std::string schema = R"({"attributes":[{"name":"acmeBadge","syntax":3}]})";
    const std::string forward = R"({"format":"veralith-tree/1","tree":"T","schema":)" + schema + R"(,"objects":)" +
        objects + R"(,"defaultNameContext":"Acme"})";
    const std::string backward = R"({"defaultNameContext":"Acme","objects":)" + objects + R"(,"schema":)" + schema +
        R"(,"tree":"T","format":"veralith-tree/1"})";
    for (const std::string& text : {forward, backward}) {
        auto directory = LoadTree(text);
        ASSERT_TRUE(directory);
        EXPECT_EQ(directory->DefaultNameContext(), "Acme");
        ObjectSummary entry;
        ASSERT_EQ(directory->ReadEntry("xA.Acme", &entry), 0);
        std::vector<std::string> names {"acmeBadge"};
        std::vector<AttributeData> attributes;
        ASSERT_EQ(directory->ReadAttributes("Acme", &names, &attributes), 0);
        ASSERT_EQ(attributes.size(), 1u);
        EXPECT_EQ(attributes[0].values, std::vector<std::string> {"B-1"});
    }
    // A fault in an object is found whichever order the members have.
    std::string error;
    std::shared_ptr<memory::MemoryDirectory> directory;
    const std::string late = R"({"objects":[{"name":"A","class":"Nope"}],"format":"veralith-tree/1","tree":"T"})";
    EXPECT_FALSE(memory::LoadTreeText(late, "late.json", &directory, &error));
    EXPECT_EQ(error, "late.json: /objects/0/class: unknown class \"Nope\"");
    const std::string early = R"({"format":"veralith-tree/1","tree":"T","objects":[{"name":"A","class":"Nope"}]})";
    EXPECT_FALSE(memory::LoadTreeText(early, "early.json", &directory, &error));
    EXPECT_EQ(error, "early.json: /objects/0/class: unknown class \"Nope\"");
}

} // namespace
} // namespace veralith::client::testing
