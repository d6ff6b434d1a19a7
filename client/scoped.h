#pragma once

// Owners for what the client hands out: each releases its resource on every
// path, so the layers above keep the client's C-style calls without leaking.

#include "client/client.h"
#include "client/unique_handle.h"

namespace veralith::client {

namespace detail {
inline void FreeFilterCursor(DirFilter* cursor)
{
    DirFreeFilter(cursor, nullptr);
}
} // namespace detail

// Owns a context handle; frees it on destruction.
using ScopedContext = UniqueHandle<DirContext, &DirFreeContext, kNoContext>;

// Owns a request or reply buffer; frees it on destruction.
class ScopedBuffer : public UniqueHandle<DirBuffer*, &DirFreeBuffer>
{
public:
    // Allocates a buffer of the given size; returns the client's result.
    DirResult allocate(std::size_t size) { return DirAllocBuffer(size, Out()); }
};

// Owns a filter cursor until DirPutFilter takes it over (release(), after a
// successful DirPutFilter, which has freed the cursor) or the owner goes out
// of scope.
class ScopedFilter : public UniqueHandle<DirFilter*, &detail::FreeFilterCursor>
{
public:
    DirResult allocate() { return DirAllocFilter(Out()); }
};

} // namespace veralith::client
