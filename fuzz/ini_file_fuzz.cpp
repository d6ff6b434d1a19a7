// libFuzzer target for the INI reader: any input is read as a settings file,
// one value is written to it, and the file written back must read exactly as
// the copy in memory does.
//
// Input: the file's text; when the input holds a NUL, the text before it
// gives the section, key and value of the write (one a line) and the text
// after it is the file.

#include "platform/ini_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

using veralith::platform::IniFile;

// A file of this process's own, on a memory file system where there is one.
const std::string& FuzzFilePath()
{
    static const std::string kPath = [] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/veralith-ini-fuzz-" + std::to_string(getpid()) + ".ini";
    }();
    return kPath;
}

std::string NextLine(const std::string& text, std::size_t& pos)
{
    if (pos >= text.size()) {
        return std::string();
    }
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    return line;
}

bool SameView(const IniFile& a, const IniFile& b)
{
    if (a.ReadSections() != b.ReadSections()) {
        return false;
    }
    for (const std::string& section : a.ReadSections()) {
        const auto left = a.ReadSectionValues(section);
        const auto right = b.ReadSectionValues(section);
        if (left.size() != right.size()) {
            return false;
        }
        for (std::size_t i = 0; i < left.size(); ++i) {
            if (left[i].key != right[i].key || left[i].value != right[i].value ||
                left[i].hasEquals != right[i].hasEquals ||
                a.ReadInteger(section, left[i].key, -7) != b.ReadInteger(section, right[i].key, -7)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string section = "Fuzz";
    std::string key = "Key";
    std::string value = "value";
    std::string content = input;
    if (const std::size_t nul = input.find('\0'); nul != std::string::npos) {
        const std::string head = input.substr(0, nul);
        std::size_t pos = 0;
        section = NextLine(head, pos);
        key = NextLine(head, pos);
        value = pos < head.size() ? head.substr(pos) : std::string();
        content = input.substr(nul + 1);
    }

    const std::string& path = FuzzFilePath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);

    IniFile ini(path);
    if (!SameView(ini, IniFile(path))) {
        __builtin_trap(); // reading is not deterministic
    }
    try {
        ini.WriteString(section, key, value);
    } catch (const veralith::platform::IniFileError&) {
        // Names and values the format cannot hold are refused; the file stays.
        if (!SameView(ini, IniFile(path))) {
            __builtin_trap();
        }
        return 0;
    }
    if (!ini.ValueExists(section, key)) {
        __builtin_trap(); // a stored value must be found
    }
    if (!SameView(ini, IniFile(path))) {
        __builtin_trap(); // the file written must read as the copy in memory
    }
    return 0;
}
