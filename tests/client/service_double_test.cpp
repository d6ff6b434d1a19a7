// Service doubles installed as connections: failures a tree file cannot
// express reach the caller as the client's result codes.

#include "client/forwarding_service.h"
#include "client/values.h"
#include "client_fixture.h"

#include <fcntl.h>
#include <unistd.h>

namespace veralith::client::testing {
namespace {

const char* const kObjects = R"({"name":"Acme","class":"Organization","attributes":{
    "Login Script":["text:WRITE \"hi\""],"Description":["Head office"]}})";

// A stream that opens but cannot be read: a descriptor open for writing only.
class UnreadableStream : public ForwardingService
{
public:
    using ForwardingService::ForwardingService;
    DirResult OpenStream(std::string_view, std::string_view, int* fd) override
    {
        *fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
        return *fd < 0 ? ERR_SYSTEM_FAILURE : 0;
    }
};

// A directory that cannot be reached once the connection is made.
class Unreachable : public ForwardingService
{
public:
    using ForwardingService::ForwardingService;
    DirResult ReadEntry(std::string_view, ObjectSummary*) override { return ERR_TRANSPORT_FAILURE; }
    DirResult OpenStream(std::string_view, std::string_view, int*) override { return ERR_TRANSPORT_FAILURE; }
};

// A broken service that hands out a value too short for its syntax.
class TruncatedValues : public ForwardingService
{
public:
    using ForwardingService::ForwardingService;
    DirResult ReadAttributes(
        std::string_view name, const std::vector<std::string>* names, std::vector<AttributeData>* attributes) override
    {
        const DirResult rc = ForwardingService::ReadAttributes(name, names, attributes);
        for (AttributeData& a : *attributes) {
            a.syntaxId = SYN_NET_ADDRESS; // three bytes cannot hold a 32-bit type
            for (std::string& v : a.values) {
                v = "abc";
            }
        }
        return rc;
    }
};

// A directory whose listings break down after the first two objects, as a
// server that goes away in the middle of a listing.
class LostMidListing : public ForwardingService
{
public:
    using ForwardingService::ForwardingService;
    DirResult OpenList(std::string_view name, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) override
    {
        std::unique_ptr<ObjectCursor> inner;
        if (const DirResult rc = ForwardingService::OpenList(name, containersOnly, &inner); rc != 0) {
            return rc;
        }
        *cursor = std::make_unique<Breaking>(std::move(inner));
        return 0;
    }

private:
    class Breaking : public ObjectCursor
    {
    public:
        explicit Breaking(std::unique_ptr<ObjectCursor> inner)
            : m_inner(std::move(inner))
        { }
        DirResult Next(ObjectSummary* entry, bool* done) override
        {
            return m_delivered++ < 2 ? m_inner->Next(entry, done) : ERR_TRANSPORT_FAILURE;
        }
        std::uint32_t Examined() const override { return m_delivered; }

    private:
        std::unique_ptr<ObjectCursor> m_inner;
        std::uint32_t m_delivered = 0;
    };
};

class ServiceDoubleTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        m_context.reset();
        SetTreeServices({});
    }
    void Install(std::shared_ptr<DirectoryService> service)
    {
        StartWithServices({std::move(service)});
        ASSERT_EQ(DirCreateContext(m_context.Out()), 0);
        const std::uint32_t flags = DCV_TYPELESS_NAMES;
        ASSERT_EQ(DirSetContext(m_context.get(), DCK_FLAGS, &flags), 0);
    }
    ScopedContext m_context;
};

TEST_F(ServiceDoubleTest, UnreadableStream_OpensAndFailsToRead)
{
    Install(std::make_shared<UnreadableStream>(LoadTree(TreeText("DOUBLE", kObjects))));
    int fd = -1;
    ASSERT_EQ(DirOpenStream(m_context.get(), ".Acme", "Login Script", 1, &fd), 0);
    char buffer[16];
    EXPECT_LT(read(fd, buffer, sizeof buffer), 0);
    close(fd);
}

TEST_F(ServiceDoubleTest, UnreachableDirectory_GivesTransportFailure)
{
    Install(std::make_shared<Unreachable>(LoadTree(TreeText("DOUBLE", kObjects))));
    int fd = -1;
    EXPECT_EQ(DirOpenStream(m_context.get(), ".Acme", "Login Script", 1, &fd), ERR_TRANSPORT_FAILURE);
    EXPECT_EQ(fd, -1);
    std::vector<ReadValue> values;
    EXPECT_EQ(ReadValues(m_context.get(), ".Acme", "Description", &values), ERR_TRANSPORT_FAILURE);
    std::vector<std::uint8_t> block(kSmallBufferSize);
    EXPECT_EQ(DirReadEntryInfo(m_context.get(), ".Acme", block.size(), block.data()), ERR_TRANSPORT_FAILURE);
}

// The objects a reply took before the failure are delivered; the failure
// comes with the next request.
TEST_F(ServiceDoubleTest, FailureMidListing_KeepsTheObjectsBeforeIt)
{
    Install(std::make_shared<LostMidListing>(LoadTree(TreeText("DOUBLE",
        R"({"name":"Acme","class":"Organization"},{"name":"a.Acme","class":"User","attributes":{"Surname":["A"]}},
           {"name":"b.Acme","class":"User","attributes":{"Surname":["B"]}},
           {"name":"c.Acme","class":"User","attributes":{"Surname":["C"]}})"))));
    ScopedBuffer reply;
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirList(m_context.get(), ".Acme", &iteration, reply.get()), 0);
    std::uint32_t count = 0;
    ASSERT_EQ(DirGetObjectCount(m_context.get(), reply.get(), &count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_NE(iteration, -1);
    EXPECT_EQ(DirList(m_context.get(), ".Acme", &iteration, reply.get()), ERR_TRANSPORT_FAILURE);
}

TEST_F(ServiceDoubleTest, MalformedValue_IsASystemFailureNotAnOverread)
{
    Install(std::make_shared<TruncatedValues>(LoadTree(TreeText("DOUBLE", kObjects))));
    ScopedBuffer request;
    ScopedBuffer reply;
    ASSERT_EQ(request.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(reply.allocate(kSmallBufferSize), 0);
    ASSERT_EQ(DirInitBuffer(m_context.get(), DSV_READ, request.get()), 0);
    ASSERT_EQ(DirPutAttrName(m_context.get(), request.get(), "Description"), 0);
    std::int32_t iteration = -1;
    ASSERT_EQ(DirRead(m_context.get(), ".Acme", 1, false, request.get(), &iteration, reply.get()), 0);
    std::uint32_t values = 0;
    std::uint32_t syntax = 0;
    ASSERT_EQ(DirGetAttrName(m_context.get(), reply.get(), nullptr, &values, &syntax), 0);
    std::size_t size = 0;
    EXPECT_EQ(DirComputeAttrValueSize(m_context.get(), reply.get(), syntax, &size), ERR_SYSTEM_FAILURE);
    EXPECT_EQ(DirGetAttrValue(m_context.get(), reply.get(), syntax, nullptr), ERR_SYSTEM_FAILURE);
}

TEST_F(ServiceDoubleTest, ResourceCounts_ReturnToZero)
{
    Install(LoadTree(TreeText("DOUBLE", kObjects)));
    const ClientResourceCounts before = GetClientResourceCounts();
    {
        ScopedBuffer a;
        ScopedFilter f;
        ScopedContext copy;
        ASSERT_EQ(a.allocate(kSmallBufferSize), 0);
        ASSERT_EQ(f.allocate(), 0);
        ASSERT_EQ(DirDuplicateContext(m_context.get(), copy.Out()), 0);
        const ClientResourceCounts during = GetClientResourceCounts();
        EXPECT_EQ(during.buffers, before.buffers + 1);
        EXPECT_EQ(during.filters, before.filters + 1);
        EXPECT_EQ(during.contexts, before.contexts + 1);
    }
    const ClientResourceCounts after = GetClientResourceCounts();
    EXPECT_EQ(after.buffers, before.buffers);
    EXPECT_EQ(after.filters, before.filters);
    EXPECT_EQ(after.contexts, before.contexts);
    DirBuffer* huge = nullptr;
    EXPECT_EQ(DirAllocBuffer(std::size_t {1} << 30, &huge), ERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(huge, nullptr);
}

} // namespace
} // namespace veralith::client::testing
