#pragma once

// Output of `search` and `read` as text, CSV (RFC 4180) or JSON.

#include "app/cli/arguments.h"

#include <string>
#include <vector>

namespace veralith::app {

// search: text: one display text a line; CSV: a header "object" and one
// record per display text; JSON: {"objects": [texts], "error": text or null}.
// Ends with a line break (JSON) or after the last line or record.
std::string FormatSearch(const std::vector<std::string>& found, const std::string& error, OutputFormat format);

// read: text: the value text and a line break; CSV: a header
// "object,attribute,value" and one record per value line (the text split at
// CR LF); JSON: {"object", "attribute", "values": [value lines]}.
std::string FormatRead(
    const std::string& object, const std::string& attribute, const std::string& text, OutputFormat format);

} // namespace veralith::app
