#include "platform/folders.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace veralith::platform;

namespace {

// Sets or clears one environment variable for one test.
class PinnedVariable
{
public:
    PinnedVariable(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_previous = old;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~PinnedVariable()
    {
        if (m_previous) {
            setenv(m_name, m_previous->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

} // namespace

TEST(ShellFolderTest, AppDataFollowsXdgConfigHome)
{
    PinnedVariable config("XDG_CONFIG_HOME", "/tmp/veralith-config/");
    PinnedVariable home("HOME", "/home/someone");
    EXPECT_EQ(ReadShellFolder("AppData"), "/tmp/veralith-config");
    EXPECT_EQ(ReadShellFolder("APPDATA"), "/tmp/veralith-config");
}

TEST(ShellFolderTest, AppDataFallsBackToTheHomeConfigFolder)
{
    PinnedVariable home("HOME", "/home/someone");
    {
        PinnedVariable config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(ReadShellFolder("AppData"), "/home/someone/.config");
    }
    {
        PinnedVariable config("XDG_CONFIG_HOME", "relative/path"); // not absolute: ignored
        EXPECT_EQ(ReadShellFolder("AppData"), "/home/someone/.config");
    }
    {
        PinnedVariable config("XDG_CONFIG_HOME", "");
        PinnedVariable root("HOME", "/");
        EXPECT_EQ(ReadShellFolder("AppData"), "/.config");
    }
}

TEST(ShellFolderTest, UnknownOrUndeterminedGivesEmpty)
{
    EXPECT_EQ(ReadShellFolder("Desktop"), "");
    EXPECT_EQ(ReadShellFolder(""), "");
    PinnedVariable config("XDG_CONFIG_HOME", nullptr);
    PinnedVariable home("HOME", nullptr);
    EXPECT_EQ(ReadShellFolder("AppData"), "");
}

TEST(RegistryTest, OnlyTheShellFoldersKeyExists)
{
    PinnedVariable config("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT, kShellFoldersKey, "AppData"), "/tmp/cfg");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT,
                  "software\\microsoft\\windows\\currentversion\\explorer\\shell folders", "AppData"),
        "/tmp/cfg");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT, kShellFoldersKey, "Personal"), "");
    EXPECT_EQ(ReadRegistryText(0x80000002u, kShellFoldersKey, "AppData"), "");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT, "Software\\Other", "AppData"), "");
}
