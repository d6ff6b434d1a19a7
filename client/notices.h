#pragma once

// Notices: what the client tells its user about a directory operation besides
// its result code. A listing or search that leaves an object out (a name too
// long to carry), a reference to another server that is not followed, or a
// server limit that ended a search gives one notice naming the object, the
// URL or the limit; the operation itself goes on or returns its code as its
// contract says.
//
// The default hook writes each notice as a line on standard error, which is
// what the command line wants; the window installs a hook that adds it to its
// log, and tests install recording hooks.

#include <chrono>
#include <functional>
#include <string>
#include <utility>

namespace veralith::client {

using NoticeHook = std::function<void(const std::string& text)>;

// Installs hook (an empty one restores the default) and returns the previous one.
NoticeHook SetNoticeHook(NoticeHook hook);

// Hands text to the installed hook.
void Notice(const std::string& text);

// Installs a hook through Set for the lifetime of the guard and restores the
// previous one.
template<typename Hook, Hook (*Set)(Hook)>
class ScopedHook
{
public:
    explicit ScopedHook(Hook hook)
        : m_previous(Set(std::move(hook)))
    { }
    ~ScopedHook() { Set(std::move(m_previous)); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Hook m_previous;
};

using ScopedNoticeHook = ScopedHook<NoticeHook, SetNoticeHook>;

// Waiting: an operation that waits for a server (a search whose entries
// wait for the listing of their container) calls Waiting() now and then, and
// the installed hook runs at most once per kWaitHookInterval, the first call
// of all included. The window installs a hook that repaints it without taking
// user input; a hook must not call the client. The default does nothing.
using WaitHook = std::function<void()>;
inline constexpr std::chrono::milliseconds kWaitHookInterval {50};

// Installs hook (an empty one restores the default) and returns the previous one.
WaitHook SetWaitHook(WaitHook hook);

// Runs the installed hook unless it ran less than kWaitHookInterval ago.
void Waiting();

using ScopedWaitHook = ScopedHook<WaitHook, SetWaitHook>;

} // namespace veralith::client
