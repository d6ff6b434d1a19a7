#pragma once

// The checks the loader fuzz targets make of what they loaded: a refusal
// names the file, and every object the loader placed is found by its name and
// read whole through the service.

#include "client/memory/memory_directory.h"

#include <string>
#include <vector>

namespace veralith::fuzz {

// Traps unless a loader's error message starts with the file's name.
inline void RequireMessageNamesFile(const std::string& error, const std::string& fileName)
{
    if (error.rfind(fileName, 0) != 0) {
        __builtin_trap();
    }
}

// Traps when an object of the directory cannot be read by its name.
inline void RequireEveryObjectReadable(client::memory::MemoryDirectory& directory)
{
    for (std::uint32_t i = 1; i < directory.ObjectCount(); ++i) {
        const std::string name = directory.FullName(i);
        client::ObjectSummary entry;
        std::vector<client::AttributeData> attributes;
        if (directory.ReadEntry(name, &entry) != 0 || directory.ReadAttributes(name, nullptr, &attributes) != 0) {
            __builtin_trap();
        }
    }
}

} // namespace veralith::fuzz
