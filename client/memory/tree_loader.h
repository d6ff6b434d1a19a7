#pragma once

// The tree-file loader's working state: one TreeLoader reads one file.
// Internal to client/memory (loader.h is the interface).

#include "client/memory/json.h"
#include "client/memory/memory_directory.h"

#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::memory::detail {

// A text in double quotes, for messages.
std::string Quoted(std::string_view text);
// A JSON pointer token: "~" and "/" escaped.
std::string PointerToken(std::string_view name);

// A distinguished-name value to check once every object is known.
struct PendingName
{
    std::uint32_t object; // file index of the object holding the value
    std::string_view key; // the attribute's name as the file writes it
    std::int32_t attrId;
    std::uint32_t valueIndex;
};

// The objects' full names by name ignoring ASCII case: an open-addressing
// table of indexes into a list of names (no allocation per name).
class NameIndex
{
public:
    explicit NameIndex(const LargeVector<std::string_view>& names)
        : m_names(names)
    { }
    // Adds names[index] unless an equal name is there; returns the index
    // holding that name (index itself when added).
    std::uint32_t insert(std::uint32_t index);
    // Index of the name, or kNoObject.
    std::uint32_t find(std::string_view name) const;
    // Makes room for count names without growing.
    void reserve(std::size_t count);

private:
    void Grow(std::size_t slots);

    const LargeVector<std::string_view>& m_names;
    LargeVector<std::uint32_t> m_slots; // kNoObject: empty
    std::size_t m_count = 0;
};

class TreeLoader
{
public:
    TreeLoader(std::string_view text, const std::string& fileName)
        : m_text(text)
        , m_file(fileName)
    { }

    // Loads the file; on failure writes the one message into *error.
    bool Load(std::shared_ptr<MemoryDirectory>* result, std::string* error)
    {
        const bool ok = Run();
        if (!ok) {
            *error = m_error;
            return false;
        }
        *result = std::move(m_directory);
        return true;
    }

private:
    bool Fail(const std::string& pointer, const std::string& what);
    // Members of a JSON object other than these (and "comment") are errors.
    bool OnlyMembers(std::uint32_t node, const std::string& pointer, std::initializer_list<std::string_view> names);
    bool StringMember(
        std::uint32_t node, const std::string& pointer, std::string_view name, bool required, std::string_view* value);
    bool Run();
    // Each element of "objects" as the reader meets it. When the members the
    // objects depend on (format, tree, schema) came before "objects", every
    // object is converted at once and its JSON dropped, so that a large file
    // never stands in memory as a whole document; otherwise the document is
    // kept and converted after the end.
    SinkAnswer TakeObject(std::uint32_t node, std::uint32_t index);
    // The members before the objects: format, tree and schema additions.
    bool LoadHeader();
    // A view of text that stays valid after the reader drops an element.
    std::string_view Keep(std::string_view text);
    bool CheckTreeMember(std::string_view tree);

    // Schema additions (tree_schema.cpp).
    bool SchemaName(std::uint32_t item, const std::string& pointer, std::string_view* name);
    bool OidMember(std::uint32_t item, const std::string& pointer, std::string* oid);
    bool U32Member(
        std::uint32_t item, const std::string& pointer, std::string_view name, std::int64_t high, std::uint32_t* value);
    bool LoadSchema(std::uint32_t node, Schema& schema);

    // Objects (tree_loader.cpp).
    bool ConvertObject(std::uint32_t node, std::uint32_t index);
    bool LinkObjects();
    bool LoadObject(std::uint32_t node, std::uint32_t index);
    bool LoadAttributes(std::uint32_t node, std::uint32_t index, const std::string& pointer);
    bool TimeMember(std::uint32_t node, const std::string& pointer, std::string_view name, std::uint32_t* value);
    std::string ObjectPointer(std::uint32_t index) const { return "/objects/" + std::to_string(index); }

    std::string_view m_text;
    std::string m_file;
    JsonDocument m_doc;
    std::string m_error;
    std::shared_ptr<MemoryDirectory> m_directory;
    bool m_streaming = false;
    bool m_ldapBase = false; // "schemaBase": "ldap"
    std::vector<std::size_t> m_namingLength; // per class: its naming attribute's length
    std::deque<std::string> m_owned; // unescaped texts the loader keeps
    // Object i of the file is object i + 1 of the directory (0 is the root).
    LargeVector<std::string_view> m_names; // full name of each object of the file
    NameIndex m_byName {m_names};
    std::vector<PendingName> m_pendingNames;
    std::vector<std::int32_t> m_attrIds; // the attributes of the object being loaded
    std::int32_t m_objectClassAttr = kNoSchemaId;
    std::string m_wire; // the value being encoded
    std::string m_problem;
};

} // namespace veralith::client::memory::detail
