#include "tests/directory/fake_client.h"

#include <algorithm>
#include <cstring>

namespace veralith::directory::fake {

State& Fake()
{
    static State state;
    return state;
}

void Reset()
{
    Fake() = State {};
}

std::size_t CallCount(const std::string& operation)
{
    const auto& calls = Fake().calls;
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), operation));
}

} // namespace veralith::directory::fake

// The client's operations as far as the directory layer uses them.
namespace veralith::client {

struct DirBuffer
{
    std::vector<directory::fake::Entry> entries;
    std::vector<directory::fake::ClassDef> classes;
    std::size_t position = 0;
    std::size_t list = 0;
    std::size_t item = 0;
};

namespace {

using directory::fake::Fake;

void Log(const char* operation)
{
    Fake().calls.emplace_back(operation);
}

bool Known(DirContext context)
{
    return Fake().contexts.count(context) != 0;
}

DirContext NewContext(DirContext from)
{
    static DirContext next = 100;
    const DirContext handle = next++;
    Fake().contexts.insert(handle);
    Fake().flags[handle] = from == kNoContext ? 0x13 : Fake().flags[from];
    Fake().nameContexts[handle] = from == kNoContext ? "[Root]" : Fake().nameContexts[from];
    return handle;
}

} // namespace

ConnResult ClientInit(void*, void*)
{
    Log("ClientInit");
    return Fake().initResult;
}

ConnResult ConnScan(std::uint32_t* iterator, std::uint32_t* reference)
{
    Log("ConnScan");
    if (*iterator >= Fake().connections.size()) {
        return CONN_NO_MORE_ENTRIES;
    }
    *reference = Fake().connections[(*iterator)++].reference;
    return 0;
}

ConnResult ConnGetPrimary(std::uint32_t* reference)
{
    Log("ConnGetPrimary");
    if (Fake().primaryResult != 0) {
        return Fake().primaryResult;
    }
    *reference = Fake().primaryReference;
    return 0;
}

ConnResult ConnGetInfo(std::uint32_t reference, std::uint32_t, std::size_t length, void* value)
{
    Log("ConnGetInfo");
    for (const auto& connection : Fake().connections) {
        if (connection.reference == reference) {
            if (connection.infoResult != 0) {
                return connection.infoResult;
            }
            std::memcpy(value, connection.treeInfo.data(), std::min(length, connection.treeInfo.size()));
            return 0;
        }
    }
    return CONN_INVALID_CONNECTION;
}

ConnResult ConnOpenByRef(std::uint32_t reference, std::uint32_t, std::uint32_t, std::uint32_t* handle)
{
    Log("ConnOpenByRef");
    if (Fake().openResult != 0) {
        return Fake().openResult;
    }
    Fake().openedReference = reference;
    *handle = 0x1234;
    return 0;
}

DirResult DirCreateContext(DirContext* context)
{
    Log("DirCreateContext");
    *context = NewContext(kNoContext);
    return 0;
}

DirResult DirDuplicateContext(DirContext context, DirContext* copy)
{
    Log("DirDuplicateContext");
    if (!Known(context)) {
        return ERR_INVALID_HANDLE;
    }
    *copy = NewContext(context);
    return 0;
}

DirContext DirOpenContext(DirContext context)
{
    Log("DirOpenContext");
    return Known(context) ? NewContext(context) : kNoContext;
}

DirResult DirFreeContext(DirContext context)
{
    Log("DirFreeContext");
    return Fake().contexts.erase(context) != 0 ? 0 : ERR_INVALID_HANDLE;
}

DirResult DirGetContext(DirContext context, std::uint32_t key, void* value)
{
    Log("DirGetContext");
    if (!Known(context)) {
        return ERR_INVALID_HANDLE;
    }
    if (key == DCK_FLAGS) {
        std::memcpy(value, &Fake().flags[context], 4);
        return 0;
    }
    if (key == DCK_NAME_CONTEXT) {
        const std::string& text = Fake().nameContexts[context];
        std::memcpy(value, text.c_str(), text.size() + 1);
        return 0;
    }
    return ERR_BAD_KEY;
}

DirResult DirSetContext(DirContext context, std::uint32_t key, const void* value)
{
    Log("DirSetContext");
    if (!Known(context)) {
        return ERR_INVALID_HANDLE;
    }
    if (key == DCK_FLAGS) {
        std::memcpy(&Fake().flags[context], value, 4);
    } else if (key == DCK_NAME_CONTEXT) {
        Fake().nameContexts[context] = static_cast<const char*>(value);
    }
    return 0;
}

DirResult DirGetDefaultNameContext(DirContext, std::size_t, char* text)
{
    Log("DirGetDefaultNameContext");
    text[0] = '\0';
    return 0;
}

DirResult DirNameConvert(DirContext, const char*, char*)
{
    Log("DirNameConvert");
    return ERR_INVALID_OBJECT_NAME;
}

DirResult DirReadEntryInfo(DirContext, const char*, std::size_t, void*)
{
    Log("DirReadEntryInfo");
    return ERR_NO_SUCH_ENTRY;
}

DirResult DirGetEntryInfoField(DirContext, const void*, std::size_t, std::uint32_t, void*)
{
    Log("DirGetEntryInfoField");
    return ERR_NO_SUCH_ENTRY;
}

DirResult DirAllocBuffer(std::size_t, DirBuffer** buffer)
{
    Log("DirAllocBuffer");
    if (Fake().allocResult != 0) {
        return Fake().allocResult;
    }
    *buffer = new DirBuffer;
    ++Fake().buffers;
    return 0;
}

DirResult DirFreeBuffer(DirBuffer* buffer)
{
    Log("DirFreeBuffer");
    delete buffer;
    --Fake().buffers;
    return 0;
}

DirResult DirInitBuffer(DirContext context, std::uint32_t, DirBuffer*)
{
    Log("DirInitBuffer");
    return Known(context) ? 0 : ERR_INVALID_HANDLE;
}

DirResult DirPutClassItem(DirContext, DirBuffer*, const char*)
{
    Log("DirPutClassItem");
    return 0;
}

DirResult DirPutAttrName(DirContext, DirBuffer*, const char*)
{
    Log("DirPutAttrName");
    return 0;
}

DirResult DirListContainers(DirContext context, const char* object, std::int32_t* iteration, DirBuffer* reply)
{
    Log("DirListContainers");
    auto& fake = Fake();
    if (!Known(context)) {
        return ERR_INVALID_HANDLE;
    }
    if (fake.nextListReply >= fake.listReplies.size()) {
        return ERR_BUFFER_EMPTY;
    }
    const auto& next = fake.listReplies[fake.nextListReply++];
    if (next.requestResult != 0) {
        return next.requestResult;
    }
    fake.listedObjects.emplace_back(object);
    reply->entries = next.entries;
    reply->position = 0;
    if (*iteration == -1 && next.nextIteration != -1) {
        ++fake.openIterations;
    } else if (*iteration != -1 && next.nextIteration == -1) {
        --fake.openIterations;
    }
    *iteration = next.nextIteration;
    return 0;
}

DirResult DirGetObjectCount(DirContext, DirBuffer* reply, std::uint32_t* count)
{
    Log("DirGetObjectCount");
    const auto& fake = Fake();
    const auto& last = fake.listReplies[fake.nextListReply - 1];
    if (last.countResult != 0) {
        return last.countResult;
    }
    *count = static_cast<std::uint32_t>(reply->entries.size());
    return 0;
}

DirResult DirGetObjectName(DirContext, DirBuffer* reply, char* name, std::uint32_t* attrCount, DirObjectInfo* info)
{
    Log("DirGetObjectName");
    if (reply->position >= reply->entries.size()) {
        return ERR_BUFFER_EMPTY;
    }
    const auto& entry = reply->entries[reply->position++];
    if (entry.result != 0) {
        return entry.result;
    }
    std::memcpy(name, entry.name.c_str(), entry.name.size() + 1);
    *attrCount = 0;
    *info = DirObjectInfo {};
    info->flags = entry.flags;
    return 0;
}

DirResult DirReadClassDef(
    DirContext context, std::uint32_t, bool, DirBuffer*, std::int32_t* iteration, DirBuffer* reply)
{
    Log("DirReadClassDef");
    auto& fake = Fake();
    if (!Known(context)) {
        return ERR_INVALID_HANDLE;
    }
    if (fake.nextClassReply >= fake.classReplies.size()) {
        return ERR_BUFFER_EMPTY;
    }
    const auto& next = fake.classReplies[fake.nextClassReply++];
    if (next.requestResult != 0) {
        return next.requestResult;
    }
    reply->classes = next.classes;
    reply->position = 0;
    if (*iteration == -1 && next.nextIteration != -1) {
        ++fake.openIterations;
    } else if (*iteration != -1 && next.nextIteration == -1) {
        --fake.openIterations;
    }
    *iteration = next.nextIteration;
    return 0;
}

DirResult DirGetClassDefCount(DirContext, DirBuffer* reply, std::uint32_t* count)
{
    Log("DirGetClassDefCount");
    *count = static_cast<std::uint32_t>(reply->classes.size());
    return 0;
}

DirResult DirGetClassDef(DirContext, DirBuffer* reply, char* name, DirClassInfo* info)
{
    Log("DirGetClassDef");
    const auto& definition = reply->classes.at(reply->position++);
    reply->list = 0;
    if (definition.result != 0) {
        return definition.result;
    }
    std::memcpy(name, definition.name.c_str(), definition.name.size() + 1);
    *info = DirClassInfo {};
    info->flags = definition.flags;
    return 0;
}

DirResult DirGetClassItemCount(DirContext, DirBuffer* reply, std::uint32_t* count)
{
    Log("DirGetClassItemCount");
    const auto& definition = reply->classes.at(reply->position - 1);
    *count = static_cast<std::uint32_t>(definition.items[reply->list].size());
    reply->item = 0;
    ++reply->list;
    return 0;
}

DirResult DirGetClassItem(DirContext, DirBuffer* reply, char* name)
{
    Log("DirGetClassItem");
    const auto& items = reply->classes.at(reply->position - 1).items[reply->list - 1];
    const auto& item = items.at(reply->item++);
    std::memcpy(name, item.c_str(), item.size() + 1);
    return 0;
}

DirResult DirReadAttrDef(DirContext, std::uint32_t, bool, DirBuffer*, std::int32_t*, DirBuffer*)
{
    Log("DirReadAttrDef");
    return ERR_NO_SUCH_ATTRIBUTE;
}

DirResult DirGetAttrCount(DirContext, DirBuffer*, std::uint32_t*)
{
    Log("DirGetAttrCount");
    return ERR_BUFFER_EMPTY;
}

DirResult DirGetAttrDef(DirContext, DirBuffer*, char*, DirAttrInfo*)
{
    Log("DirGetAttrDef");
    return ERR_BUFFER_EMPTY;
}

DirResult DirCloseIteration(DirContext, std::int32_t iteration, std::uint32_t)
{
    Log("DirCloseIteration");
    if (iteration != -1 && Fake().openIterations > 0) {
        --Fake().openIterations;
    }
    return 0;
}

} // namespace veralith::client
