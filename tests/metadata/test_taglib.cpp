#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"
#include "core/metadata/uTagLibWrite.h"
#include "core/metadata/uTagLines.h"
#include "support/AudioFiles.h"
#include "support/Mp3Files.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvanta;
using namespace orvanta::test;
using namespace std::string_literals;

namespace {

std::string OggPage(std::string_view Packet) {
    // A page header of 27 bytes with one segment, then the packet.
    return "OggS" + std::string(22, '\0') + std::string(1, '\x01') +
           std::string(1, char(Packet.size())) + std::string(Packet);
}

TAudioFormat FormatOfFixture(const std::string& Name) {
    return FormatOfExtension(std::filesystem::path(Name).extension().string());
}

} // namespace

TEST(SniffFormat, ContentFirstThenExtension) {
    const std::string frame = "\xFF\xFB\x90\x64";
    const std::string id3 = Tag(3, Frame(3, "TIT2", Text("x")));
    // clang-format off
    const struct {
        std::string Bytes;
        std::string Extension;
        TAudioFormat Expected;
    } cases[] = {
        {"fLaC\0\0\0\x22"s, "mp3", TAudioFormat::FLAC},
        {id3 + "fLaC", "mp3", TAudioFormat::FLAC},
        {id3 + frame, "flac", TAudioFormat::MP3},
        {id3 + "junk", "", TAudioFormat::MP3},
        {frame + "rest", "wav", TAudioFormat::MP3},
        {OggPage("\x01vorbis"), "opus", TAudioFormat::OggVorbis},
        {OggPage("OpusHead"), "ogg", TAudioFormat::Opus},
        {OggPage("\x7F" "FLAC"), "ogg", TAudioFormat::Unknown},
        {"\0\0\0\x18" "ftypM4A \0\0\0\0isom"s, "mp3", TAudioFormat::M4A},
        {"\0\0\0\x18" "ftypXXXX\0\0\0\0mp42"s, "", TAudioFormat::M4A},
        {"\0\0\0\x14" "ftypqt  \0\0\0\0qt  "s, "m4a", TAudioFormat::Unknown},
        {"wvpk\x20\0\0\0"s, "", TAudioFormat::WavPack},
        {"RIFF\x24\0\0\0WAVEfmt "s, "mp3", TAudioFormat::WAV},
        {"RIFF\x24\0\0\0AVI LIST"s, "wav", TAudioFormat::Unknown},
        {"FORM\0\0\0\x20" "AIFFCOMM"s, "", TAudioFormat::AIFF},
        {"FORM\0\0\0\x20" "AIFCCOMM"s, "", TAudioFormat::AIFF},
        {std::string(16, '\0'), ".MP3", TAudioFormat::MP3},
        {std::string(16, '\0'), "Opus", TAudioFormat::Opus},
        {std::string(16, '\0'), "txt", TAudioFormat::Unknown},
        {"", "wv", TAudioFormat::WavPack},
    };
    // clang-format on
    for (const auto& c : cases) {
        TMemorySource source(c.Bytes);
        EXPECT_EQ(SniffFormat(source, c.Extension), c.Expected) << c.Bytes << " ." << c.Extension;
    }
}

TEST(ReadWithTagLib, PropertiesFieldsAndPicturesOfEachFormat) {
    TempDir dir;
    const struct {
        std::string Name;
        std::string Codec;
        int Bits;
        int Rate;
        // TagLib takes an MP4 file's channels from its sample entry, where ISO files always
        // say 2 for AAC.
        int Channels = 1;
    } cases[] = {
        {"tone.flac", "FLAC", 16, 44100},     {"tone.ogg", "Vorbis", 0, 44100},
        {"tone.opus", "Opus", 0, 48000},      {"tone.m4a", "AAC", 0, 44100, 2},
        {"tone.alac.m4a", "ALAC", 16, 44100}, {"tone.wv", "WavPack", 16, 44100},
        {"tone.wav", "PCM", 16, 44100},       {"tone.aiff", "PCM", 16, 44100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = AudioFixtures::Get().CopyTo(dir, c.Name);
        TAudioInfo info;
        ASSERT_TRUE(ReadWithTagLib(file, FormatOfFixture(c.Name), info, true));
        EXPECT_EQ(info.Properties.Codec, c.Codec);
        EXPECT_EQ(info.Properties.BitsPerSample, c.Bits);
        EXPECT_EQ(info.Properties.SampleRate, c.Rate);
        EXPECT_EQ(info.Properties.Channels, c.Channels);
        EXPECT_NEAR(double(info.Properties.Milliseconds), 1000, 60);
        EXPECT_GT(info.Properties.Bitrate, 0);
        const std::map<std::string, std::vector<std::string>> expected = {
            {"TITLE", {"Title"}},      {"ARTIST", {"One", "Two"}},
            {"ALBUMARTIST", {"Band"}}, {"TRACKNUMBER", {"3"}},
            {"TRACKTOTAL", {"12"}},    {"DISCNUMBER", {"1"}},
            {"DISCTOTAL", {"2"}},      {"REPLAYGAIN_TRACK_GAIN", {"-3.20 dB"}}};
        for (const auto& [key, values] : expected)
            EXPECT_EQ(TagValues(info.Tags, key), values) << key;
        ASSERT_EQ(info.Pictures.size(), 1u);
        EXPECT_EQ(info.Pictures[0].Mime, "image/png");
        EXPECT_TRUE(info.Pictures[0].Data.starts_with("\x89PNG"));
    }
}

// A change of one field reaches the file, and mutagen finds every other field, every picture
// and the decoded audio as they were.
TEST(WriteTagChanges, ChangesOnlyTheNamedFields) {
    const struct {
        std::string Name;
        std::string Key;
        std::vector<std::string> Values;
        // The field as mutagen names it, and what it holds after the save (null: gone).
        std::string MutagenKey;
        nlohmann::json After;
    } cases[] = {
        {"tone.flac", "TITLE", {"Neu ☃"}, "TITLE", {"Neu ☃"}},
        {"tone.ogg", "ARTIST", {"Drei"}, "ARTIST", {"Drei"}},
        {"tone.opus", "REPLAYGAIN_TRACK_GAIN", {}, "REPLAYGAIN_TRACK_GAIN", nullptr},
        {"tone.m4a", "TRACKTOTAL", {"13"}, "trkn", {{3, 13}}},
        {"tone.alac.m4a", "DISCNUMBER", {"2"}, "disk", {{2, 2}}},
        {"tone.m4a",
         "REPLAYGAIN_TRACK_GAIN",
         {"-1.00 dB"},
         "----:com.apple.iTunes:replaygain_track_gain",
         {"-1.00 dB"}},
        {"tone.wv", "ALBUMARTIST", {"Neu ☃"}, "ALBUM_ARTIST", {"Neu ☃"}},
        {"tone.wav", "TRACKNUMBER", {"4"}, "TRCK", {"4/12"}},
        {"tone.aiff", "TITLE", {"Neu ☃"}, "TIT2", {"Neu ☃"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TempDir dir;
        const std::string file = AudioFixtures::Get().CopyTo(dir, c.Name);
        nlohmann::json expected = MutagenDump(file);
        const std::string audio = DecodedAudio(file);
        ASSERT_TRUE(expected.contains("fields")) << expected;
        ASSERT_GT(audio.size(), 10000u);
        TTagChanges changes;
        changes.Fields[c.Key] = c.Values;
        std::string error;
        ASSERT_TRUE(WriteTagChanges(file, FormatOfFixture(c.Name), changes, error)) << error;
        if (c.After.is_null())
            expected["fields"].erase(c.MutagenKey);
        else
            expected["fields"][c.MutagenKey] = c.After;
        EXPECT_EQ(MutagenDump(file), expected);
        EXPECT_TRUE(DecodedAudio(file) == audio);
    }
}

TEST(WriteTagChanges, ReplacesThePicturesOfEachFormat) {
    TempDir dir;
    TPicture front;
    front.Mime = "image/jpeg";
    front.Description = "front";
    front.Data = "\xFF\xD8\xFF\xE0 not really a JPEG";
    TPicture back = front;
    back.Type = 4;
    back.Description = "back";
    back.Data += " either";
    for (const std::string name :
         {"tone.flac", "tone.ogg", "tone.opus", "tone.m4a", "tone.wv", "tone.wav", "tone.aiff"}) {
        SCOPED_TRACE(name);
        const std::string file = AudioFixtures::Get().CopyTo(dir, name);
        const TAudioFormat format = FormatOfFixture(name);
        for (const std::vector<TPicture>& pictures :
             {std::vector<TPicture>{front, back}, std::vector<TPicture>{}}) {
            TTagChanges changes;
            changes.Pictures = pictures;
            std::string error;
            ASSERT_TRUE(WriteTagChanges(file, format, changes, error)) << error;
            TAudioInfo info;
            ASSERT_TRUE(ReadWithTagLib(file, format, info, true));
            EXPECT_EQ(TagValues(info.Tags, "TITLE"), std::vector<std::string>{"Title"});
            ASSERT_EQ(info.Pictures.size(), pictures.size());
            std::sort(info.Pictures.begin(), info.Pictures.end(),
                      [](const TPicture& A, const TPicture& B) { return A.Data < B.Data; });
            for (std::size_t i = 0; i < pictures.size(); ++i) {
                EXPECT_EQ(info.Pictures[i].Data, pictures[i].Data);
                EXPECT_EQ(info.Pictures[i].Mime, "image/jpeg");
                // MP4 keeps no picture type or description.
                if (format != TAudioFormat::M4A) {
                    EXPECT_EQ(info.Pictures[i].Type, pictures[i].Type);
                    EXPECT_EQ(info.Pictures[i].Description, pictures[i].Description);
                }
            }
        }
    }
}

TEST(WriteTagChanges, WritesThroughASymbolicLinkKeepingTheMode) {
    TempDir dir;
    const std::string file = AudioFixtures::Get().CopyTo(dir, "tone.flac");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const std::string link = dir.file("link.flac");
    std::filesystem::create_symlink("tone.flac", link);
    TTagChanges changes;
    changes.Fields["TITLE"] = {"Linked"};
    std::string error;
    ASSERT_TRUE(WriteTagChanges(link, TAudioFormat::FLAC, changes, error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    TAudioInfo info;
    ASSERT_TRUE(ReadWithTagLib(file, TAudioFormat::FLAC, info, false));
    EXPECT_EQ(TagValues(info.Tags, "TITLE"), std::vector<std::string>{"Linked"});
}

// A refused save leaves the file byte for byte and says why.
TEST(WriteTagChanges, RefusalsLeaveTheFileAsItWas) {
    TempDir dir;
    const std::string flac = AudioFixtures::Get().CopyTo(dir, "tone.flac");
    const std::string linked = AudioFixtures::Get().CopyTo(dir, "tone.wv");
    ASSERT_EQ(::link(linked.c_str(), dir.file("other.wv").c_str()), 0);
    const std::string garbage = dir.write("garbage.m4a", std::string(5000, 'x'));
    const std::string fifo = dir.file("fifo.ogg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string File;
        TAudioFormat Format;
        std::string Key;
        std::string Message;
    } cases[] = {
        {linked, TAudioFormat::WavPack, "TITLE", "hard links"},
        {garbage, TAudioFormat::M4A, "TITLE", "not a readable M4A file"},
        {flac, TAudioFormat::FLAC, "BAD=KEY", "cannot hold BAD=KEY"},
        {flac, TAudioFormat::MP3, "TITLE", "not a format"},
        {fifo, TAudioFormat::OggVorbis, "TITLE", "Not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message);
        const std::string before = std::filesystem::is_fifo(c.File) ? "" : readAll(c.File);
        TTagChanges changes;
        changes.Fields[c.Key] = {"x"};
        std::string error;
        EXPECT_FALSE(WriteTagChanges(c.File, c.Format, changes, error));
        EXPECT_NE(error.find(c.File), std::string::npos) << error;
        EXPECT_NE(error.find(c.Message), std::string::npos) << error;
        if (!before.empty()) {
            EXPECT_EQ(readAll(c.File), before);
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
    // No change: the file is not even rewritten.
    struct stat before {};
    struct stat after {};
    ASSERT_EQ(::stat(flac.c_str(), &before), 0);
    std::string error;
    EXPECT_TRUE(WriteTagChanges(flac, TAudioFormat::FLAC, {}, error)) << error;
    ASSERT_EQ(::stat(flac.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// A field's text splits into values only for the fields kept as several; a number keeps the
// form the tag gave it, "3/12" in one field or number and total apart.
TEST(TagLines, FieldsAndNumbersKeepTheTagsForm) {
    using TEdit = std::function<void(TTagLines&)>;
    const struct {
        TTagEntries Read;
        TEdit Edit;
        TTagEntries Expected;
    } cases[] = {
        {{{"TITLE", "T"}, {"ARTIST", "X"}, {"ALBUM", "Y"}},
         [](TTagLines& L) { L.SetFieldText("ARTIST", "A / B"); },
         {{"TITLE", "T"}, {"ARTIST", "A"}, {"ARTIST", "B"}, {"ALBUM", "Y"}}},
        {{{"TITLE", "T"}},
         [](TTagLines& L) { L.SetFieldText("TITLE", "A / B"); },
         {{"TITLE", "A / B"}}},
        {{{"TITLE", "T"}, {"ALBUM", "Y"}},
         [](TTagLines& L) { L.SetFieldText("TITLE", ""); },
         {{"ALBUM", "Y"}}},
        {{{"TRACKNUMBER", "3/12"}},
         [](TTagLines& L) { L.SetNumber("TRACKNUMBER", "TRACKTOTAL", "4", "12"); },
         {{"TRACKNUMBER", "4/12"}}},
        {{{"DISCNUMBER", "1"}, {"DISCTOTAL", "2"}},
         [](TTagLines& L) { L.SetNumber("DISCNUMBER", "DISCTOTAL", "1", "3"); },
         {{"DISCNUMBER", "1"}, {"DISCTOTAL", "3"}}},
        {{{"TPOS", "1/2"}},
         [](TTagLines& L) { L.SetNumber("TPOS", "", "2", ""); },
         {{"TPOS", "2"}}},
        {{}, [](TTagLines& L) { L.AddLine("mood", "calm"); }, {{"MOOD", "calm"}}},
    };
    for (const auto& c : cases) {
        TTagLines lines;
        lines.Reset(c.Read);
        c.Edit(lines);
        EXPECT_EQ(lines.Lines(), c.Expected);
    }
    TTagLines lines;
    lines.Reset({{"ARTIST", "A"}, {"ARTIST", "B"}, {"TITLE", "T"}});
    lines.RemoveLine(1);
    lines.SetLine(1, "title", "T");
    EXPECT_EQ(lines.ChangedKeys(),
              (std::map<std::string, std::vector<std::string>>{{"ARTIST", {"A"}}}));
    EXPECT_EQ(lines.Number("TPOS"), "");
}
