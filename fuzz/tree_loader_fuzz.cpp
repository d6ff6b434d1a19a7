// libFuzzer target for the tree-file loader: any input is loaded as a tree
// file; a tree that loads is then walked through the service (every entry,
// every attribute), so that whatever the loader accepts can also be served.

#include "client/memory/loader.h"
#include "fuzz/loaded_directory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith::client;
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!memory::LoadTreeText(text, "fuzz.json", &directory, &error)) {
        veralith::fuzz::RequireMessageNamesFile(error, "fuzz.json");
        return 0;
    }
    veralith::fuzz::RequireEveryObjectReadable(*directory);
    return 0;
}
