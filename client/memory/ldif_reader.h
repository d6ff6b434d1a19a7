#pragma once

// Reads LDIF (RFC 2849) record by record: an optional "version: 1" line,
// comments ("#" lines, folded or not), folded lines (a line that begins
// with one blank continues the one before), values written as they are
// ("cn: Ann"), in base64 ("cn:: QW5u") and attribute options
// ("cn;lang-de: Anna"). Records are entries, or change records that add an
// entry ("changetype: add", controls before it are passed over). Other
// change records and values given by URL ("jpegPhoto:< file:///...") are
// refused: the file is read as the directory it describes, and reads no
// file but itself. Line ends are LF or CR LF. Values may hold any byte but
// NUL, CR and LF when written as they are (UTF-8 is taken as it comes);
// base64 values any byte.
//
// Every fault stops the reading with one message naming the file, the line
// and the fault ("people.ldif:12: ..."). Nothing is read past the text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::memory {

struct LdifValue
{
    std::string description; // as written, options included ("cn;lang-de")
    std::string value; // decoded bytes
    std::size_t line = 0; // first line of the value
};

struct LdifRecord
{
    std::string dn; // decoded, as written
    std::size_t line = 0; // line of "dn:"
    std::vector<LdifValue> values; // in file order
};

class LdifReader
{
public:
    // text must outlive the reader; fileName is only used in messages.
    LdifReader(std::string_view text, std::string fileName);

    // Reads the next record into *record. Returns false on a fault (the
    // message in error()); sets *done (and returns true) past the last one.
    bool Next(LdifRecord* record, bool* done);
    const std::string& Error() const { return m_error; }

private:
    // The next logical line (folds joined) into m_line and its first line
    // number into m_lineNumber; false at the end of the text. Blank lines
    // come back empty; comments are passed over.
    bool NextLine();
    bool Fail(std::size_t line, const std::string& what);
    // Splits "description: value" (or "::" base64) into its parts.
    bool ParseSpec(std::string* description, std::string* value);

    std::string_view m_text;
    std::string m_file;
    std::size_t m_pos = 0;
    std::size_t m_physical = 0; // lines read so far
    std::string m_line;
    std::size_t m_lineNumber = 0;
    bool m_started = false; // past the version line
    std::string m_error;
};

// True for a valid attribute description: a name (a letter, then letters,
// digits and hyphens) or a numeric OID, then options (";" and letters,
// digits and hyphens).
bool IsAttributeDescription(std::string_view text);

// Encodes bytes in standard base64 with padding.
std::string EncodeBase64(std::string_view bytes);

} // namespace veralith::client::memory
