#include "values/octet.h"

#include "util/buffer.h"
#include "util/format.h"
#include "util/text.h"
#include "values/errors.h"
#include "values/octet_layout.h"

#include <initializer_list>

namespace veralith::values {

using detail::OctetLayout;
using util::Format;

namespace {

constexpr std::uint32_t kMaxTakenLength = 0xFFFF;

// The whole value's length where a renderer takes it over; above 65535 bytes
// that is an error rather than a silently shortened text.
std::uint16_t TakenLength(const OctetLayout& layout)
{
    if (layout.Size() > kMaxTakenLength) {
        throw ValueError(Format("%s: octet string of %u bytes is longer than 65535 bytes", layout.Name(),
            static_cast<std::uint64_t>(layout.Size())));
    }
    return static_cast<std::uint16_t>(layout.Size());
}

std::string PlainText(const OctetLayout& f, std::int32_t)
{
    const std::uint16_t length = TakenLength(f);
    return util::BufferText(f.Bytes().Data(), f.Size(), 0, length);
}

std::string MultiLineText(const OctetLayout& f, std::int32_t)
{
    const std::uint16_t length = TakenLength(f);
    return util::BufferLines(f.Bytes().Data(), f.Size(), 0, length);
}

std::string UserAddText(const OctetLayout& f, std::int32_t)
{
    return f.Text(15);
}

std::string BinderyPropertyText(const OctetLayout& f, std::int32_t)
{
    const std::string name = f.Text(5);
    std::string value = f.Text(47);
    if (value.empty()) {
        if (f.Size() < 51) {
            throw ValueError(Format(
                "%s: value of %u bytes is shorter than 51 bytes", f.Name(), static_cast<std::uint64_t>(f.Size())));
        }
        value = util::TrimRightChars(f.Hex(47, f.Size() - 51), "0");
    }
    return Format("%s: %s", name, value);
}

std::string PublicKeyText(const OctetLayout& f, std::int32_t)
{
    return Format("[%X,%X,%s,%X] %s", f.I32(0), f.I32(4), f.Hex(8, 14), f.I32(22), f.Wide(26));
}

std::string MemberQueryText(const OctetLayout& f, std::int32_t)
{
    const std::string query = f.Wide(12);
    const std::uint16_t length = TakenLength(f);
    return Format("%s - %s", query, util::BytesToHex(f.Bytes().Data(), length));
}

std::string InventoryChannelText(const OctetLayout& f, std::int32_t)
{
    return Format("[%.02X,%d,%d,%d] %s", f.I32(0), f.I32(4), f.I32(8), f.I32(12), f.Wide(16));
}

std::string InventoryPortText(const OctetLayout& f, std::int32_t)
{
    return Format("[%.04X,%d,%d,%d] %s", f.U16(0), f.I32(4), f.I32(8), f.I32(12), f.Wide(16));
}

std::string InventoryCpuText(const OctetLayout& f, std::int32_t)
{
    return Format("[%d] %s", f.I32(0), f.Wide(8));
}

std::string InventoryAreaText(const OctetLayout& f, std::int32_t)
{
    return Format("[%X,%X,%X,%X,%X] %s", f.I32(0), f.I32(4), f.I32(8), f.I32(12), f.I32(16), f.Wide(20));
}

std::string LocationText(const OctetLayout& f, std::int32_t)
{
    return Format("[%s] %s", f.Hex(0, 13), f.Text(13));
}

std::string FolderListText(const OctetLayout& f, std::int32_t)
{
    return Format("(%X/%X/%X) %s", f.I32(0), f.I32(4), f.I32(8), f.Text(12));
}

std::string RightsPathText(const OctetLayout& f, std::int32_t)
{
    return Format("(%d/%d/%d/%d) %s", f.I32(0), f.I32(4), f.I32(8), f.U8(12), f.Text(13));
}

std::string VectorText(const OctetLayout& f, std::int32_t)
{
    return Format("(%04X/%04X/%04X) %s", f.I32(0), f.I32(4), f.I32(8), f.Wide(12));
}

std::string ConfigText(const OctetLayout& f, std::int32_t)
{
    const std::int32_t number = f.I32(0);
    const std::string first = f.Text(4);
    const std::string second = f.Text(92);
    return Format("[%d] ", number) + Format("%s ", first) + Format("%s ", second);
}

std::string PartitionText(const OctetLayout& f, std::int32_t index)
{
    return detail::PartitionStatusText(f, index);
}

std::string PrinterText(const OctetLayout& f, std::int32_t)
{
    return detail::PrinterConfigurationText(f);
}

using Renderer = std::string (*)(const OctetLayout&, std::int32_t);

struct KnownAttribute
{
    std::initializer_list<std::string_view> names;
    Renderer render;
};

// The attributes whose octet strings hold known records; the first name that
// matches (ignoring ASCII case) decides.
const KnownAttribute kKnownAttributes[] = {
    {{"App:GUID", "App:Drive Mappings", "App:Parameters", "App:Path", "App:Version String", "App:Working Directory",
         "DirXML-EntitlementResult", "ZEN:INV Disk Info", "bhObjectGUID", "rbsTaskRights"},
        PlainText},
    {{"snmpTrapDescription"}, MultiLineText},
    {{"FW0 USER ADD"}, UserAddText},
    {{"Bindery Property"}, BinderyPropertyText},
    {{"CA Public Key", "Public Key"}, PublicKeyText},
    {{"memberQuery"}, MemberQueryText},
    {{"WM:INV DMA", "WM:INV Interrupt"}, InventoryChannelText},
    {{"WM:INV Port"}, InventoryPortText},
    {{"WM:INV CPU Information"}, InventoryCpuText},
    {{"WM:INV Shared Memory", "WM:INV Volume"}, InventoryAreaText},
    {{"NGW: Location"}, LocationText},
    {{"App:Folder List"}, FolderListText},
    {{"App:FS Rights Path"}, RightsPathText},
    {{"Local Received Up To", "Transitive Vector"}, VectorText},
    {{"bhConfig"}, ConfigText},
    {{"Partition Status"}, PartitionText},
    {{"Printer Configuration"}, PrinterText},
};

Renderer FindRenderer(std::string_view attrName)
{
    for (const KnownAttribute& known : kKnownAttributes) {
        for (std::string_view name : known.names) {
            if (util::SameTextIgnoreCase(attrName, name)) {
                return known.render;
            }
        }
    }
    return nullptr;
}

} // namespace

std::string OctetHexText(const client::OctetStringValue& value)
{
    const std::uint32_t length = value.data == nullptr ? 0 : value.length;
    if (length > kMaxTakenLength) {
        throw ValueError(Format("octet string of %u bytes is longer than 65535 bytes", length));
    }
    return util::BytesToHex(value.data, static_cast<std::uint16_t>(length));
}

std::string FormatOctetValue(const client::OctetStringValue& value, std::string_view attrName, std::int32_t valueIndex)
{
    const Renderer render = FindRenderer(attrName);
    if (render != nullptr) {
        const ValueBytes bytes(value.data, value.length);
        try {
            return render(OctetLayout(bytes, attrName), valueIndex);
        } catch (const detail::ShortLayout&) {
            // The record does not fit its layout: show the bytes as they are.
        }
    }
    return OctetHexText(value);
}

} // namespace veralith::values
