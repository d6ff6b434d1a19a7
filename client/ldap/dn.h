#pragma once

// Distinguished names (RFC 4514) and the client's dotted names.
//
// A DN "cn=jsmith,ou=Sales,o=Acme" is the typed dotted name
// "CN=jsmith.OU=Sales.O=Acme" and the typeless "jsmith.Sales.Acme": the
// relative names leaf first, joined by dots, each value written with the
// escapes of client/name_syntax.h ("uid=john.doe" is "john\.doe"). A
// component keeps its type where the value alone would not tell it from a
// sibling ("uid=adm" beside "cn=adm"), and a relative name of several values
// keeps all of them ("cn=Doe+uid=jdoe1").

#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::ldap {

// One attribute value of a relative name.
struct DnPart
{
    std::string type; // as the DN spells it ("cn"); may be empty in a written name
    std::string value; // unescaped
};

// One relative name: its first attribute value, and the others of a
// multi-valued relative name ("cn=Doe+uid=jdoe1") in the order written.
struct DnComponent
{
    std::string type; // as the DN spells it ("cn")
    std::string value; // unescaped
    std::vector<DnPart> more;
};

// Parses a DN in its string form (RFC 4514), leaf first. Escapes "\," and
// "\2C", hex-string values ("#04..." are kept as written) and quoted values
// are understood; blanks around separators are dropped. Returns false for a
// DN that does not parse (an empty DN gives an empty list and true).
bool ParseDn(std::string_view dn, std::vector<DnComponent>* components);

// Parses the first relative name of a DN (all of its values) and stops
// there, as ParseDn would parse it; false when it does not parse or the DN
// is empty.
bool ParseLeafRdn(std::string_view dn, DnComponent* leaf);

// Escapes an attribute value for a DN: "," "+" '"' "\" "<" ">" ";" "=" and
// NUL, a leading "#" or blank and a trailing blank, as RFC 4514 asks.
std::string EscapeDnValue(std::string_view value);

// Writes components (leaf first) as a DN string, every value of each.
std::string FormatDn(const std::vector<DnComponent>& components);
// FormatDn of components[from..].
std::string FormatDnFrom(const std::vector<DnComponent>& components, std::size_t from);

// The typeless dotted name of components ("" for none): first values only,
// unescaped (for tree names made from a DN).
std::string TypelessName(const std::vector<DnComponent>& components);

// The name component of a relative name: its value escaped, with its type
// ("uid=adm") when typed is true, every part typed for a relative name of
// several values ("cn=Doe+uid=jdoe1").
std::string ComponentName(const DnComponent& component, bool typed);

// The parts of a component of a written name: "john\.doe" is one part
// without a type, "uid=adm" one typed part, "cn=Doe+uid=jdoe1" two. A "+"
// separates parts only when every part has a type. False for a component
// that does not parse (empty, an escape at its end).
bool ParseNameComponent(std::string_view text, std::vector<DnPart>* parts);

// How a written component (ParseNameComponent) names a relative name:
// Exact when every part matches type and value (a part without a type
// matches a single-valued relative name by its value), ValueOnly when a
// single typed part matches only by value (a typed name whose type is not
// the entry's), None otherwise. Values and types compare ignoring ASCII case.
enum class ComponentMatch { None, ValueOnly, Exact };
ComponentMatch MatchComponent(const std::vector<DnPart>& written, const DnComponent& component);
// The naming types of components, upper case, leaf first ("CN", "OU", "O").
std::vector<std::string> NamingTypes(const std::vector<DnComponent>& components);

} // namespace veralith::client::ldap
