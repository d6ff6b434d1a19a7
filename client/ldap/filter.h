#pragma once

// The client's filter expression as an RFC 4515 search filter. Every value
// is escaped, so no text a user types can change the filter's structure.

#include "client/client.h"
#include "client/service.h"

#include <functional>
#include <string>
#include <string_view>

namespace veralith::client::ldap {

// Escapes a value for a filter: "*" "(" ")" "\" and NUL (and every byte
// outside printable ASCII) become "\XX".
std::string EscapeFilterValue(std::string_view value);

// Attribute names a filter may carry: a descriptor (letter, then letters,
// digits, "-") or a dotted object identifier. Anything else could alter the
// filter and is refused.
bool IsAttributeDescription(std::string_view name);

// Turns a full typeless name into its DN; false when the name names nothing.
using DnLookup = std::function<bool(std::string_view fullName, std::string* dn)>;

// Translates filter (nullptr: every object) into *out.
// - Base class: (objectClass=NAME). Relative name: the name component
//   against the usual naming attributes, (|(cn=..)(ou=..)(o=..)...).
// - Comparisons on strings (syntaxes 2-5, 10, 20): "*" in the value is a
//   wildcard (a substring filter whose pieces are escaped); on names (1) the
//   value is converted to a DN (an unknown name matches nothing); on
//   booleans TRUE/FALSE; integers in decimal; times (19, 24) as generalized
//   time. Approximately equal is a substring match (*value*). A comparison
//   without a value matches nothing.
// Returns 0, or ERR_INVALID_FILTER_SYNTAX for an attribute name that is no
// attribute description or a malformed expression.
DirResult TranslateFilter(const FilterNode* filter, const DnLookup& lookup, std::string* out);

} // namespace veralith::client::ldap
