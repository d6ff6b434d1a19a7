// Container listings reply by reply, object names and information blocks.

#include "client_fixture.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace veralith::client::testing {
namespace {

std::string BigTree()
{
    std::string objects = R"({"name":"Acme","class":"Organization"},
        {"name":"Big.Acme","class":"Organizational Unit"},
        {"name":"Small.Acme","class":"Organizational Unit"},
        {"name":"Sub.Small.Acme","class":"Organizational Unit"},
        {"name":"Printer.Small.Acme","class":"Printer","modified":1000},
        {"name":"Alias.Small.Acme","class":"Alias","attributes":{"Aliased Object Name":["Big.Acme"]}},
        {"name":"DE","class":"Country"})";
    // 500 users whose names sort differently with and without case.
    for (int i = 499; i >= 0; --i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%03d", (i % 2) != 0 ? "user" : "USER", i);
        objects += std::string(R"(,{"name":")") + name + R"(.Big.Acme","class":"User"})";
    }
    return TreeText("LISTING", objects);
}

class ListingTest : public ClientTest
{
protected:
    void SetUp() override
    {
        Start(BigTree());
        SetFlags(DCV_TYPELESS_NAMES);
        ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "Big.Acme"), 0);
    }
};

TEST_F(ListingTest, FiveHundredSubordinates_TakeSeveralSmallReplies)
{
    int replies = 0;
    const std::vector<std::string> first = ListNames(Context(), ".Big.Acme", kSmallBufferSize, false, &replies);
    EXPECT_GT(replies, 2);
    ASSERT_EQ(first.size(), 500u);
    std::set<std::string> unique(first.begin(), first.end());
    EXPECT_EQ(unique.size(), 500u);
    for (int i = 0; i < 500; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%03d", (i % 2) != 0 ? "user" : "USER", i);
        EXPECT_EQ(first[static_cast<std::size_t>(i)], name); // name order ignoring case
    }
    EXPECT_EQ(ListNames(Context(), ".Big.Acme", kSmallBufferSize, false), first);
    int largeReplies = 0;
    EXPECT_EQ(ListNames(Context(), ".Big.Acme", kLargeBufferSize, false, &largeReplies), first);
    EXPECT_EQ(largeReplies, 1);
    EXPECT_EQ(GetClientResourceCounts().iterations, 0u);
}

TEST_F(ListingTest, ContainersOnly_AndRoot)
{
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "Small.Acme"), 0);
    EXPECT_EQ(ListNames(Context(), ".Small.Acme", kSmallBufferSize, true), std::vector<std::string> {"Sub"});
    EXPECT_EQ(ListNames(Context(), ".Small.Acme", kSmallBufferSize, false),
        (std::vector<std::string> {"Alias", "Printer", "Sub"}));
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    EXPECT_EQ(ListNames(Context(), "[Root]", kSmallBufferSize, true), (std::vector<std::string> {"Acme", "DE"}));
    SetFlags(0);
    EXPECT_EQ(ListNames(Context(), "Acme", kSmallBufferSize, true),
        (std::vector<std::string> {"OU=Big.O=Acme", "OU=Small.O=Acme"}));
}

TEST_F(ListingTest, ObjectInformation_DescribesEachEntry)
{
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
    SetFlags(DCV_TYPELESS_NAMES); // no alias dereferencing: list the alias's container as it is
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirList(Context(), "Small.Acme", &iteration, reply.get()), 0);
    EXPECT_EQ(iteration, -1);
    std::uint32_t count = 0;
    ASSERT_EQ(DirGetObjectCount(Context(), reply.get(), &count), 0);
    ASSERT_EQ(count, 3u);
    struct Expected
    {
        const char* name;
        std::uint32_t flags;
        const char* baseClass;
        std::uint32_t subordinates;
        std::uint32_t modified;
    };
    const Expected expected[] = {
        {"Alias.Small.Acme", DS_ALIAS_ENTRY, "Alias", 0, 0},
        {"Printer.Small.Acme", 0, "Printer", 0, 1000},
        {"Sub.Small.Acme", DS_CONTAINER_ENTRY, "Organizational Unit", 0, 0},
    };
    for (const Expected& e : expected) {
        char name[kNameBufferSize];
        std::uint32_t attrCount = 0;
        DirObjectInfo info {};
        ASSERT_EQ(DirGetObjectName(Context(), reply.get(), name, &attrCount, &info), 0);
        EXPECT_STREQ(name, e.name);
        EXPECT_EQ(info.flags, e.flags) << e.name;
        EXPECT_STREQ(info.baseClass, e.baseClass);
        EXPECT_EQ(info.subordinateCount, e.subordinates);
        EXPECT_EQ(info.modificationTime, e.modified);
        EXPECT_GE(attrCount, 1u); // every object carries "Object Class"
    }
    char name[kNameBufferSize] = "keep";
    EXPECT_EQ(DirGetObjectName(Context(), reply.get(), name, nullptr, nullptr), ERR_BUFFER_EMPTY);
    EXPECT_STREQ(name, "keep");

    iteration = -1;
    ASSERT_EQ(DirList(Context(), "[Root]", &iteration, reply.get()), 0);
    DirObjectInfo info {};
    ASSERT_EQ(DirGetObjectName(Context(), reply.get(), name, nullptr, &info), 0);
    EXPECT_STREQ(name, "Acme");
    EXPECT_EQ(info.flags, DS_CONTAINER_ENTRY | DS_PARTITION_ROOT);
    EXPECT_EQ(info.subordinateCount, 2u); // Big and Small
}

TEST_F(ListingTest, Failures_LeaveTheHandleAlone)
{
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    EXPECT_EQ(DirList(Context(), ".Nobody.Acme", &iteration, reply.get()), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(iteration, -1);
    EXPECT_EQ(DirList(Context(), "a..b", &iteration, reply.get()), ERR_INVALID_OBJECT_NAME);
    iteration = 12345;
    EXPECT_EQ(DirList(Context(), "x", &iteration, reply.get()), ERR_INVALID_HANDLE);
    EXPECT_EQ(iteration, 12345);
    std::uint32_t count = 0;
    EXPECT_EQ(DirGetAttrCount(Context(), reply.get(), &count), ERR_BAD_VERB);
}

TEST_F(ListingTest, ClosingOrFreeing_ReleasesAnOpenIteration)
{
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirList(Context(), ".Big.Acme", &iteration, reply.get()), 0);
    ASSERT_NE(iteration, -1);
    EXPECT_EQ(GetClientResourceCounts().iterations, 1u);
    EXPECT_EQ(DirCloseIteration(Context(), iteration, DSV_SEARCH), 0);
    EXPECT_EQ(GetClientResourceCounts().iterations, 0u);
    EXPECT_EQ(DirCloseIteration(Context(), iteration, DSV_SEARCH), ERR_INVALID_HANDLE);
    const std::int32_t stale = iteration;
    EXPECT_EQ(DirList(Context(), ".Big.Acme", &iteration, reply.get()), ERR_INVALID_HANDLE);
    EXPECT_EQ(iteration, stale);

    iteration = -1;
    ASSERT_EQ(DirList(Context(), ".Big.Acme", &iteration, reply.get()), 0);
    EXPECT_EQ(GetClientResourceCounts().iterations, 1u);
    m_context.reset();
    EXPECT_EQ(GetClientResourceCounts().iterations, 0u);
}

TEST_F(ListingTest, FreedBuffer_IsAnInvalidHandle)
{
    DirBuffer* buffer = nullptr;
    ASSERT_EQ(DirAllocBuffer(kSmallBufferSize, &buffer), 0);
    const std::size_t before = GetClientResourceCounts().buffers;
    ASSERT_EQ(DirFreeBuffer(buffer), 0);
    EXPECT_EQ(GetClientResourceCounts().buffers, before - 1);
    EXPECT_EQ(DirFreeBuffer(buffer), ERR_INVALID_HANDLE);
    std::int32_t iteration = -1;
    EXPECT_EQ(DirList(Context(), ".Big.Acme", &iteration, buffer), ERR_INVALID_HANDLE);
    EXPECT_EQ(DirInitBuffer(Context(), DSV_READ, buffer), ERR_INVALID_HANDLE);
    DirBuffer* tiny = nullptr;
    EXPECT_EQ(DirAllocBuffer(100, &tiny), ERR_BUFFER_FULL);
    EXPECT_EQ(tiny, nullptr);
}

} // namespace
} // namespace veralith::client::testing
