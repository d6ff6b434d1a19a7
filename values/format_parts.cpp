// The pieces of value texts that more than one syntax or caller uses: network
// addresses, rights letters, access-control entries and replica types.

#include "util/buffer.h"
#include "util/format.h"
#include "util/text.h"
#include "values/bytes.h"
#include "values/format.h"

namespace veralith::values {

using util::Format;

namespace {

// "[hex]" of at most count of the address's own bytes.
std::string BracketHex(const ValueBytes& bytes, std::size_t count)
{
    const std::size_t shown = std::min<std::size_t>({count, bytes.Size(), 0xFFFF});
    return Format("[%s]", util::BytesToHex(bytes.Data(), static_cast<std::uint16_t>(shown)));
}

std::string AddressText(std::uint32_t type, const ValueBytes& b)
{
    auto byte = [&b](std::size_t i) { return static_cast<int>(*b.U8(i)); };
    switch (type) {
    case 0:
        if (b.Size() < 10) {
            return BracketHex(b, b.Size());
        }
        return Format("%s:%s", *b.Hex(0, 4), *b.Hex(4, 6));
    case 1:
    case 7:
    case 10:
    case 11:
        if (b.Size() < 6) {
            return BracketHex(b, b.Size());
        }
        return Format("%d.%d.%d.%d:%d", byte(0), byte(1), byte(2), byte(3), byte(4) * 256 + byte(5));
    case 8:
    case 9:
        if (b.Size() < 6) {
            return BracketHex(b, b.Size());
        }
        return Format("%d.%d.%d.%d:%d", byte(2), byte(3), byte(4), byte(5), byte(0) * 256 + byte(1));
    case 13: {
        // A UTF-16 text, ended by a zero unit or by the end of the address.
        std::size_t units = 0;
        while (units < b.Size() / 2 && *b.U16(2 * units) != 0) {
            ++units;
        }
        return WideToText(b.Data(), units);
    }
    default:
        return BracketHex(b, 12);
    }
}

} // namespace

std::string FormatNetAddress(const client::NetAddressValue& address)
{
    std::string text;
    if (address.address != nullptr && address.addressLength > 0) {
        text = AddressText(address.addressType, ValueBytes(address.address, address.addressLength));
    }
    return Format("(%d) ", static_cast<std::int32_t>(address.addressType)) + text;
}

std::string RightsLetters(std::uint32_t rights, RightsKind kind)
{
    struct Letter
    {
        char letter;
        std::uint32_t bit;
        bool whenSet;
    };
    static const Letter kEntryLetters[] = {{'B', 0x01, true}, {'C', 0x02, true}, {'D', 0x04, true}, {'R', 0x08, true},
        {'A', 0x10, true}, {'I', 0x40, false}};
    static const Letter kAttributeLetters[] = {{'C', 0x01, true}, {'R', 0x02, true}, {'W', 0x04, true},
        {'S', 0x08, true}, {'A', 0x20, true}, {'I', 0x40, true}};
    const Letter* letters = kind == RightsKind::Entry ? kEntryLetters : kAttributeLetters;
    std::string field;
    for (int i = 0; i < 6; ++i) {
        const bool set = (rights & letters[i].bit) != 0;
        field += set == letters[i].whenSet ? letters[i].letter : ' ';
    }
    return Format("[%s]", field);
}

std::string FormatAclEntry(std::uint32_t rights, const std::string& subject, const std::string& protectedAttr)
{
    const bool entry = protectedAttr.find("[Entry Rights]") != std::string::npos ||
        protectedAttr.find("[Inheritance Mask]") != std::string::npos;
    return Format(
        "%s %s / %s", RightsLetters(rights, entry ? RightsKind::Entry : RightsKind::Attribute), subject, protectedAttr);
}

std::string ReplicaTypeText(std::int32_t replicaType)
{
    switch (replicaType) {
    case 0:
        return "Master";
    case 1:
        return "Secondary";
    case 2:
        return "Read-Only";
    case 3:
        return "Subordinate Reference";
    default:
        return Format("Unknown (Type: %d)", replicaType);
    }
}

} // namespace veralith::values
