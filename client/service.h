#pragma once

// The directory behind the client: the DirectoryService interface that each
// connection talks to, and the ways a service becomes a connection.
//
// The interface is shaped so that a remote server can serve it: objects are
// read by name, a search hands its whole filter expression down, listings and
// searches come back through a cursor that yields one object at a time, and
// nothing needs the whole tree in memory. The embedded in-memory directory
// (client/memory/) implements it; tests implement it with doubles.
//
// Names handed to a service are full dotted names in any letter case, leaf
// first, without a leading dot ("jsmith.Sales.Acme"), with the escapes of
// client/name_syntax.h ("john\.doe.People.example.com"); they are typeless
// unless the service's names carry types (NamesCarryTypes). The empty name is
// the root of the tree. Values travel in the wire encoding of client/wire.h,
// names inside values as full typeless names. Every operation returns 0 or a
// DirResult code of client/client.h (ERR_NO_SUCH_ENTRY, ERR_NO_SUCH_ATTRIBUTE,
// ERR_TRANSPORT_FAILURE, ...), which the client passes to its caller unchanged.

#include "client/client.h"
#include "client/schema.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client {

// What a listing or search delivers about one object, and what a read of the
// object's entry gives.
struct ObjectSummary
{
    std::string fullName; // dotted and escaped, the directory's spelling; empty for the root
    std::vector<std::string> namingTypes; // one per component, leaf first ("CN", "OU", "O")
    std::string baseClass;
    std::vector<std::string> auxClasses;
    std::uint32_t flags = 0; // DS_ALIAS_ENTRY | DS_PARTITION_ROOT | DS_CONTAINER_ENTRY
    std::uint32_t subordinateCount = 0;
    std::uint32_t attributeCount = 0;
    std::uint32_t creationTime = 0; // seconds since 1970 UTC, 0 when unknown
    std::uint32_t modificationTime = 0;
    std::string aliasedObject; // full typeless name of the named object (aliases only)
};

// All values of one attribute of one object.
struct AttributeData
{
    std::string name; // schema spelling
    std::uint32_t syntaxId = 0;
    std::vector<std::string> values; // wire encoding (client/wire.h); streams: one value, the content
};

// One node of a search filter expression, as the client builds it from the
// filter tokens.
struct FilterNode
{
    enum class Kind {
        And, // every child
        Or, // any child
        Not, // one child
        BaseClass, // the object's base class is `text` (empty: any class)
        RelativeName, // the object's own name component matches `text` ("*" wildcards)
        Present, // the object carries `attribute`
        Compare, // a value of `attribute` compares with `value` by `op`
    };
    Kind kind = Kind::And;
    std::vector<FilterNode> children;
    std::string text; // class name or relative name
    std::string attribute; // attribute name as the caller gave it
    std::uint32_t syntaxId = 0; // the syntax id the caller gave with the attribute
    std::uint32_t op = FTOK_EQ; // FTOK_EQ, FTOK_GE, FTOK_LE or FTOK_APPROX
    bool hasValue = false; // false: the comparison matches nothing
    // The token-6 value as copied: text without its NUL for syntaxes 1-5, 20
    // and 25 (names in full typeless form for syntax 1), 4 bytes of int32_t
    // for 7, 8, 22, 26, 27, the 8 bytes of a DirTimeStamp for 19 and 24.
    std::string value;
};

// Yields the objects of a listing or search one at a time, in a fixed order.
class ObjectCursor
{
public:
    virtual ~ObjectCursor() = default;
    // Writes the next object into *entry and returns 0, or sets *done and
    // returns 0 past the last one; a failure code otherwise.
    virtual DirResult Next(ObjectSummary* entry, bool* done) = 0;
    // Number of objects examined so far (searches).
    virtual std::uint32_t Examined() const = 0;
};

class DirectoryService
{
public:
    virtual ~DirectoryService() = default;

    // The tree's name in this service's spelling (1 to 32 characters).
    virtual std::string TreeName() const = 0;
    // The tree's default name context (typeless, no leading dot) or "".
    virtual std::string DefaultNameContext() const = 0;
    // The schema; it stays valid and unchanged while the service lives.
    virtual const Schema& GetSchema() const = 0;

    // Reads an object's entry. The root ("") is an entry of class "Tree Root".
    virtual DirResult ReadEntry(std::string_view fullName, ObjectSummary* entry) = 0;
    // Reads the attributes named in *names (nullptr: every attribute the object
    // carries) in schema order. Unknown names are passed over; an object that
    // carries none of them gives an empty list and 0.
    virtual DirResult ReadAttributes(
        std::string_view fullName, const std::vector<std::string>* names, std::vector<AttributeData>* attributes) = 0;
    // The objects directly below an object (containersOnly: only those whose
    // class is a container class), in name order ignoring ASCII case.
    virtual DirResult OpenList(
        std::string_view fullName, bool containersOnly, std::unique_ptr<ObjectCursor>* cursor) = 0;
    // The objects in scope (0 the base, 1 one level, 2 the subtree, the base
    // excluded for 1 and 2) that pass filter (nullptr: every object), in name
    // order within each container, containers depth first.
    virtual DirResult OpenSearch(
        std::string_view base, std::int32_t scope, const FilterNode* filter, std::unique_ptr<ObjectCursor>* cursor) = 0;
    // OpenSearch, told which attributes the reads of the objects found will ask
    // for (reads: nullptr or empty when not known). A service may bring them
    // with the search; the objects found and what reads return are the same.
    virtual DirResult OpenSearchReading(std::string_view base, std::int32_t scope, const FilterNode* filter,
        const std::vector<std::string>* reads, std::unique_ptr<ObjectCursor>* cursor)
    {
        (void)reads;
        return OpenSearch(base, scope, filter, cursor);
    }
    // Opens a stream attribute for reading: *fd receives a file descriptor
    // positioned at 0 that the caller closes.
    virtual DirResult OpenStream(std::string_view fullName, std::string_view attribute, int* fd) = 0;
    // The naming attribute of each component of a full typeless name, leaf
    // first, for typed names. Components that name no object get "CN" for the
    // leaf, "O" for the top and "OU" between.
    virtual std::vector<std::string> NamingTypes(std::string_view fullName) = 0;
    // Whether a component's type can be part of this service's names
    // ("uid=adm" beside "cn=adm"): such a service receives the types a caller
    // wrote. For the others a type only decorates a name and is dropped before
    // the name reaches the service.
    virtual bool NamesCarryTypes() const { return false; }
    // The distinguished name of an object as the service's source spells it
    // ("cn=Ann,ou=People,dc=example,dc=com"), for services whose entries have
    // one; ERR_NO_SUCH_ATTRIBUTE for the others, ERR_NO_SUCH_ENTRY when the
    // name names nothing the service knows.
    virtual DirResult DistinguishedName(std::string_view fullName, std::string* dn)
    {
        (void)fullName;
        (void)dn;
        return ERR_NO_SUCH_ATTRIBUTE;
    }
};

// Makes ClientInit serve exactly these services as connections, in this order
// (the first is the primary connection), instead of loading tree sources. An
// empty list returns to the tree sources of SetTreeSources. For tests and for
// programs that bring their own directory.
void SetTreeServices(std::vector<std::shared_ptr<DirectoryService>> services);

// The service of the started client's connection to tree (letter case
// ignored; the first such connection), or nullptr.
std::shared_ptr<DirectoryService> TreeService(std::string_view tree);

// Appends a connection served by service to a started client and writes its
// reference (ConnScan order) into *reference. Returns 0, or
// CONN_CLIENT_NOT_AVAILABLE before a successful ClientInit.
ConnResult AddServiceConnection(std::shared_ptr<DirectoryService> service, std::uint32_t* reference);

} // namespace veralith::client
