#pragma once

// The escapes of dotted names, shared by every layer that splits or joins
// them.
//
// A component value that contains ".", "=", "+" or "\" writes a backslash
// before that character ("john\.doe.People.example.com" has three
// components, the first "john.doe"). Everything that splits, joins, counts or
// compares names treats "\x" as one character of its component. An unescaped
// "=" separates a component's type from its value ("uid=adm"); an unescaped
// "+" separates the parts of a component named by several values
// ("cn=Doe+uid=jdoe1").

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::client {

// The position of the first separator at or after from that no backslash
// escapes; npos when there is none. A backslash always escapes the character
// after it.
std::size_t FindUnescaped(std::string_view text, char separator, std::size_t from = 0);

// The position of the last unescaped separator before end; npos when none.
std::size_t FindUnescapedBackward(std::string_view text, char separator, std::size_t end);

// Splits text at each unescaped separator; the parts keep their escapes. An
// empty text gives no parts.
std::vector<std::string_view> SplitUnescaped(std::string_view text, char separator);

// The number of unescaped separators in text.
std::size_t CountUnescaped(std::string_view text, char separator);

// True when every backslash of text escapes a character (none stands last).
bool EscapesComplete(std::string_view text);

// A value written for a name: a backslash before ".", "=", "+" and "\".
std::string EscapeNameValue(std::string_view value);

// The value of a written component value: each "\x" becomes "x".
std::string UnescapeNameValue(std::string_view text);

} // namespace veralith::client
