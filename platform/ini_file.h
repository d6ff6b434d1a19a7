#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace veralith::platform {

// Raised by the INI file service when a change cannot be taken to disk or when a
// section, key or value cannot be stored in the INI format. The message names the
// file (or the offending name) and the reason.
class IniFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One key line of a section as ReadSectionValues gives it.
struct IniEntry
{
    std::string key;
    std::string value; // enclosing quotes removed as by IniFile::ReadString
    bool hasEquals = true; // false for a line without "=" (its whole text is the key)
};

// The system-wide configuration directory: the value of VERALITH_SYSTEM_DIR when it
// is set and not empty, otherwise "/etc". Never ends in "/" unless it is "/".
std::string SystemConfigDir();

// The path the INI service uses for a file name: a name without any "/" (a bare
// name) is placed in SystemConfigDir(); any other name is used as it stands.
std::string ResolveProfilePath(const std::string& fileName);

// Parses an INI integer: optional blanks around, an optional sign, then decimal
// digits, or hexadecimal digits after "0x", "0X" or "$". Hexadecimal values of up
// to 8 digits take the 32-bit two's-complement value ("$FFFFFFFF" is -1); decimal
// values must lie within the 32-bit signed range. Returns false (and leaves
// `result` alone) for anything else, including an empty text.
bool ParseProfileInt(const std::string& text, int& result);

// One INI file, in the manner of a private-profile service.
//
// Format: "[section]" header lines, each followed by "key=value" lines. Section and
// key names compare without regard to ASCII letter case; blanks and tabs around
// names and values are not part of them. Lines before the first section, lines
// beginning with ";" or "#", blank lines and lines the parser does not understand
// are kept as they stand when the file is rewritten; a line inside a section that
// has no "=" counts as a key with an empty value. When a section occurs twice, the
// first occurrence is the one read and changed. A UTF-8 byte order mark at the
// start of the file is skipped.
//
// The file is read once when the object is created (a missing or unreadable file
// reads as empty). Reads answer from that copy; every change is applied to the copy
// and written through to disk at once by WriteFileSafely (safe_file.h): the whole
// file goes to a temporary file in the same directory, which is flushed and then
// renamed over the file, so a crash leaves either the old or the new file, never a
// half-written one; a linked settings file is written through its link and keeps
// its mode (and owner when written by root).
// A change that alters nothing does not touch the disk. A change that cannot be
// written raises IniFileError and leaves the in-memory copy as it was.
class IniFile
{
public:
    // `fileName` as given to the service; see ResolveProfilePath for where it lives.
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return m_fileName; }
    // The resolved path on disk.
    const std::string& Path() const { return m_path; }

    // The value stored under key in section, with one pair of enclosing quotes
    // (double or single, the same at both ends) removed; `defaultValue` when the
    // section or key is absent.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // The value parsed by ParseProfileInt; `defaultValue` when absent or not an integer.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // True when the stored integer (read with the default 1 or 0) is not 0.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Stores value under key in section: replaces the key's line where the key
    // exists, otherwise appends the key to the section, appending the section at the
    // end of the file when it is missing. The value is written as it stands.
    // Raises IniFileError when the section name is empty or holds "]", a line break
    // or NUL; when the key is empty, begins with "[", ";" or "#", or holds "=", a
    // line break or NUL; when the value holds a line break or NUL; or when the file
    // cannot be written.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Writes the integer in decimal.
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Writes "1" for true and "0" for false.
    void WriteBool(const std::string& section, const std::string& key, bool value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Names of all sections, in file order.
    std::vector<std::string> ReadSections() const;
    // Key names of the section in file order; empty when the section is missing.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // Every key line of the section, in file order; empty when the section is missing.
    std::vector<IniEntry> ReadSectionValues(const std::string& section) const;

    // Removes the key's line. When the section is left without any line, its header
    // goes too. Nothing happens when the key is absent. Raises IniFileError when
    // the file cannot be written.
    void DeleteKey(const std::string& section, const std::string& key);
    // Removes the section header and all its lines. Nothing happens when the section
    // is absent. Raises IniFileError when the file cannot be written.
    void EraseSection(const std::string& section);

    // Every change is already on disk when it returns; kept so that callers can
    // state where they need the file flushed.
    void UpdateFile() { }

private:
    enum class LineKind { Other, Section, Key };
    struct Line
    {
        std::string text; // the line as it stands in the file
        LineKind kind = LineKind::Other;
        std::string name; // section or key name, trimmed
        std::string value; // raw value, trimmed (keys only)
        bool hasEquals = false;
    };

    void Load();
    void Save(const std::vector<Line>& lines) const;
    // Index of the section's header line, or -1.
    long FindSection(const std::string& section) const;
    // Index one past the last line that belongs to the section starting at `header`.
    std::size_t SectionEnd(std::size_t header) const;
    long FindKey(const std::string& section, const std::string& key) const;

    std::string m_fileName;
    std::string m_path;
    std::vector<Line> m_lines;
};

} // namespace veralith::platform
