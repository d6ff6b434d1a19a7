#include "util/memo.h"

#include "util/build_info.h"
#include "util/path.h"
#include "util/string_list.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace veralith::util {

void LoadTextIntoMemo(MemoLines& memo, const std::string& fileName)
{
    memo.AppendLine("Could not find " + fileName);
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        return;
    }
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        return; // unreadable: the memo keeps its "Could not find" line
    }
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        return;
    }
    memo.ReplaceAllLines(SplitLines(content));
}

void LoadQuickStartText(MemoLines& memo)
{
    const std::string besideProgram = ExeFileWithExtension("txt");
    const std::string name = std::filesystem::path(besideProgram).filename().string();
    LoadTextIntoMemo(memo, FindProgramFile(ExecutablePath(), kInstalledDataFolder, name));
}

} // namespace veralith::util
