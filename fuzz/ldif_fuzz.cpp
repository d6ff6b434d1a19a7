// libFuzzer target for LDIF sources: any input is read as LDIF; a directory
// that loads is walked through the service (every entry, every attribute)
// and written as a snapshot in both formats, which is loaded again.

#include "client/memory/ldif_loader.h"
#include "client/memory/loader.h"
#include "client/memory/snapshot.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith::client;
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    std::vector<std::string> warnings;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!memory::LoadLdifText(text, "fuzz.ldif", "", &directory, &warnings, &error)) {
        if (error.rfind("fuzz.ldif", 0) != 0) {
            __builtin_trap(); // every message names the file
        }
        return 0;
    }
    for (std::uint32_t i = 1; i < directory->objectCount(); ++i) {
        const std::string name = directory->fullName(i);
        ObjectSummary entry;
        std::vector<AttributeData> attributes;
        // Every entry should be found by its name; names of odd values (an
        // empty component, bytes that are no UTF-8) do not always come back
        // yet, so only the safety of the look-up is checked here.
        if (directory->readEntry(name, &entry) == 0) {
            directory->readAttributes(name, nullptr, &attributes);
        }
    }
    for (const auto format : {memory::SnapshotFormat::TreeFile, memory::SnapshotFormat::Ldif}) {
        std::string snapshot;
        std::vector<std::string> left;
        // Writing and loading the snapshot again must be safe. That every
        // directory is written and every snapshot loads is not asserted here
        // yet: unusual directories (classes no schema knows, typed names) are
        // refused on the way.
        if (memory::WriteSnapshot(*directory, format, &snapshot, &left, &error) != 0) {
            continue;
        }
        std::shared_ptr<memory::MemoryDirectory> again;
        memory::LoadTreeText(snapshot, "snapshot", &again, &error);
    }
    return 0;
}
