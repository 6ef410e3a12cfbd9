#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/uTFileUtils.h"
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

TEST(StringToFile, ReplacesContentAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string target = dir.write("list.ply", "old content that is longer");
    ASSERT_TRUE(TFileUtils::StringToFile(target, "new"));
    EXPECT_EQ(orvanta::test::readAll(target), "new");
    EXPECT_EQ(filesIn(dir), 1);
}

TEST(StringToFile, EmptyTextCreatesEmptyFile) {
    TempDir dir;
    ASSERT_TRUE(TFileUtils::StringToFile(dir.file("empty"), ""));
    EXPECT_TRUE(std::filesystem::exists(dir.file("empty")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty")), 0u);
}

TEST(StringToFile, KeepsPermissionsOfReplacedFile) {
    TempDir dir;
    const std::string target = dir.write("f", "x");
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(TFileUtils::StringToFile(target, "y"));
    struct stat info {};
    ::stat(target.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
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
