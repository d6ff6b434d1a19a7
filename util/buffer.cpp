#include "util/buffer.h"

#include "util/text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace veralith::util {

const char* TextPtr(const std::string& text)
{
    return text.c_str();
}

char* WritableTextBuffer(std::string& text)
{
    if (text.size() < 255 && (text.empty() || text.back() != '\0')) {
        text.push_back('\0');
    }
    return text.data();
}

std::string WithTrailingNul(const std::string& text)
{
    if (!text.empty() && text.back() == '\0') {
        return text;
    }
    return text + '\0';
}

void AppendTrailingNul(std::string& text)
{
    if (text.empty() || text.back() != '\0') {
        text.push_back('\0');
    }
}

namespace {

// Copies the requested bytes into a zero-filled scratch area of
// BufferScratchSize bytes, never reading past the real buffer; returns the
// number of bytes copied.
std::size_t CopyToScratch(std::array<char, kBufferScratchSize>& scratch, const void* buffer, std::size_t bufferSize,
    std::uint16_t offset, std::uint16_t length)
{
    scratch.fill('\0');
    if (buffer == nullptr || offset >= kBufferScratchSize || offset >= bufferSize) {
        return 0;
    }
    std::size_t count = MinWord(length, kBufferScratchSize - 1);
    count = std::min(count, bufferSize - offset);
    std::memcpy(scratch.data(), static_cast<const char*>(buffer) + offset, count);
    return count;
}

} // namespace

std::string BufferText(const void* buffer, std::size_t bufferSize, std::uint16_t offset, std::uint16_t length)
{
    std::array<char, kBufferScratchSize> scratch;
    CopyToScratch(scratch, buffer, bufferSize, offset, length);
    return std::string(scratch.data()); // the last byte is always NUL
}

std::string BufferLines(const void* buffer, std::size_t bufferSize, std::uint16_t offset, std::uint16_t length)
{
    std::array<char, kBufferScratchSize> scratch;
    const std::size_t copied = CopyToScratch(scratch, buffer, bufferSize, offset, length);
    std::replace(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(copied), '\0', '\t');
    return ReplaceText(std::string(scratch.data()), "\t", "\r\n", true, true);
}

std::string BytesToHex(const void* bytes, std::uint16_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string result;
    if (bytes == nullptr) {
        return result;
    }
    result.reserve(std::size_t {count} * 2);
    const auto* data = static_cast<const unsigned char*>(bytes);
    for (std::uint16_t i = 0; i < count; ++i) {
        result.push_back(kDigits[data[i] >> 4]);
        result.push_back(kDigits[data[i] & 0x0F]);
    }
    return result;
}

} // namespace veralith::util
