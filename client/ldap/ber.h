#pragma once

// Reading the BER encoding (X.690) of search entries as LDAP servers send
// them, in place: every piece is a view into the encoded bytes. Definite
// lengths only (LDAP forbids the indefinite form); every length is checked
// against the bytes left, so nothing is read past the end of the input.

#include <cstdint>
#include <string>
#include <string_view>

namespace veralith::client::ldap {

// BER tags met in search entries.
constexpr std::uint8_t kBerOctetString = 0x04;
constexpr std::uint8_t kBerSequence = 0x30;
constexpr std::uint8_t kBerSet = 0x31;

class BerReader
{
public:
    explicit BerReader(std::string_view bytes)
        : m_rest(bytes)
    { }

    // Reads the next element: its tag and its content. False at the end of
    // the input, or when the element is not well formed (then broken() is
    // true and every later call gives false too). Tags of more than one
    // byte and lengths of more than four bytes are refused.
    bool Next(std::uint8_t* tag, std::string_view* content);
    bool Broken() const { return m_broken; }

private:
    std::string_view m_rest;
    bool m_broken = false;
};

// Appends an element (tag, minimal length, content) to out.
void AppendBerElement(std::string* out, std::uint8_t tag, std::string_view content);

// One attribute of an entry as the server encoded it: its description
// ("mail", "cn;lang-de") and the content of its set of values.
struct RawAttribute
{
    std::string_view type;
    std::string_view values;
};

// The attributes of an encoded attribute list: one SEQUENCE { type, SET OF
// value } after the other, as in a search entry.
class AttributeReader
{
public:
    explicit AttributeReader(std::string_view list)
        : m_reader(list)
    { }
    // The next attribute; false at the end or at a malformed one.
    bool Next(RawAttribute* attribute);

private:
    BerReader m_reader;
};

// The values of one attribute (RawAttribute::values).
class ValueReader
{
public:
    explicit ValueReader(std::string_view values)
        : m_reader(values)
    { }
    // The next value; false (and *value left alone) at the end or at an
    // element that is not an OCTET STRING.
    bool Next(std::string_view* value);

private:
    BerReader m_reader;
};

// The first value of the attribute named (ignoring letter case; options
// such as ";binary" are part of the name) in an encoded attribute list,
// empty when it has none.
std::string_view FirstValue(std::string_view list, std::string_view name);

} // namespace veralith::client::ldap
