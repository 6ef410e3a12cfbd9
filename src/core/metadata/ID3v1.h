#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/metadata/uTagFields.h"

namespace orvanta {

class TByteSource;

// Names of the ID3v1 genre bytes 0..147; bytes 148..255 have none.
inline constexpr std::size_t GenreCount = 148;
extern const std::array<std::string_view, GenreCount> GenreNames;

// The 128-byte ID3v1 tag at the end of an MP3 file. Texts are UTF-8 in memory and
// ISO-8859-1 in the file; widths count characters.
class TID3v1 {
public:
    static constexpr std::size_t BlockSize = 128;
    using Block = std::array<std::uint8_t, BlockSize>;

    TID3v1() { Clear(); }

    void Clear();

    // False only when the last 128 bytes cannot be read (also for a file shorter than that);
    // Present tells whether a tag was found.
    [[nodiscard]] bool LoadTag(const std::string& FileName);
    [[nodiscard]] bool LoadTag(TByteSource& Source);
    // Takes the fields from the file's last 128 bytes.
    void ReadBlock(const Block& Bytes);

    // Writes the fields changed since the last read into the file's tag (the others keep their
    // bytes), or a new tag when the file has none. Writes nothing when no field changed. After a
    // write the object holds what the file now holds.
    [[nodiscard]] bool StoreTag(const std::string& FileName);
    // The 128 bytes StoreTag writes.
    Block BuildBlock() const;

    std::string GenreName() const;

    // The text fields InV1; the others hold no text here.
    void SetText(TTagField Field, std::string_view Value);
    const std::string& Text(TTagField Field) const { return FText[FieldIndex(Field)]; }

    void SetTitle(std::string_view Value) { SetText(TTagField::Title, Value); }
    void SetArtist(std::string_view Value) { SetText(TTagField::Artist, Value); }
    void SetAlbum(std::string_view Value) { SetText(TTagField::Album, Value); }
    void SetYear(std::string_view Value) { SetText(TTagField::Year, Value); }
    void SetComment(std::string_view Value) { SetText(TTagField::Comment, Value); }
    void SetTrack(std::uint8_t Value) {
        keepRead();
        FTrack = Value;
    }
    void SetGenreIndex(std::uint8_t Value) {
        keepRead();
        FGenreIndex = Value;
    }

    bool Present() const { return FPresent; }
    // 1 = layout 1.0, 2 = layout 1.1 (with a track number).
    std::uint8_t Version() const { return FVersion; }
    const std::string& Title() const { return Text(TTagField::Title); }
    const std::string& Artist() const { return Text(TTagField::Artist); }
    const std::string& Album() const { return Text(TTagField::Album); }
    const std::string& Year() const { return Text(TTagField::Year); }
    const std::string& Comment() const { return Text(TTagField::Comment); }
    std::uint8_t Track() const { return FTrack; }
    std::uint8_t GenreIndex() const { return FGenreIndex; }

private:
    struct TEdited {
        TFieldArray<std::string> Text;
        std::uint8_t Track = 0;
        std::uint8_t GenreIndex = 255;
        bool operator==(const TEdited&) const = default;
    };
    TEdited Edited() const { return {FText, FTrack, FGenreIndex}; }
    // Called before the first change after a read, so that a reader that only reads (an
    // import of thousands of files) never copies its values.
    void keepRead() {
        if (!FReadKept)
            FRead = Edited();
        FReadKept = true;
    }

    bool FPresent = false;
    std::uint8_t FVersion = 1;
    TFieldArray<std::string> FText;
    std::uint8_t FTrack = 0;
    std::uint8_t FGenreIndex = 255;
    // The values as last read (empty after Clear), once kept: StoreTag writes what differs.
    TEdited FRead;
    bool FReadKept = false;
};

} // namespace orvanta
