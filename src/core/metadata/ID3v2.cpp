#include "core/metadata/ID3v2.h"

#include "core/common/uTStringUtils.h"
#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2Frames.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/ID3v2Walk.h"
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
using namespace id3walk;

constexpr std::size_t SlotCount = 19;
constexpr std::size_t ContentLimit = 500;

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
    for (std::string& text : FReplayGain)
        text.clear();
    FTrack = 0;
    FDisc = 0;
    FReadWhole = true;
    FCommentDescribed = false;
    FReadKept = false;
    FFrameTexts.clear();
    FPictures.reset();
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
                       if (slot == SlotCount && Frame.Id == (FVersion > 2 ? "TXXX" : "TXX") &&
                           FrameContent(body.Source(), FVersion, Frame, body.End(), FReadBuffer) &&
                           KnownEncoding(FVersion, FReadBuffer))
                           readUserText(FReadBuffer);
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

void TID3v2::readUserText(const std::string& Content) {
    DecodeUserTextDescription(FDescription, Content);
    const std::string key = UpperAscii(FDescription);
    for (std::size_t i = 0; i < ReplayGainKeys.size(); ++i)
        if (key == ReplayGainKeys[i])
            DecodeDescribedText(FReplayGain[i], Content, false, false);
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
