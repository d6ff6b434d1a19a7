#include "util/string_list.h"

#include "util/text.h"

namespace veralith::util {

std::size_t StringList::Add(std::string text, std::int32_t value)
{
    m_entries.push_back({std::move(text), value});
    return m_entries.size() - 1;
}

std::int32_t StringList::IndexOf(const std::string& text, bool caseSensitive) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const bool equal = caseSensitive ? m_entries[i].text == text : SameTextIgnoreCase(m_entries[i].text, text);
        if (equal) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void StringList::SetText(const std::string& text)
{
    m_entries.clear();
    for (std::string& line : SplitLines(text)) {
        m_entries.push_back({std::move(line), 0});
    }
}

std::string StringList::Text() const
{
    std::string text;
    for (const StringListEntry& entry : m_entries) {
        text += entry.text;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> StringList::Texts() const
{
    std::vector<std::string> texts;
    texts.reserve(m_entries.size());
    for (const StringListEntry& entry : m_entries) {
        texts.push_back(entry.text);
    }
    return texts;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

} // namespace veralith::util
