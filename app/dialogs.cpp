#include "app/dialogs.h"

#include "app/qt_text.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace veralith::app {

namespace {

// The arrow over a modal dialog, even while a long operation shows the
// hourglass; the hourglass comes back when the dialog closes.
class ArrowCursorScope
{
public:
    ArrowCursorScope() { QGuiApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursorScope() { QGuiApplication::restoreOverrideCursor(); }
    ArrowCursorScope(const ArrowCursorScope&) = delete;
    ArrowCursorScope& operator=(const ArrowCursorScope&) = delete;
};

} // namespace

util::MessageBoxButton QtDialogs::ShowMessageBox(
    QWidget* parent, util::MessageBoxKind kind, const QString& caption, const QString& text)
{
    ArrowCursorScope arrow;
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    QPushButton* abort = nullptr;
    switch (kind) {
    case util::MessageBoxKind::Information:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case util::MessageBoxKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        abort = box.addButton(QMessageBox::Abort);
        abort->setText(QStringLiteral("Abort"));
        break;
    case util::MessageBoxKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setDefaultButton(QMessageBox::Ok);
    // Escape and the title bar's close answer OK: only a click on Abort (or
    // its shortcut) aborts. Left alone, Qt would take Abort, a rejecting
    // button, for Escape.
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return abort != nullptr && box.clickedButton() == abort ? util::MessageBoxButton::Abort
                                                            : util::MessageBoxButton::Ok;
}

std::optional<QString> QtDialogs::ExecuteSaveDialog(QWidget* parent, const SaveDialogOptions& options)
{
    ArrowCursorScope arrow;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = options.filter.split(QStringLiteral(";;"));
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 1 && options.filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters.at(options.filterIndex - 1));
    }
    dialog.setDefaultSuffix(options.defaultExtension);
    dialog.selectFile(options.fileName);
    if (!options.confirmOverwrite) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

util::FeedbackHooks MakeFeedbackHooks(Dialogs& dialogs, QWidget* parent)
{
    util::FeedbackHooks hooks;
    hooks.processPendingMessages = [] { QCoreApplication::processEvents(); };
    hooks.currentCursor = [] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor != nullptr && cursor->shape() == Qt::WaitCursor ? util::kHourglassCursor : util::kDefaultCursor;
    };
    hooks.setCursor = [](util::CursorId id) {
        if (id == util::kHourglassCursor) {
            if (QGuiApplication::overrideCursor() == nullptr) {
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            } else {
                QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
            }
        } else {
            while (QGuiApplication::overrideCursor() != nullptr) {
                QGuiApplication::restoreOverrideCursor();
            }
        }
    };
    hooks.showMessageBox = [&dialogs, parent](
                               util::MessageBoxKind kind, const std::string& title, const std::string& text) {
        return dialogs.ShowMessageBox(parent, kind, ToQString(title), ToQString(text));
    };
    return hooks;
}

} // namespace veralith::app
