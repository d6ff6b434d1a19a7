#pragma once

// Octet-string values rendered by what their attribute stores: application,
// inventory, replication, printing and security records are shown field by
// field, every other octet string as hexadecimal.

#include "client/values.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veralith::values {

// The text of one octet string (syntax 9, or one element of an octet list,
// syntax 13) of the attribute attrName (matched ignoring ASCII case against the
// attributes whose records are known), valueIndex being the value's 1-based
// index within the attribute ("Partition Status" depends on it). The text may
// hold CR LF line breaks; a printer configuration always ends with one.
//
// value.data must point at value.length readable bytes (or be null, which is
// read as no bytes); nothing outside them is read. A value too short for its
// record's layout, or whose text has no terminating zero inside the value, is
// shown as hexadecimal like an unknown attribute's value.
//
// Throws ValueError for: a length above 65535 bytes where the whole value is
// taken over (plain and multi-line texts, "memberQuery", the hexadecimal form);
// a "Bindery Property" shorter than 51 bytes whose value text is empty; a
// negative synchronisation state in "Partition Status"; a serial printer's baud
// exponent above 32.
std::string FormatOctetValue(const client::OctetStringValue& value, std::string_view attrName, std::int32_t valueIndex);

// The hexadecimal form: two upper-case digits per byte. Throws ValueError above
// 65535 bytes.
std::string OctetHexText(const client::OctetStringValue& value);

} // namespace veralith::values
