#include "values/stream.h"

#include "util/format.h"
#include "values/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace veralith::values {

using util::Format;

namespace {

constexpr char kAppStreamHeader[] = "AOT FILE";
constexpr std::size_t kAppHeaderSize = 24;
constexpr std::uint32_t kMaxCountedText = 1024;
constexpr std::size_t kMaxScannedText = 1023;

// The bytes read from a stream, seen as the zero-filled buffer they were read
// into: positions at or past the count read as zero, so no read leaves the data.
class StreamData
{
public:
    StreamData(const std::uint8_t* data, std::size_t count)
        : m_data(data)
        , m_count(data == nullptr ? 0 : std::min(count, kStreamBufferSize))
    { }

    std::size_t Count() const { return m_count; }
    std::uint8_t Byte(std::size_t at) const { return at < m_count ? m_data[at] : 0; }
    std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(Byte(at) | (Byte(at + 1) << 8)); }
    std::uint32_t U32(std::size_t at) const
    {
        return static_cast<std::uint32_t>(Byte(at)) | (static_cast<std::uint32_t>(Byte(at + 1)) << 8) |
            (static_cast<std::uint32_t>(Byte(at + 2)) << 16) | (static_cast<std::uint32_t>(Byte(at + 3)) << 24);
    }
    // Length of the zero-terminated text at at, counted up to limit at most.
    std::size_t TextLength(std::size_t at, std::size_t limit) const
    {
        std::size_t length = 0;
        while (length < limit && at + length < m_count && m_data[at + length] != 0) {
            ++length;
        }
        return length;
    }
    // The first count characters of the zero-terminated text at at.
    std::string Text(std::size_t at, std::size_t count) const
    {
        const std::size_t length = TextLength(at, count);
        return length == 0 ? std::string() : std::string(reinterpret_cast<const char*>(m_data + at), length);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_count;
};

std::string RecordModeText(const StreamData& data, int numbers, int texts)
{
    std::string text = "\r\n";
    const std::size_t end = data.Count();
    std::size_t cursor = kAppHeaderSize;
    for (;;) {
        for (int i = 0; i < numbers; ++i) {
            if (cursor > end) {
                return text;
            }
            cursor += 4;
        }
        std::string line;
        bool stopped = false;
        for (int j = 0; j < texts; ++j) {
            // The separator goes in before the checks: a record that stops
            // after its first text ends in " / ".
            if (!line.empty()) {
                line += " / ";
            }
            if (cursor > end) {
                stopped = true;
                break;
            }
            const std::uint32_t count = data.U32(cursor);
            if (count > kMaxCountedText || data.Byte(cursor + 4) == 0) {
                stopped = true;
                break;
            }
            if (count == kMaxCountedText) {
                throw ValueError(Format("stream record at byte %u: text count of 1024 characters is too long",
                    static_cast<std::uint64_t>(cursor)));
            }
            line += data.Text(cursor + 4, count);
            cursor += 4 + count;
        }
        if (stopped) {
            if (!line.empty()) {
                text += line + "\r\n";
            }
            return text;
        }
        text += line + "\r\n";
    }
}

// Moves the cursor onto the one nonzero byte of a 32-bit number of 256 or
// more whose other three bytes are zero.
std::size_t Realign(const StreamData& data, std::size_t cursor)
{
    if (data.U32(cursor) < 256) {
        return cursor;
    }
    int zeros = 0;
    std::size_t nonzero = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (data.Byte(cursor + i) == 0) {
            ++zeros;
        } else {
            nonzero = i;
        }
    }
    return zeros == 3 ? cursor + nonzero : cursor;
}

std::string ScanModeText(const StreamData& data)
{
    std::string text = "\r\n";
    std::string line;
    const std::size_t end = data.Count();
    std::size_t cursor = kAppHeaderSize;
    while (cursor <= end) {
        const std::uint32_t number = data.U32(cursor);
        if (number < 255 && data.TextLength(cursor + 4, 2) >= 2) {
            line += data.Text(cursor + 4, number);
            cursor = Realign(data, cursor + 4 + number);
            text += line + "\r\n";
            line.clear();
            continue;
        }
        const std::size_t length = data.TextLength(cursor, kMaxScannedText + 1);
        if (length >= 2 && data.Byte(cursor) >= 32 && data.Byte(cursor + 1) >= 32) {
            if (length > kMaxScannedText) {
                throw ValueError(Format(
                    "stream data at byte %u: text longer than 1023 characters", static_cast<std::uint64_t>(cursor)));
            }
            line += data.Text(cursor, length);
            cursor = Realign(data, cursor + length);
            text += line + "\r\n";
            line.clear();
            continue;
        }
        if (data.TextLength(cursor + 2, 2) >= 2 && data.Byte(cursor + 2) >= 32) {
            cursor += 2;
            continue;
        }
        line += Format("%04X ", number);
        cursor += 4;
    }
    return text;
}

std::string PlainDataText(const StreamData& data)
{
    std::string text;
    for (std::size_t at = kAppHeaderSize; at < data.Count(); ++at) {
        const std::uint8_t byte = data.Byte(at);
        if (byte >= 20) {
            text += static_cast<char>(byte);
        } else if (at == kAppHeaderSize || data.Byte(at - 1) >= 20) {
            text += "\r\n";
        }
    }
    return text;
}

} // namespace

std::string StreamRecordText(const std::uint8_t* data, std::size_t count, const StreamRecordLayout& layout)
{
    const StreamData stream(data, count);
    return layout.scan ? ScanModeText(stream) : RecordModeText(stream, layout.numbers, layout.texts);
}

std::string AppStreamText(const std::uint8_t* data, std::size_t count, const std::string& attrName)
{
    const StreamData stream(data, count);
    const std::size_t n = stream.Count();
    std::string text = Format("%s (%d bytes)", kAppStreamHeader, static_cast<std::uint64_t>(n));
    if (n >= kAppHeaderSize) {
        text +=
            Format(" (%X/%X/%X %X/%X)", stream.U32(8), stream.U32(12), stream.U32(16), stream.U16(20), stream.U16(22));
    }
    if (n > kAppHeaderSize) {
        if (attrName == "App:Macros") {
            text += "\r\n" + StreamRecordText(data, n, {false, 3, 2});
        } else if (attrName == "App:Copy Files") {
            text += "\r\n" + StreamRecordText(data, n, {false, 4, 1});
        } else if (attrName == "App:Inventory" || attrName == "App:Program Groups") {
            text += "\r\n" + StreamRecordText(data, n, {true, 0, 0});
        } else {
            text += PlainDataText(stream);
        }
    }
    return text;
}

std::string StreamText(const std::uint8_t* data, std::size_t count, const std::string& attrName)
{
    const StreamData stream(data, count);
    const std::size_t n = stream.Count();
    std::string content = stream.Text(0, n);
    // The header compares up to its own length; a shorter stream reads as zeros
    // there and so never matches.
    bool application = true;
    for (std::size_t i = 0; i < sizeof(kAppStreamHeader) - 1; ++i) {
        if (stream.Byte(i) != static_cast<std::uint8_t>(kAppStreamHeader[i])) {
            application = false;
            break;
        }
    }
    if (application) {
        content = AppStreamText(data, n, attrName);
    }
    return Format("Stream (%d bytes):", static_cast<std::uint64_t>(n)) + "\r\n" + content;
}

client::DirResult ReadStreamFromHandle(int fd, const std::string& attrName, std::string& text)
{
    std::vector<std::uint8_t> buffer(kStreamBufferSize, 0);
    ssize_t count = -1;
    do {
        count = ::read(fd, buffer.data(), buffer.size());
    } while (count < 0 && errno == EINTR);
    ::close(fd);
    if (count < 0) {
        return kStreamReadFailed;
    }
    text = StreamText(buffer.data(), static_cast<std::size_t>(count), attrName);
    return 0;
}

client::DirResult ReadStreamText(
    client::DirContext context, const std::string& objectName, const std::string& attrName, std::string& text)
{
    text = "Cannot read Stream";
    int fd = -1;
    const client::DirResult result = client::DirOpenStream(context, objectName.c_str(), attrName.c_str(), 1, &fd);
    if (result != 0) {
        return result;
    }
    return ReadStreamFromHandle(fd, attrName, text);
}

} // namespace veralith::values
