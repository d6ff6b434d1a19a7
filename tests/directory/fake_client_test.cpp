// Edge cases that need replies the embedded directory never gives, run
// against the scripted client of fake_client.cpp.

#include "directory/directory.h"
#include "tests/directory/fake_client.h"
#include "tests/directory/fixture.h"

namespace veralith::directory {
namespace {

using fake::Entry;
using fake::Fake;
using fake::Reply;
using testing::RecordedFeedback;
using testing::RecordingHooks;

class FakeClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake::Reset();
        ResetNetWareStartupForTesting();
        ASSERT_EQ(client::DirCreateContext(&m_context), 0);
    }
    void TearDown() override
    {
        client::DirFreeContext(m_context);
        EXPECT_EQ(Fake().contexts.size(), 0u) << "contexts left open";
        EXPECT_EQ(Fake().buffers, 0u) << "buffers left open";
        ResetNetWareStartupForTesting();
    }
    client::DirContext m_context = client::kNoContext;
};

std::vector<std::string> Collect(client::DirContext context, const std::string& container, std::int32_t* result)
{
    util::StringList list;
    *result = ListContainers(context, container, list);
    return list.Texts();
}

TEST_F(FakeClientTest, EmptyContinuationRepliesNeverRepeatAnEntry)
{
    Fake().listReplies = {
        Reply {{Entry {"A"}, Entry {"B"}}, 5}, Reply {{}, 6}, // a continuation without entries
        Reply {{}, 7}, // and another
        Reply {{Entry {"C"}}, 8}, Reply {{}, -1}, // the last reply, empty
    };
    std::int32_t result = 1;
    EXPECT_EQ(Collect(m_context, "Corp", &result), (std::vector<std::string> {"A", "B", "C"}));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(fake::CallCount("DirListContainers"), 5u);
}

TEST_F(FakeClientTest, EmptyFirstReplyWithMoreToComeStillListsTheRest)
{
    Fake().listReplies = {Reply {{}, 3}, Reply {{Entry {"Late"}}, -1}};
    std::int32_t result = 1;
    EXPECT_EQ(Collect(m_context, "Corp", &result), (std::vector<std::string> {"Late"}));
    EXPECT_EQ(result, 0);
}

TEST_F(FakeClientTest, ConsumerOfListNextSeesEachEntryOnce)
{
    Fake().listReplies = {Reply {{Entry {"A"}}, 5}, Reply {{}, -1}};
    TNDSObj cursor;
    ASSERT_EQ(ListStart(m_context, "Corp", cursor), 0);
    EXPECT_EQ(cursor.name, "A");
    EXPECT_EQ(ListNext(cursor), -1);
    EXPECT_EQ(cursor.name, "");
    EXPECT_FALSE(cursor.OwnsListing());
}

TEST_F(FakeClientTest, EntriesWithoutTheContainerBitAreNotAppended)
{
    Fake().listReplies = {Reply {{Entry {"Unit"}, Entry {"leaf", 0}, Entry {"Alias", client::DS_ALIAS_ENTRY}}, -1}};
    std::int32_t result = 1;
    EXPECT_EQ(Collect(m_context, "Corp", &result), (std::vector<std::string> {"Unit"}));
    EXPECT_EQ(result, 0);
}

TEST_F(FakeClientTest, UnreadableEntryEndsTheListingAndKeepsWhatCameBefore)
{
    Fake().listReplies = {Reply {{Entry {"A"}, Entry {"B", 4, client::ERR_SYSTEM_FAILURE}, Entry {"C"}}, -1}};
    std::int32_t result = 0;
    EXPECT_EQ(Collect(m_context, "Corp", &result), (std::vector<std::string> {"A"}));
    EXPECT_EQ(result, client::ERR_SYSTEM_FAILURE);
}

TEST_F(FakeClientTest, FailingFurtherRequestEndsTheListingWithItsCode)
{
    Fake().listReplies = {Reply {{Entry {"A"}}, 5}, Reply {{}, -1, client::ERR_TRANSPORT_FAILURE}};
    std::int32_t result = 0;
    EXPECT_EQ(Collect(m_context, "Corp", &result), (std::vector<std::string> {"A"}));
    EXPECT_EQ(result, client::ERR_TRANSPORT_FAILURE);
}

TEST_F(FakeClientTest, FailingCountEndsTheStart)
{
    Reply reply {{Entry {"A"}}, -1};
    reply.countResult = client::ERR_BUFFER_EMPTY;
    Fake().listReplies = {reply};
    std::int32_t result = 0;
    EXPECT_TRUE(Collect(m_context, "Corp", &result).empty());
    EXPECT_EQ(result, client::ERR_BUFFER_EMPTY);
}

TEST_F(FakeClientTest, FailingBufferAllocationReleasesTheDuplicate)
{
    Fake().allocResult = client::ERR_NOT_ENOUGH_MEMORY;
    std::int32_t result = 0;
    EXPECT_TRUE(Collect(m_context, "Corp", &result).empty());
    EXPECT_EQ(result, client::ERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(fake::CallCount("DirListContainers"), 0u);
}

TEST_F(FakeClientTest, EmptyReplyThatDoesNotMoveTheIterationIsAFault)
{
    Fake().listReplies = {Reply {{Entry {"A"}}, 5}, Reply {{}, 5}, Reply {{}, 5}};
    std::int32_t result = 0;
    EXPECT_EQ(Collect(m_context, "Corp", &result), (std::vector<std::string> {"A"}));
    EXPECT_EQ(result, client::ERR_SYSTEM_FAILURE);
    EXPECT_EQ(fake::CallCount("DirListContainers"), 2u);
}

TEST_F(FakeClientTest, ListStartSetsTheCursorsContextAndPassesTheFullName)
{
    Fake().listReplies = {Reply {{Entry {"Staff"}}, -1}};
    TNDSObj cursor;
    ASSERT_EQ(ListStart(m_context, "Sales.Corp", cursor), 0);
    EXPECT_EQ(Fake().listedObjects, (std::vector<std::string> {".Sales.Corp"}));
    EXPECT_EQ(Fake().nameContexts[cursor.context], "Sales.Corp");
    EXPECT_EQ(Fake().flags[cursor.context] & 0x14u, 0x14u);
    // The caller's context keeps its flags.
    EXPECT_EQ(Fake().flags[m_context], 0x13u);
    EXPECT_EQ(ListNext(cursor), -1);
}

TEST_F(FakeClientTest, FullNameMakesNoEntryInformationRead)
{
    // The scripted client cannot convert names, so the name comes back as given.
    EXPECT_EQ(ReadObjectFullName(m_context, "Staff.Sales.Corp"), ".Staff.Sales.Corp");
    EXPECT_EQ(fake::CallCount("DirReadEntryInfo"), 0u);
    EXPECT_EQ(ReadObjectBaseClass(m_context, "Staff.Sales.Corp"), "");
    EXPECT_EQ(fake::CallCount("DirReadEntryInfo"), 1u);
}

// ---- Start-up ----------------------------------------------------------------

TEST_F(FakeClientTest, StartUpOpensThePrimaryConnection)
{
    Fake().connections = {{7, "A"}, {9, "B"}};
    Fake().primaryReference = 9;
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_EQ(Fake().openedReference, 9u);
    EXPECT_EQ(ConnectionHandleMarker(), 0x1234u);
}

TEST_F(FakeClientTest, StartUpWithoutPrimaryOpensTheScannedConnection)
{
    Fake().connections = {{7, "A"}, {9, "B"}};
    Fake().primaryResult = client::CONN_INVALID_CONNECTION;
    RecordedFeedback record;
    RecordingHooks hooks(record);
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_EQ(Fake().openedReference, 7u);
    EXPECT_TRUE(record.boxes.empty());
}

TEST_F(FakeClientTest, StartUpMessageDependsOnTheCodeNotTheStep)
{
    struct Row
    {
        client::ConnResult init;
        client::ConnResult open;
        client::ConnResult expected;
        const char* operation;
    };
    const Row rows[] = {
        {0xFFFF, 0, 0xFFFF, kInitFailedOperation},
        {0x8801, 0, 0x8801, kNoConnectionOperation},
        {0, 0xFFFF, 0xFFFF, kInitFailedOperation}, // 0xFFFF from the open step
        {0, 0x8801, 0x8801, kNoConnectionOperation},
    };
    for (const auto& row : rows) {
        fake::Reset();
        ASSERT_EQ(client::DirCreateContext(&m_context), 0);
        ResetNetWareStartupForTesting();
        Fake().connections = {{7, "A"}};
        Fake().initResult = row.init;
        Fake().openResult = row.open;
        RecordedFeedback record;
        RecordingHooks hooks(record);
        EXPECT_EQ(InitNetWare(), row.expected);
        ASSERT_EQ(record.boxes.size(), 1u);
        EXPECT_EQ(record.boxes[0].text, std::string(row.operation) + " returned error " + ErrorText(row.expected));
        EXPECT_EQ(ConnectionHandleMarker(), kClientNotStarted);
    }
}

TEST_F(FakeClientTest, TreeNamesAreCutAtThirtyTwoAndLoseTheirPadding)
{
    const std::string longName(40, 'L');
    const std::string unterminated(255, 'X'); // no NUL within the 255 bytes
    Fake().connections = {
        {1, std::string("ACME_TREE") + std::string(23, '_') + '\0'},
        {2, std::string(32, '_') + '\0'}, // all padding: no name, no entry
        {3, longName + '\0'},
        {4, unterminated},
        {5, "acme_tree" + std::string(23, '_') + '\0'},
        {6, "", 0x8801},
    };
    util::StringList list;
    ListTrees(list);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.TextAt(0), "ACME_TREE");
    EXPECT_EQ(list.ValueAt(0), 1);
    EXPECT_EQ(list.TextAt(1), std::string(32, 'L'));
    EXPECT_EQ(list.ValueAt(1), 3);
    EXPECT_EQ(list.TextAt(2), std::string(32, 'X'));
    EXPECT_EQ(list.ValueAt(2), 4);

    std::string name = "stale";
    EXPECT_EQ(ReadConnectionTree(6, name), 0x8801);
    EXPECT_EQ(name, "");
}

TEST_F(FakeClientTest, PrimaryTreeIsEmptyWithoutPrimaryConnection)
{
    Fake().connections = {{1, std::string("TREE") + '\0'}};
    Fake().primaryReference = 1;
    EXPECT_EQ(ReadPrimaryTree(), "TREE");
    Fake().primaryResult = client::CONN_INVALID_CONNECTION;
    EXPECT_EQ(ReadPrimaryTree(), "");
}

// ---- Schema ----------------------------------------------------------------------

fake::ClassDef MakeClass(const std::string& name, std::vector<std::string> super, std::vector<std::string> mandatory,
    std::vector<std::string> optional)
{
    fake::ClassDef definition;
    definition.name = name;
    definition.items[0] = std::move(super);
    definition.items[3] = std::move(mandatory);
    definition.items[4] = std::move(optional);
    return definition;
}

TEST_F(FakeClientTest, UnreadableClassDefinitionIsPassedOver)
{
    auto broken = MakeClass("Broken", {}, {}, {});
    broken.result = client::ERR_SYSTEM_FAILURE;
    Fake().classReplies = {
        fake::ClassReply {{MakeClass("Top", {}, {"Object Class"}, {"ACL"}), broken}, 4},
        fake::ClassReply {{MakeClass("User", {"Top"}, {"Object Class", "CN"}, {"acl", "Surname"})}, -1},
    };
    util::StringList list;
    EXPECT_EQ(ReadClassItems(m_context, "", kModeAllAttributes, false, list), 0);
    EXPECT_EQ(list.Texts(), (std::vector<std::string> {"Object Class", "ACL", "CN", "Surname"}));
    EXPECT_EQ(Fake().openIterations, 0u);
}

TEST_F(FakeClientTest, ClassReadingStopsWhenTheIterationDoesNotMove)
{
    Fake().classReplies = {
        fake::ClassReply {{MakeClass("Top", {}, {}, {"ACL"})}, 4},
        fake::ClassReply {{MakeClass("Top", {}, {}, {"ACL"})}, 4},
        fake::ClassReply {{MakeClass("Never", {}, {}, {"Never"})}, -1},
    };
    util::StringList list;
    EXPECT_EQ(ReadClassItems(m_context, "", ItemsOptional, false, list), 0);
    EXPECT_EQ(list.Texts(), (std::vector<std::string> {"ACL"}));
    EXPECT_EQ(fake::CallCount("DirReadClassDef"), 2u);
    // The iteration left open on the caller's context is released.
    EXPECT_EQ(Fake().openIterations, 0u);
}

TEST_F(FakeClientTest, FailedFurtherClassReplyKeepsEntriesAndReturnsItsCode)
{
    Fake().classReplies = {
        fake::ClassReply {{MakeClass("Top", {}, {}, {})}, 4},
        fake::ClassReply {{}, -1, client::ERR_TRANSPORT_FAILURE},
    };
    util::StringList list;
    EXPECT_EQ(ReadClassList(m_context, list), client::ERR_TRANSPORT_FAILURE);
    EXPECT_EQ(list.Texts(), (std::vector<std::string> {"Top"}));
    EXPECT_EQ(Fake().openIterations, 0u);
}

TEST_F(FakeClientTest, AllocationFailureIsReturnedBeforeAnyRead)
{
    Fake().allocResult = client::ERR_NOT_ENOUGH_MEMORY;
    util::StringList list;
    EXPECT_EQ(ReadClassList(m_context, list), client::ERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ReadClassItems(m_context, "User", 5, false, list), client::ERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ReadAttributeList(m_context, 0, list), client::ERR_NOT_ENOUGH_MEMORY);
    client::DirAttrInfo info {};
    EXPECT_EQ(ReadAttributeDef(m_context, "GUID", info), client::ERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(fake::CallCount("DirReadClassDef") + fake::CallCount("DirReadAttrDef"), 0u);
}

} // namespace
} // namespace veralith::directory
