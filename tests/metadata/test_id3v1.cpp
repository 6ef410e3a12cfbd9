#include "core/metadata/ID3v1.h"
#include "metadata/Mutagen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orvanta {
namespace {

using test::readAll;
using test::TempDir;

// A 128-byte block beginning with "TAG", fields put at their offsets.
std::string Block(std::string_view Title, std::string_view Comment30, std::uint8_t Genre) {
    std::string b(128, '\0');
    b.replace(0, 3, "TAG");
    b.replace(3, Title.size(), Title);
    b.replace(97, Comment30.size(), Comment30);
    b[127] = static_cast<char>(Genre);
    return b;
}

TEST(ID3v1, FileWithoutTagIsEmptyButReadable) {
    TempDir dir;
    TID3v1 tag;
    tag.SetTitle("stale");
    ASSERT_TRUE(tag.LoadTag(dir.write("a.mp3", std::string(300, 'x'))));
    EXPECT_FALSE(tag.Present());
    EXPECT_EQ(tag.Version(), 1);
    EXPECT_EQ(tag.GenreIndex(), 255);
    EXPECT_EQ(tag.Track(), 0);
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.GenreName(), "");
    // Shorter than a tag: the read fails.
    EXPECT_FALSE(tag.LoadTag(dir.write("b.mp3", std::string(127, 'x'))));
    EXPECT_FALSE(tag.LoadTag(dir.file("missing.mp3")));
}

TEST(ID3v1, LayoutDetectionAndTrimming) {
    TempDir dir;
    TID3v1 tag;
    // Layout 1.0: 30 comment characters, trailing spaces and zeros trimmed.
    ASSERT_TRUE(
        tag.LoadTag(dir.write("a", Block("Title  ", "012345678901234567890123456789", 17))));
    EXPECT_TRUE(tag.Present());
    EXPECT_EQ(tag.Version(), 1);
    EXPECT_EQ(tag.Title(), "Title");
    EXPECT_EQ(tag.Comment(), "012345678901234567890123456789");
    EXPECT_EQ(tag.GenreName(), "Rock");
    // Zero before a track byte: layout 1.1.
    std::string v11 = Block("T", "comment", 0);
    v11[126] = 7;
    ASSERT_TRUE(tag.LoadTag(dir.write("b", v11)));
    EXPECT_EQ(tag.Version(), 2);
    EXPECT_EQ(tag.Track(), 7);
    EXPECT_EQ(tag.Comment(), "comment");
    EXPECT_EQ(tag.GenreName(), "Blues");
    // A 1.0 comment ending in " x" reads as 1.1: 28 characters and track 'x'.
    ASSERT_TRUE(tag.LoadTag(dir.write("c", Block("", "abcdefghijklmnopqrstuvwxyz01 x", 1))));
    EXPECT_EQ(tag.Version(), 2);
    EXPECT_EQ(tag.Comment(), "abcdefghijklmnopqrstuvwxyz01");
    EXPECT_EQ(tag.Track(), 'x');
    // A zero byte inside a field stays; only trailing ones go.
    ASSERT_TRUE(tag.LoadTag(dir.write("d", Block(std::string("ab\0c", 4), "", 2))));
    EXPECT_EQ(tag.Title(), std::string("ab\0c", 4));
    // "tag" in lower case is no tag.
    std::string lower = Block("x", "", 2);
    lower.replace(0, 3, "tag");
    ASSERT_TRUE(tag.LoadTag(dir.write("e", lower)));
    EXPECT_FALSE(tag.Present());
}

TEST(ID3v1, GenreBytesWithoutName) {
    TempDir dir;
    TID3v1 tag;
    for (const int genre : {147, 148, 200, 255}) {
        ASSERT_TRUE(tag.LoadTag(dir.write("g", Block("x", "", std::uint8_t(genre)))));
        EXPECT_EQ(tag.GenreIndex(), genre);
        EXPECT_EQ(tag.GenreName(), genre == 147 ? "Synthpop" : "");
    }
    EXPECT_EQ(GenreNames.size(), 148u);
    EXPECT_EQ(GenreNames[79], "Hard Rock");
    EXPECT_EQ(GenreNames[136], "Christian Gangsta Rap");
}

TEST(ID3v1, Latin1ReadsAsUtf8AndUnknownCharactersBecomeQuestionMarks) {
    TempDir dir;
    TID3v1 tag;
    ASSERT_TRUE(tag.LoadTag(dir.write("a", Block("Caf\xE9 \xFC", "", 2))));
    EXPECT_EQ(tag.Title(), "Café ü");
    tag.SetTitle("Ωmega Café ☃");
    tag.SetArtist(std::string(29, 'a') + "éé"); // 31 characters, 33 bytes
    EXPECT_EQ(tag.Artist(), std::string(29, 'a') + "é");
    const TID3v1::Block bytes = tag.BuildBlock();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 3, 13),
              std::string("?mega Caf\xE9 ?\0", 13));
    EXPECT_EQ(bytes[33 + 29], 0xE9);
}

TEST(ID3v1, ASaveRewritesOnlyTheChangedFields) {
    TempDir dir;
    // Title with trailing spaces and an inner zero, comment of 30 characters, genre 200.
    const std::string old = Block(std::string("Ab\0c  ", 6), std::string(30, 'c'), 200);
    const std::string file = dir.write("a.mp3", std::string(500, '\x55') + old);
    TID3v1 tag;
    ASSERT_TRUE(tag.LoadTag(file));
    ASSERT_TRUE(tag.StoreTag(file));
    EXPECT_EQ(readAll(file).substr(500), old) << "no change, no write";
    tag.SetArtist("New");
    ASSERT_TRUE(tag.StoreTag(file));
    std::string expected = old;
    expected.replace(33, 3, "New");
    EXPECT_EQ(readAll(file).substr(500), expected);
    tag.SetTrack(4); // the track takes the comment's last two bytes
    ASSERT_TRUE(tag.StoreTag(file));
    expected.replace(125, 2, std::string("\0\4", 2));
    EXPECT_EQ(readAll(file).substr(500), expected);
    // Each save compares with what the file then holds: a value changed back is written.
    tag.SetArtist("");
    ASSERT_TRUE(tag.StoreTag(file));
    EXPECT_EQ(readAll(file).substr(500), old.substr(0, 125) + std::string("\0\4", 2) + old[127]);
}

// A changed comment is written with exactly the layout it needs: the bytes that ended an old
// 29- or 30-character comment are not left behind to read as a track number.
TEST(ID3v1, ACommentChangeWritesTheLayoutItNeeds) {
    TempDir dir;
    for (const std::size_t oldLength : {29u, 30u}) {
        const std::string file = dir.write("c.mp3", std::string(500, '\x55') +
                                                        Block("T", std::string(oldLength, 'c'), 1));
        TID3v1 tag;
        ASSERT_TRUE(tag.LoadTag(file));
        tag.SetComment("short");
        ASSERT_TRUE(tag.StoreTag(file));
        EXPECT_EQ(readAll(file).substr(500 + 97, 30), "short" + std::string(25, '\0'));
        EXPECT_EQ(tag.Version(), 1);
        EXPECT_EQ(tag.Track(), 0);
    }
}

TEST(ID3v1, WritingReplacesTheLastBlockAndKeepsTheAudio) {
    TempDir dir;
    const std::string audio(1000, '\x55');
    const std::string file = dir.write("a.mp3", audio);
    TID3v1 tag;
    tag.SetTitle(std::string(31, 'T'));
    tag.SetArtist("Artist  ");
    tag.SetComment(std::string(30, 'c'));
    tag.SetGenreIndex(13);
    ASSERT_TRUE(tag.StoreTag(file));
    std::string bytes = readAll(file);
    ASSERT_EQ(bytes.size(), 1128u);
    EXPECT_EQ(bytes.substr(0, 1000), audio);
    EXPECT_EQ(bytes.substr(1003, 30), std::string(30, 'T'));
    EXPECT_EQ(bytes.substr(1033, 8), std::string("Artist\0\0", 8));
    EXPECT_EQ(bytes.substr(1097, 30), std::string(30, 'c')); // track 0: layout 1.0
    EXPECT_EQ(std::uint8_t(bytes[1127]), 13);

    tag.SetTrack(5);
    ASSERT_TRUE(tag.StoreTag(file));
    bytes = readAll(file);
    ASSERT_EQ(bytes.size(), 1128u);
    EXPECT_EQ(bytes.substr(1097, 30), std::string(28, 'c') + std::string("\0\5", 2));
    TID3v1 back;
    ASSERT_TRUE(back.LoadTag(file));
    EXPECT_EQ(back.Version(), 2);
    EXPECT_EQ(back.Track(), 5);
    EXPECT_EQ(back.Artist(), "Artist");
}

TEST(ID3v1, FailedWritesLeaveTheFileAlone) {
    TempDir dir;
    TID3v1 tag;
    tag.SetTitle("x");
    const std::string tiny = dir.write("tiny.mp3", std::string(100, 'a'));
    EXPECT_FALSE(tag.StoreTag(tiny));
    EXPECT_EQ(readAll(tiny), std::string(100, 'a'));
    EXPECT_FALSE(tag.StoreTag(dir.file("missing.mp3")));
    if (::geteuid() != 0) {
        const std::string locked = dir.write("locked.mp3", std::string(500, 'a'));
        ::chmod(locked.c_str(), 0444);
        EXPECT_FALSE(tag.StoreTag(locked));
        EXPECT_EQ(readAll(locked), std::string(500, 'a'));
    }
}

TEST(ID3v1, MutagenReadsWhatWeWrite) {
    TempDir dir;
    const std::string file = test::MP3Fixtures::Get().CopyTo(dir, "cbr");
    TID3v1 tag;
    tag.SetTitle("Título");
    tag.SetArtist("Artist");
    tag.SetAlbum("Album");
    tag.SetYear("1999");
    tag.SetTrack(12);
    tag.SetGenreIndex(17);
    ASSERT_TRUE(tag.StoreTag(file));
    const auto v1 = test::Mutagen(file)["v1"];
    ASSERT_TRUE(v1.is_object());
    EXPECT_EQ(v1["TIT2"], "Título");
    EXPECT_EQ(v1["TPE1"], "Artist");
    EXPECT_EQ(v1["TALB"], "Album");
    EXPECT_EQ(v1["TDRC"], "1999");
    EXPECT_EQ(v1["TRCK"], "12");
    EXPECT_EQ(v1["TCON"], "17"); // mutagen gives the genre byte
}

} // namespace
} // namespace orvanta
