#include "app/cli/output.h"

#include "platform/safe_file.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

namespace veralith::app {

namespace {

const std::string& ValueAt(const FindOutput& output, std::size_t index)
{
    static const std::string kEmpty;
    return index < output.values.size() ? output.values[index] : kEmpty;
}

void AppendCsvRecord(std::string& out, std::initializer_list<const std::string*> fields)
{
    bool first = true;
    for (const std::string* field : fields) {
        if (!first) {
            out += ',';
        }
        first = false;
        out += CsvField(*field);
    }
    out += "\r\n";
}

std::string ErrnoText(int error)
{
    return std::strerror(error);
}

std::string FormatGroupsText(const std::vector<ConflictGroup>& groups)
{
    std::string out;
    for (const std::string& line : ConflictGroupLines(groups)) {
        out += line;
        out += '\n';
    }
    return out;
}

std::string FormatGroupsCsv(const std::vector<ConflictGroup>& groups)
{
    std::string out = "value,count,objects,dns\r\n";
    for (const ConflictGroup& group : groups) {
        const std::string count = std::to_string(group.ObjectCount());
        std::string objects;
        std::string dns;
        bool anyDn = false;
        for (const ConflictGroupMember& member : group.members) {
            if (&member != &group.members.front()) {
                objects += '\n';
                dns += '\n';
            }
            objects += member.object;
            dns += member.dn;
            anyDn = anyDn || !member.dn.empty();
        }
        if (!anyDn) {
            dns.clear();
        }
        AppendCsvRecord(out, {&group.value, &count, &objects, &dns});
    }
    return out;
}

} // namespace

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string FormatFindText(const FindOutput& output)
{
    std::string out;
    switch (output.mode) {
    case CheckMode::Duplicates:
        if (output.reportGroups) {
            return FormatGroupsText(output.groups);
        }
        for (const DuplicateEntry& entry : output.duplicates) {
            out += entry.line;
            out += '\n';
        }
        break;
    case CheckMode::Present:
    case CheckMode::JustShow:
        for (std::size_t i = 0; i < output.objects.size(); ++i) {
            out += output.objects[i];
            out += '\t';
            out += ValueAt(output, i);
            out += '\n';
        }
        break;
    case CheckMode::NotPresent:
        for (const std::string& name : output.objects) {
            out += name;
            out += '\n';
        }
        break;
    }
    return out;
}

std::string FormatFindCsv(const FindOutput& output)
{
    std::string out;
    if (output.mode == CheckMode::Duplicates && output.reportGroups) {
        return FormatGroupsCsv(output.groups);
    }
    if (output.mode == CheckMode::Duplicates) {
        out += "object,earlier,attribute,value\r\n";
        for (const DuplicateEntry& entry : output.duplicates) {
            AppendCsvRecord(out, {&entry.object, &entry.earlier, &entry.attribute, &entry.value});
        }
        return out;
    }
    out += "object,value\r\n";
    for (std::size_t i = 0; i < output.objects.size(); ++i) {
        AppendCsvRecord(out, {&output.objects[i], &ValueAt(output, i)});
    }
    return out;
}

std::string FormatFindJson(const FindOutput& output)
{
    using Json = nlohmann::ordered_json;
    Json document = Json::object();
    document["filter"] = output.displayFilter;
    Json objects = Json::array();
    for (std::size_t i = 0; i < output.objects.size(); ++i) {
        Json object = Json::object();
        object["name"] = output.objects[i];
        object["value"] = i < output.values.size() ? Json(output.values[i]) : Json(nullptr);
        objects.push_back(std::move(object));
    }
    document["objects"] = std::move(objects);
    Json duplicates = Json::array();
    for (const DuplicateEntry& entry : output.duplicates) {
        Json duplicate = Json::object();
        duplicate["object"] = entry.object;
        duplicate["earlier"] = entry.earlier;
        duplicate["attribute"] = entry.attribute;
        duplicate["value"] = entry.value;
        duplicates.push_back(std::move(duplicate));
    }
    document["duplicates"] = std::move(duplicates);
    Json groups = Json::array();
    for (const ConflictGroup& group : output.groups) {
        Json members = Json::array();
        for (const ConflictGroupMember& member : group.members) {
            Json holder {{"name", member.object}, {"attribute", member.attribute}};
            if (!member.dn.empty()) {
                holder["dn"] = member.dn;
            }
            members.push_back(std::move(holder));
        }
        groups.push_back(
            Json {{"value", group.value}, {"count", group.ObjectCount()}, {"objects", std::move(members)}});
    }
    document["groups"] = std::move(groups);
    Json counts = Json::object();
    counts["objects"] = output.objects.size();
    counts["values"] = output.valuesRead;
    counts["unreadable"] = output.readFailures;
    counts["duplicates"] = output.duplicates.size();
    document["counts"] = std::move(counts);
    document["error"] = output.error.empty() ? Json(nullptr) : Json(output.error);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string FormatFind(const FindOutput& output, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Csv:
        return FormatFindCsv(output);
    case OutputFormat::Json:
        return FormatFindJson(output);
    case OutputFormat::Text:
        break;
    }
    return FormatFindText(output);
}

util::Status WriteResultFile(const std::string& path, const std::string& content, std::FILE* out)
{
    if (path == "-") {
        if (std::fwrite(content.data(), 1, content.size(), out) != content.size() || std::fflush(out) != 0) {
            return util::Status::Failure("standard output: " + ErrnoText(errno));
        }
        return {};
    }
    return platform::WriteFileSafely(path, content).WithPrefix(path + ": ");
}

} // namespace veralith::app
