#pragma once

// Files for tests: whole-file reads and writes, and a scratch folder that
// goes away with the test.

#include <string>

namespace veralith::test_support {

// The whole file as bytes; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes text as the whole file; false when it could not be written.
bool WriteWholeFile(const std::string& path, const std::string& text);

// A new folder /tmp/<prefix>-XXXXXX, removed with everything in it when the
// object goes away. Path() is empty when the folder could not be made.
class ScratchFolder
{
public:
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace veralith::test_support
