// libFuzzer target for LDIF sources: any input is read as LDIF; a directory
// that loads is walked through the service (every entry, every attribute)
// and written as a snapshot in both formats, which must load again.

#include "client/memory/ldif_loader.h"
#include "client/memory/loader.h"
#include "client/memory/snapshot.h"
#include "fuzz/loaded_directory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Whether a file's own schema gives an attribute of the standard LDAP
// schemas another syntax (or leaves it out, so that it is read as a
// case-ignore string). A tree file starts from the standard schemas and
// checks the values by the standard syntax, so the snapshot of such a
// directory may hold values it refuses.
bool RedefinesStandardAttributes(const veralith::client::Schema& schema)
{
    static const veralith::client::Schema kStandard = veralith::client::memory::BuiltinLdapSchema(nullptr);
    for (const veralith::client::AttributeDef& def : schema.Attributes()) {
        const int id = kStandard.FindAttribute(def.name);
        if (id != veralith::client::kNoSchemaId && kStandard.Attribute(id).syntaxId != def.syntaxId) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith::client;
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    std::vector<std::string> warnings;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!memory::LoadLdifText(text, "fuzz.ldif", "", &directory, &warnings, &error)) {
        veralith::fuzz::RequireMessageNamesFile(error, "fuzz.ldif");
        return 0;
    }
    veralith::fuzz::RequireEveryObjectReadable(*directory);
    for (const auto format : {memory::SnapshotFormat::TreeFile, memory::SnapshotFormat::Ldif}) {
        std::string snapshot;
        std::vector<std::string> left;
        if (memory::WriteSnapshot(*directory, format, &snapshot, &left, &error) != 0) {
            __builtin_trap(); // every directory that loaded can be written
        }
        std::shared_ptr<memory::MemoryDirectory> again;
        if (!memory::LoadTreeText(snapshot, "snapshot", &again, &error) &&
            !RedefinesStandardAttributes(directory->GetSchema())) {
            __builtin_trap(); // a snapshot of what loaded must load
        }
    }
    return 0;
}
