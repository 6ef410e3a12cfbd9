#include "core/metadata/uReplayGain.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace orvanta {

double ReplayGainFactor(const TReplayGainSettings& Settings, const TGainValues& Values,
                        bool AlbumInOrder) {
    const bool album = Settings.Mode == TReplayGainMode::Album ||
                       (Settings.Mode == TReplayGainMode::Auto && AlbumInOrder);
    if (Settings.Mode == TReplayGainMode::Off)
        return 1.0;
    std::optional<double> gain = album ? Values.AlbumGain : Values.TrackGain;
    std::optional<double> peak = album ? Values.AlbumPeak : Values.TrackPeak;
    if (!gain) {
        gain = album ? Values.TrackGain : Values.AlbumGain;
        peak = album ? Values.TrackPeak : Values.AlbumPeak;
    }
    const double db = gain.value_or(Settings.UntaggedDb) + Settings.PreAmpDb;
    double factor = std::pow(10.0, db / 20.0);
    if (peak && *peak > 0 && factor * *peak > 1.0)
        factor = 1.0 / *peak;
    return factor;
}

std::optional<double> R128Gain(std::string_view Text) {
    std::int32_t q78 = 0;
    const auto read = std::from_chars(Text.data(), Text.data() + Text.size(), q78);
    if (Text.empty() || read.ec != std::errc() || q78 < -32768 || q78 > 32767)
        return std::nullopt;
    return q78 / 256.0 + 5.0;
}

} // namespace orvanta
