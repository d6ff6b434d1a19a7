#pragma once

// Owners for what the client hands out: each releases its resource on every
// path, so the layers above keep the client's C-style calls without leaking.

#include "client/client.h"

#include <utility>

namespace veralith::client {

// Owns a context handle; frees it on destruction.
class ScopedContext
{
public:
    ScopedContext() = default;
    explicit ScopedContext(DirContext context)
        : m_context(context)
    { }
    ~ScopedContext() { reset(); }
    ScopedContext(const ScopedContext&) = delete;
    ScopedContext& operator=(const ScopedContext&) = delete;
    ScopedContext(ScopedContext&& other) noexcept
        : m_context(std::exchange(other.m_context, kNoContext))
    { }
    ScopedContext& operator=(ScopedContext&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_context = std::exchange(other.m_context, kNoContext);
        }
        return *this;
    }

    DirContext get() const { return m_context; }
    bool valid() const { return m_context != kNoContext; }
    // For operations that write a new handle: DirDuplicateContext(c, scoped.out()).
    DirContext* out()
    {
        reset();
        return &m_context;
    }
    DirContext release() { return std::exchange(m_context, kNoContext); }
    void reset()
    {
        if (m_context != kNoContext) {
            DirFreeContext(m_context);
            m_context = kNoContext;
        }
    }

private:
    DirContext m_context = kNoContext;
};

// Owns a request or reply buffer; frees it on destruction.
class ScopedBuffer
{
public:
    ScopedBuffer() = default;
    ~ScopedBuffer() { reset(); }
    ScopedBuffer(const ScopedBuffer&) = delete;
    ScopedBuffer& operator=(const ScopedBuffer&) = delete;
    ScopedBuffer(ScopedBuffer&& other) noexcept
        : m_buffer(std::exchange(other.m_buffer, nullptr))
    { }
    ScopedBuffer& operator=(ScopedBuffer&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_buffer = std::exchange(other.m_buffer, nullptr);
        }
        return *this;
    }

    // Allocates a buffer of the given size; returns the client's result.
    DirResult allocate(std::size_t size)
    {
        reset();
        return DirAllocBuffer(size, &m_buffer);
    }
    DirBuffer* get() const { return m_buffer; }
    void reset()
    {
        if (m_buffer != nullptr) {
            DirFreeBuffer(m_buffer);
            m_buffer = nullptr;
        }
    }

private:
    DirBuffer* m_buffer = nullptr;
};

// Owns a filter cursor until DirPutFilter takes it over (release()) or the
// owner goes out of scope.
class ScopedFilter
{
public:
    ScopedFilter() = default;
    ~ScopedFilter() { reset(); }
    ScopedFilter(const ScopedFilter&) = delete;
    ScopedFilter& operator=(const ScopedFilter&) = delete;

    DirResult allocate()
    {
        reset();
        return DirAllocFilter(&m_cursor);
    }
    DirFilter* get() const { return m_cursor; }
    // Called after a successful DirPutFilter, which has freed the cursor.
    void release() { m_cursor = nullptr; }
    void reset()
    {
        if (m_cursor != nullptr) {
            DirFreeFilter(m_cursor, nullptr);
            m_cursor = nullptr;
        }
    }

private:
    DirFilter* m_cursor = nullptr;
};

} // namespace veralith::client
