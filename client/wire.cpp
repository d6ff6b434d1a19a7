#include "client/wire.h"

#include "client/syntax_traits.h"
#include "client/values.h"

#include <cstring>
#include <vector>

namespace veralith::client {

bool WireReader::U8(std::uint8_t* v)
{
    if (m_data.size() - m_pos < 1) {
        return false;
    }
    *v = static_cast<std::uint8_t>(m_data[m_pos++]);
    return true;
}

bool WireReader::U16(std::uint16_t* v)
{
    if (m_data.size() - m_pos < 2) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
    *v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    m_pos += 2;
    return true;
}

bool WireReader::U32(std::uint32_t* v)
{
    if (m_data.size() - m_pos < 4) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
    *v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    m_pos += 4;
    return true;
}

bool WireReader::Bytes(std::string_view* v)
{
    const std::size_t start = m_pos;
    std::uint32_t length = 0;
    if (!U32(&length)) {
        return false;
    }
    if (m_data.size() - m_pos < length) {
        m_pos = start;
        return false;
    }
    *v = m_data.substr(m_pos, length);
    m_pos += length;
    return true;
}

std::string_view WireReader::Rest()
{
    std::string_view v = m_data.substr(m_pos);
    m_pos = m_data.size();
    return v;
}

namespace {

// A value decoded from its wire form: the numbers and the pieces (texts,
// byte strings) in the order the syntax lists them.
struct Decoded
{
    std::uint32_t n[4] = {0, 0, 0, 0};
    std::vector<std::string_view> parts;
    std::vector<std::uint32_t> partNumbers; // address types of replica pointers
};

bool Decode(std::uint32_t syntax, std::string_view value, Decoded* d)
{
    WireReader r(value);
    std::uint8_t b = 0;
    std::uint16_t h1 = 0;
    std::uint16_t h2 = 0;
    std::string_view s;
    const ValueLayout layout = TraitsOfSyntax(syntax).layout;
    switch (layout) {
    case ValueLayout::Text:
    case ValueLayout::Name:
    case ValueLayout::OctetString:
    case ValueLayout::Stream:
    case ValueLayout::RawBytes:
        d->parts.push_back(r.Rest());
        return true;
    case ValueLayout::TextList:
    case ValueLayout::OctetList:
    case ValueLayout::PostalAddress: {
        std::uint32_t count = 0;
        if (!r.U32(&count) || (layout == ValueLayout::PostalAddress && count > kPostalAddressLines)) {
            return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!r.Bytes(&s)) {
                return false;
            }
            d->parts.push_back(s);
        }
        return r.AtEnd();
    }
    case ValueLayout::Flag:
        if (!r.U8(&b)) {
            return false;
        }
        d->n[0] = b;
        return r.AtEnd();
    case ValueLayout::Int32:
    case ValueLayout::Seconds:
        return r.U32(&d->n[0]) && r.AtEnd();
    case ValueLayout::Unknown:
    case ValueLayout::NetAddress:
    case ValueLayout::EmailAddress:
    case ValueLayout::BackLink:
    case ValueLayout::Hold:
        if (!r.U32(&d->n[0])) {
            return false;
        }
        d->parts.push_back(r.Rest());
        return true;
    case ValueLayout::FaxNumber:
        if (!r.Bytes(&s) || !r.U32(&d->n[0])) {
            return false;
        }
        d->parts.push_back(s);
        d->parts.push_back(r.Rest());
        return d->parts[1].size() >= (static_cast<std::uint64_t>(d->n[0]) + 7) / 8;
    case ValueLayout::Path:
        if (!r.U32(&d->n[0]) || !r.Bytes(&s)) {
            return false;
        }
        d->parts.push_back(s);
        d->parts.push_back(r.Rest());
        return true;
    case ValueLayout::ReplicaPointer: {
        if (!r.Bytes(&s) || !r.U32(&d->n[0]) || !r.U32(&d->n[1]) || !r.U32(&d->n[2])) {
            return false;
        }
        d->parts.push_back(s);
        for (std::uint32_t i = 0; i < d->n[2]; ++i) {
            std::uint32_t type = 0;
            if (!r.U32(&type) || !r.Bytes(&s)) {
                return false;
            }
            d->partNumbers.push_back(type);
            d->parts.push_back(s);
        }
        return r.AtEnd();
    }
    case ValueLayout::Acl:
        if (!r.Bytes(&s)) {
            return false;
        }
        d->parts.push_back(s);
        if (!r.Bytes(&s) || !r.U32(&d->n[0])) {
            return false;
        }
        d->parts.push_back(s);
        return r.AtEnd();
    case ValueLayout::TimeStamp:
        if (!r.U32(&d->n[0]) || !r.U16(&h1) || !r.U16(&h2)) {
            return false;
        }
        d->n[1] = h1;
        d->n[2] = h2;
        return r.AtEnd();
    case ValueLayout::TypedName:
        if (!r.U32(&d->n[0]) || !r.U32(&d->n[1])) {
            return false;
        }
        d->parts.push_back(r.Rest());
        return true;
    }
    return false;
}

// Places a layout: fixed structs at the start, texts and bytes after them.
// With a null base it only counts.
class Emitter
{
public:
    Emitter(std::uint8_t* base, std::size_t fixed)
        : m_base(base)
        , m_tail(fixed)
    { }
    const char* Text(std::string_view s)
    {
        const std::size_t at = m_tail;
        m_tail += s.size() + 1;
        if (m_base == nullptr) {
            return nullptr;
        }
        if (!s.empty()) {
            std::memcpy(m_base + at, s.data(), s.size());
        }
        m_base[at + s.size()] = 0;
        return reinterpret_cast<const char*>(m_base + at);
    }
    const std::uint8_t* data(std::string_view s)
    {
        const std::size_t at = m_tail;
        m_tail += s.size();
        if (m_base == nullptr) {
            return nullptr;
        }
        if (!s.empty()) {
            std::memcpy(m_base + at, s.data(), s.size());
        }
        return m_base + at;
    }
    template<typename T>
    void Put(std::size_t offset, const T& v)
    {
        if (m_base != nullptr) {
            std::memcpy(m_base + offset, &v, sizeof v);
        }
    }
    const void* at(std::size_t offset) const { return m_base == nullptr ? nullptr : m_base + offset; }
    std::size_t size() const { return m_tail; }

private:
    std::uint8_t* m_base;
    std::size_t m_tail;
};

std::size_t Emit(std::uint32_t syntax, std::string_view attrName, const Decoded& d, std::uint8_t* base)
{
    switch (TraitsOfSyntax(syntax).layout) {
    case ValueLayout::Text:
    case ValueLayout::Name: {
        Emitter e(base, 0);
        e.Text(d.parts[0]);
        return e.size();
    }
    case ValueLayout::Flag: {
        Emitter e(base, 1);
        e.Put(0, static_cast<std::uint8_t>(d.n[0]));
        return e.size();
    }
    case ValueLayout::Int32:
    case ValueLayout::Seconds: {
        Emitter e(base, 4);
        e.Put(0, d.n[0]);
        return e.size();
    }
    case ValueLayout::TimeStamp: {
        Emitter e(base, sizeof(DirTimeStamp));
        e.Put(0, DirTimeStamp {d.n[0], static_cast<std::uint16_t>(d.n[1]), static_cast<std::uint16_t>(d.n[2])});
        return e.size();
    }
    case ValueLayout::Stream:
        return 0;
    case ValueLayout::Unknown: {
        Emitter e(base, sizeof(UnknownValue));
        UnknownValue v {};
        v.attrName = e.Text(attrName);
        v.syntaxId = d.n[0];
        v.length = static_cast<std::uint32_t>(d.parts[0].size());
        v.bytes = e.data(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::TextList: {
        const std::size_t count = d.parts.empty() ? 1 : d.parts.size();
        Emitter e(base, count * sizeof(CaseIgnoreListNode));
        for (std::size_t i = 0; i < count; ++i) {
            CaseIgnoreListNode node {};
            node.next = i + 1 < count ? static_cast<const CaseIgnoreListNode*>(e.at((i + 1) * sizeof node)) : nullptr;
            node.text = e.Text(d.parts.empty() ? std::string_view() : d.parts[i]);
            e.Put(i * sizeof node, node);
        }
        return e.size();
    }
    case ValueLayout::OctetList: {
        const std::size_t count = d.parts.empty() ? 1 : d.parts.size();
        Emitter e(base, count * sizeof(OctetListNode));
        for (std::size_t i = 0; i < count; ++i) {
            OctetListNode node {};
            const std::string_view part = d.parts.empty() ? std::string_view() : d.parts[i];
            node.next = i + 1 < count ? static_cast<const OctetListNode*>(e.at((i + 1) * sizeof node)) : nullptr;
            node.length = static_cast<std::uint32_t>(part.size());
            node.data = e.data(part);
            e.Put(i * sizeof node, node);
        }
        return e.size();
    }
    case ValueLayout::OctetString: {
        Emitter e(base, sizeof(OctetStringValue));
        OctetStringValue v {};
        v.length = static_cast<std::uint32_t>(d.parts[0].size());
        v.data = e.data(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::FaxNumber: {
        Emitter e(base, sizeof(FaxNumberValue));
        FaxNumberValue v {};
        v.telephoneNumber = e.Text(d.parts[0]);
        v.bitCount = d.n[0];
        v.parameters = d.parts[1].empty() ? nullptr : e.data(d.parts[1]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::NetAddress: {
        Emitter e(base, sizeof(NetAddressValue));
        NetAddressValue v {};
        v.addressType = d.n[0];
        v.addressLength = static_cast<std::uint32_t>(d.parts[0].size());
        v.address = e.data(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::EmailAddress: {
        Emitter e(base, sizeof(EmailAddressValue));
        EmailAddressValue v {};
        v.type = d.n[0];
        v.address = e.Text(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::Path: {
        Emitter e(base, sizeof(PathValue));
        PathValue v {};
        v.nameSpaceType = d.n[0];
        v.volumeName = e.Text(d.parts[0]);
        v.path = e.Text(d.parts[1]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::ReplicaPointer: {
        const std::size_t count = d.partNumbers.size();
        Emitter e(base, sizeof(ReplicaPointerValue) + count * sizeof(NetAddressValue));
        ReplicaPointerValue v {};
        v.serverName = e.Text(d.parts[0]);
        v.replicaType = d.n[0];
        v.replicaNumber = d.n[1];
        v.count = static_cast<std::uint32_t>(count);
        v.addresses = static_cast<const NetAddressValue*>(e.at(sizeof v));
        for (std::size_t i = 0; i < count; ++i) {
            NetAddressValue a {};
            a.addressType = d.partNumbers[i];
            a.addressLength = static_cast<std::uint32_t>(d.parts[i + 1].size());
            a.address = e.data(d.parts[i + 1]);
            e.Put(sizeof v + i * sizeof a, a);
        }
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::Acl: {
        Emitter e(base, sizeof(AclValue));
        AclValue v {};
        v.protectedAttrName = e.Text(d.parts[0]);
        v.subjectName = e.Text(d.parts[1]);
        v.privileges = d.n[0];
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::PostalAddress: {
        Emitter e(base, sizeof(PostalAddressValue));
        PostalAddressValue v {};
        for (std::size_t i = 0; i < kPostalAddressLines; ++i) {
            v.lines[i] = e.Text(i < d.parts.size() ? d.parts[i] : std::string_view());
        }
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::BackLink: {
        Emitter e(base, sizeof(BackLinkValue));
        BackLinkValue v {};
        v.remoteId = d.n[0];
        v.objectName = e.Text(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::TypedName: {
        Emitter e(base, sizeof(TypedNameValue));
        TypedNameValue v {};
        v.level = d.n[0];
        v.interval = d.n[1];
        v.objectName = e.Text(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::Hold: {
        Emitter e(base, sizeof(HoldValue));
        HoldValue v {};
        v.amount = d.n[0];
        v.objectName = e.Text(d.parts[0]);
        e.Put(0, v);
        return e.size();
    }
    case ValueLayout::RawBytes: {
        Emitter e(base, 0);
        e.data(d.parts[0]);
        return e.size();
    }
    }
    return 0;
}

} // namespace

bool IsValidWireValue(std::uint32_t syntaxId, std::string_view value)
{
    Decoded d;
    return Decode(syntaxId, value, &d);
}

bool RewriteWireNames(std::uint32_t syntaxId, std::string_view value,
    const std::function<std::string(std::string_view)>& rename, std::string* out)
{
    Decoded d;
    if (!Decode(syntaxId, value, &d)) {
        return false;
    }
    WireWriter w;
    switch (TraitsOfSyntax(syntaxId).layout) {
    case ValueLayout::Name:
        w.Raw(rename(d.parts[0]));
        break;
    case ValueLayout::Path:
        w.U32(d.n[0]);
        w.Bytes(rename(d.parts[0]));
        w.Raw(d.parts[1]);
        break;
    case ValueLayout::ReplicaPointer:
        w.Bytes(rename(d.parts[0]));
        w.U32(d.n[0]);
        w.U32(d.n[1]);
        w.U32(d.n[2]);
        for (std::size_t i = 0; i < d.partNumbers.size(); ++i) {
            w.U32(d.partNumbers[i]);
            w.Bytes(d.parts[i + 1]);
        }
        break;
    case ValueLayout::Acl:
        w.Bytes(d.parts[0]);
        w.Bytes(rename(d.parts[1]));
        w.U32(d.n[0]);
        break;
    case ValueLayout::BackLink:
    case ValueLayout::Hold:
        w.U32(d.n[0]);
        w.Raw(rename(d.parts[0]));
        break;
    case ValueLayout::TypedName:
        w.U32(d.n[0]);
        w.U32(d.n[1]);
        w.Raw(rename(d.parts[0]));
        break;
    default:
        *out = std::string(value);
        return true;
    }
    *out = w.Take();
    return true;
}

DirResult ComputeLayoutSize(
    std::uint32_t syntaxId, std::string_view attrName, std::string_view value, std::size_t* size)
{
    Decoded d;
    if (!Decode(syntaxId, value, &d)) {
        return ERR_SYSTEM_FAILURE;
    }
    *size = Emit(syntaxId, attrName, d, nullptr);
    return 0;
}

DirResult WriteLayout(std::uint32_t syntaxId, std::string_view attrName, std::string_view value, void* storage)
{
    Decoded d;
    if (!Decode(syntaxId, value, &d)) {
        return ERR_SYSTEM_FAILURE;
    }
    Emit(syntaxId, attrName, d, static_cast<std::uint8_t*>(storage));
    return 0;
}

} // namespace veralith::client
