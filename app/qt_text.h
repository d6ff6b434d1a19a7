#pragma once

// Texts cross between the program's 8-bit texts (std::string in the locale's
// character set, UTF-8 in practice) and Qt's strings only here.

#include <string>
#include <string_view>

#include <QString>

namespace veralith::app {

inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToText(const QString& text)
{
    return text.toStdString();
}

} // namespace veralith::app
