#include "core/library/uMediaFileRead.h"

#include <cmath>
#include <fcntl.h>
#include <limits>

#include "core/common/uFileDescriptor.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uMediaFromAudio.h"
#include "core/library/uMediaMaintenance.h"
#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uAudioRead.h"
#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uTagFile.h"

namespace orvanta {

namespace {

// Rounds halves to even, as the stored seconds require.
std::int32_t roundSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    const double rounded = std::nearbyint(seconds);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

// The fields of an analysed file: NoAudio when it holds no valid MPEG audio.
TMediaRead mpegFields(const TMPEGaudio& audio, TMediaRecord& info) {
    if (!audio.IsValid())
        return TMediaRead::NoAudio;
    info.Seconds = roundSeconds(audio.DurationSeconds());
    info.Quality = static_cast<std::uint16_t>(audio.BitRateKbps());
    info.Format = std::string(FormatName(TAudioFormat::MP3));
    info.Codec = "MP3";
    info.SampleRate = SampleRateHz(audio.FirstFrame());
    info.Channels = audio.FirstFrame().ModeCode == 3 ? 1 : 2;
    // An ID3v2 tag decides every text, even the empty ones; no mixing with ID3v1.
    if (const TID3v2& tag = audio.ID3v2(); tag.Present()) {
        info.Title = tag.Title();
        info.Artist = tag.Artist();
        info.Album = tag.Album();
        info.Year = tag.Year();
        info.Genre = tag.Genre();
        info.Language = tag.Language();
        info.Composer = tag.Composer();
        info.Numbers = {tag.Track(), tag.Disc(), tag.AlbumArtist()};
        info.TrackTotal = TotalOf(tag.TrackText());
        info.DiscTotal = TotalOf(tag.DiscText());
        const auto& gains = tag.ReplayGainTexts();
        info.ReplayGain = {GainValue(gains[0]), GainValue(gains[1]), GainValue(gains[2]),
                           GainValue(gains[3])};
        // The frames' own values, never the joined texts split again.
        info.Artists = tag.Values().Artists;
        info.Composers = tag.Values().Composers;
        info.AlbumArtists = tag.Values().AlbumArtists;
        info.Genres = tag.Values().Genres;
    } else if (const TID3v1& old = audio.ID3v1(); old.Present()) {
        info.Title = old.Title();
        info.Artist = old.Artist();
        info.Album = old.Album();
        info.Year = old.Year();
        info.Genre = old.GenreName();
        info.Numbers.Track = old.Track();
    }
    return TMediaRead::Audio;
}

void clearFileFields(TMediaRecord& info) {
    TMediaRecord read;
    read.Id = info.Id;
    read.Directory = std::move(info.Directory);
    read.FileName = std::move(info.FileName);
    read.Stamp = info.Stamp;
    info = std::move(read);
}

// The analyser also fails on files too short to hold a frame; those can be opened. Never a
// blocking open: that of a FIFO waits for a writer for ever.
bool canOpen(const std::string& path) {
    if (!TFileUtils::IsRegularFile(path))
        return false;
    return TFileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)).IsOpen();
}

} // namespace

std::string_view ExtensionOf(std::string_view Path) {
    const std::size_t slash = Path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? Path : Path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

TMediaRead ReadMediaFields(TByteSource& Source, TAudioFormat Format, TMediaRecord& Info) {
    if (Format == TAudioFormat::MP3 || Format == TAudioFormat::Unknown) {
        TMPEGaudio audio;
        return audio.Analyse(Source) ? mpegFields(audio, Info) : TMediaRead::NoAudio;
    }
    TAudioInfo audio;
    if (!ReadAudioInfo(Source, Format, audio))
        return TMediaRead::NoAudio;
    FillRecord(audio, Info);
    return TMediaRead::Audio;
}

TMediaRecord ReadMediaInfo(const std::string& Path) {
    TMediaRecord info;
    ReadMediaInfo(Path, info);
    return info;
}

TMediaRead ReadMediaInfo(const std::string& Path, TMediaRecord& info) {
    clearFileFields(info);
    TFileSource source;
    if (!source.Open(Path))
        return canOpen(Path) ? TMediaRead::NoAudio : TMediaRead::Unreadable;
    return ReadMediaFields(source, SniffFormat(source, ExtensionOf(Path)), info);
}

} // namespace orvanta
