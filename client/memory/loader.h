#pragma once

// The tree-file loader: turns a tree file (JSON, see the tree-file format)
// into an in-memory directory. Every value is checked against its syntax
// while loading; a file that cannot be loaded gives one message naming the
// file, the place (JSON pointer, or line and column for syntax errors) and
// what is wrong:
//
//   data/acme.json: /objects/3/name: parent "Sales.Acme" of "jsmith.Sales.Acme" is not in the file
//   data/acme.json:12:5: syntax error: expected ',' or '}'
//
// Loading never crashes and never reads past its input. A member named
// "comment" is accepted (and ignored) in every JSON object of the file.

#include "client/memory/memory_directory.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client::memory {

// Files larger than this are refused with a message.
inline constexpr std::size_t kMaxTreeFileBytes = std::size_t {1} << 30;

// Loads a tree from text; fileName is only used in messages. Text that
// reads as LDIF (ldif_loader.h) is loaded as LDIF, with the schema file that
// VERALITH_LDIF_SCHEMA names when it holds no schema of its own; its
// warnings are appended to *warnings when given. On failure returns false,
// leaves *directory alone and writes the message to *error.
bool LoadTreeText(std::string_view text, const std::string& fileName, std::shared_ptr<MemoryDirectory>* directory,
    std::string* error, std::vector<std::string>* warnings = nullptr);
bool LoadTreeText(
    std::string_view text, const std::string& fileName, std::shared_ptr<DirectoryService>* service, std::string* error);

// Loads a tree file (or LDIF file) from disk.
bool LoadTreeFile(const std::string& path, std::shared_ptr<MemoryDirectory>* directory, std::string* error,
    std::vector<std::string>* warnings = nullptr);

// Loads a tree source of the workstation configuration: a file path, or
// "builtin:NAME" for a built-in tree file (NAME as in BuiltinTrees()).
bool LoadTreeSource(const std::string& source, std::shared_ptr<DirectoryService>* service, std::string* error,
    std::vector<std::string>* warnings = nullptr);

} // namespace veralith::client::memory
