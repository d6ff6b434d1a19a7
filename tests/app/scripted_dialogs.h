#pragma once

// A Dialogs implementation for GUI tests: answers message boxes and the save
// dialog from a script and records what the window asked, so nothing modal
// runs.

#include "app/dialogs.h"

#include <deque>
#include <optional>
#include <vector>

#include <QString>

namespace veralith::app::testing {

struct ShownMessage
{
    util::MessageBoxKind kind;
    QString caption;
    QString text;
};

class ScriptedDialogs final : public Dialogs
{
public:
    // Answers for the next message boxes, in order; Ok when the script is empty.
    void SetNextAnswer(util::MessageBoxButton answer) { m_answers.push_back(answer); }
    // The file the next save dialog returns; std::nullopt cancels it. A dialog
    // with no scripted answer is cancelled.
    void SetNextSaveFile(std::optional<QString> fileName) { m_files.push_back(std::move(fileName)); }

    const std::vector<ShownMessage>& Messages() const { return m_messages; }
    const std::vector<SaveDialogOptions>& SaveDialogs() const { return m_saveDialogs; }
    void Forget()
    {
        m_messages.clear();
        m_saveDialogs.clear();
    }

    util::MessageBoxButton ShowMessageBox(
        QWidget*, util::MessageBoxKind kind, const QString& caption, const QString& text) override
    {
        m_messages.push_back({kind, caption, text});
        if (m_answers.empty()) {
            return util::MessageBoxButton::Ok;
        }
        const util::MessageBoxButton answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    std::optional<QString> ExecuteSaveDialog(QWidget*, const SaveDialogOptions& options) override
    {
        m_saveDialogs.push_back(options);
        if (m_files.empty()) {
            return std::nullopt;
        }
        std::optional<QString> file = m_files.front();
        m_files.pop_front();
        return file;
    }

private:
    std::deque<util::MessageBoxButton> m_answers;
    std::deque<std::optional<QString>> m_files;
    std::vector<ShownMessage> m_messages;
    std::vector<SaveDialogOptions> m_saveDialogs;
};

} // namespace veralith::app::testing
