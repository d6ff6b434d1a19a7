#pragma once

// Filling a read-only multi-line text view (the Info page's memo) with the
// quick-start text shipped beside the executable.

#include <string>
#include <vector>

namespace veralith::util {

// The few operations the loader needs from a memo; the window adapts its text
// view to this, tests record.
class MemoLines
{
public:
    virtual ~MemoLines() = default;
    // Appends one line at the end.
    virtual void AppendLine(const std::string& line) = 0;
    // Replaces every line by these.
    virtual void ReplaceAllLines(const std::vector<std::string>& lines) = 0;
};

// Appends "Could not find " + fileName (unquoted) to the memo; then, if the file
// exists and can be read completely, replaces all of the memo's lines by the
// file's lines (split at CR LF, LF or CR; a final line break adds no empty
// line; an empty file gives no lines). Any error while reading is swallowed,
// leaving the memo as it was after the first step. Raises nothing.
void LoadTextIntoMemo(MemoLines& memo, const std::string& fileName);

// LoadTextIntoMemo with the program's quick-start text: the program's file name
// with the extension "txt", beside the program or in the installed data folder
// (FindProgramFile with kInstalledDataFolder); when neither exists the memo
// says it could not find ExeFileWithExtension("txt").
void LoadQuickStartText(MemoLines& memo);

} // namespace veralith::util
