#pragma once

// The window's modal dialogs behind one interface: message boxes and the
// file-save dialog. The program uses QtDialogs; GUI tests install their own
// implementation that answers from a script and records what was asked, so
// nothing modal runs in a test.

#include "util/feedback.h"

#include <optional>

#include <QString>

class QWidget;

namespace veralith::app {

// What the save dialog is prepared with.
struct SaveDialogOptions
{
    // Qt filter text ("Text files (*.txt);;All files (*.*)").
    QString filter;
    // 1-based index of the filter selected at first.
    int filterIndex = 1;
    // Extension added to a chosen name that has none (without the dot).
    QString defaultExtension;
    // Initial file name.
    QString fileName;
    // Whether choosing an existing file asks before replacing it.
    bool confirmOverwrite = false;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Shows a modal message box with the caption and text; returns the button
    // pressed. Kind Warning offers "OK" and "Abort", the others "OK" alone;
    // Escape and closing the box answer OK.
    virtual util::MessageBoxButton ShowMessageBox(
        QWidget* parent, util::MessageBoxKind kind, const QString& caption, const QString& text) = 0;

    // Shows the file-save dialog; the chosen file's path, or nothing when the
    // user cancels.
    virtual std::optional<QString> ExecuteSaveDialog(QWidget* parent, const SaveDialogOptions& options) = 0;
};

// The real dialogs: QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs
{
public:
    util::MessageBoxButton ShowMessageBox(
        QWidget* parent, util::MessageBoxKind kind, const QString& caption, const QString& text) override;
    std::optional<QString> ExecuteSaveDialog(QWidget* parent, const SaveDialogOptions& options) override;
};

// The feedback hooks of the layers below the window, routed to Qt: pending
// messages to QCoreApplication::processEvents, the hourglass to an
// application override cursor, message boxes to dialogs (parented to
// parent, which may be null). The dialogs and the parent must outlive the
// installation.
util::FeedbackHooks MakeFeedbackHooks(Dialogs& dialogs, QWidget* parent);

} // namespace veralith::app
