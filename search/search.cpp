#include "search/search.h"

#include "directory/error_text.h"
#include "search/filter.h"
#include "search/result_name.h"
#include "search/search_state.h"
#include "util/feedback.h"
#include "util/text.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace veralith::search {

namespace {

const util::CharSet kOpenGroup {'('};
const util::CharSet kCloseGroup {')'};

// Closes the search's iteration when the search leaves it open (the limit,
// the stop flag, or a failure raised between two replies).
class IterationCloser
{
public:
    explicit IterationCloser(directory::TNDSObj& current)
        : m_current(current)
    { }
    ~IterationCloser() { Close(); }
    IterationCloser(const IterationCloser&) = delete;
    IterationCloser& operator=(const IterationCloser&) = delete;

    void Close()
    {
        if (m_current.iteration != -1) {
            client::DirCloseIteration(m_current.context, m_current.iteration, client::DSV_SEARCH);
            m_current.iteration = -1;
        }
    }

private:
    directory::TNDSObj& m_current;
};

// Prepares the request buffer and writes the translated filter into it.
// Returns 0 when the search can run.
client::DirResult PrepareFilter(SearchState& state, const std::string& filter)
{
    const client::DirContext context = state.current.context;
    client::DirResult result = client::DirInitBuffer(context, client::DSV_SEARCH_FILTER, state.filterBuffer.get());
    if (result != 0) {
        return result;
    }
    state.filterLines = SplitFilterText(filter);
    for (const std::string& line : state.filterLines) {
        result = TranslateFilterLine(line, state);
        if (result != 0) {
            break;
        }
    }
    // The end token goes on whatever the translation gave; its own result
    // does not count (without a cursor, for an empty filter, it fails).
    client::DirAddFilterToken(state.cursor.get(), client::FTOK_END, nullptr, 0);
    if (result == 0) {
        result = client::DirPutFilter(context, state.filterBuffer.get(), state.cursor.get(), nullptr);
        if (result == 0) {
            state.cursor.release(); // the client has taken the cursor over
        }
    }
    if (result != 0) {
        state.cursor.reset();
    }
    return result;
}

// What the caller hands over for the objects found.
struct ObjectSink
{
    util::StringList* results;
    std::int32_t limit;
    std::int32_t& counter;
    const SearchCallback& callback;
    const bool& stopFlag;
    std::int32_t userValue;
    bool& callbackFailed;

    // Display texts are built only for a callback or a result list.
    bool NamesWanted() const { return callback || results != nullptr; }
    bool StopNow() const { return stopFlag || (limit > 0 && counter >= limit); }
};

// Takes every object of the current reply; result receives the code of each
// client call. Returns false when the search is to stop (stop flag or limit).
bool TakeReplyObjects(SearchState& state, std::uint32_t count, client::DirResult& result, const ObjectSink& sink)
{
    directory::TNDSObj& current = state.current;
    for (std::uint32_t i = 0; i < count; ++i) {
        util::ProcessPendingMessages();
        state.nameBuffer.fill('\0');
        result = client::DirGetObjectName(
            current.context, state.replyBuffer.get(), state.nameBuffer.data(), &current.attrCount, &current.info);
        if (result != 0) {
            directory::ReportError(result, "");
        } else {
            ++sink.counter;
            if (sink.NamesWanted()) {
                current.name.assign(state.nameBuffer.data(), strnlen(state.nameBuffer.data(), state.nameBuffer.size()));
                current.displayText = ExpandResultName(state);
                if (sink.callback) {
                    try {
                        sink.callback(current, sink.userValue);
                    } catch (const std::exception& error) {
                        // A failing callback does not end the search; its
                        // first failure is told on standard error.
                        if (!sink.callbackFailed) {
                            sink.callbackFailed = true;
                            std::fprintf(stderr, "veralith: the search's callback failed for \"%s\": %s\n",
                                current.name.c_str(), error.what());
                        }
                    }
                }
                if (sink.results != nullptr) {
                    sink.results->Add(current.displayText, state.namePosition);
                }
            }
        }
        if (sink.StopNow()) {
            return false;
        }
    }
    return true;
}

} // namespace

client::DirResult SearchObjects(const SearchRequest& request)
{
    const std::string& filter = request.filter;
    if (util::CountCharsInSet(filter, kOpenGroup) != util::CountCharsInSet(filter, kCloseGroup)) {
        return kFilterSyntaxError;
    }

    const client::DirContext context = request.context;
    auto state = std::make_unique<SearchState>();
    state->current.context = context;
    state->nameTemplate = request.nameTemplate.empty() ? std::string("#NAME#") : request.nameTemplate;
    std::int32_t ownCounter = 0;
    const bool neverStop = false;
    const bool& stopFlag = request.stop != nullptr ? *request.stop : neverStop;
    bool callbackFailed = false;
    const ObjectSink sink {request.results, request.limit, request.counter != nullptr ? *request.counter : ownCounter,
        request.callback, stopFlag, request.userValue, callbackFailed};

    client::DirResult result = 0;
    try {
        result = state->filterBuffer.allocate(client::kSmallBufferSize);
        if (result != 0) {
            return result;
        }
        result = state->replyBuffer.allocate(client::kSmallBufferSize);
        if (result != 0) {
            return result;
        }
        result = PrepareFilter(*state, filter);
        if (result != 0) {
            return result;
        }

        directory::TNDSObj& current = state->current;
        IterationCloser closer(current);
        current.iteration = -1;
        do {
            util::ProcessPendingMessages();
            // No alias dereferencing; no attributes asked for (information
            // type 0, not all, no attribute names); no count of objects.
            result = client::DirSearch(context, request.base.c_str(), request.scope, false, state->filterBuffer.get(),
                &state->timeStamp, 0, false, nullptr, &current.iteration, 0, nullptr, state->replyBuffer.get());
            if (result != 0) {
                break;
            }
            std::uint32_t count = 0;
            result = client::DirGetObjectCount(context, state->replyBuffer.get(), &count);
            if (!TakeReplyObjects(*state, count, result, sink)) {
                closer.Close();
                break;
            }
        } while (!stopFlag && current.iteration != -1);
    } catch (const std::exception& error) {
        // A failure raised while the search runs (a template format that does
        // not fit, a value the program cannot convert) ends it with the code
        // held at that point, as the contract says; the state releases what it
        // holds. The callers check templates first, so the reason goes to
        // standard error rather than to a box.
        std::fprintf(stderr, "veralith: the search of \"%s\" ended early: %s\n", request.base.c_str(), error.what());
    }
    return result;
}

client::DirResult SearchObjectNames(client::DirContext context, const std::string& base, const std::string& filter,
    std::int32_t scope, util::StringList* results)
{
    SearchRequest request;
    request.context = context;
    request.base = base;
    request.filter = filter;
    request.scope = scope;
    request.results = results;
    return SearchObjects(request);
}

} // namespace veralith::search
