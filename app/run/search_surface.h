#pragma once

// SearchSurface: what a search run reads and writes while it runs. The window
// implements it over its controls (ListBoxObjects, ListBoxAttributes,
// ListBoxLog, the status bar, RadioGroupAlert, message boxes, event
// processing); the command line implements it over plain lists and standard
// error; tests implement it with recording lists. The run itself
// (app/run/search_run.h) is the same code for all of them.

#include "util/feedback.h"
#include "util/format.h"
#include "util/string_list.h"

#include <cstddef>
#include <string>

namespace veralith::app {

// How a duplicate is reported: the selected index of RadioGroupAlert.
enum class AlertMode {
    Popup = 0, // a warning box with "OK" and "Abort" per duplicate, and the log line
    LogMessage = 1, // the log line only
};

// One duplicate found by a run: the object whose value repeats an earlier
// object's value, that earlier object, the attribute name and the value, and
// the log line made of them ("%s / %s: (%s = %s)").
struct DuplicateEntry
{
    std::string object;
    std::string earlier;
    std::string attribute;
    std::string value;
    std::string line;
};

// How far a run has come, for progress displays.
struct RunProgress
{
    // True while the search runs; false once it has ended and the values are
    // read.
    bool searching = true;
    std::size_t objectsFound = 0;
    std::size_t valuesRead = 0;
    // The objects whose values are read: known once the search has ended (0
    // before).
    std::size_t objectsToRead = 0;
};

class SearchSurface
{
public:
    virtual ~SearchSurface() = default;

    // Makes the Results page the active page. Default: nothing.
    virtual void ShowResults() { }

    // The object list (ListBoxObjects). It keeps its entries sorted by
    // util::CompareTextsForSorting; entries that compare equal keep their
    // order of arrival.
    virtual void ClearObjects() = 0;
    // Adds the names (full names, in the order the search found them); each one
    // goes to its sorted place.
    virtual void AddObjects(const util::StringList& names) = 0;
    virtual std::size_t ObjectCount() const = 0;
    // Entry index of the object list; index must be below ObjectCount().
    virtual std::string ObjectAt(std::size_t index) const = 0;

    // The value list (ListBoxAttributes): not sorted, one entry per object.
    virtual void ClearValues() = 0;
    virtual void AddValue(const std::string& value) = 0;

    // The log (ListBoxLog): one entry per duplicate, entry.line being its text.
    virtual void ClearLog() = 0;
    virtual void AddDuplicate(const DuplicateEntry& entry) = 0;

    // The status bar's text.
    virtual void SetStatusText(const std::string& text) = 0;

    // The progress of a run for one object: the status text "%s: %s" with the
    // object's name and its value. Default: SetStatusText with that text. A
    // surface that shows no status, or shows it now and then, may format it
    // only when it shows it.
    virtual void ShowProgress(const std::string& name, const std::string& value)
    {
        SetStatusText(util::Format("%s: %s", name, value));
    }

    // The alert choice; read anew at every duplicate, so a change made during a
    // run applies to the following duplicates.
    virtual AlertMode Alert() const = 0;

    // Shows a message box and returns the button pressed. Default:
    // util::ShowMessageBox (the installed feedback hooks).
    virtual util::MessageBoxButton ShowMessage(util::MessageBoxKind kind, const std::string& text)
    {
        return util::ShowMessageBox(kind, text);
    }

    // A run that failed (outcome Failed): text says what, one line per cause.
    // Default: a warning box with the text.
    virtual void ReportFailure(const std::string& text) { ShowMessage(util::MessageBoxKind::Warning, text); }

    // Lets the window process its pending messages. Default:
    // util::ProcessPendingMessages.
    virtual void ProcessPendingMessages() { util::ProcessPendingMessages(); }

    // True once the surface can no longer show the run (the window was closed
    // while the run let it process its messages): the run stops before the
    // next object and shows nothing more. Default: false.
    virtual bool Closed() const { return false; }

    // Told true when a run starts and false when it ends, on every path (the
    // window locks its Search button in between). Default: nothing.
    virtual void RunningChanged(bool /*running*/) { }

    // Hears how far the run has come: when the search starts, every few
    // hundred objects while it runs and while the values are read, and when
    // each phase ends. Default: nothing.
    virtual void RunProgressed(const RunProgress& /*progress*/) { }

    // True when the objects found should reach the object list while the
    // search still runs (AddObjects is then called with batches of them);
    // false: they come in one call when the search has ended. Default: false.
    virtual bool ObjectsWhileSearching() const { return false; }

    // True when the user has asked to stop the run: the search, or the
    // reading of values, ends before the next object (outcome Aborted).
    // Default: false.
    virtual bool StopRequested() const { return false; }

    // True while a run works on this surface.
    bool IsRunning() const { return m_running; }

private:
    friend class SurfaceRunScope;
    bool m_running = false;
};

} // namespace veralith::app
