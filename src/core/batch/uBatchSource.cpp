#include "core/batch/uBatchSource.h"

#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uAudioRead.h"

#include <utility>

namespace orvanta {

namespace {

// The editor's text fields under their common keys, as orvanta-cli tag names them.
constexpr std::pair<TTagField, std::string_view> FieldKeys[] = {
    {TTagField::Title, "TITLE"},       {TTagField::Artist, "ARTIST"},
    {TTagField::Album, "ALBUM"},       {TTagField::Year, "DATE"},
    {TTagField::Genre, "GENRE"},       {TTagField::Comment, "COMMENT"},
    {TTagField::Composer, "COMPOSER"}, {TTagField::Copyright, "COPYRIGHT"},
    {TTagField::Language, "LANGUAGE"},
};

void put(TBatchSource& Source, std::string_view Key, const std::string& Value) {
    if (!Value.empty())
        Source.Fields[std::string(Key)] = {Value};
}

// "3/12" into its number and total, each only when present.
void putNumber(TBatchSource& Source, const std::string& Text, std::string_view NumberKey,
               std::string_view TotalKey) {
    const std::size_t slash = Text.find('/');
    put(Source, NumberKey, Text.substr(0, slash));
    if (slash != std::string::npos)
        put(Source, TotalKey, Text.substr(slash + 1));
}

void fromID3v2(const TID3v2& Tag, TBatchSource& Source) {
    for (const auto& [field, key] : FieldKeys)
        put(Source, key, Tag.Text(field));
    putNumber(Source, Tag.TrackText(), "TRACKNUMBER", "TRACKTOTAL");
    putNumber(Source, Tag.DiscText(), "DISCNUMBER", "DISCTOTAL");
    put(Source, "ALBUMARTIST", Tag.AlbumArtist());
    // Frames of several values keep each one.
    const TID3v2::TValues& values = Tag.Values();
    for (const auto& [key, list] :
         {std::pair<std::string_view, const std::vector<std::string>*>{"ARTIST", &values.Artists},
          {"ALBUMARTIST", &values.AlbumArtists},
          {"GENRE", &values.Genres},
          {"COMPOSER", &values.Composers}})
        if (!list->empty())
            Source.Fields[std::string(key)] = *list;
}

void fromID3v1(const TID3v1& Tag, TBatchSource& Source) {
    for (const auto& [field, key] : FieldKeys)
        if (FieldInfo(field).InV1())
            put(Source, key, Tag.Text(field));
    if (Tag.Track() != 0)
        put(Source, "TRACKNUMBER", std::to_string(Tag.Track()));
    if (Tag.GenreIndex() < GenreCount)
        put(Source, "GENRE", std::string(GenreNames[Tag.GenreIndex()]));
}

} // namespace

const std::string& TBatchSource::First(std::string_view Key) const {
    static const std::string none;
    const auto found = Fields.find(std::string(Key));
    return found == Fields.end() || found->second.empty() ? none : found->second.front();
}

bool ReadBatchSource(const std::string& Path, TBatchSource& Source, std::string& Error) {
    Source = TBatchSource{Path, {}};
    const TAudioFormat format = SniffFile(Path);
    if (format == TAudioFormat::MP3 || format == TAudioFormat::Unknown) {
        TMPEGaudio audio;
        if (!audio.Analyse(Path) || !audio.IsValid()) {
            Error =
                (format == TAudioFormat::MP3 ? "Error reading file.\n" : "Not an audio file.\n") +
                Path;
            return false;
        }
        if (audio.ID3v2().Present())
            fromID3v2(audio.ID3v2(), Source);
        else if (audio.ID3v1().Present())
            fromID3v1(audio.ID3v1(), Source);
        return true;
    }
    TAudioInfo info;
    if (!ReadAudioFile(Path, info, false)) {
        Error = "Error reading file.\n" + Path;
        return false;
    }
    for (const TTagEntry& entry : info.Tags)
        Source.Fields[entry.Key].push_back(entry.Value);
    return true;
}

} // namespace orvanta
