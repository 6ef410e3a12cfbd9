#include "core/metadata/uReplayGain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvanta {
namespace {

using enum TReplayGainMode;

// Which value each mode follows, the fallbacks between track and album, the untagged gain,
// the pre-amp, and the peak's cap.
TEST(ReplayGain, FactorFollowsModeValuesAndPeak) {
    const TGainValues both{-6.0, 0.5, -9.0, 0.9};
    const TGainValues trackOnly{-6.0, std::nullopt, std::nullopt, std::nullopt};
    const TGainValues albumOnly{std::nullopt, std::nullopt, -9.0, std::nullopt};
    const TGainValues loud{6.0, 0.8, std::nullopt, std::nullopt};
    struct Case {
        TReplayGainSettings Settings;
        TGainValues Values;
        bool AlbumInOrder;
        double Db;
    };
    const Case cases[] = {
        {{Off, 6, -6}, both, true, 0},
        {{Track, 0, 0}, both, true, -6},
        {{Album, 0, 0}, both, false, -9},
        {{Auto, 0, 0}, both, true, -9},
        {{Auto, 0, 0}, both, false, -6},
        {{Album, 0, 0}, trackOnly, true, -6},
        {{Track, 0, 0}, albumOnly, true, -9},
        {{Track, 3, -8}, {}, true, -5},
        {{Track, 3, 0}, both, true, -3},
        // +6 dB on a peak of 0.8 would clip: capped at 1/0.8.
        {{Track, 0, 0}, loud, true, 20 * std::log10(1 / 0.8)},
        {{Track, -6, 0}, loud, true, 0},
    };
    for (const Case& c : cases) {
        const double db = 20 * std::log10(ReplayGainFactor(c.Settings, c.Values, c.AlbumInOrder));
        EXPECT_NEAR(db, c.Db, 1e-9) << static_cast<int>(c.Settings.Mode) << " "
                                    << c.Settings.PreAmpDb << " " << c.AlbumInOrder;
    }
}

} // namespace
} // namespace orvanta
