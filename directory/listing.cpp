#include "directory/listing.h"

#include "directory/names.h"
#include "directory/startup.h"
#include "util/feedback.h"

#include <array>
#include <cstring>

namespace veralith::directory {

namespace {

constexpr std::size_t kReplyBufferSize = 4096;
constexpr std::size_t kEntryNameSize = 256;

// Clears every field; whatever the cursor owned must have been released.
void ClearCursor(TNDSObj& cursor)
{
    cursor.iteration = 0;
    cursor.name.clear();
    cursor.listedName.clear();
    cursor.attrCount = 0;
    cursor.replyCount = 0;
    cursor.taken = 0;
    cursor.text1.clear();
    cursor.text2.clear();
    cursor.info = client::DirObjectInfo {};
    cursor.context = client::kNoContext;
    cursor.containersOnly = false;
    cursor.displayText.clear();
    cursor.buffer = nullptr;
    cursor.reserved = 0;
}

// Ends the listing with a failure code: releases the context and buffer.
std::int32_t EndWith(TNDSObj& cursor, std::int32_t result)
{
    ListEnd(cursor);
    return result;
}

} // namespace

TNDSObj::~TNDSObj()
{
    ListEnd(*this);
}

void ListEnd(TNDSObj& cursor)
{
    if (!cursor.m_ownsListing) {
        return;
    }
    if (cursor.buffer != nullptr) {
        client::DirFreeBuffer(cursor.buffer);
        cursor.buffer = nullptr;
    }
    if (cursor.context != client::kNoContext) {
        client::DirFreeContext(cursor.context);
        cursor.context = client::kNoContext;
    }
    cursor.m_ownsListing = false;
}

std::int32_t ListStart(client::DirContext context, const std::string& containerName, TNDSObj& cursor)
{
    ListEnd(cursor);
    ClearCursor(cursor);
    const std::string name = WithLeadingDot(containerName);

    client::DirContext duplicate = client::kNoContext;
    std::int32_t result = client::DirDuplicateContext(context, &duplicate);
    if (result != 0) {
        return result;
    }
    cursor.context = duplicate;
    cursor.m_ownsListing = true;
    cursor.containersOnly = true;

    SetContextFlags(cursor.context, '+', client::DCV_CANONICALIZE_NAMES | client::DCV_TYPELESS_NAMES);
    const std::uint32_t confidence = 0;
    client::DirSetContext(cursor.context, client::DCK_CONFIDENCE, &confidence);
    // Entries are named relative to the listed container, the form the
    // container list joins onto the current container.
    const std::string nameContext = WithoutLeadingDot(name);
    client::DirSetContext(cursor.context, client::DCK_NAME_CONTEXT, nameContext.c_str());

    result = client::DirAllocBuffer(kReplyBufferSize, &cursor.buffer);
    if (result != 0) {
        cursor.buffer = nullptr;
        return EndWith(cursor, result);
    }
    cursor.iteration = -1;
    cursor.listedName = name;

    result = ListFetch(cursor);
    if (result == 0 && cursor.replyCount >= 1) {
        result = ListTakeEntry(cursor);
    }
    if (result != 0) {
        return EndWith(cursor, result);
    }
    return 0;
}

std::int32_t ListFetch(TNDSObj& cursor)
{
    const std::int32_t result =
        client::DirListContainers(cursor.context, cursor.listedName.c_str(), &cursor.iteration, cursor.buffer);
    if (result != 0) {
        return result;
    }
    cursor.taken = 0;
    std::uint32_t count = 0;
    const std::int32_t countResult = client::DirGetObjectCount(cursor.context, cursor.buffer, &count);
    cursor.replyCount = countResult == 0 ? count : 0;
    return countResult;
}

std::int32_t ListTakeEntry(TNDSObj& cursor)
{
    cursor.name.clear();
    if (cursor.replyCount < 1) {
        return 0;
    }
    std::array<char, kEntryNameSize + 1> name {};
    std::uint32_t attrCount = 0;
    client::DirObjectInfo info {};
    const std::int32_t result = client::DirGetObjectName(cursor.context, cursor.buffer, name.data(), &attrCount, &info);
    if (result == 0) {
        cursor.name.assign(name.data(), strnlen(name.data(), kEntryNameSize));
        cursor.attrCount = attrCount;
        cursor.info = info;
    }
    cursor.taken += 1;
    return result;
}

std::int32_t ListNext(TNDSObj& cursor)
{
    if (!cursor.OwnsListing()) {
        // Nothing is being listed (the listing has ended already).
        return -1;
    }
    // A continuation reply may hold no entries: keep requesting until one
    // holds an entry or the directory has delivered its last reply, so that
    // an entry already handed out is never handed out again.
    while (cursor.taken >= cursor.replyCount) {
        util::ProcessPendingMessages();
        if (cursor.iteration == -1) {
            cursor.name.clear();
            ListEnd(cursor);
            return -1;
        }
        const std::int32_t previousIteration = cursor.iteration;
        const std::int32_t result = ListFetch(cursor);
        if (result != 0) {
            return EndWith(cursor, result);
        }
        if (cursor.replyCount == 0 && cursor.iteration == previousIteration) {
            // An empty reply that does not move the iteration would be
            // requested forever: a fault of the client, not the end.
            return EndWith(cursor, client::ERR_SYSTEM_FAILURE);
        }
    }
    util::ProcessPendingMessages();
    const std::int32_t result = ListTakeEntry(cursor);
    if (result != 0) {
        return EndWith(cursor, result);
    }
    return 0;
}

std::int32_t ListContainers(client::DirContext context, const std::string& containerName, util::StringList& list)
{
    const util::BusyCursorScope busy;
    TNDSObj cursor;
    // An empty first reply leaves the cursor's entry cleared (flags 0), so
    // nothing is appended for it.
    std::int32_t result = ListStart(context, containerName, cursor);
    while (result == 0) {
        util::ProcessPendingMessages();
        if ((cursor.info.flags & client::DS_CONTAINER_ENTRY) != 0) {
            list.Add(cursor.name);
        }
        result = ListNext(cursor);
    }
    return result == -1 ? 0 : result;
}

} // namespace veralith::directory
