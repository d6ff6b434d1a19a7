#pragma once

// How the duplicate check decides that two values are equal.
//
// Each value is turned into a match key; two values are equal exactly when
// their keys are equal, so a run keeps keys in ordinary maps and compares each
// value's key once.
//
//   Case       the whole text, ASCII letters folded (the comparison of every
//              sorted list of the program, and the check's default)
//   Exact      the whole text, byte for byte
//   Directory  as an LDAP server decides equality for the attribute's syntax:
//              the string preparation of LDAP (mapping, Unicode normalisation
//              NFKC, full case folding for case-ignore syntaxes, insignificant
//              spaces) done by ICU.

#include "client/syntax_traits.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::app {

enum class MatchRule {
    Case,
    Exact,
    Directory,
};

// The equality of a syntax under MatchRule::Directory (the syntax table's
// SyntaxMatch: Bytes, CaseExact, CaseIgnore, Numeric, Telephone, Name).
using client::SyntaxMatch;

// The equality of a directory syntax id (client/values.h). Strings, lists of
// strings, e-mail addresses, class names and postal addresses ignore case;
// syntaxes without a string form of their own (octet strings, integers, times,
// network addresses, ...) compare bytes.
SyntaxMatch SyntaxMatchFor(std::uint32_t syntaxId);

// The match key of one value. Under Case and Exact the syntax plays no part.
// Text that is not valid UTF-8 is compared byte for byte under every syntax.
std::string ValueMatchKey(std::string_view value, MatchRule rule, SyntaxMatch syntax);

// The match key of an attribute's whole value, given its values one by one:
// under Case and Exact the values joined by CR LF, as the value list shows
// them; under Directory the set of the values' keys (order and repetitions do
// not count, as LDAP values have no order).
std::string WholeValueMatchKey(const std::vector<std::string>& values, MatchRule rule, SyntaxMatch syntax);

// The string preparation of LDAP (RFC 4518) for a case-ignore (foldCase) or
// case-exact string: control characters and soft hyphens removed, every kind
// of space and line break made a space, NFKC (with full case folding and
// default-ignorable characters removed when foldCase), then spaces at either
// end dropped and inner runs of spaces made one. A text of spaces only gives
// one space. Text that is not valid UTF-8 comes back unchanged.
std::string PrepareDirectoryString(std::string_view value, bool foldCase);

// A dotted name ("CN=Ann.OU=Sales.O=Acme", ".Ann.Sales.Acme") made
// comparable as a name: the leading dot dropped, relative names split at
// dots and their parts at "+" (a backslash escapes the next character), a
// type upper-cased and its value prepared as a case-ignore string, the parts
// of a relative name in sorted order.
std::string NameMatchKey(std::string_view name);

// Joins texts into one key that no other list of texts gives (each one
// preceded by its length).
std::string JoinMatchKeys(const std::vector<std::string>& keys);

} // namespace veralith::app
