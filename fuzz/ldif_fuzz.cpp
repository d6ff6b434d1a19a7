// libFuzzer target for LDIF sources: any input is read as LDIF; a directory
// that loads is walked through the service (every entry, every attribute)
// and written as a snapshot in both formats, which must load again.

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
        if (directory->readEntry(name, &entry) != 0 || directory->readAttributes(name, nullptr, &attributes) != 0) {
            __builtin_trap(); // an entry the loader placed must be found by its name
        }
    }
    for (const auto format : {memory::SnapshotFormat::TreeFile, memory::SnapshotFormat::Ldif}) {
        std::string snapshot;
        std::vector<std::string> left;
        if (memory::WriteSnapshot(*directory, format, &snapshot, &left, &error) != 0) {
            __builtin_trap(); // every directory that loaded can be written
        }
        std::shared_ptr<memory::MemoryDirectory> again;
        if (!memory::LoadTreeText(snapshot, "snapshot", &again, &error)) {
            __builtin_trap(); // a snapshot of what loaded must load
        }
    }
    return 0;
}
