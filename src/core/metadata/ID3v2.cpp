#include "core/metadata/ID3v2.h"

#include "core/common/uTStringUtils.h"
#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2Frames.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace orvanta {

namespace {

using namespace id3text;

constexpr std::size_t HeaderSize = 10;
constexpr std::size_t SlotCount = 19;
constexpr std::size_t ContentLimit = 500;
constexpr std::int64_t DefaultTagSize = 4096;

constexpr std::array<std::string_view, SlotCount> FrameIdsV3 = {
    "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TCOM", "TENC", "TCOP",
    "TLAN", "WXXX", "TDRC", "TOPE", "TIT1", "TOAL", "TDRL", "TPOS", "TPE2"};
constexpr std::array<std::string_view, SlotCount> FrameIdsV2 = {
    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM", "TCM", "TEN", "TCR",
    "TLA", "WXX", "TOR", "TOA", "TT1", "TOT", "---", "TPA", "TP2"};

enum Slot : std::size_t {
    SlotTitle,
    SlotArtist,
    SlotAlbum,
    SlotTrack,
    SlotYear,
    SlotGenre,
    SlotComment,
    SlotComposer,
    SlotEncodedBy,
    SlotCopyright,
    SlotLanguage,
    SlotUserURL,
    SlotRecordingTime,
    SlotOriginalArtist,
    SlotContentGroup,
    SlotOriginalAlbum,
    SlotReleaseTime,
    SlotDisc,
    SlotAlbumArtist,
};

static_assert(SlotCount == TID3v2::FrameKinds);
// The field table names the frames a save writes and replaces; the read takes them from here.
static_assert(FrameIdsV3[SlotTitle] == FieldInfo(TTagField::Title).V2Frame &&
              FrameIdsV3[SlotContentGroup] == FieldInfo(TTagField::Title).V2Fallback &&
              FrameIdsV3[SlotArtist] == FieldInfo(TTagField::Artist).V2Frame &&
              FrameIdsV3[SlotOriginalArtist] == FieldInfo(TTagField::Artist).V2Fallback &&
              FrameIdsV3[SlotAlbum] == FieldInfo(TTagField::Album).V2Frame &&
              FrameIdsV3[SlotOriginalAlbum] == FieldInfo(TTagField::Album).V2Fallback &&
              FrameIdsV3[SlotTrack] == FieldInfo(TTagField::Track).V2Frame &&
              FrameIdsV3[SlotYear] == FieldInfo(TTagField::Year).V2Frame &&
              FrameIdsV3[SlotRecordingTime] == FieldInfo(TTagField::Year).V2AlsoReplaced &&
              FrameIdsV3[SlotReleaseTime] == FieldInfo(TTagField::Year).V2Fallback &&
              FrameIdsV3[SlotGenre] == FieldInfo(TTagField::Genre).V2Frame &&
              FrameIdsV3[SlotComment] == FieldInfo(TTagField::Comment).V2Frame &&
              FrameIdsV3[SlotComposer] == FieldInfo(TTagField::Composer).V2Frame &&
              FrameIdsV3[SlotCopyright] == FieldInfo(TTagField::Copyright).V2Frame &&
              FrameIdsV3[SlotLanguage] == FieldInfo(TTagField::Language).V2Frame);

// An identifier's characters as one number, for a quick comparison.
constexpr std::uint32_t IdKey(std::string_view Id) {
    std::uint32_t key = 0;
    for (const char c : Id)
        key = (key << 8) | static_cast<unsigned char>(c);
    return key;
}

template <std::size_t N>
constexpr std::array<std::uint32_t, N> IdKeys(const std::array<std::string_view, N>& Ids) {
    std::array<std::uint32_t, N> keys{};
    for (std::size_t i = 0; i < N; ++i)
        keys[i] = IdKey(Ids[i]);
    return keys;
}

constexpr auto FrameKeysV3 = IdKeys(FrameIdsV3);
constexpr auto FrameKeysV2 = IdKeys(FrameIdsV2);

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

bool ReadTagHeader(TByteSource& Source, TagHeader& Header) {
    Header.FileBytes = Source.Size();
    return Source.ReadAt(0, Header.Bytes.data(), HeaderSize) == std::int64_t(HeaderSize);
}

std::uint32_t BigEndian(const std::uint8_t* P, int Bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < Bytes; ++i)
        value = (value << 8) | P[i];
    return value;
}

// ID3v2.4 sizes are syncsafe: 7 bits per byte.
std::uint32_t Syncsafe(const std::uint8_t* P) {
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

bool Unsync4(const TagHeader& Header) {
    return Header.MajorVersion() == 4 && (Header.Flags() & 0x80);
}

// Where the frames start: after the header and, when flagged, the extended header. Some taggers
// set the flag without writing one; their frames start right after the header.
std::int64_t FramesStart(TByteSource& Source, const TagHeader& Header) {
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

// The first 500 bytes of a frame's content (zero-filled), as the text decoders expect them, into
// Content (whose memory is reused). Returns false for frames whose content cannot be read as
// plain bytes.
bool FrameContent(TByteSource& Source, std::uint8_t Version, const RawFrame& Frame,
                  std::int64_t End, std::string& Content) {
    std::int64_t available = std::min(Frame.Size, End - Frame.ContentOffset);
    if (available <= 0)
        available = 0;
    Content.resize(std::size_t(std::min<std::int64_t>(available, 2 * ContentLimit + 4)));
    const std::int64_t got = Source.ReadAt(Frame.ContentOffset, Content.data(), Content.size());
    if (got < 0)
        return false;
    Content.resize(std::size_t(got));
    if (Version == 4) {
        if (Frame.Flags1 & 0x0C) // compressed or encrypted
            return false;
        if (Frame.Flags1 & 0x01) // data length indicator
            Content.erase(0, std::min<std::size_t>(4, Content.size()));
        if (Frame.Flags1 & 0x02)
            Content = id3frames::Resynchronise(Content);
    } else if (Version == 3 && (Frame.Flags1 & 0x80)) {
        return false; // compressed
    }
    // Frames are read as 500 bytes, zero-filled. A few zero bytes stand for the whole fill: the
    // decoders stop or trim at the first of them, and 4 cover an aligned UTF-16 terminator.
    Content.resize(std::min(Content.size(), ContentLimit));
    Content.resize(std::min(Content.size() + 4, ContentLimit), '\0');
    return true;
}

// The slot of a frame this class reads, or SlotCount for any other frame.
std::size_t SlotOf(std::uint8_t Version, std::string_view Id) {
    const auto& keys = Version > 2 ? FrameKeysV3 : FrameKeysV2;
    const std::uint32_t key = IdKey(Id);
    return std::size_t(std::find(keys.begin(), keys.end(), key) - keys.begin());
}

// Version 4 adds UTF-16 big-endian (2) and UTF-8 (3) to single-byte (0) and UTF-16 (1).
bool KnownEncoding(std::uint8_t Version, std::string_view Content) {
    return static_cast<std::uint8_t>(Content[0]) <= (Version == 4 ? 3 : 1);
}

// ---- writing ----

// Encoding byte and bytes of a text: single-byte when ISO-8859-1 holds it, else UTF-16.
std::string EncodedText(std::string_view Text, bool& Wide) {
    Wide = !tagtext::FitsLatin1(Text);
    if (!Wide)
        return tagtext::Utf8ToLatin1(Text);
    return std::string("\xFF\xFE", 2) + tagtext::Utf8ToUtf16LE(Text);
}

void AppendFrame(std::string& Out, std::string_view Id, std::string_view Payload) {
    id3frames::AppendFrame(Out, {std::string(Id), 0, 0, std::string(Payload)});
}

// The encoding byte, then the texts apart by the encoding's terminator: the values of a text
// frame, or a user text frame's description and values.
std::string TextsPayload(const std::vector<std::string_view>& Texts) {
    const bool wide = !std::ranges::all_of(Texts, tagtext::FitsLatin1);
    std::string payload(1, wide ? '\1' : '\0');
    for (std::size_t i = 0; i < Texts.size(); ++i) {
        if (i > 0)
            payload.append(wide ? 2 : 1, '\0');
        bool ignored = false;
        payload += wide ? EncodedText(Texts[i], ignored) : tagtext::Utf8ToLatin1(Texts[i]);
    }
    return payload;
}

// The description of a user text frame (TXXX): its text up to the first terminator.
std::string UserTextDescription(std::string_view Content) {
    const std::size_t step = !Content.empty() && IsTwoByteEncoding(Content[0]) ? 2 : 1;
    std::size_t end = 1;
    while (end + step <= Content.size() && (Content[end] != 0 || Content[end + step - 1] != 0))
        end += step;
    std::string text;
    DecodeText(text, Content.substr(0, std::min(end, Content.size())));
    return text;
}

std::string TextPayload(std::string_view Text) {
    return TextsPayload({Text});
}

std::string CommentPayload(std::string_view Text) {
    bool wide = false;
    const std::string bytes = EncodedText(Text, wide);
    std::string payload(1, wide ? '\1' : '\0');
    payload += "eng";
    // An empty description; in UTF-16 it too begins with a byte-order mark.
    payload += wide ? std::string("\xFF\xFE\0\0", 4) : std::string(1, '\0');
    return payload + bytes;
}

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

} // namespace

void TID3v2::Clear() {
    FPresent = false;
    FVersion = 0;
    FTagSize = 0;
    for (std::string& text : FText)
        text.clear();
    for (std::string* text : {&FTrackText, &FEncodedBy, &FUserURL, &FAlbumArtist, &FDiscText})
        text->clear();
    for (auto* values :
         {&FValues.Artists, &FValues.AlbumArtists, &FValues.Genres, &FValues.Composers})
        values->clear();
    FTrack = 0;
    FDisc = 0;
    FReadWhole = true;
    FCommentDescribed = false;
    FReadKept = false;
    FFrameTexts.clear();
}

bool TID3v2::LoadTag(const std::string& FileName) {
    Clear();
    TFileSource source;
    return source.Open(FileName) && LoadTag(source);
}

bool TID3v2::LoadTag(TByteSource& Source) {
    Clear();
    TagHeader header;
    if (!ReadTagHeader(Source, header))
        return false;
    if (!header.IsID3())
        return true;
    FPresent = true;
    FVersion = header.MajorVersion();
    const std::int64_t total = header.TotalTagSize();
    FTagSize = total > INT32_MAX ? 0 : static_cast<std::int32_t>(total);
    // A tag of another version, or one that runs past the end of the file, is not read, and
    // so never rewritten.
    FReadWhole = false;
    if (FVersion < 2 || FVersion > 4 || FTagSize == 0)
        return true;

    for (std::string& content : FContents)
        content.clear();
    bool plainComment = false;
    TagBody body(Source, header, FTagSize);
    const WalkEnd end =
        WalkFrames(body.Source(), FVersion, FramesStart(body.Source(), header), body.End(),
                   Unsync4(header), [&](const RawFrame& Frame) {
                       const std::size_t slot = SlotOf(FVersion, Frame.Id);
                       if (slot >= SlotCount || (slot == SlotComment && plainComment) ||
                           !FrameContent(body.Source(), FVersion, Frame, body.End(), FReadBuffer) ||
                           !KnownEncoding(FVersion, FReadBuffer))
                           return true;
                       // The user's comment is the one without a description; encoder data such as
                       // gapless information comes in described ones.
                       if (slot == SlotComment)
                           plainComment = IsPlainCommentContent(FReadBuffer);
                       std::swap(FContents[slot], FReadBuffer); // otherwise a later frame wins
                       return true;
                   });

    FReadWhole = end == WalkEnd::Whole;
    FCommentDescribed = !plainComment && !FContents[SlotComment].empty();
    // Every version may hold several values in a text frame, each ended by a zero.
    const bool multi = true;
    const auto text = [this](TTagField Field) -> std::string& { return FText[FieldIndex(Field)]; };
    TextOrFallback(text(TTagField::Title), FContents[SlotTitle], FContents[SlotContentGroup],
                   multi);
    TextOrFallback(text(TTagField::Artist), FContents[SlotArtist], FContents[SlotOriginalArtist],
                   multi, &FValues.Artists);
    TextOrFallback(text(TTagField::Album), FContents[SlotAlbum], FContents[SlotOriginalAlbum],
                   multi);
    DecodeValues(FTrackText, FContents[SlotTrack], multi);
    FTrack = ParseTrack(FTrackText);
    DecodeValues(FDiscText, FContents[SlotDisc], multi);
    FDisc = ParseTrack(FDiscText); // "1/2" reads as a track number does
    DecodeValues(FAlbumArtist, FContents[SlotAlbumArtist], multi, &FValues.AlbumArtists);
    DecodeYear(text(TTagField::Year), FContents[SlotYear], FContents[SlotRecordingTime],
               FContents[SlotReleaseTime]);
    DecodeGenre(text(TTagField::Genre), FContents[SlotGenre], multi, &FValues.Genres);
    DecodeDescribedText(text(TTagField::Comment), FContents[SlotComment], true, false);
    DecodeValues(text(TTagField::Composer), FContents[SlotComposer], multi, &FValues.Composers);
    DecodeValues(FEncodedBy, FContents[SlotEncodedBy], multi);
    DecodeValues(text(TTagField::Copyright), FContents[SlotCopyright], multi);
    DecodeValues(text(TTagField::Language), FContents[SlotLanguage], multi);
    DecodeDescribedText(FUserURL, FContents[SlotUserURL], false, true);
    FReadKept = false;
    return true;
}

bool TID3v2::StoreTag(const std::string& FileName) {
    keepRead();
    const TEdited now = Edited();
    TFieldArray<bool> changed{};
    for (std::size_t i = 0; i < TagFieldCount; ++i)
        changed[i] = now.Text[i] != FRead.Text[i];
    changed[FieldIndex(TTagField::Track)] = now.Track != FRead.Track;
    // Changed, and now empty.
    const auto cleared = [&](std::size_t Field) { return changed[Field] && FText[Field].empty(); };

    std::string frames;
    std::int64_t oldSize = 0;
    bool hadTag = false;
    {
        TFileSource source;
        TagHeader header;
        if (!source.Open(FileName) || !ReadTagHeader(source, header))
            return false;
        if (std::ranges::find(changed, true) == changed.end() && FFrameTexts.empty())
            return true; // nothing to change: the file stays as it is, byte for byte
        if (!FReadWhole)
            return false; // what was not read cannot be carried
        hadTag = header.IsID3();
        oldSize = hadTag ? header.TotalTagSize() : 0;

        // The new frames, in the table's order.
        for (const TTagFieldInfo& field : TagFields) {
            const std::size_t i = FieldIndex(field.Id);
            if (!changed[i])
                continue;
            if (field.Id == TTagField::Track) {
                // A new number keeps the track count of "3/12".
                const std::size_t slash = FTrackText.find('/');
                if (FTrack != 0)
                    AppendFrame(
                        frames, field.V2Frame,
                        TextPayload(std::to_string(FTrack) + (slash == std::string::npos
                                                                  ? std::string()
                                                                  : FTrackText.substr(slash))));
            } else if (!FText[i].empty()) {
                AppendFrame(frames, field.V2Frame,
                            field.Id == TTagField::Comment ? CommentPayload(FText[i])
                                                           : TextPayload(FText[i]));
            }
        }
        for (const TFrameTexts& set : FFrameTexts) {
            std::vector<std::string_view> texts(set.Values.begin(), set.Values.end());
            if (set.Id == "TXXX")
                texts.insert(texts.begin(), set.Description);
            if (!set.Values.empty())
                AppendFrame(frames, set.Id, TextsPayload(texts));
        }

        // The frames of a changed field give way to the new one; every other frame stays. A
        // cleared field also loses the frames it may have been read from instead, so that it
        // reads back empty.
        const std::size_t commentField = FieldIndex(TTagField::Comment);
        const bool describedComment = cleared(commentField) && FCommentDescribed;
        std::string describedText;
        const auto replaced = [&](const id3frames::TFrameV3& Frame) {
            const std::string_view id = Frame.Id;
            if (describedComment && id == "COMM" && !(Frame.Flags1 & 0xC0)) {
                DecodeDescribedText(describedText, Frame.Content, true, false);
                if (describedText == FRead.Text[commentField])
                    return true;
            }
            if (changed[commentField] && id3frames::IsPlainComment(Frame))
                return true;
            for (const TFrameTexts& set : FFrameTexts)
                if (id == set.Id) {
                    if (id != "TXXX")
                        return true;
                    if (UpperAscii(UserTextDescription(Frame.Content)) ==
                        UpperAscii(set.Description))
                        return true;
                }
            const auto is = [&](std::string_view Want) { return !Want.empty() && id == Want; };
            return std::ranges::any_of(TagFields, [&](const TTagFieldInfo& Field) {
                const std::size_t i = FieldIndex(Field.Id);
                return Field.Id != TTagField::Comment && changed[i] &&
                       (is(Field.V2Frame) || is(Field.V2AlsoReplaced) ||
                        (cleared(i) && is(Field.V2Fallback)));
            });
        };
        // Then the old tag's other frames, in their old order. A tag that cannot be read whole
        // now is left as it is.
        if (oldSize > 0 &&
            !VisitFramesV3(source, header, oldSize, [&](const id3frames::TFrameV3& Frame) {
                if (!replaced(Frame))
                    id3frames::AppendFrame(frames, Frame);
            })) {
            FReadWhole = false;
            return false;
        }
        if (hadTag && oldSize == 0) {
            FReadWhole = false;
            return false;
        }
    }

    std::int64_t newSize = std::int64_t(HeaderSize) + std::int64_t(frames.size());
    const bool rewrite = !hadTag || oldSize < newSize || oldSize > DefaultTagSize;
    const std::int64_t padding = rewrite ? DefaultTagSize - newSize : oldSize - newSize;
    if (padding > 0)
        newSize += padding;
    if (newSize - std::int64_t(HeaderSize) >= (std::int64_t(1) << 28))
        return false; // beyond what a syncsafe size can hold

    std::string tag = "ID3";
    tag += '\3';
    tag += '\0';
    tag += '\0';
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += static_cast<char>(((newSize - std::int64_t(HeaderSize)) >> shift) & 0x7F);
    tag += frames;
    if (padding > 0)
        tag.append(std::size_t(padding), '\0');

    const bool written = rewrite ? tagfile::RewriteWithPrefix(FileName, tag, oldSize)
                                 : tagfile::WriteAt(FileName, 0, tag);
    // From now on a save compares with what the file holds. The save succeeded whatever the
    // read-back finds: one that fails leaves this object as for a file it could not read.
    if (written)
        static_cast<void>(LoadTag(FileName));
    return written;
}

std::vector<id3frames::TFrameV3> ReadTagFrames(TByteSource& Source) {
    std::vector<id3frames::TFrameV3> frames;
    TagHeader header;
    if (!ReadTagHeader(Source, header) || !header.IsID3() || header.TotalTagSize() == 0)
        return frames;
    VisitFramesV3(Source, header, header.TotalTagSize(),
                  [&](id3frames::TFrameV3&& Frame) { frames.push_back(std::move(Frame)); });
    return frames;
}

void TID3v2::SetText(TTagField Field, std::string_view Value) {
    assert(FieldInfo(Field).IsText());
    keepRead();
    const std::string clean = tagtext::SanitizeUtf8(Value);
    FText[FieldIndex(Field)] = std::string(tagtext::TrimControl(clean, true));
}

} // namespace orvanta
