#pragma once

// LDAP attribute values in their string forms turned into the client's wire
// encoding (client/wire.h), syntax by syntax.

#include "client/service.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::ldap {

// Turns a DN into the client's full typeless name.
using DnToName = std::function<std::string(std::string_view dn)>;

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
bool LdapValueToWire(std::uint32_t syntaxId, std::string_view value, const DnToName& nameOf, std::string* wire);

// Seconds since 1970 UTC of a generalized time ("20240102030405Z",
// fractions and offsets allowed), false when it does not parse.
bool ParseGeneralizedTime(std::string_view text, std::uint32_t* seconds);

// Values that directory servers store in a binary or numeric form while
// administrators know them in another: security identifiers, object GUIDs
// and the interval times of Active Directory (100-nanosecond ticks since
// 1601). Recognised by the attribute's name or object identifier, as the
// server's schema gives both syntaxes generic ones (octet string, large
// integer).
enum class ValueForm : std::uint8_t {
    Plain,
    Sid, // "S-1-5-21-..." (syntax 3)
    Guid, // hexadecimal bytes, then the braced registry form (syntax 3)
    IntervalTime, // a time (syntax 24); "never" for 0 and 2^63-1 (syntax 3)
};

// The form of an attribute by its name or its dotted object identifier.
ValueForm ValueFormOf(std::string_view name, std::string_view oid);
// The client syntax an attribute of the form is declared with.
std::uint32_t SyntaxIdOfForm(ValueForm form);

// "S-1-5-21-1-2-3-500" of a binary security identifier; false when the
// bytes are no identifier (revision 1, count of sub-authorities that
// matches the length).
bool SidText(std::string_view bytes, std::string* text);
// The binary form of "S-1-..."; false when the text is none.
bool SidBytes(std::string_view text, std::string* bytes);
// "3F2504E04F8941D39A0C0305E82C3301 {E004253F-894F-D341-9A0C-0305E82C3301}"
// of 16 bytes; false for any other length.
bool GuidText(std::string_view bytes, std::string* text);
// The 16 bytes of a GUID given in hexadecimal, in the braced form, or both
// as GuidText writes them; false when the text is none of these.
bool GuidBytes(std::string_view text, std::string* bytes);
// An interval time as seconds since 1970 UTC. *never is set for 0 and
// 2^63-1; false for a text that is no integer or a time before 1970 or
// after 2106.
bool IntervalTimeSeconds(std::string_view text, std::uint32_t* seconds, bool* never);
// The interval time (ticks since 1601) of seconds since 1970, for filters.
std::string IntervalTimeOfSeconds(std::uint32_t seconds);

// Appends values of an attribute of the form (not Plain) to *data, whose
// syntaxId starts as SyntaxIdOfForm(form). An interval time that is "never"
// or outside the time syntax turns the attribute into text: "never", or the
// number as the server sent it. A SID or GUID that does not parse is shown
// in hexadecimal.
void AppendFormValues(ValueForm form, const std::vector<std::string_view>& values, AttributeData* data);

} // namespace veralith::client::ldap
