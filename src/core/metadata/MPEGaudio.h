#pragma once

#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvanta {

class TByteSource;

// Every read of audio data is one block of this size.
inline constexpr std::size_t SearchBlockSize = 3458;

// The first MPEG audio frame, as decoded from its 4-byte header.
struct FrameHeaderInfo {
    bool Present = false;
    // Offset of the frame inside the block in which it was found.
    std::int32_t Offset = 0;
    std::uint16_t Length = 0;
    bool EmptySideInfo = false;
    std::array<std::uint8_t, 4> HeaderBytes{};
    std::uint8_t VersionCode = 1; // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    std::uint8_t LayerCode = 0;   // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    bool HasCRC = false;
    std::uint16_t BitRateCode = 0;
    std::uint16_t SampleRateCode = 3;
    bool Padded = false;
    bool PrivateFlag = false;
    std::uint8_t ModeCode = 4; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    std::uint8_t ModeExtension = 4;
    bool CopyrightFlag = false;
    bool OriginalFlag = false;
    std::uint8_t EmphasisCode = 2;
};

// A "Xing" or "VBRI" header found in the first frame.
struct VBRData {
    bool Present = false;
    std::string Marker;
    std::int32_t FrameCount = 0;
    std::int32_t ByteCount = 0;
    std::uint8_t Quality = 0;
    std::string EncoderText;
};

// What a save that refuses a tag not read whole says.
std::string TagNotWholeMessage(const std::string& Path);

// Frame-header arithmetic (ISO/IEC 11172-3 and 13818-3).
bool PlausibleHeader(const std::uint8_t* H);
void DecodeFrameHeader(const std::uint8_t* H, FrameHeaderInfo& Frame);
int TableBitRate(const FrameHeaderInfo& Frame);
int SampleRateHz(const FrameHeaderInfo& Frame);
int SizeCoefficient(const FrameHeaderInfo& Frame);
int PaddingLength(const FrameHeaderInfo& Frame);
std::uint16_t FrameLength(const FrameHeaderInfo& Frame);
int VBRHeaderOffset(const FrameHeaderInfo& Frame);

using SearchBlock = std::array<std::uint8_t, SearchBlockSize>;
// The first plausible header in the block's first 1730 positions that is followed, one frame
// length later, by another; with the VBR header inside it. VBR is left alone when none is found.
// Returns how many of the block's first bytes the outcome depends on.
std::size_t FindFirstFrame(const SearchBlock& Block, FrameHeaderInfo& Frame, VBRData& VBR);
// "LAME" plus the next four characters, or "GOGO", searched backwards from the block's end.
std::string FindEncoderTag(const SearchBlock& Block, std::uint16_t Limit);

// One MP3 file: its first audio frame, duration and bit rate, and its two tags.
class TMPEGaudio {
public:
    TMPEGaudio() { Clear(); }
    virtual ~TMPEGaudio() = default;

    void Clear();

    // Reads both tags and the audio blocks. True when every read succeeded; in a file in which
    // no frame is confirmed the tags stay as read and IsValid is false. A file shorter than an
    // ID3v1 tag has none.
    bool Analyse(const std::string& FileName);
    bool Analyse(TByteSource& Source);

    // A frame was found, the bit rate is 8 to 448 kbit/s and the duration at least 0.1 s.
    bool IsValid() const;
    // Whether a tag of that version may be written: into MPEG audio, or over a tag the file
    // already has (a file without audio keeps every byte but its tag). A tag is never put into
    // a file that is neither.
    bool TagWritable(bool V2) const {
        return IsValid() || (V2 ? FID3v2.Present() && FID3v2.TagSize() > 0 : FID3v1.Present());
    }
    // kbit/s; callers use the low 16 bits.
    int BitRateKbps() const;
    double DurationSeconds() const;

    std::int64_t FileBytes() const { return FFileBytes; }
    const std::string& EncoderTag() const { return FEncoderTag; }
    const VBRData& VBRHeader() const { return FVBRHeader; }
    const FrameHeaderInfo& FirstFrame() const { return FFirstFrame; }
    TID3v1& ID3v1() { return FID3v1; }
    const TID3v1& ID3v1() const { return FID3v1; }
    TID3v2& ID3v2() { return FID3v2; }
    const TID3v2& ID3v2() const { return FID3v2; }

private:
    void ClearAudio();
    std::int64_t AudioStart(TByteSource& Source) const;
    // The first frame, from the block after the ID3v2 tag (or the file's middle).
    bool FindAudio(TByteSource& Source, SearchBlock& Block);
    // The encoder's mark, searched backwards from the end of the audio.
    bool ReadEncoderTag(TByteSource& Source, SearchBlock& Block);
    std::uint16_t EncoderSearchLimit() const;

    std::int64_t FFileBytes = 0;
    std::int64_t FAudioStart = 0;
    std::string FEncoderTag;
    VBRData FVBRHeader;
    FrameHeaderInfo FFirstFrame;
    TID3v1 FID3v1;
    TID3v2 FID3v2;
};

} // namespace orvanta
