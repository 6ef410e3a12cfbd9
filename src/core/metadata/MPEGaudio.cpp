#include "core/metadata/MPEGaudio.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvanta {

namespace {

constexpr std::uint8_t Mpeg1 = 3;
constexpr std::uint8_t ReservedVersion = 1;
constexpr std::uint8_t LayerII = 2;
constexpr std::uint8_t LayerI = 3;
constexpr std::uint8_t Mono = 3;
constexpr int SearchPositions = 1730;
// The VBRI header always follows the 32 bytes after the frame header (Fraunhofer's encoder).
constexpr int VBRIOffset = 36;

// ISO/IEC 11172-3 (MPEG 1) and 13818-3 (MPEG 2 and 2.5, low sampling frequencies), kbit/s.
constexpr int BitRatesMpeg1[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}};    // Layer III
constexpr int BitRatesMpeg2[2][16] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}, // Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};     // Layers II, III
constexpr int SampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

std::int32_t BigEndian32(const std::uint8_t* P) {
    return static_cast<std::int32_t>((std::uint32_t(P[0]) << 24) | (std::uint32_t(P[1]) << 16) |
                                     (std::uint32_t(P[2]) << 8) | P[3]);
}

bool HeaderAt(const SearchBlock& Block, std::size_t Offset) {
    return Offset + 4 <= Block.size() && PlausibleHeader(Block.data() + Offset);
}

bool MarkerAt(const SearchBlock& Block, std::size_t Offset, const char* Marker) {
    return Offset + 4 <= Block.size() && std::memcmp(Block.data() + Offset, Marker, 4) == 0;
}

VBRData ReadVBRHeader(const SearchBlock& Block, std::size_t XingOffset) {
    VBRData vbr;
    const std::uint8_t* p = Block.data() + XingOffset;
    if (MarkerAt(Block, XingOffset, "Xing")) {
        // The fields sit at fixed offsets; the flags word is not consulted.
        vbr.Present = true;
        vbr.Marker = "Xing";
        vbr.FrameCount = BigEndian32(p + 8);
        vbr.ByteCount = BigEndian32(p + 12);
        vbr.Quality = p[119];
        vbr.EncoderText = tagtext::Latin1ToUtf8({reinterpret_cast<const char*>(p + 120), 8});
        return vbr;
    }
    return vbr;
}

VBRData ReadVBRIHeader(const SearchBlock& Block, std::size_t Offset) {
    VBRData vbr;
    if (!MarkerAt(Block, Offset, "VBRI"))
        return vbr;
    const std::uint8_t* p = Block.data() + Offset;
    vbr.Present = true;
    vbr.Marker = "VBRI";
    vbr.Quality = p[9];
    vbr.ByteCount = BigEndian32(p + 10);
    vbr.FrameCount = BigEndian32(p + 14);
    return vbr;
}

// The backward search for the encoder's mark starts at the block's last 8 bytes.
constexpr int EncoderSearchLast = int(SearchBlockSize) - 8;

// The first block byte the backward search for the encoder's mark can reach.
std::size_t EncoderSearchFrom(std::uint16_t Limit) {
    return std::size_t(EncoderSearchLast - std::min<int>(Limit, EncoderSearchLast));
}

// The last position from From to To at which Mark starts, or -1. memrchr (glibc, musl and the
// BSDs have it) finds the mark's first letter many bytes at a time.
int LastMark(const SearchBlock& Block, int From, int To, const char* Mark) {
    for (int end = To + 1; end > From;) {
        const void* hit = ::memrchr(Block.data() + From, Mark[0], std::size_t(end - From));
        if (hit == nullptr)
            return -1;
        const int at = int(static_cast<const std::uint8_t*>(hit) - Block.data());
        if (MarkerAt(Block, std::size_t(at), Mark))
            return at;
        end = at;
    }
    return -1;
}

// Reads the bytes From to To of the block at Offset; every byte not read is zero. The number of
// bytes read, or -1.
std::int64_t ReadBlockAt(TByteSource& Source, std::int64_t Offset, SearchBlock& Block,
                         std::size_t From = 0, std::size_t To = SearchBlockSize) {
    std::fill(Block.begin(), Block.begin() + std::ptrdiff_t(From), 0);
    const std::int64_t got =
        Source.ReadAt(Offset + std::int64_t(From), Block.data() + From, To - From);
    if (got >= 0)
        std::fill(Block.begin() + std::ptrdiff_t(From + std::size_t(got)), Block.end(), 0);
    return got;
}

// The bytes of the block searched first. They hold the first frame of almost every file, and
// together with a small tag they lie in the file's first page, the only one then read there.
constexpr std::size_t FirstSearchBytes = 1536;
// The furthest a VBR header is read past its frame's start: the "Xing" header at offset 36
// (after a 32-byte side information), 128 bytes long.
constexpr std::size_t VBRHeaderReach = 36 + 128;

} // namespace

bool PlausibleHeader(const std::uint8_t* H) {
    return H[0] == 0xFF && (H[1] & 0xE0) == 0xE0 && ((H[1] >> 3) & 3) != ReservedVersion &&
           ((H[1] >> 1) & 3) != 0 && (H[2] >> 4) != 15 && (H[2] >> 4) != 0 &&
           ((H[2] >> 2) & 3) != 3 && (H[3] & 3) != 2;
}

void DecodeFrameHeader(const std::uint8_t* H, FrameHeaderInfo& Frame) {
    std::copy(H, H + 4, Frame.HeaderBytes.begin());
    Frame.VersionCode = (H[1] >> 3) & 3;
    Frame.LayerCode = (H[1] >> 1) & 3;
    Frame.HasCRC = (H[1] & 1) == 0;
    Frame.BitRateCode = H[2] >> 4;
    Frame.SampleRateCode = (H[2] >> 2) & 3;
    Frame.Padded = (H[2] & 2) != 0;
    Frame.PrivateFlag = (H[2] & 1) != 0;
    Frame.ModeCode = H[3] >> 6;
    Frame.ModeExtension = (H[3] >> 4) & 3;
    Frame.CopyrightFlag = (H[3] & 8) != 0;
    Frame.OriginalFlag = (H[3] & 4) != 0;
    Frame.EmphasisCode = H[3] & 3;
}

int TableBitRate(const FrameHeaderInfo& Frame) {
    if (Frame.VersionCode > 3 || Frame.VersionCode == ReservedVersion || Frame.LayerCode == 0 ||
        Frame.LayerCode > 3 || Frame.BitRateCode > 15)
        return 0;
    if (Frame.VersionCode == Mpeg1)
        return BitRatesMpeg1[3 - Frame.LayerCode][Frame.BitRateCode];
    return BitRatesMpeg2[Frame.LayerCode == LayerI ? 0 : 1][Frame.BitRateCode];
}

int SampleRateHz(const FrameHeaderInfo& Frame) {
    if (Frame.VersionCode > 3 || Frame.SampleRateCode > 2)
        return 0;
    return SampleRates[Frame.VersionCode][Frame.SampleRateCode];
}

int SizeCoefficient(const FrameHeaderInfo& Frame) {
    if (Frame.LayerCode == LayerI)
        return 48;
    if (Frame.VersionCode == Mpeg1 || Frame.LayerCode == LayerII)
        return 144;
    return 72;
}

int PaddingLength(const FrameHeaderInfo& Frame) {
    if (!Frame.Padded)
        return 0;
    return Frame.LayerCode == LayerI ? 4 : 1;
}

std::uint16_t FrameLength(const FrameHeaderInfo& Frame) {
    const int rate = SampleRateHz(Frame);
    if (rate == 0)
        return 0;
    const std::int64_t length =
        std::int64_t(SizeCoefficient(Frame)) * TableBitRate(Frame) * 1000 / rate;
    return static_cast<std::uint16_t>(length + PaddingLength(Frame));
}

int VBRHeaderOffset(const FrameHeaderInfo& Frame) {
    if (Frame.VersionCode == Mpeg1)
        return Frame.ModeCode == Mono ? 21 : 36;
    return Frame.ModeCode == Mono ? 13 : 21;
}

std::size_t FindFirstFrame(const SearchBlock& Block, FrameHeaderInfo& Frame, VBRData& VBR) {
    Frame = FrameHeaderInfo{};
    Frame.VersionCode = 0;
    Frame.SampleRateCode = 0;
    Frame.ModeCode = 0;
    Frame.ModeExtension = 0;
    Frame.EmphasisCode = 0;
    std::size_t reach = 0;
    for (int i = 0; i < SearchPositions; ++i) {
        const std::uint8_t* window = Block.data() + i;
        reach = std::max(reach, std::size_t(i) + 4);
        if (!PlausibleHeader(window))
            continue;
        DecodeFrameHeader(window, Frame);
        const std::uint16_t length = FrameLength(Frame);
        reach = std::max(reach, std::min(std::size_t(i) + length + 4, Block.size()));
        if (!HeaderAt(Block, std::size_t(i) + length))
            continue;
        Frame.Present = true;
        Frame.Offset = i;
        Frame.Length = length;
        Frame.EmptySideInfo =
            std::all_of(window + 4, window + 10, [](std::uint8_t b) { return b == 0; });
        VBR = ReadVBRHeader(Block, std::size_t(i + VBRHeaderOffset(Frame)));
        if (!VBR.Present)
            VBR = ReadVBRIHeader(Block, std::size_t(i + VBRHeaderOffset(Frame)));
        if (!VBR.Present)
            VBR = ReadVBRIHeader(Block, std::size_t(i + VBRIOffset));
        return std::max(reach, std::min(std::size_t(i) + VBRHeaderReach, Block.size()));
    }
    return Block.size();
}

std::string FindEncoderTag(const SearchBlock& Block, std::uint16_t Limit) {
    // The mark nearest the end wins: a "GOGO" counts only after the last "LAME".
    const int from = int(EncoderSearchFrom(Limit));
    const int lame = LastMark(Block, from, EncoderSearchLast, "LAME");
    if (LastMark(Block, std::max(from, lame + 1), EncoderSearchLast, "GOGO") >= 0)
        return "GOGO";
    if (lame < 0)
        return {};
    return tagtext::Latin1ToUtf8({reinterpret_cast<const char*>(Block.data() + lame), 8});
}

std::string TagNotWholeMessage(const std::string& Path) {
    return "The tag of " + Path + " could not be read entirely; it was left as it is.";
}

void TMPEGaudio::Clear() {
    FFileBytes = 0;
    ClearAudio();
    FID3v1.Clear();
    FID3v2.Clear();
}

void TMPEGaudio::ClearAudio() {
    FAudioStart = 0;
    FEncoderTag.clear();
    FVBRHeader = VBRData{};
    FFirstFrame = FrameHeaderInfo{};
}

// Where the audio begins: after the ID3v2 tag and any further tags that follow it (some taggers
// put a new tag in front of the old one).
std::int64_t TMPEGaudio::AudioStart(TByteSource& Source) const {
    std::int64_t start = FID3v2.TagSize();
    for (int tags = 0; tags < 8 && start > 0; ++tags) {
        std::uint8_t h[10]{};
        if (Source.ReadAt(start, h, sizeof h) != std::int64_t(sizeof h) || h[0] != 'I' ||
            h[1] != 'D' || h[2] != '3' || h[3] < 2 || h[3] > 4 ||
            ((h[6] | h[7] | h[8] | h[9]) & 0x80))
            break;
        const std::int64_t size = (std::int64_t(h[6]) << 21) + (std::int64_t(h[7]) << 14) +
                                  (std::int64_t(h[8]) << 7) + h[9] + 10 + ((h[5] & 0x10) ? 10 : 0);
        if (start + size > FFileBytes)
            break;
        start += size;
    }
    return start;
}

bool TMPEGaudio::Analyse(const std::string& FileName) {
    TFileSource source;
    if (!source.Open(FileName)) {
        Clear();
        return false;
    }
    return Analyse(source);
}

bool TMPEGaudio::Analyse(TByteSource& Source) {
    Clear();
    // The first frame is looked for before the ID3v1 tag is read: whether the last audio block
    // is needed is then known, and a file source fetches the file's end with one read. A failed
    // read, and a file in which no frame is confirmed, leave everything cleared.
    SearchBlock block;
    if (!FID3v2.LoadTag(Source) || !FindAudio(Source, block)) {
        Clear();
        return false;
    }
    const bool needsEncoderTag = FFirstFrame.Present && !FVBRHeader.Present;
    const std::size_t endBytes =
        TID3v1::BlockSize +
        (needsEncoderTag ? SearchBlockSize - EncoderSearchFrom(EncoderSearchLimit()) : 0);
    const std::int64_t endStart = std::max<std::int64_t>(0, FFileBytes - std::int64_t(endBytes));
    Source.WillRead(endStart, std::size_t(FFileBytes - endStart));
    // A file too short for an ID3v1 tag (a bare ID3v2 tag) has none.
    if (FFileBytes >= std::int64_t(TID3v1::BlockSize) && !FID3v1.LoadTag(Source)) {
        Clear();
        return false;
    }
    if (!FFirstFrame.Present) {
        // No audio, but the tags stay readable: a file cut short, or a bare tag.
        ClearAudio();
        return true;
    }
    return !needsEncoderTag || ReadEncoderTag(Source, block);
}

std::uint16_t TMPEGaudio::EncoderSearchLimit() const {
    return static_cast<std::uint16_t>(FFirstFrame.Length * 5);
}

bool TMPEGaudio::FindAudio(TByteSource& Source, SearchBlock& Block) {
    FFileBytes = Source.Size();
    FAudioStart = AudioStart(Source);
    // The block's first bytes are searched alone when the outcome depends on them only.
    if (ReadBlockAt(Source, FAudioStart, Block, 0, FirstSearchBytes) < 0)
        return false;
    if (FindFirstFrame(Block, FFirstFrame, FVBRHeader) <= FirstSearchBytes && FFirstFrame.Present)
        return true;
    FVBRHeader = VBRData{};
    const std::int64_t got = ReadBlockAt(Source, FAudioStart, Block);
    if (got < 0)
        return false;
    FindFirstFrame(Block, FFirstFrame, FVBRHeader);
    if (!FFirstFrame.Present && got == std::int64_t(SearchBlockSize)) {
        // Nothing at the start (a damaged or oddly padded beginning): try the middle.
        if (ReadBlockAt(Source, (FFileBytes - FAudioStart) / 2, Block) < 0)
            return false;
        FindFirstFrame(Block, FFirstFrame, FVBRHeader);
    }
    return true;
}

bool TMPEGaudio::ReadEncoderTag(TByteSource& Source, SearchBlock& Block) {
    std::int64_t end = FFileBytes - std::int64_t(SearchBlockSize);
    if (FID3v1.Present())
        end -= TID3v1::BlockSize;
    if (end >= 0) {
        // Only the bytes the backward search can reach are read.
        if (ReadBlockAt(Source, end, Block, EncoderSearchFrom(EncoderSearchLimit())) < 0)
            return false;
    } else {
        // A file shorter than one block: its start to the end of its audio goes to the end
        // of the block, so the backward search still begins at the end of the audio.
        Block.fill(0);
        const auto lead = static_cast<std::size_t>(-end);
        if (lead < Block.size() && Source.ReadAt(0, Block.data() + lead, Block.size() - lead) < 0)
            return false;
    }
    FEncoderTag = FindEncoderTag(Block, EncoderSearchLimit());
    return true;
}

bool TMPEGaudio::IsValid() const {
    const auto rate = static_cast<std::uint16_t>(BitRateKbps());
    return FFirstFrame.Present && rate >= 8 && rate <= 448 && DurationSeconds() >= 0.1;
}

int TMPEGaudio::BitRateKbps() const {
    if (FVBRHeader.Present && FVBRHeader.FrameCount > 0) {
        const int rate = SampleRateHz(FFirstFrame);
        const double perFrame = double(FVBRHeader.ByteCount) / FVBRHeader.FrameCount;
        const double kbps = std::nearbyint((perFrame - PaddingLength(FFirstFrame)) * rate /
                                           SizeCoefficient(FFirstFrame) / 1000.0);
        // Out-of-range values (a damaged header) keep only their low bits, like any other.
        if (!(std::fabs(kbps) < 9.2e18))
            return 0;
        return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(kbps)));
    }
    return TableBitRate(FFirstFrame);
}

double TMPEGaudio::DurationSeconds() const {
    if (!FFirstFrame.Present)
        return 0;
    const int rate = SampleRateHz(FFirstFrame);
    if (FVBRHeader.Present && FVBRHeader.FrameCount > 0)
        return double(std::int64_t(FVBRHeader.FrameCount) * SizeCoefficient(FFirstFrame) * 8) /
               rate;
    const std::int64_t audio = FFileBytes - FAudioStart -
                               (FID3v1.Present() ? std::int64_t(TID3v1::BlockSize) : 0) -
                               FFirstFrame.Offset;
    return double(audio) / TableBitRate(FFirstFrame) / 1000.0 * 8;
}

} // namespace orvanta
