#include "directory/names.h"
#include "directory/startup.h"
#include "tests/directory/fixture.h"

#include <cmath>

namespace veralith::directory {
namespace {

struct NameRow
{
    const char* input;
    const char* expected;
};

TEST(NameFormsTest, WithLeadingDot)
{
    const NameRow rows[] = {
        {"[Root]", "[Root]"},
        {"[This]", "[This]"},
        {"[Public]", "[Public]"},
        {"[Supervisor]", "[Supervisor]"},
        {".Corp", ".Corp"},
        {"Corp", ".Corp"},
        {"", ""},
        {"[root]", ".[root]"}, // other letter case is not special
        {"[ROOT]", ".[ROOT]"},
        {"Staff.Sales.Corp", ".Staff.Sales.Corp"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(WithLeadingDot(row.input), row.expected) << row.input;
    }
}

TEST(NameFormsTest, WithoutLeadingDotDropsOneDotOnly)
{
    const NameRow rows[] = {
        {"..Corp", ".Corp"},
        {".Corp", "Corp"},
        {"Corp", "Corp"},
        {"", ""},
        {".", ""},
        {"[Root]", "[Root]"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(WithoutLeadingDot(row.input), row.expected) << row.input;
    }
}

struct JoinRow
{
    const char* current;
    const char* entry;
    const char* expected;
};

TEST(NameFormsTest, JoinContainerName)
{
    const JoinRow rows[] = {
        {".Sales.Corp", ".", ".Sales.Corp"},
        {".Sales.Corp", "", ".Sales.Corp"},
        {".Staff.Sales.Corp", "[ .. ]", "Sales.Corp"},
        {".Staff.Sales.Corp", "..", "Sales.Corp"},
        {".Corp", "..", "[Root]"},
        {".Corp", "[ .. ]", "[Root]"},
        {"...Staff.Sales.Corp", "..", "Sales.Corp"},
        {"Sales.Corp", "..", "Corp"},
        {"[Root]", "..", "[Root]"},
        {"[Root]", "Corp", ".Corp"},
        {"", "Corp", ".Corp"},
        {".Sales.Corp", "Staff", ".Staff.Sales.Corp"},
        {"Sales.Corp", "Staff", "Staff.Sales.Corp"},
        {".Sales.Corp", ".Other", ".Other"},
        {"[Root]", "[Root]", "[Root]"},
        {".john\\.doe.St\\.Louis.Acme", "[ .. ]", "St\\.Louis.Acme"},
        {".St\\.Louis.Acme", "..", "Acme"},
        {".example\\.com", "..", "[Root]"},
        {".St\\.Louis.Acme", "john\\.doe", ".john\\.doe.St\\.Louis.Acme"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(JoinContainerName(row.current, row.entry), row.expected) << row.current << " + " << row.entry;
    }
}

TEST(NameFormsTest, IsSpecialNameIsCaseSensitive)
{
    EXPECT_TRUE(IsSpecialName("[Root]"));
    EXPECT_TRUE(IsSpecialName("[Supervisor]"));
    EXPECT_FALSE(IsSpecialName("[root]"));
    EXPECT_FALSE(IsSpecialName("[Root] "));
    EXPECT_FALSE(IsSpecialName(""));
}

TEST(NameFormsTest, DottedFromCommaName)
{
    const NameRow rows[] = {
        {"cn=Admin,ou=Sales,o=Corp", "Admin.Sales.Corp"},
        {"CN=Admin,OU=Sales,O=Corp", "Admin.Sales.Corp"},
        {"cn=Admin,o=Corp,c=US", "Admin.Corp.c=US"},
        {"cn=Admin,O=Branch,C=US", "Admin.Branch.c=US"},
        {"cn=Admin", "Admin"},
        {"", ""},
        {"cn=a,b", "a.b"},
        // Only the prefixes go; "o=" inside a component goes too, as the
        // replacements match anywhere.
        {"cn=Foo=Bar,o=Corp", "FoBar.Corp"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DottedFromCommaName(row.input), row.expected) << row.input;
    }
}

class ContextNamesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testing::StartClient(testing::StandardSources());
        m_context = testing::CreateContext();
    }
    client::ScopedContext m_context;
};

TEST_F(ContextNamesTest, ReadContextTextRemovesOnlyTheFirstUpperCaseCN)
{
    ASSERT_EQ(SetNameContext(m_context.get(), "Staff.Sales.Corp"), 0);
    // Typed names: the client writes CN=/OU=/O= prefixes when flag 4 is clear.
    std::uint32_t flags = 0;
    client::DirGetContext(m_context.get(), client::DCK_FLAGS, &flags);
    flags &= ~client::DCV_TYPELESS_NAMES;
    client::DirSetContext(m_context.get(), client::DCK_FLAGS, &flags);
    EXPECT_EQ(ReadNameContext(m_context.get()), "OU=Staff.OU=Sales.O=Corp");

    // A name context holding a user, typed: only the first "CN=" goes.
    ASSERT_EQ(client::DirSetContext(m_context.get(), client::DCK_NAME_CONTEXT, "jsmith.Sales.Corp"), 0);
    EXPECT_EQ(ReadNameContext(m_context.get()), "jsmith.OU=Sales.O=Corp");
}

TEST_F(ContextNamesTest, ReadContextTextOfABadKeyOrContextIsEmpty)
{
    EXPECT_EQ(ReadContextText(m_context.get(), 99), "");
    EXPECT_EQ(ReadTreeName(0xBADBAD), "");
    EXPECT_EQ(ReadTreeName(m_context.get()), "Test_Tree");
}

TEST_F(ContextNamesTest, ConvertNameResolvesAgainstTheNameContextOrKeepsTheName)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(SetNameContext(m_context.get(), ".Sales.Corp"), 0);
    EXPECT_EQ(ConvertName(m_context.get(), "jsmith"), "jsmith.Sales.Corp");
    EXPECT_EQ(ConvertName(m_context.get(), ".Admin.Corp"), "Admin.Corp");
    EXPECT_EQ(ConvertName(0xBADBAD, "jsmith"), "jsmith");
}

TEST_F(ContextNamesTest, ChangeTreeSetsTheDefaultNameContextOrRoot)
{
    ASSERT_EQ(DSChangeCurrentTree(m_context.get(), "Other-Tree"), 0);
    EXPECT_EQ(ReadTreeName(m_context.get()), "Other-Tree");
    EXPECT_EQ(ReadNameContext(m_context.get()), "[Root]");

    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(DSChangeCurrentTree(m_context.get(), "Test_Tree"), 0);
    EXPECT_EQ(ReadTreeName(m_context.get()), "Test_Tree");
    EXPECT_EQ(ReadNameContext(m_context.get()), "Sales.Corp");
}

TEST_F(ContextNamesTest, SameTreeInOtherLetterCaseSendsNoTreeChange)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    const auto before = client::GetClientCallCount();
    ASSERT_EQ(SetTreeAndNameContext(m_context.get(), "TEST_tree", "Staff.Sales.Corp"), 0);
    // Reading the tree name and writing the name context: no third call.
    EXPECT_EQ(client::GetClientCallCount() - before, 2u);
    EXPECT_EQ(ReadTreeName(m_context.get()), "Test_Tree");
    EXPECT_EQ(ReadNameContext(m_context.get()), "Staff.Sales.Corp");
}

TEST_F(ContextNamesTest, FailedTreeChangeLeavesTheNameContext)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(SetNameContext(m_context.get(), "Staff.Sales.Corp"), 0);
    EXPECT_EQ(DSChangeCurrentTree(m_context.get(), "NO_SUCH_TREE"), client::ERR_UNREACHABLE_SERVER);
    EXPECT_EQ(ReadTreeName(m_context.get()), "Test_Tree");
    EXPECT_EQ(ReadNameContext(m_context.get()), "Staff.Sales.Corp");
}

TEST_F(ContextNamesTest, SetNameContextAcceptsFullNamesAndRoot)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(SetNameContext(m_context.get(), ".Staff.Sales.Corp"), 0);
    EXPECT_EQ(ReadNameContext(m_context.get()), "Staff.Sales.Corp");
    ASSERT_EQ(SetNameContextRoot(m_context.get()), 0);
    EXPECT_EQ(ReadNameContext(m_context.get()), "[Root]");
}

TEST_F(ContextNamesTest, NavigatingUpWithDotDotReachesRoot)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    std::string current = ".Team.Staff.Sales.Corp";
    ASSERT_EQ(SetNameContext(m_context.get(), current), 0);
    std::vector<std::string> seen;
    for (int step = 0; step < 6 && current != "[Root]"; ++step) {
        ASSERT_EQ(SetNameContext(m_context.get(), JoinContainerName(current, "[ .. ]")), 0);
        current = WithLeadingDot(ReadNameContext(m_context.get()));
        seen.push_back(current);
    }
    EXPECT_EQ(seen, (std::vector<std::string> {".Staff.Sales.Corp", ".Sales.Corp", ".Corp", "[Root]"}));
    // And down again from the root.
    ASSERT_EQ(SetNameContext(m_context.get(), JoinContainerName(current, "Corp")), 0);
    EXPECT_EQ(ReadNameContext(m_context.get()), "Corp");
}

TEST_F(ContextNamesTest, EntryInformationTexts)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(SetNameContext(m_context.get(), "Sales.Corp"), 0);
    EXPECT_EQ(ReadObjectFullName(m_context.get(), "jsmith"), ".jsmith.Sales.Corp");
    EXPECT_EQ(ReadObjectRelativeName(m_context.get(), "jsmith"), "jsmith");
    EXPECT_EQ(ReadObjectBaseClass(m_context.get(), "jsmith"), "User");
    EXPECT_EQ(ReadObjectParentName(m_context.get(), "jsmith"), ".Sales.Corp");
    EXPECT_EQ(ReadObjectBaseClass(m_context.get(), ".Staff.Sales.Corp"), "Organizational Unit");
    // The caller's context is left as it was.
    EXPECT_EQ(ReadNameContext(m_context.get()), "Sales.Corp");
}

TEST_F(ContextNamesTest, FullNameIsAnsweredWithoutReadingTheDirectory)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(SetNameContext(m_context.get(), "Sales.Corp"), 0);
    EXPECT_EQ(ReadObjectFullName(m_context.get(), "nobody"), ".nobody.Sales.Corp");
    EXPECT_EQ(ReadObjectBaseClass(m_context.get(), "nobody"), "");
    EXPECT_EQ(ReadObjectParentName(m_context.get(), "nobody"), "");
}

TEST_F(ContextNamesTest, EntryInformationTimes)
{
    ASSERT_EQ(SetNameContext(m_context.get(), "Sales.Corp"), 0);
    // 2004-03-01T08:00:00Z is 1078128000 seconds: day 38047 plus 8 hours.
    EXPECT_DOUBLE_EQ(ReadObjectCreationTime(m_context.get(), "jsmith"), 1078128000.0 / 86400.0 + 25569.0);
    EXPECT_DOUBLE_EQ(ReadObjectModificationTime(m_context.get(), "jsmith"), 1164908710.0 / 86400.0 + 25569.0);
    // A field of 0 and a failure look alike.
    EXPECT_EQ(ReadObjectCreationTime(m_context.get(), "nodate"), 0.0);
    EXPECT_EQ(ReadObjectCreationTime(m_context.get(), "nobody"), 0.0);
    EXPECT_EQ(ReadObjectModificationTime(0xBADBAD, "jsmith"), 0.0);
}

} // namespace
} // namespace veralith::directory
