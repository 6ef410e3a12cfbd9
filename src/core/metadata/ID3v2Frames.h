#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Frames of any ID3v2 version brought into the version 3 form the writer produces, so that a
// save carries what it was not asked to change.
namespace orvanta {
class TByteSource;
}

namespace orvanta::id3frames {

struct TFrameV3 {
    std::string Id; // four characters
    std::uint8_t Flags0 = 0;
    std::uint8_t Flags1 = 0;
    std::string Content;
};

// One frame as stored in a tag of the given major version (2, 3 or 4), its content already
// freed of whole-tag unsynchronisation. Version 2 identifiers are mapped (PIC becomes APIC with
// the image bytes unchanged); version 4 format flags are decoded and its text encodings 2 and 3
// become UTF-16 with a byte-order mark. Empty when version 3 cannot hold the frame, or when it
// asks to be dropped once the tag is altered.
std::optional<TFrameV3> ToV3(std::uint8_t Version, std::string_view Id, std::uint8_t Flags0,
                             std::uint8_t Flags1, std::string_view Content);

// True for a frame whose flags ask it to be dropped when the tag is altered.
bool DroppedOnChange(std::uint8_t Version, std::uint8_t Flags0);

// The version 3 identifier of a version 2 one; empty when there is none.
std::string_view V3IdOfV2(std::string_view Id);

void AppendFrame(std::string& Out, const TFrameV3& Frame);

// Undoes unsynchronisation: every 0xFF 0x00 pair loses its zero byte.
std::string Resynchronise(std::string_view Bytes);

// A frame identifier: a capital letter, then capital letters and digits.
bool IsFrameId(const std::uint8_t* Id, std::size_t Length);

// Padding: nothing but zero bytes from Pos up to End, the end of the tag. Only the first bytes
// are looked at in a large tag.
bool IsPaddingAt(TByteSource& Source, std::int64_t Pos, std::int64_t End);

// Whether a frame ending at Pos is followed by what a tag may hold there: its end, padding, or
// the header of a next frame that fits in the tag.
bool LandsWell(TByteSource& Source, std::int64_t Pos, std::int64_t End);

// True for a COMM frame whose description is empty (the user's own comment).
bool IsPlainComment(const TFrameV3& Frame);

} // namespace orvanta::id3frames
