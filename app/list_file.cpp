#include "app/list_file.h"

#include "app/qt_text.h"
#include "platform/safe_file.h"

#include <QDir>
#include <QFile>

namespace veralith::app {

util::Status WriteLinesToFile(const QString& path, const std::vector<std::string>& lines)
{
    std::string content;
    for (const std::string& line : lines) {
        content += line;
        content += "\r\n";
    }
    return platform::WriteFileSafely(QFile::encodeName(path).toStdString(), content)
        .WithPrefix("Cannot write file \"" + ToText(QDir::toNativeSeparators(path)) + "\": ");
}

} // namespace veralith::app
