#pragma once

// Value layouts: how DirGetAttrValue writes one value of each syntax into the
// caller's storage (sized by DirComputeAttrValueSize), and the forms of token-6
// values handed to DirAddFilterToken. Every pointer inside a written value
// points into the same storage block; readers use the fields, never raw
// offsets.

#include "client/client.h"

#include <cstdint>

namespace veralith::client {

// Syntax ids.
enum SyntaxId : std::uint32_t {
    SYN_UNKNOWN = 0,
    SYN_DIST_NAME = 1,
    SYN_CE_STRING = 2,
    SYN_CI_STRING = 3,
    SYN_PR_STRING = 4,
    SYN_NU_STRING = 5,
    SYN_CI_LIST = 6,
    SYN_BOOLEAN = 7,
    SYN_INTEGER = 8,
    SYN_OCTET_STRING = 9,
    SYN_TEL_NUMBER = 10,
    SYN_FAX_NUMBER = 11,
    SYN_NET_ADDRESS = 12,
    SYN_OCTET_LIST = 13,
    SYN_EMAIL_ADDRESS = 14,
    SYN_PATH = 15,
    SYN_REPLICA_POINTER = 16,
    SYN_OBJECT_ACL = 17,
    SYN_PO_ADDRESS = 18,
    SYN_TIMESTAMP = 19,
    SYN_CLASS_NAME = 20,
    SYN_STREAM = 21,
    SYN_COUNTER = 22,
    SYN_BACK_LINK = 23,
    SYN_TIME = 24,
    SYN_TYPED_NAME = 25,
    SYN_HOLD = 26,
    SYN_INTERVAL = 27,
    SYNTAX_COUNT = 28,
};

// Syntaxes 1-5, 10 and 20: the text's bytes and a terminating NUL (char[]); the
// value's size (DirComputeAttrValueSize) is the text's length plus one, so a
// text holding a NUL is read whole by its size.
// Syntax 7: one byte (uint8_t), 0 = false.
// Syntaxes 8, 22, 27: int32_t. Syntax 24: uint32_t seconds since 1970 UTC.
// Syntax 21: no value bytes (DirOpenStream reads the content).
// Ids above 27: the raw value bytes.

// Syntax 0.
struct UnknownValue
{
    const char* attrName;
    std::uint32_t syntaxId;
    std::uint32_t length;
    const std::uint8_t* bytes;
};

// Syntax 6: a list of texts.
struct CaseIgnoreListNode
{
    const CaseIgnoreListNode* next;
    const char* text;
};

// Syntax 9.
struct OctetStringValue
{
    std::uint32_t length;
    const std::uint8_t* data;
};

// Syntax 11.
struct FaxNumberValue
{
    const char* telephoneNumber;
    std::uint32_t bitCount;
    const std::uint8_t* parameters; // (bitCount + 7) / 8 bytes, may be null when bitCount is 0
};

// Syntax 12 (also inside replica pointers).
struct NetAddressValue
{
    std::uint32_t addressType;
    std::uint32_t addressLength;
    const std::uint8_t* address;
};

// Syntax 13: a list of byte strings.
struct OctetListNode
{
    const OctetListNode* next;
    std::uint32_t length;
    const std::uint8_t* data;
};

// Syntax 14.
struct EmailAddressValue
{
    std::uint32_t type;
    const char* address;
};

// Syntax 15.
struct PathValue
{
    std::uint32_t nameSpaceType;
    const char* volumeName;
    const char* path;
};

// Syntax 16.
struct ReplicaPointerValue
{
    const char* serverName;
    std::uint32_t replicaType;
    std::uint32_t replicaNumber;
    std::uint32_t count; // number of entries in addresses
    const NetAddressValue* addresses;
};

// Syntax 17.
struct AclValue
{
    const char* protectedAttrName;
    const char* subjectName;
    std::uint32_t privileges;
};

// Syntax 18: six lines, empty lines are empty texts.
inline constexpr std::uint32_t kPostalAddressLines = 6;
struct PostalAddressValue
{
    const char* lines[kPostalAddressLines];
};

// Syntax 19 uses DirTimeStamp (client/client.h).

// Syntax 23.
struct BackLinkValue
{
    std::uint32_t remoteId;
    const char* objectName;
};

// Syntax 25.
struct TypedNameValue
{
    const char* objectName;
    std::uint32_t level;
    std::uint32_t interval;
};

// Syntax 26.
struct HoldValue
{
    const char* objectName;
    std::uint32_t amount;
};

// Token-6 value forms for DirAddFilterToken: a NUL-terminated text for
// syntaxes 1-5, 20 and 25; an int32_t for 7, 8, 22, 26 and 27; a DirTimeStamp
// for 19 and 24; no value (nullptr) for syntax 0 and ids above 27.

} // namespace veralith::client
