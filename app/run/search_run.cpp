#include "app/run/search_run.h"

#include "app/run/compare_run.h"
#include "app/run/duplicate_list.h"
#include "app/run/run_progress.h"
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
        : surface_(surface)
    {
        surface_.running_ = true;
        surface_.RunningChanged(true);
    }
    ~SurfaceRunScope()
    {
        surface_.SetStatusText("");
        surface_.running_ = false;
        surface_.RunningChanged(false);
    }
    SurfaceRunScope(const SurfaceRunScope&) = delete;
    SurfaceRunScope& operator=(const SurfaceRunScope&) = delete;

private:
    SearchSurface& surface_;
    // Ends after the destructor's body: the status text is cleared, then the
    // previous cursor comes back.
    util::BusyCursorScope cursor_;
};

namespace {

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

} // namespace

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
    const bool needsAttribute = inputs.mode == CheckMode::Present || inputs.mode == CheckMode::NotPresent;
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
    result.searchResult = SearchIntoSurface(inputs.searchContext, inputs.containerName, result.filter.text,
        inputs.recurse, inputs.compare.excludedBases, surface, progress, &stopped);
    result.lastResult = result.searchResult;
    if (stopped) {
        result.outcome = surface.Closed() ? SearchRunOutcome::Closed : SearchRunOutcome::Aborted;
        return result;
    }

    if (result.searchResult == 0 && surface.ObjectCount() == 0) {
        surface.ShowMessage(util::MessageBoxKind::Information,
            util::Format("No matching objects found - Filter: %s", result.filter.display));
        result.outcome = SearchRunOutcome::NoMatch;
        return result;
    }
    if (inputs.mode == CheckMode::NotPresent) {
        return result;
    }

    DuplicateList duplicates;
    std::optional<ConflictFinder> finder;
    if (compareOptions) {
        finder.emplace(inputs.searchContext, CompareAttributes(inputs), inputs.compare);
    }
    ConflictGroupCollector groups;
    bool duplicateFound = false;

    const std::size_t count = surface.ObjectCount();
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

    if (findDuplicates && !duplicateFound && result.outcome == SearchRunOutcome::Completed) {
        surface.ShowMessage(util::MessageBoxKind::Information, "No duplicates found");
    }
    return result;
}

} // namespace veralith::app
