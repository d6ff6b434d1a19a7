#pragma once

// The command line's surface for the search run: plain lists in memory, the
// alert fixed to Log Message (no box is ever shown), messages written to a
// stream (standard error), no event processing.

#include "app/cli/progress_line.h"
#include "app/run/search_surface.h"

#include <cstdio>
#include <string>
#include <vector>

namespace veralith::app {

class CliSurface : public SearchSurface
{
public:
    // Messages go to messages (one line each); nullptr drops them. quiet
    // drops the informational ones ("No duplicates found") but never a
    // warning or an error.
    explicit CliSurface(std::FILE* messages, bool quiet = false)
        : m_messages(messages)
        , m_quiet(quiet)
    { }

    void ClearObjects() override { m_objects.clear(); }
    // Merges names into the sorted object list: a stable sort in the order of
    // util::CompareTextsForSorting (by SortKeys), equal names keeping their
    // order of arrival.
    void AddObjects(const util::StringList& names) override;
    std::size_t ObjectCount() const override { return m_objects.size(); }
    std::string ObjectAt(std::size_t index) const override { return m_objects.at(index); }

    void ClearValues() override { m_values.clear(); }
    void AddValue(const std::string& value) override { m_values.push_back(value); }

    void ClearLog() override { m_duplicates.clear(); }
    void AddDuplicate(const DuplicateEntry& entry) override { m_duplicates.push_back(entry); }

    void SetStatusText(const std::string&) override { }
    void ShowProgress(const std::string&, const std::string&) override { }
    AlertMode Alert() const override { return AlertMode::LogMessage; }
    // Keeps the text as the last message; writes it and a line break to the
    // message stream (not an informational one when quiet); answers Ok.
    // The guard ("Please select an attribute for comparison") is kept only:
    // the command reports it as its error.
    util::MessageBoxButton ShowMessage(util::MessageBoxKind kind, const std::string& text) override;
    const std::string& LastMessage() const { return m_lastMessage; }
    void ProcessPendingMessages() override { }
    // The run's progress goes to the progress line, when one is set.
    void RunProgressed(const RunProgress& progress) override;
    void RunningChanged(bool running) override;
    // Shows the run's progress on line (nullptr: none); line must outlive the
    // run.
    void SetProgressLine(ProgressLine* line) { m_progress = line; }
    // Kept for the command, which prints it after the result, as its error.
    void ReportFailure(const std::string& text) override { m_failure = text; }
    const std::string& Failure() const { return m_failure; }

    const std::vector<std::string>& Objects() const { return m_objects; }
    const std::vector<std::string>& Values() const { return m_values; }
    const std::vector<DuplicateEntry>& Duplicates() const { return m_duplicates; }
    std::vector<DuplicateEntry>& Duplicates() { return m_duplicates; }
    std::vector<std::string>& Objects() { return m_objects; }
    std::vector<std::string>& Values() { return m_values; }

private:
    std::FILE* m_messages;
    ProgressLine* m_progress = nullptr;
    std::vector<std::string> m_objects;
    std::vector<std::string> m_values;
    std::vector<DuplicateEntry> m_duplicates;
    std::string m_failure;
    std::string m_lastMessage;
    bool m_quiet = false;
};

} // namespace veralith::app
