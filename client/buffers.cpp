// Request and reply buffers.

#include "client/buffers.h"

#include <cstring>
#include <new>

namespace veralith::client {

void StartReply(DirBuffer* buffer, BufferContent content, std::uint32_t infoType)
{
    buffer->content = content;
    buffer->infoType = infoType;
    buffer->names.clear();
    buffer->requestBytes = 0;
    buffer->hasFilter = false;
    buffer->filter = FilterNode();
    buffer->data.clear();
    buffer->readPos = 0;
    buffer->count = 0;
    buffer->taken = 0;
    buffer->currentAttr.clear();
    buffer->currentSyntax = 0;
    buffer->valuesLeft = 0;
    buffer->listsLeft = 0;
    buffer->itemsLeft = 0;
}

bool ReplyFits(const DirBuffer& buffer, std::size_t bytes)
{
    return kReplyOverhead + buffer.data.size() + bytes <= buffer.capacity;
}

void AppendEntry(DirBuffer* buffer, const std::string& entry)
{
    buffer->data += entry;
    ++buffer->count;
}

DirResult CheckReply(DirContext context, const DirBuffer* buffer, BufferContent content)
{
    if (FindContext(context) == nullptr || !IsLiveBuffer(buffer)) {
        return ERR_INVALID_HANDLE;
    }
    if (buffer->content != content) {
        return ERR_BAD_VERB;
    }
    return 0;
}

DirResult ReadReplyCount(DirContext context, const DirBuffer* reply, BufferContent content, std::uint32_t* count)
{
    if (const DirResult rc = CheckReply(context, reply, content); rc != 0) {
        return rc;
    }
    if (count == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    *count = reply->count;
    return 0;
}

DirResult CopyText(std::string_view text, std::size_t size, char* out)
{
    if (text.size() + 1 > size) {
        return ERR_BUFFER_FULL;
    }
    if (!text.empty()) {
        std::memcpy(out, text.data(), text.size());
    }
    out[text.size()] = 0;
    return 0;
}

DirResult DirAllocBuffer(std::size_t size, DirBuffer** buffer)
{
    CountCall();
    if (buffer == nullptr) {
        return ERR_INVALID_HANDLE;
    }
    if (size < kMinBufferSize) {
        return ERR_BUFFER_FULL;
    }
    if (size > kMaxBufferSize) {
        return ERR_NOT_ENOUGH_MEMORY;
    }
    auto* created = new (std::nothrow) DirBuffer;
    if (created == nullptr) {
        return ERR_NOT_ENOUGH_MEMORY;
    }
    created->capacity = size;
    State().buffers.insert(created);
    *buffer = created;
    return 0;
}

DirResult DirFreeBuffer(DirBuffer* buffer)
{
    CountCall();
    if (State().buffers.erase(buffer) == 0) {
        return ERR_INVALID_HANDLE;
    }
    delete buffer;
    return 0;
}

DirResult DirInitBuffer(DirContext context, std::uint32_t operation, DirBuffer* buffer)
{
    CountCall();
    if (FindContext(context) == nullptr || !IsLiveBuffer(buffer)) {
        return ERR_INVALID_HANDLE;
    }
    BufferContent content = BufferContent::Empty;
    switch (operation) {
    case DSV_READ:
        content = BufferContent::ReadRequest;
        break;
    case DSV_READ_ATTR_DEF:
        content = BufferContent::AttrDefRequest;
        break;
    case DSV_READ_CLASS_DEF:
        content = BufferContent::ClassDefRequest;
        break;
    case DSV_SEARCH_FILTER:
        content = BufferContent::FilterRequest;
        break;
    default:
        return ERR_BAD_VERB;
    }
    StartReply(buffer, content, 0);
    return 0;
}

namespace {

DirResult PutName(DirContext context, DirBuffer* buffer, const char* name, BufferContent a, BufferContent b)
{
    if (FindContext(context) == nullptr || !IsLiveBuffer(buffer)) {
        return ERR_INVALID_HANDLE;
    }
    if (buffer->content != a && buffer->content != b) {
        return ERR_BAD_VERB;
    }
    const std::string_view text = name == nullptr ? std::string_view() : std::string_view(name);
    if (kReplyOverhead + buffer->requestBytes + text.size() + 4 > buffer->capacity) {
        return ERR_BUFFER_FULL;
    }
    buffer->requestBytes += text.size() + 4;
    buffer->names.emplace_back(text);
    return 0;
}

} // namespace

DirResult DirPutAttrName(DirContext context, DirBuffer* buffer, const char* name)
{
    CountCall();
    return PutName(context, buffer, name, BufferContent::ReadRequest, BufferContent::AttrDefRequest);
}

DirResult DirPutClassItem(DirContext context, DirBuffer* buffer, const char* name)
{
    CountCall();
    if (name != nullptr && name[0] == 0 && IsLiveBuffer(buffer) && FindContext(context) != nullptr &&
        buffer->content == BufferContent::ClassDefRequest) {
        return 0; // an empty class name asks for nothing
    }
    return PutName(context, buffer, name, BufferContent::ClassDefRequest, BufferContent::ClassDefRequest);
}

} // namespace veralith::client
