#pragma once

#include <optional>
#include <string_view>

namespace orvanta {

// Which of a file's ReplayGain values playback follows. Auto takes the album's gain while an
// album plays in its order and the track's gain when tracks are drawn at random.
enum class TReplayGainMode { Off = 0, Track = 1, Album = 2, Auto = 3 };

struct TReplayGainSettings {
    TReplayGainMode Mode = TReplayGainMode::Off;
    // Added to every gain, tagged or not.
    double PreAmpDb = 0;
    // The gain of a file without ReplayGain values.
    double UntaggedDb = 0;
};

// One stream's values: gains in dB at the ReplayGain level, peaks as a share of full scale.
struct TGainValues {
    std::optional<double> TrackGain;
    std::optional<double> TrackPeak;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
};

// The linear factor a stream plays at: 1 when off. The album's values fall back to the track's
// and back; a file with neither plays at the untagged gain. The peak, when known, caps the
// factor so that no sample goes past full scale.
double ReplayGainFactor(const TReplayGainSettings& Settings, const TGainValues& Values,
                        bool AlbumInOrder);

// Opus's R128_TRACK_GAIN or R128_ALBUM_GAIN ("-1536": Q7.8 dB relative to -23 LUFS) at the
// ReplayGain level, 5 dB above; none when the text is not such a number.
std::optional<double> R128Gain(std::string_view Text);

} // namespace orvanta
