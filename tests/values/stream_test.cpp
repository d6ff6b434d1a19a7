#include "test_values.h"
#include "values/errors.h"
#include "values/stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace veralith::values {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& bytes, std::string_view text, bool zero = true)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
    if (zero) {
        bytes.push_back(0);
    }
}

void AppendU32(Bytes& bytes, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// The 24-byte header of an application-object stream file.
Bytes AppHeader()
{
    Bytes bytes;
    Append(bytes, "AOT FILE", false);
    AppendU32(bytes, 1);
    AppendU32(bytes, 2);
    AppendU32(bytes, 0x1F);
    bytes.insert(bytes.end(), {3, 0, 4, 0});
    return bytes;
}

// Decodes from an allocation of exactly the stream's size.
std::string Decode(const Bytes& bytes, const std::string& attribute)
{
    auto exact = std::make_unique<std::uint8_t[]>(bytes.size() + (bytes.empty() ? 1 : 0));
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return StreamText(exact.get(), bytes.size(), attribute);
}

const std::string kHeader = "(1/2/1F 3/4)";

// What follows the header's numbers.
std::string AfterHeader(const std::string& text)
{
    const std::size_t at = text.find(kHeader);
    return at == std::string::npos ? "(no header in " + text + ")" : text.substr(at + kHeader.size());
}

TEST(StreamText, PlainTextShowsSizeAndText)
{
    Bytes bytes;
    Append(bytes, std::string(100, 'x'), false);
    EXPECT_EQ(Decode(bytes, "Login Script"), "Stream (100 bytes):\r\n" + std::string(100, 'x'));
}

TEST(StreamText, TextEndsAtTheFirstZero)
{
    Bytes bytes;
    Append(bytes, "line 1\r\nline 2");
    Append(bytes, "hidden", false);
    EXPECT_EQ(Decode(bytes, "Login Script"), "Stream (21 bytes):\r\nline 1\r\nline 2");
    EXPECT_EQ(Decode({}, "Login Script"), "Stream (0 bytes):\r\n");
}

TEST(StreamText, ShortAppHeaders)
{
    Bytes bytes;
    Append(bytes, "AOT FILE", false);
    bytes.push_back(7);
    EXPECT_EQ(Decode(bytes, "App:Macros"), "Stream (9 bytes):\r\nAOT FILE (9 bytes)");
    EXPECT_EQ(Decode(AppHeader(), "App:Macros"), "Stream (24 bytes):\r\nAOT FILE (24 bytes) " + kHeader);
    // Only the exact header counts.
    Bytes other;
    Append(other, "AOT FILX", false);
    EXPECT_EQ(Decode(other, "App:Macros"), "Stream (8 bytes):\r\nAOT FILX");
}

TEST(StreamText, AppStreamOfAnotherAttributeShowsItsCharacters)
{
    Bytes bytes = AppHeader();
    bytes.insert(bytes.end(), {1, 'H', 'i', 1, 2, 19, 20, 'W', 3});
    EXPECT_EQ(
        Decode(bytes, "App:Blurb"), "Stream (33 bytes):\r\nAOT FILE (33 bytes) " + kHeader + "\r\nHi\r\n\x14W\r\n");
}

TEST(StreamText, MacrosAreRecordsOfThreeNumbersAndTwoTexts)
{
    Bytes bytes = AppHeader();
    for (int i = 0; i < 3; ++i) {
        AppendU32(bytes, 0xFFFFFFFF);
    }
    AppendU32(bytes, 5);
    Append(bytes, "NAME");
    AppendU32(bytes, 6);
    Append(bytes, "VALUE");
    for (int i = 0; i < 3; ++i) {
        AppendU32(bytes, 0);
    }
    // A record whose second text is missing stops after " / ".
    AppendU32(bytes, 3);
    Append(bytes, "AB");
    EXPECT_EQ(Decode(bytes, "App:Macros"),
        "Stream (74 bytes):\r\nAOT FILE (74 bytes) " + kHeader + "\r\n\r\nNAME / VALUE\r\nAB / \r\n");
    // The attribute name is compared exactly.
    EXPECT_EQ(Decode(bytes, "app:macros").find("NAME / VALUE"), std::string::npos);
}

Bytes CopyFileRecord(std::uint32_t count, std::string_view text, bool zero = true)
{
    Bytes bytes;
    for (int i = 0; i < 4; ++i) {
        AppendU32(bytes, 9);
    }
    AppendU32(bytes, count);
    Append(bytes, text, zero);
    return bytes;
}

TEST(StreamText, CopyFilesAreRecordsOfFourNumbersAndOneText)
{
    Bytes bytes = AppHeader();
    for (const Bytes& record : {CopyFileRecord(4, "a.b"), CopyFileRecord(4, "c.d")}) {
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    EXPECT_EQ(Decode(bytes, "App:Copy Files"),
        "Stream (72 bytes):\r\nAOT FILE (72 bytes) " + kHeader + "\r\n\r\na.b\r\nc.d\r\n");
}

TEST(StreamText, CountedTextsAreCutToTheirCount)
{
    Bytes bytes = AppHeader();
    const Bytes record = CopyFileRecord(2, "abcdef");
    bytes.insert(bytes.end(), record.begin(), record.end());
    // The cursor lands inside "cdef", whose count (0x66656463) is far above 1024.
    EXPECT_EQ(AfterHeader(Decode(bytes, "App:Copy Files")), "\r\n\r\nab\r\n");
}

TEST(StreamText, CountBeyondTheDataStopsAtTheDataEnd)
{
    Bytes bytes = AppHeader();
    const Bytes record = CopyFileRecord(200, "abc", false);
    bytes.insert(bytes.end(), record.begin(), record.end());
    EXPECT_EQ(
        Decode(bytes, "App:Copy Files"), "Stream (47 bytes):\r\nAOT FILE (47 bytes) " + kHeader + "\r\n\r\nabc\r\n");
}

TEST(StreamText, CountLimits)
{
    Bytes bytes = AppHeader();
    Bytes record = CopyFileRecord(1025, "x");
    bytes.insert(bytes.end(), record.begin(), record.end());
    EXPECT_EQ(Decode(bytes, "App:Copy Files"), "Stream (46 bytes):\r\nAOT FILE (46 bytes) " + kHeader + "\r\n\r\n");

    bytes = AppHeader();
    record = CopyFileRecord(1024, "x");
    bytes.insert(bytes.end(), record.begin(), record.end());
    try {
        Decode(bytes, "App:Copy Files");
        FAIL() << "no error raised";
    } catch (const ValueError& error) {
        EXPECT_STREQ(error.what(), "stream record at byte 40: text count of 1024 characters is too long");
    }
}

TEST(StreamText, InventoryIsScannedForTexts)
{
    Bytes bytes = AppHeader();
    AppendU32(bytes, 5);
    Append(bytes, "Prog"); // a counted text
    Append(bytes, "Group One"); // a plain text
    AppendU32(bytes, 7); // behind the zero: re-aligned onto the 7
    Append(bytes, "Notepad", false);
    bytes.insert(bytes.end(), {0, 0x34, 0x12, 0}); // a number, and a line that never ends
    ASSERT_EQ(bytes.size(), 58u);
    EXPECT_EQ(Decode(bytes, "App:Inventory"),
        "Stream (58 bytes):\r\nAOT FILE (58 bytes) " + kHeader + "\r\n\r\nProg\r\nGroup One\r\nNotepad\r\n");
}

TEST(StreamText, ScanShowsNumbersBeforeATextOnItsLine)
{
    Bytes bytes = AppHeader();
    AppendU32(bytes, 0x1234);
    AppendU32(bytes, 5);
    Append(bytes, "Calc");
    EXPECT_EQ(AfterHeader(Decode(bytes, "App:Program Groups")), "\r\n\r\n1234 Calc\r\n");
}

TEST(StreamText, ScanRaisesForAnOverlongText)
{
    Bytes bytes = AppHeader();
    Append(bytes, std::string(1023, 'a'));
    EXPECT_NO_THROW(Decode(bytes, "App:Inventory"));
    bytes = AppHeader();
    Append(bytes, std::string(1024, 'a'));
    EXPECT_THROW(Decode(bytes, "App:Inventory"), ValueError);
}

TEST(StreamText, OnlyTheFirst64512BytesCount)
{
    Bytes bytes(70000, 'z');
    const std::string text = Decode(bytes, "Login Script");
    EXPECT_EQ(text, "Stream (64512 bytes):\r\n" + std::string(64512, 'z'));
}

TEST(ReadStreamFromHandle, ReadsOnceAndClosesTheHandle)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "Welcome!\r\n", 10), 10);
    ::close(fds[1]);
    std::string text = "previous";
    EXPECT_EQ(ReadStreamFromHandle(fds[0], "Login Script", text), 0);
    EXPECT_EQ(text, "Stream (10 bytes):\r\nWelcome!\r\n");
    // The handle is closed.
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1);
}

TEST(ReadStreamFromHandle, AFailingReadGives30AndKeepsTheText)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    std::string text = "previous";
    // The write end cannot be read.
    EXPECT_EQ(ReadStreamFromHandle(fds[1], "Login Script", text), kStreamReadFailed);
    EXPECT_EQ(text, "previous");
    EXPECT_EQ(::fcntl(fds[1], F_GETFD), -1);
}

} // namespace
} // namespace veralith::values
