#include "app/cli/list_output.h"

#include "app/cli/output.h"

#include <nlohmann/json.hpp>

namespace veralith::app {

namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& document)
{
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// The text split at CR LF (a lone LF inside a value line stays in it).
std::vector<std::string> ValueLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return lines;
        }
        start = end + 2;
    }
}

} // namespace

std::string FormatSearch(const std::vector<std::string>& found, const std::string& error, OutputFormat format)
{
    std::string out;
    switch (format) {
    case OutputFormat::Text:
        for (const std::string& text : found) {
            out += text + "\n";
        }
        return out;
    case OutputFormat::Csv:
        out = "object\r\n";
        for (const std::string& text : found) {
            out += CsvField(text) + "\r\n";
        }
        return out;
    case OutputFormat::Json: {
        Json document = Json::object();
        document["objects"] = found;
        document["error"] = error.empty() ? Json(nullptr) : Json(error);
        return Dump(document);
    }
    }
    return out;
}

std::string FormatRead(
    const std::string& object, const std::string& attribute, const std::string& text, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Text:
        return text + "\n";
    case OutputFormat::Csv: {
        std::string out = "object,attribute,value\r\n";
        for (const std::string& line : ValueLines(text)) {
            out += CsvField(object) + "," + CsvField(attribute) + "," + CsvField(line) + "\r\n";
        }
        return out;
    }
    case OutputFormat::Json: {
        Json document = Json::object();
        document["object"] = object;
        document["attribute"] = attribute;
        document["values"] = ValueLines(text);
        return Dump(document);
    }
    }
    return text + "\n";
}

} // namespace veralith::app
