#include "directory/error_text.h"
#include "directory/names.h"
#include "directory/startup.h"
#include "tests/directory/fixture.h"

#include <cstdlib>

namespace veralith::directory {
namespace {

using testing::RecordedFeedback;
using testing::RecordingHooks;

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetNetWareStartupForTesting();
        unsetenv("VERALITH_TREES");
    }
    void TearDown() override
    {
        ResetNetWareStartupForTesting();
        unsetenv("VERALITH_TREES");
        client::SetTreeSources(testing::StandardSources());
        client::ClientInit(nullptr, nullptr);
    }
};

TEST_F(StartupTest, InitNetWareStartsOnceAndThenMakesNoClientCall)
{
    client::SetTreeSources(testing::StandardSources());
    RecordedFeedback record;
    RecordingHooks hooks(record);

    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_NE(ConnectionHandleMarker(), kClientNotStarted);
    EXPECT_TRUE(record.boxes.empty());

    const auto calls = client::GetClientCallCount();
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_EQ(client::GetClientCallCount(), calls);
}

TEST_F(StartupTest, InitNetWareWithoutLoadableTreeReportsTheInitFailure)
{
    client::SetTreeSources({testing::TestTree("does-not-exist.json")});
    RecordedFeedback record;
    RecordingHooks hooks(record);

    EXPECT_EQ(InitNetWare(), 0xFFFF);
    EXPECT_EQ(ConnectionHandleMarker(), kClientNotStarted);
    ASSERT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.boxes[0].kind, util::MessageBoxKind::Error);
    EXPECT_EQ(record.boxes[0].title, "Error");
    EXPECT_EQ(
        record.boxes[0].text, "Could not initialize NetWare Client. InitNetWare returned error " + ErrorText(0xFFFF));
    EXPECT_EQ(
        record.boxes[0].text.rfind("Could not initialize NetWare Client. InitNetWare returned error 0xFFFF (", 0), 0u);
}

TEST_F(StartupTest, InitNetWareWithoutConnectionReportsTheConnectionFailure)
{
    // An empty source list with an empty VERALITH_TREES configures no source at all.
    setenv("VERALITH_TREES", "", 1);
    client::SetTreeSources({});
    RecordedFeedback record;
    RecordingHooks hooks(record);

    const client::ConnResult result = InitNetWare();
    EXPECT_EQ(result, client::CONN_NO_MORE_ENTRIES);
    ASSERT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.boxes[0].text,
        "Could not find server/tree connection. InitNetWare returned error 0x88FF (NO_MORE_ENTRIES)");
    // A failed start-up leaves the client to be started again.
    EXPECT_EQ(ConnectionHandleMarker(), kClientNotStarted);
}

class TreesTest : public ::testing::Test
{
protected:
    void SetUp() override { testing::StartClient(testing::StandardSources()); }
};

TEST_F(TreesTest, ListTreesGivesEachTreeOnceWithTheFirstConnectionScanned)
{
    std::uint32_t iterator = 0;
    std::uint32_t first = 0;
    ASSERT_EQ(client::ConnScan(&iterator, &first), 0);
    std::uint32_t second = 0;
    ASSERT_EQ(client::ConnScan(&iterator, &second), 0);
    std::uint32_t third = 0;
    ASSERT_EQ(client::ConnScan(&iterator, &third), 0);

    RecordedFeedback record;
    RecordingHooks hooks(record);
    util::StringList list;
    ListTrees(list);

    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.TextAt(0), "Test_Tree");
    EXPECT_EQ(static_cast<std::uint32_t>(list.ValueAt(0)), first);
    EXPECT_EQ(list.TextAt(1), "Other-Tree");
    EXPECT_EQ(static_cast<std::uint32_t>(list.ValueAt(1)), third);
    // One pump per connection found.
    EXPECT_EQ(record.pumps, 3);
}

TEST_F(TreesTest, ListTreesAppendsToTheCallersListWithoutDuplicatingWhatItHolds)
{
    util::StringList list;
    list.Add("OTHER-TREE", 77);
    ListTrees(list);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.TextAt(0), "OTHER-TREE");
    EXPECT_EQ(list.ValueAt(0), 77);
    EXPECT_EQ(list.TextAt(1), "Test_Tree");
}

TEST_F(TreesTest, ReadConnectionTreeRemovesThePaddingButKeepsInnerUnderscores)
{
    std::uint32_t iterator = 0;
    std::uint32_t reference = 0;
    ASSERT_EQ(client::ConnScan(&iterator, &reference), 0);
    std::string name = "stale";
    EXPECT_EQ(ReadConnectionTree(reference, name), 0);
    EXPECT_EQ(name, "Test_Tree");
    // The second connection reports the same tree in its own spelling.
    ASSERT_EQ(client::ConnScan(&iterator, &reference), 0);
    EXPECT_EQ(ReadConnectionTree(reference, name), 0);
    EXPECT_EQ(name, "TEST_TREE");
}

TEST_F(TreesTest, ReadConnectionTreeOfAnUnknownConnectionIsEmpty)
{
    std::string name = "stale";
    EXPECT_EQ(ReadConnectionTree(0xDEADBEEF, name), client::CONN_INVALID_CONNECTION);
    EXPECT_EQ(name, "");
}

TEST_F(TreesTest, ReadPrimaryTreeNamesTheFirstSourcesTree)
{
    EXPECT_EQ(ReadPrimaryTree(), "Test_Tree");
}

TEST_F(TreesTest, SetContextFlagsAddsRemovesOrKeepsBits)
{
    auto context = testing::CreateContext();
    std::uint32_t flags = 0;
    ASSERT_EQ(client::DirGetContext(context.get(), client::DCK_FLAGS, &flags), 0);
    const std::uint32_t initial = flags;

    SetContextFlags(context.get(), '+', 0x04 | 0x10);
    client::DirGetContext(context.get(), client::DCK_FLAGS, &flags);
    EXPECT_EQ(flags, initial | 0x14);

    SetContextFlags(context.get(), '-', 0x01);
    client::DirGetContext(context.get(), client::DCK_FLAGS, &flags);
    EXPECT_EQ(flags, (initial | 0x14) & ~0x01u);

    SetContextFlags(context.get(), '*', 0xFF);
    client::DirGetContext(context.get(), client::DCK_FLAGS, &flags);
    EXPECT_EQ(flags, (initial | 0x14) & ~0x01u);
}

} // namespace
} // namespace veralith::directory
