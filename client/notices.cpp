#include "client/notices.h"

#include <iostream>

namespace veralith::client {

namespace {

NoticeHook& InstalledHook()
{
    static NoticeHook hook;
    return hook;
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

} // namespace veralith::client
