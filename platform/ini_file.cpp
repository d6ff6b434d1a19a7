#include "platform/ini_file.h"

#include "platform/safe_file.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veralith::platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) {
        ++b;
    }
    while (e > b && IsBlank(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

bool HasAny(const std::string& s, const char* chars)
{
    return s.find_first_of(chars, 0, 3) != std::string::npos;
}

// "\r", "\n" and NUL: none of them can stand inside one INI line.
bool HasLineBreak(const std::string& s)
{
    return HasAny(s, "\r\n\0");
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = FoldAscii(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

std::string SystemConfigDir()
{
    const char* dir = std::getenv("VERALITH_SYSTEM_DIR");
    std::string result = (dir != nullptr && *dir != '\0') ? std::string(dir) : std::string("/etc");
    while (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    return result;
}

std::string ResolveProfilePath(const std::string& fileName)
{
    if (fileName.find('/') != std::string::npos) {
        return fileName;
    }
    std::string dir = SystemConfigDir();
    return dir == "/" ? dir + fileName : dir + "/" + fileName;
}

bool ParseProfileInt(const std::string& text, int& result)
{
    const std::string s = Trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) {
        return false;
    }
    std::int64_t value = 0;
    if (hex) {
        if (s.size() - i > 8) {
            return false;
        }
        std::uint32_t u = 0;
        for (; i < s.size(); ++i) {
            const int d = HexDigit(s[i]);
            if (d < 0) {
                return false;
            }
            u = (u << 4) | static_cast<std::uint32_t>(d);
        }
        value = static_cast<std::int32_t>(u);
    } else {
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') {
                return false;
            }
            value = value * 10 + (s[i] - '0');
            if (value > 2147483648LL) {
                return false;
            }
        }
        if (!negative && value > 2147483647LL) {
            return false;
        }
    }
    result = static_cast<int>(negative ? -value : value);
    return true;
}

IniFile::IniFile(std::string fileName)
    : m_fileName(std::move(fileName))
    , m_path(ResolveProfilePath(m_fileName))
{
    Load();
}

void IniFile::Load()
{
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        return;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string content = buffer.str();

    bool inSection = false;
    std::size_t pos = 0;
    // A file saved by an editor that marks UTF-8 files: the mark is not part of
    // the first line (and is not written back). Every leading mark goes, so a
    // rewrite, which drops them, reads back the same lines.
    while (content.compare(pos, 3, "\xEF\xBB\xBF") == 0) {
        pos += 3;
    }
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string::npos) {
            end = content.size();
        }
        Line line;
        line.text = content.substr(pos, end - pos);
        // CR before the LF belongs to the line break, however many there are: a
        // value never holds one, and a rewrite must read back the same.
        while (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
        }
        pos = end + 1;

        const std::string t = Trim(line.text);
        if (!t.empty() && t.front() == '[') {
            const std::size_t close = t.find(']');
            line.kind = LineKind::Section;
            line.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = true;
        } else if (inSection && !t.empty() && t.front() != ';' && t.front() != '#') {
            const std::size_t eq = t.find('=');
            line.kind = LineKind::Key;
            line.name = Trim(t.substr(0, eq));
            line.value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
            line.hasEquals = eq != std::string::npos;
        }
        m_lines.push_back(std::move(line));
    }
}

void IniFile::Save(const std::vector<Line>& lines) const
{
    std::string content;
    for (const Line& line : lines) {
        content += line.text;
        content += '\n';
    }

    if (const util::Status written = WriteFileSafely(m_path, content); !written) {
        throw IniFileError("Unable to write to " + m_path + ": " + written.Reason());
    }
}

long IniFile::FindSection(const std::string& section) const
{
    const std::string name = Trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == LineKind::Section && SameName(m_lines[i].name, name)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::size_t IniFile::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != LineKind::Section) {
        ++i;
    }
    return i;
}

long IniFile::FindKey(const std::string& section, const std::string& key) const
{
    const long header = FindSection(section);
    if (header < 0) {
        return -1;
    }
    const std::string name = Trim(key);
    const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && SameName(m_lines[i].name, name)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::string IniFile::ReadString(
    const std::string& section, const std::string& key, const std::string& defaultValue) const
{
    const long i = FindKey(section, key);
    return i < 0 ? defaultValue : Unquote(m_lines[static_cast<std::size_t>(i)].value);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const
{
    const long i = FindKey(section, key);
    int result = defaultValue;
    if (i >= 0) {
        ParseProfileInt(Unquote(m_lines[static_cast<std::size_t>(i)].value), result);
    }
    return result;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string sectionName = Trim(section);
    const std::string keyName = Trim(key);
    if (sectionName.empty() || HasLineBreak(sectionName) || sectionName.find(']') != std::string::npos) {
        throw IniFileError("Invalid INI section name \"" + section + "\" for " + m_path);
    }
    if (keyName.empty() || HasLineBreak(keyName) || keyName.find('=') != std::string::npos || keyName.front() == '[' ||
        keyName.front() == ';' || keyName.front() == '#') {
        throw IniFileError("Invalid INI key name \"" + key + "\" in section [" + sectionName + "] of " + m_path);
    }
    if (HasLineBreak(value)) {
        throw IniFileError("Line break in the value of " + keyName + " in section [" + sectionName + "] of " + m_path);
    }

    std::vector<Line> lines = m_lines;
    Line entry;
    entry.kind = LineKind::Key;
    entry.name = keyName;
    entry.value = Trim(value);
    entry.hasEquals = true;
    const long existing = FindKey(sectionName, keyName);
    if (existing >= 0) {
        Line& old = lines[static_cast<std::size_t>(existing)];
        entry.name = old.name;
        entry.text = old.name + "=" + value;
        if (old.text == entry.text) {
            return;
        }
        old = entry;
    } else {
        entry.text = keyName + "=" + value;
        const long header = FindSection(sectionName);
        if (header < 0) {
            Line head;
            head.kind = LineKind::Section;
            head.name = sectionName;
            head.text = "[" + sectionName + "]";
            lines.push_back(head);
            lines.push_back(entry);
        } else {
            // After the section's last key line, so that comments and blank lines
            // that separate it from the next section stay where they are.
            std::size_t at = static_cast<std::size_t>(header) + 1;
            const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
            for (std::size_t i = at; i < end; ++i) {
                if (lines[i].kind == LineKind::Key) {
                    at = i + 1;
                }
            }
            lines.insert(lines.begin() + static_cast<long>(at), entry);
        }
    }
    Save(lines);
    m_lines = std::move(lines);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const
{
    return FindSection(section) >= 0;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const
{
    return FindKey(section, key) >= 0;
}

std::vector<std::string> IniFile::ReadSections() const
{
    std::vector<std::string> result;
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::Section) {
            result.push_back(line.name);
        }
    }
    return result;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> result;
    for (const IniEntry& entry : ReadSectionValues(section)) {
        result.push_back(entry.key);
    }
    return result;
}

std::vector<IniEntry> IniFile::ReadSectionValues(const std::string& section) const
{
    std::vector<IniEntry> result;
    const long header = FindSection(section);
    if (header < 0) {
        return result;
    }
    const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key) {
            result.push_back(IniEntry {m_lines[i].name, Unquote(m_lines[i].value), m_lines[i].hasEquals});
        }
    }
    return result;
}

void IniFile::DeleteKey(const std::string& section, const std::string& key)
{
    const long i = FindKey(section, key);
    if (i < 0) {
        return;
    }
    std::vector<Line> lines = m_lines;
    const std::size_t header = static_cast<std::size_t>(FindSection(section));
    lines.erase(lines.begin() + i);
    if (SectionEnd(header) == header + 2) {
        lines.erase(lines.begin() + static_cast<long>(header));
    }
    Save(lines);
    m_lines = std::move(lines);
}

void IniFile::EraseSection(const std::string& section)
{
    const long header = FindSection(section);
    if (header < 0) {
        return;
    }
    std::vector<Line> lines = m_lines;
    const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
    lines.erase(lines.begin() + header, lines.begin() + static_cast<long>(end));
    Save(lines);
    m_lines = std::move(lines);
}

} // namespace veralith::platform
