#include "client/memory/tree_values.h"

#include "client/syntax_traits.h"
#include "client/values.h"
#include "client/wire.h"

#include <algorithm>
#include <initializer_list>

// GCC 12 reports a false -Wrestrict inside std::string when a literal is
// prepended to a temporary string (GCC bug 105329); the code is sound.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace veralith::client::memory {

namespace {

constexpr std::int64_t kMinInt32 = -2147483648LL;
constexpr std::int64_t kMaxInt32 = 2147483647LL;
constexpr std::int64_t kMaxUInt32 = 4294967295LL;

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// Reads the members of a structured value, with the message for each fault.
class Fields
{
public:
    Fields(const JsonDocument& doc, std::uint32_t node, std::string* problem)
        : m_doc(doc)
        , m_node(node)
        , m_problem(problem)
    { }

    // The value must be an object with no members but these.
    bool Only(std::initializer_list<std::string_view> names)
    {
        if (m_doc.Type(m_node) != JsonType::Object) {
            return Fail("must be an object");
        }
        for (std::uint32_t key = m_doc.First(m_node); key != kNoNode; key = m_doc.Next(m_doc.Next(key))) {
            bool known = m_doc.Text(key) == "comment";
            for (std::string_view name : names) {
                known = known || m_doc.Text(key) == name;
            }
            if (!known) {
                return Fail("unknown member " + Quoted(m_doc.Text(key)));
            }
        }
        return true;
    }

    bool Integer(std::string_view name, std::int64_t low, std::int64_t high, std::int64_t* value, bool required = true)
    {
        const std::uint32_t node = m_doc.Member(m_node, name);
        if (node == kNoNode) {
            *value = 0;
            return required ? Fail(Quoted(name) + " is missing") : true;
        }
        if (!m_doc.Integer(node, value)) {
            return Fail(Quoted(name) + " must be an integer");
        }
        if (*value < low || *value > high) {
            return Fail(Quoted(name) + " must be from " + std::to_string(low) + " to " + std::to_string(high));
        }
        return true;
    }

    bool U32(std::string_view name, std::uint32_t* value, bool required = true)
    {
        std::int64_t v = 0;
        if (!Integer(name, 0, kMaxUInt32, &v, required)) {
            return false;
        }
        *value = static_cast<std::uint32_t>(v);
        return true;
    }

    bool Text(std::string_view name, std::string_view* value, bool required = true)
    {
        const std::uint32_t node = m_doc.Member(m_node, name);
        if (node == kNoNode) {
            *value = {};
            return required ? Fail(Quoted(name) + " is missing") : true;
        }
        if (m_doc.Type(node) != JsonType::String) {
            return Fail(Quoted(name) + " must be a string");
        }
        *value = m_doc.Text(node);
        return true;
    }

    bool Name(std::string_view member, std::string_view* value)
    {
        if (!Text(member, value)) {
            return false;
        }
        if (value->empty() || value->size() + 1 + 3 * (1 + std::count(value->begin(), value->end(), '.')) > 255) {
            return Fail(Quoted(member) + " must be a name of 1 to 255 characters in typed form");
        }
        return true;
    }

    bool Bytes(std::string_view name, std::string* value, bool required = true)
    {
        const std::uint32_t node = m_doc.Member(m_node, name);
        if (node == kNoNode) {
            value->clear();
            return required ? Fail(Quoted(name) + " is missing") : true;
        }
        if (m_doc.Type(node) != JsonType::String || !ParseTreeBytes(m_doc.Text(node), value)) {
            return Fail(Quoted(name) + " must be bytes (\"hex:\", \"base64:\" or \"text:\")");
        }
        return true;
    }

    bool Time(std::string_view name, std::uint32_t* value)
    {
        const std::uint32_t node = m_doc.Member(m_node, name);
        if (node == kNoNode) {
            return Fail(Quoted(name) + " is missing");
        }
        if (!ParseTreeTime(m_doc, node, value)) {
            return Fail(Quoted(name) + " must be an ISO 8601 UTC time or whole seconds since 1970");
        }
        return true;
    }

    bool Fail(std::string what)
    {
        *m_problem = std::move(what);
        return false;
    }

private:
    const JsonDocument& m_doc;
    std::uint32_t m_node;
    std::string* m_problem;
};

bool TextList(const JsonDocument& doc, std::uint32_t node, std::size_t maxCount, bool bytes, std::string* wire,
    std::string* problem)
{
    const bool postal = maxCount <= 6;
    const char* shape = postal ? "must be an array of at most 6 strings"
        : bytes                ? "must be a non-empty array of bytes"
                               : "must be a non-empty array of strings";
    if (doc.Type(node) != JsonType::Array || (!postal && doc.size(node) == 0) || doc.size(node) > maxCount) {
        *problem = shape;
        return false;
    }
    WireWriter w;
    w.U32(doc.size(node));
    std::uint32_t index = 0;
    for (std::uint32_t item = doc.First(node); item != kNoNode; item = doc.Next(item), ++index) {
        std::string decoded;
        if (doc.Type(item) != JsonType::String || (bytes && !ParseTreeBytes(doc.Text(item), &decoded))) {
            *problem = "element " + std::to_string(index) + (bytes ? " must be bytes" : " must be a string");
            return false;
        }
        w.Bytes(bytes ? std::string_view(decoded) : doc.Text(item));
    }
    *wire = w.Take();
    return true;
}

bool IsPrintable(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        std::string_view(" '()+,-./:?=").find(c) != std::string_view::npos;
}

} // namespace

bool EncodeTreeValue(const JsonDocument& doc, std::uint32_t node, std::uint32_t syntax, const Schema& schema,
    std::string* wire, std::string* problem)
{
    const JsonType type = doc.Type(node);
    WireWriter w;
    Fields f(doc, node, problem);
    const TreeShape shape = TraitsOfSyntax(syntax).tree;
    switch (shape) {
    case TreeShape::Name:
        if (type != JsonType::String) {
            *problem = "must be a string: the full name of an object of the tree";
            return false;
        }
        if (!CheckTreeName(doc.Text(node), problem)) {
            *problem = "name " + Quoted(doc.Text(node)) + " " + *problem;
            return false;
        }
        w.Raw(doc.Text(node));
        break;
    case TreeShape::Text:
    case TreeShape::DigitsText:
    case TreeShape::PrintableText:
    case TreeShape::ClassName: {
        if (type != JsonType::String) {
            *problem = "must be a string";
            return false;
        }
        const std::string_view text = doc.Text(node);
        for (char c : text) {
            if (shape == TreeShape::DigitsText && !(c >= '0' && c <= '9') && c != ' ') {
                *problem = "must hold only digits and blanks";
                return false;
            }
            if (shape == TreeShape::PrintableText && !IsPrintable(c)) {
                *problem = "must hold only printable-string characters";
                return false;
            }
        }
        if (shape == TreeShape::ClassName && schema.FindClass(text) == kNoSchemaId) {
            *problem = "unknown class " + Quoted(text);
            return false;
        }
        w.Raw(text);
        break;
    }
    case TreeShape::TextList:
        return TextList(doc, node, 0xFFFF, false, wire, problem);
    case TreeShape::ByteList:
        return TextList(doc, node, 0xFFFF, true, wire, problem);
    case TreeShape::PostalLines:
        return TextList(doc, node, kPostalAddressLines, false, wire, problem);
    case TreeShape::Flag: {
        std::int64_t v = 0;
        if (type == JsonType::True || type == JsonType::False) {
            v = type == JsonType::True ? 1 : 0;
        } else if (!doc.Integer(node, &v) || v < 0 || v > 255) {
            *problem = "must be true, false or an integer from 0 to 255";
            return false;
        }
        w.U8(static_cast<std::uint8_t>(v));
        break;
    }
    case TreeShape::Integer: {
        std::int64_t v = 0;
        if (!doc.Integer(node, &v) || v < kMinInt32 || v > kMaxInt32) {
            *problem = "must be an integer from -2147483648 to 2147483647";
            return false;
        }
        w.U32(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)));
        break;
    }
    case TreeShape::Time: {
        std::uint32_t seconds = 0;
        if (!ParseTreeTime(doc, node, &seconds)) {
            *problem = "must be an ISO 8601 UTC time (2005-12-31T00:00:00Z) or whole seconds since 1970";
            return false;
        }
        w.U32(seconds);
        break;
    }
    case TreeShape::FaxRecord: {
        std::string_view number;
        std::string parameters;
        if (!f.Only({"number", "parameters"}) || !f.Text("number", &number) ||
            !f.Bytes("parameters", &parameters, false)) {
            return false;
        }
        w.Bytes(number);
        w.U32(static_cast<std::uint32_t>(parameters.size() * 8));
        w.Raw(parameters);
        break;
    }
    case TreeShape::NetAddressRecord:
    case TreeShape::EmailRecord: {
        std::uint32_t addressType = 0;
        std::string address;
        std::string_view text;
        if (!f.Only({"type", "address"}) || !f.U32("type", &addressType)) {
            return false;
        }
        if (shape == TreeShape::NetAddressRecord ? !f.Bytes("address", &address) : !f.Text("address", &text)) {
            return false;
        }
        w.U32(addressType);
        w.Raw(shape == TreeShape::NetAddressRecord ? std::string_view(address) : text);
        break;
    }
    case TreeShape::PathRecord: {
        std::uint32_t nameSpace = 0;
        std::string_view volume;
        std::string_view path;
        if (!f.Only({"nameSpace", "volume", "path"}) || !f.U32("nameSpace", &nameSpace) || !f.Name("volume", &volume) ||
            !f.Text("path", &path)) {
            return false;
        }
        w.U32(nameSpace);
        w.Bytes(volume);
        w.Raw(path);
        break;
    }
    case TreeShape::ReplicaRecord: {
        std::string_view server;
        std::uint32_t replicaType = 0;
        std::uint32_t number = 0;
        if (!f.Only({"server", "type", "number", "addresses"}) || !f.Name("server", &server) ||
            !f.U32("type", &replicaType) || !f.U32("number", &number)) {
            return false;
        }
        w.Bytes(server);
        w.U32(replicaType);
        w.U32(number);
        const std::uint32_t list = doc.Member(node, "addresses");
        if (list == kNoNode) {
            w.U32(0);
            break;
        }
        if (doc.Type(list) != JsonType::Array) {
            *problem = "\"addresses\" must be an array of network addresses";
            return false;
        }
        w.U32(doc.size(list));
        std::uint32_t index = 0;
        for (std::uint32_t item = doc.First(list); item != kNoNode; item = doc.Next(item), ++index) {
            std::string one;
            if (!EncodeTreeValue(doc, item, SYN_NET_ADDRESS, schema, &one, problem)) {
                *problem = "\"addresses\" element " + std::to_string(index) + ": " + *problem;
                return false;
            }
            // A network address value is its type and the address bytes.
            WireReader address(one);
            std::uint32_t addressType = 0;
            address.U32(&addressType);
            w.U32(addressType);
            w.Bytes(address.Rest());
        }
        break;
    }
    case TreeShape::AclRecord: {
        std::string_view attribute;
        std::string_view subject;
        std::uint32_t rights = 0;
        if (!f.Only({"attribute", "subject", "rights"}) || !f.Text("attribute", &attribute) ||
            !f.Name("subject", &subject) || !f.U32("rights", &rights)) {
            return false;
        }
        w.Bytes(attribute);
        w.Bytes(subject);
        w.U32(rights);
        break;
    }
    case TreeShape::TimeStampRecord: {
        std::uint32_t seconds = 0;
        std::int64_t replica = 0;
        std::int64_t event = 0;
        if (!f.Only({"time", "replica", "event"}) || !f.Time("time", &seconds) ||
            !f.Integer("replica", 0, 65535, &replica) || !f.Integer("event", 0, 65535, &event)) {
            return false;
        }
        w.U32(seconds);
        w.U16(static_cast<std::uint16_t>(replica));
        w.U16(static_cast<std::uint16_t>(event));
        break;
    }
    case TreeShape::Bytes: {
        std::string bytes;
        if (type != JsonType::String || !ParseTreeBytes(doc.Text(node), &bytes)) {
            *problem = "must be bytes (\"hex:\", \"base64:\" or \"text:\")";
            return false;
        }
        w.Raw(bytes);
        break;
    }
    case TreeShape::BackLinkRecord: {
        std::uint32_t remoteId = 0;
        std::string_view name;
        if (!f.Only({"remoteId", "name"}) || !f.U32("remoteId", &remoteId) || !f.Name("name", &name)) {
            return false;
        }
        w.U32(remoteId);
        w.Raw(name);
        break;
    }
    case TreeShape::TypedNameRecord: {
        std::string_view name;
        std::uint32_t level = 0;
        std::uint32_t interval = 0;
        if (!f.Only({"name", "level", "interval"}) || !f.Name("name", &name) || !f.U32("level", &level) ||
            !f.U32("interval", &interval)) {
            return false;
        }
        w.U32(level);
        w.U32(interval);
        w.Raw(name);
        break;
    }
    case TreeShape::HoldRecord: {
        std::string_view name;
        std::uint32_t amount = 0;
        if (!f.Only({"name", "amount"}) || !f.Name("name", &name) || !f.U32("amount", &amount)) {
            return false;
        }
        w.U32(amount);
        w.Raw(name);
        break;
    }
    case TreeShape::UnknownRecord: {
        std::uint32_t number = 0;
        std::string bytes;
        if (type == JsonType::String) {
            if (!ParseTreeBytes(doc.Text(node), &bytes)) {
                *problem = "must be bytes (\"hex:\", \"base64:\" or \"text:\")";
                return false;
            }
        } else if (!f.Only({"number", "bytes"}) || !f.U32("number", &number) || !f.Bytes("bytes", &bytes)) {
            return false;
        }
        w.U32(number);
        w.Raw(bytes);
        break;
    }
    }
    *wire = w.Take();
    return true;
}

} // namespace veralith::client::memory
