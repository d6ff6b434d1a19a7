#include "app/cli/find_command.h"

#include "app/cli/cli_surface.h"
#include "app/cli/commands.h"
#include "app/cli/output.h"
#include "app/run/search_run.h"
#include "directory/directory.h"
#include "util/string_list.h"

#include <algorithm>
#include <optional>

namespace veralith::app {

namespace {

void WriteLine(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
}

// Finds name in list ignoring ASCII case; -1 when absent.
std::int32_t FindEntry(const util::StringList& list, const std::string& name)
{
    return list.IndexOf(name, false);
}

} // namespace

bool LookUpClass(CliSession& session, std::string& className, std::int32_t* flags, std::string& message)
{
    util::StringList classes;
    if (const std::int32_t code = directory::ReadClassList(session.navigation.get(), classes); code != 0) {
        message = DirectoryErrorMessage("ReadClassList", code);
        return false;
    }
    const std::int32_t index = FindEntry(classes, className);
    if (index < 0) {
        message = "--class: the schema of tree \"" + session.tree + "\" has no class \"" + className + "\"";
        return false;
    }
    className = classes.TextAt(static_cast<std::size_t>(index));
    if (flags != nullptr) {
        *flags = classes.ValueAt(static_cast<std::size_t>(index));
    }
    return true;
}

bool LookUpAttribute(CliSession& session, std::string& attribute, std::string& message)
{
    util::StringList attributes;
    const std::int32_t code =
        directory::ReadAttributeList(session.navigation.get(), directory::AttributeNamesOnly, attributes);
    if (code != 0) {
        message = DirectoryErrorMessage("ReadAttributeList", code);
        return false;
    }
    const std::int32_t index = FindEntry(attributes, attribute);
    if (index < 0) {
        // The list holds each attribute once; its further names are known
        // to the schema all the same.
        client::DirAttrInfo info {};
        if (directory::ReadAttributeDef(session.navigation.get(), attribute, info) == 0) {
            return true;
        }
        message = "--attribute: the schema of tree \"" + session.tree + "\" has no attribute \"" + attribute + "\"";
        return false;
    }
    attribute = attributes.TextAt(static_cast<std::size_t>(index));
    return true;
}

int RunFind(const CliOptions& options, CliSession& session, std::FILE* out, std::FILE* err)
{
    const auto fail = [&](const std::string& message) {
        WriteLine(err, "veralith-cli: find: " + message);
        return kExitFailure;
    };

    SearchRunInputs inputs;
    inputs.mode = options.mode;
    inputs.recurse = options.recurse;
    inputs.searchContext = session.search.get();
    inputs.containerName = options.base;
    std::string message;
    if (options.className && !options.className->empty()) {
        inputs.classText = *options.className;
        if (!LookUpClass(session, inputs.classText, &inputs.classFlags, message)) {
            return fail(message);
        }
    }
    if (options.attribute && !options.attribute->empty()) {
        inputs.attributeName = *options.attribute;
        if (!LookUpAttribute(session, inputs.attributeName, message)) {
            return fail(message);
        }
        inputs.attributeText = inputs.attributeName;
    }
    inputs.compare = options.compare;
    for (std::string& attribute : inputs.compare.moreAttributes) {
        if (!LookUpAttribute(session, attribute, message)) {
            return fail(message);
        }
    }

    CliSurface surface(err, options.quiet);
    std::optional<ProgressLine> progress;
    if (ProgressWanted(options.progress, err)) {
        surface.SetProgressLine(&progress.emplace(err));
    }
    const SearchRunResult result = RunSearch(inputs, surface);
    if (result.outcome == SearchRunOutcome::NoAttribute) {
        // The window's guard text, as this command's error.
        return fail(surface.LastMessage());
    }

    FindOutput output;
    output.displayFilter = result.filter.display;
    output.mode = options.mode;
    output.objects = std::move(surface.Objects());
    output.values = std::move(surface.Values());
    output.duplicates = std::move(surface.Duplicates());
    output.groups = result.groups;
    output.reportGroups = options.reportGroups;
    output.valuesRead = result.valuesRead;
    output.readFailures = result.readFailures;
    output.error = result.error;
    const std::string text = FormatFind(output, options.format);
    if (options.output) {
        std::string error;
        if (!WriteResultFile(*options.output, text, out, error)) {
            return fail("--output: " + error);
        }
    } else {
        std::fwrite(text.data(), 1, text.size(), out);
    }

    if (!result.error.empty()) {
        // One line per cause: the search, the reads.
        std::size_t start = 0;
        while (start <= result.error.size()) {
            const std::size_t end = std::min(result.error.find('\n', start), result.error.size());
            WriteLine(err, "veralith-cli: find: " + result.error.substr(start, end - start));
            start = end + 1;
        }
        return kExitFailure;
    }
    if (options.mode == CheckMode::Duplicates && result.duplicateCount > 0) {
        return kExitDuplicatesFound;
    }
    return kExitSuccess;
}

} // namespace veralith::app
