#include "app/cli/commands.h"

#include "app/cli/find_command.h"
#include "app/cli/list_output.h"
#include "app/cli/session.h"
#include "app/cli/snapshot_command.h"
#include "directory/directory.h"
#include "search/result_name.h"
#include "search/search.h"
#include "util/collate.h"
#include "util/string_list.h"
#include "values/dirtime.h"
#include "values/read.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>

namespace veralith::app {

namespace {

void Write(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

void WriteLine(std::FILE* stream, const std::string& text)
{
    Write(stream, text);
    std::fputc('\n', stream);
}

int Fail(std::FILE* err, const CliOptions& options, const std::string& message)
{
    // One line per cause, each naming the program and the command.
    std::size_t start = 0;
    while (start <= message.size()) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        WriteLine(err, "veralith-cli: " + CommandName(options.command) + ": " + message.substr(start, end - start));
        start = end + 1;
    }
    return kExitFailure;
}

// The entries' texts sorted as the window's sorted lists sort them.
std::vector<util::StringListEntry> SortedEntries(const util::StringList& list)
{
    std::vector<util::StringListEntry> entries = list.Entries();
    std::stable_sort(
        entries.begin(), entries.end(), [](const util::StringListEntry& a, const util::StringListEntry& b) {
            return util::CompareTextsForSorting(a.text, b.text) < 0;
        });
    return entries;
}

int RunTrees(std::FILE* out)
{
    util::StringList trees;
    directory::ListTrees(trees);
    for (const util::StringListEntry& entry : trees) {
        WriteLine(out, entry.text);
    }
    return kExitSuccess;
}

int RunClasses(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err)
{
    util::StringList classes;
    if (const std::int32_t code = directory::ReadClassList(session.navigation.get(), classes); code != 0) {
        return Fail(err, options, DirectoryErrorMessage("ReadClassList", code));
    }
    for (const util::StringListEntry& entry : SortedEntries(classes)) {
        WriteLine(out, (entry.value & kAuxiliaryClassFlag) != 0 ? entry.text + "\taux" : entry.text);
    }
    return kExitSuccess;
}

int RunAttributes(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err)
{
    // Without --class every attribute of the schema ("*"); an empty class, as
    // the window's empty first class entry, gives the attributes of every class.
    std::string className = options.className ? *options.className : std::string(1, '*');
    if (!className.empty() && className != "*") {
        if (const util::Status found = LookUpClass(session, className, nullptr); !found) {
            return Fail(err, options, found.Reason());
        }
    }
    util::StringList attributes;
    const std::int32_t code = directory::ReadClassAttributes(session.navigation.get(), className, 5, attributes);
    if (code != 0) {
        return Fail(err, options, DirectoryErrorMessage("ReadClassAttributes", code));
    }
    for (const util::StringListEntry& entry : SortedEntries(attributes)) {
        WriteLine(out, entry.text);
    }
    return kExitSuccess;
}

int RunContainers(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err)
{
    const client::DirContext navigation = session.navigation.get();
    if (options.context) {
        if (const std::int32_t code = directory::SetNameContext(navigation, *options.context); code != 0) {
            return Fail(err, options,
                "--context \"" + *options.context + "\": " + DirectoryErrorMessage("SetNameContext", code));
        }
    }
    const std::string container = directory::WithLeadingDot(directory::ReadNameContext(navigation));
    util::StringList containers;
    if (const std::int32_t code = directory::ListContainers(navigation, container, containers); code != 0) {
        return Fail(err, options, DirectoryErrorMessage("ListContainers", code));
    }
    for (const util::StringListEntry& entry : SortedEntries(containers)) {
        WriteLine(out, entry.text);
    }
    return kExitSuccess;
}

int RunRead(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err)
{
    std::string text;
    const std::int32_t code =
        values::ReadAttributeText(session.search.get(), options.object, options.attribute.value_or(""), text);
    if (code != 0) {
        return Fail(err, options, DirectoryErrorMessage("ReadAttributeText", code));
    }
    Write(out, FormatRead(options.object, options.attribute.value_or(""), text, options.format));
    return kExitSuccess;
}

int RunSearchCommand(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err)
{
    // A format the naming would fail on ends the search silently: refused
    // here, before anything runs.
    if (const util::Status usable = search::CheckNameTemplate(options.nameTemplate); !usable) {
        return Fail(err, options, "--template: " + usable.Reason());
    }
    util::StringList found;
    search::SearchRequest request;
    request.context = session.search.get();
    request.base = options.base;
    request.filter = options.filter;
    request.scope = options.scope;
    request.results = &found;
    request.nameTemplate = options.nameTemplate;
    request.limit = static_cast<std::int32_t>(std::min<std::uint32_t>(options.limit.value_or(0), INT32_MAX));
    const std::int32_t code = search::SearchObjects(request);
    std::vector<std::string> texts;
    texts.reserve(found.Count());
    for (const util::StringListEntry& entry : found) {
        texts.push_back(entry.text);
    }
    const std::string error = code != 0 ? DirectoryErrorMessage("SearchObjects", code) : std::string();
    // What was found before a failure is printed, then the error.
    Write(out, FormatSearch(texts, error, options.format));
    if (code != 0) {
        return Fail(err, options, error);
    }
    return kExitSuccess;
}

} // namespace

int RunCommand(const CliOptions& options, std::FILE* out, std::FILE* err)
{
    if (const util::Status started = StartClient(options.treeFiles); !started) {
        return Fail(err, options, started.Reason());
    }
    if (options.command == CliCommand::Trees) {
        return RunTrees(out);
    }
    CliSession session;
    if (const util::Status opened = OpenSession(options.tree.value_or(""), session); !opened) {
        return Fail(err, options, opened.Reason());
    }
    switch (options.command) {
    case CliCommand::Classes:
        return RunClasses(options, session, out, err);
    case CliCommand::Attributes:
        return RunAttributes(options, session, out, err);
    case CliCommand::Containers:
        return RunContainers(options, session, out, err);
    case CliCommand::Read:
        return RunRead(options, session, out, err);
    case CliCommand::Search:
        return RunSearchCommand(options, session, out, err);
    case CliCommand::Find:
        return RunFind(options, session, out, err);
    case CliCommand::Snapshot:
        return RunSnapshot(options, session, out, err);
    case CliCommand::Trees:
    case CliCommand::None:
        break;
    }
    return Fail(err, options, "no command given");
}

int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (parsed.options.version) {
        Write(out, VersionText());
        return kExitSuccess;
    }
    if (parsed.options.help) {
        Write(out, CommandUsage(parsed.options.command));
        return kExitSuccess;
    }
    if (!parsed.error.empty()) {
        WriteLine(err, "veralith-cli: " + parsed.error);
        Write(err, CommandUsage(parsed.options.command));
        return kExitFailure;
    }
    // Machine-read output gives times as ISO 8601 with their zone; text keeps
    // the regional format the window shows.
    values::SetTimeStyle(
        parsed.options.format == OutputFormat::Text ? values::TimeStyle::Regional : values::TimeStyle::Iso8601);
    int status = kExitFailure;
    try {
        status = RunCommand(parsed.options, out, err);
    } catch (const std::exception& error) {
        WriteLine(err, std::string("veralith-cli: error: ") + error.what());
        status = kExitFailure;
    }
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        WriteLine(err, "veralith-cli: cannot write the output");
        status = kExitFailure;
    }
    return status;
}

} // namespace veralith::app
