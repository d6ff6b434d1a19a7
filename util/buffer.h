#pragma once

// NUL-terminated views of texts, texts taken from the directory client's value
// buffers, and hexadecimal dumps.

#include <cstddef>
#include <cstdint>
#include <string>

namespace veralith::util {

// Size of the zero-filled scratch area BufferText and BufferLines copy into; at
// most BufferScratchSize - 1 bytes are taken, so the area always ends in NUL.
inline constexpr std::uint16_t kBufferScratchSize = 2304;

// Pointer to the first character of a NUL-terminated view of text; for an empty
// text a pointer to an empty NUL-terminated string, never null. The pointer
// belongs to text and stays valid while text lives and is not changed.
const char* TextPtr(const std::string& text);
const char* TextPtr(std::string&&) = delete; // the pointer would outlive a temporary text

// If text is shorter than 255 characters and its last character is not NUL, a
// NUL is appended to text itself (an empty text becomes a one-character text
// holding NUL); texts of 255 characters or more are left as they are. Returns a
// writable pointer to text's first character: writes through it change the
// caller's text and nothing else, and may reach text.size() characters. The
// appended NUL stays part of the caller's text. The pointer belongs to text.
char* WritableTextBuffer(std::string& text);

// An empty text gives a one-character text holding NUL; a text whose last
// character is NUL is returned unchanged; any other text gets one NUL appended.
std::string WithTrailingNul(const std::string& text);

// WithTrailingNul(text) stored back into text.
void AppendTrailingNul(std::string& text);

// The text held in a value buffer: MinWord(length, 2303) bytes starting at
// offset are copied into a zero-filled scratch area of 2,304 bytes, which is
// then read as a NUL-terminated string (it stops at the first NUL byte).
// buffer/bufferSize describe the real value buffer: bytes past bufferSize are
// never read; fewer bytes are copied when the buffer ends earlier. An offset of
// 2,304 or more, or at or past bufferSize, gives an empty text. A null buffer
// gives an empty text.
std::string BufferText(const void* buffer, std::size_t bufferSize, std::uint16_t offset, std::uint16_t length);

// As BufferText, except that every NUL byte among the copied bytes first
// becomes a tab, and then every tab of the resulting text is replaced by CR LF:
// zero-separated texts become lines ("a\0b\0" with length 4 gives
// "a\r\nb\r\n"); tabs that were in the data become line breaks too.
std::string BufferLines(const void* buffer, std::size_t bufferSize, std::uint16_t offset, std::uint16_t length);

// Two upper-case hexadecimal digits per byte, in memory order, no separators;
// count 0 (or a null pointer) gives an empty text (bytes 0x0A 0xFF give "0AFF").
// Reads exactly count bytes from bytes.
std::string BytesToHex(const void* bytes, std::uint16_t count);

} // namespace veralith::util
