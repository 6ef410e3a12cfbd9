#include "core/replaygain/uReplayGainScan.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "core/replaygain/uLoudnessScan.h"

namespace orvanta {

namespace {

bool IsCancelled(const TGainScanHooks& Hooks) {
    return Hooks.Cancelled && Hooks.Cancelled();
}

// Measures Paths on up to Threads threads; each file's result lands at its own index.
void MeasureAll(const std::vector<std::string>& Paths, std::vector<TTrackLoudness>& Tracks,
                std::vector<TGainResult>& Results, int Threads, int& Done, int Total,
                const TGainScanHooks& Hooks) {
    std::atomic<std::size_t> next = 0;
    std::mutex progress;
    auto work = [&] {
        for (std::size_t i = next++; i < Paths.size() && !IsCancelled(Hooks); i = next++) {
            {
                std::lock_guard lock(progress);
                if (Hooks.Progress)
                    Hooks.Progress(Done, Total, Paths[i]);
            }
            std::string error;
            if (!MeasureLoudness(Paths[i], Tracks[i], error, Hooks.Cancelled))
                Results[i].Error = error.empty() ? "Cancelled." : error;
            std::lock_guard lock(progress);
            ++Done;
        }
    };
    const auto count = std::clamp<std::size_t>(Threads, 1, Paths.size());
    std::vector<std::jthread> threads;
    for (std::size_t i = 1; i < count; ++i)
        threads.emplace_back(work);
    work();
}

} // namespace

std::vector<TGainResult> ScanReplayGain(const std::vector<TGainGroup>& Groups, bool Write,
                                        const TGainScanHooks& Hooks, int Threads) {
    int total = 0;
    for (const TGainGroup& group : Groups)
        total += static_cast<int>(group.Paths.size());
    int done = 0;
    std::vector<TGainResult> all;
    for (const TGainGroup& group : Groups) {
        if (group.Paths.empty())
            continue;
        if (IsCancelled(Hooks))
            break;
        std::vector<TTrackLoudness> tracks(group.Paths.size());
        std::vector<TGainResult> results(group.Paths.size());
        for (std::size_t i = 0; i < results.size(); ++i)
            results[i].Path = group.Paths[i];
        MeasureAll(group.Paths, tracks, results, Threads, done, total, Hooks);
        // A group cut short is measured only in part: its album values would be wrong.
        if (IsCancelled(Hooks))
            break;
        std::optional<double> albumGain, albumPeak;
        std::vector<const TTrackLoudness*> measured;
        for (std::size_t i = 0; i < tracks.size(); ++i)
            if (results[i].Measured()) {
                measured.push_back(&tracks[i]);
                albumPeak = std::max(albumPeak.value_or(0), tracks[i].Peak);
            }
        double albumLoudness = 0;
        if (group.Album && AlbumLoudness(measured, albumLoudness))
            albumGain = GainOf(albumLoudness);
        for (std::size_t i = 0; i < results.size(); ++i) {
            TGainResult& result = results[i];
            if (!result.Measured())
                continue;
            result.Loudness = tracks[i].Loudness;
            result.Values = {GainOf(tracks[i].Loudness), tracks[i].Peak, albumGain,
                             albumGain ? albumPeak : std::nullopt};
            tracks[i].Meter.reset();
            if (Write && !IsCancelled(Hooks)) {
                std::string error;
                if (!WriteGainTags(result.Path, result.Values, result.Written, error))
                    result.Error = error;
            }
        }
        for (TGainResult& result : results)
            all.push_back(std::move(result));
    }
    return all;
}

} // namespace orvanta
