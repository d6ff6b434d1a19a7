#include "client/memory/ldif_reader.h"

#include "client/memory/tree_values.h"
#include "client/schema.h"

#include <cctype>

namespace veralith::client::memory {

namespace {

bool IsKeyChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
}

// The text of a line for a message: at most 40 bytes, in quotes.
std::string Shown(std::string_view text)
{
    std::string out = "\"";
    out.append(text.substr(0, 40));
    if (text.size() > 40) {
        out += "...";
    }
    return out + "\"";
}

} // namespace

bool IsAttributeDescription(std::string_view text)
{
    const std::size_t semi = text.find(';');
    const std::string_view type = text.substr(0, semi);
    if (type.empty()) {
        return false;
    }
    if (std::isdigit(static_cast<unsigned char>(type.front())) != 0) {
        // A numeric OID: digits separated by single dots.
        bool lastDot = true;
        for (char c : type) {
            if (c == '.') {
                if (lastDot) {
                    return false;
                }
                lastDot = true;
            } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
                lastDot = false;
            } else {
                return false;
            }
        }
        if (lastDot) {
            return false;
        }
    } else {
        if (std::isalpha(static_cast<unsigned char>(type.front())) == 0) {
            return false;
        }
        for (char c : type) {
            if (!IsKeyChar(c)) {
                return false;
            }
        }
    }
    if (semi == std::string_view::npos) {
        return true;
    }
    std::string_view options = text.substr(semi + 1);
    while (true) {
        const std::size_t next = options.find(';');
        const std::string_view option = options.substr(0, next);
        if (option.empty()) {
            return false;
        }
        for (char c : option) {
            if (!IsKeyChar(c)) {
                return false;
            }
        }
        if (next == std::string_view::npos) {
            return true;
        }
        options.remove_prefix(next + 1);
    }
}

std::string EncodeBase64(std::string_view bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (left > 1) {
            n |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        if (left > 2) {
            n |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += left > 1 ? kDigits[(n >> 6) & 63] : '=';
        out += left > 2 ? kDigits[n & 63] : '=';
    }
    return out;
}

LdifReader::LdifReader(std::string_view text, std::string fileName)
    : m_text(text)
    , m_file(std::move(fileName))
{
    if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
        m_text.remove_prefix(3); // a byte order mark some editors write
    }
}

bool LdifReader::Fail(std::size_t line, const std::string& what)
{
    m_error = m_file + ":" + std::to_string(line) + ": " + what;
    return false;
}

bool LdifReader::NextLine()
{
    m_line.clear();
    bool comment = false;
    bool have = false;
    while (m_pos < m_text.size()) {
        // One physical line, without its LF (or CR LF).
        const std::size_t end = m_text.find('\n', m_pos);
        const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
        std::string_view physical = m_text.substr(m_pos, stop - m_pos);
        if (!physical.empty() && physical.back() == '\r') {
            physical.remove_suffix(1);
        }
        const bool continuation = !physical.empty() && physical.front() == ' ';
        if (have && !continuation) {
            break; // the line after a logical line is left for the next call
        }
        m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
        ++m_physical;
        if (!have) {
            m_lineNumber = m_physical;
            if (physical.empty()) {
                return true; // a blank line
            }
            if (continuation) {
                // Nothing before it to continue: taken as it stands, and
                // refused where a record needs a spec.
                m_line.assign(physical);
                have = true;
                continue;
            }
            if (physical.front() == '#') {
                comment = true;
                have = true;
                continue;
            }
            m_line.assign(physical);
            have = true;
            continue;
        }
        if (!comment) {
            m_line.append(physical.substr(1));
        }
    }
    if (comment) {
        // A comment (and its folds) is passed over: read on.
        return NextLine();
    }
    return have;
}

bool LdifReader::ParseSpec(std::string* description, std::string* value)
{
    if (m_line.front() == ' ') {
        return Fail(m_lineNumber, "a folded line continues nothing");
    }
    const std::size_t colon = m_line.find(':');
    if (colon == std::string::npos) {
        return Fail(m_lineNumber, "expected \"name: value\", found " + Shown(m_line));
    }
    *description = m_line.substr(0, colon);
    if (!IsAttributeDescription(*description)) {
        return Fail(m_lineNumber, Shown(*description) + " is not an attribute name");
    }
    std::string_view rest = std::string_view(m_line).substr(colon + 1);
    if (!rest.empty() && rest.front() == '<') {
        return Fail(
            m_lineNumber, "the value of " + Shown(*description) + " is given by URL; values from URLs are not read");
    }
    const bool base64 = !rest.empty() && rest.front() == ':';
    if (base64) {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    if (base64) {
        if (!ParseTreeBytes("base64:" + std::string(rest), value)) {
            return Fail(m_lineNumber, "the value of " + Shown(*description) + " is not base64");
        }
        return true;
    }
    for (char c : rest) {
        if (c == '\0' || c == '\r') {
            return Fail(m_lineNumber,
                std::string("the value of ") + Shown(*description) + " holds " + (c == '\0' ? "NUL" : "CR") +
                    " (write it in base64)");
        }
    }
    value->assign(rest);
    return true;
}

bool LdifReader::Next(LdifRecord* record, bool* done)
{
    record->dn.clear();
    record->values.clear();
    // Blank lines between records; the version line before the first.
    while (true) {
        if (!NextLine()) {
            *done = true;
            return true;
        }
        if (!m_line.empty()) {
            break;
        }
    }
    std::string description;
    std::string value;
    if (!ParseSpec(&description, &value)) {
        return false;
    }
    if (!m_started) {
        m_started = true;
        if (SameTextIgnoreCase(description, "version")) {
            if (value != "1") {
                return Fail(m_lineNumber, "version " + Shown(value) + " is not known (only version 1 is)");
            }
            return Next(record, done);
        }
    }
    if (!SameTextIgnoreCase(description, "dn")) {
        return Fail(m_lineNumber, "expected \"dn:\" to begin a record, found " + Shown(description + ":"));
    }
    record->dn = value;
    record->line = m_lineNumber;
    bool first = true;
    bool controls = false;
    while (NextLine() && !m_line.empty()) {
        if (!ParseSpec(&description, &value)) {
            return false;
        }
        if (first && SameTextIgnoreCase(description, "control")) {
            controls = true; // controls of a change record: nothing to do with them
            continue;
        }
        if (controls && !SameTextIgnoreCase(description, "changetype")) {
            return Fail(m_lineNumber, "controls must be followed by \"changetype:\"");
        }
        if (first && SameTextIgnoreCase(description, "changetype")) {
            first = false;
            controls = false;
            if (!SameTextIgnoreCase(value, "add")) {
                return Fail(m_lineNumber,
                    "change records are not read (changetype: " + value + "); only entries and \"changetype: add\"");
            }
            continue;
        }
        first = false;
        if (SameTextIgnoreCase(description, "dn")) {
            return Fail(m_lineNumber, "a second \"dn:\" in one record (a blank line must end each record)");
        }
        record->values.push_back(LdifValue {description, value, m_lineNumber});
    }
    if (record->values.empty()) {
        return Fail(record->line, "the entry " + Shown(record->dn) + " has no attributes");
    }
    *done = false;
    return true;
}

} // namespace veralith::client::memory
