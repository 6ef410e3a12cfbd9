#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/common/uTFileUtils.h"
#include "core/metadata/uTagFile.h"
#include "support/TempDir.h"

using orvanta::TFileUtils;
using orvanta::test::TempDir;

namespace {
int filesIn(const TempDir& dir) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++count;
    return count;
}
} // namespace

TEST(FileToString, ReadsBinaryContentWhole) {
    TempDir dir;
    const std::string bytes("\0\xff\r\n\x80 text", 10);
    EXPECT_EQ(TFileUtils::FileToString(dir.write("b.bin", bytes)), bytes);
}

TEST(FileToString, MissingFileOrFolderGivesEmpty) {
    TempDir dir;
    EXPECT_EQ(TFileUtils::FileToString(dir.file("missing")), "");
    EXPECT_EQ(TFileUtils::FileToString(dir.str()), "");
}

TEST(StringToFile, EmptyTextCreatesEmptyFile) {
    TempDir dir;
    ASSERT_TRUE(TFileUtils::StringToFile(dir.file("empty"), ""));
    EXPECT_TRUE(std::filesystem::exists(dir.file("empty")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty")), 0u);
}

TEST(StringToFile, UnwritableFolderKeepsOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder";
    TempDir dir;
    const std::string target = dir.write("keep", "precious");
    ::chmod(dir.str().c_str(), 0500);
    EXPECT_FALSE(TFileUtils::StringToFile(target, "replacement"));
    ::chmod(dir.str().c_str(), 0700);
    EXPECT_EQ(orvanta::test::readAll(target), "precious");
    EXPECT_EQ(filesIn(dir), 1);
}

TEST(StringToFile, MissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(TFileUtils::StringToFile(dir.file("no/such/folder/f"), "x"));
}

TEST(StringToFile, FailedRenameRemovesTemporaryFile) {
    TempDir dir;
    // A non-empty folder in the target's place: the rename fails whatever our rights are.
    std::filesystem::create_directory(dir.file("target"));
    dir.write("target/inside", "keep");
    EXPECT_FALSE(TFileUtils::StringToFile(dir.file("target"), "x"));
    EXPECT_EQ(filesIn(dir), 1);
    EXPECT_EQ(orvanta::test::readAll(dir.file("target/inside")), "keep");
}

// Each case prepares a folder, replaces one path in it and checks the folder afterwards.
TEST(StringToFile, KeepsWhatTheReplacedFileWas) {
    namespace fs = std::filesystem;
    const auto stat = [](const std::string& path) {
        struct stat info {};
        ::lstat(path.c_str(), &info);
        return info;
    };
    const std::string longName(255, 'n');
    struct Case {
        const char* what;
        std::function<std::string(TempDir&)> prepare; // returns the path written
        bool written;
        std::function<void(TempDir&)> check;
    };
    const std::vector<Case> cases = {
        {"a longer text under a 255-byte name, no temporary file left",
         [&](TempDir& d) { return d.write(longName, "old text that is longer"); }, true,
         [&](TempDir& d) {
             EXPECT_EQ(orvanta::test::readAll(d.file(longName)), "new");
             EXPECT_EQ(filesIn(d), 1);
         }},
        {"a link is written through",
         [](TempDir& d) {
             fs::create_directory(d.file("real"));
             d.write("real/list.ply", "old");
             fs::create_symlink("real/list.ply", d.file("link.ply"));
             return d.file("link.ply");
         },
         true,
         [&](TempDir& d) {
             EXPECT_TRUE(fs::is_symlink(d.file("link.ply")));
             EXPECT_EQ(orvanta::test::readAll(d.file("real/list.ply")), "new");
             EXPECT_EQ(filesIn(d), 2);
         }},
        {"a hard-linked text file is replaced as an editor's save replaces it",
         [](TempDir& d) {
             fs::create_hard_link(d.write("a", "old"), d.file("b"));
             return d.file("a");
         },
         true,
         [&](TempDir& d) {
             EXPECT_EQ(orvanta::test::readAll(d.file("a")), "new");
             EXPECT_EQ(orvanta::test::readAll(d.file("b")), "old");
             // An audio file's rewrite would split it from its other names: refused.
             fs::create_hard_link(d.write("song.mp3", "old"), d.file("song copy.mp3"));
             EXPECT_FALSE(orvanta::tagfile::RewriteWithPrefix(d.file("song.mp3"), "new", 0));
             EXPECT_EQ(stat(d.file("song.mp3")).st_ino, stat(d.file("song copy.mp3")).st_ino);
             EXPECT_EQ(orvanta::test::readAll(d.file("song.mp3")), "old");
         }},
        {"owner, group and mode stay",
         [](TempDir& d) {
             const std::string f = d.write("f", "old");
             ::chmod(f.c_str(), 0604);
             if (::geteuid() == 0) {
                 EXPECT_EQ(::chown(f.c_str(), 4321, 4321), 0);
             }
             return f;
         },
         true,
         [&](TempDir& d) {
             const auto info = stat(d.file("f"));
             EXPECT_EQ(info.st_mode & 07777, 0604u);
             if (::geteuid() == 0) {
                 EXPECT_EQ(info.st_uid + info.st_gid, 8642u);
             }
         }},
        {"stale temporary files of ours go, others stay",
         [](TempDir& d) {
             const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
             fs::last_write_time(d.write(".orvanta-abcdef", "x"), old);
             fs::last_write_time(d.write(".orvanta-keep.txt", "x"), old);
             d.write(".orvanta-fresh1", "x");
             return d.write("f", "old");
         },
         true,
         [&](TempDir& d) {
             EXPECT_FALSE(fs::exists(d.file(".orvanta-abcdef")));
             EXPECT_TRUE(fs::exists(d.file(".orvanta-keep.txt")));
             EXPECT_TRUE(fs::exists(d.file(".orvanta-fresh1")));
             EXPECT_EQ(filesIn(d), 3);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = c.prepare(dir);
        EXPECT_EQ(TFileUtils::StringToFile(path, "new"), c.written);
        c.check(dir);
    }
}

// Only a regular file passes: a FIFO would block its reader for ever, and a path with a NUL
// would be read only up to the NUL.
TEST(IsRegularFile, OnlyRegularFilesPass) {
    TempDir dir;
    const std::string file = dir.file("t5.mp3");
    ASSERT_TRUE(TFileUtils::StringToFile(file, "x"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const struct {
        std::string Path;
        bool Regular;
    } cases[] = {
        {file, true},
        {dir.str(), false},
        {dir.file("fifo"), false},
        {"/dev/null", false},
        {dir.file("missing.mp3"), false},
        {file + std::string(1, '\0') + ".txt", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFileUtils::IsRegularFile(c.Path), c.Regular) << c.Path;
}

// A "file:" URI names an absolute local path, percent-decoded to bytes; nothing else does.
TEST(LocalPathOfFileUri, AbsoluteLocalPathsOnly) {
    const struct {
        const char* Uri;
        std::string Path;
    } cases[] = {
        {"file:///music/a%20b.mp3", "/music/a b.mp3"},
        {"FILE://localhost/music/a.mp3", "/music/a.mp3"},
        {"file:/music/a.mp3", "/music/a.mp3"},
        {"file:///music/caf%C3%A9%FF.mp3", "/music/caf\xC3\xA9\xFF.mp3"},
        {"file:///music/t5.mp3%00.txt", ""},
        {"file:t5.mp3", ""},
        {"file://t5.mp3", ""},
        {"file://otherhost/music/a.mp3", ""},
        {"file:///music/a%2", ""},
        {"file:///music/a%zz.mp3", ""},
        {"file:///music/a.mp3?x=1", ""},
        {"http://example.org/a.mp3", ""},
        {"/music/a.mp3", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFileUtils::LocalPathOfFileUri(c.Uri), c.Path) << c.Uri;
}
