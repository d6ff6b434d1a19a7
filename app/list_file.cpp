#include "app/list_file.h"

#include "app/qt_text.h"
#include "platform/safe_file.h"

#include <QDir>
#include <QFile>

namespace veralith::app {

bool WriteLinesToFile(const QString& path, const std::vector<std::string>& lines, std::string& error)
{
    std::string content;
    for (const std::string& line : lines) {
        content += line;
        content += "\r\n";
    }
    std::string reason;
    if (platform::WriteFileSafely(QFile::encodeName(path).toStdString(), content, reason)) {
        return true;
    }
    error = "Cannot write file \"" + ToText(QDir::toNativeSeparators(path)) + "\": " + reason;
    return false;
}

} // namespace veralith::app
