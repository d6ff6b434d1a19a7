#pragma once

// The directory the search tests run against: the client started on the test
// tree tests/data/search-tree.json, and one context on it set up like the
// window's search context (name context "[Root]", typeless names), so that
// every name found is a full name such as user01.Sales.Acme.

#include "client/client.h"
#include "client/scoped.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace veralith::search::test {

class SearchFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* root = std::getenv("VERALITH_SOURCE_DIR");
        const std::string tree =
            (root != nullptr ? std::string(root) + "/tests" : std::string("..")) + "/data/search-tree.json";
        client::SetTreeSources({tree});
        ASSERT_EQ(client::ClientInit(nullptr, nullptr), 0) << tree;
        ASSERT_EQ(client::DirCreateContext(m_context.Out()), 0);
        std::uint32_t flags = 0;
        ASSERT_EQ(client::DirGetContext(Context(), client::DCK_FLAGS, &flags), 0);
        flags |= client::DCV_TYPELESS_NAMES;
        ASSERT_EQ(client::DirSetContext(Context(), client::DCK_FLAGS, &flags), 0);
        ASSERT_EQ(client::DirSetContext(Context(), client::DCK_NAME_CONTEXT, "[Root]"), 0);
    }

    void TearDown() override
    {
        m_context.reset();
        client::SetTreeSources({});
    }

    client::DirContext Context() const { return m_context.get(); }

private:
    client::ScopedContext m_context;
};

} // namespace veralith::search::test
