#pragma once

// The directory schema: class names with their flag words, the item lists of
// class definitions, attribute names and one attribute's definition.
//
// Every operation allocates its own client buffers and frees them before it
// returns, on every path; none shows a message. Results are the client's
// 32-bit codes, 0 for success. Lists are the caller's: entries are appended,
// the list is never cleared.

#include "client/client.h"
#include "util/string_list.h"

#include <cstdint>
#include <string>

namespace veralith::directory {

// The class flag bit of an auxiliary class.
inline constexpr std::uint32_t kAuxiliaryClassFlag = client::DS_AUXILIARY_CLASS;

// Item lists of a class definition, in the order the client delivers them.
enum ClassItemList : std::int32_t {
    ItemsSuperClasses = 0,
    ItemsContainment = 1,
    ItemsNaming = 2,
    ItemsMandatory = 3,
    ItemsOptional = 4,
};

// Item selection modes of ReadClassItems: 0-4 select that one list;
// ModeAllAttributes selects lists 3 and 4 together; ModeObjectIdentifier
// selects no list and adds the class's object identifier instead.
inline constexpr std::int32_t kModeAllAttributes = 5;
inline constexpr std::int32_t kModeObjectIdentifier = 6;

// Kinds of ReadAttributeList.
enum AttributeListKind : std::int32_t {
    AttributeNamesOnly = 0, // entries' values 0
    AttributeNamesWithSyntax = 1, // value = syntax id
    AttributeNamesWithFlags = 2, // value = attribute flag word
};

// The label of an item list in the labelled form ("[Super Class] ",
// "[Containment Class] ", "[Naming]    ", "[Mandatory] ", "[Optional]  ");
// empty for a number outside 0-4.
std::string ClassItemLabel(std::int32_t listNumber);

// Appends every class of the schema with its flag word (bit 0x20: auxiliary)
// as the entry's value, reply by reply. A failed read ends the listing with
// its code; entries already added stay.
std::int32_t ReadClassList(client::DirContext context, util::StringList& list);

// Appends the selected items of the expanded definition of className
// (inherited items included), or of every class's when className is "*" or
// empty (the union, each once, in the order first met).
// mode 0-4: that list; 5: lists 3 and 4; 6: the class's object identifier in
// dotted decimal with the value 6 (nothing when it renders empty).
// An item's text is its name, preceded by ClassItemLabel in the labelled
// form; its value is the list number (plain form) or the text's length in
// characters (labelled form). A text the list already holds (ASCII case
// ignored) is not added again. Definitions and items that cannot be read are
// passed over. Lets the window process pending messages before each
// definition. Returns the code of the last client call.
std::int32_t ReadClassItems(
    client::DirContext context, const std::string& className, std::int32_t mode, bool labelled, util::StringList& list);

// The attribute box's entry point: for "*" ReadAttributeList(context,
// AttributeNamesOnly, list); for any other name ReadClassItems(context,
// className, mode, unlabelled, list).
std::int32_t ReadClassAttributes(
    client::DirContext context, const std::string& className, std::int32_t mode, util::StringList& list);

// Appends every attribute of the schema, reply by reply, by kind (see
// AttributeListKind). A failed read ends the listing with its code.
std::int32_t ReadAttributeList(client::DirContext context, std::int32_t kind, util::StringList& list);

// Fills info with the definition of one attribute (flags at byte 0, syntax id
// at byte 4). Returns 0 or the first failing client code (ERR_NO_SUCH_ATTRIBUTE
// for a name the schema lacks); info is written only on success.
std::int32_t ReadAttributeDef(client::DirContext context, const std::string& attributeName, client::DirAttrInfo& info);

// The dotted-decimal form of an object identifier record ("2.5.4.3" for the
// encoding 06 03 55 04 03), or the empty text unless length is not 0, data[0]
// is 6, the content length data[1] is at least 2 and data[1] + 1 is at most
// length. Never reads past the 32 data bytes.
std::string FormatObjectIdentifier(const client::DirObjectId& identifier);

} // namespace veralith::directory
