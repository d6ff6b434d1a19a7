#pragma once

// A temporary directory per test, with the system and per-user configuration
// directories pointed into it, so that no test touches /etc or the home folder.

#include "platform/ini_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "settings-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        std::filesystem::create_directory(m_dir / "system");
        setenv("VERALITH_SYSTEM_DIR", (m_dir / "system").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        m_path = (m_dir / "test.ini").string();
    }
    void TearDown() override
    {
        unsetenv("VERALITH_SYSTEM_DIR");
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(m_dir);
    }

    static void WriteRaw(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadRaw(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteRaw(const std::string& text) const { WriteRaw(m_path, text); }
    std::string ReadRaw() const { return ReadRaw(m_path); }

    std::filesystem::path m_dir;
    std::string m_path;
};
