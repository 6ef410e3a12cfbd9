#pragma once

// ReplayGain 2.0 values and the tags each format keeps them in.
#include <optional>
#include <string>

namespace orvanta {

// The loudness ReplayGain 2.0 brings every track or album to, in LUFS.
constexpr double ReplayGainReference = -18.0;
// The loudness Opus's R128 gains are relative to.
constexpr double R128Reference = -23.0;

// Gains in dB at the ReplayGain level and peaks as a share of full scale; the album's only when
// the file was measured as part of an album.
struct TMeasuredGain {
    double TrackGain = 0;
    double TrackPeak = 0;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
};

// The gain that brings Loudness to the ReplayGain reference.
double GainOf(double Loudness);
// "-6.52 dB" and "0.988553", as the tags hold them.
std::string GainText(double Gain);
std::string PeakText(double Peak);
// An Opus R128 gain: Q7.8 dB relative to -23 LUFS, for a gain at the ReplayGain level.
std::string R128Text(double Gain);

// Writes Values into the file's tag, in the fields its format uses: MP3 in ID3v2 user text
// frames, FLAC and Ogg Vorbis in Vorbis comments, M4A in iTunes free-form atoms, WavPack in APE
// items, WAV and AIFF in ID3v2, each REPLAYGAIN_TRACK_GAIN, _TRACK_PEAK and, with album values,
// _ALBUM_GAIN and _ALBUM_PEAK. Opus keeps gains only, as R128_TRACK_GAIN and R128_ALBUM_GAIN,
// and loses any REPLAYGAIN_* field of what was measured, which players would take first. Only
// fields whose text differs are written; a file whose fields all hold these values is not
// touched and Changed stays false. On a failure the file keeps every byte and Error says why.
[[nodiscard]] bool WriteGainTags(const std::string& Path, const TMeasuredGain& Values,
                                 bool& Changed, std::string& Error);

} // namespace orvanta
