#pragma once

// Checking and encoding the values of a tree file: one JSON value of an
// attribute of a given syntax becomes one wire value (client/wire.h).
// Internal to the loader.

#include "client/memory/json.h"
#include "client/schema.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veralith::client::memory {

// Encodes one JSON value of the syntax. On failure returns false and writes
// what is wrong (e.g. "\"type\" must be an integer") into *problem.
bool EncodeTreeValue(const JsonDocument& doc, std::uint32_t node, std::uint32_t syntax, const Schema& schema,
    std::string* wire, std::string* problem);

// A time of the file: ISO 8601 UTC text ("2004-03-01T08:00:00Z") or whole
// seconds since 1970 (0 to 2^32-1).
bool ParseTreeTime(const JsonDocument& doc, std::uint32_t node, std::uint32_t* seconds);

// Bytes of the file: "hex:", "base64:" or "text:" followed by the content.
bool ParseTreeBytes(std::string_view text, std::string* bytes);

// Checks a full typeless dotted name as the file writes object names; on
// failure writes what is wrong into *problem. With typed given, a component
// may also be typed ("uid=adm", "cn=Doe+uid=jdoe1": the names of a directory
// whose siblings share a value under different naming attributes, as
// snapshots of LDAP and LDIF sources write them), and *typed is set to true
// when one is.
bool CheckTreeName(std::string_view name, std::string* problem, bool* typed = nullptr);

} // namespace veralith::client::memory
