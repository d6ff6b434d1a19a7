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
        dir_ = pattern;
        std::filesystem::create_directory(dir_ / "system");
        setenv("VERALITH_SYSTEM_DIR", (dir_ / "system").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        path_ = (dir_ / "test.ini").string();
    }
    void TearDown() override
    {
        unsetenv("VERALITH_SYSTEM_DIR");
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(dir_);
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
    void WriteRaw(const std::string& text) const { WriteRaw(path_, text); }
    std::string ReadRaw() const { return ReadRaw(path_); }

    std::filesystem::path dir_;
    std::string path_;
};
