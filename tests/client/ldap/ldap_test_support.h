#pragma once

// Helpers for the tests that run the client against a private slapd.

#include "client/client.h"
#include "client/scoped.h"
#include "slapd_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace veralith::client::testing {

// A test with its own slapd holding the Acme tree (plus extra LDIF), and a
// client whose only connection is that server.
class LdapTest : public ::testing::Test
{
protected:
    void TearDown() override;
    // Starts slapd with the Acme tree and extra LDIF, databaseConfig added
    // to its database's configuration; starts the client on the server's URL
    // (plus urlSuffix) and creates a context.
    void StartServer(
        const std::string& extraLdif = "", const std::string& databaseConfig = "", const std::string& urlSuffix = "");
    DirContext Context() const { return m_context.get(); }
    std::string ContextText(std::uint32_t key) const;
    // Typeless names, counted from the root ("[Root]" name context).
    void UseRootTypeless();

    SlapdServer m_server;
    ScopedContext m_context;
};

// A filter cursor with tokens added by name: Compare("mail", SYN_CI_STRING,
// FTOK_EQ, "x") and so on.
struct FilterBuilder
{
    ScopedFilter cursor;
    FilterBuilder();
    FilterBuilder& Token(std::uint32_t code);
    FilterBuilder& Text(std::uint32_t code, const std::string& value, std::uint32_t syntax);
    FilterBuilder& Number(std::int32_t value, std::uint32_t syntax);
};

// Names a search delivers (full names with the name context [Root]), reply
// by reply; *result receives the first failing code (0 when none).
std::vector<std::string> SearchNames(DirContext context, const std::string& base, std::int32_t scope,
    ScopedFilter* filter, DirResult* result = nullptr, std::size_t bufferSize = kLargeBufferSize);

} // namespace veralith::client::testing
