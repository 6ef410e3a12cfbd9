#include "core/metadata/uFlacFile.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uXiphComment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace orvanta {

namespace {

constexpr std::int64_t BlockHeaderBytes = 4;
constexpr std::int64_t StreamInfoBytes = 34;
// Files hold a handful of blocks; more is a corrupt or hostile chain.
constexpr int MaxBlocks = 4096;
// How much a read of blocks past the first page asks for at once.
constexpr std::int64_t ReadAheadBytes = 4096;

enum TBlockType : std::uint8_t { StreamInfo = 0, VorbisComment = 4, Picture = 6, Invalid = 127 };

// The ID3v2 tags before the marker: their total size, 0 when there are none.
std::int64_t LeadingID3v2(TByteSource& Source) {
    std::int64_t at = 0;
    std::array<std::uint8_t, 10> h{};
    const auto next = [&] {
        // A large tag (a cover in it) puts the marker and the blocks past the first pages.
        if (at > 0 && at < Source.Size())
            Source.WillRead(at, std::size_t(std::min(ReadAheadBytes, Source.Size() - at)));
        return Source.ReadAt(at, h.data(), h.size()) == std::int64_t(h.size());
    };
    while (next() && h[0] == 'I' && h[1] == 'D' && h[2] == '3' &&
           ((h[6] | h[7] | h[8] | h[9]) & 0x80) == 0) {
        const std::int64_t body =
            std::int64_t(h[6]) << 21 | std::int64_t(h[7]) << 14 | std::int64_t(h[8]) << 7 | h[9];
        // A footer (flag 0x10) adds another 10 bytes.
        at += 10 + body + ((h[5] & 0x10) ? 10 : 0);
    }
    return at;
}

void ReadStreamInfo(const std::array<std::uint8_t, StreamInfoBytes>& B, TAudioProperties& P) {
    P.SampleRate = std::int32_t(B[10]) << 12 | std::int32_t(B[11]) << 4 | B[12] >> 4;
    P.Channels = ((B[12] >> 1) & 0x07) + 1;
    P.BitsPerSample = ((B[12] & 0x01) << 4 | B[13] >> 4) + 1;
    const std::int64_t samples = std::int64_t(B[13] & 0x0F) << 32 | std::int64_t(B[14]) << 24 |
                                 std::int64_t(B[15]) << 16 | std::int64_t(B[16]) << 8 | B[17];
    if (P.SampleRate > 0)
        P.Milliseconds = std::llround(double(samples) * 1000.0 / P.SampleRate);
}

} // namespace

bool ReadFlac(TByteSource& Source, TAudioInfo& Info, bool WithPictures, std::int64_t* ID3v2Bytes) {
    Info = {};
    const std::int64_t size = Source.Size();
    if (ID3v2Bytes)
        *ID3v2Bytes = 0;
    std::int64_t at = LeadingID3v2(Source);
    std::array<char, 4> marker{};
    if (Source.ReadAt(at, marker.data(), marker.size()) != 4 ||
        std::string_view(marker.data(), 4) != "fLaC")
        return false;
    if (ID3v2Bytes)
        *ID3v2Bytes = at;
    Info.Format = TAudioFormat::FLAC;
    Info.Properties.Codec = "FLAC";
    at += 4;
    bool last = false;
    for (int block = 0; !last; ++block) {
        if (block == MaxBlocks)
            return false;
        // Blocks past the first pages: fetch the next stretch at once rather than each header.
        if (at < size)
            Source.WillRead(at, std::size_t(std::min(ReadAheadBytes, size - at)));
        std::array<std::uint8_t, BlockHeaderBytes> h{};
        if (Source.ReadAt(at, h.data(), h.size()) != BlockHeaderBytes)
            return false;
        last = (h[0] & 0x80) != 0;
        const int type = h[0] & 0x7F;
        const std::int64_t length = std::int64_t(h[1]) << 16 | std::int64_t(h[2]) << 8 | h[3];
        const std::int64_t body = at + BlockHeaderBytes;
        if (body + length > size || type == Invalid || (block == 0) != (type == StreamInfo))
            return false;
        if (type == StreamInfo) {
            std::array<std::uint8_t, StreamInfoBytes> info{};
            if (length < StreamInfoBytes ||
                Source.ReadAt(body, info.data(), info.size()) != StreamInfoBytes)
                return false;
            ReadStreamInfo(info, Info.Properties);
            if (Info.Properties.SampleRate == 0)
                return false;
        } else if (type == VorbisComment) {
            TRangeReader reader(Source);
            reader.Add(body, length);
            if (!ReadVorbisComment(reader, Info.Tags, WithPictures ? &Info.Pictures : nullptr))
                return false;
        } else if (type == Picture && WithPictures && length <= std::int64_t(MaxPictureBytes)) {
            std::string bytes(std::size_t(length), '\0');
            TPicture picture;
            if (Source.ReadAt(body, bytes.data(), bytes.size()) != length ||
                !ParseFlacPicture(bytes, picture))
                return false;
            Info.Pictures.push_back(std::move(picture));
        }
        at = body + length;
    }
    const std::int64_t ms = Info.Properties.Milliseconds;
    if (ms > 0)
        Info.Properties.Bitrate = std::int32_t(
            std::min<double>(std::round(double(size - at) * 8.0 / double(ms)), INT32_MAX));
    return true;
}

} // namespace orvanta
