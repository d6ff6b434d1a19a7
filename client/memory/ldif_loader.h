#pragma once

// LDIF files as tree sources: the entries of an LDIF file (ldif_reader.h)
// become an in-memory directory that answers as the LDAP service answers
// for the same directory read live.
//
// - Names: each entry's DN becomes its full typeless name exactly as the
//   LDAP service maps DNs (client/ldap/dn.h); the entries of the shortest
//   DN give the default name context and the tree name. Ancestors a file
//   leaves out ("dc=com" above "dc=example,dc=com") are implied as empty
//   containers of the class "Implied Container".
// - Schema: the attributeTypes and objectClasses of a subschema record of
//   the file itself; else those of the schema file given; else the built-in
//   standard LDAP schemas (core, cosine, inetorgperson, nis). An attribute
//   in no schema is taken as a case-ignore string, an object class in no
//   schema as a structural class, each with one warning.
// - Values: converted by the attribute's syntax as the LDAP service
//   converts them (client/ldap/value_forms.h); options ("cn;lang-de") are
//   folded into the attribute. The naming attribute's values are the ones
//   the entry carries, in file order.
// - Classes: the base class is the entry's structural class, the
//   auxiliary classes are the others (client/ldap/entry_classes.h);
//   createTimestamp and modifyTimestamp give the entry's times.
//
// Messages name the file and line: "people.ldif:12: ...".

#include "client/memory/memory_directory.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veralith::client::memory {

// True when text reads as LDIF rather than as a tree file: its first line
// that is neither blank nor a comment starts with "version:" or "dn:".
bool LooksLikeLdif(std::string_view text);

// Loads LDIF text; fileName is only used in messages. schemaFile, when not
// empty, names an LDIF file whose subschema record gives the schema when
// the text holds none. Warnings (attributes and classes in no schema) are
// appended to *warnings when given. On failure returns false, leaves
// *directory alone and writes the message to *error.
bool LoadLdifText(std::string_view text, const std::string& fileName, const std::string& schemaFile,
    std::shared_ptr<MemoryDirectory>* directory, std::vector<std::string>* warnings, std::string* error);

// The built-in schema LDIF (data/ldap-schema.ldif, compiled in).
std::string_view BuiltinLdapSchema();

// The schema of that LDIF with the classes "Tree Root" and "Implied
// Container"; aliases (when given) receives the further names of its
// attributes (folded) with their first names.
Schema BuiltinLdapSchema(std::unordered_map<std::string, std::string>* aliases);

} // namespace veralith::client::memory
