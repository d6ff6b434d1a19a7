#include "client/notices.h"

#include <iostream>

namespace veralith::client {

namespace {

NoticeHook& InstalledHook()
{
    static NoticeHook hook;
    return hook;
}

struct WaitState
{
    WaitHook hook;
    std::chrono::steady_clock::time_point lastRun {};
};

WaitState& InstalledWait()
{
    static WaitState state;
    return state;
}

} // namespace

NoticeHook SetNoticeHook(NoticeHook hook)
{
    NoticeHook previous = std::move(InstalledHook());
    InstalledHook() = std::move(hook);
    return previous;
}

void Notice(const std::string& text)
{
    if (const NoticeHook& hook = InstalledHook(); hook) {
        hook(text);
        return;
    }
    std::cerr << text << '\n';
}

WaitHook SetWaitHook(WaitHook hook)
{
    WaitState& state = InstalledWait();
    WaitHook previous = std::move(state.hook);
    state.hook = std::move(hook);
    state.lastRun = {};
    return previous;
}

void Waiting()
{
    WaitState& state = InstalledWait();
    if (!state.hook) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - state.lastRun < kWaitHookInterval) {
        return;
    }
    state.lastRun = now;
    state.hook();
}

} // namespace veralith::client
