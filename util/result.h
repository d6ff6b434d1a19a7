#pragma once

// The one way the layers above the client report an operation that can fail
// for a reason a user is to read (a file that cannot be written, a tree
// source that does not load, a name the schema lacks): the operation returns
// a Status, or a Result<T> when it also gives a value. The reason says what
// failed and why; callers put it in their own words or pass it on, and a
// caller that drops it must say so in code ([[nodiscard]]).
//
// Directory operations keep their result codes (client::DirResult), and the
// program's own faults that are raised by design stay exceptions, caught
// where the workflow says (see docs/architecture.md).

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace veralith::util {

class [[nodiscard]] Status
{
public:
    // Success.
    Status() = default;

    // A failure for reason (an empty reason is still a failure).
    static Status Failure(std::string reason)
    {
        Status status;
        status.m_reason = std::move(reason);
        return status;
    }

    bool IsOk() const { return !m_reason.has_value(); }
    explicit operator bool() const { return IsOk(); }

    // What failed and why; empty on success.
    const std::string& Reason() const
    {
        static const std::string kNone;
        return m_reason ? *m_reason : kNone;
    }

    // The same failure with prefix in front of its reason ("out.csv: "); a
    // success stays one.
    Status WithPrefix(const std::string& prefix) const { return IsOk() ? Status() : Failure(prefix + *m_reason); }

private:
    std::optional<std::string> m_reason;
};

// A value, or the Status of the failure that left none.
template<typename T>
class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    { }

    // failure must not be a success: a Result without a value always has a
    // reason.
    Result(Status failure)
        : m_status(std::move(failure))
    {
        if (m_status.IsOk()) {
            throw std::logic_error("a Result without a value needs a failure");
        }
    }

    bool IsOk() const { return m_value.has_value(); }
    explicit operator bool() const { return IsOk(); }
    const Status& GetStatus() const { return m_status; }
    const std::string& Reason() const { return m_status.Reason(); }

    // The value; throws std::logic_error on a failure (a caller that did not
    // check).
    const T& Value() const
    {
        if (!m_value) {
            throw std::logic_error("no value: " + m_status.Reason());
        }
        return *m_value;
    }

private:
    std::optional<T> m_value;
    Status m_status;
};

} // namespace veralith::util
