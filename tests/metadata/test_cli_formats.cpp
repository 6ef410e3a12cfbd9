#include "metadata/Mutagen.h"
#include "support/AudioFiles.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orvanta {
namespace {

using nlohmann::json;
using test::TempDir;

test::CliRun Cli(const std::string& Arguments) {
    return test::RunCli("", Arguments);
}

ino_t Inode(const std::string& File) {
    struct stat st {};
    return ::stat(File.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A file is known by its content: a FLAC named .mp3 is analysed as FLAC.
TEST(CliAnalyse, EachFormatWithItsTagsAndProperties) {
    TempDir dir;
    const struct {
        std::string Fixture, Name, Format, Codec;
        int Rate;
    } cases[] = {
        {"tone.flac", "named.mp3", "FLAC", "FLAC", 44100},
        {"tone.opus", "tone.opus", "Opus", "Opus", 48000},
        {"tone.m4a", "tone.m4a", "M4A", "AAC", 44100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = dir.file(c.Name);
        std::filesystem::rename(test::AudioFixtures::Get().CopyTo(dir, c.Fixture), file);
        const test::CliRun run = Cli("analyse " + test::shellQuoted(file));
        ASSERT_EQ(run.Exit, 0) << run.Err;
        const json a = run.lines().at(0);
        EXPECT_EQ(a["format"], c.Format);
        EXPECT_EQ(a["properties"]["codec"], c.Codec);
        EXPECT_EQ(a["properties"]["sampleRate"], c.Rate);
        EXPECT_NEAR(a["properties"]["seconds"].get<double>(), 1.0, 0.06);
        EXPECT_EQ(a["tags"]["ARTIST"], json({"One", "Two"}));
        EXPECT_EQ(a["tags"]["ALBUMARTIST"], json({"Band"}));
        ASSERT_EQ(a["pictures"].size(), 1u);
        EXPECT_EQ(a["pictures"][0]["size"], 101);
        EXPECT_FALSE(a.contains("id3v2"));
    }
}

// Only the fields given change: mutagen finds every other field and the picture as they were, a
// new track number keeps the total the file holds beside it, and setting the values a file
// already holds does not write it at all.
TEST(CliTag, OtherFormatsChangeOnlyTheFieldsGiven) {
    TempDir dir;
    const std::string mp4Artist = "\xC2\xA9"
                                  "ART";
    const struct {
        std::string Name, Artist, Gain, Track;
        json TrackValue;
    } cases[] = {
        {"tone.flac", "ARTIST", "REPLAYGAIN_TRACK_GAIN", "TRACKNUMBER", {"5/12"}},
        {"tone.opus", "ARTIST", "REPLAYGAIN_TRACK_GAIN", "TRACKNUMBER", {"5/12"}},
        {"tone.m4a", mp4Artist, "----:com.apple.iTunes:replaygain_track_gain", "trkn",
         json::array({{5, 12}})},
        {"tone.wv", "ARTIST", "REPLAYGAIN_TRACK_GAIN", "TRACK", {"5/12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = test::AudioFixtures::Get().CopyTo(dir, c.Name);
        json expected = test::MutagenDump(file);
        expected["fields"][c.Artist] = {"Uno", "Dos"};
        expected["fields"][c.Track] = c.TrackValue;
        expected["fields"].erase(c.Gain);
        const std::string command = "tag " + test::shellQuoted(file) +
                                    " --v1 --track 5 --field ARTIST=Uno --field artist=Dos "
                                    "--field REPLAYGAIN_TRACK_GAIN=";
        const test::CliRun run = Cli(command);
        ASSERT_EQ(run.Exit, 0) << run.Err;
        EXPECT_EQ(test::MutagenDump(file), expected);
        const ino_t inode = Inode(file);
        EXPECT_EQ(Cli(command).Exit, 0);
        EXPECT_EQ(Inode(file), inode);
    }
}

TEST(CliTag, Mp3FieldsBecomeTheirFrames) {
    TempDir dir;
    const std::string file = test::MP3Fixtures::Get().CopyTo(dir, "sox");
    const std::string audio = test::AudioBytes(file);
    const auto tag = [&](const std::string& Options) {
        EXPECT_EQ(Cli("tag " + test::shellQuoted(file) + " --v2 " + Options).Exit, 0);
        return test::Mutagen(file)["frames"];
    };
    json frames = tag("--album-artist Band --disc 1/2 --track 4 --field TRACKTOTAL=9 "
                      "--field ARTIST=One --field ARTIST=Two --field BPM=120 "
                      "--field replaygain_track_gain='-1.00 dB'");
    EXPECT_EQ(frames["TPE2"], "Band");
    EXPECT_EQ(frames["TPOS"], "1/2");
    EXPECT_EQ(frames["TRCK"], "4/9");
    EXPECT_EQ(frames["TPE1"], "One/Two");
    EXPECT_EQ(frames["TBPM"], "120");
    EXPECT_EQ(frames["TXXX"], "-1.00 dB");
    // A new disc number keeps the total, a key without values loses its frame.
    frames = tag("--disc 3 --field REPLAYGAIN_TRACK_GAIN= --field BPM=");
    EXPECT_EQ(frames["TPOS"], "3/2");
    EXPECT_FALSE(frames.contains("TXXX"));
    EXPECT_FALSE(frames.contains("TBPM"));
    EXPECT_EQ(frames["TPE2"], "Band");
    EXPECT_EQ(test::AudioBytes(file), audio);
}

// Wrong options are refused before anything is written.
TEST(CliTag, MalformedFieldsAreUsageErrors) {
    TempDir dir;
    const std::string mp3 = test::MP3Fixtures::Get().CopyTo(dir, "cbr");
    const std::string flac = test::AudioFixtures::Get().CopyTo(dir, "tone.flac");
    const struct {
        std::string File, Options;
    } cases[] = {
        {flac, "--field TITLE"},
        {flac, "--field =x"},
        {flac, "--field \"$(printf 'TI\\tTLE=x')\""},
        {flac, "--disc 1/x"},
        {flac, "--disc /2"},
        {flac, "--genre-index 3"},
        {mp3, "--v1 --field BPM=1"},
        {mp3, "--v1 --album-artist x"},
        {mp3, "--v2 --field COMMENT=a --field COMMENT=b"},
        {mp3, "--v2 --field TRACKNUMBER=x"},
    };
    const std::string mp3Bytes = test::readAll(mp3), flacBytes = test::readAll(flac);
    for (const auto& c : cases) {
        const test::CliRun run = Cli("tag " + test::shellQuoted(c.File) + " " + c.Options);
        EXPECT_EQ(run.Exit, 2) << c.Options;
        EXPECT_FALSE(run.Err.empty()) << c.Options;
    }
    EXPECT_EQ(test::readAll(mp3), mp3Bytes);
    EXPECT_EQ(test::readAll(flac), flacBytes);
}

} // namespace
} // namespace orvanta
