#include "values/format.h"

#include "client/syntax_traits.h"
#include "util/buffer.h"
#include "util/format.h"
#include "util/number.h"
#include "util/text.h"
#include "values/dirtime.h"
#include "values/errors.h"
#include "values/octet.h"
#include "values/stream.h"
#include "values/value_block.h"

namespace veralith::values {

using detail::ValueBlock;
using util::Format;

namespace {

constexpr std::size_t kMaxHexBytes = 0xFFFF;

std::string HexOfBytes(const ValueBytes& bytes, std::string_view what)
{
    if (bytes.Size() > kMaxHexBytes) {
        throw ValueError(Format(
            "%s of %u bytes is longer than 65535 bytes", std::string(what), static_cast<std::uint64_t>(bytes.Size())));
    }
    return util::BytesToHex(bytes.Data(), static_cast<std::uint16_t>(bytes.Size()));
}

std::int32_t Int32At(const ValueBlock& block, const void* value)
{
    block.RequireSize(sizeof(std::int32_t));
    std::int32_t number;
    std::memcpy(&number, value, sizeof(number));
    return number;
}

void AppendTextList(const ValueBlock& block, const client::CaseIgnoreListNode& first, util::StringList& lines)
{
    client::CaseIgnoreListNode node = first;
    const std::size_t maxNodes = block.MaxNodes(sizeof(node));
    for (std::size_t count = 1;; ++count) {
        lines.Add(block.Text(node.text, "list text"));
        if (node.next == nullptr) {
            return;
        }
        if (count >= maxNodes) {
            block.Fail("list of texts loops back on itself");
        }
        node = block.At(node.next, "next list node");
    }
}

void AppendOctetList(const ValueBlock& block, const client::OctetListNode& first, const std::string& attrName,
    std::int32_t valueIndex, util::StringList& lines)
{
    client::OctetListNode node = first;
    const std::size_t maxNodes = block.MaxNodes(sizeof(node));
    for (std::size_t count = 1;; ++count) {
        const ValueBytes bytes = block.Bytes(node.data, node.length, "octet list element");
        lines.Add(FormatOctetValue({static_cast<std::uint32_t>(bytes.Size()), bytes.Data()}, attrName, valueIndex));
        if (node.next == nullptr) {
            return;
        }
        if (count >= maxNodes) {
            block.Fail("octet list loops back on itself");
        }
        node = block.At(node.next, "next list node");
    }
}

// Appends the value's lines to lines; may raise after some lines are in, so
// the caller collects them in a list of its own.
void AppendValueLines(const ValueBlock& block, const std::string& attrName, std::int32_t valueIndex,
    const AttributeValueInfo& info, const void* value, std::size_t size, util::StringList& lines)
{
    using client::Rendering;
    switch (client::TraitsOfSyntax(info.syntaxId).render) {
    case Rendering::Unknown: {
        const auto unknown = block.Head<client::UnknownValue>();
        const ValueBytes bytes = block.Bytes(unknown.bytes, unknown.length, "value bytes");
        lines.Add(
            Format("%s [%d] %s", attrName, static_cast<std::int32_t>(unknown.syntaxId), HexOfBytes(bytes, "value")));
        break;
    }
    case Rendering::Text:
        lines.Add(block.WholeText());
        break;
    case Rendering::TextList:
        AppendTextList(block, block.Head<client::CaseIgnoreListNode>(), lines);
        break;
    case Rendering::Boolean:
        block.RequireSize(1);
        lines.Add(util::BoolToText(*static_cast<const std::uint8_t*>(value) != 0));
        break;
    case Rendering::Integer:
        lines.Add(Format("%d", Int32At(block, value)));
        break;
    case Rendering::OctetString: {
        const auto octets = block.Head<client::OctetStringValue>();
        const ValueBytes bytes = block.Bytes(octets.data, octets.length, "octet string");
        lines.Add(FormatOctetValue({static_cast<std::uint32_t>(bytes.Size()), bytes.Data()}, attrName, valueIndex));
        break;
    }
    case Rendering::FaxNumber:
        lines.Add(block.Text(block.Head<client::FaxNumberValue>().telephoneNumber, "telephone number"));
        break;
    case Rendering::NetAddress: {
        const auto address = block.Head<client::NetAddressValue>();
        const ValueBytes bytes = block.Bytes(address.address, address.addressLength, "address bytes");
        lines.Add(FormatNetAddress({address.addressType, static_cast<std::uint32_t>(bytes.Size()), bytes.Data()}));
        break;
    }
    case Rendering::OctetList:
        AppendOctetList(block, block.Head<client::OctetListNode>(), attrName, valueIndex, lines);
        break;
    case Rendering::EmailAddress:
        lines.Add(block.Text(block.Head<client::EmailAddressValue>().address, "e-mail address"));
        break;
    case Rendering::Path: {
        const auto path = block.Head<client::PathValue>();
        lines.Add(Format("(%d) %s:%s", static_cast<std::int32_t>(path.nameSpaceType),
            block.Text(path.volumeName, "volume name"), block.Text(path.path, "path")));
        break;
    }
    case Rendering::ReplicaPointer: {
        const auto replica = block.Head<client::ReplicaPointerValue>();
        lines.Add(Format("%s [%s] [Nr: %d]", block.Text(replica.serverName, "server name"),
            ReplicaTypeText(static_cast<std::int32_t>(replica.replicaType)),
            static_cast<std::int32_t>(replica.replicaNumber)));
        break;
    }
    case Rendering::Acl: {
        const auto acl = block.Head<client::AclValue>();
        const std::string protectedAttr = block.Text(acl.protectedAttrName, "protected attribute name");
        lines.Add(FormatAclEntry(acl.privileges, block.Text(acl.subjectName, "subject name"), protectedAttr));
        break;
    }
    case Rendering::PostalAddress: {
        const auto postal = block.Head<client::PostalAddressValue>();
        for (const char* line : postal.lines) {
            lines.Add(block.Text(line, "postal address line"));
        }
        break;
    }
    case Rendering::TimeStamp:
        lines.Add(DirTimeText(block.Head<client::DirTimeStamp>().wholeSeconds, true));
        break;
    case Rendering::Time:
        lines.Add(DirTimeText(static_cast<std::uint32_t>(Int32At(block, value)), true));
        break;
    case Rendering::BackLink:
        lines.Add(block.Text(block.Head<client::BackLinkValue>().objectName, "object name"));
        break;
    case Rendering::TypedName: {
        const auto typed = block.Head<client::TypedNameValue>();
        lines.Add(Format("%s#%d#%d", block.Text(typed.objectName, "object name"),
            static_cast<std::int32_t>(typed.level), static_cast<std::int32_t>(typed.interval)));
        break;
    }
    case Rendering::Hold: {
        const auto hold = block.Head<client::HoldValue>();
        lines.Add(
            Format("%s (%d)", block.Text(hold.objectName, "object name"), static_cast<std::int32_t>(hold.amount)));
        break;
    }
    case Rendering::Duration: {
        const std::int32_t seconds = Int32At(block, value);
        if (seconds < 0) {
            throw ValueError(Format("interval of %d seconds is negative", seconds));
        }
        lines.Add(util::DurationText(static_cast<std::uint32_t>(seconds)));
        break;
    }
    case Rendering::Stream: // read through the client before the value's bytes are looked at
    case Rendering::Hex:
        lines.Add(Format("[%X] %s", info.syntaxId, HexOfBytes(ValueBytes(value, size), "value")));
        break;
    }
}

} // namespace

client::DirResult FormatAttributeValue(client::DirContext context, const std::string& objectName,
    const std::string& attrName, std::int32_t valueIndex, const AttributeValueInfo& info, const void* value,
    util::StringList& lines)
{
    if (client::TraitsOfSyntax(info.syntaxId).render == client::Rendering::Stream) {
        std::string text;
        const client::DirResult result = ReadStreamText(context, objectName, attrName, text);
        if (result == 0) {
            lines.Add(text);
        }
        return result;
    }
    const std::size_t size = info.size > 0 ? static_cast<std::size_t>(info.size) : 0;
    const ValueBlock block(value, size, info.syntaxId);
    util::StringList valueLines;
    AppendValueLines(block, attrName, valueIndex, info, value, size, valueLines);
    for (const util::StringListEntry& entry : valueLines) {
        lines.Add(entry.text);
    }
    return 0;
}

} // namespace veralith::values
