// Contexts: their keys, name contexts and tree switching.

#include "client/schema.h"
#include "client/state.h"

#include <cstring>
#include <string_view>

namespace veralith::client {

namespace {

std::vector<NameComponent> DefaultNameContext(DirectoryService& service)
{
    ParsedName parsed;
    const std::string text = service.DefaultNameContext();
    if (text.empty() || ParseName(text, &parsed) != 0 || parsed.root) {
        return {};
    }
    return parsed.components;
}

DirResult WriteText(const std::string& text, std::size_t size, void* out)
{
    if (text.size() + 1 > size) {
        return ERR_BUFFER_FULL;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 0;
}

DirContext AddContext(std::unique_ptr<Context> context)
{
    ClientState& s = State();
    DirContext handle = s.nextContext++;
    if (handle == kNoContext) {
        handle = s.nextContext++;
    }
    s.contexts.emplace(handle, std::move(context));
    return handle;
}

std::unique_ptr<Context> CopyContext(const Context& from)
{
    auto copy = std::make_unique<Context>();
    copy->service = from.service;
    copy->tree = from.tree;
    copy->flags = from.flags;
    copy->confidence = from.confidence;
    copy->entryInfoMask = from.entryInfoMask;
    copy->nameContext = from.nameContext;
    copy->searchReads = from.searchReads;
    return copy;
}

} // namespace

DirResult DirCreateContext(DirContext* context)
{
    CountCall();
    if (context == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    const ClientState& s = State();
    if (s.connections.empty()) {
        return ERR_UNREACHABLE_SERVER;
    }
    auto created = std::make_unique<Context>();
    created->service = s.connections.front().service;
    created->tree = s.connections.front().tree;
    created->nameContext = DefaultNameContext(*created->service);
    *context = AddContext(std::move(created));
    return 0;
}

DirResult DirDuplicateContext(DirContext context, DirContext* copy)
{
    CountCall();
    const Context* from = FindContext(context);
    if (from == nullptr || copy == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    *copy = AddContext(CopyContext(*from));
    return 0;
}

DirContext DirOpenContext(DirContext context)
{
    CountCall();
    const Context* from = FindContext(context);
    if (from == nullptr) {
        return kNoContext;
    }
    return AddContext(CopyContext(*from));
}

DirResult DirFreeContext(DirContext context)
{
    CountCall();
    if (State().contexts.erase(context) == 0) {
        return ERR_INVALID_HANDLE;
    }
    return 0;
}

DirResult DirGetContext(DirContext context, std::uint32_t key, void* value)
{
    CountCall();
    const Context* c = FindContext(context);
    if (c == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (value == nullptr) {
        return ERR_BAD_KEY;
    }
    std::uint32_t number = 0;
    switch (key) {
    case DCK_FLAGS:
        number = c->flags;
        break;
    case DCK_CONFIDENCE:
        number = c->confidence;
        break;
    case DCK_DSI_FLAGS:
        number = c->entryInfoMask;
        break;
    case DCK_NAME_CONTEXT:
        return WriteText(c->nameContext.empty() ? std::string("[Root]")
                                                : FormatComponents(c->nameContext, c->Typed(), c->service.get()),
            kNameBufferSize, value);
    case DCK_TREE_NAME:
        return WriteText(c->tree, kNameBufferSize, value);
    case DCK_SEARCH_READS:
        return WriteText(c->searchReads, kNameBufferSize, value);
    default:
        return ERR_BAD_KEY;
    }
    std::memcpy(value, &number, sizeof number);
    return 0;
}

DirResult DirSetContext(DirContext context, std::uint32_t key, const void* value)
{
    CountCall();
    Context* c = FindContext(context);
    if (c == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (value == nullptr) {
        return ERR_BAD_KEY;
    }
    std::uint32_t number = 0;
    switch (key) {
    case DCK_FLAGS:
        std::memcpy(&number, value, sizeof number);
        c->flags = number;
        return 0;
    case DCK_CONFIDENCE:
        std::memcpy(&number, value, sizeof number);
        c->confidence = number;
        return 0;
    case DCK_DSI_FLAGS:
        std::memcpy(&number, value, sizeof number);
        c->entryInfoMask = number;
        return 0;
    case DCK_NAME_CONTEXT: {
        ParsedName parsed;
        const char* text = static_cast<const char*>(value);
        if (ParseName(text, &parsed) != 0 || parsed.trailingDots > 0) {
            return ERR_INVALID_OBJECT_NAME;
        }
        if (parsed.root) {
            c->nameContext.clear();
            return 0;
        }
        // A name context is always a full name: a leading dot is allowed
        // and changes nothing; an empty text is no name.
        if (parsed.components.empty()) {
            return ERR_INVALID_OBJECT_NAME;
        }
        c->nameContext = std::move(parsed.components);
        return 0;
    }
    case DCK_TREE_NAME: {
        const char* tree = static_cast<const char*>(value);
        const Connection* connection = FindTreeConnection(tree);
        if (connection == nullptr) {
            return ERR_UNREACHABLE_SERVER;
        }
        c->iterations.clear();
        c->service = connection->service;
        c->tree = connection->tree;
        c->nameContext = DefaultNameContext(*c->service);
        return 0;
    }
    case DCK_SEARCH_READS: {
        const std::string_view names(static_cast<const char*>(value));
        if (names.size() > kMaxNameChars) {
            return ERR_BUFFER_FULL;
        }
        c->searchReads.assign(names);
        return 0;
    }
    default:
        return ERR_BAD_KEY;
    }
}

DirResult DirGetDefaultNameContext(DirContext context, std::size_t size, char* text)
{
    CountCall();
    const Context* c = FindContext(context);
    if (c == nullptr || text == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (!c->service) {
        return ERR_BAD_CONTEXT;
    }
    return WriteText(c->service->DefaultNameContext(), size, text);
}

DirResult DirNameConvert(DirContext context, const char* name, char* fullName)
{
    CountCall();
    const Context* c = FindContext(context);
    if (c == nullptr || fullName == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    std::vector<NameComponent> full;
    if (const DirResult rc = ResolveComponents(*c, name, &full); rc != 0) {
        return rc;
    }
    const std::string text =
        full.empty() ? std::string("[Root]") : FormatComponents(full, c->Typed(), c->service.get());
    if (text.size() > kMaxNameChars) {
        return ERR_INVALID_OBJECT_NAME;
    }
    return WriteText(text, kNameBufferSize, fullName);
}

} // namespace veralith::client
