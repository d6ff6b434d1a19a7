#pragma once

// Object names inside the client: parsing what callers write, resolving it
// against a name context, and writing names in the form a context asks for.
// Internal to the client.

#include "client/client.h"
#include "client/name_syntax.h"

#include <string>
#include <string_view>
#include <vector>

namespace veralith::client {

class DirectoryService;

// One component of a name: its type when the caller or the service wrote one
// ("CN", "uid"), and its relative name as written, escapes kept ("john\.doe";
// for a component of several values, the rest after the first type:
// "Doe+uid=jdoe1").
struct NameComponent
{
    std::string type;
    std::string rdn;
};

// A name as written: "[Root]", an absolute name (leading dot), or a name
// relative to the name context with trailingDots levels taken off it.
struct ParsedName
{
    bool root = false;
    bool absolute = false;
    std::vector<NameComponent> components; // leaf first
    std::size_t trailingDots = 0;
};

// Parses a name (typed, typeless or mixed), splitting at unescaped dots only.
// ERR_INVALID_OBJECT_NAME for an empty component, a component over
// kMaxRdnChars characters, a backslash that escapes nothing, a name over
// kMaxNameChars characters, or dots that cannot be placed.
DirResult ParseName(std::string_view text, ParsedName* name);

// The full name of a name written plainly, without parsing it: true, with
// *full the name less its leading dot, when the name is absolute (or
// fromRoot: the name context is the root) and has no backslash, "=", bracket,
// empty component or trailing dot, within the length limits; ParseName,
// ResolveName and JoinTypeless give the same then. False when the name needs
// them (or is not valid).
bool PlainFullName(std::string_view text, bool fromRoot, std::string_view* full);

// Resolves a parsed name against a name context (leaf first, empty = root)
// into the full name's components. ERR_INVALID_OBJECT_NAME when trailing dots
// climb above the root.
DirResult ResolveName(
    const ParsedName& name, const std::vector<NameComponent>& nameContext, std::vector<NameComponent>* full);

// The dotted form a service takes ("a.b.c"; "" for the root), escapes kept.
// withTypes keeps the types written (for a service whose names carry them).
std::string JoinTypeless(const std::vector<NameComponent>& components, bool withTypes = false);
// Splits a service's full name into components at unescaped dots; a
// component the service wrote with a type ("uid=adm") keeps it.
std::vector<NameComponent> SplitTypeless(std::string_view fullName);

// True when the service's names carry types (DirectoryService::NamesCarryTypes).
bool CarriesTypes(const DirectoryService* service);

// Writes components dotted, typed ("CN=a.OU=b") or typeless. Components
// without a type take the service's naming types. A typeless name keeps the
// written types only where the service's names carry them.
std::string FormatComponents(const std::vector<NameComponent>& components, bool typed, DirectoryService* service);

// The name the client delivers for an object (replies, names in values): the
// part below the name context when the object is below it, the full name
// without a leading dot when the name context is the root, else the full name
// with a leading dot. Special names ("[Public]", "[Root]", ...) pass as they
// are. namingTypes (leaf first) may be empty: the service is asked then.
std::string DeliveredName(std::string_view fullName, const std::vector<std::string>& namingTypes,
    const std::vector<NameComponent>& nameContext, bool typed, DirectoryService* service);

// The naming type of component index (0 = the leaf) of a name of count
// components whose object does not give one: "CN" for the leaf, "O" for the
// top, "OU" between.
const char* DefaultNamingType(std::size_t index, std::size_t count);

// True for a name in square brackets ("[Root]", "[Public]", "[Self]").
bool IsBracketName(std::string_view name);

} // namespace veralith::client
