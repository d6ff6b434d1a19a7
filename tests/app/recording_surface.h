#pragma once

// A search surface for tests: records every list, status text and message,
// and answers warning boxes from a script.

#include "app/run/search_surface.h"
#include "util/collate.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace veralith::app {

struct RecordedMessage
{
    util::MessageBoxKind kind;
    std::string text;
};

class RecordingSurface : public SearchSurface
{
public:
    void ShowResults() override { ++resultsShown; }
    void ClearObjects() override { objects.clear(); }
    void AddObjects(const util::StringList& names) override
    {
        for (const util::StringListEntry& entry : names) {
            const auto place = std::upper_bound(objects.begin(), objects.end(), entry.text, util::TextSortLess());
            objects.insert(place, entry.text);
        }
    }
    std::size_t ObjectCount() const override { return objects.size(); }
    std::string ObjectAt(std::size_t index) const override { return objects.at(index); }
    void ClearValues() override { values.clear(); }
    void AddValue(const std::string& value) override { values.push_back(value); }
    void ClearLog() override { log.clear(); }
    void AddDuplicate(const DuplicateEntry& entry) override
    {
        log.push_back(entry.line);
        duplicates.push_back(entry);
    }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    AlertMode Alert() const override { return alert; }
    util::MessageBoxButton ShowMessage(util::MessageBoxKind kind, const std::string& text) override
    {
        messages.push_back({kind, text});
        if (onMessage) {
            onMessage(*this, kind);
        }
        if (kind == util::MessageBoxKind::Warning && !answers.empty()) {
            const util::MessageBoxButton answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return util::MessageBoxButton::Ok;
    }
    void ProcessPendingMessages() override
    {
        ++pendingMessagesProcessed;
        if (onPendingMessages) {
            onPendingMessages(*this);
        }
    }
    void RunningChanged(bool running) override { runningChanges.push_back(running); }
    bool Closed() const override { return closed; }

    std::vector<std::string> TextsOf(util::MessageBoxKind kind) const
    {
        std::vector<std::string> texts;
        for (const RecordedMessage& message : messages) {
            if (message.kind == kind) {
                texts.push_back(message.text);
            }
        }
        return texts;
    }

    std::vector<std::string> objects;
    std::vector<std::string> values;
    std::vector<std::string> log;
    std::vector<DuplicateEntry> duplicates;
    std::vector<std::string> statusTexts;
    std::vector<RecordedMessage> messages;
    std::vector<bool> runningChanges;
    int resultsShown = 0;
    int pendingMessagesProcessed = 0;
    AlertMode alert = AlertMode::LogMessage;
    bool closed = false;
    // Answers for warning boxes, in order; Ok when exhausted.
    std::deque<util::MessageBoxButton> answers;
    // Called after a message is recorded (to change the alert during a run).
    std::function<void(RecordingSurface&, util::MessageBoxKind)> onMessage;
    // Called whenever the run lets pending messages be processed.
    std::function<void(RecordingSurface&)> onPendingMessages;
};

} // namespace veralith::app
