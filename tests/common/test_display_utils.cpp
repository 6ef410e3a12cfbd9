#include <gtest/gtest.h>

#include "core/common/uDisplayUtils.h"

using namespace orvanta;

TEST(FormatFileSize, ThresholdsAndUnits) {
    EXPECT_EQ(FormatFileSize(0), "0 bytes");
    EXPECT_EQ(FormatFileSize(1), "1 bytes");
    EXPECT_EQ(FormatFileSize(1023), "1023 bytes");
    EXPECT_EQ(FormatFileSize(1024), "1.00 KB");
    EXPECT_EQ(FormatFileSize(1023999), "1000.00 KB");
    EXPECT_EQ(FormatFileSize(1024000), "1.00 MB");
    EXPECT_EQ(FormatFileSize(1048576), "1.02 MB");
    EXPECT_EQ(FormatFileSize(2147483647), "2097.15 MB");
}

TEST(FormatDuration, PadsAndDoesNotCapHours) {
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(59), "00:00:59");
    EXPECT_EQ(FormatDuration(3661), "01:01:01");
    EXPECT_EQ(FormatDuration(360000), "100:00:00");
}

TEST(FileTitle, DropsFolderAndLastExtension) {
    EXPECT_EQ(FileTitle("/music/b.c.mp3"), "b.c");
    EXPECT_EQ(FileTitle("/music/noext"), "noext");
    EXPECT_EQ(FileTitle("/music/.mp3"), "");
    EXPECT_EQ(FileTitle("/music.d/track"), "track");
    EXPECT_EQ(FileTitle("song.mp3"), "song");
}

TEST(FileTypeOf, KnownExtensionInAnyCase) {
    TCustomStringList types;
    types.NameValueSeparator = ':';
    RegisterFileTypes(types);
    ASSERT_EQ(types.Count(), 12);
    EXPECT_EQ(types.Strings(0), "mp3:Audio");
    EXPECT_EQ(FileTypeOf("/a/B.MP3", types), "Audio");
    EXPECT_EQ(FileTypeOf("/a/b.Mp3", types), "Audio");
    EXPECT_EQ(FileTypeOf("/a/b.FLAC", types), "Audio");
    EXPECT_EQ(FileTypeOf("/a/b.wma", types), "");
    EXPECT_TRUE(IsOtherAudioFile("/a/b.WMA"));
    EXPECT_FALSE(IsOtherAudioFile("/a/b.flac"));
    EXPECT_FALSE(IsOtherAudioFile("/a.mid/b"));
    EXPECT_EQ(FileTypeOf("/a.mp3/b", types), "");
    EXPECT_EQ(FileTypeOf("/a/b.", types), "");
}

TEST(MediaFileFilter, UpperCasePatternThenAllFiles) {
    EXPECT_EQ(MediaFileFilter(), "Audio Files|*.MP3;*.FLAC;*.OGG;*.OGA;*.OPUS;*.M4A;*.M4B;*.WV;"
                                 "*.WAV;*.AIFF;*.AIF;*.AIFC|All Files|*.*");
}

TEST(Paths, SplitAndJoinKeepTheRoot) {
    EXPECT_EQ(ExtractFileDir("/music/a.mp3"), "/music");
    EXPECT_EQ(ExtractFileDir("/a.mp3"), "/");
    EXPECT_EQ(ExtractFileName("/music/a.mp3"), "a.mp3");
    EXPECT_EQ(JoinPath("/", "a.mp3"), "/a.mp3");
    EXPECT_EQ(JoinPath("/music", "a.mp3"), "/music/a.mp3");
}
