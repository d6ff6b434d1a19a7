#pragma once

// The directory search: runs a filtered search below a base object and hands
// back, for every object found, a display text built from a naming template
// (search/result_name.h).

#include "client/client.h"
#include "directory/listing.h"
#include "util/string_list.h"

#include <cstdint>
#include <functional>
#include <string>

namespace veralith::search {

// Called for every object found with the current result (its context, name,
// attribute count, object information and display text filled) and the
// caller's user value. What it throws (a std::exception) is caught and the
// search goes on; the first such failure is told on standard error.
using SearchCallback = std::function<void(directory::TNDSObj& current, std::int32_t userValue)>;

// What a search is asked: the fields a caller fills before SearchObjects.
struct SearchRequest
{
    // The search's context; names are written and read in its name form. It
    // is used as it stands, never changed.
    client::DirContext context = client::kNoContext;
    // The object below which to search.
    std::string base {};
    // A filter text (search/filter.h). When it does not hold as many "(" as
    // ")", the result is kFilterSyntaxError at once: no client call is made and
    // the list is not touched. An empty text is no filter: every object in
    // scope is found.
    std::string filter {};
    // Passed to DirSearch unchanged (1 the objects directly below base, 2 the
    // whole subtree, 0 the base itself).
    std::int32_t scope = 1;
    // May be null. For every object found one entry is appended (the list is
    // neither cleared nor sorted): the display text, with the 1-based position
    // of the object name in it (0 when the template holds no "#NAME#") as the
    // entry's value.
    util::StringList* results = nullptr;
    // The naming template; empty means "#NAME#".
    std::string nameTemplate {};
    // Stop once the counter has reached it (counter >= limit after an object);
    // 0 or less means no limit.
    std::int32_t limit = 0;
    // May be null. Incremented by one for every object whose name was read;
    // it is not reset, so the limit counts the caller's objects.
    std::int32_t* counter = nullptr;
    // May be empty; see SearchCallback.
    SearchCallback callback {};
    // May be null. Read after every object (so the first object always
    // passes); the search stops when it is true. The callback, or code running
    // while the search lets the window process messages, may set it.
    const bool* stop = nullptr;
    // Handed to the callback unchanged.
    std::int32_t userValue = 0;
};

// Searches below request.base and names every object found.
//
// Display texts are built only when a callback or a result list is given.
// The search lets the window process pending messages before every request
// and before every object. An object whose name cannot be read is reported at
// once with directory::ReportError (empty operation name) and passed over.
// When the limit or the stop flag ends the search early, the iteration is
// closed (DirCloseIteration, DSV_SEARCH).
//
// Returns 0, kFilterSyntaxError for a filter that cannot be translated, or
// the client's code: that of the failing buffer preparation, filter write or
// DirSearch, otherwise that of the last DirGetObjectCount or DirGetObjectName
// (so an object passed over because its name could not be read shows in the
// result although the search went on). A failure raised while the search runs
// (a template format that does not take one text argument, for example) ends
// it with the code held at that point; its reason goes to standard error, as
// does the first failure a callback raises (the search goes on after those). Every buffer, the filter
// cursor and any open iteration are released on every path.
client::DirResult SearchObjects(const SearchRequest& request);

// SearchObjects with the template "#NAME#", no limit, no callback and no stop
// flag: appends the names of the objects found to results.
client::DirResult SearchObjectNames(client::DirContext context, const std::string& base, const std::string& filter,
    std::int32_t scope, util::StringList* results);

} // namespace veralith::search
