#include "app/form_search_run.h"

#include "app/main_form.h"
#include "settings/radio_group.h"
#include "util/feedback.h"

#include <exception>
#include <set>

#include <QCheckBox>
#include <QCoreApplication>
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
    return inputs;
}

FormSearchSurface::FormSearchSurface(TMainForm& form)
    : form_(form)
{
    sincePump_.start();
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
    form_.ListBoxObjects->Items().AddAll(names);
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
}

void FormSearchSurface::AddDuplicate(const DuplicateEntry& entry)
{
    form_.ListBoxLog->Items().Add(entry.line);
}

void FormSearchSurface::SetStatusText(const std::string& text)
{
    statusText_ = text;
    statusPending_ = true;
    // The last text of a run (empty) and texts between pumps are shown at once
    // when no pump is due; otherwise the next pump shows the latest text.
    if (text.empty()) {
        ShowStatusText();
    }
}

void FormSearchSurface::ShowStatusText()
{
    if (statusPending_) {
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

void FormSearchSurface::ProcessPendingMessages()
{
    if (sincePump_.elapsed() < kPumpInterval) {
        return;
    }
    ShowStatusText();
    util::ProcessPendingMessages();
    sincePump_.restart();
}

void FormSearchSurface::RunningChanged(bool running)
{
    form_.BitBtnSearch->setEnabled(!running);
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
    } catch (const std::exception& error) {
        util::ShowMessageBox(util::MessageBoxKind::Error, error.what());
    }
}

} // namespace veralith::app
