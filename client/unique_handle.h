#pragma once

// One owner for the handles of C-style interfaces: a handle value, the value
// that means "none", and the function that releases it. The owner releases
// its handle on every path, moves but never copies.

#include <utility>

namespace veralith::client {

template<typename T, auto Free, T KNone = T {}>
class UniqueHandle
{
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T handle)
        : m_handle(handle)
    { }
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, KNone))
    { }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, KNone);
        }
        return *this;
    }

    T get() const { return m_handle; }
    bool Valid() const { return m_handle != KNone; }
    // Releases the handle held, for an operation that writes a new one:
    // DirDuplicateContext(c, owner.out()).
    T* Out()
    {
        reset();
        return &m_handle;
    }
    // Gives the handle up without releasing it.
    T release() { return std::exchange(m_handle, KNone); }
    void reset()
    {
        if (m_handle != KNone) {
            Free(std::exchange(m_handle, KNone));
        }
    }

private:
    T m_handle = KNone;
};

} // namespace veralith::client
