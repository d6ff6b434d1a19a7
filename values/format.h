#pragma once

// Rendering one attribute value of any syntax as text lines.

#include "client/client.h"
#include "client/values.h"
#include "util/string_list.h"

#include <cstdint>
#include <string>

namespace veralith::values {

// The description of one value that the attribute reader hands to the
// formatter: the value's size in bytes as the client computed it, and the
// attribute's syntax id.
struct AttributeValueInfo
{
    std::int32_t size = 0;
    std::uint32_t syntaxId = 0;
};

// Appends the text of one value to lines: one entry for most syntaxes, one per
// element for lists (syntaxes 6 and 13), six for a postal address (18); an
// entry may hold CR LF line breaks (a printer configuration ends with one,
// a stream's text has several).
//
// value points at info.size bytes laid out for info.syntaxId as
// client/values.h describes (the value as DirGetAttrValue wrote it); every
// pointer inside the value must point into those same bytes. Nothing outside
// them is read: a value shorter than its layout, a pointer that leaves the
// value, a text whose terminating zero is not inside the value, or a list that
// loops raises ValueError naming the syntax and what is wrong.
//
// context, objectName and attrName (the name as the directory writes it) are
// used by syntax 21, whose value bytes are not read: the stream is read with
// ReadStreamText and its text appended as one entry when that succeeds.
// valueIndex is the value's 1-based index within the attribute.
//
// Returns 0, or for syntax 21 the result of ReadStreamText (nothing is appended
// when it is not 0). When an error is raised nothing is appended. Throws ValueError for the bad values above, for byte
// counts above 65535 (syntax 0 and ids above 27), a negative interval (27), and
// whatever FormatOctetValue raises; stream decoding errors (StreamRecordText)
// pass through.
client::DirResult FormatAttributeValue(client::DirContext context, const std::string& objectName,
    const std::string& attrName, std::int32_t valueIndex, const AttributeValueInfo& info, const void* value,
    util::StringList& lines);

// The text of a network address: "(type) " and the address. address.address
// must point at address.addressLength readable bytes; null or no bytes is no
// address, and the text after the type is empty. Type 0 shows 4 and 6 bytes in hex
// ("%s:%s"); types 1, 7, 10, 11 an IPv4 address and the port that follows it;
// types 8 and 9 the port first, then the address; type 13 a UTF-16 text (up to
// its zero or the end of the bytes); every other type the first 12 bytes in hex
// in square brackets. An address shorter than its type reads is shown by its
// own bytes in hex in square brackets.
std::string FormatNetAddress(const client::NetAddressValue& address);

// Which letters a rights bit set is shown with.
enum class RightsKind {
    Entry, // B C D R A, and I when bit 0x40 is clear
    Attribute, // C R W S A, and I when bit 0x40 is set
};

// The six-position letter field in square brackets, a blank for each letter
// whose condition does not hold (0x43 as attribute rights: "[CR   I]").
std::string RightsLetters(std::uint32_t rights, RightsKind kind);

// "[letters] subject / attribute": entry rights when protectedAttr contains
// "[Entry Rights]" or "[Inheritance Mask]" (case-sensitive), attribute rights
// otherwise.
std::string FormatAclEntry(std::uint32_t rights, const std::string& subject, const std::string& protectedAttr);

// "Master", "Secondary", "Read-Only", "Subordinate Reference" for 0-3, else
// "Unknown (Type: N)".
std::string ReplicaTypeText(std::int32_t replicaType);

} // namespace veralith::values
