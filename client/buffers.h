#pragma once

// Reply encoding shared by the operations that fill reply buffers and the
// operations that take entries out of them. Internal to the client.

#include "client/state.h"
#include "client/wire.h"

namespace veralith::client {

// Bytes every reply reserves for its own bookkeeping.
inline constexpr std::size_t kReplyOverhead = 16;
// Sizes DirAllocBuffer accepts.
inline constexpr std::size_t kMinBufferSize = 1024;
inline constexpr std::size_t kMaxBufferSize = 1024 * 1024;

// Empties buffer and marks it as holding a reply of the given content.
void StartReply(DirBuffer* buffer, BufferContent content, std::uint32_t infoType);
// True when an entry of `bytes` more bytes fits into the reply.
bool ReplyFits(const DirBuffer& buffer, std::size_t bytes);
// Appends an encoded entry and counts it.
void AppendEntry(DirBuffer* buffer, const std::string& entry);

// Checks the common arguments of the operations that read a reply: a live
// context, a live buffer holding a reply of the given content.
DirResult CheckReply(DirContext context, const DirBuffer* buffer, BufferContent content);
// CheckReply, then writes the number of items the reply holds into *count
// (ERR_INVALID_HANDLE when count is null).
DirResult ReadReplyCount(DirContext context, const DirBuffer* reply, BufferContent content, std::uint32_t* count);

// Writes text with its NUL into out when it fits size bytes.
DirResult CopyText(std::string_view text, std::size_t size, char* out);

} // namespace veralith::client
