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

util::Status LookUpClass(CliSession& session, std::string& className, std::int32_t* flags)
{
    util::StringList classes;
    if (const std::int32_t code = directory::ReadClassList(session.navigation.get(), classes); code != 0) {
        return util::Status::Failure(DirectoryErrorMessage("ReadClassList", code));
    }
    const std::int32_t index = FindEntry(classes, className);
    if (index < 0) {
        return util::Status::Failure(
            "--class: the schema of tree \"" + session.tree + "\" has no class \"" + className + "\"");
    }
    className = classes.TextAt(static_cast<std::size_t>(index));
    if (flags != nullptr) {
        *flags = classes.ValueAt(static_cast<std::size_t>(index));
    }
    return {};
}

util::Status LookUpAttribute(CliSession& session, std::string& attribute)
{
    util::StringList attributes;
    const std::int32_t code =
        directory::ReadAttributeList(session.navigation.get(), directory::AttributeNamesOnly, attributes);
    if (code != 0) {
        return util::Status::Failure(DirectoryErrorMessage("ReadAttributeList", code));
    }
    const std::int32_t index = FindEntry(attributes, attribute);
    if (index < 0) {
        // The list holds each attribute once; its further names are known
        // to the schema all the same.
        client::DirAttrInfo info {};
        if (directory::ReadAttributeDef(session.navigation.get(), attribute, info) == 0) {
            return {};
        }
        return util::Status::Failure(
            "--attribute: the schema of tree \"" + session.tree + "\" has no attribute \"" + attribute + "\"");
    }
    attribute = attributes.TextAt(static_cast<std::size_t>(index));
    return {};
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
    if (options.className && !options.className->empty()) {
        inputs.classText = *options.className;
        if (const util::Status found = LookUpClass(session, inputs.classText, &inputs.classFlags); !found) {
            return fail(found.Reason());
        }
    }
    if (options.attribute && !options.attribute->empty()) {
        inputs.attributeName = *options.attribute;
        if (const util::Status found = LookUpAttribute(session, inputs.attributeName); !found) {
            return fail(found.Reason());
        }
        inputs.attributeText = inputs.attributeName;
    }
    inputs.compare = options.compare;
    for (std::string& attribute : inputs.compare.moreAttributes) {
        if (const util::Status found = LookUpAttribute(session, attribute); !found) {
            return fail(found.Reason());
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
        if (const util::Status written = WriteResultFile(*options.output, text, out); !written) {
            return fail("--output: " + written.Reason());
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
