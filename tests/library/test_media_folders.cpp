#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaFolders.h"
#include "support/Mp3Files.h"

using namespace orvanta;
using orvanta::test::TempDir;
namespace fs = std::filesystem;

// Nesting, links, loops, hidden and unreadable folders, and files of other types.
TEST(CollectMediaFiles, WalksFoldersOnceInPathOrder) {
    TempDir dir;
    TCustomStringList types;
    types.NameValueSeparator = ':';
    RegisterFileTypes(types);
    for (const char* folder : {"music/B/CD 1", "music/A", "music/.hidden", "music/locked"})
        fs::create_directories(dir.file(folder));
    for (const char* file :
         {"music/B/02 b.mp3", "music/B/01 a.MP3", "music/B/CD 1/x.mp3", "music/A/broken.mp3",
          "music/A/cover.jpg", "music/.hidden/h.mp3", "music/locked/l.mp3", "single.txt"})
        dir.write(file, "x");
    fs::create_directory_symlink(dir.file("music/B"), dir.file("music/link")); // B twice
    fs::create_directory_symlink(dir.file("music"), dir.file("music/B/loop")); // a loop
    fs::create_directory_symlink(dir.file("outside"), dir.file("music/dangling"));
    fs::permissions(dir.file("music/locked"), fs::perms::none);
    const bool lockWorks = ::geteuid() != 0; // root reads every folder

    const TCollectedFiles got =
        CollectMediaFiles({dir.file("single.txt"), dir.file("music")}, types);
    std::vector<std::string> expected = {dir.file("single.txt"), dir.file("music/A/broken.mp3"),
                                         dir.file("music/B/01 a.MP3"), dir.file("music/B/02 b.mp3"),
                                         dir.file("music/B/CD 1/x.mp3")};
    if (!lockWorks)
        expected.push_back(dir.file("music/locked/l.mp3"));
    EXPECT_EQ(got.Files, expected);
    ASSERT_EQ(got.Problems.size(), lockWorks ? 1u : 0u);
    if (lockWorks) {
        EXPECT_EQ(got.Problems[0].Path, dir.file("music/locked"));
    }
}
