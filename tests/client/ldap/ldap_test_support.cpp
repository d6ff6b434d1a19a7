#include "ldap_test_support.h"

#include "client/service.h"

namespace veralith::client::testing {

void LdapTest::TearDown()
{
    m_context.reset();
    SetTreeSources({});
    SetTreeServices({});
    m_server.Stop();
}

void LdapTest::StartServer(
    const std::string& extraLdif, const std::string& databaseConfig, const std::string& urlSuffix)
{
    SlapdOptions options;
    options.databaseConfig = databaseConfig;
    std::string error;
    ASSERT_TRUE(m_server.Start(AcmeLdif() + extraLdif, &error, options)) << error;
    SetTreeServices({});
    SetTreeSources({m_server.Url(urlSuffix)});
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    DirContext created = kNoContext;
    ASSERT_EQ(DirCreateContext(&created), 0);
    m_context = ScopedContext(created);
}

void LdapTest::UseRootTypeless()
{
    std::uint32_t flags = DCV_XLATE_STRINGS | DCV_TYPELESS_NAMES;
    ASSERT_EQ(DirSetContext(Context(), DCK_FLAGS, &flags), 0);
    ASSERT_EQ(DirSetContext(Context(), DCK_NAME_CONTEXT, "[Root]"), 0);
}

std::string LdapTest::ContextText(std::uint32_t key) const
{
    char text[kNameBufferSize] = {};
    EXPECT_EQ(DirGetContext(Context(), key, text), 0);
    return text;
}

FilterBuilder::FilterBuilder()
{
    EXPECT_EQ(cursor.allocate(), 0);
}

FilterBuilder& FilterBuilder::Token(std::uint32_t code)
{
    EXPECT_EQ(DirAddFilterToken(cursor.get(), code, nullptr, 0), 0);
    return *this;
}

FilterBuilder& FilterBuilder::Text(std::uint32_t code, const std::string& value, std::uint32_t syntax)
{
    EXPECT_EQ(DirAddFilterToken(cursor.get(), code, value.c_str(), syntax), 0);
    return *this;
}

FilterBuilder& FilterBuilder::Number(std::int32_t value, std::uint32_t syntax)
{
    EXPECT_EQ(DirAddFilterToken(cursor.get(), FTOK_AVAL, &value, syntax), 0);
    return *this;
}

std::vector<std::string> SearchNames(DirContext context, const std::string& base, std::int32_t scope,
    ScopedFilter* filter, DirResult* result, std::size_t bufferSize)
{
    std::vector<std::string> names;
    ScopedBuffer request;
    ScopedBuffer reply;
    EXPECT_EQ(request.allocate(kSmallBufferSize), 0);
    EXPECT_EQ(reply.allocate(bufferSize), 0);
    EXPECT_EQ(DirInitBuffer(context, DSV_SEARCH_FILTER, request.get()), 0);
    if (filter != nullptr) {
        const DirResult put = DirPutFilter(context, request.get(), filter->get(), nullptr);
        if (put != 0) {
            if (result != nullptr) {
                *result = put;
            }
            return names;
        }
        filter->release();
    }
    std::int32_t iteration = -1;
    DirResult rc = 0;
    do {
        rc = DirSearch(context, base.c_str(), scope, false, request.get(), nullptr, 0, false, nullptr, &iteration, 0,
            nullptr, reply.get());
        if (rc != 0) {
            break;
        }
        std::uint32_t count = 0;
        EXPECT_EQ(DirGetObjectCount(context, reply.get(), &count), 0);
        for (std::uint32_t i = 0; i < count; ++i) {
            char name[kNameBufferSize] = {};
            std::uint32_t attrCount = 0;
            DirObjectInfo info {};
            EXPECT_EQ(DirGetObjectName(context, reply.get(), name, &attrCount, &info), 0);
            names.emplace_back(name);
        }
    } while (iteration != -1);
    if (result != nullptr) {
        *result = rc;
    } else {
        EXPECT_EQ(rc, 0);
    }
    return names;
}

} // namespace veralith::client::testing

// When a server is killed while libldap is part-way through reading a reply,
// the library keeps the half-read message in its own structures and never
// frees it (seen only under load, with every frame of the allocation inside
// liblber). That leak is the library's, not ours; it is suppressed for these
// tests alone: allocations made through liblber's allocator are not
// reported as leaks here.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:ber_memcalloc_x\nleak:ber_memalloc_x\n";
}
