#include "app/list_file.h"

#include "app/qt_text.h"

#include <QDir>
#include <QSaveFile>

namespace veralith::app {

bool WriteLinesToFile(const QString& path, const std::vector<std::string>& lines, std::string& error)
{
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    for (auto it = lines.begin(); ok && it != lines.end(); ++it) {
        ok = file.write(it->data(), static_cast<qint64>(it->size())) == static_cast<qint64>(it->size()) &&
            file.write("\r\n", 2) == 2;
    }
    if (ok && file.commit()) {
        return true;
    }
    // The reason first: cancelling replaces it with its own.
    error = "Cannot write file \"" + ToText(QDir::toNativeSeparators(path)) + "\": " + ToText(file.errorString());
    file.cancelWriting();
    return false;
}

} // namespace veralith::app
