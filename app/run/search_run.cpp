#include "app/run/search_run.h"

#include "app/run/compare_run.h"
#include "app/run/duplicate_list.h"
#include "app/run/run_progress.h"
#include "app/run/search_reads.h"
#include "directory/error_text.h"
#include "directory/names.h"
#include "search/search.h"
#include "util/feedback.h"
#include "util/format.h"
#include "values/read.h"

#include <algorithm>
#include <optional>

namespace veralith::app {

// Marks the surface as running for the lifetime of the scope and puts its
// status text, its running state and the screen cursor back on every path.
class SurfaceRunScope
{
public:
    explicit SurfaceRunScope(SearchSurface& surface)
        : m_surface(surface)
    {
        m_surface.m_running = true;
        m_surface.RunningChanged(true);
    }
    ~SurfaceRunScope()
    {
        m_surface.SetStatusText("");
        m_surface.m_running = false;
        m_surface.RunningChanged(false);
    }
    SurfaceRunScope(const SurfaceRunScope&) = delete;
    SurfaceRunScope& operator=(const SurfaceRunScope&) = delete;

private:
    SearchSurface& m_surface;
    // Ends after the destructor's body: the status text is cleared, then the
    // previous cursor comes back.
    util::BusyCursorScope m_cursor;
};

namespace {

// Holders whose DNs are read between two rounds of the window's events.
constexpr std::size_t kDnsBetweenPumps = 256;

void JoinClause(std::string& filter, const std::string& clause)
{
    if (!filter.empty() && !clause.empty()) {
        filter += " #AND# ";
    }
    filter += clause;
}

// The surface's object at index, or nothing when the list no longer has it.
std::optional<std::string> ObjectIfPresent(const SearchSurface& surface, std::size_t index)
{
    if (index >= surface.ObjectCount()) {
        return std::nullopt;
    }
    return surface.ObjectAt(index);
}

// The text of a run's failures: the search's error, then how many of the
// objects could not be read and the first read error.
std::string FailureText(const SearchRunResult& result, std::size_t objectCount, client::DirResult firstReadError,
    const std::string& firstFailedObject)
{
    std::string text;
    if (result.searchResult != 0) {
        text = DirectoryErrorMessage("SearchObjectNames", result.searchResult);
    }
    if (result.readFailures > 0) {
        if (!text.empty()) {
            text += '\n';
        }
        text += util::Format("%u of %u objects could not be read (first %s): %s",
            static_cast<std::uint32_t>(result.readFailures), static_cast<std::uint32_t>(objectCount), firstFailedObject,
            DirectoryErrorMessage("ReadAttributeText", firstReadError));
    }
    return text;
}

} // namespace

std::string DirectoryErrorMessage(const std::string& operation, client::DirResult code)
{
    std::string message = util::Format("%s returned error %s", operation, directory::ErrorText(code));
    if (code == client::ERR_TRANSPORT_FAILURE) {
        message += ": the connection to the directory server failed or was lost";
    } else if (code == client::ERR_SIZE_LIMIT_EXCEEDED || code == client::ERR_TIME_LIMIT_EXCEEDED ||
        code == client::ERR_ADMIN_LIMIT_EXCEEDED) {
        message += ": a limit of the directory server ended it before its end; what came before is listed";
    }
    return message;
}

ComposedFilter ComposeFilter(
    const std::string& classText, std::int32_t classFlags, const std::string& attributeText, CheckMode mode)
{
    ComposedFilter result;
    if (!classText.empty()) {
        const char* pattern = (classFlags & kAuxiliaryClassFlag) != 0 ? "(Aux Class=%s)" : "(Base Class=%s)";
        JoinClause(result.text, util::Format(pattern, classText));
    }
    if (!attributeText.empty()) {
        switch (mode) {
        case CheckMode::Duplicates:
        case CheckMode::Present:
            JoinClause(result.text, util::Format("(%s #PRESENT#)", attributeText));
            break;
        case CheckMode::NotPresent:
            JoinClause(result.text, util::Format("(#NOT# (%s #PRESENT#))", attributeText));
            break;
        case CheckMode::JustShow:
            break;
        }
    }
    if (!result.text.empty()) {
        result.text = "(" + result.text + ")";
    }
    result.display = result.text;
    std::erase(result.display, '#');
    return result;
}

SearchRunResult RunSearch(const SearchRunInputs& inputs, SearchSurface& surface)
{
    SearchRunResult result;
    if (surface.IsRunning()) {
        result.outcome = SearchRunOutcome::AlreadyRunning;
        return result;
    }
    // Just Show lists the objects whatever they hold; every other mode
    // compares the attribute and has nothing to compare without one.
    const bool needsAttribute = inputs.mode != CheckMode::JustShow;
    if (needsAttribute && inputs.attributeName.empty()) {
        surface.ShowMessage(util::MessageBoxKind::Information, "Please select an attribute for comparison");
        result.outcome = SearchRunOutcome::NoAttribute;
        return result;
    }

    SurfaceRunScope running(surface);
    surface.ShowResults();
    surface.ClearLog();

    const bool findDuplicates = inputs.mode == CheckMode::Duplicates;
    const bool compareOptions = findDuplicates && !inputs.compare.IsPlain();
    result.filter = compareOptions
        ? ComposeCompareFilter(inputs)
        : ComposeFilter(inputs.classText, inputs.classFlags, inputs.attributeText, inputs.mode);

    surface.ClearObjects();
    surface.ClearValues();

    RunProgress progress;
    bool stopped = false;
    {
        // The search brings the attributes the reads below ask for.
        const SearchReadsScope reads(inputs.searchContext,
            inputs.mode == CheckMode::NotPresent ? std::vector<std::string> {}
                : compareOptions                 ? CompareAttributes(inputs)
                                                 : std::vector<std::string> {inputs.attributeName});
        result.searchResult = SearchIntoSurface(inputs.searchContext, inputs.containerName, result.filter.text,
            inputs.recurse, inputs.compare.excludedBases, surface, progress, &stopped);
    }
    result.lastResult = result.searchResult;
    if (stopped) {
        result.outcome = surface.Closed() ? SearchRunOutcome::Closed : SearchRunOutcome::Aborted;
        return result;
    }
    if (surface.Closed()) {
        result.outcome = SearchRunOutcome::Closed;
        return result;
    }

    if (result.searchResult == 0 && surface.ObjectCount() == 0) {
        surface.ShowMessage(util::MessageBoxKind::Information,
            util::Format("No matching objects found - Filter: %s", result.filter.display));
        result.outcome = SearchRunOutcome::NoMatch;
        return result;
    }
    DuplicateList duplicates;
    std::optional<ConflictFinder> finder;
    if (compareOptions) {
        finder.emplace(inputs.searchContext, CompareAttributes(inputs), inputs.compare);
    }
    ConflictGroupCollector groups;
    bool duplicateFound = false;
    client::DirResult firstReadError = 0;
    std::string firstFailedObject;

    // Absent: the object list is the answer, nothing is read.
    const std::size_t count = inputs.mode == CheckMode::NotPresent ? 0 : surface.ObjectCount();
    ReadingProgress reading(surface, progress, count);
    for (std::size_t i = 0; i < count; ++i) {
        if (surface.Closed()) {
            result.outcome = SearchRunOutcome::Closed;
            break;
        }
        if (surface.StopRequested()) {
            result.outcome = SearchRunOutcome::Aborted;
            break;
        }
        const std::optional<std::string> name = ObjectIfPresent(surface, i);
        if (!name) {
            result.outcome = SearchRunOutcome::ListCleared;
            break;
        }
        std::string value;
        const client::DirResult read = finder
            ? finder->Read(*name, value)
            : values::ReadAttributeText(inputs.searchContext, *name, inputs.attributeName, value);
        result.lastResult = read;
        // Lacking the attribute is an answer (Just Show lists such objects);
        // any other failure means the object was not compared.
        if (read != 0 && read != client::ERR_NO_SUCH_ATTRIBUTE) {
            if (result.readFailures == 0) {
                firstReadError = read;
                firstFailedObject = *name;
            }
            ++result.readFailures;
        }
        surface.ShowProgress(*name, value);
        surface.AddValue(value);
        ++result.valuesRead;
        reading.ValueRead();
        surface.ProcessPendingMessages();

        if (!findDuplicates || read != 0) {
            continue;
        }
        std::vector<ValueConflict> conflicts;
        if (finder) {
            conflicts = finder->Add(i);
        } else if (const auto earlierIndex = duplicates.Add(value, static_cast<std::int32_t>(i))) {
            conflicts.push_back(PlainConflict(static_cast<std::size_t>(*earlierIndex), inputs.attributeName, value));
        }
        if (!ReportConflicts(conflicts, *name, surface, groups, result)) {
            break;
        }
        duplicateFound = duplicateFound || !conflicts.empty();
    }
    result.groups = groups.TakeGroups();
    // The holders' DNs where the source has them: asked once per object of a
    // group, so a run without duplicates asks nothing. Tens of thousands of
    // holders take a while: the window goes on answering meanwhile.
    std::size_t asked = 0;
    FillSourceDns(result.groups, [&inputs, &surface, &asked](const std::string& object) {
        if (++asked % kDnsBetweenPumps == 0) {
            surface.ProcessPendingMessages();
        }
        return directory::ReadObjectSourceDn(inputs.searchContext, object);
    });

    if (result.outcome == SearchRunOutcome::Completed && surface.Closed()) {
        result.outcome = SearchRunOutcome::Closed;
    }
    if (result.outcome == SearchRunOutcome::Closed) {
        return result;
    }
    if (result.searchResult != 0 || result.readFailures > 0) {
        result.error = FailureText(result, surface.ObjectCount(), firstReadError, firstFailedObject);
        if (result.outcome == SearchRunOutcome::Completed) {
            result.outcome = SearchRunOutcome::Failed;
        }
        surface.ReportFailure(result.error);
        return result;
    }
    if (findDuplicates && !duplicateFound && result.outcome == SearchRunOutcome::Completed) {
        surface.ShowMessage(util::MessageBoxKind::Information, "No duplicates found");
    }
    return result;
}

} // namespace veralith::app
