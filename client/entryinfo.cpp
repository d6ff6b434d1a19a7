// Entry information blocks and streams.

#include "client/buffers.h"

#include <cstring>

namespace veralith::client {

namespace {

// Entry-information block: magic, total length, then (field, bytes) pairs.
constexpr std::uint32_t kEntryInfoMagic = 0x49454C56; // "VLEI"
constexpr std::size_t kMaxEntryInfoBlock = 65536;

std::string FullNameText(const Context& context, const ObjectSummary& entry, bool parent)
{
    std::vector<NameComponent> components = SplitTypeless(entry.fullName);
    // A typeless name keeps only the types the service's own name carries.
    for (std::size_t i = 0; context.Typed() && i < components.size() && i < entry.namingTypes.size(); ++i) {
        components[i].type = entry.namingTypes[i];
    }
    if (parent && !components.empty()) {
        components.erase(components.begin());
    }
    if (components.empty()) {
        return "[Root]";
    }
    return FormatComponents(components, context.Typed(), context.service.get());
}

} // namespace

DirResult DirReadEntryInfo(DirContext handle, const char* object, std::size_t blockSize, void* block)
{
    CountCall();
    Context* context = FindContext(handle);
    if (context == nullptr || block == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    ObjectSummary entry;
    if (const DirResult rc = LookupObject(*context, object, true, &entry); rc != 0) {
        return rc;
    }
    const std::uint32_t mask = context->entryInfoMask;
    WireWriter w;
    w.U32(kEntryInfoMagic);
    w.U32(0); // total length, patched below
    auto number = [&w](std::uint32_t field, std::uint32_t value) {
        WireWriter v;
        v.U32(value);
        w.U32(field);
        w.Bytes(v.Text());
    };
    auto text = [&w](std::uint32_t field, const std::string& value) {
        w.U32(field);
        w.Bytes(value);
    };
    if ((mask & DSI_MODIFICATION_TIME) != 0) {
        number(DSI_MODIFICATION_TIME, entry.modificationTime);
    }
    if ((mask & DSI_CREATION_TIME) != 0) {
        number(DSI_CREATION_TIME, entry.creationTime);
    }
    if ((mask & DSI_BASE_CLASS) != 0) {
        text(DSI_BASE_CLASS, entry.baseClass);
    }
    if ((mask & DSI_RDN) != 0) {
        std::vector<NameComponent> leaf = SplitTypeless(entry.fullName);
        leaf.resize(leaf.empty() ? 0 : 1);
        if (!leaf.empty() && !entry.namingTypes.empty() && context->Typed()) {
            leaf[0].type = entry.namingTypes[0];
        }
        text(DSI_RDN,
            leaf.empty() ? std::string("[Root]") : FormatComponents(leaf, context->Typed(), context->service.get()));
    }
    if ((mask & DSI_DN) != 0) {
        text(DSI_DN, FullNameText(*context, entry, false));
    }
    if ((mask & DSI_PARENT_DN) != 0) {
        text(DSI_PARENT_DN, FullNameText(*context, entry, true));
    }
    if ((mask & DSI_SOURCE_DN) != 0 && !entry.fullName.empty()) {
        std::string dn;
        const DirResult rc = context->service->DistinguishedName(entry.fullName, &dn);
        if (rc == 0) {
            text(DSI_SOURCE_DN, dn);
        } else if (rc != ERR_NO_SUCH_ATTRIBUTE) {
            return rc;
        }
    }
    std::string encoded = w.Take();
    if (encoded.size() > blockSize || encoded.size() > kMaxEntryInfoBlock) {
        return ERR_BUFFER_FULL;
    }
    const auto total = static_cast<std::uint32_t>(encoded.size());
    for (int i = 0; i < 4; ++i) {
        encoded[4 + static_cast<std::size_t>(i)] = static_cast<char>((total >> (8 * i)) & 0xFF);
    }
    std::memcpy(block, encoded.data(), encoded.size());
    return 0;
}

DirResult DirGetEntryInfoField(
    DirContext context, const void* block, std::size_t size, std::uint32_t field, void* value)
{
    CountCall();
    if (FindContext(context) == nullptr || block == nullptr || value == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    WireReader head(std::string_view(static_cast<const char*>(block), 8));
    std::uint32_t magic = 0;
    std::uint32_t total = 0;
    head.U32(&magic);
    head.U32(&total);
    if (magic != kEntryInfoMagic || total < 8 || total > kMaxEntryInfoBlock) {
        return ERR_INVALID_HANDLE;
    }
    WireReader r(std::string_view(static_cast<const char*>(block), total).substr(8));
    while (!r.AtEnd()) {
        std::uint32_t id = 0;
        std::string_view bytes;
        if (!r.U32(&id) || !r.Bytes(&bytes)) {
            return ERR_SYSTEM_FAILURE;
        }
        if (id != field) {
            continue;
        }
        if (field == DSI_MODIFICATION_TIME || field == DSI_CREATION_TIME) {
            if (bytes.size() != 4) {
                return ERR_SYSTEM_FAILURE;
            }
            std::memcpy(value, bytes.data(), 4);
            return 0;
        }
        return CopyText(bytes, size, static_cast<char*>(value));
    }
    return ERR_BUFFER_EMPTY;
}

DirResult DirOpenStream(
    DirContext handle, const char* object, const char* attribute, std::uint32_t mode, int* fileHandle)
{
    CountCall();
    Context* context = FindContext(handle);
    if (context == nullptr || fileHandle == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (mode != 1) {
        return ERR_BAD_VERB;
    }
    if (attribute == nullptr) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    ObjectSummary entry;
    if (const DirResult rc = LookupObject(*context, object, true, &entry); rc != 0) {
        return rc;
    }
    int fd = -1;
    if (const DirResult rc = context->service->OpenStream(entry.fullName, attribute, &fd); rc != 0) {
        return rc;
    }
    *fileHandle = fd;
    return 0;
}

} // namespace veralith::client
