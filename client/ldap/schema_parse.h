#pragma once

// The schema of an LDAP server: the object class and attribute type
// descriptions (RFC 4512) of its subschema subentry, as the client's Schema.

#include "client/schema.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veralith::client::ldap {

// One description parsed into its fields; names keep the server's spelling.
struct SchemaDescription
{
    std::string oid;
    std::vector<std::string> names;
    std::vector<std::string> superiors; // SUP
    std::string kind; // "STRUCTURAL", "AUXILIARY", "ABSTRACT" (classes)
    std::vector<std::string> must;
    std::vector<std::string> may;
    std::string syntax; // numeric OID without its length bound
    std::uint32_t upperBound = 0; // the "{N}" of the syntax
    std::string equality;
    bool singleValued = false;
    bool noUserModification = false;
    bool operational = false; // USAGE other than userApplications
};

// Parses one description. Returns false when it does not parse.
bool ParseSchemaDescription(std::string_view text, SchemaDescription* description);

// The client's syntax id for an LDAP syntax OID and equality rule (the rule
// tells case-exact strings from case-ignore ones).
std::uint32_t SyntaxIdFor(std::string_view syntaxOid, std::string_view equality);

// Builds the client's schema from the attributeTypes and objectClasses
// values. Each attribute is kept once under its first name; its further
// names are aliases the schema finds it by (and go into *aliases, folded,
// with the first name), and class definitions list it by its first name,
// each once. Attributes of the well-known value forms (value_forms.h) get
// their form's syntax. Descriptions that do not parse are left out (counted
// in *skipped when given); so are definitions whose first name is longer
// than kMaxSchemaNameChars, counted and named in *tooLong.
Schema BuildSchema(const std::vector<std::string>& attributeTypes, const std::vector<std::string>& objectClasses,
    std::unordered_map<std::string, std::string>* aliases, std::size_t* skipped = nullptr,
    std::vector<std::string>* tooLong = nullptr);

} // namespace veralith::client::ldap
