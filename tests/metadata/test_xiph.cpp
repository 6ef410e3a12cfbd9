#include "core/metadata/uFlacFile.h"
#include "core/metadata/uOggFile.h"
#include "core/metadata/uTagFile.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace orvanta {
namespace {

using test::shellQuoted;

// What mutagen finds in a FLAC, Ogg Vorbis or Opus file, in the reader's terms: upper-cased keys
// in the file's order, the pictures as [type, mime, description, data bytes].
nlohmann::json MutagenXiph(const std::string& File) {
    const std::string script = R"PY(
import base64, json, sys, mutagen
from mutagen.flac import Picture
f = mutagen.File(sys.argv[1])
tags, pictures, mime = [], [], ""
for k, v in f.tags:
    k = k.upper()
    if k == "METADATA_BLOCK_PICTURE":
        p = Picture(base64.b64decode(v))
        pictures.append([p.type, p.mime, p.desc, len(p.data)])
    elif k == "COVERART":
        pictures.append([3, "", "", len(base64.b64decode(v))])
    elif k == "COVERARTMIME":
        mime = v
    else:
        tags.append([k, v])
for p in pictures:
    p[1] = p[1] or mime
for p in getattr(f, "pictures", []):
    pictures.append([p.type, p.mime, p.desc, len(p.data)])
print(json.dumps({"ms": f.info.length * 1000, "rate": getattr(f.info, "sample_rate", 0),
                  "channels": f.info.channels, "tags": tags, "pictures": pictures}))
)PY";
    const std::string out = test::Capture("/usr/bin/python3 -c " + shellQuoted(script) + " " +
                                          shellQuoted(File) + " 2>/dev/null");
    return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
}

// Python lines run on `f = mutagen.File(path)` before it is saved; `pic(n)` is a picture of n
// bytes as FLAC's picture block, `b64` base64.
void EditWithMutagen(const std::string& File, const std::string& Lines) {
    const std::string script = "import base64, sys, mutagen\n"
                               "from mutagen.flac import Picture\n"
                               "b64 = lambda b: base64.b64encode(b).decode()\n"
                               "def pic(n, kind=3):\n"
                               "    p = Picture(); p.type = kind; p.mime = 'image/png'\n"
                               "    p.desc = 'Front'; p.width = p.height = 8; p.depth = 24\n"
                               "    p.data = b'\\x89PNG' + bytes(range(256)) * (n // 256)\n"
                               "    return p\n"
                               "f = mutagen.File(sys.argv[1])\n" +
                               Lines + "\nf.save()\n";
    ASSERT_EQ(std::system(
                  ("/usr/bin/python3 -c " + shellQuoted(script) + " " + shellQuoted(File)).c_str()),
              0);
}

TEST(XiphRead, FilesOfEncodersAndTaggersReadAsMutagenReadsThem) {
    const std::string multi = "f['artist'] = ['A', 'B']\nf['Title'] = ['Grüße']\n";
    const std::string cover = "f['zz_after'] = ['after the picture']\n";
    const struct {
        std::string Name, Ffmpeg, Mutagen;
        bool ID3v2Before;
        TAudioFormat Format;
        std::string Codec;
        int Rate, Channels, Bits;
    } cases[] = {
        {"a.flac", "-ac 2 -sample_fmt s16 -metadata album=X -metadata TRACKNUMBER=3",
         multi + "f.add_picture(pic(100000))\nf.add_picture(pic(300, 4))\n" + cover, false,
         TAudioFormat::FLAC, "FLAC", 44100, 2, 16},
        {"b.flac", "-ar 96000 -sample_fmt s32 -metadata comment=Z", "", true, TAudioFormat::FLAC,
         "FLAC", 96000, 1, 24},
        {"c.ogg", "-ac 2 -c:a libvorbis -metadata genre=Rock",
         multi + "f['metadata_block_picture'] = [b64(pic(100000).write())]\n" + cover, false,
         TAudioFormat::OggVorbis, "Vorbis", 44100, 2, 0},
        {"d.ogg", "-ar 22050 -c:a libvorbis",
         "f['COVERART'] = [b64(b'\\xff\\xd8' + bytes(500))]\nf['COVERARTMIME'] = ['image/jpeg']",
         false, TAudioFormat::OggVorbis, "Vorbis", 22050, 1, 0},
        {"e.opus", "-ar 16000 -c:a libopus -metadata artist=Solo",
         "f['R128_TRACK_GAIN'] = ['-512']\nf['r128_album_gain'] = ['256']", false,
         TAudioFormat::Opus, "Opus", 16000, 1, 0},
        {"f.opus", "-ac 2 -c:a libopus",
         multi + "f['metadata_block_picture'] = [b64(pic(100000).write())]\n" + cover, false,
         TAudioFormat::Opus, "Opus", 48000, 2, 0},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = dir.file(c.Name);
        ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=d=1.5 " + c.Ffmpeg + " " +
                               shellQuoted(file))
                                  .c_str()),
                  0);
        if (!c.Mutagen.empty())
            EditWithMutagen(file, c.Mutagen);
        std::int64_t id3 = 0;
        if (c.ID3v2Before) {
            const std::string tag = std::string("ID3\3\0\0\0\0\0\x14", 10) + std::string(20, '\0');
            dir.write(c.Name, tag + test::readAll(file));
        }
        const nlohmann::json expected = MutagenXiph(file);
        ASSERT_FALSE(expected.is_null());
        for (const bool withPictures : {false, true}) {
            TFileSource source;
            ASSERT_TRUE(source.Open(file));
            TAudioInfo info;
            ASSERT_TRUE(c.Format == TAudioFormat::FLAC ? ReadFlac(source, info, withPictures, &id3)
                                                       : ReadOgg(source, info, withPictures));
            EXPECT_EQ(id3, c.ID3v2Before ? 30 : 0);
            EXPECT_EQ(info.Format, c.Format);
            const TAudioProperties& p = info.Properties;
            EXPECT_EQ(p.Codec, c.Codec);
            EXPECT_EQ(p.SampleRate, c.Rate);
            EXPECT_EQ(p.Channels, c.Channels);
            EXPECT_EQ(p.BitsPerSample, c.Bits);
            EXPECT_NEAR(double(p.Milliseconds), expected["ms"].get<double>(), 3);
            EXPECT_NEAR(p.Milliseconds, 1500, 30);
            // Lossless near what PCM costs, lossy far below; the cover never counts.
            EXPECT_GT(p.Bitrate, 4);
            EXPECT_LT(p.Bitrate, c.Bits ? c.Rate * c.Channels * c.Bits / 1000 : 300);
            if (c.Format != TAudioFormat::Opus) {
                EXPECT_EQ(p.SampleRate, expected["rate"].get<int>());
            }
            EXPECT_EQ(p.Channels, expected["channels"].get<int>());
            nlohmann::json tags = nlohmann::json::array();
            for (const TTagEntry& entry : info.Tags)
                tags.push_back({entry.Key, entry.Value});
            EXPECT_EQ(tags, expected["tags"]);
            nlohmann::json pictures = nlohmann::json::array();
            for (const TPicture& picture : info.Pictures)
                pictures.push_back(
                    {picture.Type, picture.Mime, picture.Description, picture.Data.size()});
            EXPECT_EQ(pictures, withPictures ? expected["pictures"] : nlohmann::json::array());
        }
    }
}

// Builders of small files, laid out byte by byte so that each fault sits where a case wants it.
std::string Le32(std::uint32_t V) {
    return {char(V), char(V >> 8), char(V >> 16), char(V >> 24)};
}
std::string Be(std::uint32_t V, int Bytes) {
    std::string out;
    for (int i = Bytes - 1; i >= 0; --i)
        out += char(V >> (8 * i));
    return out;
}
std::string Comment(const std::vector<std::string>& Entries, std::uint32_t Count = ~0u) {
    std::string out = Le32(3) + "ven" + Le32(Count == ~0u ? Entries.size() : Count);
    for (const std::string& e : Entries)
        out += Le32(e.size()) + e;
    return out;
}
const std::vector<std::string> Entries = {"title=T", "Artist=A", "ARTIST=B", "nokey", "X=\xC3"};
const std::vector<std::pair<std::string, std::string>> EntriesRead = {
    {"TITLE", "T"}, {"ARTIST", "A"}, {"ARTIST", "B"}, {"X", "\xEF\xBF\xBD"}};

std::string FlacBlock(int Type, const std::string& Body, bool Last = false) {
    return char((Last ? 0x80 : 0) | Type) + Be(std::uint32_t(Body.size()), 3) + Body;
}
// 44.1 kHz, stereo, 16 bits, 88200 samples: two seconds.
const std::string StreamInfo = std::string(10, '\0') +
                               std::string("\x0A\xC4\x42\xF0\0\x01\x58\x88", 8) +
                               std::string(16, '\0');
const std::string FlacPicture = Be(3, 4) + Be(9, 4) + "image/png" + Be(0, 4) + Be(1, 4) + Be(1, 4) +
                                Be(24, 4) + Be(0, 4) + Be(5, 4) + "\x89PNGx";

TEST(FlacRead, DamagedOrHostileFilesGiveFalseAndWhatWasReadBefore) {
    const std::string audio(24000, '\x55');
    const std::string good = "fLaC" + FlacBlock(0, StreamInfo) + FlacBlock(4, Comment(Entries)) +
                             FlacBlock(6, FlacPicture) + FlacBlock(1, "", true) + audio;
    const struct {
        std::string Name, Bytes;
        bool Result;
        std::size_t Tags, Pictures;
        std::int64_t Ms;
    } cases[] = {
        {"whole", good, true, 4, 1, 2000},
        {"audio cut short", good.substr(0, good.size() - 20000), true, 4, 1, 2000},
        {"marker only", "fLa", false, 0, 0, 0},
        {"not FLAC", std::string(5000, 'x'), false, 0, 0, 0},
        {"cut in STREAMINFO", good.substr(0, 20), false, 0, 0, 0},
        {"cut in the comment", good.substr(0, 60), false, 0, 0, 2000},
        {"first block not STREAMINFO", "fLaC" + FlacBlock(4, Comment(Entries), true), false, 0, 0,
         0},
        {"block past the end", "fLaC" + FlacBlock(0, StreamInfo) + "\x84\xFF\xFF\xFF", false, 0, 0,
         2000},
        {"invalid block type", "fLaC" + FlacBlock(0, StreamInfo) + FlacBlock(127, "", true), false,
         0, 0, 2000},
        {"comment count too high",
         "fLaC" + FlacBlock(0, StreamInfo) + FlacBlock(4, Comment(Entries, 0xFFFFFFF0), true),
         false, 4, 0, 2000},
        {"entry longer than the block",
         "fLaC" + FlacBlock(0, StreamInfo) +
             FlacBlock(4, Comment({"title=T"}, 2) + Le32(0x7FFFFFFF)) + FlacBlock(1, "", true),
         false, 1, 0, 2000},
        {"picture length past the block",
         "fLaC" + FlacBlock(0, StreamInfo) + FlacBlock(6, FlacPicture.substr(0, 40), true), false,
         0, 0, 2000},
        {"ID3v2 tag without FLAC", std::string("ID3\3\0\0\0\0\0\x05", 10) + "fLaC", false, 0, 0, 0},
        {"ID3v2 tag past the end", std::string("ID3\3\0\0\x7F\x7F\x7F\x7F", 10), false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        TMemorySource source(c.Bytes);
        TAudioInfo info;
        EXPECT_EQ(ReadFlac(source, info, true), c.Result) << c.Name;
        EXPECT_EQ(info.Tags.size(), c.Tags) << c.Name;
        EXPECT_EQ(info.Pictures.size(), c.Pictures) << c.Name;
        EXPECT_EQ(info.Properties.Milliseconds, c.Ms) << c.Name;
        for (std::size_t i = 0; i < info.Tags.size(); ++i)
            EXPECT_EQ(info.Tags[i], (TTagEntry{EntriesRead[i].first, EntriesRead[i].second}));
        if (c.Result) {
            EXPECT_EQ(info.Pictures[0].Data, "\x89PNGx");
        }
    }
}

// One page; Data ends a packet unless Continues (then its size is a multiple of 255).
std::string OggPage(int Flags, std::int64_t Granule, const std::string& Data,
                    bool Continues = false, std::uint32_t Serial = 7) {
    std::string lacing(Data.size() / 255, '\xFF');
    if (!Continues)
        lacing += char(Data.size() % 255);
    return "OggS" + std::string(1, '\0') + char(Flags) + Le32(std::uint32_t(Granule)) +
           Le32(std::uint32_t(std::uint64_t(Granule) >> 32)) + Le32(Serial) + Le32(0) + Le32(0) +
           char(lacing.size()) + lacing + Data;
}

TEST(OggRead, DamagedOrOddStreamsGiveFalseOrWhatTheirPagesSay) {
    // Opus, pre-skip 312, input rate 44100; a comment spread over two pages.
    const std::string head =
        std::string("OpusHead\x01\x02\x38\x01", 12) + Le32(44100) + std::string(3, '\0');
    const std::string tags = "OpusTags" + Comment(Entries) + std::string(1000, '\0');
    const std::string audio = std::string(400, '\x33');
    const std::string first = OggPage(2, 0, head);
    const std::string comment =
        OggPage(0, -1, tags.substr(0, 510), true) + OggPage(1, 0, tags.substr(510));
    const std::string good = first + comment + OggPage(0, 48312, audio) + OggPage(4, 96312, audio);
    const std::string vorbisHead =
        "\x01vorbis" + Le32(0) + "\x01" + Le32(8000) + Le32(0) + Le32(64000) + Le32(0) + "\xB8\x01";
    const struct {
        std::string Name, Bytes;
        bool Result;
        std::size_t Tags;
        std::int64_t Ms;
    } cases[] = {
        {"whole", good, true, 4, 2000},
        {"last page cut off", good.substr(0, good.size() - 10), true, 4, 1000},
        {"pages of another stream between",
         first + OggPage(2, 0, "other", false, 9) + comment + OggPage(0, 48312, audio) +
             OggPage(0, 999999, audio, false, 9),
         true, 4, 1000},
        {"Vorbis at its own rate",
         OggPage(2, 0, vorbisHead) + OggPage(0, 0, "\x03vorbis" + Comment(Entries) + "\x01") +
             OggPage(4, 12000, audio),
         true, 4, 1500},
        {"no capture pattern", "OggZ" + good.substr(4), false, 0, 0},
        {"not the first page", OggPage(0, 0, head) + good.substr(first.size()), false, 0, 0},
        {"page version 1", good.substr(0, 4) + "\x01" + good.substr(5), false, 0, 0},
        {"Speex", OggPage(2, 0, "Speex   " + std::string(80, '\0')) + comment, false, 0, 0},
        {"no channels", OggPage(2, 0, head.substr(0, 9) + '\0' + head.substr(10)) + comment, false,
         0, 0},
        {"comment page not marked as continued",
         first + OggPage(0, -1, tags.substr(0, 510), true) + OggPage(0, 0, tags.substr(510)), false,
         0, 0},
        {"cut inside the comment", good.substr(0, first.size() + 400), false, 0, 0},
        {"comment count too high", first + OggPage(0, 0, "OpusTags" + Comment(Entries, 1000)),
         false, 4, 0},
        {"headers only", first + comment, true, 4, 0},
        {"garbage", std::string(70000, 'O'), false, 0, 0},
    };
    for (const auto& c : cases) {
        TMemorySource source(c.Bytes);
        TAudioInfo info;
        EXPECT_EQ(ReadOgg(source, info, true), c.Result) << c.Name;
        EXPECT_EQ(info.Tags.size(), c.Tags) << c.Name;
        EXPECT_EQ(info.Properties.Milliseconds, c.Ms) << c.Name;
        for (std::size_t i = 0; i < info.Tags.size(); ++i)
            EXPECT_EQ(info.Tags[i], (TTagEntry{EntriesRead[i].first, EntriesRead[i].second}));
        if (c.Result) {
            EXPECT_EQ(info.Properties.SampleRate, c.Name.starts_with("Vorbis") ? 8000 : 44100);
        }
    }
}

} // namespace
} // namespace orvanta
