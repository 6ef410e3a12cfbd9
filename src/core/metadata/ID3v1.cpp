#include "core/metadata/ID3v1.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <cassert>
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

// Bytes 125 and 126 end a long comment or hold the track number (layout 1.1).
constexpr std::size_t ShortCommentWidth = 28;
constexpr std::size_t GenreOffset = 127;

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
    for (std::string& text : FText)
        text.clear();
    FTrack = 0;
    FGenreIndex = 255;
    FReadKept = false;
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
    for (const TTagFieldInfo& field : TagFields) {
        if (!field.InV1())
            continue;
        const bool shortComment = field.Id == TTagField::Comment && FVersion == 2;
        FieldText(FText[FieldIndex(field.Id)], Bytes, field.V1Offset,
                  shortComment ? ShortCommentWidth : field.V1Width);
    }
    if (FVersion == 2)
        FTrack = Bytes[126];
    FGenreIndex = Bytes[GenreOffset];
    FReadKept = false;
}

TID3v1::Block TID3v1::BuildBlock() const {
    Block bytes{};
    bytes[0] = 'T';
    bytes[1] = 'A';
    bytes[2] = 'G';
    for (const TTagFieldInfo& field : TagFields)
        if (field.InV1())
            PutField(bytes, field.V1Offset, field.V1Width, FText[FieldIndex(field.Id)]);
    if (FTrack != 0) {
        // Layout 1.1: the track number takes the last two comment bytes.
        bytes[125] = 0;
        bytes[126] = FTrack;
    }
    bytes[GenreOffset] = FGenreIndex;
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
    keepRead();
    const TEdited now = Edited();
    if (now == FRead)
        return true; // nothing to change
    Block bytes = BuildBlock();
    if (HasMarker(old)) {
        // Only the changed fields are written; the others keep their bytes as they are.
        const auto keep = [&](std::size_t Offset, std::size_t Width) {
            std::memcpy(bytes.data() + Offset, old.data() + Offset, Width);
        };
        // A changed comment or track writes bytes 125 and 126 as the new values need, never as
        // they were.
        for (const TTagFieldInfo& field : TagFields) {
            const std::size_t i = FieldIndex(field.Id);
            if (!field.InV1() || now.Text[i] != FRead.Text[i])
                continue;
            const bool shortComment = field.Id == TTagField::Comment && now.Track != FRead.Track;
            keep(field.V1Offset, shortComment ? ShortCommentWidth : field.V1Width);
        }
        if (now.GenreIndex == FRead.GenreIndex)
            keep(GenreOffset, 1);
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

std::string TID3v1::GenreName() const {
    return FGenreIndex < GenreCount ? std::string(GenreNames[FGenreIndex]) : std::string();
}

void TID3v1::SetText(TTagField Field, std::string_view Value) {
    const TTagFieldInfo& field = FieldInfo(Field);
    assert(field.InV1());
    keepRead();
    if (field.InV1())
        FText[FieldIndex(Field)] = Limited(Value, field.V1Width);
}

} // namespace orvanta
