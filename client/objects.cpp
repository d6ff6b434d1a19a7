// Listings and searches: objects delivered reply by reply through an
// iteration handle, and taken out of the reply with DirGetObjectName.

#include "client/buffers.h"
#include "client/notices.h"
#include "client/values.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace veralith::client {

namespace {

// The non-empty lines of a text.
std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (end > 0) {
            lines.emplace_back(text.substr(0, end));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// The reply entry of an object; empty (after a notice) for an object whose
// name in the context's form is longer than a caller's name buffer holds:
// the listing or search goes on without it.
std::string EncodeObject(const Context& context, const ObjectSummary& object)
{
    const std::string name =
        DeliveredName(object.fullName, object.namingTypes, context.nameContext, context.Typed(), context.service.get());
    if (name.size() > kMaxNameChars) {
        Notice("\"" + object.fullName + "\" is left out: its name has " + std::to_string(name.size()) +
            " characters (at most " + std::to_string(kMaxNameChars) + " are carried)");
        return std::string();
    }
    WireWriter w;
    w.Bytes(name);
    w.U32(object.attributeCount);
    w.U32(object.flags);
    w.U32(object.subordinateCount);
    w.U32(object.modificationTime);
    w.Bytes(object.baseClass.substr(0, sizeof(DirObjectInfo::baseClass) - 1));
    return w.Take();
}

// Fills reply from the iteration's cursor. *more tells whether objects are
// left for another reply.
DirResult FillObjectReply(const Context& context, Iteration& iteration, DirBuffer* reply, bool* more)
{
    StartReply(reply, BufferContent::ObjectReply, 0);
    *more = false;
    if (iteration.failure != 0) {
        return iteration.failure;
    }
    for (;;) {
        if (!iteration.pending) {
            ObjectSummary next;
            bool done = false;
            if (const DirResult rc = iteration.cursor->Next(&next, &done); rc != 0) {
                if (reply->count == 0) {
                    return rc;
                }
                iteration.failure = rc; // this reply's objects first
                *more = true;
                return 0;
            }
            if (done) {
                return 0;
            }
            iteration.pending = std::move(next);
        }
        const std::string entry = EncodeObject(context, *iteration.pending);
        if (entry.empty()) {
            iteration.pending.reset();
            continue;
        }
        if (!ReplyFits(*reply, entry.size())) {
            if (reply->count == 0) {
                return ERR_BUFFER_FULL;
            }
            *more = true;
            return 0;
        }
        AppendEntry(reply, entry);
        iteration.pending.reset();
    }
}

// Runs one reply of a listing or search. open creates the cursor on the
// first call (*iteration == -1).
template<typename Open>
DirResult RunObjectIteration(DirContext handle, Iteration::Kind kind, std::int32_t* iteration, DirBuffer* reply,
    Open open, std::int32_t* examined = nullptr)
{
    Context* context = FindContext(handle);
    if (context == nullptr || iteration == nullptr || !IsLiveBuffer(reply)) {
        return ERR_INVALID_HANDLE;
    }
    std::unique_ptr<Iteration> state;
    if (*iteration == -1) {
        state = std::make_unique<Iteration>();
        state->kind = kind;
        if (const DirResult rc = open(*context, &state->cursor); rc != 0) {
            return rc;
        }
    } else {
        const auto it = context->iterations.find(*iteration);
        if (it == context->iterations.end() || it->second->kind != kind) {
            return ERR_INVALID_HANDLE;
        }
        state = std::move(it->second);
        context->iterations.erase(it);
    }
    bool more = false;
    if (const DirResult rc = FillObjectReply(*context, *state, reply, &more); rc != 0) {
        StartReply(reply, BufferContent::Empty, 0);
        return rc;
    }
    if (examined != nullptr) {
        *examined = static_cast<std::int32_t>(state->cursor->Examined());
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

DirResult ListObjects(DirContext handle, const char* object, std::int32_t* iteration, DirBuffer* reply, bool containers)
{
    return RunObjectIteration(handle, Iteration::Kind::List, iteration, reply,
        [object, containers](Context& context, std::unique_ptr<ObjectCursor>* cursor) {
            ObjectSummary base;
            if (const DirResult rc = LookupObject(context, object, true, &base); rc != 0) {
                return rc;
            }
            return context.service->OpenList(base.fullName, containers, cursor);
        });
}

} // namespace

DirResult DirList(DirContext context, const char* object, std::int32_t* iteration, DirBuffer* reply)
{
    CountCall();
    return ListObjects(context, object, iteration, reply, false);
}

DirResult DirListContainers(DirContext context, const char* object, std::int32_t* iteration, DirBuffer* reply)
{
    CountCall();
    return ListObjects(context, object, iteration, reply, true);
}

DirResult DirSearch(DirContext context, const char* base, std::int32_t scope, bool /*searchAliases*/, DirBuffer* filter,
    const DirTimeStamp* /*timeStamp*/, std::uint32_t /*infoType*/, bool /*all*/, DirBuffer* /*attrNames*/,
    std::int32_t* iteration, std::int32_t /*objectsToSearch*/, std::int32_t* objectsSearched, DirBuffer* reply)
{
    CountCall();
    const FilterNode* expression = nullptr;
    if (filter != nullptr) {
        if (!IsLiveBuffer(filter)) {
            return ERR_INVALID_HANDLE;
        }
        if (filter->content != BufferContent::FilterRequest && filter->content != BufferContent::Empty) {
            return ERR_BAD_VERB;
        }
        if (filter->hasFilter) {
            expression = &filter->filter;
        }
    }
    if (scope < 0 || scope > 2) {
        return ERR_BAD_VERB;
    }
    std::int32_t examined = 0;
    const DirResult rc = RunObjectIteration(
        context, Iteration::Kind::Search, iteration, reply,
        [base, scope, expression](Context& c, std::unique_ptr<ObjectCursor>* cursor) {
            ObjectSummary found;
            if (const DirResult rc = LookupObject(c, base, true, &found); rc != 0) {
                return rc;
            }
            const std::vector<std::string> reads = SplitLines(c.searchReads);
            return c.service->OpenSearchReading(found.fullName, scope, expression, &reads, cursor);
        },
        &examined);
    if (rc == 0 && objectsSearched != nullptr) {
        *objectsSearched = examined;
    }
    return rc;
}

DirResult DirGetObjectCount(DirContext context, DirBuffer* reply, std::uint32_t* count)
{
    CountCall();
    return ReadReplyCount(context, reply, BufferContent::ObjectReply, count);
}

DirResult DirGetObjectName(
    DirContext context, DirBuffer* reply, char* name, std::uint32_t* attrCount, DirObjectInfo* info)
{
    CountCall();
    if (const DirResult rc = CheckReply(context, reply, BufferContent::ObjectReply); rc != 0) {
        return rc;
    }
    if (reply->taken >= reply->count) {
        return ERR_BUFFER_EMPTY;
    }
    WireReader r(std::string_view(reply->data).substr(reply->readPos));
    std::string_view objectName;
    std::string_view baseClass;
    DirObjectInfo block {};
    std::uint32_t attributes = 0;
    if (!r.Bytes(&objectName) || !r.U32(&attributes) || !r.U32(&block.flags) || !r.U32(&block.subordinateCount) ||
        !r.U32(&block.modificationTime) || !r.Bytes(&baseClass) || baseClass.size() >= sizeof block.baseClass) {
        return ERR_SYSTEM_FAILURE;
    }
    if (name != nullptr) {
        if (const DirResult rc = CopyText(objectName, kNameBufferSize, name); rc != 0) {
            return rc;
        }
    }
    std::memcpy(block.baseClass, baseClass.data(), baseClass.size());
    block.baseClass[baseClass.size()] = 0;
    reply->readPos = reply->data.size() - r.Rest().size();
    ++reply->taken;
    if (attrCount != nullptr) {
        *attrCount = attributes;
    }
    if (info != nullptr) {
        *info = block;
    }
    return 0;
}

DirResult DirCloseIteration(DirContext context, std::int32_t iteration, std::uint32_t /*operation*/)
{
    CountCall();
    Context* c = FindContext(context);
    if (c == nullptr || c->iterations.erase(iteration) == 0) {
        return ERR_INVALID_HANDLE;
    }
    return 0;
}

} // namespace veralith::client
