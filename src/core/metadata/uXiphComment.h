#pragma once

// What FLAC, Ogg Vorbis and Opus share: the Vorbis comment (a vendor string, then "KEY=value"
// entries, all lengths little-endian) and FLAC's picture block, which the Ogg formats carry
// base64-encoded in a METADATA_BLOCK_PICTURE comment.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// Limits against corrupt or hostile lengths: a larger picture or text is passed over, and
// entries past the count limit are ignored.
inline constexpr std::size_t MaxPictureBytes = 16 << 20;
inline constexpr std::size_t MaxCommentTextBytes = 1 << 20;
inline constexpr std::size_t MaxCommentEntries = 1 << 16;

// Ranges of a source read as one run of bytes: a FLAC block is one range, an Ogg packet one
// range per page it spans. Skipping reads nothing, so a reader passes over the pictures it was
// not asked for without touching their bytes.
class TRangeReader {
public:
    explicit TRangeReader(TByteSource& Source) : FSource(Source) {}

    void Add(std::int64_t Offset, std::int64_t Count);
    std::int64_t Left() const { return FLeft; }
    // Each is false when fewer bytes are left than asked for or the source fails.
    bool Read(void* Out, std::size_t Count);
    // Appends to Out.
    bool Append(std::string& Out, std::size_t Count);
    bool ReadU32LE(std::uint32_t& Value);
    bool Skip(std::int64_t Count);

private:
    struct TRange {
        std::int64_t Offset;
        std::int64_t Count;
    };
    TByteSource& FSource;
    std::vector<TRange> FRanges;
    std::size_t FIndex = 0;
    // The position inside FRanges[FIndex].
    std::int64_t FAt = 0;
    std::int64_t FLeft = 0;
};

// Reads a Vorbis comment (without the codec's packet header and framing bit) into Tags, keys
// upper-cased and values made valid UTF-8. Pictures (METADATA_BLOCK_PICTURE and the older
// COVERART with COVERARTMIME) go into Pictures when it is given and are skipped unread when not;
// they never appear in Tags. False when the comment is cut short: what was read stays.
bool ReadVorbisComment(TRangeReader& Reader, TTagEntries& Tags, std::vector<TPicture>* Pictures);

// FLAC's picture block (big-endian lengths): false when a length runs past the end.
bool ParseFlacPicture(std::string_view Bytes, TPicture& Picture);

// Standard base64, padding optional; false on any other character.
bool DecodeBase64(std::string_view Text, std::string& Out);

} // namespace orvanta
