#pragma once

// Distinguished names (RFC 4514) and the client's dotted names.
//
// A DN "cn=jsmith,ou=Sales,o=Acme" is the typed dotted name
// "CN=jsmith.OU=Sales.O=Acme" and the typeless "jsmith.Sales.Acme": the
// relative names leaf first, joined by dots. Only the first value of a
// multi-valued relative name ("cn=a+uid=b") names the component.

#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::ldap {

struct DnComponent
{
    std::string type; // as the DN spells it ("cn")
    std::string value; // unescaped
};

// Parses a DN in its string form (RFC 4514), leaf first. Escapes "\," and
// "\2C", hex-string values ("#04..." are kept as written) and quoted values
// are understood; blanks around separators are dropped. Returns false for a
// DN that does not parse (an empty DN gives an empty list and true).
bool ParseDn(std::string_view dn, std::vector<DnComponent>* components);

// Escapes an attribute value for a DN: "," "+" '"' "\" "<" ">" ";" "=" and
// NUL, a leading "#" or blank and a trailing blank, as RFC 4514 asks.
std::string EscapeDnValue(std::string_view value);

// Writes components (leaf first) as a DN string.
std::string FormatDn(const std::vector<DnComponent>& components);

// The typeless dotted name of components ("" for none).
std::string TypelessName(const std::vector<DnComponent>& components);
// The naming types of components, upper case, leaf first ("CN", "OU", "O").
std::vector<std::string> NamingTypes(const std::vector<DnComponent>& components);

} // namespace veralith::client::ldap
