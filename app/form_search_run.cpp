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
    inputs.mode = CheckModeFromIndex(form.RadioGroupAttributeCheck->ItemIndex());
    inputs.recurse = form.CheckBoxRecurse->isChecked();
    inputs.searchContext = form.SearchContext();
    inputs.containerName = form.CurrentContainer();
    inputs.compare = ReadCompareOptions(form);
    return inputs;
}

FormSearchSurface::FormSearchSurface(TMainForm& form)
    : m_form(form)
    , m_windowHooks(util::SetFeedbackHooks({}))
{
    m_sincePump.start();
    // The layers below (the search before every object it names) ask for
    // event processing as often as the run does: they get the same pace.
    util::FeedbackHooks paced = m_windowHooks;
    paced.processPendingMessages = [this] { PumpIfDue(); };
    // A window closed during the run shows no more boxes: the layers below
    // (an error per object name the search cannot read once the window's
    // contexts are gone) speak to a window that is not there.
    if (m_windowHooks.showMessageBox) {
        paced.showMessageBox = [this](util::MessageBoxKind kind, const std::string& title, const std::string& text) {
            return Closed() ? util::MessageBoxButton::Ok : m_windowHooks.showMessageBox(kind, title, text);
        };
    }
    util::SetFeedbackHooks(std::move(paced));
    m_stopConnection = QObject::connect(m_form.BitBtnStop, &QPushButton::clicked, [this] { m_stopRequested = true; });
}

FormSearchSurface::~FormSearchSurface()
{
    QObject::disconnect(m_stopConnection);
    util::SetFeedbackHooks(std::move(m_windowHooks));
}

void FormSearchSurface::PumpIfDue()
{
    if (m_sincePump.elapsed() < kPumpInterval) {
        return;
    }
    ShowStatusText();
    ShowCounts();
    if (m_windowHooks.processPendingMessages) {
        m_windowHooks.processPendingMessages();
    }
    m_sincePump.restart();
}

void FormSearchSurface::ShowResults()
{
    m_form.PageControl->setCurrentWidget(m_form.TabSheetResults);
}

void FormSearchSurface::ClearObjects()
{
    m_form.ListBoxObjects->Items().Clear();
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
    StringListModel& items = m_form.ListBoxObjects->Items();
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
    return static_cast<std::size_t>(m_form.ListBoxObjects->Items().Count());
}

std::string FormSearchSurface::ObjectAt(std::size_t index) const
{
    return m_form.ListBoxObjects->Items().TextAt(static_cast<int>(index));
}

void FormSearchSurface::ClearValues()
{
    m_form.ListBoxAttributes->Items().Clear();
}

void FormSearchSurface::AddValue(const std::string& value)
{
    m_form.ListBoxAttributes->Items().Add(value);
}

void FormSearchSurface::ClearLog()
{
    m_form.ListBoxLog->Items().Clear();
    m_form.TreeGroups->ClearGroups();
}

void FormSearchSurface::AddDuplicate(const DuplicateEntry& entry)
{
    m_form.ListBoxLog->Items().Add(entry.line);
}

void FormSearchSurface::SetStatusText(const std::string& text)
{
    m_statusText = text;
    m_statusPending = true;
    m_progressPending = false;
    // The last text of a run (empty) is shown at once; other texts at the
    // next pump.
    if (text.empty()) {
        ShowStatusText();
    }
}

void FormSearchSurface::ShowProgress(const std::string& name, const std::string& value)
{
    m_progressName = name;
    m_progressValue = value;
    m_progressPending = true;
    m_statusPending = false;
}

void FormSearchSurface::ShowStatusText()
{
    if (m_progressPending) {
        m_form.SetStatusText(util::Format("%s: %s", m_progressName, m_progressValue));
        m_progressPending = false;
    } else if (m_statusPending) {
        m_form.SetStatusText(m_statusText);
        m_statusPending = false;
    }
}

AlertMode FormSearchSurface::Alert() const
{
    return m_form.RadioGroupAlert->ItemIndex() == 0 ? AlertMode::Popup : AlertMode::LogMessage;
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
        m_form.ListBoxLog->Items().Add(text.substr(start, end - start));
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
    return m_form.SearchContext() == client::kNoContext;
}

void FormSearchSurface::RunningChanged(bool running)
{
    m_form.BitBtnSearch->setEnabled(!running);
    m_form.BitBtnStop->setEnabled(running);
    if (running) {
        m_stopRequested = false;
    } else {
        ShowCounts();
    }
    m_form.ProgressBarRun->setVisible(running);
}

void FormSearchSurface::RunProgressed(const RunProgress& progress)
{
    const bool phaseChanged = progress.searching != m_progress.searching;
    m_progress = progress;
    m_countsPending = true;
    // A new phase shows at once; counts within a phase at the next pump.
    if (phaseChanged) {
        ShowCounts();
    }
}

void FormSearchSurface::ShowCounts()
{
    if (!m_countsPending) {
        return;
    }
    m_countsPending = false;
    m_form.StatusCounts->setText(QString::fromStdString(std::to_string(m_progress.objectsFound) + " objects found, " +
        std::to_string(m_progress.valuesRead) + " values read"));
    QProgressBar& bar = *m_form.ProgressBarRun;
    if (m_progress.searching) {
        bar.setRange(0, 0); // busy: the total is not known yet
    } else {
        const int total = static_cast<int>(std::min<std::size_t>(m_progress.objectsToRead, INT32_MAX));
        bar.setRange(0, total);
        bar.setValue(static_cast<int>(std::min<std::size_t>(m_progress.valuesRead, INT32_MAX)));
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
