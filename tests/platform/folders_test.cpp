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
        : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            previous_ = old;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~PinnedVariable()
    {
        if (previous_) {
            setenv(name_, previous_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
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
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT, ShellFoldersKey, "AppData"), "/tmp/cfg");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT,
                  "software\\microsoft\\windows\\currentversion\\explorer\\shell folders", "AppData"),
        "/tmp/cfg");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT, ShellFoldersKey, "Personal"), "");
    EXPECT_EQ(ReadRegistryText(0x80000002u, ShellFoldersKey, "AppData"), "");
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER_ROOT, "Software\\Other", "AppData"), "");
}
