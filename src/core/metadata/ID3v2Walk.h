#pragma once

// The walk over an ID3v2 tag's header and frames, shared by the tag's read and its save.

#include "core/metadata/ID3v2Frames.h"
#include "core/metadata/uTagFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvanta::id3walk {

constexpr std::size_t HeaderSize = 10;

struct TagHeader {
    std::array<std::uint8_t, HeaderSize> Bytes{};
    std::int64_t FileBytes = 0;

    bool IsID3() const { return Bytes[0] == 'I' && Bytes[1] == 'D' && Bytes[2] == '3'; }
    std::uint8_t MajorVersion() const { return Bytes[3]; }
    std::uint8_t Flags() const { return Bytes[5]; }

    // The size bytes are taken whole, as the format's 7-bit rule is not checked on reading.
    std::int64_t TotalTagSize() const {
        std::int64_t total = (std::int64_t(Bytes[6]) << 21) + (std::int64_t(Bytes[7]) << 14) +
                             (std::int64_t(Bytes[8]) << 7) + Bytes[9] + 10;
        if (Flags() & 0x10)
            total += 10; // footer
        return total > FileBytes ? 0 : total;
    }
};

inline bool ReadTagHeader(TByteSource& Source, TagHeader& Header) {
    Header.FileBytes = Source.Size();
    return Source.ReadAt(0, Header.Bytes.data(), HeaderSize) == std::int64_t(HeaderSize);
}

inline std::uint32_t BigEndian(const std::uint8_t* P, int Bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < Bytes; ++i)
        value = (value << 8) | P[i];
    return value;
}

// ID3v2.4 sizes are syncsafe: 7 bits per byte.
inline std::uint32_t Syncsafe(const std::uint8_t* P) {
    return (std::uint32_t(P[0] & 0x7F) << 21) | (std::uint32_t(P[1] & 0x7F) << 14) |
           (std::uint32_t(P[2] & 0x7F) << 7) | (P[3] & 0x7F);
}

// One frame as found in the tag body.
struct RawFrame {
    std::string_view Id; // valid while the frame is visited
    std::int64_t ContentOffset = 0;
    std::int64_t Size = 0;
    std::uint8_t Flags0 = 0;
    std::uint8_t Flags1 = 0;
};

// How a walk over the frames ended.
enum class WalkEnd {
    Whole,   // at the end of the tag, or at padding
    Stopped, // at bytes that are no frame, or at a frame running past the tag
    Refused, // the visitor stopped it
};

// Walks the frames of a tag body in Source from Start to End, calling Visit for each frame;
// stops at padding (a zero byte where a frame would begin), at the end of the tag, at bytes that
// are no frame, or when Visit returns false.
// UnsyncAll marks a version 4 tag whose header flags unsynchronisation: every frame then counts as
// unsynchronised, whatever its own flags say.
template <typename Visitor>
WalkEnd WalkFrames(TByteSource& Source, std::uint8_t Version, std::int64_t Start, std::int64_t End,
                   bool UnsyncAll, Visitor&& Visit) {
    const std::int64_t headerSize = Version == 2 ? 6 : 10;
    End = std::min(End, Source.Size());
    std::int64_t pos = Start;
    while (pos < End) {
        std::uint8_t h[10]{};
        if (pos + headerSize > End)
            return id3frames::IsPaddingAt(Source, pos, End) ? WalkEnd::Whole : WalkEnd::Stopped;
        if (Source.ReadAt(pos, h, std::size_t(headerSize)) != headerSize)
            return WalkEnd::Stopped;
        if (h[0] == 0)
            return id3frames::IsPaddingAt(Source, pos, End) ? WalkEnd::Whole : WalkEnd::Stopped;
        if (!id3frames::IsFrameId(h, Version == 2 ? 3 : 4))
            return WalkEnd::Stopped;
        RawFrame frame;
        frame.ContentOffset = pos + headerSize;
        if (Version == 2) {
            frame.Id = std::string_view(reinterpret_cast<const char*>(h), 3);
            frame.Size = BigEndian(h + 3, 3);
        } else {
            frame.Id = std::string_view(reinterpret_cast<const char*>(h), 4);
            frame.Size = BigEndian(h + 4, 4);
            frame.Flags0 = h[8];
            frame.Flags1 = std::uint8_t(h[9] | (UnsyncAll ? 0x02 : 0));
            // ID3v2.4 frame sizes are syncsafe, but some players and encoders wrote plain ones
            // for years: the reading after which the tag goes on as a tag wins.
            if (Version == 4) {
                const std::int64_t syncsafe = Syncsafe(h + 4);
                if (syncsafe == frame.Size ||
                    id3frames::LandsWell(Source, frame.ContentOffset + syncsafe, End) ||
                    !id3frames::LandsWell(Source, frame.ContentOffset + frame.Size, End))
                    frame.Size = syncsafe;
            }
        }
        if (!Visit(frame))
            return WalkEnd::Refused;
        // A frame running past the tag is read as far as it goes, but the tag is not whole.
        if (frame.ContentOffset + frame.Size > End)
            return WalkEnd::Stopped;
        pos = frame.ContentOffset + frame.Size;
    }
    return WalkEnd::Whole;
}

inline bool Unsync4(const TagHeader& Header) {
    return Header.MajorVersion() == 4 && (Header.Flags() & 0x80);
}

// Where the frames start: after the header and, when flagged, the extended header. Some taggers
// set the flag without writing one; their frames start right after the header.
inline std::int64_t FramesStart(TByteSource& Source, const TagHeader& Header) {
    if (Header.MajorVersion() < 3 || !(Header.Flags() & 0x40))
        return HeaderSize;
    std::uint8_t size[4]{};
    if (Source.ReadAt(HeaderSize, size, 4) != 4 || id3frames::IsFrameId(size, 4))
        return HeaderSize;
    // Version 3 counts the extended header without its size field, version 4 with it.
    return Header.MajorVersion() == 3 ? HeaderSize + 4 + BigEndian(size, 4)
                                      : HeaderSize + Syncsafe(size);
}

// The tag (header and frames) as one readable source: the file itself, or a resynchronised
// copy when the whole tag is unsynchronised (versions 2 and 3).
class TagBody {
public:
    // The frames end before a footer.
    TagBody(TByteSource& Source, const TagHeader& Header, std::int64_t TagSize)
        : FSource(&Source), FEnd(TagSize - ((Header.Flags() & 0x10) ? 10 : 0)) {
        if (Header.MajorVersion() <= 3 && (Header.Flags() & 0x80)) {
            FCopy.resize(std::size_t(TagSize));
            const std::int64_t got = Source.ReadAt(0, FCopy.data(), FCopy.size());
            FCopy.resize(std::size_t(std::max<std::int64_t>(got, 0)));
            FCopy = std::string(FCopy.substr(0, HeaderSize)) +
                    id3frames::Resynchronise(
                        std::string_view(FCopy).substr(std::min(FCopy.size(), HeaderSize)));
            FMemory.emplace(FCopy);
            FSource = &*FMemory;
            FEnd = static_cast<std::int64_t>(FCopy.size());
        }
    }
    TByteSource& Source() { return *FSource; }
    std::int64_t End() const { return FEnd; }

private:
    TByteSource* FSource;
    std::int64_t FEnd;
    std::string FCopy;
    std::optional<TMemorySource> FMemory;
};

// Calls Visit with every frame of the tag, in order and in version 3 form. False when the tag
// was not read whole: bytes that are no frame, or a frame version 3 cannot hold (frames that ask
// to be dropped when the tag changes are dropped, as the format wants).
template <typename Visitor>
bool VisitFramesV3(TByteSource& Source, const TagHeader& Header, std::int64_t TagSize,
                   Visitor&& Visit) {
    const std::uint8_t version = Header.MajorVersion();
    if (version < 2 || version > 4)
        return false;
    TagBody body(Source, Header, TagSize);
    std::string content;
    bool whole = true;
    const WalkEnd end = WalkFrames(
        body.Source(), version, FramesStart(body.Source(), Header), body.End(), Unsync4(Header),
        [&](const RawFrame& Frame) {
            if (Frame.ContentOffset + Frame.Size > body.End())
                return false;
            content.resize(std::size_t(Frame.Size));
            if (body.Source().ReadAt(Frame.ContentOffset, content.data(), content.size()) !=
                Frame.Size)
                return false;
            if (auto v3 = id3frames::ToV3(version, Frame.Id, Frame.Flags0, Frame.Flags1, content))
                Visit(std::move(*v3));
            else if (!id3frames::DroppedOnChange(version, Frame.Flags0))
                whole = false;
            return true;
        });
    return whole && end == WalkEnd::Whole;
}

} // namespace orvanta::id3walk
