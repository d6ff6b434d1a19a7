#include "tests/docs/doc_blocks.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace veralith::docs_test {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(path + ": cannot open the file");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<FencedBlock> ReadFencedBlocks(const std::string& text, const std::string& file)
{
    std::vector<FencedBlock> blocks;
    const std::vector<std::string> lines = SplitLines(text);
    FencedBlock* open = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const bool fence = line.rfind("```", 0) == 0;
        if (open == nullptr) {
            if (fence) {
                blocks.push_back(FencedBlock {file, static_cast<int>(i + 1), line.substr(3), {}});
                open = &blocks.back();
            }
        } else if (line == "```") {
            open = nullptr;
        } else {
            open->lines.push_back(line);
        }
    }
    if (open != nullptr) {
        throw std::runtime_error(file + ":" + std::to_string(open->line) + ": the fenced block is never closed");
    }
    return blocks;
}

std::vector<ConsoleCommand> ConsoleCommands(const std::vector<FencedBlock>& blocks)
{
    std::vector<ConsoleCommand> commands;
    for (const FencedBlock& block : blocks) {
        if (block.info != "console") {
            continue;
        }
        ConsoleCommand* current = nullptr;
        bool continued = false;
        for (std::size_t i = 0; i < block.lines.size(); ++i) {
            const std::string& line = block.lines[i];
            if (continued) {
                current->command += "\n" + line;
            } else if (line.rfind("$ ", 0) == 0) {
                commands.push_back(
                    ConsoleCommand {block.file, block.line + 1 + static_cast<int>(i), line.substr(2), {}});
                current = &commands.back();
            } else if (current == nullptr) {
                throw std::runtime_error(block.file + ":" + std::to_string(block.line + 1 + static_cast<int>(i)) +
                    ": a console block must start with a command (\"$ \")");
            } else {
                current->expected.push_back(line);
                continue;
            }
            continued = !line.empty() && line.back() == '\\';
        }
    }
    return commands;
}

bool LinesMatch(const std::vector<std::string>& expected, const std::vector<std::string>& actual)
{
    // matches[i][j]: expected lines from i match actual lines from j.
    const std::size_t n = expected.size();
    const std::size_t m = actual.size();
    std::vector<std::vector<char>> matches(n + 1, std::vector<char>(m + 1, 0));
    matches[n][m] = 1;
    for (std::size_t i = n + 1; i-- > 0;) {
        for (std::size_t j = m + 1; j-- > 0;) {
            if (i == n) {
                matches[i][j] = j == m;
            } else if (expected[i] == "...") {
                matches[i][j] = matches[i + 1][j] || (j < m && matches[i][j + 1]);
            } else {
                matches[i][j] = j < m && expected[i] == actual[j] && matches[i + 1][j + 1];
            }
        }
    }
    return matches[0][0] != 0;
}

} // namespace veralith::docs_test
