#pragma once

// Client start-up, the trees of the workstation's connections, and the flag
// word of a directory context.
//
// The start-up and connection operations of the client deliver 16-bit codes
// (client::ConnResult); the results here keep that width.

#include "client/client.h"
#include "util/string_list.h"

#include <cstdint>
#include <string>

namespace veralith::directory {

// The connection handle marker before the client has been started.
inline constexpr std::uint32_t kClientNotStarted = 0xFFFF;

// The operation names of the two start-up messages.
inline constexpr const char* kInitFailedOperation = "Could not initialize NetWare Client. InitNetWare";
inline constexpr const char* kNoConnectionOperation = "Could not find server/tree connection. InitNetWare";

// Starts the directory client once per run and opens the primary connection
// (or the first scanned one when there is no primary).
// - Already started (the marker is not kClientNotStarted): returns 0 and makes
//   no client call.
// - Otherwise ClientInit, ConnScan, ConnGetPrimary, ConnOpenByRef; the first
//   failing code (ConnGetPrimary's failure excepted: the scanned connection is
//   used then) is the result. A non-zero result is shown with ReportError:
//   operation kInitFailedOperation for 0xFFFF, kNoConnectionOperation for any
//   other code. On success the marker holds the opened connection's handle,
//   which is never closed.
client::ConnResult InitNetWare();

// The connection handle marker: kClientNotStarted until InitNetWare succeeds.
std::uint32_t ConnectionHandleMarker();

// Puts the marker back to kClientNotStarted so that the next InitNetWare
// starts the client again. For tests that exercise the start-up repeatedly.
void ResetNetWareStartupForTesting();

// Appends to list one entry per directory tree of the workstation's
// connections, in scan order: the tree name (ReadConnectionTree) with the
// connection reference on which it was first found as the entry's value
// (the 32-bit reference stored bit for bit). A name the list already holds
// (compared ignoring ASCII case) and an empty name are not added. Lets the
// window process pending messages after each connection found. The final
// non-zero ConnScan code ends the scan and is not reported.
void ListTrees(util::StringList& list);

// Reads the tree name of a connection (ConnGetInfo type 4 into a 255-byte
// buffer): the NUL-terminated text cut to its first 32 characters, every
// trailing "_" removed. On a non-zero code treeName is set empty. Returns
// ConnGetInfo's code.
client::ConnResult ReadConnectionTree(std::uint32_t reference, std::string& treeName);

// The tree name of the primary connection; empty when there is none or its
// name cannot be read.
std::string ReadPrimaryTree();

// Adds ('+') or removes ('-') bits in the flag word (key 1) of a context; any
// other operation character leaves the word as it is (it is still read and
// written back). Client results are ignored.
void SetContextFlags(client::DirContext context, char operation, std::uint32_t bits);

} // namespace veralith::directory
