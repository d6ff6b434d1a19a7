#pragma once

// Object names, name contexts and entry information.
//
// Name forms: a dotted name lists its components from the leaf towards the
// root (Staff.Sales.Corp); a full name carries a leading "." (.Sales.Corp);
// the special names "[Root]", "[This]", "[Public]" and "[Supervisor]" never
// take one. A context's name context (key 3) is stored without a leading dot.
//
// None of these operations changes the context it is given, except
// SetTreeAndNameContext and the three operations built on it. Reads give an
// empty text (or 0 for a time) when a client call fails and show nothing.
// Every temporary context an operation creates is freed before it returns.

#include "client/client.h"

#include <cstdint>
#include <string>

namespace veralith::directory {

// A date-time value: days since 1899-12-30 00:00, the fraction the time of day.
using DateTime = double;

// True for exactly "[Root]", "[This]", "[Public]" and "[Supervisor]" (case-sensitive).
bool IsSpecialName(const std::string& name);

// The name with a leading ".": an empty name, a name already starting with "."
// and a special name are returned unchanged.
std::string WithLeadingDot(const std::string& name);

// The name without one leading "." (only the first one is dropped).
std::string WithoutLeadingDot(const std::string& name);

// The text of a text-valued context key (3 or 11) read into a 256-byte buffer,
// with the first occurrence of exactly "CN=" removed; empty on failure.
std::string ReadContextText(client::DirContext context, std::uint32_t key);

// ReadContextText(context, 3).
std::string ReadNameContext(client::DirContext context);

// ReadContextText(context, 11).
std::string ReadTreeName(client::DirContext context);

// The name resolved by DirNameConvert against the context (full name without
// a leading dot, in the context's name form); the name unchanged on failure.
std::string ConvertName(client::DirContext context, const std::string& name);

// Points the context at a tree and a name context.
// - A non-empty tree that differs from ReadTreeName(context) (ASCII case
//   ignored) is set with key 11; a failure is returned and the name context is
//   left as it was. The same tree in any letter case sends no tree change.
// - An empty name context means the tree's default name context, or "[Root]"
//   when it has none or it cannot be read.
// - The name context is stored without its leading dot (key 3).
// Returns 0 or the client's code.
std::int32_t SetTreeAndNameContext(
    client::DirContext context, const std::string& treeName, const std::string& nameContext);

// SetTreeAndNameContext(context, treeName, ""): the tree and its default name context.
std::int32_t DSChangeCurrentTree(client::DirContext context, const std::string& treeName);

// SetTreeAndNameContext(context, "", name).
std::int32_t SetNameContext(client::DirContext context, const std::string& name);

// SetNameContext(context, "[Root]").
std::int32_t SetNameContextRoot(client::DirContext context);

// The name of the container to move to from current (as the window shows it: a
// full name or a special name) when the container-list entry is chosen:
// - "." or empty: current;
// - "[ .. ]" or "..": one level up, without a leading dot ("[Root]" above a
//   top-level container; every leading dot of current is ignored);
// - any other entry: one level down (".Staff.Sales.Corp" for Staff under
//   ".Sales.Corp"; ".Corp" for Corp under "[Root]" or an empty current; an
//   entry starting with "." is taken as a full name).
// Components are split at unescaped dots only ("john\.doe" is one).
std::string JoinContainerName(const std::string& current, const std::string& entry);

// JoinContainerName, where a move up ("[ .. ]", "..") climbs further past
// names that name no object (read through the context): above the top of a
// tree such as ".example.com" lies "[Root]", not ".com".
std::string ChooseContainer(client::DirContext context, const std::string& current, const std::string& entry);

// One text field of an object's entry information (field: 2048 base class,
// 4096 relative name, 8192 full name, 32768 parent container), read on a
// temporary duplicate of the context with flags 16 and 4 added and the field
// added to the mask (key 12). The name is converted first (ConvertName) and
// given a leading dot. Field 8192 is answered with that converted name
// without any directory read, even for a name that does not exist. Empty on
// failure.
std::string ReadEntryInfoText(client::DirContext context, const std::string& objectName, std::uint32_t field);

// One time field (32 modification, 64 creation) of an object's entry
// information, read on a temporary context (DirOpenContext) whose mask is the
// field alone, with the name passed unchanged. The directory time becomes
// seconds / 86400 + 25569 (no time-zone shift). 0 on failure and for a field
// value of 0.
DateTime ReadEntryInfoTime(client::DirContext context, const std::string& objectName, std::uint32_t field);

// 0 when the object's entry can be read through a temporary context opened
// on context (the name passed unchanged), else the client's code
// (ERR_NO_SUCH_ENTRY for a name that names nothing).
std::int32_t CheckObjectExists(client::DirContext context, const std::string& objectName);

// WithLeadingDot(ReadEntryInfoText(context, name, 8192)); no directory read.
std::string ReadObjectFullName(client::DirContext context, const std::string& objectName);
// ReadEntryInfoText(context, name, 4096).
std::string ReadObjectRelativeName(client::DirContext context, const std::string& objectName);
// ReadEntryInfoText(context, name, 2048).
std::string ReadObjectBaseClass(client::DirContext context, const std::string& objectName);
// WithLeadingDot(ReadEntryInfoText(context, name, 32768)).
std::string ReadObjectParentName(client::DirContext context, const std::string& objectName);
// ReadEntryInfoTime(context, name, 64).
DateTime ReadObjectCreationTime(client::DirContext context, const std::string& objectName);
// ReadEntryInfoTime(context, name, 32).
DateTime ReadObjectModificationTime(client::DirContext context, const std::string& objectName);
// The distinguished name the object's source gives it (DSI_SOURCE_DN), read
// through a temporary context opened on context with the name passed
// unchanged; "" when the source has no DNs (a tree file) or the read fails.
std::string ReadObjectSourceDn(client::DirContext context, const std::string& objectName);

// A name in the comma form (cn=Admin,ou=Sales,o=Corp) as a dotted name
// (Admin.Sales.Corp), by these replacements in order, each of every
// occurrence left to right, ASCII case ignored, the inserted text never
// rescanned: ",o" -> ".o", ",c" -> ".c", "," -> ".", then "ou=", "cn=" and
// "o=" deleted. A country component keeps its prefix as ".c=" (",C=US"
// becomes ".c=US"). The result has no leading dot.
std::string DottedFromCommaName(const std::string& name);

} // namespace veralith::directory
