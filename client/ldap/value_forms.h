#pragma once

// LDAP attribute values in their string forms turned into the client's wire
// encoding (client/wire.h), syntax by syntax.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace veralith::client::ldap {

// Turns a DN into the client's full typeless name.
using NameOfDn = std::function<std::string(std::string_view dn)>;

// Converts one value of the syntax into *wire. Returns false when the value
// is not of the syntax's string form (the caller then delivers the
// attribute's values unconverted, as syntax 0).
//  1 DN -> full typeless name; 2-5, 10, 20 text; 7 "TRUE"/"FALSE";
//  8, 22, 27 decimal (kept within 32 bits); 9 and ids above 27 the bytes;
//  11 "number $ parameters" (the number); 18 "line$line" with \24 and \5C;
//  24 generalized time; and the string forms of the directory-specific
//  syntaxes: 12 "type#octets", 14 "type#address", 15 "nameSpace#volume#path",
//  17 "privileges#scope#subject#attribute", 19 "seconds#replica#event",
//  23 "remoteId#name", 25 "level#interval#name", 26 "amount#name",
//  6 and 13 "$"-separated items.
bool LdapValueToWire(std::uint32_t syntaxId, std::string_view value, const NameOfDn& nameOf, std::string* wire);

// Seconds since 1970 UTC of a generalized time ("20240102030405Z",
// fractions and offsets allowed), false when it does not parse.
bool ParseGeneralizedTime(std::string_view text, std::uint32_t* seconds);

} // namespace veralith::client::ldap
