#pragma once

// Output of veralith-cli: the result of `find` as text, CSV (RFC 4180) or
// JSON, and files written atomically.

#include "app/cli/arguments.h"
#include "app/run/search_surface.h"

#include <string>
#include <vector>

namespace veralith::app {

// What one `find` run produced, as the window's lists would hold it.
struct FindOutput
{
    std::string displayFilter; // the filter's display form
    CheckMode mode = CheckMode::Duplicates;
    std::vector<std::string> objects; // the object list, in its sorted order
    // The value list: entry i belongs to objects[i]. Shorter than objects when
    // no value was read for the rest (mode absent).
    std::vector<std::string> values;
    std::vector<DuplicateEntry> duplicates; // in the order found
    // What the run counted: values read, objects whose read failed; and its
    // error text (empty when it did not fail).
    std::size_t valuesRead = 0;
    std::size_t readFailures = 0;
    std::string error;
};

// Text: duplicates mode: the log lines, one a line; present/show: object, TAB,
// value per object; absent: the object names. Lines end with LF; values keep
// their CR LF breaks inside.
std::string FormatFindText(const FindOutput& output);

// CSV per RFC 4180: a header row ("object,earlier,attribute,value" in
// duplicates mode, else "object,value"), records ended by CR LF, fields holding
// a comma, a double quote, CR or LF quoted with inner quotes doubled.
std::string FormatFindCsv(const FindOutput& output);

// JSON: {"filter": display form, "objects": [{"name", "value"}], "duplicates":
// [{"object", "earlier", "attribute", "value"}], "counts": {"objects",
// "values", "unreadable", "duplicates"}, "error": text or null}; "value" is
// null for an object without a value entry. Bytes that are not valid UTF-8 become U+FFFD. Ends
// with a line break.
std::string FormatFindJson(const FindOutput& output);

std::string FormatFind(const FindOutput& output, OutputFormat format);

// One CSV field, quoted when it needs to be.
std::string CsvField(const std::string& text);

// Writes content to path atomically: a temporary file in the same directory,
// flushed to disk, then renamed over path; the file gets the mode 0666 less
// the umask. On failure returns false, sets error to a message naming the
// file and the reason, removes the temporary file and leaves path untouched.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

} // namespace veralith::app
