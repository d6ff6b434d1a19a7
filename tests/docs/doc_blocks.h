#pragma once

// The examples of the documentation: fenced blocks of the Markdown files in
// docs/ (and README.md) taken apart so that tests can run them.
//
// A block fenced as ```console is a terminal session: each line starting with
// "$ " is a command (a line ending in "\" continues on the next one), and the
// lines after it, up to the next command or the end of the block, are what
// the command prints on standard output. An output line that is exactly "..."
// stands for any number of lines (zero included).

#include <string>
#include <vector>

namespace veralith::docs_test {

struct ConsoleCommand
{
    std::string file; // the Markdown file, relative to the repository root
    int line = 0; // 1-based line of the command's "$ "
    std::string command; // the shell command, continuation lines joined
    std::vector<std::string> expected; // expected standard output lines
};

// A fenced block: its info string (the text after the opening ```) and its
// lines, without the fences.
struct FencedBlock
{
    std::string file;
    int line = 0; // 1-based line of the opening fence
    std::string info;
    std::vector<std::string> lines;
};

// Every fenced block of a Markdown text, in order. Throws std::runtime_error
// (naming file and line) for a fence that is never closed.
std::vector<FencedBlock> ReadFencedBlocks(const std::string& text, const std::string& file);

// The commands of the ```console blocks among blocks. Throws
// std::runtime_error for a console block whose first line is no command.
std::vector<ConsoleCommand> ConsoleCommands(const std::vector<FencedBlock>& blocks);

// True when actual (lines) matches expected, where an expected line "..."
// matches any run of lines.
bool LinesMatch(const std::vector<std::string>& expected, const std::vector<std::string>& actual);

// The whole content of a file; throws std::runtime_error when it cannot be
// read.
std::string ReadWholeFile(const std::string& path);

// Text split at LF, each line without its LF and without a trailing CR; a
// final line break adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace veralith::docs_test
