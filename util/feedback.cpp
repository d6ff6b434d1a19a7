#include "util/feedback.h"

#include "util/format.h"

#include <iostream>

namespace veralith::util {

namespace {

FeedbackHooks installedHooks;
std::string applicationTitle = "Veralith";
CursorId defaultHooksCursor = kDefaultCursor; // the cursor as the do-nothing hooks keep it

} // namespace

FeedbackHooks SetFeedbackHooks(FeedbackHooks hooks)
{
    FeedbackHooks previous = std::move(installedHooks);
    installedHooks = std::move(hooks);
    return previous;
}

std::string ApplicationTitle()
{
    return applicationTitle;
}

void SetApplicationTitle(const std::string& title)
{
    applicationTitle = title;
}

std::string MessageBoxTitle(MessageBoxKind kind)
{
    switch (kind) {
    case MessageBoxKind::Warning:
        return "Warning";
    case MessageBoxKind::Error:
        return "Error";
    case MessageBoxKind::Information:
        break;
    }
    return applicationTitle;
}

void ProcessPendingMessages()
{
    // A copy, so that a hook that replaces the hooks while it runs stays alive.
    const auto pump = installedHooks.processPendingMessages;
    if (pump) {
        pump();
    }
}

namespace {

CursorId CurrentCursor()
{
    return installedHooks.currentCursor ? installedHooks.currentCursor() : defaultHooksCursor;
}

void SetCursor(CursorId cursor)
{
    if (installedHooks.setCursor) {
        installedHooks.setCursor(cursor);
    } else {
        defaultHooksCursor = cursor;
    }
}

} // namespace

void ShowHourglass()
{
    SetCursor(kHourglassCursor);
}

CursorId BeginBusyCursor()
{
    const CursorId saved = CurrentCursor();
    SetCursor(kHourglassCursor);
    return saved;
}

void EndBusyCursor(CursorId saved)
{
    SetCursor(saved);
}

MessageBoxButton ShowMessageBox(MessageBoxKind kind, const std::string& text)
{
    const std::string title = MessageBoxTitle(kind);
    const auto show = installedHooks.showMessageBox;
    if (show) {
        const MessageBoxButton pressed = show(kind, title, text);
        // Only the warning box has an Abort button.
        return kind == MessageBoxKind::Warning ? pressed : MessageBoxButton::Ok;
    }
    std::cerr << title << ": " << text << std::endl;
    return MessageBoxButton::Ok;
}

void ShowErrorCode(std::int32_t code, const std::string& operation)
{
    if (code == 0) {
        return;
    }
    ShowMessageBox(MessageBoxKind::Error, Format("Error %04X: %s", code, operation));
}

} // namespace veralith::util
