#include "directory/error_text.h"
#include "tests/directory/fixture.h"

#include <cstring>

namespace veralith::directory {
namespace {

using testing::RecordedFeedback;
using testing::RecordingHooks;

class ErrorTextTest : public ::testing::Test
{
protected:
    void TearDown() override { SetErrorTextModuleDirectoryForTesting(""); }
};

struct NamedCodeRow
{
    std::int32_t code;
    const char* text;
};

TEST_F(ErrorTextTest, ModuleNamesEveryCodeTheClientReturns)
{
    const NamedCodeRow rows[] = {
        {client::ERR_NOT_ENOUGH_MEMORY, "0xFFFFFED3 (ERR_NOT_ENOUGH_MEMORY)"},
        {client::ERR_BAD_KEY, "0xFFFFFED2 (ERR_BAD_KEY)"},
        {client::ERR_BAD_CONTEXT, "0xFFFFFED1 (ERR_BAD_CONTEXT)"},
        {client::ERR_BUFFER_FULL, "0xFFFFFED0 (ERR_BUFFER_FULL)"},
        {client::ERR_BUFFER_EMPTY, "0xFFFFFECD (ERR_BUFFER_EMPTY)"},
        {client::ERR_BAD_VERB, "0xFFFFFECC (ERR_BAD_VERB)"},
        {client::ERR_INVALID_OBJECT_NAME, "0xFFFFFEC6 (ERR_INVALID_OBJECT_NAME)"},
        {client::ERR_INVALID_HANDLE, "0xFFFFFEBE (ERR_INVALID_HANDLE)"},
        {client::ERR_INVALID_FILTER_SYNTAX, "0xFFFFFEBA (ERR_INVALID_FILTER_SYNTAX)"},
        {client::ERR_NO_SUCH_ENTRY, "0xFFFFFDA7 (ERR_NO_SUCH_ENTRY)"},
        {client::ERR_NO_SUCH_ATTRIBUTE, "0xFFFFFDA5 (ERR_NO_SUCH_ATTRIBUTE)"},
        {client::ERR_NO_SUCH_CLASS, "0xFFFFFDA4 (ERR_NO_SUCH_CLASS)"},
        {client::ERR_TRANSPORT_FAILURE, "0xFFFFFD8F (ERR_TRANSPORT_FAILURE)"},
        {client::ERR_SYSTEM_FAILURE, "0xFFFFFD88 (ERR_SYSTEM_FAILURE)"},
        {client::ERR_UNREACHABLE_SERVER, "0xFFFFFD85 (ERR_UNREACHABLE_SERVER)"},
        {client::CONN_INVALID_CONNECTION, "0x8801 (INVALID_CONNECTION)"},
        {client::CONN_NO_MORE_ENTRIES, "0x88FF (NO_MORE_ENTRIES)"},
        {client::CONN_CLIENT_NOT_AVAILABLE, "0xFFFF (CLIENT_NOT_AVAILABLE)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ErrorText(row.code), row.text) << row.code;
    }
}

TEST_F(ErrorTextTest, CodeTheModuleDoesNotKnowGetsTheSystemText)
{
    EXPECT_EQ(ErrorText(1), std::string("0x0001 (") + std::strerror(1) + ")");
    EXPECT_EQ(ErrorText(-700), std::string("0xFFFFFD44 (") + std::strerror(-700) + ")");
    // At least four digits, more when the code needs them.
    EXPECT_EQ(ErrorText(0x12345).rfind("0x12345 (", 0), 0u);
}

TEST_F(ErrorTextTest, ModulePathIsAbsoluteAndBesideTheExecutable)
{
    const std::string path = ErrorTextModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.rfind('/') + 1), kErrorTextModuleName);
}

TEST_F(ErrorTextTest, WithoutTheModuleTheTextIsTheHexCodeAlone)
{
    ASSERT_TRUE(SetErrorTextModuleDirectoryForTesting(ERRTEXT_EMPTY_DIR));
    EXPECT_EQ(ErrorText(-601), "0xFFFFFDA7");
    EXPECT_EQ(ErrorText(1), "0x0001");
    EXPECT_EQ(ErrorText(0), "0x0000");
}

TEST_F(ErrorTextTest, RelativeModuleDirectoryIsRefused)
{
    EXPECT_FALSE(SetErrorTextModuleDirectoryForTesting("errtext-empty"));
    EXPECT_EQ(ErrorText(-601), "0xFFFFFDA7 (ERR_NO_SUCH_ENTRY)");
}

TEST_F(ErrorTextTest, ModuleWithoutTheFunctionGivesTheSystemText)
{
    ASSERT_TRUE(SetErrorTextModuleDirectoryForTesting(ERRTEXT_NOFUNCTION_DIR));
    EXPECT_EQ(ErrorText(-601), std::string("0xFFFFFDA7 (") + std::strerror(-601) + ")");
}

TEST_F(ErrorTextTest, EmptyDescriptionGivesEmptyParentheses)
{
    ASSERT_TRUE(SetErrorTextModuleDirectoryForTesting(ERRTEXT_EMPTYTEXT_DIR));
    EXPECT_EQ(ErrorText(1), "0x0001 ()");
}

TEST_F(ErrorTextTest, ReportErrorShowsOneErrorBoxAndNothingForZero)
{
    RecordedFeedback record;
    RecordingHooks hooks(record);
    ReportError(0, "DirRead");
    EXPECT_TRUE(record.boxes.empty());

    ReportError(-601, "DirRead");
    ReportError(-603, "");
    ASSERT_EQ(record.boxes.size(), 2u);
    EXPECT_EQ(record.boxes[0].kind, util::MessageBoxKind::Error);
    EXPECT_EQ(record.boxes[0].title, "Error");
    EXPECT_EQ(record.boxes[0].text, "DirRead returned error 0xFFFFFDA7 (ERR_NO_SUCH_ENTRY)");
    EXPECT_EQ(record.boxes[1].text, " returned error 0xFFFFFDA5 (ERR_NO_SUCH_ATTRIBUTE)");
}

} // namespace
} // namespace veralith::directory
