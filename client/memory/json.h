#pragma once

// A small strict JSON reader for tree files (RFC 8259), built for the
// loader's needs: one pass over the text, a flat node table instead of a tree
// of allocations (a 100,000-object file parses in well under a second and
// takes a few dozen bytes per value), the exact line and column of a syntax
// error, bounded nesting, and no read past the end of the input.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::memory {

enum class JsonType : std::uint8_t { Null, False, True, Number, String, Array, Object };

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

// What an element sink decides about an element it was handed.
enum class SinkAnswer {
    Consumed, // the element's nodes are dropped; the array keeps only its count
    Keep, // the element stays in the document (so must every later one)
    Stop, // parsing stops; parse() returns false and leaves *error empty
};
// Called with each element of the root object's member "objects" (its node
// and index) as soon as the element is parsed, so that a large array can be
// processed without holding all of it.
using ElementSink = std::function<SinkAnswer(std::uint32_t node, std::uint32_t index)>;

class JsonDocument
{
public:
    // Parses text (which must outlive the document). On a syntax error returns
    // false and writes "LINE:COL: syntax error: what" into *error.
    bool Parse(std::string_view text, std::string* error, const ElementSink& sink = nullptr);
    // True when text lies in the parsed input (not in unescaped storage,
    // which a sink's Consumed answer may drop).
    bool InInput(std::string_view text) const
    {
        return text.data() >= m_text.data() && text.data() + text.size() <= m_text.data() + m_text.size();
    }

    std::uint32_t Root() const { return 0; }
    JsonType Type(std::uint32_t node) const { return m_nodes[node].type; }
    // Strings and numbers: the text (strings unescaped). Object members: the
    // key node's text is the member name.
    std::string_view Text(std::uint32_t node) const;
    // Arrays and objects: number of elements (members).
    std::uint32_t size(std::uint32_t node) const { return m_nodes[node].count; }
    // First element of an array, or first key of an object; kNoNode when empty.
    std::uint32_t First(std::uint32_t node) const { return m_nodes[node].first; }
    // The element or key after this one; for a key, next() is its value and
    // next(value) the following key.
    std::uint32_t Next(std::uint32_t node) const { return m_nodes[node].next; }
    // The value of an object's member, or kNoNode.
    std::uint32_t Member(std::uint32_t object, std::string_view name) const;
    // A number as a 64-bit integer; false for fractions, exponents and
    // numbers out of range.
    bool Integer(std::uint32_t node, std::int64_t* value) const;

private:
    struct Node
    {
        JsonType type = JsonType::Null;
        bool decoded = false; // text lives in m_decoded
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        std::uint32_t first = kNoNode;
        std::uint32_t next = kNoNode;
        std::uint32_t count = 0;
    };

    std::string_view m_text;
    std::vector<Node> m_nodes;
    std::string m_decoded;

    friend class JsonParser;
};

} // namespace veralith::client::memory
