#pragma once

// Output of veralith-cli: the result of `find` as text, CSV (RFC 4180) or
// JSON, and files written atomically.

#include "app/cli/arguments.h"
#include "app/run/conflict_groups.h"
#include "app/run/search_surface.h"
#include "util/result.h"

#include <cstdio>
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
    std::vector<ConflictGroup> groups; // the duplicates grouped by value
    bool reportGroups = false; // --report groups: text and CSV give the groups
    // What the run counted: values read, objects whose read failed; and its
    // error text (empty when it did not fail).
    std::size_t valuesRead = 0;
    std::size_t readFailures = 0;
    std::string error;
};

// Text: duplicates mode: the log lines, one a line (with reportGroups the
// groups instead: per group the line "VALUE (N objects)", then one line per
// holder, two spaces and its name, followed by " (ATTRIBUTE)" when the
// holders' attributes differ); present/show: object, TAB,
// value per object; absent: the object names. Lines end with LF; values keep
// their CR LF breaks inside.
std::string FormatFindText(const FindOutput& output);

// CSV per RFC 4180: a header row ("object,earlier,attribute,value" in
// duplicates mode, "value,count,objects,dns" with reportGroups, the objects
// of a group joined by LF in one field and their DNs in the same order in the
// last (empty when none has one), else "object,value"), records ended by CR LF, fields holding
// a comma, a double quote, CR or LF quoted with inner quotes doubled.
std::string FormatFindCsv(const FindOutput& output);

// JSON: {"filter": display form, "objects": [{"name", "value"}], "duplicates":
// [{"object", "earlier", "attribute", "value"}], "groups": [{"value", "count",
// "objects": [{"name", "attribute", "dn" where it has one}]}], "counts": {"objects", "values",
// "unreadable", "duplicates"}, "error": text or null}; "value" is null for an
// object without a value entry. Bytes that are not valid UTF-8 become U+FFFD. Ends
// with a line break.
std::string FormatFindJson(const FindOutput& output);

std::string FormatFind(const FindOutput& output, OutputFormat format);

// One CSV field, quoted when it needs to be.
std::string CsvField(const std::string& text);

// Writes the result of --output: "-" is standard output (out), any other path
// is written by platform::WriteFileSafely (devices and FIFOs in place, links
// followed, an existing file replaced atomically with its mode kept). Fails
// with a reason that names the file.
util::Status WriteResultFile(const std::string& path, const std::string& content, std::FILE* out);

} // namespace veralith::app
