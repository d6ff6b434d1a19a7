#pragma once

// The pieces of the search run that apply the compare options and report
// duplicates (one log line each, and their groups). Used by RunSearch.

#include "app/run/conflict_groups.h"
#include "app/run/search_run.h"
#include "app/run/search_surface.h"
#include "app/run/value_conflicts.h"

#include <cstddef>
#include <string>
#include <vector>

namespace veralith::app {

// The run's attribute followed by the compare options' further attributes.
std::vector<std::string> CompareAttributes(const SearchRunInputs& inputs);

// The filter of a Duplicates run with compare options: as ComposeFilter, with
// the presence clause of every compared attribute (PresenceClause).
ComposedFilter ComposeCompareFilter(const SearchRunInputs& inputs);

// The duplicate the plain check finds: the whole value repeats the value of
// the object at earlierIndex, matched with ASCII letters folded.
ValueConflict PlainConflict(std::size_t earlierIndex, const std::string& attribute, const std::string& value);

// Reports the conflicts of object (in order): the log line "%s / %s: (%s =
// %s)" (object, earlier object, attribute - "a/b" when the earlier object
// holds it in another attribute b -, value) through surface.AddDuplicate,
// the duplicate counted in result and added to groups, and the warning box
// when the surface's alert is Popup. Returns false when the run must stop:
// the earlier object is no longer in the object list (result's outcome
// ListCleared) or the user chose "Abort" (Aborted).
bool ReportConflicts(const std::vector<ValueConflict>& conflicts, const std::string& object, SearchSurface& surface,
    ConflictGroupCollector& groups, SearchRunResult& result);

} // namespace veralith::app
