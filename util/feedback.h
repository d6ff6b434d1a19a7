#pragma once

// User feedback shared by every layer: letting the window process pending
// messages, the busy cursor and message boxes.
//
// The layers below the window never call a toolkit. They call these operations,
// which go through hooks that the window installs at start-up (event
// processing, an override cursor, message boxes). The default hooks do nothing,
// except message boxes, which print "<title>: <text>" to standard error and
// answer OK. Tests install recording hooks with ScopedFeedbackHooks.
// Window thread only.

#include <cstdint>
#include <functional>
#include <string>

namespace veralith::util {

// Screen cursor identifiers (signed 16-bit, as the toolkit numbers them).
using CursorId = std::int16_t;
inline constexpr CursorId kDefaultCursor = 0;
inline constexpr CursorId kHourglassCursor = -11;

// Kinds of message box the program shows.
enum class MessageBoxKind {
    Information, // plain box, caption = the application title, button "OK"
    Warning, // caption "Warning", buttons "OK" and "Abort"
    Error, // error icon, caption "Error", button "OK"
};

// The button that dismissed a message box.
enum class MessageBoxButton {
    Ok,
    Abort,
};

// The hooks; an empty member means "do the default".
struct FeedbackHooks
{
    // Let the window process its pending messages (repaint, input).
    std::function<void()> processPendingMessages;
    // The current application-wide screen cursor.
    std::function<CursorId()> currentCursor;
    // Set the application-wide screen cursor.
    std::function<void(CursorId)> setCursor;
    // Show a modal box and return the button pressed (Ok for kinds with one button).
    std::function<MessageBoxButton(MessageBoxKind kind, const std::string& title, const std::string& text)>
        showMessageBox;
};

// Installs hooks; returns the previously installed ones.
FeedbackHooks SetFeedbackHooks(FeedbackHooks hooks);

// Installs hooks for the lifetime of the guard and restores the previous ones.
class ScopedFeedbackHooks
{
public:
    explicit ScopedFeedbackHooks(FeedbackHooks hooks)
        : m_previous(SetFeedbackHooks(std::move(hooks)))
    { }
    ~ScopedFeedbackHooks() { SetFeedbackHooks(std::move(m_previous)); }
    ScopedFeedbackHooks(const ScopedFeedbackHooks&) = delete;
    ScopedFeedbackHooks& operator=(const ScopedFeedbackHooks&) = delete;

private:
    FeedbackHooks m_previous;
};

// The application title used as the caption of plain message boxes (the window
// sets its caption here at creation). Default "Veralith".
std::string ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The caption of a box of that kind: the application title, "Warning" or "Error".
std::string MessageBoxTitle(MessageBoxKind kind);

// Lets the window process its pending messages (long loops call this between steps).
void ProcessPendingMessages();

// Sets the application-wide screen cursor to the hourglass (-11).
void ShowHourglass();

// Returns the current screen cursor, then shows the hourglass. Hand the value to
// EndBusyCursor when the long operation ends.
CursorId BeginBusyCursor();

// Sets the screen cursor back to the saved one.
void EndBusyCursor(CursorId saved);

// Shows the busy cursor for the lifetime of the guard and then puts the
// previous cursor back, on every path.
class BusyCursorScope
{
public:
    BusyCursorScope()
        : m_saved(BeginBusyCursor())
    { }
    ~BusyCursorScope() { EndBusyCursor(m_saved); }
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;

private:
    CursorId m_saved;
};

// Shows a modal message box of the kind with the text and its caption
// (MessageBoxTitle); returns when dismissed, with the button pressed (Abort only
// from a Warning box).
MessageBoxButton ShowMessageBox(MessageBoxKind kind, const std::string& text);

// Nothing when code is 0; otherwise an Error box with "Error %04X: %s" filled
// with the code (32-bit two's complement, upper-case hex, blank-padded to four
// characters) and the operation name: 31 gives "Error   1F: DSChangeCurrentTree",
// -601 gives "Error FFFFFDA7: DSChangeCurrentTree".
void ShowErrorCode(std::int32_t code, const std::string& operation);

} // namespace veralith::util
