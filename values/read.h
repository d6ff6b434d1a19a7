#pragma once

// Reading an object's attribute values as text: the one door through which
// the rest of the program reads values.

#include "client/client.h"
#include "util/string_list.h"

#include <string>

namespace veralith::values {

// The values of an attribute specification as one text: every value line,
// joined by CR LF, with the line breaks at the very end cut off.
//
// context is the caller's (never changed: every read works on a duplicate);
// objectName is in the form the context expects; spec is an attribute
// specification as ReadAttributeLines reads it.
// Returns 0 and sets text, or returns the failing result code (a client code,
// or StreamReadFailed) and leaves text as it was. Errors raised while a stream
// is decoded (ValueError) reach the caller; every buffer and duplicate context
// is released first.
client::DirResult ReadAttributeText(
    client::DirContext context, const std::string& objectName, const std::string& spec, std::string& text);

// Resolves an attribute specification into value lines.
//
// spec is "name" or "name|rest": only the first "|" splits. The name, in
// upper case, may be a pseudo-attribute answered without reading any
// attribute: "CONTEXT" (the holding container's full name), "CN" (the relative
// name), "CLASS" (the base class), "CREATETIMESTAMP" and "MODIFYTIMESTAMP" (the
// entry's times in UTC, shown with the pattern "ddddd t"). Any other name is
// read with ReadAttributeValues, spelled as written.
// With a rest, every line read is taken as an object name in context and the
// rest is read from that object; lines of objects whose read fails are
// dropped, and the result is the result for the last line (0 for no lines).
// For "creatorsName" and "modifiersName" (any case) each line is first
// converted from the comma form to a full dotted name.
// lines is replaced by the lines collected (split at line breaks inside
// entries), also when the result is not 0. Returns 0 or a result code.
client::DirResult ReadAttributeLines(
    client::DirContext context, const std::string& objectName, const std::string& spec, util::StringList& lines);

// ReadAttributeLines without the final split at line breaks: entries is
// replaced by one entry per value (a value's own line breaks stay inside its
// entry), so that values can be compared one by one.
client::DirResult ReadAttributeEntries(
    client::DirContext context, const std::string& objectName, const std::string& spec, util::StringList& entries);

// Reads the attribute attrName of objectName from the directory and appends
// one entry per value (FormatAttributeValue; an entry may hold line breaks),
// or the stream's text for a stream attribute. An error raised while one value
// is fetched or formatted becomes that value's entry (its message) and the
// read goes on. Values are numbered 1, 2, ... through the whole attribute,
// also when they come in more than one reply. "Aliased Object Name" (any case) is read from the alias itself,
// not from the object it names.
// Works on a duplicate of context, a 4096-byte request buffer and a
// 64512-byte reply buffer, all released before it returns, on every path.
// Returns 0 or the last failing client result (or ReadStreamText's result for
// a stream); entries added before a failure stay in lines.
client::DirResult ReadAttributeValues(
    client::DirContext context, const std::string& objectName, const std::string& attrName, util::StringList& lines);

} // namespace veralith::values
