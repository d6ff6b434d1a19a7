#pragma once

// The search run behind the window's Search button, shared with the command
// line's `find`: compose a filter from the class and the check mode, search
// below the current container, read the chosen attribute of every object found
// and, in the Duplicates mode, report every object whose value equals the value
// of an object earlier in the (sorted) object list.

#include "app/run/conflict_groups.h"
#include "app/run/search_surface.h"
#include "app/run/value_conflicts.h"
#include "client/client.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veralith::app {

// The selected index of RadioGroupAttributeCheck.
enum class CheckMode {
    Duplicates = 0,
    Present = 1,
    NotPresent = 2,
    JustShow = 3,
};

// Bit of a class's flag word that marks an auxiliary class.
inline constexpr std::int32_t kAuxiliaryClassFlag = static_cast<std::int32_t>(client::DS_AUXILIARY_CLASS);

// The inputs of one run, read from the window (or the command line) when the
// run starts and kept for the whole run. The alert is not among them: the run
// asks the surface for it at every duplicate.
struct SearchRunInputs
{
    // The attribute entry selected in the attribute list (empty when none):
    // the attribute that is read.
    std::string attributeName;
    // The attribute text used in the filter (the same as attributeName for a
    // drop-down list).
    std::string attributeText;
    // The class text (empty: no class restriction) and its flag word.
    std::string classText;
    std::int32_t classFlags = 0;
    CheckMode mode = CheckMode::Duplicates;
    // true: the whole subtree below the container (scope 2); false: its direct
    // subordinates (scope 1).
    bool recurse = false;
    // The search context (name context "[Root]") and the container searched.
    client::DirContext searchContext = client::kNoContext;
    std::string containerName;
    // How values are compared in the Duplicates mode (app/run/value_conflicts.h);
    // its excluded bases apply in every mode.
    CompareOptions compare;
};

// A filter text in the filter language and its display form (every "#" removed).
struct ComposedFilter
{
    std::string text;
    std::string display;
};

// The filter of a run: "(Aux Class=%s)" or "(Base Class=%s)" for a non-empty
// class (auxiliary when classFlags has kAuxiliaryClassFlag), joined with
// " #AND# " to "(%s #PRESENT#)" in modes Duplicates and Present or
// "(#NOT# (%s #PRESENT#))" in mode NotPresent for a non-empty attribute text
// (JustShow adds no clause); a non-empty result is wrapped in parentheses.
// Class User, attribute GUID, mode Duplicates give
// "((Base Class=User) #AND# (GUID #PRESENT#))", displayed as
// "((Base Class=User) AND (GUID PRESENT))".
ComposedFilter ComposeFilter(
    const std::string& classText, std::int32_t classFlags, const std::string& attributeText, CheckMode mode);

// How a run ended.
enum class SearchRunOutcome {
    AlreadyRunning, // another run was working on the surface: nothing was done
    NoAttribute, // Duplicates/Present/NotPresent without an attribute: the message was shown, nothing changed
    NoMatch, // the search succeeded and found nothing: the message was shown
    Completed, // every object was processed (NotPresent: the object list is the answer)
    Failed, // the search failed or some objects could not be read: the failure was reported
    Aborted, // the user chose "Abort" in a duplicate's warning box, or asked the surface to stop
    ListCleared, // the object list lost entries during the run; the loop stopped at its end
    Closed, // the surface was closed during the run; the loop stopped
};

struct SearchRunResult
{
    SearchRunOutcome outcome = SearchRunOutcome::Completed;
    ComposedFilter filter;
    // The result of SearchObjectNames (0 = success).
    client::DirResult searchResult = 0;
    // The last directory result (the search's, then each read's).
    client::DirResult lastResult = 0;
    // Number of values appended to the value list.
    std::size_t valuesRead = 0;
    // Objects whose read failed for another reason than lacking the attribute.
    std::size_t readFailures = 0;
    std::size_t duplicateCount = 0;
    // The duplicates grouped by value, in the order found.
    std::vector<ConflictGroup> groups;
    // Outcome Failed: what failed, one line per cause (the search, the reads).
    std::string error;
};

// "<operation> returned error <error text>", the window's error report text;
// a transport failure adds that the connection to the server failed or was
// lost (the code alone does not say so).
std::string DirectoryErrorMessage(const std::string& operation, client::DirResult code);

// Runs one search on the surface. In order: the guard ("Please select an
// attribute for comparison" for every mode but JustShow without attribute name);
// busy cursor, Results page, log cleared; filter composed; object and value
// lists cleared; SearchObjectNames into the object list; "No matching objects
// found - Filter: %s" when it succeeded and found nothing; unless NotPresent,
// for each object (the count taken once): ReadAttributeText, status text
// "%s: %s" (name, value), the value appended (empty when the read failed),
// pending messages processed, and in Duplicates mode a successful read's value
// added to the duplicate list; a refused value appends "%s / %s: (%s = %s)"
// (object, earlier object, attribute name, value) to the log and, when the
// surface's alert is Popup, shows it in a warning box whose "Abort" ends the
// loop at once. Duplicates mode ends with "No duplicates found" when none was
// found (not after a no-match, nor after a failure). The status text is
// cleared and the cursor put back on every path.
//
// A run that did not compare what it was asked to is a failure: a search that
// fails keeps the objects that came (their values are read), and a read that
// fails for another reason than ERR_NO_SUCH_ATTRIBUTE is counted, its value
// left empty and kept out of the duplicate check. Either ends the run with
// outcome Failed and the surface's ReportFailure with the error text (the
// search's error, then how many objects could not be read and why).
//
// A run never starts while another works on the same surface
// (AlreadyRunning), and it stops when the object list has become shorter than
// the index it is about to read (ListCleared) or when the surface was closed
// (Closed); it never reads past the end of a list, and after such a stop it
// shows no "No duplicates found". A surface closed at any point (during the
// search too) ends the run without any further message or report.
//
// With compare options other than the plain ones (CompareOptions::IsPlain),
// the Duplicates mode reads and compares through a ConflictFinder: several
// attributes in the filter and the value list, one log line per value that
// repeats an earlier one (the attribute written "attribute/earlier's
// attribute" when they differ). Objects at or below an excluded base are
// dropped from the object list before anything is read. Errors raised by the layers below (std::exception) end the run
// and propagate to the caller, after the status text, the cursor and the surface's running state are restored.
SearchRunResult RunSearch(const SearchRunInputs& inputs, SearchSurface& surface);

} // namespace veralith::app
