#include "directory/listing.h"
#include "directory/names.h"
#include "directory/startup.h"
#include "tests/directory/fixture.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace veralith::directory {
namespace {

using testing::RecordedFeedback;
using testing::RecordingHooks;

constexpr int kManyUnits = 300;

// A tree whose container Big.Corp holds more containers than one 4096-byte
// reply can carry, and a few leaf objects among them.
std::string WriteManyContainersTree()
{
    const std::string path = ::testing::TempDir() + "/directory-many-containers.json";
    std::ofstream out(path);
    out << "{\"format\": \"veralith-tree/1\", \"tree\": \"MANY_TREE\", \"objects\": [\n";
    out << "{\"name\": \"Corp\", \"class\": \"Organization\"},\n";
    out << "{\"name\": \"Big.Corp\", \"class\": \"Organizational Unit\"}";
    for (int i = 0; i < kManyUnits; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Unit-with-a-long-name-%03d", i);
        out << ",\n{\"name\": \"" << name << ".Big.Corp\", \"class\": \"Organizational Unit\"}";
        if (i % 50 == 0) {
            out << ",\n{\"name\": \"user" << i << ".Big.Corp\", \"class\": \"User\"}";
        }
    }
    out << "\n]}\n";
    return path;
}

class ListingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto sources = testing::StandardSources();
        sources.push_back(WriteManyContainersTree());
        testing::StartClient(sources);
        m_context = testing::CreateContext();
    }
    client::ScopedContext m_context;
};

TEST_F(ListingTest, ListsTheContainersBelowAContainerRelativeToIt)
{
    util::StringList list;
    EXPECT_EQ(ListContainers(m_context.get(), ".Sales.Corp", list), 0);
    EXPECT_EQ(list.Texts(), (std::vector<std::string> {"Staff"}));

    list.Clear();
    EXPECT_EQ(ListContainers(m_context.get(), "Corp", list), 0);
    auto texts = list.Texts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string> {"Empty", "Sales"}));
}

TEST_F(ListingTest, EmptyContainerGivesNoEntriesAndSuccess)
{
    util::StringList list;
    list.Add("kept");
    EXPECT_EQ(ListContainers(m_context.get(), ".Empty.Corp", list), 0);
    EXPECT_EQ(list.Texts(), (std::vector<std::string> {"kept"}));
}

TEST_F(ListingTest, ListingRootPassesTheSpecialNameAndNamesEntriesFromTheRoot)
{
    TNDSObj cursor;
    ASSERT_EQ(ListStart(m_context.get(), "[Root]", cursor), 0);
    EXPECT_EQ(cursor.listedName, "[Root]");
    EXPECT_EQ(ReadNameContext(cursor.context), "[Root]");
    EXPECT_TRUE(cursor.containersOnly);
    std::vector<std::string> names;
    std::int32_t result = 0;
    while (result == 0) {
        names.push_back(cursor.name);
        EXPECT_NE(cursor.info.flags & client::DS_CONTAINER_ENTRY, 0u) << cursor.name;
        result = ListNext(cursor);
    }
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(cursor.OwnsListing());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> {"Corp", "US"}));
}

TEST_F(ListingTest, ListingAcrossSeveralRepliesDeliversEveryContainerOnce)
{
    ASSERT_EQ(DSChangeCurrentTree(m_context.get(), "MANY_TREE"), 0);

    // The cursor shows that the first reply did not hold everything.
    {
        TNDSObj cursor;
        ASSERT_EQ(ListStart(m_context.get(), "Big.Corp", cursor), 0);
        EXPECT_NE(cursor.iteration, -1);
        EXPECT_LT(cursor.replyCount, static_cast<std::uint32_t>(kManyUnits));
        EXPECT_EQ(cursor.taken, 1u);
    }

    RecordedFeedback record;
    RecordingHooks hooks(record);
    util::StringList list;
    EXPECT_EQ(ListContainers(m_context.get(), "Big.Corp", list), 0);
    ASSERT_EQ(list.Count(), static_cast<std::size_t>(kManyUnits));
    std::vector<std::string> expected;
    for (int i = 0; i < kManyUnits; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Unit-with-a-long-name-%03d", i);
        expected.push_back(name);
    }
    auto texts = list.Texts();
    std::vector<std::string> sorted = texts;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected);
    // The window stayed responsive: at least one pump per entry.
    EXPECT_GE(record.pumps, kManyUnits);
    // Hourglass while listing, the previous cursor afterwards.
    ASSERT_FALSE(record.cursors.empty());
    EXPECT_EQ(record.cursors.front(), util::kHourglassCursor);
    EXPECT_EQ(record.current, util::kDefaultCursor);
}

TEST_F(ListingTest, FailuresEndTheListingWithTheClientsCode)
{
    util::StringList list;
    EXPECT_EQ(ListContainers(m_context.get(), ".Nowhere.Corp", list), client::ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(ListContainers(0xBADBAD, ".Corp", list), client::ERR_INVALID_HANDLE);

    TNDSObj cursor;
    EXPECT_EQ(ListStart(m_context.get(), ".Nowhere.Corp", cursor), client::ERR_NO_SUCH_ENTRY);
    EXPECT_FALSE(cursor.OwnsListing());
    EXPECT_EQ(cursor.buffer, nullptr);
    EXPECT_EQ(cursor.context, client::kNoContext);
    // A cursor whose listing has ended answers -1 again.
    EXPECT_EQ(ListNext(cursor), -1);
}

TEST_F(ListingTest, AbandonedOrRestartedCursorReleasesWhatItOwned)
{
    const auto before = client::GetClientResourceCounts();
    {
        TNDSObj cursor;
        ASSERT_EQ(ListStart(m_context.get(), "Corp", cursor), 0);
        EXPECT_TRUE(cursor.OwnsListing());
        // Starting again releases the first listing's context and buffer.
        ASSERT_EQ(ListStart(m_context.get(), "Sales.Corp", cursor), 0);
        EXPECT_EQ(client::GetClientResourceCounts().contexts, before.contexts + 1);
        EXPECT_EQ(client::GetClientResourceCounts().buffers, before.buffers + 1);
    }
    EXPECT_EQ(client::GetClientResourceCounts(), before);

    TNDSObj cursor;
    ASSERT_EQ(ListStart(m_context.get(), "Corp", cursor), 0);
    ListEnd(cursor);
    EXPECT_EQ(client::GetClientResourceCounts(), before);
    EXPECT_EQ(ListNext(cursor), -1);
}

TEST_F(ListingTest, ListingDoesNotChangeTheCallersContext)
{
    SetContextFlags(m_context.get(), '+', client::DCV_TYPELESS_NAMES);
    ASSERT_EQ(SetNameContext(m_context.get(), "Sales.Corp"), 0);
    std::uint32_t flagsBefore = 0;
    client::DirGetContext(m_context.get(), client::DCK_FLAGS, &flagsBefore);
    util::StringList list;
    ASSERT_EQ(ListContainers(m_context.get(), ".Corp", list), 0);
    std::uint32_t flagsAfter = 0;
    client::DirGetContext(m_context.get(), client::DCK_FLAGS, &flagsAfter);
    EXPECT_EQ(flagsAfter, flagsBefore);
    EXPECT_EQ(ReadNameContext(m_context.get()), "Sales.Corp");
}

} // namespace
} // namespace veralith::directory
