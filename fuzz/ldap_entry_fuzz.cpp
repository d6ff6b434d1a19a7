// libFuzzer target for reading search entries in place: any input is taken
// as an encoded attribute list, every attribute and value is read, and what
// was read must lie inside the input and survive being encoded again.

#include "client/ldap/ber.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith::client::ldap;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto inside = [&](std::string_view part) {
        return part.empty() || (part.data() >= input.data() && part.data() + part.size() <= input.data() + size);
    };
    std::string again;
    AttributeReader attributes(input);
    for (RawAttribute attribute; attributes.Next(&attribute);) {
        if (!inside(attribute.type) || !inside(attribute.values)) {
            __builtin_trap();
        }
        std::string set;
        ValueReader values(attribute.values);
        for (std::string_view value; values.Next(&value);) {
            if (!inside(value)) {
                __builtin_trap();
            }
            AppendBerElement(&set, kBerOctetString, value);
        }
        std::string sequence;
        AppendBerElement(&sequence, kBerOctetString, attribute.type);
        AppendBerElement(&sequence, kBerSet, set);
        AppendBerElement(&again, kBerSequence, sequence);
    }
    // The list encoded again reads back to the same attributes.
    AttributeReader reread(again);
    AttributeReader original(input);
    for (RawAttribute a; reread.Next(&a);) {
        RawAttribute b;
        if (!original.Next(&b) || a.type != b.type || FirstValue(again, a.type) != FirstValue(input, b.type)) {
            __builtin_trap();
        }
    }
    return 0;
}
