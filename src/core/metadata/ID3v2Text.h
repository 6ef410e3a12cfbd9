#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reading the texts of ID3v2 frames. A content is a frame's bytes after its header: the encoding
// byte first. Results are UTF-8 and go into Out, whose memory is reused.
namespace orvanta::id3text {

// UTF-16 with a byte-order mark (1) or big-endian (2).
bool IsTwoByteEncoding(std::uint8_t Encoding);

// The text up to the first terminator, trimmed of characters of code 0x20 or below.
void DecodeText(std::string& Out, std::string_view Content);

// With Multi, every value of the frame (each ended by a zero), joined with " / "; else
// DecodeText. With Values, the values one by one when there are two or more, else none: the
// joined text cannot tell a " / " inside a value from the join.
void DecodeValues(std::string& Out, std::string_view Content, bool Multi,
                  std::vector<std::string>* Values = nullptr);

// DecodeValues of First, or of Second when that is empty.
void TextOrFallback(std::string& Out, std::string_view First, std::string_view Second, bool Multi,
                    std::vector<std::string>* Values = nullptr);

// The number before any "/" of a track text; 0 when there is none.
std::uint16_t ParseTrack(std::string_view Text);

// The year frame, else the first four characters of the recording time, else of the release
// time.
void DecodeYear(std::string& Out, std::string_view Year, std::string_view Recorded,
                std::string_view Released);

// A genre frame with its numeric references ("(17)", "17", "(RX)", "(CR)") looked up. With
// Values, the genres one by one (each value, each reference) when there are two or more.
void DecodeGenre(std::string& Out, std::string_view Content, bool Multi,
                 std::vector<std::string>* Values = nullptr);

// Comment and link frames: encoding, [language,] description, separator, value.
void DecodeDescribedText(std::string& Out, std::string_view Content, bool HasLanguage,
                         bool Latin1Value);

// The description of a user text frame (TXXX): its text up to the first terminator.
void DecodeUserTextDescription(std::string& Out, std::string_view Content);

// True for a comment frame's content whose description is empty.
bool IsPlainCommentContent(std::string_view Content);

} // namespace orvanta::id3text
