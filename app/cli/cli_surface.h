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
        : messages_(messages)
        , quiet_(quiet)
    { }

    void ClearObjects() override { objects_.clear(); }
    // Merges names into the sorted object list: a stable sort in the order of
    // util::CompareTextsForSorting (by SortKeys), equal names keeping their
    // order of arrival.
    void AddObjects(const util::StringList& names) override;
    std::size_t ObjectCount() const override { return objects_.size(); }
    std::string ObjectAt(std::size_t index) const override { return objects_.at(index); }

    void ClearValues() override { values_.clear(); }
    void AddValue(const std::string& value) override { values_.push_back(value); }

    void ClearLog() override { duplicates_.clear(); }
    void AddDuplicate(const DuplicateEntry& entry) override { duplicates_.push_back(entry); }

    void SetStatusText(const std::string&) override { }
    void ShowProgress(const std::string&, const std::string&) override { }
    AlertMode Alert() const override { return AlertMode::LogMessage; }
    // Keeps the text as the last message; writes it and a line break to the
    // message stream (not an informational one when quiet); answers Ok.
    // The guard ("Please select an attribute for comparison") is kept only:
    // the command reports it as its error.
    util::MessageBoxButton ShowMessage(util::MessageBoxKind kind, const std::string& text) override;
    const std::string& LastMessage() const { return lastMessage_; }
    void ProcessPendingMessages() override { }
    // The run's progress goes to the progress line, when one is set.
    void RunProgressed(const RunProgress& progress) override;
    void RunningChanged(bool running) override;
    // Shows the run's progress on line (nullptr: none); line must outlive the
    // run.
    void SetProgressLine(ProgressLine* line) { progress_ = line; }
    // Kept for the command, which prints it after the result, as its error.
    void ReportFailure(const std::string& text) override { failure_ = text; }
    const std::string& Failure() const { return failure_; }

    const std::vector<std::string>& Objects() const { return objects_; }
    const std::vector<std::string>& Values() const { return values_; }
    const std::vector<DuplicateEntry>& Duplicates() const { return duplicates_; }
    std::vector<DuplicateEntry>& Duplicates() { return duplicates_; }
    std::vector<std::string>& Objects() { return objects_; }
    std::vector<std::string>& Values() { return values_; }

private:
    std::FILE* messages_;
    ProgressLine* progress_ = nullptr;
    std::vector<std::string> objects_;
    std::vector<std::string> values_;
    std::vector<DuplicateEntry> duplicates_;
    std::string failure_;
    std::string lastMessage_;
    bool quiet_ = false;
};

} // namespace veralith::app
