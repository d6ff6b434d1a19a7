// Reading the schema: class and attribute definitions reply by reply.

#include "client/buffers.h"

#include <cstring>

namespace veralith::client {

namespace {

void PutObjectId(WireWriter& w, const std::string& dotted)
{
    std::uint8_t oid[32] = {};
    const std::size_t length = dotted.empty() ? 0 : EncodeObjectId(dotted, oid);
    w.U32(static_cast<std::uint32_t>(length));
    w.Raw(std::string_view(reinterpret_cast<const char*>(oid), sizeof oid));
}

bool GetObjectId(WireReader& r, DirObjectId* oid)
{
    std::uint32_t length = 0;
    if (!r.U32(&length) || length > 32) {
        return false;
    }
    for (std::uint8_t& byte : oid->data) {
        if (!r.U8(&byte)) {
            return false;
        }
    }
    oid->length = length;
    return true;
}

std::string EncodeClass(const Schema& schema, int id, std::uint32_t infoType)
{
    const ClassDef& def = schema.GetClassDef(id);
    WireWriter w;
    w.Bytes(def.name);
    if (infoType >= 1) {
        w.U32(def.flags);
        PutObjectId(w, def.oid);
    }
    if (infoType == 2) {
        for (int list = 0; list < 5; ++list) {
            const std::vector<std::string> items = schema.ExpandedItems(id, list);
            w.U32(static_cast<std::uint32_t>(items.size()));
            for (const std::string& item : items) {
                w.Bytes(item);
            }
        }
    }
    return w.Take();
}

std::string EncodeAttribute(const Schema& schema, int id, std::uint32_t infoType)
{
    const AttributeDef& def = schema.Attribute(id);
    WireWriter w;
    w.Bytes(def.name);
    if (infoType == 1) {
        w.U32(def.flags);
        w.U32(def.syntaxId);
        w.U32(def.lowerBound);
        w.U32(def.upperBound);
        PutObjectId(w, def.oid);
    }
    return w.Take();
}

// Runs one reply of a schema read: picks the definitions on the first call,
// then packs as many as fit.
DirResult RunSchemaRead(DirContext handle, bool classes, std::uint32_t infoType, bool all, DirBuffer* names,
    std::int32_t* iteration, DirBuffer* reply)
{
    Context* context = FindContext(handle);
    if (context == nullptr || iteration == nullptr || !IsLiveBuffer(reply)) {
        return ERR_INVALID_HANDLE;
    }
    if (!context->service) {
        return ERR_BAD_CONTEXT;
    }
    const Iteration::Kind kind = classes ? Iteration::Kind::ClassDefs : Iteration::Kind::AttrDefs;
    const Schema& schema = context->service->GetSchema();
    std::unique_ptr<Iteration> state;
    if (*iteration == -1) {
        if (infoType > (classes ? 3u : 1u)) {
            return ERR_BAD_VERB;
        }
        state = std::make_unique<Iteration>();
        state->kind = kind;
        state->infoType = infoType;
        const std::size_t total = classes ? schema.Classes().size() : schema.Attributes().size();
        if (all) {
            for (std::size_t i = 0; i < total; ++i) {
                state->ids.push_back(static_cast<int>(i));
            }
        } else {
            if (!IsLiveBuffer(names)) {
                return ERR_INVALID_HANDLE;
            }
            const BufferContent wanted = classes ? BufferContent::ClassDefRequest : BufferContent::AttrDefRequest;
            if (names->content != wanted) {
                return ERR_BAD_VERB;
            }
            for (const std::string& name : names->names) {
                const int id = classes ? schema.FindClass(name) : schema.FindAttribute(name);
                if (id == kNoSchemaId) {
                    return classes ? ERR_NO_SUCH_CLASS : ERR_NO_SUCH_ATTRIBUTE;
                }
                state->ids.push_back(id);
            }
        }
    } else {
        const auto it = context->iterations.find(*iteration);
        if (it == context->iterations.end() || it->second->kind != kind) {
            return ERR_INVALID_HANDLE;
        }
        state = std::move(it->second);
        context->iterations.erase(it);
    }
    StartReply(reply, classes ? BufferContent::ClassDefReply : BufferContent::AttrDefReply, state->infoType);
    while (state->idIndex < state->ids.size()) {
        const int id = state->ids[state->idIndex];
        const std::string entry =
            classes ? EncodeClass(schema, id, state->infoType) : EncodeAttribute(schema, id, state->infoType);
        if (!ReplyFits(*reply, entry.size())) {
            if (reply->count == 0) {
                StartReply(reply, BufferContent::Empty, 0);
                return ERR_BUFFER_FULL;
            }
            break;
        }
        AppendEntry(reply, entry);
        ++state->idIndex;
    }
    if (state->idIndex < state->ids.size()) {
        const std::int32_t next = NewIterationHandle();
        context->iterations.emplace(next, std::move(state));
        *iteration = next;
    } else {
        *iteration = -1;
    }
    return 0;
}

// Skips what is left of the current class definition's item lists.
bool SkipClassItems(DirBuffer* reply)
{
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view item;
    for (;;) {
        while (reply->itemsLeft > 0) {
            if (!r.Bytes(&item)) {
                return false;
            }
            --reply->itemsLeft;
        }
        if (reply->listsLeft == 0) {
            break;
        }
        if (!r.U32(&reply->itemsLeft)) {
            return false;
        }
        --reply->listsLeft;
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    return true;
}

} // namespace

DirResult DirReadClassDef(
    DirContext context, std::uint32_t infoType, bool all, DirBuffer* names, std::int32_t* iteration, DirBuffer* reply)
{
    CountCall();
    return RunSchemaRead(context, true, infoType, all, names, iteration, reply);
}

DirResult DirReadAttrDef(
    DirContext context, std::uint32_t infoType, bool all, DirBuffer* names, std::int32_t* iteration, DirBuffer* reply)
{
    CountCall();
    return RunSchemaRead(context, false, infoType, all, names, iteration, reply);
}

DirResult DirGetClassDefCount(DirContext context, DirBuffer* reply, std::uint32_t* count)
{
    CountCall();
    return ReadReplyCount(context, reply, BufferContent::ClassDefReply, count);
}

DirResult DirGetClassDef(DirContext context, DirBuffer* reply, char* name, DirClassInfo* info)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ClassDefReply); rc != 0) {
        return rc;
    }
    if (!SkipClassItems(reply)) {
        return ERR_SYSTEM_FAILURE;
    }
    if (reply->taken >= reply->count) {
        return ERR_BUFFER_EMPTY;
    }
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view className;
    DirClassInfo block {};
    if (!r.Bytes(&className)) {
        return ERR_SYSTEM_FAILURE;
    }
    if (reply->infoType >= 1 && (!r.U32(&block.flags) || !GetObjectId(r, &block.oid))) {
        return ERR_SYSTEM_FAILURE;
    }
    if (name != nullptr) {
        if (const DirResult rc = CopyText(className, kMaxSchemaNameChars + 1, name); rc != 0) {
            return rc;
        }
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    ++reply->taken;
    reply->listsLeft = reply->infoType == 2 ? 5 : 0;
    reply->itemsLeft = 0;
    if (info != nullptr && reply->infoType >= 1) {
        *info = block;
    }
    return 0;
}

DirResult DirGetClassItemCount(DirContext context, DirBuffer* reply, std::uint32_t* count)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ClassDefReply); rc != 0) {
        return rc;
    }
    if (count == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (reply->listsLeft == 0) {
        return ERR_BUFFER_EMPTY;
    }
    // Items of the previous list that were not taken are passed over.
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view item;
    for (; reply->itemsLeft > 0; --reply->itemsLeft) {
        if (!r.Bytes(&item)) {
            return ERR_SYSTEM_FAILURE;
        }
    }
    std::uint32_t items = 0;
    if (!r.U32(&items)) {
        return ERR_SYSTEM_FAILURE;
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    --reply->listsLeft;
    reply->itemsLeft = items;
    *count = items;
    return 0;
}

DirResult DirGetClassItem(DirContext context, DirBuffer* reply, char* name)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ClassDefReply); rc != 0) {
        return rc;
    }
    if (reply->itemsLeft == 0) {
        return ERR_BUFFER_EMPTY;
    }
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view item;
    if (!r.Bytes(&item)) {
        return ERR_SYSTEM_FAILURE;
    }
    if (name != nullptr) {
        if (const DirResult rc = CopyText(item, kMaxSchemaNameChars + 1, name); rc != 0) {
            return rc;
        }
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    --reply->itemsLeft;
    return 0;
}

DirResult DirGetAttrDef(DirContext context, DirBuffer* reply, char* name, DirAttrInfo* info)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::AttrDefReply); rc != 0) {
        return rc;
    }
    if (reply->taken >= reply->count) {
        return ERR_BUFFER_EMPTY;
    }
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view attrName;
    DirAttrInfo block {};
    if (!r.Bytes(&attrName)) {
        return ERR_SYSTEM_FAILURE;
    }
    if (reply->infoType == 1 &&
        (!r.U32(&block.flags) || !r.U32(&block.syntaxId) || !r.U32(&block.lowerBound) || !r.U32(&block.upperBound) ||
            !GetObjectId(r, &block.oid))) {
        return ERR_SYSTEM_FAILURE;
    }
    if (name != nullptr) {
        if (const DirResult rc = CopyText(attrName, kMaxSchemaNameChars + 1, name); rc != 0) {
            return rc;
        }
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    ++reply->taken;
    if (info != nullptr && reply->infoType == 1) {
        *info = block;
    }
    return 0;
}

DirResult DirGetSyntaxId(DirContext context, const char* attribute, std::uint32_t* syntaxId)
{
    CountCall();
    const Context* c = FindContext(context);
    if (c == nullptr || syntaxId == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (!c->service) {
        return ERR_BAD_CONTEXT;
    }
    const Schema& schema = c->service->GetSchema();
    const int id = attribute == nullptr ? kNoSchemaId : schema.FindAttribute(attribute);
    if (id == kNoSchemaId) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    *syntaxId = schema.Attribute(id).syntaxId;
    return 0;
}

} // namespace veralith::client
