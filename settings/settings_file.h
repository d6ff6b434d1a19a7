#pragma once

// The settings file: where it lives, and the value operations every control
// state goes through. Section and key names compare without regard to ASCII case
// (see platform::IniFile).

#include "platform/ini_file.h"

#include <string>
#include <vector>

namespace veralith::settings {

using platform::IniFile;
using platform::IniFileError;

// The main section of the settings file.
inline constexpr const char* kSettingsSection = "Settings";

// A key whose first character is "[" loses every "[" and "]" it contains ("[Root]"
// gives "Root", "[a]b[c]" gives "abc"), since a line beginning with "[" reads as a
// section header; any other key is returned unchanged.
std::string NormalizeKey(const std::string& key);

// True when an INI file of that name takes a write: writes "TestTest"="TestTest"
// in section "TestTest", reads it back through a fresh reading of the file, and
// deletes it again (the section goes with it). Any error makes it false; never
// raises.
bool ProbeIniWritable(const std::string& fileName);

// The settings file name, computed afresh on every call: the file-name part of
// the executable's path with the extension "ini" (everything after the last "/",
// "\" or ":"). When ProbeIniWritable accepts that bare name, the bare name is the
// answer (the INI service places it in the system configuration directory).
// Otherwise the answer is that name in the per-user application-data folder
// (ReadShellFolder("AppData") with a trailing separator), which is created when
// missing; with no such folder it is "/" followed by the bare name.
std::string SettingsFileName();

// Reads of one key, the key passed through NormalizeKey first.
int ReadIntKey(const IniFile& file, const std::string& section, const std::string& key, int defaultValue);
std::string ReadTextKey(
    const IniFile& file, const std::string& section, const std::string& key, const std::string& defaultValue);
bool ReadBoolKey(const IniFile& file, const std::string& section, const std::string& key, bool defaultValue);

// Conditional writes: the key is passed through NormalizeKey, and an empty key
// writes nothing. Errors of the INI service (IniFileError) pass through.
//
// Text: written only when it differs from the stored text (default empty) and
// from QuoteText(stored text), the latter being how an unchanged value that was
// written in double quotes compares after the quotes were removed on reading.
void WriteTextIfChanged(IniFile& file, const std::string& section, const std::string& key, const std::string& value);
// Integer: written in decimal only when it differs from the stored integer read
// with the default 0, so a 0 is never written for an absent key.
void WriteIntIfChanged(IniFile& file, const std::string& section, const std::string& key, int value);
// Flag: "1" or "0", written when the key is absent or its stored flag differs.
void WriteBoolIfChanged(IniFile& file, const std::string& section, const std::string& key, bool value);

// The form a text is written in so that it reads back unchanged: enclosed in
// double quotes when it begins or ends with a blank or tab, or is itself enclosed
// in a pair of matching quotes (the service would strip them); otherwise as it
// stands.
std::string ProtectText(const std::string& text);

// Erases the section, then writes every entry under the keys "0", "1", … in
// order, each in its ProtectText form; empty entries are written too, so that the
// list reads back with the same entries at the same places. IniFileError passes
// through.
void WriteStringsSection(IniFile& file, const std::string& section, const std::vector<std::string>& list);

// Clears the list, then appends the value of every key line of the section in
// file order (a line without "=" is appended whole); keys are not interpreted. A
// missing section leaves the list empty.
void ReadStringsSection(const IniFile& file, const std::string& section, std::vector<std::string>& list);

} // namespace veralith::settings
