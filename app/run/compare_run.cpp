#include "app/run/compare_run.h"

#include "util/format.h"
#include "util/text.h"

#include <algorithm>

namespace veralith::app {

std::vector<std::string> CompareAttributes(const SearchRunInputs& inputs)
{
    std::vector<std::string> attributes {inputs.attributeName};
    attributes.insert(attributes.end(), inputs.compare.moreAttributes.begin(), inputs.compare.moreAttributes.end());
    return attributes;
}

ComposedFilter ComposeCompareFilter(const SearchRunInputs& inputs)
{
    if (inputs.compare.moreAttributes.empty()) {
        return ComposeFilter(inputs.classText, inputs.classFlags, inputs.attributeText, inputs.mode);
    }
    std::vector<std::string> attributes {inputs.attributeText};
    attributes.insert(attributes.end(), inputs.compare.moreAttributes.begin(), inputs.compare.moreAttributes.end());
    // The class clause alone, then the presence clause of all attributes.
    const ComposedFilter classOnly = ComposeFilter(inputs.classText, inputs.classFlags, "", inputs.mode);
    std::string inner = classOnly.text.empty() ? "" : classOnly.text.substr(1, classOnly.text.size() - 2);
    if (!inner.empty()) {
        inner += " #AND# ";
    }
    inner += PresenceClause(attributes, inputs.compare.uniqueness);
    ComposedFilter filter;
    filter.text = "(" + inner + ")";
    filter.display = filter.text;
    std::erase(filter.display, '#');
    return filter;
}

ValueConflict PlainConflict(std::size_t earlierIndex, const std::string& attribute, const std::string& value)
{
    ValueConflict conflict;
    conflict.earlierIndex = earlierIndex;
    conflict.attribute = attribute;
    conflict.earlierAttribute = attribute;
    conflict.value = value;
    conflict.key = util::FoldAsciiCase(value);
    return conflict;
}

bool ReportConflicts(const std::vector<ValueConflict>& conflicts, const std::string& object, SearchSurface& surface,
    ConflictGroupCollector& groups, SearchRunResult& result)
{
    for (const ValueConflict& conflict : conflicts) {
        // The earlier object's index is not above the object's; the list may
        // have lost it while pending messages were processed.
        if (conflict.earlierIndex >= surface.ObjectCount()) {
            result.outcome = SearchRunOutcome::ListCleared;
            return false;
        }
        const std::string earlier = surface.ObjectAt(conflict.earlierIndex);
        const std::string attribute = conflict.attribute == conflict.earlierAttribute
            ? conflict.attribute
            : conflict.attribute + "/" + conflict.earlierAttribute;
        DuplicateEntry entry {object, earlier, attribute, conflict.value, {}};
        entry.line = util::Format("%s / %s: (%s = %s)", entry.object, entry.earlier, entry.attribute, entry.value);
        surface.AddDuplicate(entry);
        ++result.duplicateCount;
        groups.Add(conflict.key, {earlier, conflict.earlierAttribute}, {object, conflict.attribute}, conflict.value);
        if (surface.Alert() == AlertMode::Popup &&
            surface.ShowMessage(util::MessageBoxKind::Warning, entry.line) == util::MessageBoxButton::Abort) {
            result.outcome = SearchRunOutcome::Aborted;
            return false;
        }
    }
    return true;
}

} // namespace veralith::app
