#pragma once

// The progress side of a search run: the search that hands its objects to the
// surface while it runs (for a surface that shows them at once) and tells the
// surface how far it has come, and the pace at which the reading phase
// reports its counts.

#include "app/run/search_surface.h"
#include "client/client.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace veralith::app {

// Runs search::SearchObjects with the template "#NAME#" below container
// (scope 2 when recurse, else 1) and puts every object found into the
// surface's object list. When the surface shows objects while searching
// (SearchSurface::ObjectsWhileSearching), the names go to AddObjects in
// batches at most batchInterval apart; otherwise in one AddObjects call at the
// end, exactly as a plain search would. progress.objectsFound counts the
// objects named; the surface's RunProgressed hears of it every
// kProgressObjects objects. Objects at or below one of excludedBases are left
// out of the list (they are still counted as found). The search stops early when the surface asks to
// stop or was closed (*stopped is then true). Returns the search's result.
client::DirResult SearchIntoSurface(client::DirContext context, const std::string& container, const std::string& filter,
    bool recurse, const std::vector<std::string>& excludedBases, SearchSurface& surface, RunProgress& progress,
    bool* stopped, std::chrono::milliseconds batchInterval = std::chrono::milliseconds(200));

// Objects between two progress reports of the run.
inline constexpr std::size_t kProgressObjects = 256;

// Reports the reading phase to the surface: once when it starts, after every
// kProgressObjects values, and once at its end.
class ReadingProgress
{
public:
    ReadingProgress(SearchSurface& surface, RunProgress& progress, std::size_t objectsToRead);
    ~ReadingProgress();
    ReadingProgress(const ReadingProgress&) = delete;
    ReadingProgress& operator=(const ReadingProgress&) = delete;

    // One more value was read.
    void ValueRead()
    {
        ++m_progress.valuesRead;
        if (m_progress.valuesRead % kProgressObjects == 0) {
            m_surface.RunProgressed(m_progress);
        }
    }

private:
    SearchSurface& m_surface;
    RunProgress& m_progress;
};

} // namespace veralith::app
