#pragma once

// Shared set-up for the client tests: a client whose only connection is a
// tree loaded from a text, and small helpers over the public operations.

#include "client/client.h"
#include "client/memory/loader.h"
#include "client/scoped.h"
#include "client/service.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace veralith::client::testing {

// Loads a tree text, failing the test with the loader's message.
std::shared_ptr<memory::MemoryDirectory> LoadTree(const std::string& text);
// Reads a file below the repository root (VERALITH_SOURCE_DIR).
std::string ReadSourceFile(const std::string& relative);
std::string SourcePath(const std::string& relative);

// Makes the given services the client's connections and starts the client.
void StartWithServices(std::vector<std::shared_ptr<DirectoryService>> services);

// A tree file text holding the given objects (a JSON array body) below the
// built-in base schema, with an optional schema member.
std::string TreeText(const std::string& tree, const std::string& objects, const std::string& extra = "");

// Names a listing delivers, reply by reply; replies counts the replies.
std::vector<std::string> ListNames(
    DirContext context, const std::string& object, std::size_t bufferSize, bool containersOnly, int* replies = nullptr);

// Reads every value of one attribute with DirRead (names and values),
// reply by reply in a buffer of bufferSize bytes: each value's storage as
// DirGetAttrValue wrote it. The result is DirRead's (or the first failing
// call's) code.
struct ReadValue
{
    std::uint32_t syntaxId = 0;
    std::vector<std::uint8_t> storage;
    std::string Text() const { return std::string(reinterpret_cast<const char*>(storage.data())); }
};
DirResult ReadValues(DirContext context, const std::string& object, const std::string& attribute,
    std::vector<ReadValue>* values, std::size_t bufferSize = kLargeBufferSize, std::string* deliveredName = nullptr);
// The values of a text syntax as strings.
std::vector<std::string> ReadTexts(DirContext context, const std::string& object, const std::string& attribute);

class ClientTest : public ::testing::Test
{
protected:
    void TearDown() override;
    // Starts the client on one tree and creates a context on it.
    void Start(const std::string& treeText);
    DirContext Context() const { return m_context.get(); }
    // Text of a context key (3 or 11).
    std::string ContextText(std::uint32_t key) const;
    void SetFlags(std::uint32_t flags);

    ScopedContext m_context;
    std::shared_ptr<memory::MemoryDirectory> m_directory;
};

} // namespace veralith::client::testing
