#include "app/form_search_run.h"

#include "app/form_compare.h"
#include "app/main_form.h"
#include "app/run/sort_key.h"
#include "settings/radio_group.h"
#include "util/feedback.h"
#include "util/format.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <set>
#include <string>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>

namespace veralith::app {

namespace {

CheckMode CheckModeFromIndex(int index)
{
    switch (index) {
    case 0:
        return CheckMode::Duplicates;
    case 1:
        return CheckMode::Present;
    case 2:
        return CheckMode::NotPresent;
    default:
        return CheckMode::JustShow;
    }
}

} // namespace

SearchRunInputs ReadSearchRunInputs(const TMainForm& form)
{
    SearchRunInputs inputs;
    inputs.attributeName = form.ComboBoxAttributes->Text();
    inputs.attributeText = inputs.attributeName;
    inputs.classText = form.ComboBoxClasses->Text();
    inputs.classFlags = form.ComboBoxClasses->SelectedValue();
    inputs.mode = CheckModeFromIndex(form.RadioGroupAttributeCheck->itemIndex());
    inputs.recurse = form.CheckBoxRecurse->isChecked();
    inputs.searchContext = form.SearchContext();
    inputs.containerName = form.CurrentContainer();
    inputs.compare = ReadCompareOptions(form);
    return inputs;
}

FormSearchSurface::FormSearchSurface(TMainForm& form)
    : form_(form)
    , windowHooks_(util::SetFeedbackHooks({}))
{
    sincePump_.start();
    // The layers below (the search before every object it names) ask for
    // event processing as often as the run does: they get the same pace.
    util::FeedbackHooks paced = windowHooks_;
    paced.processPendingMessages = [this] { PumpIfDue(); };
    // A window closed during the run shows no more boxes: the layers below
    // (an error per object name the search cannot read once the window's
    // contexts are gone) speak to a window that is not there.
    if (windowHooks_.showMessageBox) {
        paced.showMessageBox = [this](util::MessageBoxKind kind, const std::string& title, const std::string& text) {
            return Closed() ? util::MessageBoxButton::Ok : windowHooks_.showMessageBox(kind, title, text);
        };
    }
    util::SetFeedbackHooks(std::move(paced));
    stopConnection_ = QObject::connect(form_.BitBtnStop, &QPushButton::clicked, [this] { stopRequested_ = true; });
}

FormSearchSurface::~FormSearchSurface()
{
    QObject::disconnect(stopConnection_);
    util::SetFeedbackHooks(std::move(windowHooks_));
}

void FormSearchSurface::PumpIfDue()
{
    if (sincePump_.elapsed() < kPumpInterval) {
        return;
    }
    ShowStatusText();
    ShowCounts();
    if (windowHooks_.processPendingMessages) {
        windowHooks_.processPendingMessages();
    }
    sincePump_.restart();
}

void FormSearchSurface::ShowResults()
{
    form_.PageControl->setCurrentWidget(form_.TabSheetResults);
}

void FormSearchSurface::ClearObjects()
{
    form_.ListBoxObjects->Items().Clear();
}

void FormSearchSurface::AddObjects(const util::StringList& names)
{
    // Sorted here, pacing the window's event processing, then appended in
    // order: the list box places each one at its end (its sorted place)
    // without sorting 100,000 names in one step.
    std::vector<SortKey> keys;
    keys.reserve(names.Count());
    for (const util::StringListEntry& entry : names) {
        keys.emplace_back(entry.text);
        if (keys.size() % 1024 == 0) {
            PumpIfDue();
        }
    }
    const std::vector<std::uint32_t> order = StableSortOrder(keys, [this] { PumpIfDue(); });
    keys.clear();
    StringListModel& items = form_.ListBoxObjects->Items();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const util::StringListEntry& entry = names.At(order[i]);
        items.Add(entry.text, entry.value);
        if (i % 256 == 255) {
            PumpIfDue();
        }
    }
}

std::size_t FormSearchSurface::ObjectCount() const
{
    return static_cast<std::size_t>(form_.ListBoxObjects->Items().Count());
}

std::string FormSearchSurface::ObjectAt(std::size_t index) const
{
    return form_.ListBoxObjects->Items().TextAt(static_cast<int>(index));
}

void FormSearchSurface::ClearValues()
{
    form_.ListBoxAttributes->Items().Clear();
}

void FormSearchSurface::AddValue(const std::string& value)
{
    form_.ListBoxAttributes->Items().Add(value);
}

void FormSearchSurface::ClearLog()
{
    form_.ListBoxLog->Items().Clear();
    form_.TreeGroups->ClearGroups();
}

void FormSearchSurface::AddDuplicate(const DuplicateEntry& entry)
{
    form_.ListBoxLog->Items().Add(entry.line);
}

void FormSearchSurface::SetStatusText(const std::string& text)
{
    statusText_ = text;
    statusPending_ = true;
    progressPending_ = false;
    // The last text of a run (empty) is shown at once; other texts at the
    // next pump.
    if (text.empty()) {
        ShowStatusText();
    }
}

void FormSearchSurface::ShowProgress(const std::string& name, const std::string& value)
{
    progressName_ = name;
    progressValue_ = value;
    progressPending_ = true;
    statusPending_ = false;
}

void FormSearchSurface::ShowStatusText()
{
    if (progressPending_) {
        form_.SetStatusText(util::Format("%s: %s", progressName_, progressValue_));
        progressPending_ = false;
    } else if (statusPending_) {
        form_.SetStatusText(statusText_);
        statusPending_ = false;
    }
}

AlertMode FormSearchSurface::Alert() const
{
    return form_.RadioGroupAlert->itemIndex() == 0 ? AlertMode::Popup : AlertMode::LogMessage;
}

util::MessageBoxButton FormSearchSurface::ShowMessage(util::MessageBoxKind kind, const std::string& text)
{
    // A box shows the run's state as it is: the status text first.
    ShowStatusText();
    return util::ShowMessageBox(kind, text);
}

void FormSearchSurface::ReportFailure(const std::string& text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        form_.ListBoxLog->Items().Add(text.substr(start, end - start));
        start = end + 1;
    }
    ShowMessage(util::MessageBoxKind::Warning, text);
}

void FormSearchSurface::ProcessPendingMessages()
{
    PumpIfDue();
}

bool FormSearchSurface::Closed() const
{
    return form_.SearchContext() == client::kNoContext;
}

void FormSearchSurface::RunningChanged(bool running)
{
    form_.BitBtnSearch->setEnabled(!running);
    form_.BitBtnStop->setEnabled(running);
    if (running) {
        stopRequested_ = false;
    } else {
        ShowCounts();
    }
    form_.ProgressBarRun->setVisible(running);
}

void FormSearchSurface::RunProgressed(const RunProgress& progress)
{
    const bool phaseChanged = progress.searching != progress_.searching;
    progress_ = progress;
    countsPending_ = true;
    // A new phase shows at once; counts within a phase at the next pump.
    if (phaseChanged) {
        ShowCounts();
    }
}

void FormSearchSurface::ShowCounts()
{
    if (!countsPending_) {
        return;
    }
    countsPending_ = false;
    form_.StatusCounts->setText(QString::fromStdString(std::to_string(progress_.objectsFound) + " objects found, " +
        std::to_string(progress_.valuesRead) + " values read"));
    QProgressBar& bar = *form_.ProgressBarRun;
    if (progress_.searching) {
        bar.setRange(0, 0); // busy: the total is not known yet
    } else {
        const int total = static_cast<int>(std::min<std::size_t>(progress_.objectsToRead, INT32_MAX));
        bar.setRange(0, total);
        bar.setValue(static_cast<int>(std::min<std::size_t>(progress_.valuesRead, INT32_MAX)));
    }
}

void RunFormSearch(TMainForm& form)
{
    // The Search button is disabled during a run; this also refuses a run
    // started some other way (a direct call of BitBtnSearchClick) while one
    // works on the same window.
    static std::set<const TMainForm*> running;
    if (!running.insert(&form).second) {
        return;
    }
    const auto done = qScopeGuard([&] { running.erase(&form); });
    FormSearchSurface surface(form);
    try {
        const SearchRunResult result = RunSearch(ReadSearchRunInputs(form), surface);
        if (result.outcome != SearchRunOutcome::AlreadyRunning && result.outcome != SearchRunOutcome::NoAttribute) {
            form.SetLastResult(result.lastResult);
        }
        if (!result.groups.empty()) {
            form.TreeGroups->ShowGroups(result.groups);
        }
    } catch (const std::exception& error) {
        // A window closed during the run shows nothing more.
        if (!surface.Closed()) {
            util::ShowMessageBox(util::MessageBoxKind::Error, error.what());
        }
    }
}

} // namespace veralith::app
