#include "core/metadata/ID3v2.h"
#include "metadata/Mutagen.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace orvanta {
namespace {

using test::readAll;
using test::TempDir;

using test::BE;
using test::Frame;
using test::Syncsafe;
using test::Tag;
using test::Text;

std::string Utf16LE(std::u16string_view S) {
    std::string out = "\x01\xFF\xFE";
    for (char16_t c : S)
        out += {char(c & 0xFF), char(c >> 8)};
    return out;
}
std::string Utf16BE(std::u16string_view S, bool Bom = true) {
    std::string out = Bom ? "\x01\xFE\xFF" : "\x02";
    for (char16_t c : S)
        out += {char(c >> 8), char(c & 0xFF)};
    return out;
}
const std::string Audio = std::string("\xFF\xFB\x90\x64", 4) + std::string(2000, '\x11');

TID3v2 Load(const TempDir& Dir, const std::string& Bytes) {
    TID3v2 tag;
    EXPECT_TRUE(tag.LoadTag(Dir.write("t.mp3", Bytes)));
    return tag;
}

TEST(ID3v2Read, MissingOddAndShortTags) {
    TempDir dir;
    TID3v2 none = Load(dir, Audio);
    EXPECT_FALSE(none.Present());
    EXPECT_EQ(none.TagSize(), 0);
    TID3v2 v5 = Load(dir, Tag(5, Frame(3, "TIT2", Text("x"))) + Audio);
    EXPECT_TRUE(v5.Present());
    EXPECT_EQ(v5.Version(), 5);
    EXPECT_EQ(v5.TagSize(), 10 + 12);
    EXPECT_EQ(v5.Title(), "");
    // A size past the end of the file gives TagSize 0 and no fields.
    std::string tooLong = Tag(3, Frame(3, "TIT2", Text("x")));
    tooLong[8] = 0x7F;
    TID3v2 big = Load(dir, tooLong);
    EXPECT_TRUE(big.Present());
    EXPECT_EQ(big.TagSize(), 0);
    EXPECT_EQ(big.Title(), "");
    TID3v2 tag;
    EXPECT_FALSE(tag.LoadTag(dir.write("short", "ID3\3\0")));
    EXPECT_FALSE(tag.LoadTag(dir.file("missing")));
}

TEST(ID3v2Read, Version3TextsAndFallbacks) {
    TempDir dir;
    const std::string frames =
        Frame(3, "TIT2",
              "\x03"
              "UTF-8 is not version 3") +
        Frame(3, "TIT1", Text("Group")) + Frame(3, "TOPE", Text("Original")) +
        Frame(3, "TRCK", Text("7/12")) + Frame(3, "TDRC", Text("2004-05-06")) +
        Frame(3, "TCON", Text("(13)Pop")) + Frame(3, "COMM", std::string("\0eng\0A comment", 14)) +
        Frame(3, "WXXX", std::string("\0desc\0http://x.org", 19)) +
        Frame(3, "TLAN", Text("  eng  ")) + Frame(3, "TALB", Text("First")) +
        Frame(3, "TALB", Text("Second")) + Frame(3, "TXXX", Text("ignored"));
    const TID3v2 tag = Load(dir, Tag(3, frames, 100) + Audio);
    EXPECT_EQ(tag.TagSize(), int(10 + frames.size() + 100));
    EXPECT_EQ(tag.Title(), "Group");
    EXPECT_EQ(tag.Artist(), "Original");
    EXPECT_EQ(tag.Album(), "Second");
    EXPECT_EQ(tag.Track(), 7);
    EXPECT_EQ(tag.TrackText(), "7/12");
    EXPECT_EQ(tag.Year(), "2004");
    EXPECT_EQ(tag.Genre(), "Pop");
    EXPECT_EQ(tag.Comment(), "A comment");
    EXPECT_EQ(tag.UserURL(), "http://x.org");
    EXPECT_EQ(tag.Language(), "eng");

    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TCON", Text("(13)"))) + Audio).Genre(), "Pop");
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TCON", Text("Pop"))) + Audio).Genre(), "Pop");
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TRCK", Text("x3"))) + Audio).Track(), 0);
    // A compressed version 3 frame is skipped.
    EXPECT_EQ(
        Load(dir, Tag(3, Frame(3, "TIT2", Text("zz"), std::string("\0\x80", 2))) + Audio).Title(),
        "");
}

TEST(ID3v2Read, ValuesAsTaggersWriteThem) {
    TempDir dir;
    const std::string plain = Frame(3, "COMM", std::string("\0eng\0Mine", 9));
    const std::string itunes = Frame(3, "COMM", std::string("\0engiTunNORM\0 0A1B", 18));
    const std::string utf16Values = std::string("\x01\xFF\xFE"
                                                "A\0\0\0\xFF\xFE"
                                                "B\0",
                                                10);
    const struct {
        int Version;
        std::string Frames;
        const std::string& (TID3v2::*Field)() const;
        std::string Expected;
    } cases[] = {
        {3, Frame(3, "TCON", Text("(17)")), &TID3v2::Genre, "Rock"},
        {3, Frame(3, "TCON", Text("(RX)(CR)")), &TID3v2::Genre, "Remix / Cover"},
        {3, Frame(3, "TCON", Text("(17)(13)")), &TID3v2::Genre, "Rock / Pop"},
        {3, Frame(3, "TCON", Text("Rock (Classic)")), &TID3v2::Genre, "Rock (Classic)"},
        {3, Frame(3, "TCON", Text("((Paren)")), &TID3v2::Genre, "(Paren)"},
        {3, Frame(3, "TCON", Text("(999)")), &TID3v2::Genre, "(999)"},
        {4, Frame(4, "TCON", Text(std::string("17\0Pop", 6))), &TID3v2::Genre, "Rock / Pop"},
        {4, Frame(4, "TPE1", utf16Values), &TID3v2::Artist, "A / B"},
        {4, Frame(4, "TDRL", Text("2020-01-02")), &TID3v2::Year, "2020"},
        {3, itunes + plain, &TID3v2::Comment, "Mine"},
        {3, plain + itunes, &TID3v2::Comment, "Mine"},
        {2, Frame(2, "COM", std::string("\0eng\0Old", 8)), &TID3v2::Comment, "Old"},
        {3, Frame(3, "TPE2", Text("Various")), &TID3v2::AlbumArtist, "Various"},
        {2, Frame(2, "TP2", Text("Band")), &TID3v2::AlbumArtist, "Band"},
        {3, Frame(3, "TPE1", Text(std::string("A\0B\0", 4))), &TID3v2::Artist, "A / B"},
        {3, Frame(3, "TPE1", utf16Values), &TID3v2::Artist, "A / B"},
    };
    for (const auto& c : cases) {
        const TID3v2 tag = Load(dir, Tag(c.Version, c.Frames) + Audio);
        EXPECT_EQ((tag.*c.Field)(), c.Expected) << c.Frames;
    }
    // The disc of a set reads as the track does.
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TPOS", Text("2/3"))) + Audio).Disc(), 2);
    EXPECT_EQ(Load(dir, Tag(2, Frame(2, "TPA", Text("4"))) + Audio).Disc(), 4);
}

TEST(ID3v2Read, Utf16InBothByteOrders) {
    TempDir dir;
    const std::u16string text = u"Ünïcode ☃ \u00FF\u01FF";
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TIT2", Utf16LE(text))) + Audio).Title(), "Ünïcode ☃ ÿǿ");
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TIT2", Utf16BE(text))) + Audio).Title(), "Ünïcode ☃ ÿǿ");
    // Comment: the separator after the description is found on character boundaries
    // (the description's last character ends in a zero byte, its first in 0x00 too).
    const std::string comm = std::string("\x01") + "eng" + "\xFF\xFE" +
                             std::string("A\0\0\x01\0\0", 6) + "\xFF\xFE" +
                             std::string("h\0i\0", 4);
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "COMM", comm)) + Audio).Comment(), "hi");
    // Version 4 adds UTF-16BE without mark and UTF-8; version 3 ignores them.
    const std::string frames = Frame(4, "TIT2", Utf16BE(u"Größe", false)) + Frame(4, "TPE1",
                                                                                  "\x03"
                                                                                  "Bjørk");
    const TID3v2 v4 = Load(dir, Tag(4, frames) + Audio);
    EXPECT_EQ(v4.Title(), "Größe");
    EXPECT_EQ(v4.Artist(), "Bjørk");
    EXPECT_EQ(Load(dir, Tag(3, Frame(3, "TPE1",
                                     "\x03"
                                     "Bjørk")) +
                            Audio)
                  .Artist(),
              "");
}

TEST(ID3v2Read, FrameLayoutRules) {
    TempDir dir;
    // Only the first 499 characters of a long frame reach the field.
    const TID3v2 longFrame =
        Load(dir, Tag(3, Frame(3, "TIT2", Text(std::string(600, 'a')))) + Audio);
    EXPECT_EQ(longFrame.Title(), std::string(499, 'a'));
    // Version 4: a picture larger than 127 bytes has a syncsafe size; the text after it is found.
    const std::string picture = std::string("\0image/png\0\3\0", 13) + std::string(300, '\x89');
    const TID3v2 v4 =
        Load(dir, Tag(4, Frame(4, "APIC", picture) + Frame(4, "TIT2", Text("After"))) + Audio);
    EXPECT_EQ(v4.Title(), "After");
    // An extended header is skipped (version 3 counts it without its size field).
    const std::string ext3 = BE(6, 4) + std::string(6, '\0');
    EXPECT_EQ(Load(dir, Tag(3, ext3 + Frame(3, "TIT2", Text("Ext3")), 0, 0x40) + Audio).Title(),
              "Ext3");
    const std::string ext4 = Syncsafe(6) + std::string("\1\0", 2);
    EXPECT_EQ(Load(dir, Tag(4, ext4 + Frame(4, "TIT2", Text("Ext4")), 0, 0x40) + Audio).Title(),
              "Ext4");
    // Version 2: three-character identifiers and sizes.
    const TID3v2 v2 = Load(dir, Tag(2, Frame(2, "TT2", Text("Old")) + Frame(2, "TP1", Text("Me")) +
                                           Frame(2, "COM", std::string("\0eng\0c", 6))) +
                                    Audio);
    EXPECT_EQ(v2.Title(), "Old");
    EXPECT_EQ(v2.Artist(), "Me");
    EXPECT_EQ(v2.Comment(), "c");
    // An unsynchronised version 3 tag is read after removing the inserted zero bytes.
    // The frame holds 0 FF 'x' (3 bytes); the file has a zero byte inserted after FF.
    const std::string unsynced = std::string("TIT2\0\0\0\3\0\0\0\xFF\0x", 14);
    const TID3v2 resynced =
        Load(dir, Tag(3, unsynced + Frame(3, "TPE1", Text("ab")), 0, char(0x80)) + Audio);
    EXPECT_EQ(resynced.Title(), "ÿx");
    EXPECT_EQ(resynced.Artist(), "ab");
}

// A version 4 frame whose size was written as a plain number, as some players and encoders did.
std::string PlainSizedFrame(std::string_view Id, std::string_view Content) {
    return std::string(Id) + BE(std::uint32_t(Content.size()), 4) + std::string("\0\0", 2) +
           std::string(Content);
}
const std::string Cover = std::string("\0image/png\0\3\0", 13) + std::string(173, '\x89');

// Tags as other programs lay them out are read; one that is not read whole says so.
TEST(ID3v2Read, TagsAsOtherProgramsLayThemOut) {
    TempDir dir;
    const std::string title = Frame(3, "TIT2", Text("Title"));
    const std::string title4 = Frame(4, "TIT2", Text("Title"));
    const struct {
        const char* Name;
        std::string Bytes;
        bool Whole;
    } cases[] = {
        {"plain v4 size", Tag(4, PlainSizedFrame("APIC", Cover) + title4, 20), true},
        {"plain after syncsafe",
         Tag(4, Frame(4, "APIC", Cover + Cover) + PlainSizedFrame("APIC", Cover) + title4), true},
        {"no extended header v4", Tag(4, title4, 10, 0x40), true},
        {"no extended header v3", Tag(3, title, 10, 0x40), true},
        {"footer", Tag(4, title4, 0, 0x10) + "3DI" + std::string(7, '\0'), true},
        {"second tag follows", Tag(3, title) + Tag(3, Frame(3, "TIT2", Text("Second"))), true},
        {"bare tag", Tag(3, title, 30), true},
        {"bytes that are no frame", Tag(3, title + "\x01junk" + std::string(20, 'j')), false},
        {"frame past the tag", Tag(3, title + Frame(3, "TPE1", Text("abc")).substr(0, 12)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TID3v2 tag = Load(dir, c.Bytes);
        EXPECT_EQ(tag.Title(), "Title");
        EXPECT_EQ(tag.ReadWhole(), c.Whole);
    }
    EXPECT_FALSE(Load(dir, Tag(5, title) + Audio).ReadWhole());
    EXPECT_TRUE(Load(dir, Audio).ReadWhole());
}

class ID3v2Write : public ::testing::Test {
protected:
    TempDir dir;
    std::string Write(const std::string& Bytes) { return dir.write("w.mp3", Bytes); }
    static TID3v2 Filled() {
        TID3v2 tag;
        tag.SetTitle(" Title ");
        tag.SetArtist("Artist ☃");
        tag.SetAlbum("Album");
        tag.SetYear("2001");
        tag.SetGenre("Rock");
        tag.SetComment("Comment é");
        tag.SetComposer("Composer");
        tag.SetCopyright("(c)");
        tag.SetLanguage("eng");
        tag.SetTrack(7);
        return tag;
    }
};

TEST_F(ID3v2Write, InPlaceWhenItFitsAnOldTagOfAtMost4096Bytes) {
    const std::string old = Tag(3, Frame(3, "TIT2", Text("old")), 2048 - 10 - 14);
    ASSERT_EQ(old.size(), 2048u);
    const std::string file = Write(old + Audio);
    const auto inode = std::filesystem::status(file).permissions();
    ASSERT_TRUE(Filled().StoreTag(file));
    const std::string bytes = readAll(file);
    EXPECT_EQ(bytes.size(), old.size() + Audio.size());
    EXPECT_EQ(bytes.substr(2048), Audio);
    EXPECT_EQ(std::filesystem::status(file).permissions(), inode);
    TID3v2 back;
    ASSERT_TRUE(back.LoadTag(file));
    EXPECT_EQ(back.Version(), 3);
    EXPECT_EQ(back.TagSize(), 2048);
    EXPECT_EQ(back.Title(), "Title");
    EXPECT_EQ(back.Artist(), "Artist ☃");
    EXPECT_EQ(back.Comment(), "Comment é");
    EXPECT_EQ(back.Track(), 7);
    EXPECT_EQ(back.TrackText(), "7");
    EXPECT_EQ(back.Composer(), "Composer");
    EXPECT_EQ(back.Copyright(), "(c)");
    EXPECT_EQ(back.Language(), "eng");
}

TEST_F(ID3v2Write, RewritesWithA4096ByteTagOtherwise) {
    for (const std::string& old : {std::string(), Tag(3, Frame(3, "TIT2", Text("x")), 10000),
                                   Tag(3, Frame(3, "TIT2", Text("x")), 5)}) {
        const std::string file = Write(old + Audio);
        ASSERT_TRUE(Filled().StoreTag(file));
        const std::string bytes = readAll(file);
        EXPECT_EQ(bytes.size(), 4096 + Audio.size());
        EXPECT_EQ(bytes.substr(4096), Audio);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
            << "the temporary file must be gone";
    }
}

TEST_F(ID3v2Write, EmptyFieldsWriteNoFramesAndLinksAreKept) {
    const std::string file = Write(Tag(3,
                                       Frame(3, "WXXX", std::string("\0\0http://a.b", 12)) +
                                           Frame(3, "TENC", Text("Enc")) +
                                           Frame(3, "COMM", Text(std::string("eng\0c", 5))),
                                       100) +
                                   Audio);
    TID3v2 tag;
    ASSERT_TRUE(tag.LoadTag(file));
    tag.SetComment("");
    tag.SetTitle("T");
    ASSERT_TRUE(tag.StoreTag(file));
    const std::string bytes = readAll(file);
    EXPECT_EQ(bytes.find("COMM"), std::string::npos);
    EXPECT_EQ(bytes.find("TRCK"), std::string::npos);
    TID3v2 back;
    ASSERT_TRUE(back.LoadTag(file));
    EXPECT_EQ(back.UserURL(), "http://a.b");
    EXPECT_EQ(back.EncodedBy(), "Enc");
}

TEST_F(ID3v2Write, UnknownFramesAreCarried) {
    const std::string picture = std::string("\0image/png\0\3\0", 13) + std::string(300, '\x89');
    const std::string priv = "owner" + std::string("\0\1\2", 3);
    // Version 3: byte for byte, except frames that ask to be dropped on change.
    std::string file = Write(Tag(3,
                                 Frame(3, "APIC", picture) + Frame(3, "TIT2", Text("x")) +
                                     Frame(3, "PRIV", priv, std::string("\x80\0", 2)) +
                                     Frame(3, "TXXX", Text(std::string("k\0v", 3))),
                                 50) +
                             Audio);
    ASSERT_TRUE(Filled().StoreTag(file));
    std::string bytes = readAll(file);
    EXPECT_NE(bytes.find(Frame(3, "APIC", picture)), std::string::npos);
    EXPECT_NE(bytes.find(Frame(3, "TXXX", Text(std::string("k\0v", 3)))), std::string::npos);
    EXPECT_EQ(bytes.find("PRIV"), std::string::npos);
    EXPECT_LT(bytes.find("TIT2"), bytes.find("APIC")); // own frames first
    // Version 4: a version 3 header, UTF-8 text re-encoded, format flags given in version 3 form.
    file = Write(Tag(4, Frame(4, "APIC", picture) + Frame(4, "TXXX", std::string("\x03k\0vé", 6)) +
                            Frame(4, "GRP1", Text("g"), std::string("\0\x40", 2))) +
                 Audio);
    ASSERT_TRUE(Filled().StoreTag(file));
    bytes = readAll(file);
    EXPECT_NE(bytes.find(Frame(3, "APIC", picture)), std::string::npos);
    EXPECT_NE(bytes.find(Frame(3, "TXXX", std::string("\1\xFF\xFEk\0\0\0\xFF\xFEv\0\xE9\0", 13))),
              std::string::npos);
    EXPECT_NE(bytes.find(Frame(3, "GRP1", Text("g"), std::string("\0\x20", 2))), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - Audio.size()), Audio);
}

// A cleared field reads back empty: the frame it was read from goes, whichever it was.
TEST_F(ID3v2Write, ClearingAFieldRemovesTheFrameItWasReadFrom) {
    const std::string kept = Frame(3, "TXXX", Text(std::string("k\0v", 3)));
    const struct {
        std::string Frame;
        void (TID3v2::*Set)(std::string_view);
        const std::string& (TID3v2::*Get)() const;
    } cases[] = {
        {Frame(3, "TIT1", Text("Group")), &TID3v2::SetTitle, &TID3v2::Title},
        {Frame(3, "TIT2", Text("T")) + Frame(3, "TIT1", Text("G")), &TID3v2::SetTitle,
         &TID3v2::Title},
        {Frame(3, "TOPE", Text("Orig")), &TID3v2::SetArtist, &TID3v2::Artist},
        {Frame(3, "TOAL", Text("Orig")), &TID3v2::SetAlbum, &TID3v2::Album},
        {Frame(3, "COMM", std::string("\0engdesc\0Said", 13)), &TID3v2::SetComment,
         &TID3v2::Comment},
        {Frame(3, "TDRL", Text("2001-02-03")), &TID3v2::SetYear, &TID3v2::Year},
    };
    for (const auto& c : cases) {
        const std::string file = Write(Tag(3, c.Frame + kept, 50) + Audio);
        TID3v2 tag;
        ASSERT_TRUE(tag.LoadTag(file));
        ASSERT_NE((tag.*c.Get)(), "");
        (tag.*c.Set)("");
        ASSERT_TRUE(tag.StoreTag(file));
        EXPECT_EQ((tag.*c.Get)(), "") << c.Frame;
        EXPECT_NE(readAll(file).find(kept), std::string::npos);
    }
}

// What was not read whole is never written over; what other programs wrote is read and kept.
TEST_F(ID3v2Write, SavesKeepTagsAsOtherProgramsWriteThem) {
    for (const std::string& unread :
         {Tag(3, Frame(3, "TIT2", Text("x")) + "\x01junk" + std::string(20, 'j')) + Audio,
          Tag(5, Frame(3, "TIT2", Text("x"))) + Audio}) {
        const std::string file = Write(unread);
        TID3v2 tag;
        ASSERT_TRUE(tag.LoadTag(file));
        tag.SetTitle("New");
        EXPECT_FALSE(tag.StoreTag(file));
        EXPECT_FALSE(tag.ReadWhole());
        EXPECT_EQ(readAll(file), unread);
    }
    // A version 4 cover with a plain size is carried whole.
    std::string file =
        Write(Tag(4, PlainSizedFrame("APIC", Cover) + Frame(4, "TIT2", Text("x"))) + Audio);
    TID3v2 tag;
    ASSERT_TRUE(tag.LoadTag(file));
    tag.SetArtist("Artist");
    ASSERT_TRUE(tag.StoreTag(file));
    EXPECT_NE(readAll(file).find(Frame(3, "APIC", Cover)), std::string::npos);
    // Whatever follows the tag (a second tag, or nothing at all) keeps its bytes.
    const std::string second = Tag(3, Frame(3, "TIT2", Text("Second")), 10) + Audio;
    for (const std::string& after : {second, std::string()}) {
        for (const std::size_t padding : {std::size_t(0), std::size_t(500)}) {
            file = Write(Tag(3, Frame(3, "TIT2", Text("First")), padding) + after);
            ASSERT_TRUE(tag.LoadTag(file));
            tag.SetTitle("Changed");
            ASSERT_TRUE(tag.StoreTag(file));
            const std::string bytes = readAll(file);
            EXPECT_EQ(bytes.substr(std::size_t(tag.TagSize())), after);
            EXPECT_EQ(tag.Title(), "Changed");
        }
    }
}

// Each save compares with what the file holds after the last one: a value changed back is
// written too.
TEST_F(ID3v2Write, EachSaveComparesWithWhatTheFileHolds) {
    const std::string file = Write(Tag(3, Frame(3, "TIT2", Text("A")), 100) + Audio);
    TID3v2 tag;
    ASSERT_TRUE(tag.LoadTag(file));
    tag.SetTitle("B");
    ASSERT_TRUE(tag.StoreTag(file));
    tag.SetTitle("A");
    ASSERT_TRUE(tag.StoreTag(file));
    TID3v2 back;
    ASSERT_TRUE(back.LoadTag(file));
    EXPECT_EQ(back.Title(), "A");
}

TEST_F(ID3v2Write, FailuresLeaveTheFileWhole) {
    TID3v2 tag = Filled();
    EXPECT_FALSE(tag.StoreTag(dir.file("missing.mp3")));
    EXPECT_FALSE(tag.StoreTag(dir.str()));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    const std::string original = Tag(3, Frame(3, "TIT2", Text("x")), 20) + Audio;
    const std::string file = Write(original);
    ::chmod(file.c_str(), 0444);
    EXPECT_FALSE(tag.StoreTag(file));
    EXPECT_EQ(readAll(file), original);
    // A folder that refuses new files: the rewrite cannot start, nothing changes.
    ::chmod(file.c_str(), 0644);
    ::chmod(dir.str().c_str(), 0555);
    EXPECT_FALSE(tag.StoreTag(file));
    ::chmod(dir.str().c_str(), 0755);
    EXPECT_EQ(readAll(file), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ID3v2Tools, TagsOfOtherToolsReadAndRewrittenForMutagen) {
    TempDir dir;
    const auto& fixtures = test::MP3Fixtures::Get();
    // ffmpeg: a version 4 tag with UTF-8 text.
    const std::string ff = fixtures.CopyTo(dir, "ffmpeg");
    TID3v2 tag;
    ASSERT_TRUE(tag.LoadTag(ff));
    EXPECT_EQ(tag.Version(), 4);
    EXPECT_EQ(tag.Title(), "Fünf ☃");
    EXPECT_EQ(tag.Artist(), "Ffmpeg");

    // mutagen: versions 3 and 4 with album art, rewritten by us and read back by mutagen.
    for (const int version : {3, 4}) {
        const std::string file = dir.file(version == 3 ? "m3.mp3" : "m4.mp3");
        std::filesystem::copy_file(fixtures.Path("cbr"), file);
        const std::string script =
            "import sys; from mutagen.id3 import ID3, TIT2, TPE1, APIC, TRCK; t = ID3(); "
            "t.add(TIT2(encoding=3, text=\"Ωμέγα\")); t.add(TPE1(encoding=1, text=\"Ärtist\")); "
            "t.add(APIC(encoding=3, mime=\"image/png\", type=3, desc=\"Cövér\", data=b\"\\x89PNG\" "
            "* "
            "500)); t.add(TRCK(encoding=0, text=\"3/9\")); t.save(sys.argv[1], v2_version=" +
            std::to_string(version) + ")";
        ASSERT_EQ(std::system(("/usr/bin/python3 -c '" + script + "' '" + file + "'").c_str()), 0);
        const std::string audio = test::AudioBytes(file);
        ASSERT_TRUE(tag.LoadTag(file));
        EXPECT_EQ(tag.Version(), version);
        EXPECT_EQ(tag.Title(), "Ωμέγα"); // UTF-8 in version 4, UTF-16 in version 3
        EXPECT_EQ(tag.Artist(), "Ärtist");
        EXPECT_EQ(tag.Track(), 3);
        tag.SetAlbum("Ålbum ☃");
        tag.SetComment("Kommentar");
        ASSERT_TRUE(tag.StoreTag(file));
        EXPECT_EQ(test::AudioBytes(file), audio);
        const auto read = test::Mutagen(file);
        EXPECT_EQ(read["version"][1], 3);
        EXPECT_EQ(read["frames"]["TIT2"], "Ωμέγα");
        EXPECT_EQ(read["frames"]["TPE1"], "Ärtist");
        EXPECT_EQ(read["frames"]["TALB"], "Ålbum ☃");
        EXPECT_EQ(read["frames"]["COMM"], "Kommentar");
        EXPECT_EQ(read["frames"]["TRCK"], "3/9") << "a field not changed keeps its frame";
        EXPECT_EQ(read["frames"]["APIC"], 2000) << "album art kept";
    }

    // id3v2 (the tool) writes version 3 and an ID3v1 tag; eyeD3 writes UTF-16.
    const std::string id = fixtures.CopyTo(dir, "cbr");
    ASSERT_EQ(std::system(("id3v2 -t 'Id Title' -a 'Id Artist' -T 3/9 -g 17 '" + id + "'").c_str()),
              0);
    ASSERT_TRUE(tag.LoadTag(id));
    EXPECT_EQ(tag.Title(), "Id Title");
    EXPECT_EQ(tag.TrackText(), "3/9");
    EXPECT_EQ(tag.Genre(), "Rock"); // "(17)"
    const std::string eye = fixtures.CopyTo(dir, "vbr");
    ASSERT_EQ(
        std::system(("eyeD3 -Q --to-v2.3 -t 'Eye ☃' -a 'Eye Artist' '" + eye + "' >/dev/null 2>&1")
                        .c_str()),
        0);
    ASSERT_TRUE(tag.LoadTag(eye));
    EXPECT_EQ(tag.Version(), 3);
    EXPECT_EQ(tag.Title(), "Eye ☃");
}

// Files as other taggers make them: a save that changes only the title keeps every other frame
// as mutagen reads it and the audio bytes; a changed comment in UTF-16 keeps the encoder
// comments, a changed track number the track count; a save without a change writes nothing; ffprobe
// and eyeD3 accept every result.
TEST(ID3v2Tools, SavesChangeOnlyTheEditedFields) {
    TempDir dir;
    const std::string script = std::string(ORVANTA_TEST_DATA) + "/../support/tagged_mp3s.py";
    const std::string cover = dir.file("cover.png");
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -f lavfi -i color=red:s=16x8 -frames:v 1 '" +
                           cover + "'")
                              .c_str()),
              0);
    std::istringstream names(test::Capture("/usr/bin/python3 '" + script + "' make '" + dir.str() +
                                           "' '" + test::MP3Fixtures::Get().Path("cbr") + "' '" +
                                           cover + "'"));
    std::vector<std::string> files;
    std::string list; // the files, quoted for the shell
    for (std::string name; std::getline(names, name);) {
        files.push_back(dir.file(name + ".mp3"));
        list += " '" + files.back() + "'";
    }
    ASSERT_EQ(files.size(), 9u);
    const auto frames = [&] {
        const std::string out = test::Capture("/usr/bin/python3 '" + script + "' dump" + list);
        return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
    };
    const auto complaints = [&] {
        return test::Capture("for f in" + list + "; do ffprobe -v error \"$f\"; done 2>&1; eyeD3 " +
                             "--no-color" + list + " 2>&1 | grep -iE 'warn|error|invalid'");
    };
    const nlohmann::json before = frames();
    std::vector<std::string> audio;
    for (const std::string& file : files) {
        audio.push_back(test::AudioBytes(file));
        TID3v2 tag;
        ASSERT_TRUE(tag.LoadTag(file));
        tag.SetTitle("Neuer Titel ☃");
        ASSERT_TRUE(tag.StoreTag(file));
    }
    nlohmann::json after = frames();
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        nlohmann::json was = before[files[i]];
        nlohmann::json now = after[files[i]];
        EXPECT_EQ(now["TIT2"]["text"], "['Neuer Titel ☃']");
        was.erase("TIT2");
        now.erase("TIT2");
        EXPECT_EQ(now, was);
        EXPECT_EQ(test::AudioBytes(files[i]), audio[i]);
    }
    EXPECT_EQ(complaints(), "");

    for (const std::string& file : files) {
        TID3v2 tag;
        ASSERT_TRUE(tag.LoadTag(file));
        tag.SetComment("Kommentar ☃");
        tag.SetTrack(5);
        ASSERT_TRUE(tag.StoreTag(file));
    }
    after = frames();
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const nlohmann::json& was = before[file];
        const nlohmann::json& now = after[file];
        const bool ofTwelve =
            was.value("TRCK", nlohmann::json()).dump().find("/12") != std::string::npos;
        EXPECT_EQ(now["TRCK"]["text"], ofTwelve ? "['5/12']" : "['5']");
        EXPECT_EQ(now.value("COMM::eng", nlohmann::json())["text"], "['Kommentar ☃']");
        for (const char* kept : {"COMM:iTunNORM:eng", "COMM:iTunSMPB:eng", "APIC:Cover"})
            EXPECT_EQ(now.value(kept, nlohmann::json()), was.value(kept, nlohmann::json()));

        const std::string saved = readAll(file);
        TID3v2 tag;
        ASSERT_TRUE(tag.LoadTag(file));
        ASSERT_TRUE(tag.StoreTag(file));
        EXPECT_EQ(readAll(file), saved);
    }
    EXPECT_EQ(complaints(), "");
}

} // namespace
} // namespace orvanta
