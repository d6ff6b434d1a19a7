#include "util/buffer.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace veralith::util;

TEST(NulTextTest, TextPtrIsNeverNull)
{
    const std::string empty;
    ASSERT_NE(TextPtr(empty), nullptr);
    EXPECT_EQ(TextPtr(empty)[0], '\0');
    const std::string name = "CN";
    EXPECT_STREQ(TextPtr(name), "CN");
}

TEST(NulTextTest, WithTrailingNul)
{
    EXPECT_EQ(WithTrailingNul(""), std::string(1, '\0'));
    EXPECT_EQ(WithTrailingNul("ab"), std::string("ab\0", 3));
    const std::string ended("ab\0", 3);
    EXPECT_EQ(WithTrailingNul(ended).size(), 3u);

    std::string text = "x";
    AppendTrailingNul(text);
    AppendTrailingNul(text);
    EXPECT_EQ(text, std::string("x\0", 2));
}

TEST(NulTextTest, WritableTextBufferWritesThroughToTheText)
{
    std::string empty;
    char* p = WritableTextBuffer(empty);
    EXPECT_EQ(empty.size(), 1u);
    EXPECT_EQ(p, empty.data());

    std::string text = "abc";
    p = WritableTextBuffer(text);
    EXPECT_EQ(text, std::string("abc\0", 4));
    p[0] = 'X';
    EXPECT_EQ(text[0], 'X');

    std::string ended("abc\0", 4);
    WritableTextBuffer(ended);
    EXPECT_EQ(ended.size(), 4u);

    std::string longText(255, 'a');
    WritableTextBuffer(longText);
    EXPECT_EQ(longText.size(), 255u);
    std::string shorter(254, 'a');
    WritableTextBuffer(shorter);
    EXPECT_EQ(shorter.size(), 255u);
    EXPECT_EQ(shorter.back(), '\0');
}

TEST(ValueBufferTest, BufferTextStopsAtNulAndAtTheCap)
{
    const char data[] = {'a', 'b', '\0', 'c'};
    EXPECT_EQ(BufferText(data, sizeof data, 0, 4), "ab");
    EXPECT_EQ(BufferText(data, sizeof data, 3, 1), "c");
    EXPECT_EQ(BufferText(data, sizeof data, 0, 1), "a");
    EXPECT_EQ(BufferText(data, sizeof data, 0, 0), "");

    std::vector<char> big(5000, 'x');
    EXPECT_EQ(BufferText(big.data(), big.size(), 0, 5000).size(), 2303u);
    EXPECT_EQ(BufferText(big.data(), big.size(), 2303, 10), std::string(10, 'x'));
    EXPECT_EQ(BufferText(big.data(), big.size(), 2304, 10), "");
}

TEST(ValueBufferTest, BufferTextNeverReadsPastTheBuffer)
{
    // A length larger than the value: only the bytes that exist are taken.
    // (AddressSanitizer catches a read past the heap block.)
    auto* data = new char[3] {'a', 'b', 'c'};
    EXPECT_EQ(BufferText(data, 3, 0, 100), "abc");
    EXPECT_EQ(BufferText(data, 3, 1, 100), "bc");
    EXPECT_EQ(BufferText(data, 3, 3, 1), "");
    EXPECT_EQ(BufferLines(data, 3, 0, 2303), "abc");
    delete[] data;
    EXPECT_EQ(BufferText(nullptr, 10, 0, 10), "");
}

TEST(ValueBufferTest, BufferLinesTurnsNulsAndTabsIntoLineBreaks)
{
    const char two[] = {'a', '\0', 'b', '\0'};
    EXPECT_EQ(BufferLines(two, sizeof two, 0, 4), "a\r\nb\r\n");
    const char withTab[] = {'a', '\t', 'b'};
    EXPECT_EQ(BufferLines(withTab, sizeof withTab, 0, 3), "a\r\nb");
    const char empty[] = {'\0', '\0'};
    EXPECT_EQ(BufferLines(empty, sizeof empty, 0, 2), "\r\n\r\n");
    // Bytes beyond the length stay out even when they are not NUL.
    const char more[] = {'a', '\0', 'b', 'c'};
    EXPECT_EQ(BufferLines(more, sizeof more, 0, 3), "a\r\nb");
}

TEST(HexTest, BytesToHex)
{
    const unsigned char bytes[] = {0x0A, 0xFF, 0x00, 0x9c};
    EXPECT_EQ(BytesToHex(bytes, 2), "0AFF");
    EXPECT_EQ(BytesToHex(bytes, 4), "0AFF009C");
    EXPECT_EQ(BytesToHex(bytes, 0), "");
    EXPECT_EQ(BytesToHex(nullptr, 4), "");
}
