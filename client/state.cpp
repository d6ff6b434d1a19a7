#include "client/state.h"

#include "client/schema.h"

namespace veralith::client {

ClientState& State()
{
    static ClientState state;
    return state;
}

Context* FindContext(DirContext handle)
{
    auto& contexts = State().contexts;
    const auto it = contexts.find(handle);
    return it == contexts.end() ? nullptr : it->second.get();
}

bool IsLiveBuffer(const DirBuffer* buffer)
{
    return buffer != nullptr && State().buffers.count(const_cast<DirBuffer*>(buffer)) != 0;
}

std::int32_t NewIterationHandle()
{
    ClientState& s = State();
    const std::int32_t handle = s.nextIteration;
    s.nextIteration = s.nextIteration >= 0x7FFFFFF0 ? 1 : s.nextIteration + 1;
    return handle;
}

const Connection* FindTreeConnection(std::string_view tree)
{
    for (const Connection& c : State().connections) {
        if (SameTextIgnoreCase(c.tree, tree)) {
            return &c;
        }
    }
    return nullptr;
}

DirResult ResolveComponents(const Context& context, const char* name, std::vector<NameComponent>* full)
{
    if (name == nullptr) {
        return ERR_INVALID_OBJECT_NAME;
    }
    ParsedName parsed;
    if (const DirResult rc = ParseName(name, &parsed); rc != 0) {
        return rc;
    }
    return ResolveName(parsed, context.nameContext, full);
}

DirResult ResolveFullName(const Context& context, const char* name, std::string* fullName)
{
    // The reads after a search name its objects by the hundred thousand,
    // nearly always plainly and from the root.
    if (std::string_view plain; name != nullptr && PlainFullName(name, context.nameContext.empty(), &plain)) {
        fullName->assign(plain);
        return 0;
    }
    std::vector<NameComponent> full;
    if (const DirResult rc = ResolveComponents(context, name, &full); rc != 0) {
        return rc;
    }
    *fullName = JoinTypeless(full, CarriesTypes(context.service.get()));
    return 0;
}

DirResult LookupObject(Context& context, const char* name, bool follow, ObjectSummary* entry)
{
    if (!context.service) {
        return ERR_BAD_CONTEXT;
    }
    std::string fullName;
    if (const DirResult rc = ResolveFullName(context, name, &fullName); rc != 0) {
        return rc;
    }
    ObjectSummary found;
    if (const DirResult rc = context.service->ReadEntry(fullName, &found); rc != 0) {
        return rc;
    }
    // Aliases may name aliases; a chain longer than this is a loop.
    const bool deref = follow && (context.flags & DCV_DEREF_ALIASES) != 0;
    for (int hops = 0; deref && (found.flags & DS_ALIAS_ENTRY) != 0; ++hops) {
        if (hops >= 16 || found.aliasedObject.empty()) {
            return ERR_NO_SUCH_ENTRY;
        }
        const std::string target = found.aliasedObject;
        if (const DirResult rc = context.service->ReadEntry(target, &found); rc != 0) {
            return rc;
        }
    }
    *entry = std::move(found);
    return 0;
}

} // namespace veralith::client
