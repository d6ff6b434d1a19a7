#include "settings/settings_file.h"

#include "platform/folders.h"
#include "util/path.h"
#include "util/text.h"

#include <filesystem>
#include <system_error>

namespace veralith::settings {

namespace {

constexpr const char* kProbeName = "TestTest";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string NormalizeKey(const std::string& key)
{
    if (!key.empty() && key.front() == '[') {
        return util::RemoveChars(key, "[]");
    }
    return key;
}

bool ProbeIniWritable(const std::string& fileName)
{
    try {
        IniFile file(fileName);
        file.WriteString(kProbeName, kProbeName, kProbeName);
        file.UpdateFile();
        const std::string readBack = IniFile(fileName).ReadString(kProbeName, kProbeName, "");
        file.DeleteKey(kProbeName, kProbeName);
        return readBack == kProbeName;
    } catch (const IniFileError&) {
        // A file that cannot be written or read back is what this probe
        // reports as false.
        return false;
    }
}

std::string SettingsFileName()
{
    const std::string full = util::ExeFileWithExtension("ini");
    const std::size_t cut = full.find_last_of("/\\:");
    const std::string bare = cut == std::string::npos ? full : full.substr(cut + 1);
    if (ProbeIniWritable(bare)) {
        return bare;
    }
    const std::string folder = platform::ReadShellFolder("AppData");
    if (!folder.empty()) {
        // The per-user folder may not exist yet on a fresh account.
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
    }
    return util::WithTrailingBackslash(folder) + bare;
}

int ReadIntKey(const IniFile& file, const std::string& section, const std::string& key, int defaultValue)
{
    return file.ReadInteger(section, NormalizeKey(key), defaultValue);
}

std::string ReadTextKey(
    const IniFile& file, const std::string& section, const std::string& key, const std::string& defaultValue)
{
    return file.ReadString(section, NormalizeKey(key), defaultValue);
}

bool ReadBoolKey(const IniFile& file, const std::string& section, const std::string& key, bool defaultValue)
{
    return file.ReadBool(section, NormalizeKey(key), defaultValue);
}

void WriteTextIfChanged(IniFile& file, const std::string& section, const std::string& key, const std::string& value)
{
    const std::string k = NormalizeKey(key);
    if (k.empty()) {
        return;
    }
    const std::string stored = file.ReadString(section, k, "");
    if (value != stored && value != util::QuoteText(stored)) {
        file.WriteString(section, k, value);
    }
}

void WriteIntIfChanged(IniFile& file, const std::string& section, const std::string& key, int value)
{
    const std::string k = NormalizeKey(key);
    if (k.empty()) {
        return;
    }
    if (value != file.ReadInteger(section, k, 0)) {
        file.WriteInteger(section, k, value);
    }
}

void WriteBoolIfChanged(IniFile& file, const std::string& section, const std::string& key, bool value)
{
    const std::string k = NormalizeKey(key);
    if (k.empty()) {
        return;
    }
    if (!file.ValueExists(section, k) || file.ReadBool(section, k, false) != value) {
        file.WriteBool(section, k, value);
    }
}

std::string ProtectText(const std::string& text)
{
    const bool padded = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
    const bool quoted =
        text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    return padded || quoted ? "\"" + text + "\"" : text;
}

void WriteStringsSection(IniFile& file, const std::string& section, const std::vector<std::string>& list)
{
    file.EraseSection(section);
    for (std::size_t i = 0; i < list.size(); ++i) {
        file.WriteString(section, std::to_string(i), ProtectText(list[i]));
    }
}

void ReadStringsSection(const IniFile& file, const std::string& section, std::vector<std::string>& list)
{
    list.clear();
    for (const platform::IniEntry& entry : file.ReadSectionValues(section)) {
        list.push_back(entry.hasEquals ? entry.value : entry.key);
    }
}

} // namespace veralith::settings
