#include "app/run/run_progress.h"

#include "app/run/value_conflicts.h"
#include "search/search.h"
#include "util/string_list.h"

namespace veralith::app {

client::DirResult SearchIntoSurface(client::DirContext context, const std::string& container, const std::string& filter,
    bool recurse, const std::vector<std::string>& excludedBases, SearchSurface& surface, RunProgress& progress,
    bool* stopped, std::chrono::milliseconds batchInterval)
{
    using Clock = std::chrono::steady_clock;
    const bool showWhileSearching = surface.ObjectsWhileSearching();
    util::StringList found;
    bool stop = false;
    std::int32_t counter = 0;
    Clock::time_point lastBatch = Clock::now();
    progress = RunProgress {};
    surface.RunProgressed(progress);
    const auto addObjects = [&](const util::StringList& names) {
        if (excludedBases.empty()) {
            surface.AddObjects(names);
        } else {
            surface.AddObjects(WithoutExcludedBases(names, excludedBases));
        }
    };
    // Called for every object before the search appends it to found: what
    // found holds then are the objects before it.
    const search::SearchCallback each = [&](directory::TNDSObj&, std::int32_t) {
        progress.objectsFound = static_cast<std::size_t>(counter);
        if (progress.objectsFound % kProgressObjects != 0) {
            return;
        }
        if (showWhileSearching && !found.Empty() && Clock::now() - lastBatch >= batchInterval) {
            addObjects(found);
            found.Clear();
            lastBatch = Clock::now();
        }
        surface.RunProgressed(progress);
        stop = surface.StopRequested() || surface.Closed();
    };
    search::SearchRequest request;
    request.context = context;
    request.base = container;
    request.filter = filter;
    request.scope = recurse ? 2 : 1;
    request.results = &found;
    request.counter = &counter;
    request.callback = each;
    request.stop = &stop;
    const client::DirResult result = search::SearchObjects(request);
    addObjects(found);
    progress.objectsFound = static_cast<std::size_t>(counter);
    progress.searching = false;
    *stopped = stop;
    return result;
}

ReadingProgress::ReadingProgress(SearchSurface& surface, RunProgress& progress, std::size_t objectsToRead)
    : m_surface(surface)
    , m_progress(progress)
{
    m_progress.searching = false;
    m_progress.objectsToRead = objectsToRead;
    m_surface.RunProgressed(m_progress);
}

ReadingProgress::~ReadingProgress()
{
    m_surface.RunProgressed(m_progress);
}

} // namespace veralith::app
