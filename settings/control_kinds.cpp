#include "settings/control_kinds.h"

#include "settings/radio_group.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>

namespace veralith::settings::detail {

std::string ControlName(const QWidget* control)
{
    const QString name = control->objectName();
    return name.startsWith(QLatin1String("qt_")) ? std::string() : name.toStdString();
}

bool IsStoredKind(const QWidget* control)
{
    return qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control) ||
        qobject_cast<const QSpinBox*>(control) || qobject_cast<const RadioGroup*>(control) ||
        qobject_cast<const QSlider*>(control) || qobject_cast<const QCheckBox*>(control) ||
        qobject_cast<const QListWidget*>(control) || qobject_cast<const QPlainTextEdit*>(control) ||
        qobject_cast<const QTableWidget*>(control);
}

QList<QWidget*> WalkedChildren(const QWidget* control)
{
    QList<QWidget*> result;
    for (QObject* child : control->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && !widget->isWindow()) {
            result << widget;
        }
    }
    return result;
}

std::vector<std::string> MemoLines(const QPlainTextEdit* memo)
{
    QString text = memo->toPlainText();
    if (text.isEmpty()) {
        return {};
    }
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return ToStd(text.split(QLatin1Char('\n')));
}

void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines)
{
    memo->setPlainText(ToQt(lines).join(QLatin1Char('\n')));
}

std::vector<std::string> ToStd(const QStringList& list)
{
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& s : list) {
        result.push_back(s.toStdString());
    }
    return result;
}

QStringList ToQt(const std::vector<std::string>& list)
{
    QStringList result;
    for (const std::string& s : list) {
        result << QString::fromStdString(s);
    }
    return result;
}

std::string CellKey(int column, int row)
{
    return "Cell." + std::to_string(column) + "." + std::to_string(row);
}

} // namespace veralith::settings::detail
