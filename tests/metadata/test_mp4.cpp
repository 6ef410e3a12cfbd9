#include "core/metadata/uAudioRead.h"
#include "core/metadata/uMp4File.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"
#include "support/AudioFiles.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

using test::shellQuoted;

std::string Be32(std::uint32_t V) {
    return {char(V >> 24), char(V >> 16), char(V >> 8), char(V)};
}
std::uint32_t ReadBe32(const std::string& Bytes, std::size_t At) {
    std::uint32_t value = 0;
    for (std::size_t i = At; i < At + 4; ++i)
        value = value << 8 | std::uint8_t(Bytes[i]);
    return value;
}
std::string Atom(const std::string& Name, const std::string& Body) {
    return Be32(std::uint32_t(Body.size() + 8)) + Name + Body;
}

// The offset of the first top-level atom named Name in an MP4 file's bytes.
std::size_t TopLevel(const std::string& Bytes, const std::string& Name) {
    for (std::size_t at = 0; at + 8 <= Bytes.size();) {
        if (Bytes.compare(at + 4, 4, Name) == 0)
            return at;
        at += ReadBe32(Bytes, at);
    }
    return std::string::npos;
}

void ExpectSameInfo(const TAudioInfo& Ours, const TAudioInfo& TagLibs) {
    EXPECT_EQ(Ours.Format, TAudioFormat::M4A);
    const TAudioProperties &a = Ours.Properties, &b = TagLibs.Properties;
    EXPECT_EQ(a.Codec, b.Codec);
    EXPECT_EQ(a.Milliseconds, b.Milliseconds);
    EXPECT_EQ(a.Bitrate, b.Bitrate);
    EXPECT_EQ(a.SampleRate, b.SampleRate);
    EXPECT_EQ(a.Channels, b.Channels);
    EXPECT_EQ(a.BitsPerSample, b.BitsPerSample);
    EXPECT_EQ(Ours.Tags, TagLibs.Tags);
    EXPECT_EQ(Ours.Pictures, TagLibs.Pictures);
}

// What a case does to the file it made: nothing, or another form of the same atoms.
enum TChange { AsMade, LongMdat, BareMeta };

TEST(Mp4Read, FilesReadAsTagLibReadsThem) {
    // mutagen lines run on `f = mutagen.File(path)` before it is saved. mutagen writes no
    // numeric genre: the tempo item, of the same form, is renamed to one after the save.
    const std::string fields =
        "f['\\xa9ART'] = ['One', 'Two']\nf['\\xa9wrt'] = ['Grüße']\nf['\\xa9cmt'] = ['c']\n"
        "f['tmpo'] = [18]\nf['cpil'] = True\nf['trkn'] = [(0, 9)]\n"
        "f['----:com.apple.iTunes:MusicBrainz Track Id'] = [MP4FreeForm(b'id')]\n"
        "f['----:com.apple.iTunes:Mood'] = [MP4FreeForm(b'x'), MP4FreeForm(b'y')]\n"
        "f['----:com.apple.iTunes:blob'] = [MP4FreeForm(b'\\x00', dataformat=0)]\n"
        "f['----:org.other:NAME'] = [MP4FreeForm(b'skipped')]\n"
        "f['soar'] = ['Sort']\nf['\\xa9mvi'] = [2]\nf['tvsn'] = [4]\n";
    const std::string covers =
        "f['covr'] = [MP4Cover(b'\\xff\\xd8\\xff' + bytes(300), MP4Cover.FORMAT_JPEG), "
        "MP4Cover(b'\\x89PNG' + bytes(40), MP4Cover.FORMAT_PNG)]\n";
    const struct {
        std::string Name, Fixture, Ffmpeg, Mutagen;
        TChange Change = AsMade;
    } cases[] = {
        {"fixture AAC", "tone.m4a", "", ""},
        {"fixture ALAC", "tone.alac.m4a", "", ""},
        {"moov first, fields and covers", "",
         "-t 2 -c:a aac -b:a 96k -movflags +faststart -metadata title=T -metadata genre=Pop",
         fields + covers},
        {"long, moov last", "", "-t 40 -ac 2 -c:a aac", "f['\\xa9nam'] = ['Long']\n"},
        {"ALAC 24-bit, numeric genre only", "", "-t 1 -c:a alac -sample_fmt s32p -ar 96000",
         "f['tmpo'] = [200]\nf['disk'] = [(2, 0)]\n"},
        {"64-bit mdat size", "tone.m4a", "", "", LongMdat},
        {"meta without version, as QuickTime writes it", "",
         "-t 1 -c:a aac -movflags +faststart -metadata title=T -metadata artist=A", "", BareMeta},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string file;
        if (!c.Fixture.empty()) {
            file = test::AudioFixtures::Get().CopyTo(dir, c.Fixture);
            std::filesystem::rename(file, dir.file(c.Name + ".m4a"));
        } else {
            ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine " + c.Ffmpeg + " " +
                                   shellQuoted(dir.file(c.Name + ".m4a")))
                                      .c_str()),
                      0);
        }
        file = dir.file(c.Name + ".m4a");
        if (!c.Mutagen.empty()) {
            const std::string script =
                "import sys, mutagen\nfrom mutagen.mp4 import MP4Cover, MP4FreeForm\n"
                "f = mutagen.File(sys.argv[1])\n" +
                c.Mutagen +
                "f.save()\nb = open(sys.argv[1], 'rb').read()\n"
                "open(sys.argv[1], 'wb').write(b.replace(b'tmpo', b'gnre', 1))\n";
            ASSERT_EQ(
                std::system(("/usr/bin/python3 -c " + shellQuoted(script) + " " + shellQuoted(file))
                                .c_str()),
                0);
        }
        if (c.Change == BareMeta) {
            // Four bytes fewer in meta and in the atoms that hold it.
            std::string bytes = test::readAll(file);
            const std::size_t moov = TopLevel(bytes, "moov"), udta = bytes.find("udta") - 4,
                              meta = bytes.find("meta") - 4;
            for (const std::size_t at : {moov, udta, meta})
                bytes.replace(at, 4, Be32(ReadBe32(bytes, at) - 4));
            dir.write(c.Name + ".m4a", bytes.erase(meta + 8, 4));
        }
        if (c.Change == LongMdat) {
            // The same media data under a 64-bit size: only chunk offsets move, which no
            // reader of tags looks at.
            std::string bytes = test::readAll(file);
            const std::size_t at = TopLevel(bytes, "mdat");
            ASSERT_NE(at, std::string::npos);
            const std::uint32_t size = ReadBe32(bytes, at);
            bytes.replace(at, 8, Be32(1) + "mdat" + Be32(0) + Be32(size + 8));
            dir.write(c.Name + ".m4a", bytes);
        }
        for (const bool withPictures : {false, true}) {
            TAudioInfo taglib, ours;
            ASSERT_TRUE(ReadWithTagLib(file, TAudioFormat::M4A, taglib, withPictures));
            TFileSource source;
            ASSERT_TRUE(source.Open(file));
            std::string error;
            ASSERT_TRUE(ReadMp4(source, ours, withPictures, &error)) << error;
            ExpectSameInfo(ours, taglib);
            EXPECT_FALSE(ours.Tags.empty());
            EXPECT_NE(ours.Properties.Codec, "");
            EXPECT_GT(ours.Properties.Bitrate, 0);
        }
    }
}

TEST(Mp4Read, DamagedFilesGiveAClearError) {
    test::TempDir dir;
    const std::string good = test::readAll(test::AudioFixtures::Get().CopyTo(dir, "tone.m4a"));
    const std::size_t moov = TopLevel(good, "moov"), mdat = TopLevel(good, "mdat");
    ASSERT_NE(moov, std::string::npos);
    ASSERT_NE(mdat, std::string::npos);
    std::string nested = Atom("free", "");
    for (int i = 0; i < 40; ++i)
        nested = Atom("moov", nested);
    std::string badName = good;
    badName.replace(moov + 4, 4, "mo\x01v");
    std::string tooSmall = good;
    tooSmall.replace(mdat, 4, Be32(4));
    // TagLibReads: TagLib takes the file all the same, so a read of it falls back to TagLib.
    const struct {
        std::string Name, Bytes, Error;
        bool TagLibReads = false;
    } cases[] = {
        {"empty", "", "too short"},
        {"not MP4", std::string(5000, 'x'), "runs past the end of the file"},
        {"cut inside the last atom", good.substr(0, good.size() - 30), "runs past the end", true},
        {"64-bit size cut short", Be32(1) + "mdat" + Be32(0), "size cut short"},
        {"no movie atom", Atom("ftyp", "M4A ") + Atom("free", ""), "no movie"},
        {"child past its parent",
         Atom("moov", Atom("udta", "") + Be32(64) + "trak") + Atom("free", std::string(80, '\0')),
         "past its parent", true},
        {"nested too deep", nested, "too deep", true},
        {"invalid atom name", badName, "invalid name"},
        {"size below its header", tooSmall, "too small"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemorySource source(c.Bytes);
        TAudioInfo info;
        std::string error;
        EXPECT_FALSE(ReadMp4(source, info, true, &error));
        EXPECT_NE(error.find(c.Error), std::string::npos) << error;
        EXPECT_EQ(ReadAudioInfo(source, TAudioFormat::M4A, info), c.TagLibReads);
    }
}

} // namespace
} // namespace orvanta
