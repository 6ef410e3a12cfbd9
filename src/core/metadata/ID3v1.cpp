#include "core/metadata/ID3v1.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <cstring>

namespace orvanta {

const std::array<std::string_view, GenreCount> GenreNames = {"Blues",
                                                             "Classic Rock",
                                                             "Country",
                                                             "Dance",
                                                             "Disco",
                                                             "Funk",
                                                             "Grunge",
                                                             "Hip-Hop",
                                                             "Jazz",
                                                             "Metal",
                                                             "New Age",
                                                             "Oldies",
                                                             "Other",
                                                             "Pop",
                                                             "R&B",
                                                             "Rap",
                                                             "Reggae",
                                                             "Rock",
                                                             "Techno",
                                                             "Industrial",
                                                             "Alternative",
                                                             "Ska",
                                                             "Death Metal",
                                                             "Pranks",
                                                             "Soundtrack",
                                                             "Euro-Techno",
                                                             "Ambient",
                                                             "Trip-Hop",
                                                             "Vocal",
                                                             "Jazz+Funk",
                                                             "Fusion",
                                                             "Trance",
                                                             "Classical",
                                                             "Instrumental",
                                                             "Acid",
                                                             "House",
                                                             "Game",
                                                             "Sound Clip",
                                                             "Gospel",
                                                             "Noise",
                                                             "AlternRock",
                                                             "Bass",
                                                             "Soul",
                                                             "Punk",
                                                             "Space",
                                                             "Meditative",
                                                             "Instrumental Pop",
                                                             "Instrumental Rock",
                                                             "Ethnic",
                                                             "Gothic",
                                                             "Darkwave",
                                                             "Techno-Industrial",
                                                             "Electronic",
                                                             "Pop-Folk",
                                                             "Eurodance",
                                                             "Dream",
                                                             "Southern Rock",
                                                             "Comedy",
                                                             "Cult",
                                                             "Gangsta",
                                                             "Top 40",
                                                             "Christian Rap",
                                                             "Pop/Funk",
                                                             "Jungle",
                                                             "Native American",
                                                             "Cabaret",
                                                             "New Wave",
                                                             "Psychadelic",
                                                             "Rave",
                                                             "Showtunes",
                                                             "Trailer",
                                                             "Lo-Fi",
                                                             "Tribal",
                                                             "Acid Punk",
                                                             "Acid Jazz",
                                                             "Polka",
                                                             "Retro",
                                                             "Musical",
                                                             "Rock & Roll",
                                                             "Hard Rock",
                                                             "Folk",
                                                             "Folk-Rock",
                                                             "National Folk",
                                                             "Swing",
                                                             "Fast Fusion",
                                                             "Bebob",
                                                             "Latin",
                                                             "Revival",
                                                             "Celtic",
                                                             "Bluegrass",
                                                             "Avantgarde",
                                                             "Gothic Rock",
                                                             "Progessive Rock",
                                                             "Psychedelic Rock",
                                                             "Symphonic Rock",
                                                             "Slow Rock",
                                                             "Big Band",
                                                             "Chorus",
                                                             "Easy Listening",
                                                             "Acoustic",
                                                             "Humour",
                                                             "Speech",
                                                             "Chanson",
                                                             "Opera",
                                                             "Chamber Music",
                                                             "Sonata",
                                                             "Symphony",
                                                             "Booty Bass",
                                                             "Primus",
                                                             "Porn Groove",
                                                             "Satire",
                                                             "Slow Jam",
                                                             "Club",
                                                             "Tango",
                                                             "Samba",
                                                             "Folklore",
                                                             "Ballad",
                                                             "Power Ballad",
                                                             "Rhythmic Soul",
                                                             "Freestyle",
                                                             "Duet",
                                                             "Punk Rock",
                                                             "Drum Solo",
                                                             "A capella",
                                                             "Euro-House",
                                                             "Dance Hall",
                                                             "Goa",
                                                             "Drum & Bass",
                                                             "Club-House",
                                                             "Hardcore",
                                                             "Terror",
                                                             "Indie",
                                                             "BritPop",
                                                             "Negerpunk",
                                                             "Polsk Punk",
                                                             "Beat",
                                                             "Christian Gangsta Rap",
                                                             "Heavy Metal",
                                                             "Black Metal",
                                                             "Crossover",
                                                             "Contemporary Christian",
                                                             "Christian Rock",
                                                             "Merengue",
                                                             "Salsa",
                                                             "Trash Metal",
                                                             "Anime",
                                                             "JPop",
                                                             "Synthpop"};

namespace {

constexpr std::size_t TitleOffset = 3;
constexpr std::size_t ArtistOffset = 33;
constexpr std::size_t AlbumOffset = 63;
constexpr std::size_t YearOffset = 93;
constexpr std::size_t CommentOffset = 97;
constexpr std::size_t TextWidth = 30;
constexpr std::size_t YearWidth = 4;

bool HasMarker(const TID3v1::Block& Bytes) {
    return Bytes[0] == 'T' && Bytes[1] == 'A' && Bytes[2] == 'G';
}

// Layout 1.1 keeps a zero (or space) before the track byte at the end of the comment.
std::uint8_t DetectLayout(const TID3v1::Block& Bytes) {
    const bool v11 =
        (Bytes[125] == 0x00 && Bytes[126] != 0x00) || (Bytes[125] == 0x20 && Bytes[126] != 0x20);
    return v11 ? 2 : 1;
}

// Into Out, whose memory is reused.
void FieldText(std::string& Out, const TID3v1::Block& Bytes, std::size_t Offset,
               std::size_t Width) {
    const std::string_view raw(reinterpret_cast<const char*>(Bytes.data()) + Offset, Width);
    Out.clear();
    tagtext::AppendLatin1AsUtf8(Out, tagtext::TrimControl(raw, false));
}

std::string Limited(std::string_view Value, std::size_t Width) {
    const std::string clean = tagtext::SanitizeUtf8(Value);
    return std::string(tagtext::FirstChars(tagtext::TrimControl(clean, false), Width));
}

void PutField(TID3v1::Block& Bytes, std::size_t Offset, std::size_t Width,
              const std::string& Text) {
    const std::string latin = tagtext::Utf8ToLatin1(Text);
    std::memcpy(Bytes.data() + Offset, latin.data(), std::min(Width, latin.size()));
}

bool ReadLastBlock(TByteSource& Source, TID3v1::Block& Bytes) {
    const std::int64_t size = Source.Size();
    if (size < std::int64_t(TID3v1::BlockSize))
        return false;
    return Source.ReadAt(size - std::int64_t(TID3v1::BlockSize), Bytes.data(), TID3v1::BlockSize) ==
           std::int64_t(TID3v1::BlockSize);
}

} // namespace

void TID3v1::Clear() {
    FPresent = false;
    FVersion = 1;
    FTitle.clear();
    FArtist.clear();
    FAlbum.clear();
    FYear.clear();
    FComment.clear();
    FTrack = 0;
    FGenreIndex = 255;
    FRead = Edited();
}

TID3v1::TEdited TID3v1::Edited() const {
    return {FTitle, FArtist, FAlbum, FYear, FComment, FTrack, FGenreIndex};
}

bool TID3v1::LoadTag(const std::string& FileName) {
    Clear();
    TFileSource source;
    return source.Open(FileName) && LoadTag(source);
}

bool TID3v1::LoadTag(TByteSource& Source) {
    Clear();
    Block bytes{};
    if (!ReadLastBlock(Source, bytes))
        return false;
    ReadBlock(bytes);
    return true;
}

void TID3v1::ReadBlock(const Block& Bytes) {
    Clear();
    if (!HasMarker(Bytes))
        return;
    FPresent = true;
    FVersion = DetectLayout(Bytes);
    FieldText(FTitle, Bytes, TitleOffset, TextWidth);
    FieldText(FArtist, Bytes, ArtistOffset, TextWidth);
    FieldText(FAlbum, Bytes, AlbumOffset, TextWidth);
    FieldText(FYear, Bytes, YearOffset, YearWidth);
    if (FVersion == 1) {
        FieldText(FComment, Bytes, CommentOffset, TextWidth);
    } else {
        FieldText(FComment, Bytes, CommentOffset, 28);
        FTrack = Bytes[126];
    }
    FGenreIndex = Bytes[127];
    FRead = Edited();
}

TID3v1::Block TID3v1::BuildBlock() const {
    Block bytes{};
    bytes[0] = 'T';
    bytes[1] = 'A';
    bytes[2] = 'G';
    PutField(bytes, TitleOffset, TextWidth, FTitle);
    PutField(bytes, ArtistOffset, TextWidth, FArtist);
    PutField(bytes, AlbumOffset, TextWidth, FAlbum);
    PutField(bytes, YearOffset, YearWidth, FYear);
    PutField(bytes, CommentOffset, TextWidth, FComment);
    if (FTrack != 0) {
        // Layout 1.1: the track number takes the last two comment bytes.
        bytes[125] = 0;
        bytes[126] = FTrack;
    }
    bytes[127] = FGenreIndex;
    return bytes;
}

bool TID3v1::StoreTag(const std::string& FileName) {
    Block old{};
    std::int64_t size = 0;
    {
        TFileSource source;
        if (!source.Open(FileName) || !ReadLastBlock(source, old))
            return false;
        size = source.Size();
    }
    const TEdited now = Edited();
    if (now == FRead)
        return true; // nothing to change
    Block bytes = BuildBlock();
    if (HasMarker(old)) {
        // Only the changed fields are written; the others keep their bytes as they are.
        const auto keep = [&](std::size_t Offset, std::size_t Width) {
            std::memcpy(bytes.data() + Offset, old.data() + Offset, Width);
        };
        if (now.Title == FRead.Title)
            keep(TitleOffset, TextWidth);
        if (now.Artist == FRead.Artist)
            keep(ArtistOffset, TextWidth);
        if (now.Album == FRead.Album)
            keep(AlbumOffset, TextWidth);
        if (now.Year == FRead.Year)
            keep(YearOffset, YearWidth);
        // Bytes 125 and 126 end a long comment or hold the track number: a changed comment or
        // track writes them as the new values need, never as they were.
        if (now.Comment == FRead.Comment && now.Track == FRead.Track)
            keep(CommentOffset, TextWidth);
        else if (now.Comment == FRead.Comment)
            keep(CommentOffset, 28);
        if (now.GenreIndex == FRead.GenreIndex)
            keep(127, 1);
    }
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // Overwriting the old tag where it stands never leaves the file without one.
    const bool written = HasMarker(old)
                             ? tagfile::WriteAt(FileName, size - std::int64_t(BlockSize), view)
                             : tagfile::Append(FileName, view);
    // From now on a save compares with what the file holds.
    if (written)
        ReadBlock(bytes);
    return written;
}

bool TID3v1::StripTag(const std::string& FileName) const {
    TFileSource source;
    Block bytes{};
    if (!source.Open(FileName) || !ReadLastBlock(source, bytes))
        return false;
    if (!HasMarker(bytes))
        return true;
    return tagfile::Truncate(FileName, source.Size() - std::int64_t(BlockSize));
}

std::string TID3v1::GenreName() const {
    return FGenreIndex < GenreCount ? std::string(GenreNames[FGenreIndex]) : std::string();
}

void TID3v1::SetTitle(std::string_view Value) {
    FTitle = Limited(Value, TextWidth);
}
void TID3v1::SetArtist(std::string_view Value) {
    FArtist = Limited(Value, TextWidth);
}
void TID3v1::SetAlbum(std::string_view Value) {
    FAlbum = Limited(Value, TextWidth);
}
void TID3v1::SetYear(std::string_view Value) {
    FYear = Limited(Value, YearWidth);
}
void TID3v1::SetComment(std::string_view Value) {
    FComment = Limited(Value, TextWidth);
}

} // namespace orvanta
