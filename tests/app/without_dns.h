#pragma once

// The output of find as a source without DNs (a tree file) gives it, made
// from the output of a source with DNs (LDAP, LDIF): for tests that compare
// the two.

#include "app/cli/output.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

namespace veralith::app {

// The records of CSV text (RFC 4180: quoted fields may hold commas, quotes
// and line breaks; records end with CR LF).
inline std::vector<std::vector<std::string>> CsvRecords(const std::string& text)
{
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            records.emplace_back(1);
            ++i;
        } else {
            field += c;
        }
    }
    records.pop_back(); // after the last CR LF
    return records;
}

// The output of find with these arguments as a source without DNs (a tree
// file) gives it: text without the "  dn: " of each holder, JSON holders
// without "dn", CSV groups with an empty dns column.
inline std::string WithoutDns(const std::string& out, const std::vector<std::string>& args)
{
    const auto format = std::find(args.begin(), args.end(), "--format");
    const std::string kind = format == args.end() ? "text" : *(format + 1);
    if (kind == "json") {
        nlohmann::ordered_json document = nlohmann::ordered_json::parse(out);
        for (auto& group : document["groups"]) {
            for (auto& holder : group["objects"]) {
                holder.erase("dn");
            }
        }
        return document.dump(2) + "\n";
    }
    if (kind == "csv") {
        std::vector<std::vector<std::string>> records = CsvRecords(out);
        std::string text;
        for (std::size_t r = 0; r < records.size(); ++r) {
            if (r > 0 && records.front().back() == "dns") {
                records[r].back().clear();
            }
            for (std::size_t f = 0; f < records[r].size(); ++f) {
                text += (f == 0 ? "" : ",") + CsvField(records[r][f]);
            }
            text += "\r\n";
        }
        return text;
    }
    return std::regex_replace(out, std::regex("  dn: [^\n]*"), "");
}

} // namespace veralith::app
