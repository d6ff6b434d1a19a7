#pragma once

// The search run on the window: the shared run (app/run/search_run.h) over
// TMainForm's controls. TMainForm::BitBtnSearchClick starts it (installed with
// TMainForm::SetSearchRun).

#include "app/run/search_run.h"
#include "util/feedback.h"

#include <QElapsedTimer>
#include <QObject>

namespace veralith::app {

class TMainForm;

// The inputs of a run as the window's controls hold them: the attribute entry
// selected in ComboBoxAttributes (its text also for the filter), the text and
// flag word of ComboBoxClasses' selection, RadioGroupAttributeCheck's index
// (an index outside 0-3 acts as Just Show), CheckBoxRecurse, the search
// context, the current container and the Compare group's options.
SearchRunInputs ReadSearchRunInputs(const TMainForm& form);

// The window as a search surface. Objects go to ListBoxObjects (sorted),
// values to ListBoxAttributes, duplicate lines to ListBoxLog, the status text
// to the status bar, the alert comes from RadioGroupAlert, message boxes from
// the window's dialogs (through the installed feedback hooks).
//
// Pending messages are processed at most every kPumpInterval milliseconds
// (the status text being shown just before), so a run over many objects
// spends its time reading rather than repainting, while the window still
// repaints and its status bar follows the run. While the surface exists the
// same pace applies to the layers below (its constructor installs a
// feedback hook that paces util::ProcessPendingMessages; its destructor puts
// the window's hooks back). The Search button is disabled while a run works
// on the window, so no second run can start inside it.
class FormSearchSurface : public SearchSurface
{
public:
    static constexpr qint64 kPumpInterval = 10;

    explicit FormSearchSurface(TMainForm& form);
    ~FormSearchSurface() override;
    FormSearchSurface(const FormSearchSurface&) = delete;
    FormSearchSurface& operator=(const FormSearchSurface&) = delete;

    void ShowResults() override;
    void ClearObjects() override;
    void AddObjects(const util::StringList& names) override;
    std::size_t ObjectCount() const override;
    std::string ObjectAt(std::size_t index) const override;
    void ClearValues() override;
    void AddValue(const std::string& value) override;
    void ClearLog() override;
    void AddDuplicate(const DuplicateEntry& entry) override;
    void SetStatusText(const std::string& text) override;
    void ShowProgress(const std::string& name, const std::string& value) override;
    AlertMode Alert() const override;
    util::MessageBoxButton ShowMessage(util::MessageBoxKind kind, const std::string& text) override;
    // Each line of the text goes to the log, then the text to a warning box.
    void ReportFailure(const std::string& text) override;
    void ProcessPendingMessages() override;
    void RunningChanged(bool running) override;
    // The counts go to StatusCounts and the progress bar at the next pump;
    // objects reach ListBoxObjects while the search runs; BitBtnStop stops
    // the run.
    void RunProgressed(const RunProgress& progress) override;
    bool ObjectsWhileSearching() const override { return true; }
    bool StopRequested() const override { return m_stopRequested; }
    // The window has been closed (its contexts freed) during the run.
    bool Closed() const override;

private:
    // Shows the status text and processes pending messages when
    // kPumpInterval has passed since the last time.
    void PumpIfDue();
    void ShowStatusText();
    void ShowCounts();

    TMainForm& m_form;
    util::FeedbackHooks m_windowHooks;
    QElapsedTimer m_sincePump;
    // The status text to show at the next pump: a text, or the progress of an
    // object (formatted only when shown).
    std::string m_statusText;
    std::string m_progressName;
    std::string m_progressValue;
    bool m_progressPending = false;
    bool m_statusPending = false;
    RunProgress m_progress;
    bool m_countsPending = false;
    bool m_stopRequested = false;
    QMetaObject::Connection m_stopConnection;
};

// BitBtnSearchClick's run: ReadSearchRunInputs, RunSearch on the window's
// surface, the run's last directory result kept as the window's. An error
// raised during the run is shown in an error box (the application's general
// error message).
void RunFormSearch(TMainForm& form);

} // namespace veralith::app
