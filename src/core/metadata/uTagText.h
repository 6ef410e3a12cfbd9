#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Text conversions for ID3 tags. Text in memory is UTF-8; tags hold ISO-8859-1 or UTF-16.
namespace orvanta::tagtext {

// ISO-8859-1 bytes to UTF-8 (every byte is one character, zero bytes included).
std::string Latin1ToUtf8(std::string_view Bytes);

// The same conversions appending to Out, so that a caller can reuse a string's memory.
void AppendLatin1AsUtf8(std::string& Out, std::string_view Bytes);
void AppendSanitizedUtf8(std::string& Out, std::string_view Bytes);
void AppendUtf16AsUtf8(std::string& Out, std::string_view Bytes, bool BigEndian);

// TrimControl on a string in place.
void TrimControlInPlace(std::string& Text, bool Leading);

// UTF-8 to ISO-8859-1; a character outside it becomes "?".
std::string Utf8ToLatin1(std::string_view Text);

// True when every character of Text exists in ISO-8859-1.
bool FitsLatin1(std::string_view Text);

// Valid UTF-8: each malformed or cut-off sequence becomes U+FFFD.
std::string SanitizeUtf8(std::string_view Bytes);

// UTF-16 code units (two bytes each, in the given byte order) to UTF-8, up to the first zero
// unit; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view Bytes, bool BigEndian);

// UTF-8 to UTF-16 little-endian, without byte-order mark.
std::string Utf8ToUtf16LE(std::string_view Text);

// Removes characters of code 0x20 or below from the end (and the start when Leading).
std::string_view TrimControl(std::string_view Text, bool Leading);

// The first MaxChars characters of a UTF-8 text.
std::string_view FirstChars(std::string_view Text, std::size_t MaxChars);

} // namespace orvanta::tagtext
