#include "core/metadata/uOggFile.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uXiphComment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace orvanta {

namespace {

// The page layout: "OggS", version, flags, granule position (64 bits), serial number, page
// sequence, CRC (32 bits each), the number of segments and their lacing values; all
// little-endian. A packet is the run of segments up to one shorter than 255 bytes.
constexpr std::size_t PageHeaderBytes = 27;
constexpr std::int64_t MaxHeaderBytes = PageHeaderBytes + 255;
constexpr std::int64_t MaxPageBytes = MaxHeaderBytes + 255 * 255;
constexpr std::int64_t ChunkBytes = 64 * 1024;
// Header packets of more pages than this (64 MB) are corrupt or hostile.
constexpr int MaxHeaderPages = 1024;
constexpr std::uint8_t ContinuedPacket = 0x01;
constexpr std::uint8_t FirstPage = 0x02;
// The end of the file searched first for the last page; most last pages are shorter.
constexpr std::int64_t TailSearchBytes = 4096;
constexpr std::int64_t OpusRate = 48000;

std::uint32_t Le32(const std::uint8_t* B) {
    return std::uint32_t(B[0]) | std::uint32_t(B[1]) << 8 | std::uint32_t(B[2]) << 16 |
           std::uint32_t(B[3]) << 24;
}

std::int64_t Le64(const std::uint8_t* B) {
    return std::int64_t(std::uint64_t(Le32(B)) | std::uint64_t(Le32(B + 4)) << 32);
}

bool IsCapture(const std::uint8_t* B) {
    return std::memcmp(B, "OggS", 4) == 0;
}

struct TPage {
    std::uint8_t Flags = 0;
    // -1 when no packet ends on the page.
    std::int64_t Granule = -1;
    std::uint32_t Serial = 0;
    std::uint8_t Segments = 0;
    std::array<std::uint8_t, 255> Lacing{};
    std::int64_t DataOffset = 0;
    std::int64_t End = 0;
};

// The page whose header starts B (Available bytes of it at hand, at file offset Offset).
bool ParsePage(const std::uint8_t* B, std::size_t Available, std::int64_t Offset, TPage& Page) {
    if (Available < PageHeaderBytes || !IsCapture(B) || B[4] != 0)
        return false;
    Page.Flags = B[5];
    Page.Granule = Le64(B + 6);
    Page.Serial = Le32(B + 14);
    Page.Segments = B[26];
    if (Available < PageHeaderBytes + Page.Segments)
        return false;
    std::memcpy(Page.Lacing.data(), B + PageHeaderBytes, Page.Segments);
    std::int64_t data = 0;
    for (int i = 0; i < Page.Segments; ++i)
        data += Page.Lacing[std::size_t(i)];
    Page.DataOffset = Offset + std::int64_t(PageHeaderBytes) + Page.Segments;
    Page.End = Page.DataOffset + data;
    return true;
}

bool ReadPage(TByteSource& Source, std::int64_t Offset, TPage& Page) {
    std::array<std::uint8_t, PageHeaderBytes + 255> b{};
    const std::int64_t got = Source.ReadAt(Offset, b.data(), b.size());
    return got > 0 && ParsePage(b.data(), std::size_t(got), Offset, Page) &&
           Page.End <= Source.Size();
}

// The packets of the first logical stream, from the start of the file; pages of other streams
// are passed over.
class TPacketWalker {
public:
    explicit TPacketWalker(TByteSource& Source) : FSource(Source) {}

    bool Start() {
        if (!ReadPage(FSource, 0, FPage) || !(FPage.Flags & FirstPage))
            return false;
        FSerial = FPage.Serial;
        FDataAt = FPage.DataOffset;
        return true;
    }

    // Adds the byte ranges of the next packet to Reader.
    bool Next(TRangeReader& Reader) {
        if (FSegment == FPage.Segments && !NextPage())
            return false;
        std::int64_t start = FDataAt;
        std::int64_t count = 0;
        for (;;) {
            while (FSegment < FPage.Segments) {
                const std::uint8_t lacing = FPage.Lacing[FSegment++];
                count += lacing;
                if (lacing < 255) {
                    Reader.Add(start, count);
                    FDataAt = start + count;
                    return true;
                }
            }
            Reader.Add(start, count);
            if (!NextPage() || !(FPage.Flags & ContinuedPacket))
                return false;
            start = FDataAt;
            count = 0;
        }
    }

    std::uint32_t Serial() const { return FSerial; }
    std::int64_t PageEnd() const { return FPage.End; }

private:
    // Past the start the source holds, page headers come from chunks read here: a comment
    // header with a cover spans dozens of pages, and one read per page would cost more than
    // all the parsing.
    bool ReadPageAt(std::int64_t Offset) {
        const std::int64_t size = FSource.Size();
        const std::int64_t headerEnd = std::min<std::int64_t>(Offset + MaxHeaderBytes, size);
        if (headerEnd <= std::int64_t(TFileSource::HeadBytes))
            return ReadPage(FSource, Offset, FPage);
        const std::int64_t chunkEnd = FChunkAt + std::int64_t(FChunk.size());
        if (Offset < FChunkAt || headerEnd > chunkEnd) {
            if (Offset >= size)
                return false;
            FChunk.resize(std::size_t(std::min(ChunkBytes, size - Offset)));
            if (FSource.ReadAt(Offset, FChunk.data(), FChunk.size()) != std::int64_t(FChunk.size()))
                return false;
            FChunkAt = Offset;
        }
        const auto at = std::size_t(Offset - FChunkAt);
        return ParsePage(FChunk.data() + at, FChunk.size() - at, Offset, FPage) &&
               FPage.End <= size;
    }

    bool NextPage() {
        std::int64_t at = FPage.End;
        do {
            if (++FPages > MaxHeaderPages || !ReadPageAt(at))
                return false;
            at = FPage.End;
        } while (FPage.Serial != FSerial);
        FSegment = 0;
        FDataAt = FPage.DataOffset;
        return true;
    }

    TByteSource& FSource;
    TPage FPage;
    std::uint32_t FSerial = 0;
    std::size_t FSegment = 0;
    std::int64_t FDataAt = 0;
    int FPages = 0;
    std::vector<std::uint8_t> FChunk;
    std::int64_t FChunkAt = 0;
};

// The granule position of the stream's last whole page: one that ends the file or is followed
// by another page (a cut-off page at the end does not count). -1 when none is found.
std::int64_t LastGranule(TByteSource& Source, std::uint32_t Serial) {
    const std::int64_t size = Source.Size();
    // Pages starting at or after Scanned were looked at. Each wider window reads and scans only
    // what lies before the last, with the header of a page that starts just before it.
    std::int64_t scanned = size;
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
    // Two whole pages before the end cover a file cut off inside its last page.
    for (const std::int64_t window : {TailSearchBytes, 8 * TailSearchBytes, 2 * MaxPageBytes}) {
        const std::int64_t start = std::max<std::int64_t>(0, size - window);
        if (start >= scanned)
            continue;
        const std::int64_t end = std::min(size, scanned + MaxHeaderBytes);
        const auto count = std::size_t(end - start);
        if (count > capacity) {
            bytes.reset(new std::uint8_t[count]); // not cleared: every byte is read over
            capacity = count;
        }
        Source.WillRead(start, count);
        if (Source.ReadAt(start, bytes.get(), count) != std::int64_t(count))
            return -1;
        const auto capturedAt = [&](std::int64_t Offset) {
            std::array<std::uint8_t, 4> b{};
            if (Offset >= start && Offset + 4 <= end)
                return IsCapture(bytes.get() + (Offset - start));
            return Source.ReadAt(Offset, b.data(), 4) == 4 && IsCapture(b.data());
        };
        // From the end backwards, from one 'O' to the one before it.
        for (auto limit = std::size_t(scanned - start); limit > 0;) {
            const void* hit = ::memrchr(bytes.get(), 'O', limit);
            if (hit == nullptr)
                break;
            const auto i = std::size_t(static_cast<const std::uint8_t*>(hit) - bytes.get());
            limit = i;
            TPage page;
            if (i + 4 > count ||
                !ParsePage(bytes.get() + i, count - i, start + std::int64_t(i), page))
                continue;
            if (page.Serial == Serial && page.Granule >= 0 && page.End <= size &&
                (page.End == size || capturedAt(page.End)))
                return page.Granule;
        }
        scanned = start;
        if (start == 0)
            break;
    }
    return -1;
}

} // namespace

bool ReadOgg(TByteSource& Source, TAudioInfo& Info, bool WithPictures) {
    Info = {};
    TPacketWalker walker(Source);
    TRangeReader identification(Source);
    if (!walker.Start() || !walker.Next(identification))
        return false;
    // Vorbis: packet type 1, "vorbis", version, channels, rate, three bit rates, block sizes,
    // framing. Opus: "OpusHead", version, channels, pre-skip, input rate, gain, mapping.
    std::array<std::uint8_t, 30> id{};
    const auto idBytes = std::size_t(std::min<std::int64_t>(identification.Left(), id.size()));
    if (!identification.Read(id.data(), idBytes))
        return false;
    const bool opus = idBytes >= 19 && std::memcmp(id.data(), "OpusHead", 8) == 0;
    const bool vorbis = !opus && idBytes >= 30 && std::memcmp(id.data(), "\x01vorbis", 7) == 0;
    std::int64_t preSkip = 0;
    std::int64_t rate = 0;
    if (opus && (id[8] & 0xF0) == 0) {
        Info.Format = TAudioFormat::Opus;
        Info.Properties.Codec = "Opus";
        Info.Properties.Channels = id[9];
        preSkip = std::int64_t(id[10]) | std::int64_t(id[11]) << 8;
        const std::uint32_t input = Le32(id.data() + 12);
        Info.Properties.SampleRate = input > 0 && input <= 768000 ? std::int32_t(input) : OpusRate;
        rate = OpusRate;
    } else if (vorbis && Le32(id.data() + 7) == 0) {
        Info.Format = TAudioFormat::OggVorbis;
        Info.Properties.Codec = "Vorbis";
        Info.Properties.Channels = id[11];
        rate = Le32(id.data() + 12);
        Info.Properties.SampleRate = std::int32_t(std::min<std::int64_t>(rate, 768000));
    } else {
        return false;
    }
    if (Info.Properties.Channels == 0 || rate == 0)
        return false;

    TRangeReader comment(Source);
    const std::string_view magic = opus ? "OpusTags" : "\x03vorbis";
    std::array<char, 8> head{};
    if (!walker.Next(comment) || !comment.Read(head.data(), magic.size()) ||
        std::string_view(head.data(), magic.size()) != magic ||
        !ReadVorbisComment(comment, Info.Tags, WithPictures ? &Info.Pictures : nullptr))
        return false;
    const std::int64_t headerEnd = walker.PageEnd();

    const std::int64_t granule = LastGranule(Source, walker.Serial());
    if (granule < 0)
        return false;
    const std::int64_t samples = std::max<std::int64_t>(0, granule - preSkip);
    const std::int64_t ms = std::llround(double(samples) * 1000.0 / double(rate));
    Info.Properties.Milliseconds = ms;
    // The audio pages only, so that a large cover in the comment header adds nothing.
    if (ms > 0)
        Info.Properties.Bitrate = std::int32_t(std::min<double>(
            std::round(double(Source.Size() - headerEnd) * 8.0 / double(ms)), INT32_MAX));
    return true;
}

} // namespace orvanta
