// Contexts, name resolution, DirNameConvert, entry information and aliases.

#include "client/name_syntax.h"
#include "client/names.h"
#include "client_fixture.h"

#include <cstring>

namespace veralith::client::testing {
namespace {

const char* const kObjects = R"(
  {"name":"Acme","class":"Organization"},
  {"name":"Sales.Acme","class":"Organizational Unit"},
  {"name":"jsmith.Sales.Acme","class":"User","created":"2004-03-01T08:00:00Z","modified":1164908710,
   "attributes":{"Surname":["Smith"]}},
  {"name":"Bob.Acme","class":"User","attributes":{"Surname":["Builder"]}},
  {"name":"JohnAlias.Acme","class":"Alias","attributes":{"Aliased Object Name":["JSMITH.sales.acme"]}},
  {"name":"DE","class":"Country"},
  {"name":"Berlin.DE","class":"Locality"})";

class NamesTest : public ClientTest
{
protected:
    void SetUp() override { Start(TreeText("NAMES", kObjects, R"("defaultNameContext": "sales.ACME",)")); }
    void SetNameContext(const char* name) { ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, name), 0); }
};

TEST_F(NamesTest, NewContext_HasDefaultsOfItsTree)
{
    std::uint32_t flags = 0;
    ASSERT_EQ(DirGetContext(Context(), DCK_FLAGS, &flags), 0);
    EXPECT_EQ(flags, DCV_DEREF_ALIASES | DCV_XLATE_STRINGS | DCV_CANONICALIZE_NAMES);
    EXPECT_EQ(ContextText(DCK_TREE_NAME), "NAMES");
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "OU=Sales.O=Acme"); // the directory's spelling
    char text[kNameBufferSize];
    ASSERT_EQ(DirGetDefaultNameContext(Context(), sizeof text, text), 0);
    EXPECT_STREQ(text, "Sales.Acme");
}

TEST_F(NamesTest, TreeWithoutDefault_StartsAtRoot)
{
    m_context.reset();
    Start(TreeText("PLAIN", kObjects));
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "[Root]");
    char text[kNameBufferSize] = "x";
    ASSERT_EQ(DirGetDefaultNameContext(Context(), sizeof text, text), 0);
    EXPECT_STREQ(text, "");
}

TEST_F(NamesTest, ContextKeys_RoundTripAndCopy)
{
    const std::uint32_t confidence = 0;
    const std::uint32_t mask = DSI_DN | DSI_CREATION_TIME;
    ASSERT_EQ(DirSetContext(Context(), DCK_CONFIDENCE, &confidence), 0);
    ASSERT_EQ(DirSetContext(Context(), DCK_DSI_FLAGS, &mask), 0);
    SetFlags(DCV_TYPELESS_NAMES);
    SetNameContext("CN=Berlin.de");
    ScopedContext copy;
    ASSERT_EQ(DirDuplicateContext(Context(), copy.Out()), 0);
    ScopedContext opened(DirOpenContext(Context()));
    ASSERT_TRUE(opened.Valid());
    for (DirContext c : {copy.get(), opened.get()}) {
        std::uint32_t value = 0;
        ASSERT_EQ(DirGetContext(c, DCK_DSI_FLAGS, &value), 0);
        EXPECT_EQ(value, mask);
        ASSERT_EQ(DirGetContext(c, DCK_FLAGS, &value), 0);
        EXPECT_EQ(value, DCV_TYPELESS_NAMES);
        char text[kNameBufferSize];
        ASSERT_EQ(DirGetContext(c, DCK_NAME_CONTEXT, text), 0);
        EXPECT_STREQ(text, "Berlin.de");
        ASSERT_EQ(DirGetContext(c, DCK_TREE_NAME, text), 0);
        EXPECT_STREQ(text, "NAMES");
    }
    // The copies are independent of the original.
    SetNameContext("[Root]");
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "[Root]");
    char text[kNameBufferSize];
    ASSERT_EQ(DirGetContext(copy.get(), DCK_NAME_CONTEXT, text), 0);
    EXPECT_STREQ(text, "Berlin.de");
}

TEST_F(NamesTest, NameContext_ReadsBackInTheFormOfTheFlagsAtReadTime)
{
    SetNameContext(".OU=Sales.acme"); // mixed, with a leading dot
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "OU=Sales.O=acme");
    SetFlags(DCV_TYPELESS_NAMES);
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "Sales.acme");
    SetNameContext("[Root]");
    SetFlags(0);
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "[Root]");
}

TEST_F(NamesTest, BadKeysAndNames_AreRefusedWithoutChange)
{
    std::uint32_t value = 0;
    EXPECT_EQ(DirGetContext(Context(), 99, &value), ERR_BAD_KEY);
    EXPECT_EQ(DirSetContext(Context(), 7, &value), ERR_BAD_KEY);
    for (const char* bad : {"a..b", "", "x.", ".", "[Root].x"}) {
        EXPECT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, bad), ERR_INVALID_OBJECT_NAME) << bad;
    }
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "OU=Sales.O=Acme");
    EXPECT_EQ(DirSetContext(Context(), DCK_TREE_NAME, "NO_SUCH_TREE"), ERR_UNREACHABLE_SERVER);
    EXPECT_EQ(ContextText(DCK_TREE_NAME), "NAMES");
}

TEST_F(NamesTest, TreeSwitch_IgnoresCaseAndResetsTheNameContext)
{
    SetNameContext("DE");
    ASSERT_EQ(DirSetContext(Context(), DCK_TREE_NAME, "names"), 0);
    EXPECT_EQ(ContextText(DCK_TREE_NAME), "NAMES");
    EXPECT_EQ(ContextText(DCK_NAME_CONTEXT), "OU=Sales.O=Acme");
}

TEST_F(NamesTest, FreedContext_IsAnInvalidHandleEverywhere)
{
    const DirContext freed = m_context.release();
    ASSERT_EQ(DirFreeContext(freed), 0);
    std::uint32_t value = 0;
    EXPECT_EQ(DirFreeContext(freed), ERR_INVALID_HANDLE);
    EXPECT_EQ(DirGetContext(freed, DCK_FLAGS, &value), ERR_INVALID_HANDLE);
    EXPECT_EQ(DirSetContext(freed, DCK_FLAGS, &value), ERR_INVALID_HANDLE);
    DirContext copy = 42;
    EXPECT_EQ(DirDuplicateContext(freed, &copy), ERR_INVALID_HANDLE);
    EXPECT_EQ(copy, 42u);
    EXPECT_EQ(DirOpenContext(freed), kNoContext);
    char text[kNameBufferSize];
    EXPECT_EQ(DirNameConvert(freed, "x", text), ERR_INVALID_HANDLE);
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    EXPECT_EQ(DirList(freed, "[Root]", &iteration, reply.get()), ERR_INVALID_HANDLE);
    EXPECT_EQ(iteration, -1);
}

struct ConvertCase
{
    const char* nameContext;
    std::uint32_t flags;
    const char* name;
    DirResult result;
    const char* full;
};

TEST_F(NamesTest, NameConvert_ResolvesAgainstTheNameContext)
{
    const std::uint32_t typeless = DCV_TYPELESS_NAMES;
    const ConvertCase cases[] = {
        {"Sales.Acme", typeless, "jsmith", 0, "jsmith.Sales.Acme"},
        {"Sales.Acme", typeless, "Bob.", 0, "Bob.Acme"},
        {"Sales.Acme", typeless, "Top..", 0, "Top"},
        {"Sales.Acme", typeless, ".Bob.Acme", 0, "Bob.Acme"},
        {"Sales.Acme", typeless, "CN=jsmith", 0, "jsmith.Sales.Acme"},
        {"Sales.Acme", typeless, "", 0, "Sales.Acme"},
        {"Sales.Acme", 0, "jsmith", 0, "CN=jsmith.OU=Sales.O=Acme"},
        {"Sales.Acme", 0, "nobody", 0, "CN=nobody.OU=Sales.O=Acme"}, // never looked up
        {"Sales.Acme", 0, "L=Mitte.", 0, "L=Mitte.O=Acme"},
        {"[Root]", 0, "Berlin.DE", 0, "L=Berlin.C=DE"},
        {"[Root]", typeless, "Acme", 0, "Acme"},
        {"[Root]", typeless, "[Root]", 0, "[Root]"},
        {"Sales.Acme", typeless, "Bob...", ERR_INVALID_OBJECT_NAME, nullptr},
        {"[Root]", typeless, "Bob.", ERR_INVALID_OBJECT_NAME, nullptr},
        {"Sales.Acme", typeless, "a..b", ERR_INVALID_OBJECT_NAME, nullptr},
        {"Sales.Acme", typeless, ".", ERR_INVALID_OBJECT_NAME, nullptr},
        {"Sales.Acme", typeless, ".x.", ERR_INVALID_OBJECT_NAME, nullptr},
        {"Sales.Acme", typeless, "CN=", ERR_INVALID_OBJECT_NAME, nullptr},
    };
    for (const ConvertCase& c : cases) {
        SetNameContext(c.nameContext);
        SetFlags(c.flags);
        char full[kNameBufferSize] = "untouched";
        EXPECT_EQ(DirNameConvert(Context(), c.name, full), c.result) << c.name;
        EXPECT_STREQ(full, c.full != nullptr ? c.full : "untouched") << c.name;
    }
}

TEST_F(NamesTest, NameConvert_RefusesComponentsAndNamesOverTheLimits)
{
    SetFlags(DCV_TYPELESS_NAMES);
    char full[kNameBufferSize];
    const std::string longComponent(65, 'a');
    EXPECT_EQ(DirNameConvert(Context(), longComponent.c_str(), full), ERR_INVALID_OBJECT_NAME);
    std::string longName;
    for (int i = 0; i < 30; ++i) {
        longName += "abcdefgh.";
    }
    longName += "x";
    EXPECT_EQ(DirNameConvert(Context(), longName.c_str(), full), ERR_INVALID_OBJECT_NAME);
    const std::string fits = std::string(64, 'b') + ".";
    EXPECT_EQ(DirNameConvert(Context(), fits.c_str(), full), 0);
    EXPECT_EQ(std::string(full), std::string(64, 'b') + ".Acme");
}

TEST_F(NamesTest, EntryInfo_WritesTheFieldsOfTheMask)
{
    const std::uint32_t mask =
        DSI_MODIFICATION_TIME | DSI_CREATION_TIME | DSI_BASE_CLASS | DSI_RDN | DSI_DN | DSI_PARENT_DN;
    ASSERT_EQ(DirSetContext(Context(), DCK_DSI_FLAGS, &mask), 0);
    std::vector<std::uint8_t> block(kSmallBufferSize);
    ASSERT_EQ(DirReadEntryInfo(Context(), "jsmith", block.size(), block.data()), 0);
    // Time fields write exactly four bytes.
    std::uint8_t time[8];
    std::memset(time, 0xAB, sizeof time);
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), 2, DSI_CREATION_TIME, time), 0);
    std::uint32_t seconds = 0;
    std::memcpy(&seconds, time, 4);
    EXPECT_EQ(seconds, 1078128000u);
    EXPECT_EQ(time[4], 0xAB);
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), 4, DSI_MODIFICATION_TIME, &seconds), 0);
    EXPECT_EQ(seconds, 1164908710u);
    const std::pair<std::uint32_t, const char*> texts[] = {
        {DSI_BASE_CLASS, "User"},
        {DSI_RDN, "CN=jsmith"},
        {DSI_DN, "CN=jsmith.OU=Sales.O=Acme"},
        {DSI_PARENT_DN, "OU=Sales.O=Acme"},
    };
    for (const auto& [field, expected] : texts) {
        char text[kNameBufferSize] = {};
        ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, field, text), 0) << field;
        EXPECT_STREQ(text, expected);
    }
    char small[4] = "abc";
    EXPECT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof small, DSI_DN, small), ERR_BUFFER_FULL);
    EXPECT_STREQ(small, "abc");
}

TEST_F(NamesTest, EntryInfo_TypelessTopLevelAndMissingFields)
{
    SetFlags(DCV_TYPELESS_NAMES);
    const std::uint32_t mask = DSI_PARENT_DN | DSI_DN;
    ASSERT_EQ(DirSetContext(Context(), DCK_DSI_FLAGS, &mask), 0);
    std::vector<std::uint8_t> block(kSmallBufferSize);
    ASSERT_EQ(DirReadEntryInfo(Context(), ".DE", block.size(), block.data()), 0);
    char text[kNameBufferSize] = {};
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, DSI_PARENT_DN, text), 0);
    EXPECT_STREQ(text, "[Root]");
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, DSI_DN, text), 0);
    EXPECT_STREQ(text, "DE");
    std::uint32_t seconds = 7;
    EXPECT_EQ(DirGetEntryInfoField(Context(), block.data(), 4, DSI_CREATION_TIME, &seconds), ERR_BUFFER_EMPTY);
    EXPECT_EQ(seconds, 7u);
    EXPECT_EQ(DirReadEntryInfo(Context(), "nobody", block.size(), block.data()), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(DirReadEntryInfo(Context(), "a..b", block.size(), block.data()), ERR_INVALID_OBJECT_NAME);
}

TEST_F(NamesTest, Alias_IsFollowedOnlyWithFlag0x01)
{
    SetNameContext("[Root]");
    SetFlags(DCV_DEREF_ALIASES | DCV_TYPELESS_NAMES);
    EXPECT_EQ(ReadTexts(Context(), "JohnAlias.Acme", "Surname"), std::vector<std::string> {"Smith"});
    const std::uint32_t mask = DSI_BASE_CLASS;
    ASSERT_EQ(DirSetContext(Context(), DCK_DSI_FLAGS, &mask), 0);
    std::vector<std::uint8_t> block(kSmallBufferSize);
    char text[kNameBufferSize] = {};
    ASSERT_EQ(DirReadEntryInfo(Context(), "JohnAlias.Acme", block.size(), block.data()), 0);
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, DSI_BASE_CLASS, text), 0);
    EXPECT_STREQ(text, "User");

    SetFlags(DCV_TYPELESS_NAMES);
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), "JohnAlias.Acme", "Surname", &values), ERR_NO_SUCH_ATTRIBUTE);
    // The alias's own attribute, in the directory's spelling of the target.
    EXPECT_EQ(
        ReadTexts(Context(), "JohnAlias.Acme", "Aliased Object Name"), std::vector<std::string> {"jsmith.Sales.Acme"});
    ASSERT_EQ(DirReadEntryInfo(Context(), "JohnAlias.Acme", block.size(), block.data()), 0);
    ASSERT_EQ(DirGetEntryInfoField(Context(), block.data(), sizeof text, DSI_BASE_CLASS, text), 0);
    EXPECT_STREQ(text, "Alias");
}

TEST_F(NamesTest, DeliveredNames_AreRelativeBelowTheNameContext)
{
    SetFlags(DCV_TYPELESS_NAMES);
    SetNameContext("Acme");
    // An object below the name context, and one outside it.
    EXPECT_EQ(ReadTexts(Context(), "JohnAlias", "Aliased Object Name"), std::vector<std::string> {"jsmith.Sales"});
    SetNameContext("Berlin.DE");
    EXPECT_EQ(ReadTexts(Context(), ".JohnAlias.Acme", "Aliased Object Name"),
        std::vector<std::string> {".jsmith.Sales.Acme"});
    SetFlags(0);
    EXPECT_EQ(ReadTexts(Context(), ".JohnAlias.Acme", "Aliased Object Name"),
        std::vector<std::string> {".CN=jsmith.OU=Sales.O=Acme"});
}

} // namespace
} // namespace veralith::client::testing

namespace veralith::client::testing {
namespace {

// Splitting at unescaped separators: a backslash always takes the character
// after it into its component.
TEST(NameSyntaxTest, SplitsOnlyAtUnescapedSeparators)
{
    const struct
    {
        const char* text;
        std::vector<std::string> parts;
    } kRows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a.b.c", {"a", "b", "c"}},
        {"john\\.doe.People", {"john\\.doe", "People"}},
        {"a\\\\.b", {"a\\\\", "b"}},
        {"a\\\\\\.b", {"a\\\\\\.b"}},
        {"St\\.Louis\\.", {"St\\.Louis\\."}},
        {"a..b", {"a", "", "b"}},
        {"x.", {"x", ""}},
    };
    for (const auto& row : kRows) {
        std::vector<std::string> parts;
        for (const std::string_view part : SplitUnescaped(row.text, '.')) {
            parts.emplace_back(part);
        }
        EXPECT_EQ(parts, row.parts) << row.text;
        EXPECT_EQ(CountUnescaped(row.text, '.'), row.parts.empty() ? 0 : row.parts.size() - 1) << row.text;
    }
}

// A name written plainly is its own full name without parsing; the shortcut
// must give exactly what parsing, resolving and joining give, and be taken
// only where it may.
TEST(NameSyntaxTest, PlainNamesResolveAsParsedNamesDo)
{
    const std::string longComponent(kMaxRdnChars + 1, 'x');
    const std::string longestComponent(kMaxRdnChars, 'x');
    std::string longName = "a";
    while (longName.size() <= kMaxNameChars) {
        longName += ".a";
    }
    const struct
    {
        std::string text;
        bool plainFromRoot; // the shortcut applies with the root as name context
        bool plainElsewhere; // and with another name context
    } kRows[] = {
        {"u0000082.Legal.Acme", true, false},
        {".u0000082.Legal.Acme", true, true},
        {"Doe+jdoe.R&D.corp.example.com", true, false},
        {"Запад.東京.Ünits, Berlin", true, false},
        {"St.Louis", true, false},
        {longestComponent + ".Acme", true, false},
        {"john\\.doe.People", false, false},
        {"cn=adm.Units.Acme", false, false},
        {".uid=adm.Units.Acme", false, false},
        {"a..b", false, false},
        {"Sales.", false, false},
        {".", false, false},
        {"", false, false},
        {"[Root]", false, false},
        {"[Public].Acme", false, false},
        {longComponent + ".Acme", false, false},
        {longName, false, false},
    };
    const std::vector<NameComponent> elsewhere = SplitTypeless("Sales.Acme");
    for (const auto& row : kRows) {
        for (const bool fromRoot : {true, false}) {
            std::string_view plain;
            const bool taken = PlainFullName(row.text, fromRoot, &plain);
            EXPECT_EQ(taken, fromRoot ? row.plainFromRoot : row.plainElsewhere) << row.text << " " << fromRoot;
            if (!taken) {
                continue;
            }
            ParsedName parsed;
            ASSERT_EQ(ParseName(row.text, &parsed), 0) << row.text;
            std::vector<NameComponent> full;
            ASSERT_EQ(ResolveName(parsed, fromRoot ? std::vector<NameComponent> {} : elsewhere, &full), 0);
            EXPECT_EQ(plain, JoinTypeless(full, true)) << row.text;
            EXPECT_EQ(plain, JoinTypeless(full, false)) << row.text;
        }
    }
}

// Escaping and unescaping are each other's inverse for every value, and only
// the four characters a name gives a meaning are escaped.
TEST(NameSyntaxTest, EscapesRoundTrip)
{
    const struct
    {
        const char* value;
        const char* written;
    } kRows[] = {
        {"plain", "plain"},
        {"john.doe", "john\\.doe"},
        {"a=b", "a\\=b"},
        {"C++", "C\\+\\+"},
        {"back\\slash", "back\\\\slash"},
        {".=+\\", "\\.\\=\\+\\\\"},
        {"Zoë Müller, Jr.", "Zoë Müller, Jr\\."},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(EscapeNameValue(row.value), row.written) << row.value;
        EXPECT_EQ(UnescapeNameValue(row.written), row.value) << row.written;
        EXPECT_TRUE(EscapesComplete(row.written)) << row.written;
        EXPECT_EQ(SplitUnescaped(row.written, '.').size(), 1u) << row.written;
    }
    EXPECT_FALSE(EscapesComplete("trailing\\"));
    EXPECT_FALSE(EscapesComplete("a\\\\\\"));
}

// A tree whose names hold escaped dots and equals signs: listed, read,
// converted and used as name contexts with the escapes kept, each component
// counted once.
const char* const kEscapedObjects = R"(
  {"name":"Acme","class":"Organization"},
  {"name":"St\\.Louis.Acme","class":"Organizational Unit"},
  {"name":"john\\.doe.St\\.Louis.Acme","class":"User","attributes":{"Surname":["Doe"]}},
  {"name":"doe.St\\.Louis.Acme","class":"User","attributes":{"Surname":["Plain"]}},
  {"name":"a\\=b\\\\c.St\\.Louis.Acme","class":"User","attributes":{"Surname":["Equals"]}},
  {"name":"Louis.Acme","class":"Organizational Unit"})";

class EscapedNamesTest : public ClientTest
{
protected:
    void SetUp() override
    {
        Start(TreeText("ESCAPED", kEscapedObjects));
        SetFlags(DCV_TYPELESS_NAMES);
    }
};

TEST_F(EscapedNamesTest, EscapedNamesReachTheirObjects)
{
    EXPECT_EQ(ListNames(Context(), ".St\\.Louis.Acme", kLargeBufferSize, false),
        std::vector<std::string>({"a\\=b\\\\c.St\\.Louis.Acme", "doe.St\\.Louis.Acme", "john\\.doe.St\\.Louis.Acme"}));
    const struct
    {
        const char* context;
        const char* name;
        DirResult result;
        std::vector<std::string> surname;
    } kReads[] = {
        {"[Root]", "john\\.doe.St\\.Louis.Acme", 0, {"Doe"}},
        {"[Root]", ".doe.St\\.Louis.Acme", 0, {"Plain"}},
        {"[Root]", "a\\=b\\\\c.St\\.Louis.Acme", 0, {"Equals"}},
        {"St\\.Louis.Acme", "john\\.doe", 0, {"Doe"}},
        {"john\\.doe.St\\.Louis.Acme", "doe.", 0, {"Plain"}},
        {"[Root]", "john.doe.St\\.Louis.Acme", ERR_NO_SUCH_ENTRY, {}},
        {"[Root]", "john\\.doe.St.Louis.Acme", ERR_NO_SUCH_ENTRY, {}},
        {"[Root]", "john\\.doe.St\\.Louis.Acme\\", ERR_INVALID_OBJECT_NAME, {}},
    };
    for (const auto& row : kReads) {
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, row.context), 0) << row.context;
        std::vector<ReadValue> values;
        EXPECT_EQ(ReadValues(Context(), row.name, "Surname", &values), row.result) << row.name;
        std::vector<std::string> texts;
        for (const ReadValue& value : values) {
            texts.push_back(value.Text());
        }
        EXPECT_EQ(texts, row.surname) << row.context << " / " << row.name;
    }
}

TEST_F(EscapedNamesTest, ConvertedAndDeliveredNamesKeepTheEscapes)
{
    const struct
    {
        const char* context;
        const char* name;
        const char* full;
    } kRows[] = {
        {"St\\.Louis.Acme", "john\\.doe", "john\\.doe.St\\.Louis.Acme"},
        {"john\\.doe.St\\.Louis.Acme", "x.", "x.St\\.Louis.Acme"},
        {"john\\.doe.St\\.Louis.Acme", "x..", "x.Acme"},
        {"[Root]", "a\\.", "a\\."},
        {"[Root]", "CN=a\\=b\\\\c.St\\.Louis.Acme", "a\\=b\\\\c.St\\.Louis.Acme"},
    };
    for (const auto& row : kRows) {
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, row.context), 0) << row.context;
        char full[kNameBufferSize] = {};
        ASSERT_EQ(DirNameConvert(Context(), row.name, full), 0) << row.name;
        EXPECT_STREQ(full, row.full) << row.context << " / " << row.name;
    }
    for (const char* bad : {"x\\", "a.b\\"}) {
        char full[kNameBufferSize] = {};
        EXPECT_EQ(DirNameConvert(Context(), bad, full), ERR_INVALID_OBJECT_NAME) << bad;
    }
    // A name context drops exactly its own components: "St\.Louis" is no
    // child of "Louis".
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "Louis.Acme"), 0);
    EXPECT_EQ(ListNames(Context(), ".Acme", kLargeBufferSize, false),
        std::vector<std::string>({".Louis.Acme", ".St\\.Louis.Acme"}));
}

} // namespace
} // namespace veralith::client::testing
