// libFuzzer target for result-naming templates: any input is used as the
// template of a search over the built-in sample tree, so that every field,
// format and placeholder form is expanded for real objects.

#include "client/client.h"
#include "fuzz/search_context.h"
#include "search/search.h"
#include "util/string_list.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith;
    const std::string nameTemplate(reinterpret_cast<const char*>(data), size);
    util::StringList results;
    search::SearchRequest request;
    request.context = fuzz::SampleSearchContext();
    request.base = "[Root]";
    request.filter = "(Base Class=User)";
    request.scope = 2;
    request.results = &results;
    request.nameTemplate = nameTemplate;
    request.limit = 8;
    const client::DirResult result = search::SearchObjects(request);
    if (result > 0 || results.Count() > 8) {
        __builtin_trap();
    }
    // A template without any placeholder is every object's display text.
    if (!nameTemplate.empty() && nameTemplate.find('#') == std::string::npos) {
        for (std::size_t i = 0; i < results.Count(); ++i) {
            if (results.TextAt(i) != nameTemplate) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
