// libFuzzer target for value rendering: octet-string records, values of every
// syntax laid out as the client writes them, and stream decoding.
//
// Input: byte 0 chooses the renderer, byte 1 the syntax or attribute, byte 2
// the value index; the rest is the value. For whole values, every 8-byte word
// at an 8-aligned offset whose top 16 bits are all ones becomes a pointer into
// the value (its low 32 bits, modulo the size plus one, are the offset), so
// structs, lists and their texts can point anywhere inside the value, up to
// one past its end; any other word stays as it is and the formatter must
// reject it without reading through it.

#include "values/errors.h"
#include "values/format.h"
#include "values/octet.h"
#include "values/stream.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace veralith;

const char* const kAttributeNames[] = {
    "App:Path",
    "snmpTrapDescription",
    "FW0 USER ADD",
    "Bindery Property",
    "Public Key",
    "memberQuery",
    "WM:INV DMA",
    "WM:INV Port",
    "WM:INV CPU Information",
    "WM:INV Volume",
    "NGW: Location",
    "App:Folder List",
    "App:FS Rights Path",
    "Transitive Vector",
    "bhConfig",
    "Partition Status",
    "Printer Configuration",
    "App:Macros",
    "App:Copy Files",
    "App:Inventory",
    "App:Program Groups",
    "Surname",
};
constexpr std::size_t kAttributeCount = sizeof(kAttributeNames) / sizeof(kAttributeNames[0]);

void RelocatePointers(std::uint8_t* block, std::size_t size)
{
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, block + at, 8);
        if ((word >> 48) == 0xFFFF) {
            const std::uint64_t offset = (word & 0xFFFFFFFFu) % (size + 1);
            const std::uint8_t* pointer = block + offset;
            std::memcpy(block + at, &pointer, sizeof(pointer));
        }
    }
}

void FuzzValue(std::uint32_t syntaxId, const std::string& attribute, std::int32_t index, const std::uint8_t* data,
    std::size_t size)
{
    // Streams are read through the client, not from the value bytes.
    if (syntaxId == client::SYN_STREAM) {
        return;
    }
    // An exact-size block, so the sanitizer sees any read past the value.
    auto block = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size > 0) {
        std::memcpy(block.get(), data, size);
    }
    RelocatePointers(block.get(), size);
    util::StringList lines;
    const values::AttributeValueInfo info {static_cast<std::int32_t>(size), syntaxId};
    values::FormatAttributeValue(client::kNoContext, "obj", attribute, index, info, block.get(), lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const std::uint8_t mode = data[0] % 3;
    const std::uint8_t choice = data[1];
    const std::int32_t index = data[2] % 4;
    const std::string attribute = kAttributeNames[choice % kAttributeCount];
    data += 3;
    size -= 3;
    try {
        switch (mode) {
        case 0: {
            auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
            if (size > 0) {
                std::memcpy(copy.get(), data, size);
            }
            values::FormatOctetValue({static_cast<std::uint32_t>(size), copy.get()}, attribute, index);
            break;
        }
        case 1:
            FuzzValue(choice, kAttributeNames[(choice / 32) % kAttributeCount], index, data, size);
            break;
        default: {
            auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
            if (size > 0) {
                std::memcpy(copy.get(), data, size);
            }
            values::StreamText(copy.get(), size, attribute);
            break;
        }
        }
    } catch (const values::ValueError&) {
        // A value the formatter refuses with a message: the expected outcome
        // for bad input.
    }
    return 0;
}
