#pragma once

// Stream attributes (syntax 21): reading a stream's content through the
// client and rendering it, with the decoding of application-object stream
// files (content starting with the header "AOT FILE").

#include "client/client.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace veralith::values {

// Result of ReadStreamText when the stream opened but could not be read.
inline constexpr client::DirResult kStreamReadFailed = 30;

// At most this many bytes of a stream are read and shown.
inline constexpr std::size_t kStreamBufferSize = 64512;

// Opens the stream attribute attrName of objectName with DirOpenStream (mode
// 1) and renders it with ReadStreamFromHandle. text starts as
// "Cannot read Stream" and keeps that unless the result is 0.
// Returns DirOpenStream's result unchanged when it is not 0 (for example -603
// for an object without the attribute), StreamReadFailed when the read fails,
// else 0 with text set as StreamText describes. Raises ValueError from the
// record decoding (StreamRecordText); the handle is closed before that.
client::DirResult ReadStreamText(
    client::DirContext context, const std::string& objectName, const std::string& attrName, std::string& text);

// One read of at most StreamBufferSize bytes from the open descriptor fd (a
// read interrupted by a signal is repeated), then fd is closed. Returns
// StreamReadFailed (text unchanged) when the read fails; otherwise sets text to
// StreamText of the bytes read and returns 0. Raises what StreamText raises.
client::DirResult ReadStreamFromHandle(int fd, const std::string& attrName, std::string& text);

// The text of a stream's first count bytes (at most StreamBufferSize are
// looked at): "Stream (N bytes):", CR LF, then the content up to its first
// zero byte, or AppStreamText when the content starts with "AOT FILE".
// attrName is the attribute as the directory writes it. Reads only
// data[0 .. count-1]; positions past them read as zero bytes.
std::string StreamText(const std::uint8_t* data, std::size_t count, const std::string& attrName);

// The text of an application-object stream file of count bytes: a 24-byte
// header, data from byte 24 on. "AOT FILE (N bytes)", the header's numbers
// " (%X/%X/%X %X/%X)" when the header is complete, then by attribute name
// (exact case): "App:Macros" records of 3 numbers and 2 texts, "App:Copy Files"
// records of 4 numbers and 1 text, "App:Inventory" and "App:Program Groups"
// scanned for texts, any other name the data bytes as characters with runs of
// control bytes (below 20) shown as one line break. Raises what
// StreamRecordText raises.
std::string AppStreamText(const std::uint8_t* data, std::size_t count, const std::string& attrName);

// How StreamRecordText reads the data.
struct StreamRecordLayout
{
    bool scan = false; // scan for texts instead of reading fixed records
    int numbers = 0; // record mode: 32-bit numbers at the start of each record (skipped)
    int texts = 0; // record mode: counted texts per record, shown joined by " / "
};

// Decodes the data part (from byte 24 to count-1) of an application-object
// stream into lines, the text starting with CR LF. A counted text is a 32-bit
// count and a zero-terminated text of which the first count characters count.
// Record mode stops at the end of the data, at a count above 1024 or at an
// empty text; scan mode takes counted texts (count below 255) and plain texts
// of two or more printable characters, and shows other 32-bit numbers it passes
// as "%04X ". Raises ValueError for a counted text of exactly 1024 (record
// mode) and a plain text longer than 1023 characters (scan mode); the message
// names the byte offset.
std::string StreamRecordText(const std::uint8_t* data, std::size_t count, const StreamRecordLayout& layout);

} // namespace veralith::values
