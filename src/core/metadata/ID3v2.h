#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/ID3v2Frames.h"
#include "core/metadata/uAudioInfo.h"
#include "core/metadata/uTagFields.h"

namespace orvanta {

class TByteSource;

// The ID3v2 tag at the start of an MP3 file: versions 2, 3 and 4 are read, version 3 is
// written. Texts are UTF-8 in memory.
class TID3v2 {
public:
    TID3v2() { Clear(); }

    void Clear();

    // False only when the first 10 bytes cannot be read; Present tells whether a tag was found.
    [[nodiscard]] bool LoadTag(const std::string& FileName);
    [[nodiscard]] bool LoadTag(TByteSource& Source);

    // Writes a version 3 tag in which only the fields changed since the last read get new
    // frames; every other frame of the file's tag is carried (converted to version 3 when the
    // tag is of another version), and a cleared field loses the frames it was read from. Writes
    // nothing when no field changed. The frames are taken from the file as it is now, so nothing
    // another program added meanwhile is lost. The tag is written in place when it fits the old
    // one (of at most 4096 bytes); otherwise the file is rewritten beside and renamed over. After
    // a write the object holds what the file now holds. A tag that was not read whole is never
    // written over: false, with ReadWhole false.
    [[nodiscard]] bool StoreTag(const std::string& FileName);
    // The last read (or save) found every frame of the tag, or there was no tag.
    bool ReadWhole() const { return FReadWhole; }

    // Any text field (the track is a number: SetTrack).
    void SetText(TTagField Field, std::string_view Value);
    const std::string& Text(TTagField Field) const { return FText[FieldIndex(Field)]; }

    void SetTitle(std::string_view Value) { SetText(TTagField::Title, Value); }
    void SetArtist(std::string_view Value) { SetText(TTagField::Artist, Value); }
    void SetAlbum(std::string_view Value) { SetText(TTagField::Album, Value); }
    void SetYear(std::string_view Value) { SetText(TTagField::Year, Value); }
    void SetGenre(std::string_view Value) { SetText(TTagField::Genre, Value); }
    void SetComment(std::string_view Value) { SetText(TTagField::Comment, Value); }
    void SetComposer(std::string_view Value) { SetText(TTagField::Composer, Value); }
    void SetCopyright(std::string_view Value) { SetText(TTagField::Copyright, Value); }
    void SetLanguage(std::string_view Value) { SetText(TTagField::Language, Value); }
    void SetTrack(std::uint16_t Value) {
        keepRead();
        FTrack = Value;
    }
    // A text frame beside the fields: Id ("TPE2", "TPOS", ...), or for "TXXX" the user text
    // frame of Description (in any case). The next save replaces every such frame by one that
    // holds Values, or removes them when Values is empty.
    void SetFrameTexts(std::string_view Id, std::string_view Description,
                       std::vector<std::string> Values);

    // The next save replaces every picture (APIC) of the tag by Pictures, in order; none
    // removes them all. Every other frame stays byte for byte.
    void SetPictures(std::vector<TPicture> Pictures) { FPictures = std::move(Pictures); }

    bool Present() const { return FPresent; }
    std::uint8_t Version() const { return FVersion; }
    // Bytes of the tag with header (and footer); 0 when none or larger than the file.
    std::int32_t TagSize() const { return FTagSize; }
    const std::string& Title() const { return Text(TTagField::Title); }
    const std::string& Artist() const { return Text(TTagField::Artist); }
    const std::string& Album() const { return Text(TTagField::Album); }
    std::uint16_t Track() const { return FTrack; }
    const std::string& TrackText() const { return FTrackText; }
    const std::string& Year() const { return Text(TTagField::Year); }
    const std::string& Genre() const { return Text(TTagField::Genre); }
    const std::string& Comment() const { return Text(TTagField::Comment); }
    const std::string& Composer() const { return Text(TTagField::Composer); }
    const std::string& EncodedBy() const { return FEncodedBy; }
    const std::string& Copyright() const { return Text(TTagField::Copyright); }
    const std::string& Language() const { return Text(TTagField::Language); }
    const std::string& UserURL() const { return FUserURL; }
    // The disc of a set (TPOS: "1" or "1/2") and the album's artist (TPE2).
    std::uint16_t Disc() const { return FDisc; }
    const std::string& DiscText() const { return FDiscText; }
    const std::string& AlbumArtist() const { return FAlbumArtist; }
    // A save gives the frame of that version 3 identifier this text instead of its old frames
    // (an empty text removes them); a text equal to the one read changes nothing. For the
    // frames outside the field table: TPE2 and TPOS.
    void SetFrameText(std::string_view Id, std::string_view Value);
    bool FramesEdited() const { return !FFrameTexts.empty(); }

    // The values one by one of the frames that may hold several, for a frame holding two or
    // more (each ended by a zero; a genre's references too); empty for a frame of one value,
    // which is its text. A " / " inside a value never splits it.
    struct TValues {
        std::vector<std::string> Artists, AlbumArtists, Genres, Composers;
    };
    const TValues& Values() const { return FValues; }

    // The texts of the user text frames (TXXX) REPLAYGAIN_TRACK_GAIN, _TRACK_PEAK, _ALBUM_GAIN
    // and _ALBUM_PEAK, in that order; empty where the tag has none.
    static constexpr std::array<std::string_view, 4> ReplayGainKeys = {
        "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK", "REPLAYGAIN_ALBUM_GAIN",
        "REPLAYGAIN_ALBUM_PEAK"};
    const std::array<std::string, 4>& ReplayGainTexts() const { return FReplayGain; }

    // The kinds of frame whose texts are read: title, artist, album, ... (see ID3v2.cpp).
    static constexpr std::size_t FrameKinds = 19;

private:
    // The values a save may change.
    struct TEdited {
        TFieldArray<std::string> Text;
        std::uint16_t Track = 0;
    };
    TEdited Edited() const { return {FText, FTrack}; }
    // Called before the first change after a read, so that a reader that only reads (an
    // import of thousands of files) never copies its values.
    void keepRead() {
        if (!FReadKept)
            FRead = Edited();
        FReadKept = true;
    }

    bool FPresent = false;
    std::uint8_t FVersion = 0;
    std::int32_t FTagSize = 0;
    TFieldArray<std::string> FText;
    std::uint16_t FTrack = 0;
    std::string FTrackText;
    std::string FEncodedBy;
    std::string FUserURL;
    std::uint16_t FDisc = 0;
    std::string FDiscText;
    std::string FAlbumArtist;
    TValues FValues;
    std::array<std::string, 4> FReplayGain;
    // The values as LoadTag read them (empty after Clear), once kept: StoreTag writes what
    // differs.
    TEdited FRead;
    bool FReadKept = false;
    struct TFrameTexts {
        std::string Id;
        std::string Description;
        std::vector<std::string> Values;
    };
    std::vector<TFrameTexts> FFrameTexts;
    std::optional<std::vector<TPicture>> FPictures;
    bool FReadWhole = true;
    // The comment came from a comment frame with a description (there was none without).
    bool FCommentDescribed = false;
    // The raw content of each kind of frame during LoadTag, and the buffer a frame is read into.
    // Members so that their memory serves the next tag as well.
    std::array<std::string, FrameKinds> FContents;
    std::string FReadBuffer;
    std::string FDescription;

    // Keeps the value of a user text frame's Content when it is one of ReplayGainKeys.
    void readUserText(const std::string& Content);
};

// Every frame of the tag at the start of Source, in order and in the version 3 form a save
// writes; empty when there is no tag.
std::vector<id3frames::TFrameV3> ReadTagFrames(TByteSource& Source);

// The pictures of the APIC frames among Frames, in order.
std::vector<TPicture> PicturesOfFrames(const std::vector<id3frames::TFrameV3>& Frames);

// The content of an APIC frame holding Picture (its type, MIME type, description and bytes).
std::string PictureFrameContent(const TPicture& Picture);

} // namespace orvanta
