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
    bool only(std::initializer_list<std::string_view> names)
    {
        if (m_doc.type(m_node) != JsonType::Object) {
            return fail("must be an object");
        }
        for (std::uint32_t key = m_doc.first(m_node); key != kNoNode; key = m_doc.next(m_doc.next(key))) {
            bool known = m_doc.text(key) == "comment";
            for (std::string_view name : names) {
                known = known || m_doc.text(key) == name;
            }
            if (!known) {
                return fail("unknown member " + Quoted(m_doc.text(key)));
            }
        }
        return true;
    }

    bool integer(std::string_view name, std::int64_t low, std::int64_t high, std::int64_t* value, bool required = true)
    {
        const std::uint32_t node = m_doc.member(m_node, name);
        if (node == kNoNode) {
            *value = 0;
            return required ? fail(Quoted(name) + " is missing") : true;
        }
        if (!m_doc.integer(node, value)) {
            return fail(Quoted(name) + " must be an integer");
        }
        if (*value < low || *value > high) {
            return fail(Quoted(name) + " must be from " + std::to_string(low) + " to " + std::to_string(high));
        }
        return true;
    }

    bool u32(std::string_view name, std::uint32_t* value, bool required = true)
    {
        std::int64_t v = 0;
        if (!integer(name, 0, kMaxUInt32, &v, required)) {
            return false;
        }
        *value = static_cast<std::uint32_t>(v);
        return true;
    }

    bool text(std::string_view name, std::string_view* value, bool required = true)
    {
        const std::uint32_t node = m_doc.member(m_node, name);
        if (node == kNoNode) {
            *value = {};
            return required ? fail(Quoted(name) + " is missing") : true;
        }
        if (m_doc.type(node) != JsonType::String) {
            return fail(Quoted(name) + " must be a string");
        }
        *value = m_doc.text(node);
        return true;
    }

    bool name(std::string_view member, std::string_view* value)
    {
        if (!text(member, value)) {
            return false;
        }
        if (value->empty() || value->size() + 1 + 3 * (1 + std::count(value->begin(), value->end(), '.')) > 255) {
            return fail(Quoted(member) + " must be a name of 1 to 255 characters in typed form");
        }
        return true;
    }

    bool bytes(std::string_view name, std::string* value, bool required = true)
    {
        const std::uint32_t node = m_doc.member(m_node, name);
        if (node == kNoNode) {
            value->clear();
            return required ? fail(Quoted(name) + " is missing") : true;
        }
        if (m_doc.type(node) != JsonType::String || !ParseTreeBytes(m_doc.text(node), value)) {
            return fail(Quoted(name) + " must be bytes (\"hex:\", \"base64:\" or \"text:\")");
        }
        return true;
    }

    bool time(std::string_view name, std::uint32_t* value)
    {
        const std::uint32_t node = m_doc.member(m_node, name);
        if (node == kNoNode) {
            return fail(Quoted(name) + " is missing");
        }
        if (!ParseTreeTime(m_doc, node, value)) {
            return fail(Quoted(name) + " must be an ISO 8601 UTC time or whole seconds since 1970");
        }
        return true;
    }

    bool fail(std::string what)
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
    if (doc.type(node) != JsonType::Array || (!postal && doc.size(node) == 0) || doc.size(node) > maxCount) {
        *problem = shape;
        return false;
    }
    WireWriter w;
    w.u32(doc.size(node));
    std::uint32_t index = 0;
    for (std::uint32_t item = doc.first(node); item != kNoNode; item = doc.next(item), ++index) {
        std::string decoded;
        if (doc.type(item) != JsonType::String || (bytes && !ParseTreeBytes(doc.text(item), &decoded))) {
            *problem = "element " + std::to_string(index) + (bytes ? " must be bytes" : " must be a string");
            return false;
        }
        w.bytes(bytes ? std::string_view(decoded) : doc.text(item));
    }
    *wire = w.take();
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
    const JsonType type = doc.type(node);
    WireWriter w;
    Fields f(doc, node, problem);
    const TreeShape shape = TraitsOfSyntax(syntax).tree;
    switch (shape) {
    case TreeShape::Name:
        if (type != JsonType::String) {
            *problem = "must be a string: the full name of an object of the tree";
            return false;
        }
        if (!CheckTreeName(doc.text(node), problem)) {
            *problem = "name " + Quoted(doc.text(node)) + " " + *problem;
            return false;
        }
        w.raw(doc.text(node));
        break;
    case TreeShape::Text:
    case TreeShape::DigitsText:
    case TreeShape::PrintableText:
    case TreeShape::ClassName: {
        if (type != JsonType::String) {
            *problem = "must be a string";
            return false;
        }
        const std::string_view text = doc.text(node);
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
        if (shape == TreeShape::ClassName && schema.findClass(text) == kNoSchemaId) {
            *problem = "unknown class " + Quoted(text);
            return false;
        }
        w.raw(text);
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
        } else if (!doc.integer(node, &v) || v < 0 || v > 255) {
            *problem = "must be true, false or an integer from 0 to 255";
            return false;
        }
        w.u8(static_cast<std::uint8_t>(v));
        break;
    }
    case TreeShape::Integer: {
        std::int64_t v = 0;
        if (!doc.integer(node, &v) || v < kMinInt32 || v > kMaxInt32) {
            *problem = "must be an integer from -2147483648 to 2147483647";
            return false;
        }
        w.u32(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)));
        break;
    }
    case TreeShape::Time: {
        std::uint32_t seconds = 0;
        if (!ParseTreeTime(doc, node, &seconds)) {
            *problem = "must be an ISO 8601 UTC time (2005-12-31T00:00:00Z) or whole seconds since 1970";
            return false;
        }
        w.u32(seconds);
        break;
    }
    case TreeShape::FaxRecord: {
        std::string_view number;
        std::string parameters;
        if (!f.only({"number", "parameters"}) || !f.text("number", &number) ||
            !f.bytes("parameters", &parameters, false)) {
            return false;
        }
        w.bytes(number);
        w.u32(static_cast<std::uint32_t>(parameters.size() * 8));
        w.raw(parameters);
        break;
    }
    case TreeShape::NetAddressRecord:
    case TreeShape::EmailRecord: {
        std::uint32_t addressType = 0;
        std::string address;
        std::string_view text;
        if (!f.only({"type", "address"}) || !f.u32("type", &addressType)) {
            return false;
        }
        if (shape == TreeShape::NetAddressRecord ? !f.bytes("address", &address) : !f.text("address", &text)) {
            return false;
        }
        w.u32(addressType);
        w.raw(shape == TreeShape::NetAddressRecord ? std::string_view(address) : text);
        break;
    }
    case TreeShape::PathRecord: {
        std::uint32_t nameSpace = 0;
        std::string_view volume;
        std::string_view path;
        if (!f.only({"nameSpace", "volume", "path"}) || !f.u32("nameSpace", &nameSpace) || !f.name("volume", &volume) ||
            !f.text("path", &path)) {
            return false;
        }
        w.u32(nameSpace);
        w.bytes(volume);
        w.raw(path);
        break;
    }
    case TreeShape::ReplicaRecord: {
        std::string_view server;
        std::uint32_t replicaType = 0;
        std::uint32_t number = 0;
        if (!f.only({"server", "type", "number", "addresses"}) || !f.name("server", &server) ||
            !f.u32("type", &replicaType) || !f.u32("number", &number)) {
            return false;
        }
        w.bytes(server);
        w.u32(replicaType);
        w.u32(number);
        const std::uint32_t list = doc.member(node, "addresses");
        if (list == kNoNode) {
            w.u32(0);
            break;
        }
        if (doc.type(list) != JsonType::Array) {
            *problem = "\"addresses\" must be an array of network addresses";
            return false;
        }
        w.u32(doc.size(list));
        std::uint32_t index = 0;
        for (std::uint32_t item = doc.first(list); item != kNoNode; item = doc.next(item), ++index) {
            std::string one;
            if (!EncodeTreeValue(doc, item, SYN_NET_ADDRESS, schema, &one, problem)) {
                *problem = "\"addresses\" element " + std::to_string(index) + ": " + *problem;
                return false;
            }
            // A network address value is its type and the address bytes.
            WireReader address(one);
            std::uint32_t addressType = 0;
            address.u32(&addressType);
            w.u32(addressType);
            w.bytes(address.rest());
        }
        break;
    }
    case TreeShape::AclRecord: {
        std::string_view attribute;
        std::string_view subject;
        std::uint32_t rights = 0;
        if (!f.only({"attribute", "subject", "rights"}) || !f.text("attribute", &attribute) ||
            !f.name("subject", &subject) || !f.u32("rights", &rights)) {
            return false;
        }
        w.bytes(attribute);
        w.bytes(subject);
        w.u32(rights);
        break;
    }
    case TreeShape::TimeStampRecord: {
        std::uint32_t seconds = 0;
        std::int64_t replica = 0;
        std::int64_t event = 0;
        if (!f.only({"time", "replica", "event"}) || !f.time("time", &seconds) ||
            !f.integer("replica", 0, 65535, &replica) || !f.integer("event", 0, 65535, &event)) {
            return false;
        }
        w.u32(seconds);
        w.u16(static_cast<std::uint16_t>(replica));
        w.u16(static_cast<std::uint16_t>(event));
        break;
    }
    case TreeShape::Bytes: {
        std::string bytes;
        if (type != JsonType::String || !ParseTreeBytes(doc.text(node), &bytes)) {
            *problem = "must be bytes (\"hex:\", \"base64:\" or \"text:\")";
            return false;
        }
        w.raw(bytes);
        break;
    }
    case TreeShape::BackLinkRecord: {
        std::uint32_t remoteId = 0;
        std::string_view name;
        if (!f.only({"remoteId", "name"}) || !f.u32("remoteId", &remoteId) || !f.name("name", &name)) {
            return false;
        }
        w.u32(remoteId);
        w.raw(name);
        break;
    }
    case TreeShape::TypedNameRecord: {
        std::string_view name;
        std::uint32_t level = 0;
        std::uint32_t interval = 0;
        if (!f.only({"name", "level", "interval"}) || !f.name("name", &name) || !f.u32("level", &level) ||
            !f.u32("interval", &interval)) {
            return false;
        }
        w.u32(level);
        w.u32(interval);
        w.raw(name);
        break;
    }
    case TreeShape::HoldRecord: {
        std::string_view name;
        std::uint32_t amount = 0;
        if (!f.only({"name", "amount"}) || !f.name("name", &name) || !f.u32("amount", &amount)) {
            return false;
        }
        w.u32(amount);
        w.raw(name);
        break;
    }
    case TreeShape::UnknownRecord: {
        std::uint32_t number = 0;
        std::string bytes;
        if (type == JsonType::String) {
            if (!ParseTreeBytes(doc.text(node), &bytes)) {
                *problem = "must be bytes (\"hex:\", \"base64:\" or \"text:\")";
                return false;
            }
        } else if (!f.only({"number", "bytes"}) || !f.u32("number", &number) || !f.bytes("bytes", &bytes)) {
            return false;
        }
        w.u32(number);
        w.raw(bytes);
        break;
    }
    }
    *wire = w.take();
    return true;
}

} // namespace veralith::client::memory
