#pragma once

// A scripted stand-in for the directory client, linked instead of the real
// one into directory_fake_tests. It lets the tests produce replies the
// embedded directory never gives (continuation replies without entries,
// entries that cannot be read, padded tree names, failing start-up steps)
// and records the calls made.

#include "client/client.h"

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace veralith::directory::fake {

struct Connection
{
    std::uint32_t reference = 0;
    // Written by ConnGetInfo type 4 as raw bytes (no NUL is added).
    std::string treeInfo;
    client::ConnResult infoResult = 0;
};

struct Entry
{
    std::string name;
    std::uint32_t flags = client::DS_CONTAINER_ENTRY;
    client::DirResult result = 0; // non-zero: DirGetObjectName fails with it
};

struct Reply
{
    std::vector<Entry> entries;
    std::int32_t nextIteration = -1;
    client::DirResult requestResult = 0; // non-zero: the request fails with it
    client::DirResult countResult = 0;
};

struct ClassDef
{
    std::string name;
    std::uint32_t flags = 0;
    client::DirResult result = 0;
    std::array<std::vector<std::string>, 5> items;
};

struct ClassReply
{
    std::vector<ClassDef> classes;
    std::int32_t nextIteration = -1;
    client::DirResult requestResult = 0;
};

struct State
{
    // Start-up.
    client::ConnResult initResult = 0;
    std::vector<Connection> connections;
    client::ConnResult primaryResult = 0;
    std::uint32_t primaryReference = 0;
    client::ConnResult openResult = 0;
    std::uint32_t openedReference = 0;

    // Listing and schema replies, consumed in order.
    std::vector<Reply> listReplies;
    std::size_t nextListReply = 0;
    std::vector<ClassReply> classReplies;
    std::size_t nextClassReply = 0;
    client::DirResult allocResult = 0;

    // Book-keeping.
    std::vector<std::string> calls;
    std::set<client::DirContext> contexts;
    std::map<client::DirContext, std::uint32_t> flags;
    std::map<client::DirContext, std::string> nameContexts;
    std::size_t buffers = 0;
    std::size_t openIterations = 0;
    std::vector<std::string> listedObjects;
};

// The one state the fake client works on; Reset() puts it back to defaults.
State& Fake();
void Reset();

// Number of calls of the named operation so far.
std::size_t CallCount(const std::string& operation);

} // namespace veralith::directory::fake
