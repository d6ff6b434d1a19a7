// libFuzzer target for the filter language: any input is split into items,
// and searched with as a filter over the built-in sample tree, so that the
// translation into filter tokens, the client's expression building and the
// in-memory evaluation all see it.

#include "client/client.h"
#include "fuzz/search_context.h"
#include "search/filter.h"
#include "search/search.h"
#include "util/string_list.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith;
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The split: no item holds a line break.
    const std::vector<std::string> items = search::SplitFilterText(text);
    for (const std::string& item : items) {
        if (item.find_first_of("\r\n", 0, 2) != std::string::npos) {
            __builtin_trap();
        }
    }

    util::StringList results;
    search::SearchRequest request;
    request.context = fuzz::SampleSearchContext();
    request.base = "[Root]";
    request.filter = text;
    request.scope = 2;
    request.results = &results;
    request.limit = 64;
    const client::DirResult result = search::SearchObjects(request);
    const bool balanced = std::count(text.begin(), text.end(), '(') == std::count(text.begin(), text.end(), ')');
    if (result > 0 || (!balanced && result != search::kFilterSyntaxError) || (result == 0 && results.Count() > 64)) {
        __builtin_trap();
    }
    return 0;
}
