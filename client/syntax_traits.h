#pragma once

// The syntaxes, declared once: one row per syntax id saying how its values are
// laid out, compared, written in tree files and in LDAP, and shown. Every
// layer that treats values by syntax consults this table and dispatches on
// the row's fields, so a new syntax is one row here plus, where its layout or
// rendering is new, the code for that layout or rendering.
//
// Ids past the known ones (SYNTAX_COUNT and above) share the last row: their
// values are raw bytes, shown in hexadecimal, never compared by a filter.

#include "client/values.h"

#include <cstdint>
#include <string_view>

namespace veralith::client {

// How a value is encoded on the wire (client/wire.h) and which structure
// DirGetAttrValue writes for it (client/values.h).
enum class ValueLayout : std::uint8_t {
    Text, // the text's bytes; written as char[] with a NUL
    Name, // an object's full name, laid out as a text
    Flag, // one byte
    Int32, // four bytes, a signed number
    Seconds, // four bytes, seconds since 1970 UTC
    TimeStamp, // DirTimeStamp: seconds, replica number, event id
    TextList, // CaseIgnoreListNode chain
    OctetList, // OctetListNode chain
    PostalAddress, // PostalAddressValue: at most six lines
    OctetString, // OctetStringValue
    FaxNumber, // FaxNumberValue
    NetAddress, // NetAddressValue
    EmailAddress, // EmailAddressValue
    Path, // PathValue
    ReplicaPointer, // ReplicaPointerValue with its addresses
    Acl, // AclValue
    BackLink, // BackLinkValue
    TypedName, // TypedNameValue
    Hold, // HoldValue
    Stream, // no value bytes: the content is read through DirOpenStream
    Unknown, // UnknownValue: the syntax number and the bytes
    RawBytes, // the value's bytes as they are
};

// What the value of a filter comparison (token FTOK_AVAL) is for the syntax.
enum class FilterValue : std::uint8_t {
    None, // the token carries no value
    Text, // a NUL-terminated text
    Flag, // an int32_t, 1 or 0
    Integer, // an int32_t
    Time, // a DirTimeStamp
    NotComparable, // a filter cannot compare values of the syntax
};

// The equality a directory applies to the syntax's values.
enum class SyntaxMatch : std::uint8_t {
    Bytes, // octet strings, numbers, times, addresses: byte for byte
    CaseExact, // prepared strings, case kept (caseExactMatch)
    CaseIgnore, // prepared strings, case folded (caseIgnoreMatch and its kin)
    Numeric, // every space removed (numericStringMatch)
    Telephone, // spaces and hyphens removed, case folded (telephoneNumberMatch)
    Name, // distinguished names, relative name by relative name (distinguishedNameMatch)
};

// How the in-memory directory compares a stored value with a filter's.
enum class StoredCompare : std::uint8_t {
    None, // never equal to a filter value
    Texts, // by its text or texts (a list's items, a typed name's name)
    Number, // by its number (a flag, integer, time or hold amount)
};

// The JSON form of a value in a tree file.
enum class TreeShape : std::uint8_t {
    Name, // a string: the full name of an object of the tree
    Text, // a string
    DigitsText, // a string of digits and blanks
    PrintableText, // a string of printable-string characters
    ClassName, // a string naming a class of the schema
    TextList, // an array of strings
    ByteList, // an array of byte strings
    PostalLines, // an array of at most six strings
    Flag, // true, false or an integer from 0 to 255
    Integer, // an integer in the int32_t range
    Time, // an ISO 8601 UTC time or whole seconds since 1970
    Bytes, // a byte string ("hex:", "base64:" or "text:")
    FaxRecord, // {number, parameters}
    NetAddressRecord, // {type, address as bytes}
    EmailRecord, // {type, address as text}
    PathRecord, // {nameSpace, volume, path}
    ReplicaRecord, // {server, type, number, addresses}
    AclRecord, // {attribute, subject, rights}
    TimeStampRecord, // {time, replica, event}
    BackLinkRecord, // {remoteId, name}
    TypedNameRecord, // {name, level, interval}
    HoldRecord, // {name, amount}
    UnknownRecord, // {number, bytes}, or bytes alone
};

// The string form of a value in LDAP.
enum class LdapMapping : std::uint8_t {
    Name, // a DN, mapped to and from the full name
    Text, // the text, without NUL bytes
    Boolean, // TRUE or FALSE
    Integer, // a decimal number, clamped to int32_t
    GeneralizedTime, // a generalized time
    FaxNumber, // the number before the first '$'
    PostalLines, // at most six lines separated by '$'
    ItemList, // items separated by '$'
    TypedAddress, // type#address
    Path, // nameSpace#volume#path
    Acl, // privileges#scope#subject#attribute
    TimeStamp, // seconds#replica#event
    NumberAndName, // number#name
    TypedName, // level#interval#name
    NotMapped, // no LDAP form
    UnknownBytes, // the bytes, with syntax number 0
    Bytes, // the bytes as they are
};

// How values/ shows the syntax's values.
enum class Rendering : std::uint8_t {
    Text,
    TextList,
    Boolean,
    Integer,
    Duration,
    Time,
    TimeStamp,
    OctetString,
    OctetList,
    FaxNumber,
    NetAddress,
    EmailAddress,
    Path,
    ReplicaPointer,
    Acl,
    PostalAddress,
    BackLink,
    TypedName,
    Hold,
    Stream,
    Unknown,
    Hex,
};

struct SyntaxTraits
{
    std::uint32_t id;
    std::string_view name;
    ValueLayout layout;
    FilterValue filter;
    SyntaxMatch match;
    StoredCompare compare;
    TreeShape tree;
    LdapMapping ldap;
    Rendering render;
};

// Row SYNTAX_COUNT stands for every id past the known ones.
inline constexpr SyntaxTraits kSyntaxTraits[SYNTAX_COUNT + 1] = {
    // clang-format off
    {SYN_UNKNOWN, "unknown", ValueLayout::Unknown, FilterValue::None, SyntaxMatch::Bytes, StoredCompare::None,
        TreeShape::UnknownRecord, LdapMapping::UnknownBytes, Rendering::Unknown},
    {SYN_DIST_NAME, "distinguished name", ValueLayout::Name, FilterValue::Text, SyntaxMatch::Name,
        StoredCompare::Texts, TreeShape::Name, LdapMapping::Name, Rendering::Text},
    {SYN_CE_STRING, "case-exact string", ValueLayout::Text, FilterValue::Text, SyntaxMatch::CaseExact,
        StoredCompare::Texts, TreeShape::Text, LdapMapping::Text, Rendering::Text},
    {SYN_CI_STRING, "case-ignore string", ValueLayout::Text, FilterValue::Text, SyntaxMatch::CaseIgnore,
        StoredCompare::Texts, TreeShape::Text, LdapMapping::Text, Rendering::Text},
    {SYN_PR_STRING, "printable string", ValueLayout::Text, FilterValue::Text, SyntaxMatch::CaseIgnore,
        StoredCompare::Texts, TreeShape::PrintableText, LdapMapping::Text, Rendering::Text},
    {SYN_NU_STRING, "numeric string", ValueLayout::Text, FilterValue::Text, SyntaxMatch::Numeric,
        StoredCompare::Texts, TreeShape::DigitsText, LdapMapping::Text, Rendering::Text},
    {SYN_CI_LIST, "case-ignore list", ValueLayout::TextList, FilterValue::NotComparable, SyntaxMatch::CaseIgnore,
        StoredCompare::Texts, TreeShape::TextList, LdapMapping::ItemList, Rendering::TextList},
    {SYN_BOOLEAN, "boolean", ValueLayout::Flag, FilterValue::Flag, SyntaxMatch::Bytes, StoredCompare::Number,
        TreeShape::Flag, LdapMapping::Boolean, Rendering::Boolean},
    {SYN_INTEGER, "integer", ValueLayout::Int32, FilterValue::Integer, SyntaxMatch::Bytes, StoredCompare::Number,
        TreeShape::Integer, LdapMapping::Integer, Rendering::Integer},
    {SYN_OCTET_STRING, "octet string", ValueLayout::OctetString, FilterValue::NotComparable, SyntaxMatch::Bytes,
        StoredCompare::None, TreeShape::Bytes, LdapMapping::Bytes, Rendering::OctetString},
    {SYN_TEL_NUMBER, "telephone number", ValueLayout::Text, FilterValue::NotComparable, SyntaxMatch::Telephone,
        StoredCompare::Texts, TreeShape::Text, LdapMapping::Text, Rendering::Text},
    {SYN_FAX_NUMBER, "facsimile telephone number", ValueLayout::FaxNumber, FilterValue::NotComparable,
        SyntaxMatch::Telephone, StoredCompare::None, TreeShape::FaxRecord, LdapMapping::FaxNumber, Rendering::FaxNumber},
    {SYN_NET_ADDRESS, "network address", ValueLayout::NetAddress, FilterValue::NotComparable, SyntaxMatch::Bytes,
        StoredCompare::None, TreeShape::NetAddressRecord, LdapMapping::TypedAddress, Rendering::NetAddress},
    {SYN_OCTET_LIST, "octet list", ValueLayout::OctetList, FilterValue::NotComparable, SyntaxMatch::Bytes,
        StoredCompare::None, TreeShape::ByteList, LdapMapping::ItemList, Rendering::OctetList},
    {SYN_EMAIL_ADDRESS, "e-mail address", ValueLayout::EmailAddress, FilterValue::NotComparable,
        SyntaxMatch::CaseIgnore, StoredCompare::None, TreeShape::EmailRecord, LdapMapping::TypedAddress,
        Rendering::EmailAddress},
    {SYN_PATH, "path", ValueLayout::Path, FilterValue::NotComparable, SyntaxMatch::Bytes, StoredCompare::None,
        TreeShape::PathRecord, LdapMapping::Path, Rendering::Path},
    {SYN_REPLICA_POINTER, "replica pointer", ValueLayout::ReplicaPointer, FilterValue::NotComparable,
        SyntaxMatch::Bytes, StoredCompare::None, TreeShape::ReplicaRecord, LdapMapping::NotMapped,
        Rendering::ReplicaPointer},
    {SYN_OBJECT_ACL, "object ACL", ValueLayout::Acl, FilterValue::NotComparable, SyntaxMatch::Bytes,
        StoredCompare::None, TreeShape::AclRecord, LdapMapping::Acl, Rendering::Acl},
    {SYN_PO_ADDRESS, "postal address", ValueLayout::PostalAddress, FilterValue::NotComparable,
        SyntaxMatch::CaseIgnore, StoredCompare::None, TreeShape::PostalLines, LdapMapping::PostalLines,
        Rendering::PostalAddress},
    {SYN_TIMESTAMP, "timestamp", ValueLayout::TimeStamp, FilterValue::Time, SyntaxMatch::Bytes,
        StoredCompare::Number, TreeShape::TimeStampRecord, LdapMapping::TimeStamp, Rendering::TimeStamp},
    {SYN_CLASS_NAME, "class name", ValueLayout::Text, FilterValue::Text, SyntaxMatch::CaseIgnore,
        StoredCompare::Texts, TreeShape::ClassName, LdapMapping::Text, Rendering::Text},
    {SYN_STREAM, "stream", ValueLayout::Stream, FilterValue::NotComparable, SyntaxMatch::Bytes, StoredCompare::None,
        TreeShape::Bytes, LdapMapping::Bytes, Rendering::Stream},
    {SYN_COUNTER, "counter", ValueLayout::Int32, FilterValue::Integer, SyntaxMatch::Bytes, StoredCompare::Number,
        TreeShape::Integer, LdapMapping::Integer, Rendering::Integer},
    {SYN_BACK_LINK, "back link", ValueLayout::BackLink, FilterValue::NotComparable, SyntaxMatch::Bytes,
        StoredCompare::None, TreeShape::BackLinkRecord, LdapMapping::NumberAndName, Rendering::BackLink},
    {SYN_TIME, "time", ValueLayout::Seconds, FilterValue::Time, SyntaxMatch::Bytes, StoredCompare::Number,
        TreeShape::Time, LdapMapping::GeneralizedTime, Rendering::Time},
    {SYN_TYPED_NAME, "typed name", ValueLayout::TypedName, FilterValue::Text, SyntaxMatch::Bytes,
        StoredCompare::Texts, TreeShape::TypedNameRecord, LdapMapping::TypedName, Rendering::TypedName},
    {SYN_HOLD, "hold", ValueLayout::Hold, FilterValue::Integer, SyntaxMatch::Bytes, StoredCompare::Number,
        TreeShape::HoldRecord, LdapMapping::NumberAndName, Rendering::Hold},
    {SYN_INTERVAL, "interval", ValueLayout::Int32, FilterValue::Integer, SyntaxMatch::Bytes, StoredCompare::Number,
        TreeShape::Integer, LdapMapping::Integer, Rendering::Duration},
    {SYNTAX_COUNT, "unlisted", ValueLayout::RawBytes, FilterValue::None, SyntaxMatch::Bytes, StoredCompare::None,
        TreeShape::Bytes, LdapMapping::Bytes, Rendering::Hex},
    // clang-format on
};

// Each row stands at the index of its id.
constexpr bool RowsStandAtTheirIds()
{
    for (std::uint32_t id = 0; id <= SYNTAX_COUNT; ++id) {
        if (kSyntaxTraits[id].id != id) {
            return false;
        }
    }
    return true;
}
static_assert(RowsStandAtTheirIds(), "a syntax row stands out of order");

// The row of a syntax id; ids past the known ones get the last row.
inline const SyntaxTraits& TraitsOfSyntax(std::uint32_t syntaxId)
{
    return kSyntaxTraits[syntaxId < SYNTAX_COUNT ? syntaxId : SYNTAX_COUNT];
}

} // namespace veralith::client
