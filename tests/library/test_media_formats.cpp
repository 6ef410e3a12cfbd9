#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

#include "core/library/uMediaImport.h"
#include "support/AudioFiles.h"
#include "support/CliRun.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"
#include "support/Shell.h"

using namespace orvanta;
namespace fs = std::filesystem;

namespace {

struct Fixture : test::THomeWithLibrary {
    // A fixture file of the shared set, moved into Music/ under Name.
    std::string Audio(const std::string& Fixture, const std::string& Name) {
        const std::string target = Music + "/" + Name;
        fs::rename(test::AudioFixtures::Get().CopyTo(Home, Fixture), target);
        return target;
    }
    // Imports Paths as the window and orvanta-cli do, with the readers in parallel.
    TAddTally Import(const std::vector<std::string>& Paths, bool Refresh = false) {
        TMediaImport importing(DB, Types);
        TAddTally tally;
        importing.OnResults = [&tally](std::vector<TAddResult>& Results) {
            for (const TAddResult& result : Results)
                tally.Count(result);
        };
        if (Refresh)
            importing.Refresh();
        else
            importing.Add(Paths);
        return tally;
    }
    TMediaRecord Stored(const std::string& Name) {
        TMediaRecord row;
        EXPECT_TRUE(DB.FindMedia(Music, Name, row)) << Name;
        return row;
    }
};

} // namespace

// Every format of a folder comes in by its content; what no reader takes is named by kind.
TEST(AddFiles, EveryFormatOfAMixedFolder) {
    Fixture f;
    const struct {
        const char* fixture;
        const char* name;
        const char* format;
        const char* codec;
        int sampleRate;
    } cases[] = {
        {"tone.flac", "a.flac", "FLAC", "FLAC", 44100},
        {"tone.ogg", "b.ogg", "Ogg Vorbis", "Vorbis", 44100},
        {"tone.opus", "c.opus", "Opus", "Opus", 48000},
        {"tone.m4a", "d.m4a", "M4A", "AAC", 44100},
        {"tone.alac.m4a", "e.m4a", "M4A", "ALAC", 44100},
        {"tone.wv", "f.wv", "WavPack", "WavPack", 44100},
        {"tone.wav", "g.wav", "WAV", "PCM", 44100},
        {"tone.aiff", "h.aiff", "AIFF", "PCM", 44100},
        {"tone.wav", "i.mp3", "WAV", "PCM", 44100}, // the content decides
    };
    for (const auto& c : cases)
        f.Audio(c.fixture, c.name);
    ASSERT_FALSE(test::makeMp3(f.Music, "j.mp3", 1,
                               "--id3v2-only --tt Tone --tn 3/12 --tv "
                               "'TXXX=REPLAYGAIN_TRACK_GAIN=-3.20 dB' --tv "
                               "TXXX=replaygain_album_peak=0.5")
                     .empty());
    f.Home.write("Music/junk.wma", std::string(3000, '\x55'));
    f.Home.write("Music/song.mid", std::string("MThd\0\0\0\6\0\0\0\1\0\x60", 14));
    f.Home.write("Music/cover.jpg", "not audio, not named");

    const TAddTally tally = f.Import({f.Music});
    EXPECT_EQ(tally.Summary(), "10 added, 0 already in the library, 2 skipped (2 files in formats "
                               "Orvanta does not read: .wma, .mid)");
    EXPECT_EQ(tally.Details,
              (std::vector<std::string>{f.Music + "/junk.wma: a format Orvanta does not read",
                                        f.Music + "/song.mid: a format Orvanta does not read"}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TMediaRecord row = f.Stored(c.name);
        EXPECT_EQ(row.Format, c.format);
        EXPECT_EQ(row.Codec, c.codec);
        EXPECT_EQ(row.SampleRate, c.sampleRate);
        EXPECT_EQ(row.Seconds, 1);
        EXPECT_EQ(row.Title, "Title");
        EXPECT_EQ(row.Artist, JoinValues({"One", "Two"}));
        EXPECT_EQ(row.Album, "Album");
        EXPECT_EQ(row.Numbers.AlbumArtist, "Band");
        EXPECT_EQ(row.Numbers.Track, 3);
        EXPECT_EQ(row.TrackTotal, 12);
        EXPECT_EQ(row.Numbers.Disc, 1);
        ASSERT_TRUE(row.ReplayGain.TrackGain);
        EXPECT_NEAR(*row.ReplayGain.TrackGain, -3.2, 1e-9);
    }
    const TMediaRecord mp3 = f.Stored("j.mp3");
    EXPECT_EQ(mp3.Format, "MP3");
    EXPECT_EQ(mp3.Title, "Tone");
    EXPECT_EQ(mp3.Quality, 128);
    EXPECT_EQ(mp3.TrackTotal, 12);
    EXPECT_EQ(mp3.ReplayGain, (TReplayGain{-3.2, std::nullopt, std::nullopt, 0.5}));

    // orvanta-cli analyse tells of the same files what the window's import stored.
    std::string names;
    for (const auto& c : cases)
        names += " " + test::shellQuoted(f.Music + "/" + c.name);
    const std::vector<nlohmann::json> lines = test::RunCli(f.Home.str(), "analyse" + names).lines();
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const TMediaRecord row = f.Stored(cases[i].name);
        const nlohmann::json& line = lines[i];
        EXPECT_EQ(line["format"], row.Format);
        EXPECT_EQ(line["properties"]["codec"], row.Codec);
        EXPECT_EQ(line["properties"]["sampleRate"], row.SampleRate);
        EXPECT_EQ(line["tags"]["TITLE"].at(0), row.Title);
        EXPECT_EQ(JoinValues(line["tags"]["ARTIST"].get<std::vector<std::string>>()), row.Artist);
    }
}

// A retagged FLAC file is read again by Refresh; a broken one says which audio it lacks.
TEST(AddFiles, RefreshReadsAChangedFlacAgain) {
    Fixture f;
    const std::string flac = f.Audio("tone.flac", "a.flac");
    const std::string broken = f.Home.write("Music/b.flac", "fLaC but nothing after it");
    TAddTally added = f.Import({flac, broken});
    EXPECT_EQ(added.Details, std::vector<std::string>{broken + ": no FLAC audio found"});
    EXPECT_EQ(f.Stored("a.flac").Title, "Title");

    ASSERT_EQ(
        std::system(("/usr/bin/python3 -c 'import mutagen, sys; f = mutagen.File(sys.argv[1]); "
                     "f[\"TITLE\"] = \"Retitled\"; f[\"GENRE\"] = [\"Jazz\", \"Soul\"]; "
                     "f.save()' " +
                     test::shellQuoted(flac))
                        .c_str()),
        0);
    const TAddTally refreshed = f.Import({}, true);
    EXPECT_EQ(refreshed.Updated, 1);
    const TMediaRecord row = f.Stored("a.flac");
    EXPECT_EQ(row.Title, "Retitled");
    EXPECT_EQ(row.Genre, JoinValues({"Jazz", "Soul"}));
}
