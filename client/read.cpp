// Reading an object's attributes reply by reply, and taking names and values
// out of the reply.

#include "client/buffers.h"
#include "client/values.h"

namespace veralith::client {

namespace {

// Converts the names inside a value into the form the context delivers.
std::string DeliverValue(const Context& context, std::uint32_t syntax, const std::string& value)
{
    std::string out;
    const bool ok = RewriteWireNames(
        syntax, value,
        [&context](std::string_view name) {
            return DeliveredName(name, {}, context.nameContext, context.Typed(), context.service.get());
        },
        &out);
    return ok ? out : value;
}

// Packs attributes (and their values) into the reply from where the
// iteration stands. *more tells whether anything is left.
DirResult FillReadReply(const Context& context, Iteration& it, DirBuffer* reply, bool* more)
{
    StartReply(reply, BufferContent::ReadReply, it.infoType);
    *more = false;
    while (it.attrIndex < it.attributes.size()) {
        const AttributeData& attr = it.attributes[it.attrIndex];
        WireWriter header;
        header.Bytes(attr.name);
        header.U32(attr.syntaxId);
        std::string entry = header.Take();
        const std::size_t countAt = entry.size();
        entry.append(4, '\0');
        std::uint32_t count = 0;
        const bool withValues = it.infoType == 1 && attr.syntaxId != SYN_STREAM;
        while (withValues && it.valueIndex < attr.values.size()) {
            WireWriter value;
            value.Bytes(DeliverValue(context, attr.syntaxId, attr.values[it.valueIndex]));
            if (!ReplyFits(*reply, entry.size() + value.Text().size())) {
                break;
            }
            entry += value.Text();
            ++count;
            ++it.valueIndex;
        }
        const bool finished = !withValues || it.valueIndex >= attr.values.size();
        if (count == 0 && !finished) {
            // Not even one value fits after what the reply holds already.
            if (reply->count == 0) {
                return ERR_BUFFER_FULL;
            }
            *more = true;
            return 0;
        }
        if (count == 0 && !ReplyFits(*reply, entry.size())) {
            if (reply->count == 0) {
                return ERR_BUFFER_FULL;
            }
            *more = true;
            return 0;
        }
        for (int i = 0; i < 4; ++i) {
            entry[countAt + static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);
        }
        AppendEntry(reply, entry);
        if (!finished) {
            *more = true;
            return 0;
        }
        ++it.attrIndex;
        it.valueIndex = 0;
    }
    return 0;
}

DirResult StartRead(Context& context, const char* object, std::uint32_t infoType, bool all, DirBuffer* attrNames,
    std::unique_ptr<Iteration>* state)
{
    if (infoType > 1) {
        return ERR_BAD_VERB;
    }
    if (!all) {
        if (!IsLiveBuffer(attrNames)) {
            return ERR_INVALID_HANDLE;
        }
        if (attrNames->content != BufferContent::ReadRequest) {
            return ERR_BAD_VERB;
        }
    }
    ObjectSummary entry;
    if (const DirResult rc = LookupObject(context, object, true, &entry); rc != 0) {
        return rc;
    }
    auto created = std::make_unique<Iteration>();
    created->kind = Iteration::Kind::Read;
    created->infoType = infoType;
    if (const DirResult rc =
            context.service->ReadAttributes(entry.fullName, all ? nullptr : &attrNames->names, &created->attributes);
        rc != 0) {
        return rc;
    }
    if (created->attributes.empty()) {
        return ERR_NO_SUCH_ATTRIBUTE;
    }
    *state = std::move(created);
    return 0;
}

// Moves the reading cursor past the values of the current attribute that the
// caller did not take.
bool SkipValues(DirBuffer* reply)
{
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view value;
    while (reply->valuesLeft > 0) {
        if (!r.Bytes(&value)) {
            return false;
        }
        --reply->valuesLeft;
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    return true;
}

DirResult PeekValue(DirBuffer* reply, std::string_view* value, std::size_t* next)
{
    if (reply->valuesLeft == 0) {
        return ERR_BUFFER_EMPTY;
    }
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    if (!r.Bytes(value)) {
        return ERR_SYSTEM_FAILURE;
    }
    *next = reply->data.size() - r.Rest().size();
    return 0;
}

} // namespace

DirResult DirRead(DirContext handle, const char* object, std::uint32_t infoType, bool all, DirBuffer* attrNames,
    std::int32_t* iteration, DirBuffer* reply)
{
    CountCall();
    Context* context = FindContext(handle);
    if (context == nullptr || iteration == nullptr || !IsLiveBuffer(reply)) {
        return ERR_INVALID_HANDLE;
    }
    std::unique_ptr<Iteration> state;
    if (*iteration == -1) {
        if (const DirResult rc = StartRead(*context, object, infoType, all, attrNames, &state); rc != 0) {
            return rc;
        }
    } else {
        const auto it = context->iterations.find(*iteration);
        if (it == context->iterations.end() || it->second->kind != Iteration::Kind::Read) {
            return ERR_INVALID_HANDLE;
        }
        state = std::move(it->second);
        context->iterations.erase(it);
    }
    bool more = false;
    if (const DirResult rc = FillReadReply(*context, *state, reply, &more); rc != 0) {
        StartReply(reply, BufferContent::Empty, 0);
        return rc;
    }
    if (more) {
        const std::int32_t next = NewIterationHandle();
        context->iterations.emplace(next, std::move(state));
        *iteration = next;
    } else {
        *iteration = -1;
    }
    return 0;
}

DirResult DirGetAttrCount(DirContext context, DirBuffer* reply, std::uint32_t* count)
{
    CountCall();
    if (FindContext(context) == nullptr || !IsLiveBuffer(reply) || count == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (reply->content != BufferContent::ReadReply && reply->content != BufferContent::AttrDefReply) {
        return ERR_BAD_VERB;
    }
    *count = reply->count;
    return 0;
}

DirResult DirGetAttrName(
    DirContext context, DirBuffer* reply, char* name, std::uint32_t* valueCount, std::uint32_t* syntaxId)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ReadReply); rc != 0) {
        return rc;
    }
    if (!SkipValues(reply)) {
        return ERR_SYSTEM_FAILURE;
    }
    if (reply->taken >= reply->count) {
        return ERR_BUFFER_EMPTY;
    }
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view attrName;
    std::uint32_t syntax = 0;
    std::uint32_t count = 0;
    if (!r.Bytes(&attrName) || !r.U32(&syntax) || !r.U32(&count)) {
        return ERR_SYSTEM_FAILURE;
    }
    if (name != nullptr) {
        if (const DirResult rc = CopyText(attrName, kMaxSchemaNameChars + 1, name); rc != 0) {
            return rc;
        }
    }
    reply->readPos = reply->data.size() - r.Rest().size();
    ++reply->taken;
    reply->currentAttr = std::string(attrName);
    reply->currentSyntax = syntax;
    reply->valuesLeft = count;
    if (valueCount != nullptr) {
        *valueCount = count;
    }
    if (syntaxId != nullptr) {
        *syntaxId = syntax;
    }
    return 0;
}

DirResult DirComputeAttrValueSize(DirContext context, DirBuffer* reply, std::uint32_t /*syntaxId*/, std::size_t* size)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ReadReply); rc != 0) {
        return rc;
    }
    if (size == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    std::string_view value;
    std::size_t next = 0;
    if (const DirResult rc = PeekValue(reply, &value, &next); rc != 0) {
        return rc;
    }
    return ComputeLayoutSize(reply->currentSyntax, reply->currentAttr, value, size);
}

DirResult DirGetAttrValue(DirContext context, DirBuffer* reply, std::uint32_t /*syntaxId*/, void* storage)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ReadReply); rc != 0) {
        return rc;
    }
    std::string_view value;
    std::size_t next = 0;
    if (const DirResult rc = PeekValue(reply, &value, &next); rc != 0) {
        return rc;
    }
    std::size_t size = 0;
    if (const DirResult rc = ComputeLayoutSize(reply->currentSyntax, reply->currentAttr, value, &size); rc != 0) {
        return rc;
    }
    if (storage == nullptr && size > 0) {
        return ERR_INVALID_HANDLE;
    }
    if (size > 0) {
        if (const DirResult rc = WriteLayout(reply->currentSyntax, reply->currentAttr, value, storage); rc != 0) {
            return rc;
        }
    }
    reply->readPos = next;
    --reply->valuesLeft;
    return 0;
}

} // namespace veralith::client
