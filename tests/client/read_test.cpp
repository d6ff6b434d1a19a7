// DirRead: attributes and values across replies, and its failures.

#include "client/values.h"
#include "client_fixture.h"

namespace veralith::client::testing {
namespace {

std::string ManyValues()
{
    std::string phones;
    for (int i = 0; i < 1000; ++i) {
        phones += (i > 0 ? "," : "") + std::string("\"+1 555 ") + std::to_string(100000 + i) + "\"";
    }
    const std::string big = "\"hex:" + std::string(2 * 5000, 'A') + "\"";
    return TreeText("READS",
        R"({"name":"Acme","class":"Organization"},
        {"name":"Many.Acme","class":"User","attributes":{"Telephone Number":[)" +
            phones + R"(],
            "Surname":["Many"],"Title":["Tester"]}},
        {"name":"Big.Acme","class":"User","attributes":{"GUID":[)" +
            big + R"(]}})");
}

class ReadTest : public ClientTest
{
protected:
    void SetUp() override
    {
        Start(ManyValues());
        SetFlags(DCV_TYPELESS_NAMES);
    }
};

TEST_F(ReadTest, ManyValues_ContinueAcrossRepliesRepeatingTheName)
{
    ScopedBuffer request;
    ScopedBuffer reply;
    ASSERT_EQ(request.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ, request.get()), 0);
    ASSERT_EQ(DirPutAttrName(Context(), request.get(), "telephone number"), 0);
    ASSERT_EQ(DirPutAttrName(Context(), request.get(), "Surname"), 0);
    std::int32_t iteration = -1;
    int replies = 0;
    std::vector<std::string> phones;
    std::vector<std::string> surnames;
    do {
        const std::int32_t before = iteration;
        ASSERT_EQ(DirRead(Context(), ".Many.Acme", 1, false, request.get(), &iteration, reply.get()), 0);
        EXPECT_NE(iteration, before);
        ++replies;
        std::uint32_t count = 0;
        ASSERT_EQ(DirGetAttrCount(Context(), reply.get(), &count), 0);
        for (std::uint32_t a = 0; a < count; ++a) {
            char name[kMaxSchemaNameChars + 1];
            std::uint32_t values = 0;
            std::uint32_t syntax = 0;
            ASSERT_EQ(DirGetAttrName(Context(), reply.get(), name, &values, &syntax), 0);
            auto& target = std::string(name) == "Telephone Number" ? phones : surnames;
            EXPECT_GT(values, 0u);
            for (std::uint32_t v = 0; v < values; ++v) {
                std::size_t size = 0;
                ASSERT_EQ(DirComputeAttrValueSize(Context(), reply.get(), syntax, &size), 0);
                std::vector<char> storage(size);
                ASSERT_EQ(DirGetAttrValue(Context(), reply.get(), syntax, storage.data()), 0);
                target.emplace_back(storage.data());
            }
            std::size_t size = 0;
            EXPECT_EQ(DirComputeAttrValueSize(Context(), reply.get(), syntax, &size), ERR_BUFFER_EMPTY);
        }
        char name[kMaxSchemaNameChars + 1];
        EXPECT_EQ(DirGetAttrName(Context(), reply.get(), name, nullptr, nullptr), ERR_BUFFER_EMPTY);
    } while (iteration != -1);
    EXPECT_GT(replies, 3);
    ASSERT_EQ(phones.size(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(phones[static_cast<std::size_t>(i)], "+1 555 " + std::to_string(100000 + i));
    }
    EXPECT_EQ(surnames, std::vector<std::string> {"Many"});
}

TEST_F(ReadTest, UntakenValues_AreSkippedByTheNextName)
{
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kLargeBufferSize), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirRead(Context(), ".Many.Acme", 1, true, nullptr, &iteration, reply.get()), 0);
    EXPECT_EQ(iteration, -1);
    std::vector<std::string> names;
    char name[kMaxSchemaNameChars + 1];
    while (DirGetAttrName(Context(), reply.get(), name, nullptr, nullptr) == 0) {
        names.emplace_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string> {"Object Class", "CN", "Surname", "Title", "Telephone Number"}));
}

TEST_F(ReadTest, ValueLargerThanTheBuffer_IsBufferFull)
{
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), ".Big.Acme", "GUID", &values, kSmallBufferSize), ERR_BUFFER_FULL);
    EXPECT_EQ(GetClientResourceCounts().iterations, 0u);
    values.clear();
    ASSERT_EQ(ReadValues(Context(), ".Big.Acme", "GUID", &values, kLargeBufferSize), 0);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(reinterpret_cast<const OctetStringValue*>(values[0].storage.data())->length, 5000u);
}

TEST_F(ReadTest, Failures_GiveTheirCodes)
{
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(Context(), ".Nobody.Acme", "Surname", &values), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(ReadValues(Context(), ".Many.Acme", "GUID", &values), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(ReadValues(Context(), ".Many.Acme", "No Such Attribute", &values), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(ReadValues(Context(), ".Many.Acme", "", &values), ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(ReadValues(Context(), "Many..Acme", "Surname", &values), ERR_INVALID_OBJECT_NAME);
    EXPECT_TRUE(values.empty());

    ScopedBuffer request;
    ScopedBuffer reply;
    ASSERT_EQ(request.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    // A request buffer prepared for another operation.
    ASSERT_EQ(DirInitBuffer(Context(), DSV_SEARCH_FILTER, request.get()), 0);
    EXPECT_EQ(DirPutAttrName(Context(), request.get(), "Surname"), ERR_BAD_VERB);
    EXPECT_EQ(DirRead(Context(), ".Many.Acme", 1, false, request.get(), &iteration, reply.get()), ERR_BAD_VERB);
    EXPECT_EQ(DirInitBuffer(Context(), 99, request.get()), ERR_BAD_VERB);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ, request.get()), 0);
    ASSERT_EQ(DirPutAttrName(Context(), request.get(), "Surname"), 0);
    EXPECT_EQ(DirRead(Context(), ".Many.Acme", 2, false, request.get(), &iteration, reply.get()), ERR_BAD_VERB);
    EXPECT_EQ(iteration, -1);
    // Reading a reply of another kind.
    ASSERT_EQ(DirRead(Context(), ".Many.Acme", 1, false, request.get(), &iteration, reply.get()), 0);
    std::uint32_t count = 0;
    EXPECT_EQ(DirGetObjectCount(Context(), reply.get(), &count), ERR_BAD_VERB);
    EXPECT_EQ(DirGetClassDefCount(Context(), reply.get(), &count), ERR_BAD_VERB);
}

TEST_F(ReadTest, RequestBuffer_RefusesNamesBeyondItsSize)
{
    ScopedBuffer request;
    ASSERT_EQ(request.allocate(1024), 0);
    ASSERT_EQ(DirInitBuffer(Context(), DSV_READ, request.get()), 0);
    const std::string name(30, 'n');
    int accepted = 0;
    while (DirPutAttrName(Context(), request.get(), name.c_str()) == 0) {
        ++accepted;
        ASSERT_LT(accepted, 100);
    }
    EXPECT_GT(accepted, 20);
    EXPECT_EQ(DirPutAttrName(Context(), request.get(), name.c_str()), ERR_BUFFER_FULL);
}

} // namespace
} // namespace veralith::client::testing
