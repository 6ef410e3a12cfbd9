#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uTagFile.h"
#include "support/Mp3Files.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace orvanta {
namespace {

using test::TempDir;

// MPEG 1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: 417 bytes per frame.
const std::string Header128 = std::string("\xFF\xFB\x90\x64", 4);

std::string Frames(int Count, const std::string& Header = Header128, std::size_t Length = 417) {
    std::string frame = Header + std::string(Length - Header.size(), '\0');
    std::string out;
    for (int i = 0; i < Count; ++i)
        out += frame;
    return out;
}
std::string BE32(std::uint32_t V) {
    return {char(V >> 24), char((V >> 16) & 0xFF), char((V >> 8) & 0xFF), char(V & 0xFF)};
}
std::string PaddedTag(std::size_t Total) {
    const std::size_t size = Total - 10;
    return "ID3" + std::string("\3\0\0", 3) +
           std::string{char((size >> 21) & 0x7F), char((size >> 14) & 0x7F),
                       char((size >> 7) & 0x7F), char(size & 0x7F)} +
           std::string("TIT2\0\0\0\3\0\0\0Hi", 13) + std::string(size - 13, '\0');
}
std::string ID3v1Block() {
    std::string b(128, '\0');
    b.replace(0, 6, "TAGOne");
    b[127] = char(255);
    return b;
}
// A first frame carrying a VBR header at Offset.
std::string WithHeaderAt(std::string Frame, std::size_t Offset, const std::string& Header) {
    Frame.replace(Offset, Header.size(), Header);
    return Frame;
}

TEST(MPEGHeader, PlausibilityAndFrameArithmetic) {
    const auto plausible = [](const char* H) {
        return PlausibleHeader(reinterpret_cast<const std::uint8_t*>(H));
    };
    EXPECT_TRUE(plausible("\xFF\xFB\x90\x64"));
    EXPECT_FALSE(plausible("\xFF\xFB\xF0\x64")); // bit-rate index 15
    EXPECT_FALSE(plausible("\xFF\xFB\x00\x64")); // free format
    EXPECT_FALSE(plausible("\xFF\xFB\x90\x66")); // emphasis code 2
    EXPECT_FALSE(plausible("\xFF\xEB\x90\x64")); // reserved version
    EXPECT_FALSE(plausible("\xFF\xF9\x90\x64")); // reserved layer
    EXPECT_FALSE(plausible("\xFF\xFB\x9C\x64")); // sample-rate code 3
    EXPECT_FALSE(plausible("\xFE\xFB\x90\x64"));

    FrameHeaderInfo f;
    DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>("\xFF\xFB\x92\x64"), f);
    EXPECT_EQ(f.VersionCode, 3);
    EXPECT_EQ(f.LayerCode, 1);
    EXPECT_FALSE(f.HasCRC);
    EXPECT_TRUE(f.Padded);
    EXPECT_EQ(f.ModeCode, 1);
    EXPECT_EQ(TableBitRate(f), 128);
    EXPECT_EQ(SampleRateHz(f), 44100);
    EXPECT_EQ(FrameLength(f), 418);
    // MPEG 2 Layer III, 64 kbit/s, 22050 Hz, mono: coefficient 72.
    DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>("\xFF\xF3\x80\xC4"), f);
    EXPECT_EQ(TableBitRate(f), 64);
    EXPECT_EQ(SampleRateHz(f), 22050);
    EXPECT_EQ(FrameLength(f), 208);
    EXPECT_EQ(VBRHeaderOffset(f), 13);
    // MPEG 2.5 Layer I, padded: 4 bytes of padding.
    DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>("\xFF\xE7\x12\x00"), f);
    EXPECT_EQ(TableBitRate(f), 32);
    EXPECT_EQ(SampleRateHz(f), 11025);
    EXPECT_EQ(FrameLength(f), 143); // 139 bytes of audio, 4 of padding
}

TEST(MPEGAnalyse, ConstantBitRateWithBothTags) {
    TempDir dir;
    const std::string bytes = PaddedTag(4096) + Frames(40) + ID3v1Block();
    const std::string file = dir.write("cbr.mp3", bytes);
    TMPEGaudio audio;
    ASSERT_TRUE(audio.Analyse(file));
    EXPECT_TRUE(audio.IsValid());
    EXPECT_EQ(audio.FirstFrame().Offset, 0);
    EXPECT_EQ(audio.FirstFrame().Length, 417);
    EXPECT_TRUE(audio.FirstFrame().EmptySideInfo);
    EXPECT_EQ(audio.BitRateKbps(), 128);
    EXPECT_DOUBLE_EQ(audio.DurationSeconds(), 1.0425); // 40 x 417 bytes at 128 kbit/s
    EXPECT_EQ(audio.ID3v2().Title(), "Hi");
    EXPECT_EQ(audio.ID3v1().Title(), "One");
    EXPECT_EQ(audio.FileBytes(), std::int64_t(bytes.size()));
}

TEST(MPEGAnalyse, XingAndVbriHeaders) {
    TempDir dir;
    TMPEGaudio audio;
    // Xing at 36 in an MPEG 1 stereo frame: 10000 frames, 4,180,000 bytes.
    std::string xing = "Xing" + BE32(15) + BE32(10000) + BE32(4180000) + std::string(103, '\0');
    xing += char(57);
    xing += "LAME3.99";
    const std::string first = WithHeaderAt(Frames(1), 36, xing);
    ASSERT_TRUE(audio.Analyse(dir.write("x.mp3", first + Frames(10))));
    ASSERT_TRUE(audio.VBRHeader().Present);
    EXPECT_EQ(audio.VBRHeader().Marker, "Xing");
    EXPECT_EQ(audio.VBRHeader().FrameCount, 10000);
    EXPECT_EQ(audio.VBRHeader().Quality, 57);
    EXPECT_EQ(audio.VBRHeader().EncoderText, "LAME3.99");
    EXPECT_NEAR(audio.DurationSeconds(), 261.2245, 1e-4);
    EXPECT_EQ(audio.BitRateKbps(), 128); // 418 bytes per frame
    EXPECT_EQ(audio.EncoderTag(), "");   // not searched when a VBR header was found

    // VBRI (Fraunhofer) sits 32 bytes after the header, also in a mono frame.
    const std::string vbri = "VBRI" + std::string("\0\1\0\0\0\x4B", 6) + BE32(2090000) +
                             BE32(5000) + std::string(8, '\0');
    const std::string mono = std::string("\xFF\xFB\x90\xC4", 4);
    ASSERT_TRUE(audio.Analyse(
        dir.write("v.mp3", WithHeaderAt(Frames(1, mono), 36, vbri) + Frames(8, mono))));
    ASSERT_TRUE(audio.VBRHeader().Present);
    EXPECT_EQ(audio.VBRHeader().Marker, "VBRI");
    EXPECT_EQ(audio.VBRHeader().Quality, 75);
    EXPECT_EQ(audio.VBRHeader().ByteCount, 2090000);
    EXPECT_NEAR(audio.DurationSeconds(), 130.6122, 1e-4); // 5000 frames of 1152 samples

    // Too few frames for 0.1 s, or an absurd bit rate: not valid.
    const std::string few = "Xing" + BE32(3) + BE32(3) + BE32(1254) + std::string(112, '\0');
    ASSERT_TRUE(audio.Analyse(dir.write("f.mp3", WithHeaderAt(Frames(1), 36, few) + Frames(9))));
    EXPECT_FALSE(audio.IsValid());
    const std::string fat = "Xing" + BE32(3) + BE32(100) + BE32(2000000) + std::string(112, '\0');
    ASSERT_TRUE(audio.Analyse(dir.write("b.mp3", WithHeaderAt(Frames(1), 36, fat) + Frames(9))));
    EXPECT_GT(audio.BitRateKbps(), 448);
    EXPECT_FALSE(audio.IsValid());
}

TEST(MPEGAnalyse, SearchRules) {
    TempDir dir;
    TMPEGaudio audio;
    // A lone plausible header is skipped; the scan goes on to the confirmed frame.
    const std::string decoy = Header128 + std::string(500, '\x01');
    ASSERT_TRUE(audio.Analyse(dir.write("d.mp3", decoy + Frames(20))));
    EXPECT_EQ(audio.FirstFrame().Offset, 504);

    // Nothing in the first block: the middle of the file is searched.
    const std::string junk(5000, '\x01');
    const std::string middle = junk + Frames(20);
    ASSERT_TRUE(audio.Analyse(dir.write("m.mp3", middle)));
    ASSERT_TRUE(audio.FirstFrame().Present);
    const std::int64_t second = std::int64_t(middle.size()) / 2;
    EXPECT_EQ((second + audio.FirstFrame().Offset - 5000) % 417, 0);

    // No frame anywhere: true and not valid, but the tags are read; a tag may be all there is,
    // even in a file shorter than an ID3v1 tag.
    ASSERT_TRUE(audio.Analyse(dir.write("n.mp3", PaddedTag(200) + junk + ID3v1Block())));
    EXPECT_FALSE(audio.IsValid());
    EXPECT_EQ(audio.ID3v2().Title(), "Hi");
    EXPECT_EQ(audio.ID3v1().Title(), "One");
    ASSERT_TRUE(audio.Analyse(dir.write("bare.mp3", PaddedTag(60))));
    EXPECT_EQ(audio.ID3v2().Title(), "Hi");
    EXPECT_FALSE(audio.ID3v1().Present());
    // A second tag after the first: the audio begins after both.
    ASSERT_TRUE(audio.Analyse(dir.write("two.mp3", PaddedTag(200) + PaddedTag(2000) + Frames(20))));
    EXPECT_EQ(audio.FirstFrame().Offset, 0);
    EXPECT_DOUBLE_EQ(audio.DurationSeconds(), 0.52125); // 20 x 417 bytes at 128 kbit/s

    // A LAME mark near the end, in a file shorter than one block.
    const std::string shortFile = Frames(3) + "LAME3.98r" + std::string(20, '\0');
    ASSERT_TRUE(audio.Analyse(dir.write("s.mp3", shortFile)));
    EXPECT_TRUE(audio.FirstFrame().Present);
    EXPECT_EQ(audio.EncoderTag(), "LAME3.98");

    // Unreadable or too short.
    EXPECT_FALSE(audio.Analyse(dir.file("missing.mp3")));
    EXPECT_FALSE(audio.Analyse(dir.write("tiny.mp3", std::string(5, 'x'))));
    EXPECT_FALSE(audio.FirstFrame().Present);
}

TEST(MPEGAnalyse, FilesOfRealEncoders) {
    const auto& fixtures = test::MP3Fixtures::Get();
    TMPEGaudio audio;
    const auto probe = [](const std::string& Path) {
        return std::stod(test::Capture("ffprobe -v error -show_entries format=duration -of "
                                       "csv=p=0 '" +
                                       Path + "'"));
    };
    ASSERT_TRUE(audio.Analyse(fixtures.Path("cbr")));
    EXPECT_TRUE(audio.IsValid());
    EXPECT_EQ(audio.BitRateKbps(), 128);
    EXPECT_FALSE(audio.VBRHeader().Present);
    EXPECT_EQ(audio.EncoderTag().substr(0, 4), "LAME");
    EXPECT_NEAR(audio.DurationSeconds(), probe(fixtures.Path("cbr")), 0.06);

    ASSERT_TRUE(audio.Analyse(fixtures.Path("vbr")));
    EXPECT_TRUE(audio.IsValid());
    EXPECT_EQ(audio.VBRHeader().Marker, "Xing");
    EXPECT_EQ(audio.FirstFrame().VersionCode, 3);
    EXPECT_NEAR(audio.DurationSeconds(), probe(fixtures.Path("vbr")), 0.06);

    ASSERT_TRUE(audio.Analyse(fixtures.Path("mono22")));
    EXPECT_TRUE(audio.IsValid());
    EXPECT_EQ(audio.VBRHeader().Marker, "Xing"); // at 13 in an MPEG 2 mono frame
    EXPECT_EQ(SampleRateHz(audio.FirstFrame()), 22050);
    EXPECT_EQ(audio.FirstFrame().ModeCode, 3);
    EXPECT_NEAR(audio.DurationSeconds(), probe(fixtures.Path("mono22")), 0.06);

    for (const char* name : {"ffmpeg", "sox"}) {
        ASSERT_TRUE(audio.Analyse(fixtures.Path(name))) << name;
        EXPECT_TRUE(audio.IsValid()) << name;
        EXPECT_NEAR(audio.DurationSeconds(), 2.0, 0.1) << name;
    }
}

TEST(MPEGAnalyse, FrameLargerThanItsTag) {
    TMPEGaudio audio;
    ASSERT_TRUE(audio.Analyse(std::string(ORVANTA_TEST_DATA) + "/broken-frame-size.mp3"));
    EXPECT_TRUE(audio.IsValid());
    EXPECT_EQ(audio.ID3v2().TagSize(), 40);
    EXPECT_EQ(audio.ID3v2().Title(), "Broken"); // read up to the end of the tag, not beyond
    EXPECT_EQ(audio.FirstFrame().Offset, 0);
}

TEST(MPEGAnalyse, SurvivesDamagedBytes) {
    // Every truncation and a scatter of flipped bytes of a real file: no crash, no hang.
    const std::string original = test::readAll(test::MP3Fixtures::Get().Path("vbr"));
    TMPEGaudio audio;
    for (std::size_t cut = 0; cut < 6000; cut += 97) {
        TMemorySource source(std::string_view(original).substr(0, cut));
        audio.Analyse(source);
    }
    std::string damaged = original;
    for (std::size_t i = 0; i < damaged.size(); i += 13)
        damaged[i] = char(damaged[i] ^ 0x5A);
    TMemorySource source(damaged);
    audio.Analyse(source);
    SUCCEED();
}

TEST(MPEGAnalyse, FileAndMemoryAgreeWhereverTheBytesLie) {
    // The file source reads its head in two steps and the end as announced, and the frame search
    // looks at the block's start first: every layout must give what the bytes in memory give.
    const auto same = [](const TMPEGaudio& A, const TMPEGaudio& B) {
        return A.IsValid() == B.IsValid() && A.FileBytes() == B.FileBytes() &&
               A.EncoderTag() == B.EncoderTag() &&
               A.FirstFrame().Present == B.FirstFrame().Present &&
               A.FirstFrame().Offset == B.FirstFrame().Offset &&
               A.FirstFrame().Length == B.FirstFrame().Length &&
               A.VBRHeader().Present == B.VBRHeader().Present &&
               A.VBRHeader().FrameCount == B.VBRHeader().FrameCount &&
               A.DurationSeconds() == B.DurationSeconds() &&
               A.ID3v2().Title() == B.ID3v2().Title() && A.ID3v1().Title() == B.ID3v1().Title();
    };
    const std::string xing = "Xing" + BE32(15) + BE32(500) + BE32(209000) + std::string(112, '\0');
    const std::string marked = Frames(6) + "LAME3.100" + Frames(2) + "GOGO" + Frames(1);
    std::vector<std::string> layouts;
    for (const std::size_t tag : {0, 200, 2500, 2700, 3900, 4090, 5000, 8100, 9000})
        for (const std::size_t junk : {0, 1100, 1400, 1600})
            for (const bool v1 : {false, true}) {
                const std::string head = (tag ? PaddedTag(tag) : "") + std::string(junk, '\x01');
                const std::string end = v1 ? ID3v1Block() : "";
                layouts.push_back(head + Frames(12) + end);
                layouts.push_back(head + WithHeaderAt(Frames(1), 36, xing) + Frames(8) + end);
                layouts.push_back(head + marked + end);
                layouts.push_back(head + marked + "LAME3.99x" + Frames(1) + end);
            }
    for (const std::size_t size : {100, 4095, 4096, 4097, 8191, 8192, 8193, 8320, 11000})
        layouts.push_back((Frames(30) + "GOGO").substr(0, size) + ID3v1Block());
    TempDir dir;
    TMPEGaudio fromFile, fromMemory;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const bool read = fromFile.Analyse(dir.write("l.mp3", layouts[i]));
        TMemorySource source(layouts[i]);
        EXPECT_EQ(read, fromMemory.Analyse(source)) << i;
        EXPECT_TRUE(same(fromFile, fromMemory)) << i;
    }
    // An early header confirmed only far into the block wins over a later, nearer confirmed one:
    // MPEG 1 Layer II at 384 kbit/s and 32 kHz has 1728-byte frames.
    std::string early = std::string("\xFF\xFD\xE8\x04", 4) + std::string(96, '\x01') + Frames(10);
    early.replace(1728, 4, Header128);
    ASSERT_TRUE(fromFile.Analyse(dir.write("e.mp3", early)));
    EXPECT_EQ(fromFile.FirstFrame().Offset, 0);
    EXPECT_EQ(fromFile.FirstFrame().Length, 1728);
    // The mark nearest the end wins, whichever it is.
    ASSERT_TRUE(fromFile.Analyse(dir.write("g.mp3", PaddedTag(300) + marked + ID3v1Block())));
    EXPECT_EQ(fromFile.EncoderTag(), "GOGO");
    ASSERT_TRUE(fromFile.Analyse(dir.write("l.mp3", marked + "LAME3.99x" + Frames(1))));
    EXPECT_EQ(fromFile.EncoderTag(), "LAME3.99");
}

TEST(MPEGAnalyse, FileSourceServesTheFileBytes) {
    TempDir dir;
    for (const std::size_t size : {0, 128, 4095, 4096, 4097, 8191, 8192, 8193, 12289, 20000}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = char((i * 7919) >> 5);
        const std::vector<std::string> file{dir.write("f.bin", bytes)};
        // Opened alone, or taken from a batch that read it through a ring or with plain calls.
        for (const int way : {0, 1, 2})
            for (const int hint : {0, 1, 2}) {
                TFileBatch batch(way == 1);
                TFileSource source;
                if (way == 0)
                    ASSERT_TRUE(source.Open(file[0]));
                else {
                    batch.Open(file, 0, 1, TFileSource::HeadBytes);
                    ASSERT_TRUE(source.Adopt(batch.Files()[0]));
                }
                const std::int64_t n = std::int64_t(size);
                if (hint == 1)
                    source.WillRead(std::max<std::int64_t>(0, n - 2221),
                                    std::min<std::size_t>(size, 2221));
                if (hint == 2)
                    source.WillRead(std::max<std::int64_t>(0, n - 128),
                                    std::min<std::size_t>(size, 128));
                for (const std::int64_t at :
                     {std::int64_t(0), std::int64_t(10), std::int64_t(4000), std::int64_t(4096),
                      std::int64_t(8000), n - 3586, n - 2000, n - 128, n - 5, n})
                    for (const std::size_t count : {10, 128, 1536, 3458}) {
                        if (at < 0)
                            continue;
                        std::string got(count, '\xEE');
                        const std::int64_t read = source.ReadAt(at, got.data(), count);
                        const std::size_t expected =
                            std::size_t(std::clamp<std::int64_t>(n - at, 0, std::int64_t(count)));
                        ASSERT_EQ(read, std::int64_t(expected))
                            << size << " " << at << " " << count;
                        EXPECT_EQ(got.substr(0, expected),
                                  bytes.substr(std::min(std::size_t(at), size), expected));
                    }
            }
    }
    TFileSource directory;
    EXPECT_FALSE(directory.Open(dir.file("")));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::vector<std::string> unreadable{dir.file(""), dir.file("fifo"), dir.file("none")};
    for (const bool ring : {true, false}) {
        TFileBatch batch(ring);
        batch.Open(unreadable, 0, unreadable.size(), TFileSource::HeadBytes);
        for (const TFileBatch::TFile& file : batch.Files())
            EXPECT_EQ(file.Fd, -1);
    }
}

} // namespace
} // namespace orvanta
