#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvanta {

// What the library remembers of a file to tell whether it changed since its row was written.
struct TMediaStamp {
    std::int64_t FileSize = 0;
    // Modification time in nanoseconds since the epoch; 0 when not known (a row written
    // before the library kept it).
    std::int64_t FileTime = 0;
};

// The numbers of a file's tag the lists order an album by; 0 and empty when it has none.
struct TMediaNumbers {
    std::int32_t Track = 0;
    std::int32_t Disc = 0;
    std::string AlbumArtist;
};

// ReplayGain as the tags give it: gains in dB at the ReplayGain level, peaks as a share of full
// scale; none when the file does not say.
struct TReplayGain {
    std::optional<double> TrackGain;
    std::optional<double> TrackPeak;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
    bool operator==(const TReplayGain&) const = default;
};

// The fields that may hold several values, as the library's value table numbers them.
enum class TMediaField : std::int32_t { Artist = 1, AlbumArtist = 2, Genre = 3, Composer = 4 };

// One library row: what a file's add reads, what tMedia stores, what the My Music list shows
// and what the commands act on. Each reader fills what it reads; the rest stays at its default.
// Every field has a default, so a record is written naming only the fields it sets.
struct TMediaRecord {
    // The row's id; 0 for a file without a row (yet).
    std::int64_t Id = 0;
    // The path as stored: the folder (as the add was given it) and the file's name.
    std::string Directory{};
    std::string FileName{};
    TMediaStamp Stamp{};
    // The tag's texts. An empty title is shown as the file's name (TitleOrFileName).
    std::string Title{};
    std::string Artist{};
    std::string Album{};
    std::string Year{};
    std::string Genre{};
    std::string Language{};
    std::string Composer{};
    TMediaNumbers Numbers{};
    // Whole seconds of audio, and the bit rate in kbit/s; 0 when not MPEG audio.
    std::int32_t Seconds = 0;
    std::int32_t Quality = 0;
    // The format's name (FormatName: "MP3", "FLAC", ...) and codec ("MP3", "AAC", "ALAC", ...);
    // empty for rows written before the library kept them. 0 where not known.
    std::string Format{};
    std::string Codec{};
    std::int32_t SampleRate = 0;
    std::int32_t BitsPerSample = 0;
    std::int32_t Channels = 0;
    std::int32_t TrackTotal = 0;
    std::int32_t DiscTotal = 0;
    TReplayGain ReplayGain{};
    // The single values of the fields that may hold several (artist, album artist, genre,
    // composer), as the file gave them; the texts above hold them joined (JoinValues). An
    // empty list stands for its text as one value: records read back from the library, and
    // those written field by field, leave them empty.
    std::vector<std::string> Artists{};
    std::vector<std::string> AlbumArtists{};
    std::vector<std::string> Genres{};
    std::vector<std::string> Composers{};

    // The file's identity: two records are the same file exactly when these are equal.
    std::string FullPath() const;
    // Full path, "*", seconds: how playlists refer to the file.
    std::string TrackEntry() const;
};

// The one rule of a library file's identity: its path's bytes, folder and name joined by one
// '/', so letter case counts ("Song.mp3" and "song.mp3" are two files) and a folder spelled
// with a trailing '/' is the same folder. Every look-up of library files follows it through
// the two spellings of a folder that name the same files: without and with the trailing '/'
// (the root's are "" and "/").
std::pair<std::string, std::string> FolderSpellings(std::string_view Folder);

// Several values of one field as one text: joined by " / ".
std::string JoinValues(const std::vector<std::string>& Values);

// The record's single values of Field: its list, else its text as one value (none when empty).
std::vector<std::string> FieldValues(const TMediaRecord& Record, TMediaField Field);

// The title a file is shown and stored under: its tag's, else the file's name without
// folder and extension.
std::string TitleOrFileName(std::string_view Title, std::string_view Path);

} // namespace orvanta
