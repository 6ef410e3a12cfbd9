#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reading the texts of ID3v2 frames. A content is a frame's bytes after its header: the encoding
// byte first. Results are UTF-8 and go into Out, whose memory is reused.
namespace orvanta::id3text {

// UTF-16 with a byte-order mark (1) or big-endian (2).
bool IsTwoByteEncoding(std::uint8_t Encoding);

// The text up to the first terminator, trimmed of characters of code 0x20 or below.
void DecodeText(std::string& Out, std::string_view Content);

// With Multi (version 4), every value of the frame, joined with " / "; else DecodeText.
void DecodeValues(std::string& Out, std::string_view Content, bool Multi);

// DecodeValues of First, or of Second when that is empty.
void TextOrFallback(std::string& Out, std::string_view First, std::string_view Second, bool Multi);

// The number before any "/" of a track text; 0 when there is none.
std::uint16_t ParseTrack(std::string_view Text);

// The year frame, else the first four characters of the recording time, else of the release
// time.
void DecodeYear(std::string& Out, std::string_view Year, std::string_view Recorded,
                std::string_view Released);

// A genre frame with its numeric references ("(17)", "17", "(RX)", "(CR)") looked up.
void DecodeGenre(std::string& Out, std::string_view Content, bool Multi);

// Comment and link frames: encoding, [language,] description, separator, value.
void DecodeDescribedText(std::string& Out, std::string_view Content, bool HasLanguage,
                         bool Latin1Value);

// True for a comment frame's content whose description is empty.
bool IsPlainCommentContent(std::string_view Content);

} // namespace orvanta::id3text
