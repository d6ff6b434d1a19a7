#pragma once

// The listing cursor and the container listing.
//
// The directory hands out a listing in reply buffers joined by an iteration
// handle; the cursor hides this and yields one entry at a time.

#include "client/client.h"
#include "util/string_list.h"

#include <cstdint>
#include <string>

namespace veralith::directory {

// The cursor record for one object met while listing (ListStart/ListNext) or
// searching (the search fills name, attrCount, info, context and
// displayText). Fields in their declared order.
//
// Ownership: from ListStart until the listing ends, the cursor owns
// `context` (a duplicate of the caller's context) and `buffer` (a 4096-byte
// reply buffer). They are released when the listing ends (ListNext returning
// -1 or a failure, or a failing ListStart), by ListEnd, or when the cursor is
// destroyed or started again. A cursor filled by the search owns nothing: the
// search's context stays the search's.
struct TNDSObj
{
    // -1 before the first request and again once the last reply has arrived.
    std::int32_t iteration = -1;
    // The current entry's name; empty when the cursor holds no entry.
    std::string name;
    // The listed container's name (with its leading dot, or a special name).
    std::string listedName;
    // The current entry's attribute count as delivered (not used further).
    std::uint32_t attrCount = 0;
    // Entries in the current reply, and entries taken from it.
    std::uint32_t replyCount = 0;
    std::uint32_t taken = 0;
    // Two text fields that neither the listing nor the search fills.
    std::string text1;
    std::string text2;
    // The current entry's object information: flags (DS_CONTAINER_ENTRY = 4
    // marks a container) and base class name.
    client::DirObjectInfo info {};
    // The cursor's (listing) or the search's context.
    client::DirContext context = client::kNoContext;
    // True for a container listing (DirListContainers).
    bool containersOnly = false;
    // Display text, filled by the search; empty in a listing.
    std::string displayText;
    // The reply buffer of a listing.
    client::DirBuffer* buffer = nullptr;
    // Unused.
    std::uint32_t reserved = 0;

    TNDSObj() = default;
    ~TNDSObj();
    TNDSObj(const TNDSObj&) = delete;
    TNDSObj& operator=(const TNDSObj&) = delete;

    // True while the cursor owns a listing's context and buffer.
    bool OwnsListing() const { return m_ownsListing; }

private:
    friend std::int32_t ListStart(client::DirContext, const std::string&, TNDSObj&);
    friend void ListEnd(TNDSObj&);
    bool m_ownsListing = false;
};

// Starts a container listing of containerName (given a leading dot unless it
// is a special name): releases whatever the cursor still owned, clears it,
// duplicates the context into it with flags 16 and 4 added, key 2 set to 0 and
// the name context set to the container itself (so entries are named relative
// to it), allocates a 4096-byte reply buffer and fetches the first reply.
// Returns 0 with the first entry in the cursor (name empty and replyCount 0
// for an empty container), or the client's code; on a failure the cursor's
// context and buffer are released already.
std::int32_t ListStart(client::DirContext context, const std::string& containerName, TNDSObj& cursor);

// Requests the next reply (DirListContainers with the cursor's iteration
// handle) and resets the reply counts from DirGetObjectCount. Returns the
// code of the first failing call, else 0. Releases nothing.
std::int32_t ListFetch(TNDSObj& cursor);

// Empties the current entry name, then takes the next entry of the current
// reply into the cursor (name, attrCount, info). A reply without entries
// gives 0 and leaves the name empty. Counts the entry as taken even when
// DirGetObjectName fails; returns its code. Releases nothing.
std::int32_t ListTakeEntry(TNDSObj& cursor);

// Advances to the next entry, fetching further replies as needed and
// passing over continuation replies that hold no entries. Lets the window
// process pending messages before each entry and each request.
// Returns 0 with the next entry in the cursor; -1 when the listing has ended
// (context and buffer released); any other code is a client failure, after
// which the context and buffer are released too.
std::int32_t ListNext(TNDSObj& cursor);

// Releases the cursor's listing context and buffer now (nothing when it owns
// none); for callers that abandon a listing early.
void ListEnd(TNDSObj& cursor);

// Appends to list the names (relative to the container) of the containers
// directly below containerName, in the order of the directory's replies
// (entries whose flags lack bit 4 are left out). Shows the busy cursor while
// it runs. Returns 0 when the listing ran to its end (also for an empty
// container), else the client's failure code; entries already appended stay.
std::int32_t ListContainers(client::DirContext context, const std::string& containerName, util::StringList& list);

} // namespace veralith::directory
