#pragma once

// The directory client: the only way the program reaches a directory.
//
// The operations keep the names and argument lists of a classic directory
// client library (contexts, request/reply buffers, iteration handles, filter
// cursors, connections), so the layers above read exactly as they would over a
// vendor's client. Behind them sits a DirectoryService (client/service.h); the
// embedded in-memory directory (client/memory/) is one, a directory on an LDAP
// server (client/ldap/) another.
//
// Conventions shared by every operation below:
// - Directory operations return a DirResult: 0 for success, a negative code
//   (the constants in this file) for a failure. Start-up and connection
//   operations return 16-bit unsigned codes (ConnResult).
// - No failing operation writes to its output arguments.
// - Names the client writes (object names, names inside values, name
//   contexts) are at most kMaxNameChars characters plus a NUL, so a 256-byte
//   buffer always holds them. Schema names (classes, attributes) are at most
//   kMaxSchemaNameChars characters plus a NUL, so the same buffer holds
//   them too; tree files keep theirs within kMaxTreeFileSchemaNameChars.
// - The client is single-threaded: all calls come from one thread.
// - Handles: a freed or unknown context, buffer, filter cursor or iteration
//   handle gives ERR_INVALID_HANDLE, as does a null output argument. A buffer
//   holding another kind of content than the operation needs gives
//   ERR_BAD_VERB; reading past the last entry of a reply ERR_BUFFER_EMPTY.
// - Iterations: *iteration is -1 on the first call; every reply but the last
//   sets a new handle value (never -1, never the value passed in), the last
//   sets -1. A failing call releases its iteration. Continuation calls ignore
//   the object, names and filter arguments and go on where the last reply
//   stopped. A reply holds as many whole entries as fit; a single entry or
//   value larger than the buffer gives ERR_BUFFER_FULL.
// - Aliases: with flag DCV_DEREF_ALIASES, every operation that names an
//   object (reads, entry information, listings, search bases, streams)
//   works on the object an alias names. Search results are never
//   dereferenced.
// - Names the client delivers are typeless with DCV_TYPELESS_NAMES and typed
//   otherwise; relative to the name context when below it, full without a
//   leading dot when the name context is "[Root]", else full with a leading
//   dot. DCV_XLATE_STRINGS and DCV_CANONICALIZE_NAMES are kept and change
//   nothing (texts are delivered as stored; names in the directory's spelling).
// - ERR_BAD_CONTEXT is reserved for a context without a tree; contexts made by
//   this client always have one, so it is not returned today.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veralith::client {

using DirResult = std::int32_t;
using ConnResult = std::uint16_t;
using DirContext = std::uint32_t;

// Opaque request/reply buffer, allocated by DirAllocBuffer and released by
// DirFreeBuffer. The caller owns it until it frees it.
struct DirBuffer;
// Opaque filter cursor, allocated by DirAllocFilter.
struct DirFilter;

// A callback accepted by DirPutFilter and DirFreeFilter for releasing token
// values. Token values are copied when added, so the client never calls it;
// callers pass nullptr.
using DirFreeValueFn = void (*)(void*);

inline constexpr std::size_t kMaxNameChars = 255;
inline constexpr std::size_t kNameBufferSize = kMaxNameChars + 1;
// Directory servers name attributes and classes with up to 53 characters
// (msDS-FailedInteractiveLogonCountAtLastSuccessfulLogon); a schema name the
// client carries may be as long as an object name.
inline constexpr std::size_t kMaxSchemaNameChars = 255;
inline constexpr std::size_t kMaxTreeFileSchemaNameChars = 32;
inline constexpr std::size_t kMaxRdnChars = 64;
inline constexpr std::size_t kMaxTreeNameChars = 32;

inline constexpr std::size_t kSmallBufferSize = 4096;
inline constexpr std::size_t kLargeBufferSize = 64512;

// The value DirOpenContext returns when it fails: never a context's handle.
inline constexpr DirContext kNoContext = 0xFFFFFFFFu;

// Result codes.
inline constexpr DirResult ERR_NOT_ENOUGH_MEMORY = -301;
inline constexpr DirResult ERR_BAD_KEY = -302;
inline constexpr DirResult ERR_BAD_CONTEXT = -303;
inline constexpr DirResult ERR_BUFFER_FULL = -304;
inline constexpr DirResult ERR_BUFFER_EMPTY = -307;
inline constexpr DirResult ERR_BAD_VERB = -308;
inline constexpr DirResult ERR_INVALID_OBJECT_NAME = -314;
inline constexpr DirResult ERR_INVALID_HANDLE = -322;
inline constexpr DirResult ERR_INVALID_FILTER_SYNTAX = -326;
inline constexpr DirResult ERR_NO_SUCH_ENTRY = -601;
inline constexpr DirResult ERR_NO_SUCH_ATTRIBUTE = -603;
inline constexpr DirResult ERR_NO_SUCH_CLASS = -604;
inline constexpr DirResult ERR_TRANSPORT_FAILURE = -625;
inline constexpr DirResult ERR_SYSTEM_FAILURE = -632;
inline constexpr DirResult ERR_UNREACHABLE_SERVER = -635;
// The server refused the bind's password, or the bound identity may not do
// what was asked (LDAP directories).
inline constexpr DirResult ERR_FAILED_AUTHENTICATION = -669;
inline constexpr DirResult ERR_NO_ACCESS = -672;
// A server's limit ended a listing or search before its end: the number of
// entries it returns, the time it spends, or an administrative limit (LDAP
// directories). The objects delivered before it are valid.
inline constexpr DirResult ERR_SIZE_LIMIT_EXCEEDED = -761;
inline constexpr DirResult ERR_TIME_LIMIT_EXCEEDED = -762;
inline constexpr DirResult ERR_ADMIN_LIMIT_EXCEEDED = -763;

// Start-up and connection codes (16-bit, unsigned).
inline constexpr ConnResult CONN_CLIENT_NOT_AVAILABLE = 0xFFFF;
inline constexpr ConnResult CONN_INVALID_CONNECTION = 0x8801;
inline constexpr ConnResult CONN_NO_MORE_ENTRIES = 0x88FF;

// Context keys.
inline constexpr std::uint32_t DCK_FLAGS = 1;
inline constexpr std::uint32_t DCK_CONFIDENCE = 2;
inline constexpr std::uint32_t DCK_NAME_CONTEXT = 3;
inline constexpr std::uint32_t DCK_TREE_NAME = 11;
inline constexpr std::uint32_t DCK_DSI_FLAGS = 12;
// The attributes that reads of the objects this context's searches find will
// ask for: their names, one a line ("" when not known, as in a new context).
// A directory may bring them with the search itself, so that those reads need
// no request of their own; what the search finds and what reads return stay
// the same either way.
inline constexpr std::uint32_t DCK_SEARCH_READS = 32;

// Context flag bits (key 1). A new context has DCV_DEREF_ALIASES,
// DCV_XLATE_STRINGS and DCV_CANONICALIZE_NAMES.
inline constexpr std::uint32_t DCV_DEREF_ALIASES = 0x01;
inline constexpr std::uint32_t DCV_XLATE_STRINGS = 0x02;
inline constexpr std::uint32_t DCV_TYPELESS_NAMES = 0x04;
inline constexpr std::uint32_t DCV_CANONICALIZE_NAMES = 0x10;

// Entry-information fields (key 12 mask, DirGetEntryInfoField).
inline constexpr std::uint32_t DSI_MODIFICATION_TIME = 32;
inline constexpr std::uint32_t DSI_CREATION_TIME = 64;
inline constexpr std::uint32_t DSI_BASE_CLASS = 2048;
inline constexpr std::uint32_t DSI_RDN = 4096;
inline constexpr std::uint32_t DSI_DN = 8192;
inline constexpr std::uint32_t DSI_PARENT_DN = 32768;
// The entry's distinguished name as its source spells it, for services whose
// entries have one (an LDAP server, an LDIF file); the block leaves the field
// out for the others (DirGetEntryInfoField: ERR_BUFFER_EMPTY).
inline constexpr std::uint32_t DSI_SOURCE_DN = 0x40000000;

// Buffer operations for DirInitBuffer, iteration operation for
// DirCloseIteration.
inline constexpr std::uint32_t DSV_READ = 3;
inline constexpr std::uint32_t DSV_READ_ATTR_DEF = 12;
inline constexpr std::uint32_t DSV_READ_CLASS_DEF = 15;
inline constexpr std::uint32_t DSV_SEARCH_FILTER = 28;
inline constexpr std::uint32_t DSV_SEARCH = 6;

// Filter token codes for DirAddFilterToken.
inline constexpr std::uint32_t FTOK_END = 0;
inline constexpr std::uint32_t FTOK_OR = 1;
inline constexpr std::uint32_t FTOK_AND = 2;
inline constexpr std::uint32_t FTOK_NOT = 3;
inline constexpr std::uint32_t FTOK_LPAREN = 4;
inline constexpr std::uint32_t FTOK_RPAREN = 5;
inline constexpr std::uint32_t FTOK_AVAL = 6;
inline constexpr std::uint32_t FTOK_EQ = 7;
inline constexpr std::uint32_t FTOK_GE = 8;
inline constexpr std::uint32_t FTOK_LE = 9;
inline constexpr std::uint32_t FTOK_APPROX = 10;
inline constexpr std::uint32_t FTOK_ANAME = 14;
inline constexpr std::uint32_t FTOK_PRESENT = 15;
inline constexpr std::uint32_t FTOK_RDN = 16;
inline constexpr std::uint32_t FTOK_BASECLS = 17;

// Object information block written by DirGetObjectName (148 bytes).
struct DirObjectInfo
{
    std::uint32_t flags; // DS_ALIAS_ENTRY, DS_PARTITION_ROOT, DS_CONTAINER_ENTRY
    std::uint32_t subordinateCount;
    std::uint32_t modificationTime; // seconds since 1970-01-01 UTC
    char baseClass[136]; // NUL-terminated
};
static_assert(sizeof(DirObjectInfo) == 148);

inline constexpr std::uint32_t DS_ALIAS_ENTRY = 0x01;
inline constexpr std::uint32_t DS_PARTITION_ROOT = 0x02;
inline constexpr std::uint32_t DS_CONTAINER_ENTRY = 0x04;

// An object identifier: length n, then 32 data bytes whose first n are the
// identifier in ASN.1 basic encoding (tag 6, length, content).
struct DirObjectId
{
    std::uint32_t length;
    std::uint8_t data[32];
};
static_assert(sizeof(DirObjectId) == 36);

// Class information written by DirGetClassDef.
struct DirClassInfo
{
    std::uint32_t flags;
    DirObjectId oid;
};
static_assert(sizeof(DirClassInfo) == 40);

// Attribute information written by DirGetAttrDef (52 bytes).
struct DirAttrInfo
{
    std::uint32_t flags;
    std::uint32_t syntaxId;
    std::uint32_t lowerBound;
    std::uint32_t upperBound;
    DirObjectId oid;
};
static_assert(sizeof(DirAttrInfo) == 52);

// Class flags.
inline constexpr std::uint32_t DS_CONTAINER_CLASS = 0x01;
inline constexpr std::uint32_t DS_EFFECTIVE_CLASS = 0x02;
inline constexpr std::uint32_t DS_NONREMOVABLE_CLASS = 0x04;
inline constexpr std::uint32_t DS_AMBIGUOUS_NAMING = 0x08;
inline constexpr std::uint32_t DS_AMBIGUOUS_CONTAINMENT = 0x10;
inline constexpr std::uint32_t DS_AUXILIARY_CLASS = 0x20;

// Attribute flags.
inline constexpr std::uint32_t DS_SINGLE_VALUED_ATTR = 0x01;
inline constexpr std::uint32_t DS_SIZED_ATTR = 0x02;
inline constexpr std::uint32_t DS_NONREMOVABLE_ATTR = 0x04;
inline constexpr std::uint32_t DS_READ_ONLY_ATTR = 0x08;
inline constexpr std::uint32_t DS_HIDDEN_ATTR = 0x10;
inline constexpr std::uint32_t DS_STRING_ATTR = 0x20;
inline constexpr std::uint32_t DS_SYNC_IMMEDIATE = 0x40;
inline constexpr std::uint32_t DS_PUBLIC_READ = 0x80;

// The 8-byte time stamp handed with time comparisons and to DirSearch.
struct DirTimeStamp
{
    std::uint32_t wholeSeconds;
    std::uint16_t replicaNumber;
    std::uint16_t eventId;
};
static_assert(sizeof(DirTimeStamp) == 8);

// ---------------------------------------------------------------------------
// Contexts

// Creates a context on the primary connection's tree, with that tree's default
// name context ("[Root]" where it has none) and the flags 0x01|0x02|0x10.
// Fails with ERR_UNREACHABLE_SERVER when the client has no connection.
DirResult DirCreateContext(DirContext* context);
// Writes into *copy a new context with every key of the given one.
DirResult DirDuplicateContext(DirContext context, DirContext* copy);
// Returns a new context with every key of the given one, or kNoContext.
DirContext DirOpenContext(DirContext context);
// Frees a context and any iteration left open on it.
DirResult DirFreeContext(DirContext context);
// Reads a context key. Keys 1, 2 and 12 write one uint32_t into value; keys 3,
// 11 and 32 write a NUL-terminated text of at most kNameBufferSize bytes (the
// name context in the name form the flags ask for, "[Root]" exactly as is;
// the tree name in its connection's spelling; the names of key 32 as set).
// Unknown key: ERR_BAD_KEY.
DirResult DirGetContext(DirContext context, std::uint32_t key, void* value);
// Writes a context key: value points at a uint32_t for keys 1, 2, 12 and at a
// NUL-terminated text for keys 3, 11 and 32 (a text of key 32 longer than
// kMaxNameChars gives ERR_BUFFER_FULL). Switching to a tree that no
// connection serves gives ERR_UNREACHABLE_SERVER (and sets the name context
// to the tree's default otherwise); a name context that does not parse gives
// ERR_INVALID_OBJECT_NAME.
DirResult DirSetContext(DirContext context, std::uint32_t key, const void* value);
// Writes the default name context of the context's tree (may be empty) as a
// NUL-terminated text of at most size bytes.
DirResult DirGetDefaultNameContext(DirContext context, std::size_t size, char* text);

// ---------------------------------------------------------------------------
// Buffers

// Allocates a buffer of kSmallBufferSize or kLargeBufferSize bytes (other
// sizes from 1,024 bytes to 1 MiB are accepted too; smaller sizes give
// ERR_BUFFER_FULL, larger ERR_NOT_ENOUGH_MEMORY). The caller frees it with
// DirFreeBuffer; a freed buffer is an invalid handle everywhere.
DirResult DirAllocBuffer(std::size_t size, DirBuffer** buffer);
// Frees a buffer; ERR_INVALID_HANDLE for one already freed.
DirResult DirFreeBuffer(DirBuffer* buffer);
// Prepares a request buffer for an operation (DSV_READ, DSV_READ_ATTR_DEF,
// DSV_READ_CLASS_DEF, DSV_SEARCH_FILTER).
DirResult DirInitBuffer(DirContext context, std::uint32_t operation, DirBuffer* buffer);
// Appends an attribute name to a DSV_READ or DSV_READ_ATTR_DEF request (any
// text is accepted; names the schema lacks read as absent). ERR_BUFFER_FULL
// when the request buffer has no room left.
DirResult DirPutAttrName(DirContext context, DirBuffer* buffer, const char* name);
// Appends a class name to a DSV_READ_CLASS_DEF request (an empty name is
// accepted and means nothing).
DirResult DirPutClassItem(DirContext context, DirBuffer* buffer, const char* name);

// ---------------------------------------------------------------------------
// Reading objects

// Reads attributes of one object into reply, reply by reply. infoType 0 gives
// names only, 1 names and values. all = true reads every attribute; else the
// names in the DSV_READ request buffer. *iteration is -1 on the first call and
// comes back -1 after the last reply. Attributes come in the order asked
// (schema order with all = true), each attribute once, in the schema's
// spelling; "Object Class" and the naming attribute's own value are always
// there. infoType above 1 gives ERR_BAD_VERB; a request buffer not prepared
// with DSV_READ ERR_BAD_VERB.
DirResult DirRead(DirContext context, const char* object, std::uint32_t infoType, bool all, DirBuffer* attrNames,
    std::int32_t* iteration, DirBuffer* reply);
// Number of attributes (or attribute definitions) in a reply.
DirResult DirGetAttrCount(DirContext context, DirBuffer* reply, std::uint32_t* count);
// Takes the next attribute of a DirRead reply: name (schema spelling, at most
// kMaxSchemaNameChars + 1 bytes written), its value count in this reply and its
// syntax id.
DirResult DirGetAttrName(
    DirContext context, DirBuffer* reply, char* name, std::uint32_t* valueCount, std::uint32_t* syntaxId);
// Size in bytes of the next value of the current attribute as DirGetAttrValue
// writes it. The value is sized in the layout of its attribute's syntax (the
// syntaxId argument is accepted for compatibility and not needed).
// ERR_BUFFER_EMPTY when the attribute has no value left in this reply;
// ERR_SYSTEM_FAILURE for a value a service delivered malformed.
DirResult DirComputeAttrValueSize(DirContext context, DirBuffer* reply, std::uint32_t syntaxId, std::size_t* size);
// Takes the next value and writes it into storage (exactly the size
// DirComputeAttrValueSize gave) in the layout of client/values.h for the
// syntax; pointers inside it point into the same storage.
DirResult DirGetAttrValue(DirContext context, DirBuffer* reply, std::uint32_t syntaxId, void* storage);

// ---------------------------------------------------------------------------
// Listing and object names

// Lists the objects directly below object (DirListContainers: containers
// only, the objects whose class is a container class) into reply, reply by
// reply through *iteration, in name order ignoring ASCII case. "[Root]" lists
// the top-level objects. ERR_NO_SUCH_ENTRY for an object that does not exist.
DirResult DirList(DirContext context, const char* object, std::int32_t* iteration, DirBuffer* reply);
DirResult DirListContainers(DirContext context, const char* object, std::int32_t* iteration, DirBuffer* reply);
// Number of objects in a listing or search reply.
DirResult DirGetObjectCount(DirContext context, DirBuffer* reply, std::uint32_t* count);
// Takes the next object of a listing or search reply: its name (at most
// kNameBufferSize bytes, in the context's name form), its attribute count and
// its information block.
DirResult DirGetObjectName(
    DirContext context, DirBuffer* reply, char* name, std::uint32_t* attrCount, DirObjectInfo* info);
// Resolves a name against the context's name context and writes the full
// name without a leading dot (at most kNameBufferSize bytes), typed or
// typeless as the flags ask. Never looks the object up.
DirResult DirNameConvert(DirContext context, const char* name, char* fullName);

// ---------------------------------------------------------------------------
// Entry information

// Reads the fields of key 12's mask for an object into block (blockSize
// bytes, 4096 suffice): a self-contained encoding DirGetEntryInfoField reads.
// ERR_BUFFER_FULL when the fields do not fit blockSize.
DirResult DirReadEntryInfo(DirContext context, const char* object, std::size_t blockSize, void* block);
// Takes one field out of a block: time fields write exactly 4 bytes (uint32_t);
// text fields a NUL-terminated text of at most size bytes (ERR_BUFFER_FULL
// when it does not fit). A field the block does not hold gives
// ERR_BUFFER_EMPTY; a block DirReadEntryInfo did not write ERR_INVALID_HANDLE.
DirResult DirGetEntryInfoField(
    DirContext context, const void* block, std::size_t size, std::uint32_t field, void* value);

// ---------------------------------------------------------------------------
// Schema

// Reads class definitions: infoType 0 names, 1 definitions, 2 expanded
// definitions (with the five item lists, inherited items included), 3 class
// information. all = true reads every class and ignores names (may be null).
DirResult DirReadClassDef(
    DirContext context, std::uint32_t infoType, bool all, DirBuffer* names, std::int32_t* iteration, DirBuffer* reply);
// Reads attribute definitions: infoType 0 names, 1 definitions.
DirResult DirReadAttrDef(
    DirContext context, std::uint32_t infoType, bool all, DirBuffer* names, std::int32_t* iteration, DirBuffer* reply);
// Number of class definitions in a DirReadClassDef reply.
DirResult DirGetClassDefCount(DirContext context, DirBuffer* reply, std::uint32_t* count);
// Takes the next class definition: name (at most kMaxSchemaNameChars + 1
// bytes) and, for info types 1-3, its information (info may be null for 0).
DirResult DirGetClassDef(DirContext context, DirBuffer* reply, char* name, DirClassInfo* info);
// Takes the next attribute definition: name and, for info type 1, its
// information (info may be null for 0).
DirResult DirGetAttrDef(DirContext context, DirBuffer* reply, char* name, DirAttrInfo* info);
// Item count of the next of the five lists of an expanded class definition
// (super classes, containment, naming, mandatory, optional).
DirResult DirGetClassItemCount(DirContext context, DirBuffer* reply, std::uint32_t* count);
// Takes the next item of the current list (at most kMaxSchemaNameChars + 1
// bytes written); ERR_BUFFER_EMPTY past the list's last item.
DirResult DirGetClassItem(DirContext context, DirBuffer* reply, char* name);
// Syntax id of an attribute; ERR_NO_SUCH_ATTRIBUTE when the schema lacks it.
DirResult DirGetSyntaxId(DirContext context, const char* attribute, std::uint32_t* syntaxId);

// ---------------------------------------------------------------------------
// Filters and search

// Allocates a filter cursor. DirPutFilter takes it over on success; otherwise
// the caller frees it with DirFreeFilter.
DirResult DirAllocFilter(DirFilter** cursor);
// Appends a token. value: see the token-6 value forms in client/values.h
// (NUL-terminated text, int32, DirTimeStamp) or nullptr; copied at once.
// Without a cursor: ERR_INVALID_HANDLE.
DirResult DirAddFilterToken(DirFilter* cursor, std::uint32_t token, const void* value, std::uint32_t syntaxId);
// Builds the expression and writes it into the DSV_SEARCH_FILTER request
// buffer. Success takes the cursor over and frees it; after a failure the
// caller still owns it. A null cursor writes "no filter" and returns 0.
// The tokens must end with FTOK_END and nothing after it. Distinguished-name
// values (syntax 1) are resolved against the context's name context here.
// A base-class test with an empty class name passes every object (every
// object has a base class); class and relative-name tests take "*"
// wildcards. A comparison on a syntax without a token-6 value form (0, 6,
// 9-18, 21, 23 and ids above 27, except the texts of 6 and 10) matches
// nothing.
DirResult DirPutFilter(DirContext context, DirBuffer* buffer, DirFilter* cursor, DirFreeValueFn freeValue);
// Frees a cursor and its copied token values; ERR_INVALID_HANDLE for a cursor
// already freed or taken over by DirPutFilter.
DirResult DirFreeFilter(DirFilter* cursor, DirFreeValueFn freeValue);
// Searches below base (scope 0 the base itself, 1 one level, 2 the subtree,
// the base excluded for 1 and 2) with the filter of the request buffer
// (nullptr or an empty buffer: no filter). Results come reply by reply
// through *iteration, in name order within each container, depth first.
// searchAliases, timeStamp and the counts are accepted and ignored, except
// that *objectsSearched (if given) receives the number of objects examined.
// Replies carry names and information blocks only: infoType, all and
// attrNames are accepted and ignored (read attributes with DirRead). A scope
// other than 0, 1 or 2 gives ERR_BAD_VERB; a filter buffer prepared for
// another operation ERR_BAD_VERB.
DirResult DirSearch(DirContext context, const char* base, std::int32_t scope, bool searchAliases, DirBuffer* filter,
    const DirTimeStamp* timeStamp, std::uint32_t infoType, bool all, DirBuffer* attrNames, std::int32_t* iteration,
    std::int32_t objectsToSearch, std::int32_t* objectsSearched, DirBuffer* reply);
// Releases an iteration of any kind before its last reply (operation DSV_SEARCH
// or DSV_READ etc.; the operation is not checked). ERR_INVALID_HANDLE for a
// handle the context does not hold open.
DirResult DirCloseIteration(DirContext context, std::int32_t iteration, std::uint32_t operation);

// ---------------------------------------------------------------------------
// Streams

// Opens a stream attribute (mode 1 = read): *fileHandle receives a POSIX file
// descriptor positioned at 0 holding the stream's bytes; the caller closes it.
// An object without the stream attribute gives ERR_NO_SUCH_ATTRIBUTE; another
// mode ERR_BAD_VERB.
DirResult DirOpenStream(
    DirContext context, const char* object, const char* attribute, std::uint32_t mode, int* fileHandle);

// ---------------------------------------------------------------------------
// Connections and start-up (16-bit codes)

// Starts the client: loads the workstation configuration. 0 on success;
// CONN_CLIENT_NOT_AVAILABLE when sources are configured but none loads. Each
// source that loads becomes one connection, in order (the first is the
// primary); one that does not is reported on standard error with its file,
// place and fault. No source at all (an empty VERALITH_TREES) starts a client
// without connections. Calling it again reloads the configuration; contexts
// made before keep working on the trees they had.
ConnResult ClientInit(void* reserved1, void* reserved2);
// Scans the connections: *iterator 0 before the first call. Writes the next
// connection's reference; CONN_NO_MORE_ENTRIES past the last.
ConnResult ConnScan(std::uint32_t* iterator, std::uint32_t* reference);
// The first connection; CONN_INVALID_CONNECTION when there is none.
ConnResult ConnGetPrimary(std::uint32_t* reference);
// Information type 4: the tree name padded with "_" to 32 characters, then NUL
// (needs length >= 33). An unknown reference, another information type or a
// shorter length give CONN_INVALID_CONNECTION and write nothing.
ConnResult ConnGetInfo(std::uint32_t reference, std::uint32_t infoType, std::size_t length, void* value);
// Opens a connection by reference: *handle receives a handle that is never
// 0xFFFF; CONN_INVALID_CONNECTION for an unknown reference. Nothing needs
// closing.
ConnResult ConnOpenByRef(std::uint32_t reference, std::uint32_t mode, std::uint32_t flags, std::uint32_t* handle);

// ---------------------------------------------------------------------------
// Configuration, outside the classic client API

// The workstation configuration: the tree sources the program was started
// with (command-line arguments). An empty list means: VERALITH_TREES, else
// the built-in sample trees. Takes effect at the next ClientInit. A source is
// a tree-file path, or "builtin:NAME" for a built-in tree file (NAME is the
// file's stem, e.g. "builtin:sample"), or an LDAP URL
// ("ldap://host[:port]/BASE", "ldaps://...", options "?starttls" and
// "?tree=NAME"; see client/ldap/connection.h), bound with the DN of
// VERALITH_LDAP_BINDDN and the password of the file VERALITH_LDAP_PASSWORD_FILE
// (or VERALITH_LDAP_PASSWORD), anonymously without them. Tests and programs with their own
// directory install services with SetTreeServices (client/service.h).
void SetTreeSources(std::vector<std::string> sources);

// The messages of the sources the last ClientInit could not load, in order
// ("<source>: <what and why>"); empty when every source loaded.
const std::vector<std::string>& TreeSourceErrors();
// Whether ClientInit also writes each of those messages to standard error
// (default true; a program that reports them itself turns it off).
void SetTreeSourceErrorsToStandardError(bool print);

// Counts of what callers hold open, for tests that check every path releases
// what it allocated.
struct ClientResourceCounts
{
    std::size_t contexts = 0;
    std::size_t buffers = 0;
    std::size_t filters = 0;
    std::size_t iterations = 0;
};
ClientResourceCounts GetClientResourceCounts();

// Number of client operations called so far (every Dir* and Conn* operation
// and ClientInit), for tests that prove an operation made no client call.
std::uint64_t GetClientCallCount();

// One DirAddFilterToken call as the client received it: the token, its value
// bytes as copied (empty when none) and the syntax id.
struct FilterTokenRecord
{
    std::uint32_t token = 0;
    bool hasValue = false;
    std::string value;
    std::uint32_t syntaxId = 0;
};
// Installs an observer that sees every token added to any cursor (tests of the
// filter translation record the token stream with it); an empty function
// removes it. Returns the previous observer.
using FilterTokenObserver = std::function<void(const FilterTokenRecord&)>;
FilterTokenObserver SetFilterTokenObserver(FilterTokenObserver observer);

} // namespace veralith::client
