// orvanta-cli replaygain: measures files and writes their ReplayGain tags.
#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "core/common/uDataPaths.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uMediaReplayGain.h"
#include "core/library/uTMyMediaDB.h"
#include "core/replaygain/uReplayGainScan.h"

namespace orvanta::cli {

namespace {

using json = nlohmann::json;

struct ReplayGainOptions {
    std::vector<std::string> Files;
    bool Album = false;
    bool DryRun = false;
};

json ResultLine(const TGainResult& Result) {
    const TMeasuredGain& values = Result.Values;
    json line = {{"file", Result.Path},
                 {"loudness", std::round(Result.Loudness * 100) / 100},
                 {"track_gain", GainText(values.TrackGain)},
                 {"track_peak", PeakText(values.TrackPeak)},
                 {"album_gain", nullptr},
                 {"album_peak", nullptr},
                 {"written", Result.Written}};
    if (values.AlbumGain)
        line["album_gain"] = GainText(*values.AlbumGain);
    if (values.AlbumPeak)
        line["album_peak"] = PeakText(*values.AlbumPeak);
    return line;
}

int RunReplayGain(const ReplayGainOptions& O) {
    // A folder, FIFO or device is refused before anything is measured.
    for (const std::string& file : O.Files)
        if (!TFileUtils::IsRegularFile(file)) {
            std::cerr << TFileUtils::NotRegularFileMessage(file) << "\n";
            return ExitFailed;
        }
    std::vector<TGainGroup> groups;
    if (O.Album)
        groups.push_back({O.Files, true});
    else
        for (const std::string& file : O.Files)
            groups.push_back({{file}, false});
    TGainScanHooks hooks;
    // Files are measured two at a time: each line counts the files begun.
    hooks.Progress = [begun = 0](int, int Total, const std::string& Path) mutable {
        std::cerr << "[" << ++begun << "/" << Total << "] " << DisplayPath(Path) << "\n";
    };
    const std::vector<TGainResult> results = ScanReplayGain(groups, !O.DryRun, hooks);
    bool allDone = true;
    for (const TGainResult& result : results) {
        if (result.Measured()) {
            printLine(ResultLine(result));
            continue;
        }
        allDone = false;
        std::cerr << result.Error << "\n" << DisplayPath(result.Path) << "\n";
    }
    // Files with a library row get the gains there too; the library is never created here.
    if (!O.DryRun && FileExists(MediaDatabaseFile())) {
        TMyMediaDB library;
        library.OpenDatabase(MediaDatabaseFile());
        for (const TGainResult& result : results)
            if (result.Measured()) {
                const TMeasuredGain& v = result.Values;
                RecordReplayGain(library, fullPath(result.Path),
                                 {v.TrackGain, v.TrackPeak, v.AlbumGain, v.AlbumPeak});
            }
    }
    return allDone ? ExitOk : ExitFailed;
}

} // namespace

void RegisterReplayGainCommands(CLI::App& App, CommandAction& Chosen) {
    auto options = std::make_shared<ReplayGainOptions>();
    CLI::App* command = App.add_subcommand(
        "replaygain", "Measure files' loudness (EBU R128) and write their ReplayGain tags");
    command->add_option("FILE", options->Files, "Audio files")->required();
    command->add_flag("--album", options->Album,
                      "The files are one album: album gain and peak as well as each track's");
    command->add_flag("--dry-run", options->DryRun, "Measure only; write no tag");
    command->callback(
        [&Chosen, options] { Chosen = [options] { return RunReplayGain(*options); }; });
}

} // namespace orvanta::cli
