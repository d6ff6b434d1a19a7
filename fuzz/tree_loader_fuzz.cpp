// libFuzzer target for the tree-file loader: any input is loaded as a tree
// file; a tree that loads is then walked through the service (every entry,
// every attribute), so that whatever the loader accepts can also be served.

#include "client/memory/loader.h"

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
        if (error.rfind("fuzz.json", 0) != 0) {
            __builtin_trap(); // every message names the file
        }
        return 0;
    }
    for (std::uint32_t i = 1; i < directory->objectCount(); ++i) {
        const std::string name = directory->fullName(i);
        ObjectSummary entry;
        std::vector<AttributeData> attributes;
        if (directory->readEntry(name, &entry) != 0 || directory->readAttributes(name, nullptr, &attributes) != 0) {
            __builtin_trap(); // an object the loader placed must be found by its name
        }
    }
    return 0;
}
