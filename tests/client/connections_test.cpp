// Start-up from the workstation configuration and the connection operations.

#include "client_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace veralith::client::testing {
namespace {

std::string WriteTemp(const std::string& name, const std::string& text)
{
    const std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string TreeOf(std::uint32_t reference)
{
    char text[255] = {};
    EXPECT_EQ(ConnGetInfo(reference, 4, sizeof text, text), 0);
    return text;
}

std::vector<std::string> ScanTrees()
{
    std::vector<std::string> trees;
    std::uint32_t iterator = 0;
    std::uint32_t reference = 0;
    while (ConnScan(&iterator, &reference) == 0) {
        trees.push_back(TreeOf(reference));
    }
    return trees;
}

class ConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override { unsetenv("VERALITH_TREES"); }
    void TearDown() override
    {
        unsetenv("VERALITH_TREES");
        SetTreeSources({});
        SetTreeServices({});
    }
};

TEST_F(ConnectionTest, NoConfiguration_ServesTheBuiltInTrees)
{
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    const std::vector<std::string> trees = ScanTrees();
    ASSERT_FALSE(trees.empty());
    EXPECT_EQ(trees.front(), "ACME_TREE_______________________");
    EXPECT_EQ(trees.front().size(), 32u);
    ScopedContext context;
    ASSERT_EQ(DirCreateContext(context.Out()), 0);
    char nameContext[kNameBufferSize];
    ASSERT_EQ(DirGetContext(context.get(), DCK_NAME_CONTEXT, nameContext), 0);
    EXPECT_STREQ(nameContext, "O=Acme");
}

TEST_F(ConnectionTest, EnvironmentSources_BecomeConnectionsInOrder)
{
    const std::string a = WriteTemp("env-a.json", TreeText("TREE_A", R"({"name":"A","class":"Organization"})"));
    const std::string b = WriteTemp("env-b.json", TreeText("Tree-B", R"({"name":"B","class":"Organization"})"));
    setenv("VERALITH_TREES", (a + ";" + b).c_str(), 1);
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    EXPECT_EQ(ScanTrees(),
        (std::vector<std::string> {"TREE_A__________________________", "Tree-B__________________________"}));
}

TEST_F(ConnectionTest, CommandLineSources_WinOverTheEnvironment)
{
    const std::string a = WriteTemp("cl-a.json", TreeText("CMDLINE", R"({"name":"A","class":"Organization"})"));
    setenv("VERALITH_TREES", "/nonexistent/tree.json", 1);
    SetTreeSources({a});
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    EXPECT_EQ(ScanTrees(), std::vector<std::string> {"CMDLINE_________________________"});
}

TEST_F(ConnectionTest, EmptyEnvironment_StartsWithoutConnections)
{
    setenv("VERALITH_TREES", "", 1);
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    std::uint32_t iterator = 0;
    std::uint32_t reference = 77;
    const ConnResult rc = ConnScan(&iterator, &reference);
    EXPECT_EQ(rc, CONN_NO_MORE_ENTRIES);
    EXPECT_EQ(static_cast<std::uint32_t>(rc), 0x88FFu);
    EXPECT_EQ(reference, 77u);
    DirContext context = 5;
    EXPECT_EQ(DirCreateContext(&context), ERR_UNREACHABLE_SERVER);
    EXPECT_EQ(context, 5u);
    std::uint32_t primary = 9;
    EXPECT_EQ(ConnGetPrimary(&primary), CONN_INVALID_CONNECTION);
    EXPECT_EQ(primary, 9u);
}

TEST_F(ConnectionTest, NoSourceLoads_FailsWith0xFFFFAndNamesTheFile)
{
    const std::string broken = WriteTemp("broken-start.json", "{ \"format\": ");
    SetTreeSources({broken, "/nonexistent/missing.json"});
    ::testing::internal::CaptureStderr();
    const ConnResult rc = ClientInit(nullptr, nullptr);
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, CONN_CLIENT_NOT_AVAILABLE);
    EXPECT_EQ(static_cast<std::uint32_t>(rc), 0xFFFFu); // zero-extended, never -1
    EXPECT_NE(messages.find(broken + ":1:13: syntax error: unexpected end of file"), std::string::npos) << messages;
    EXPECT_NE(messages.find("/nonexistent/missing.json: cannot open the file"), std::string::npos) << messages;
}

TEST_F(ConnectionTest, OneBrokenSource_IsLeftOut)
{
    const std::string good = WriteTemp("good.json", TreeText("GOOD", R"({"name":"A","class":"Organization"})"));
    SetTreeSources({"/nonexistent/missing.json", good});
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("missing.json"), std::string::npos);
    EXPECT_EQ(ScanTrees(), std::vector<std::string> {"GOOD____________________________"});
}

TEST_F(ConnectionTest, SameTreeTwice_GivesTwoConnectionsInTheirOwnSpelling)
{
    const std::string a = WriteTemp("same-a.json", TreeText("ACME", R"({"name":"A","class":"Organization"})"));
    const std::string b = WriteTemp("same-b.json", TreeText("acme", R"({"name":"B","class":"Organization"})"));
    SetTreeSources({a, b});
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    EXPECT_EQ(ScanTrees(),
        (std::vector<std::string> {"ACME____________________________", "acme____________________________"}));
}

TEST_F(ConnectionTest, BuiltinSource_LoadsTheEmbeddedFile)
{
    SetTreeSources({"builtin:sample"});
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    EXPECT_EQ(ScanTrees(), std::vector<std::string> {"SAMPLE_TREE_____________________"});
}

TEST_F(ConnectionTest, ConnectionOperations_CheckTheirReference)
{
    SetTreeSources({"builtin:sample"});
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    std::uint32_t primary = 0;
    ASSERT_EQ(ConnGetPrimary(&primary), 0);
    std::uint32_t handle = 0;
    ASSERT_EQ(ConnOpenByRef(primary, 1, 0, &handle), 0);
    EXPECT_NE(handle, 0xFFFFu);
    std::uint32_t untouched = 0x1234;
    EXPECT_EQ(ConnOpenByRef(999, 1, 0, &untouched), CONN_INVALID_CONNECTION);
    EXPECT_EQ(untouched, 0x1234u);
    char text[255] = "keep";
    EXPECT_EQ(ConnGetInfo(999, 4, sizeof text, text), CONN_INVALID_CONNECTION);
    EXPECT_EQ(ConnGetInfo(primary, 4, 32, text), CONN_INVALID_CONNECTION); // no room for 32 + NUL
    EXPECT_STREQ(text, "keep");
}

TEST_F(ConnectionTest, ServiceDoubles_InstallAsConnections)
{
    auto first = LoadTree(TreeText("DOUBLE_ONE", R"({"name":"A","class":"Organization"})"));
    auto second = LoadTree(TreeText("DOUBLE_TWO", R"({"name":"B","class":"Organization"})"));
    StartWithServices({first});
    std::uint32_t reference = 0;
    ASSERT_EQ(AddServiceConnection(second, &reference), 0);
    EXPECT_EQ(reference, 2u);
    EXPECT_EQ(ScanTrees(),
        (std::vector<std::string> {"DOUBLE_ONE______________________", "DOUBLE_TWO______________________"}));
}

TEST_F(ConnectionTest, EveryOperation_CountsOneCall)
{
    SetTreeSources({"builtin:sample"});
    const std::uint64_t before = GetClientCallCount();
    ASSERT_EQ(ClientInit(nullptr, nullptr), 0);
    std::uint32_t primary = 0;
    ASSERT_EQ(ConnGetPrimary(&primary), 0);
    ScopedContext context;
    ASSERT_EQ(DirCreateContext(context.Out()), 0);
    context.reset();
    EXPECT_EQ(GetClientCallCount() - before, 4u);
}

} // namespace
} // namespace veralith::client::testing
