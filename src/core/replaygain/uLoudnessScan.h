#pragma once

// The loudness of one file's audio, decoded by GStreamer and measured by libebur128 (EBU R128:
// integrated loudness and sample peak).
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvanta {

class TLoudnessMeter;

// What one file measured. The meter is kept so that an album is measured as one programme.
struct TTrackLoudness {
    // Integrated loudness in LUFS.
    double Loudness = 0;
    // The largest sample of any channel, as a share of full scale.
    double Peak = 0;
    // Seconds of audio measured.
    double Seconds = 0;
    std::shared_ptr<TLoudnessMeter> Meter;
};

// Decodes the file at Path as fast as the processor allows and measures it. Cancelled is asked
// between buffers; a cancelled or failed measure gives false with Error set (empty when
// cancelled). A file without audible sound is a failure too: it has no loudness.
[[nodiscard]] bool MeasureLoudness(const std::string& Path, TTrackLoudness& Track,
                                   std::string& Error, const std::function<bool()>& Cancelled = {});

// The integrated loudness of the tracks' audio taken together (their gated blocks pooled, not
// their loudnesses averaged); false when there is none.
[[nodiscard]] bool AlbumLoudness(const std::vector<const TTrackLoudness*>& Tracks,
                                 double& Loudness);

} // namespace orvanta
