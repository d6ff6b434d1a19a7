#include "app/cli/output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace veralith::app {

namespace {

const std::string& ValueAt(const FindOutput& output, std::size_t index)
{
    static const std::string empty;
    return index < output.values.size() ? output.values[index] : empty;
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

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error)
{
    std::string temporary = path + ".tmp-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = path + ": cannot create a temporary file beside it: " + ErrnoText(errno);
        return false;
    }
    const auto fail = [&](const std::string& what, int code) {
        close(fd);
        unlink(temporary.c_str());
        error = path + ": " + what + ": " + ErrnoText(code);
        return false;
    };

    // mkstemp creates the file with mode 0600; give it the mode an ordinary
    // new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0) {
        return fail("cannot set the file mode", errno);
    }
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail("cannot write", errno);
        }
        written += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) {
        return fail("cannot flush to disk", errno);
    }
    if (close(fd) != 0) {
        const int code = errno;
        unlink(temporary.c_str());
        error = path + ": cannot close: " + ErrnoText(code);
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        unlink(temporary.c_str());
        error = path + ": cannot replace the file: " + ErrnoText(code);
        return false;
    }
    return true;
}

} // namespace veralith::app
