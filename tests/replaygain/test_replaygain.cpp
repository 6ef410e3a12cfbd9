#include "support/AudioFiles.h"
#include "support/CliRun.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"

#include "core/library/uMediaMaintenance.h"
#include "core/library/uMediaReplayGain.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/uAudioRead.h"
#include "core/replaygain/uReplayGainScan.h"

#include <gtest/gtest.h>
#include <regex>

namespace orvanta {
namespace {

using nlohmann::json;
using test::shellQuoted;
using test::TempDir;

// A stereo 44.1 kHz tone of Seconds at Level dB below the generator's, encoded as Name's
// extension says.
std::string Tone(const TempDir& Dir, const std::string& Name, int Hz, double Level,
                 double Seconds = 6) {
    const std::string file = Dir.file(Name);
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i 'sine=frequency=" + std::to_string(Hz) +
        ":duration=" + std::to_string(Seconds) + ",volume=" + std::to_string(Level) +
        "dB' -ac 2 -ar 44100 " + shellQuoted(file);
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("could not make " + Name);
    return file;
}

// What ffmpeg's own EBU R128 meter finds in the files played one after the other: integrated
// loudness (LUFS) and sample peak (dBFS).
std::pair<double, double> FfmpegLoudness(const std::vector<std::string>& Files) {
    std::string inputs, pads;
    for (std::size_t i = 0; i < Files.size(); ++i) {
        inputs += " -i " + shellQuoted(Files[i]);
        pads += '[';
        pads += std::to_string(i);
        pads += ":a]";
    }
    const std::string out =
        test::Capture("ffmpeg -nostats -hide_banner" + inputs + " -filter_complex '" + pads +
                      "concat=n=" + std::to_string(Files.size()) +
                      ":v=0:a=1,ebur128=peak=sample' -f null - 2>&1");
    std::smatch integrated, peak;
    const std::string summary = out.substr(out.rfind("Summary:"));
    if (!std::regex_search(summary, integrated, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")) ||
        !std::regex_search(summary, peak, std::regex(R"(Peak:\s+(-?[0-9.]+) dBFS)")))
        throw std::runtime_error("no summary from ffmpeg: " + out);
    return {std::stod(integrated[1]), std::stod(peak[1])};
}

double Decibels(const std::string& Peak) {
    return 20 * std::log10(std::stod(Peak));
}
double GainOfText(const std::string& Gain) {
    return std::stod(Gain);
}

// Tracks and an album of two, in MP3 and FLAC at different levels, measure as ffmpeg does; a
// file with a library row gets the gains there too.
TEST(ReplayGain, TrackAndAlbumGainsAgreeWithFfmpeg) {
    test::THomeWithLibrary home;
    TempDir dir;
    const std::string quiet = Tone(dir, "quiet.flac", 440, -8);
    TMediaRecord row = ReadMediaInfo(quiet);
    row.Directory = dir.str();
    row.FileName = "quiet.flac";
    ASSERT_TRUE(home.DB.AddMedia(row));
    const std::string loud = Tone(dir, "loud.mp3", 1000, -2);
    const struct {
        std::string Options;
        std::vector<std::string> Files;
    } cases[] = {
        {"", {quiet, loud}},
        {"--album", {quiet, loud}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        std::string files;
        for (const std::string& file : c.Files)
            files += " " + shellQuoted(file);
        const test::CliRun run = test::RunCli(home.Home.str(), "replaygain " + c.Options + files);
        ASSERT_EQ(run.Exit, 0) << run.Err;
        const std::vector<json> lines = run.lines();
        ASSERT_EQ(lines.size(), c.Files.size());
        const bool album = !c.Options.empty();
        const auto [albumLoudness, albumPeak] = FfmpegLoudness(c.Files);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const json& line = lines[i];
            const auto [loudness, peak] = FfmpegLoudness({c.Files[i]});
            EXPECT_EQ(line["file"], c.Files[i]);
            EXPECT_NEAR(GainOfText(line["track_gain"]), -18 - loudness, 0.1) << line;
            EXPECT_NEAR(Decibels(line["track_peak"]), peak, 0.1) << line;
            // The track run writes the track's fields, the album run the album's.
            EXPECT_TRUE(line["written"]) << line;
            if (!album) {
                EXPECT_TRUE(line["album_gain"].is_null());
                continue;
            }
            EXPECT_NEAR(GainOfText(line["album_gain"]), -18 - albumLoudness, 0.1) << line;
            EXPECT_NEAR(Decibels(line["album_peak"]), albumPeak, 0.1) << line;
        }
    }
    TAudioInfo info;
    ASSERT_TRUE(ReadAudioFile(quiet, info, false));
    const std::vector<std::string> albumGain = TagValues(info.Tags, "REPLAYGAIN_ALBUM_GAIN");
    ASSERT_EQ(albumGain.size(), 1u);
    ASSERT_TRUE(home.DB.FindMedia(dir.str(), "quiet.flac", row));
    ASSERT_TRUE(row.ReplayGain.AlbumGain);
    EXPECT_NEAR(*row.ReplayGain.AlbumGain, GainOfText(albumGain[0]), 0.005);
}

// Each format gets its fields; every other field and picture stays, and a second scan that
// finds the same values writes nothing.
TEST(ReplayGain, WritesEachFormatsFieldsAndKeepsTheRest) {
    TempDir dir;
    const struct {
        std::string Name;
        std::string GainKey; // as mutagen names it
    } cases[] = {
        {"tone.flac", "REPLAYGAIN_TRACK_GAIN"},
        {"tone.ogg", "REPLAYGAIN_TRACK_GAIN"},
        {"tone.opus", "R128_TRACK_GAIN"},
        {"tone.m4a", "----:com.apple.iTunes:replaygain_track_gain"},
        {"tone.wv", "REPLAYGAIN_TRACK_GAIN"},
        {"tone.wav", "TXXX:REPLAYGAIN_TRACK_GAIN"},
        {"ffmpeg.mp3", "TXXX:REPLAYGAIN_TRACK_GAIN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = c.Name.ends_with(".mp3")
                                     ? test::MP3Fixtures::Get().CopyTo(dir, "ffmpeg")
                                     : test::AudioFixtures::Get().CopyTo(dir, c.Name);
        const json before = test::MutagenDump(file);
        const TGainGroup group{{file}, true};
        const std::vector<TGainResult> results = ScanReplayGain({group}, true, {});
        ASSERT_EQ(results.size(), 1u);
        ASSERT_TRUE(results[0].Measured()) << results[0].Error;
        EXPECT_TRUE(results[0].Written);
        json after = test::MutagenDump(file);
        EXPECT_EQ(after["pictures"], before["pictures"]);
        const std::string gain = c.Name == "tone.opus" ? R128Text(results[0].Values.TrackGain)
                                                       : GainText(results[0].Values.TrackGain);
        EXPECT_EQ(after["fields"][c.GainKey], json::array({gain})) << after;
        // Everything else but ReplayGain's fields is as it was.
        json rest = before["fields"];
        for (json* fields : {&rest, &after["fields"]})
            for (auto key = fields->begin(); key != fields->end();)
                key = std::regex_search(key.key(), std::regex("replaygain|r128", std::regex::icase))
                          ? fields->erase(key)
                          : std::next(key);
        EXPECT_EQ(after["fields"], rest);
        if (c.Name == "tone.opus") {
            EXPECT_FALSE(test::MutagenDump(file)["fields"].contains("REPLAYGAIN_TRACK_GAIN"));
            // Q7.8 dB that bring the track to -23 LUFS.
            EXPECT_NEAR(std::stoi(gain) / 256.0, -23 - results[0].Loudness, 1 / 256.0);
        }
        const std::vector<TGainResult> again = ScanReplayGain({group}, true, {});
        ASSERT_TRUE(again.at(0).Measured()) << again[0].Error;
        EXPECT_FALSE(again[0].Written);
    }
}

// A cancel ends the scan within the file in hand and writes no tag, not even of the files
// measured before it; the library's row takes a scan's gains.
TEST(ReplayGain, CancelWritesNothingAndRowsTakeTheGains) {
    test::THomeWithLibrary home;
    TempDir dir;
    const std::vector<std::string> files = {Tone(dir, "a.flac", 440, -10, 20),
                                            Tone(dir, "b.flac", 550, -12, 20),
                                            Tone(dir, "c.flac", 660, -14, 20)};
    std::vector<std::string> bytes;
    for (const std::string& file : files)
        bytes.push_back(test::readAll(file));
    std::atomic<int> started = 0;
    TGainScanHooks hooks;
    hooks.Progress = [&](int, int, const std::string&) { ++started; };
    hooks.Cancelled = [&] { return started >= 2; };
    ScanReplayGain({{files, true}}, true, hooks, 1);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(test::readAll(files[i]), bytes[i]) << files[i];

    TMediaRecord added = ReadMediaInfo(files[0]);
    added.Directory = dir.str();
    added.FileName = "a.flac";
    ASSERT_TRUE(home.DB.AddMedia(added));
    const std::vector<TGainResult> results = ScanReplayGain({{{files[0]}, true}}, true, {});
    ASSERT_TRUE(results.at(0).Measured()) << results[0].Error;
    const TMeasuredGain& values = results[0].Values;
    ASSERT_TRUE(
        RecordReplayGain(home.DB, files[0],
                         {values.TrackGain, values.TrackPeak, values.AlbumGain, values.AlbumPeak}));
    TMediaRecord row;
    ASSERT_TRUE(home.DB.FindMedia(dir.str(), "a.flac", row));
    EXPECT_EQ(row.ReplayGain.TrackGain, values.TrackGain);
    EXPECT_EQ(row.ReplayGain.AlbumPeak, values.AlbumPeak);
    EXPECT_EQ(row.Stamp.FileSize, static_cast<std::int64_t>(std::filesystem::file_size(files[0])));
}

} // namespace
} // namespace orvanta
