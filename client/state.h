#pragma once

// The client's own state: connections, contexts with their open iterations,
// live buffers and filter cursors. Internal to the client; single-threaded.

#include "client/client.h"
#include "client/names.h"
#include "client/service.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace veralith::client {

struct Connection
{
    std::shared_ptr<DirectoryService> service;
    std::string tree; // the service's spelling
};

// What an open iteration remembers between replies.
struct Iteration
{
    enum class Kind { List, Search, Read, ClassDefs, AttrDefs };
    Kind kind = Kind::List;
    // Listing and search.
    std::unique_ptr<ObjectCursor> cursor;
    std::optional<ObjectSummary> pending; // fetched but not yet delivered
    DirResult failure = 0; // the cursor's failure, reported after the objects that came before it
    // Attribute read: the object's attributes, and where the next reply starts.
    std::vector<AttributeData> attributes;
    std::size_t attrIndex = 0;
    std::size_t valueIndex = 0;
    std::uint32_t infoType = 0;
    // Schema reads: the definition ids still to deliver.
    std::vector<int> ids;
    std::size_t idIndex = 0;
};

struct Context
{
    std::shared_ptr<DirectoryService> service;
    std::string tree;
    std::uint32_t flags = DCV_DEREF_ALIASES | DCV_XLATE_STRINGS | DCV_CANONICALIZE_NAMES;
    std::uint32_t confidence = 0;
    std::uint32_t entryInfoMask = 0;
    std::vector<NameComponent> nameContext; // leaf first; empty = "[Root]"
    std::string searchReads; // DCK_SEARCH_READS: attribute names, one a line
    std::map<std::int32_t, std::unique_ptr<Iteration>> iterations;

    bool Typed() const { return (flags & DCV_TYPELESS_NAMES) == 0; }
};

// Kinds of content a buffer holds.
enum class BufferContent {
    Empty,
    ReadRequest,
    AttrDefRequest,
    ClassDefRequest,
    FilterRequest,
    ObjectReply, // listing or search
    ReadReply,
    ClassDefReply,
    AttrDefReply,
};

struct DirBuffer
{
    std::size_t capacity = 0;
    BufferContent content = BufferContent::Empty;
    std::uint32_t infoType = 0;
    // Request contents.
    std::vector<std::string> names;
    std::size_t requestBytes = 0;
    bool hasFilter = false;
    FilterNode filter;
    // Reply contents: the encoded reply and the reading cursor.
    std::string data;
    std::size_t readPos = 0;
    std::uint32_t count = 0; // entries in the reply
    std::uint32_t taken = 0; // entries taken so far
    // Attribute reads: the current attribute's name, syntax and values left.
    std::string currentAttr;
    std::uint32_t currentSyntax = 0;
    std::uint32_t valuesLeft = 0;
    // Expanded class definitions: item lists left in the current definition
    // and items left in the current list.
    std::uint32_t listsLeft = 0;
    std::uint32_t itemsLeft = 0;
};

struct DirFilter
{
    std::vector<FilterTokenRecord> tokens;
};

struct ClientState
{
    std::vector<std::string> sources;
    std::vector<std::shared_ptr<DirectoryService>> services;
    bool started = false;
    std::vector<Connection> connections;
    std::unordered_map<DirContext, std::unique_ptr<Context>> contexts;
    DirContext nextContext = 1;
    std::unordered_set<DirBuffer*> buffers;
    std::unordered_set<DirFilter*> filters;
    std::int32_t nextIteration = 1;
    std::uint64_t calls = 0;
    FilterTokenObserver tokenObserver;
};

ClientState& State();
// Counts one client call (every public operation starts with it).
inline void CountCall()
{
    ++State().calls;
}
// The context of a handle, or nullptr.
Context* FindContext(DirContext handle);
bool IsLiveBuffer(const DirBuffer* buffer);
// A fresh iteration handle value, never -1 and never a value in use.
std::int32_t NewIterationHandle();
// The connection serving a tree (ignoring ASCII case), or nullptr.
const Connection* FindTreeConnection(std::string_view tree);

// Resolves a caller's name against the context into a full typeless name.
DirResult ResolveFullName(const Context& context, const char* name, std::string* fullName);
// The components of a caller's name resolved against the context's name
// context (ParseName, then ResolveName); ERR_INVALID_OBJECT_NAME for a null name.
DirResult ResolveComponents(const Context& context, const char* name, std::vector<NameComponent>* full);
// Resolves a name and reads the entry, following aliases when the context's
// flag 0x01 is set and follow is true.
DirResult LookupObject(Context& context, const char* name, bool follow, ObjectSummary* entry);

} // namespace veralith::client
