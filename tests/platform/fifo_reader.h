#pragma once

// Reads the other end of a FIFO in a thread while a test writes into it.
// The reader holds the FIFO open for reading and for writing from the start,
// so a writer never waits for it, and Finish ends the read when the writer is
// done: a program that replaced the FIFO instead of writing into it gives an
// empty text, never a test that hangs.

#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace veralith::testing {

class FifoReader
{
public:
    explicit FifoReader(const std::string& path)
        : m_read(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
        , m_write(::open(path.c_str(), O_WRONLY | O_CLOEXEC))
    {
        if (m_read >= 0) {
            ::fcntl(m_read, F_SETFL, ::fcntl(m_read, F_GETFL) & ~O_NONBLOCK);
            m_thread = std::thread([this] {
                char buffer[4096];
                for (ssize_t n; (n = ::read(m_read, buffer, sizeof buffer)) > 0;) {
                    m_text.append(buffer, static_cast<std::size_t>(n));
                }
            });
        }
    }
    ~FifoReader() { Finish(); }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    // Whether both ends could be opened (the path is a FIFO).
    bool Opened() const { return m_read >= 0 && m_write >= 0; }

    // Everything written into the FIFO so far, once every writer has closed it.
    const std::string& Finish()
    {
        if (m_write >= 0) {
            ::close(m_write);
            m_write = -1;
        }
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_read >= 0) {
            ::close(m_read);
            m_read = -1;
        }
        return m_text;
    }

private:
    int m_read;
    int m_write;
    std::string m_text;
    std::thread m_thread;
};

} // namespace veralith::testing
