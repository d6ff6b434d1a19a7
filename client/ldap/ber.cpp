#include "client/ldap/ber.h"

#include "client/schema.h"

namespace veralith::client::ldap {

bool BerReader::Next(std::uint8_t* tag, std::string_view* content)
{
    if (m_broken || m_rest.empty()) {
        return false;
    }
    auto fail = [this] {
        m_broken = true;
        m_rest = {};
        return false;
    };
    const auto byte = [this](std::size_t i) { return static_cast<std::uint8_t>(m_rest[i]); };
    if (m_rest.size() < 2 || (byte(0) & 0x1F) == 0x1F) {
        return fail();
    }
    std::size_t pos = 2;
    std::size_t length = byte(1);
    if ((length & 0x80) != 0) {
        const std::size_t octets = length & 0x7F;
        if (octets == 0 || octets > 4 || m_rest.size() < 2 + octets) {
            return fail(); // indefinite, oversized or cut short
        }
        length = 0;
        for (std::size_t i = 0; i < octets; ++i) {
            length = (length << 8) | byte(2 + i);
        }
        pos += octets;
    }
    if (length > m_rest.size() - pos) {
        return fail();
    }
    *tag = byte(0);
    *content = m_rest.substr(pos, length);
    m_rest.remove_prefix(pos + length);
    return true;
}

void AppendBerElement(std::string* out, std::uint8_t tag, std::string_view content)
{
    out->push_back(static_cast<char>(tag));
    const std::size_t length = content.size();
    if (length < 0x80) {
        out->push_back(static_cast<char>(length));
    } else {
        int octets = 1;
        while (octets < 4 && (length >> (8 * octets)) != 0) {
            ++octets;
        }
        out->push_back(static_cast<char>(0x80 | octets));
        for (int i = octets - 1; i >= 0; --i) {
            out->push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
        }
    }
    out->append(content);
}

bool AttributeReader::Next(RawAttribute* attribute)
{
    std::uint8_t tag = 0;
    std::string_view sequence;
    if (!m_reader.Next(&tag, &sequence) || tag != kBerSequence) {
        return false;
    }
    BerReader inner(sequence);
    std::string_view type;
    std::string_view values;
    if (!inner.Next(&tag, &type) || tag != kBerOctetString || !inner.Next(&tag, &values) || tag != kBerSet) {
        return false;
    }
    attribute->type = type;
    attribute->values = values;
    return true;
}

bool ValueReader::Next(std::string_view* value)
{
    std::uint8_t tag = 0;
    std::string_view content;
    if (!m_reader.Next(&tag, &content) || tag != kBerOctetString) {
        return false;
    }
    *value = content;
    return true;
}

std::string_view FirstValue(std::string_view list, std::string_view name)
{
    AttributeReader attributes(list);
    for (RawAttribute attribute; attributes.Next(&attribute);) {
        if (SameTextIgnoreCase(attribute.type, name)) {
            std::string_view value;
            return ValueReader(attribute.values).Next(&value) ? value : std::string_view();
        }
    }
    return {};
}

} // namespace veralith::client::ldap
