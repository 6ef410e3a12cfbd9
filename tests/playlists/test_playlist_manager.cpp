#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "playlists/uTPlayListManager.h"
#include "support/TempDir.h"

using namespace orvanta;
using orvanta::test::readAll;
using orvanta::test::TempDir;

namespace {
std::vector<std::string> namesOf(const TPlayListManager& manager) {
    std::vector<std::string> names;
    for (int i = 0; i < manager.Count(); ++i)
        names.push_back(manager.GetPlayList(i)->Name);
    return names;
}
bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}
} // namespace

TEST(PlayListManager, MissingOrEmptyFolderGivesTheDefaultPlayListWithoutAFile) {
    TempDir dir;
    {
        TPlayListManager manager;
        manager.Open(dir.file("absent"));
        EXPECT_EQ(manager.Count(), 0);
        EXPECT_TRUE(manager.AddPlayList(DefaultPlayListName));
        EXPECT_EQ(manager.Count(), 1);
    } // the folder is missing: nothing is written, nothing is created
    EXPECT_FALSE(exists(dir.file("absent")));

    TPlayListManager manager;
    manager.Open(dir.str());
    ASSERT_TRUE(manager.AddPlayList(DefaultPlayListName));
    EXPECT_FALSE(exists(dir.file("My Playlist.ply")));
    manager.SaveAll(dir.str());
    EXPECT_EQ(readAll(dir.file("My Playlist.ply")), "0");
}

TEST(PlayListManager, LoadsEveryPlyFileInNameOrderAndSkipsCaseTwins) {
    TempDir dir;
    dir.write("rock.ply", "1\r\n/m/a.mp3*10");
    dir.write("Rock.ply", "0\r\n/m/b.mp3*20");
    dir.write("Jazz.ply", "2");
    dir.write("notes.txt", "x");
    dir.write(".ply", "0");
    dir.write("Été.ply", "0");
    dir.write("ÉTÉ.ply", "1");
    TPlayListManager manager;
    manager.Open(dir.str());
    EXPECT_EQ(namesOf(manager), (std::vector<std::string>{"Jazz", "Rock", "ÉTÉ"}));
    EXPECT_EQ(manager.FindByName("ROCK")->GetTrack(0), "/m/b.mp3*20");
    EXPECT_EQ(manager.FindByName("été")->PlayMode, pmLoop);
    EXPECT_EQ(manager.FindByName("Blues"), nullptr);
    EXPECT_EQ(manager.GetPlayList(3), nullptr);
    EXPECT_EQ(manager.GetPlayList(-1), nullptr);
    EXPECT_EQ(manager.PlayLists().Strings(1), "Rock");
}

TEST(PlayListManager, NamesAreUniqueAndValid) {
    TempDir dir;
    TPlayListManager manager;
    manager.Open(dir.str());
    EXPECT_TRUE(manager.AddPlayList("Chansons d'été"));
    EXPECT_FALSE(manager.AddPlayList("CHANSONS D'ÉTÉ"));
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "tab\there", "del\x7f"})
        EXPECT_FALSE(manager.AddPlayList(bad)) << bad;
    EXPECT_FALSE(manager.AddPlayList(std::string(201, 'x')));
    EXPECT_TRUE(manager.AddPlayList(std::string(200, 'x')));
    EXPECT_TRUE(manager.AddPlayList(" quoted \"name\" ?*"));
    EXPECT_EQ(manager.Count(), 3);
    EXPECT_TRUE(manager.SaveAll(dir.str()));
    EXPECT_TRUE(exists(dir.file(" quoted \"name\" ?*.ply")));
}

TEST(PlayListManager, RenameDeletesOldFileAndNewOneAppearsAtShutdown) {
    TempDir dir;
    dir.write("A.ply", "1\r\nx*1");
    {
        TPlayListManager manager;
        manager.Open(dir.str());
        EXPECT_FALSE(manager.RenamePlayList("A", "a")); // own name in other case is taken
        EXPECT_FALSE(manager.RenamePlayList("missing", "C"));
        EXPECT_FALSE(manager.RenamePlayList("A", "bad/name"));
        EXPECT_TRUE(exists(dir.file("A.ply")));
        EXPECT_TRUE(manager.RenamePlayList("a", "B"));
        EXPECT_FALSE(exists(dir.file("A.ply")));
        EXPECT_EQ(manager.PlayLists().Strings(0), "B");
        EXPECT_EQ(manager.FindByName("b")->Name, "B");
    }
    EXPECT_FALSE(exists(dir.file("A.ply")));
    EXPECT_EQ(readAll(dir.file("B.ply")), "1\r\nx*1");
}

TEST(PlayListManager, DeleteRemovesTheFileAtOnce) {
    TempDir dir;
    dir.write("A.ply", "0\r\nx*1");
    dir.write("B.ply", "0");
    TPlayListManager manager;
    manager.Open(dir.str());
    EXPECT_TRUE(manager.DeletePlayList("A"));
    EXPECT_FALSE(exists(dir.file("A.ply")));
    EXPECT_FALSE(manager.DeletePlayList("A"));
    // Named in other letter case, the playlist's own file still goes.
    EXPECT_TRUE(manager.DeletePlayList("b"));
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_FALSE(exists(dir.file("B.ply")));
}

TEST(PlayListManager, TrackEntriesAcrossPlayLists) {
    TempDir dir;
    TPlayListManager manager;
    manager.Open(dir.str());
    manager.AddPlayList("One");
    manager.AddPlayList("Two");
    manager.FindByName("One")->InsertTrack("/Music/Song.mp3*200");
    manager.FindByName("One")->InsertTrack("/Music/Song.mp3*200"); // added twice: two entries
    manager.FindByName("Two")->InsertTrack("/music/song.MP3*200");
    manager.FindByName("Two")->InsertTrack("/Music/Écho.mp3*5");
    EXPECT_EQ(manager.FindByName("One")->Count(), 2);
    EXPECT_TRUE(manager.ContainsTrack("/MUSIC/SONG.MP3*200"));
    EXPECT_TRUE(manager.ContainsTrack("/music/écho.mp3*5"));
    EXPECT_FALSE(manager.ContainsTrack("/music/song.mp3*201"));
    manager.RemoveTrackEverywhere("/music/éCHO.mp3*5"); // differs after lowering A-Z
    EXPECT_EQ(manager.FindByName("Two")->Count(), 2);
    manager.RemoveTrackEverywhere("/MUSIC/song.mp3*200");
    EXPECT_EQ(manager.FindByName("One")->Count(), 0);
    EXPECT_EQ(manager.FindByName("Two")->Tracks(), (std::vector<std::string>{"/Music/Écho.mp3*5"}));
}

TEST(PlayListManager, UnreadableFileIsNotWrittenBack) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const std::string locked = dir.write("Locked.ply", "1\r\nkeep*1");
    ::chmod(locked.c_str(), 0200);
    {
        TPlayListManager manager;
        manager.Open(dir.str());
        ASSERT_TRUE(manager.Exists("Locked"));
        EXPECT_TRUE(manager.IsUnread(manager.FindByName("Locked")));
    }
    ::chmod(locked.c_str(), 0600);
    EXPECT_EQ(readAll(locked), "1\r\nkeep*1");
}

TEST(PlayListManager, UnreadPlayListRenamedKeepsTheOldFile) {
    TempDir dir;
    const std::string unreadable = dir.file("Odd.ply");
    std::filesystem::create_directory(unreadable); // a folder by that name cannot be read
    {
        TPlayListManager manager;
        manager.Open(dir.str());
        ASSERT_TRUE(manager.IsUnread(manager.FindByName("Odd")));
        manager.FindByName("Odd")->InsertTrack("n*1");
        EXPECT_TRUE(manager.RenamePlayList("Odd", "New"));
        EXPECT_FALSE(manager.IsUnread(manager.FindByName("New")));
    }
    EXPECT_TRUE(std::filesystem::is_directory(unreadable));
    EXPECT_EQ(readAll(dir.file("New.ply")), "0\r\nn*1");
}

TEST(PlayListManager, SaveAllWritesOthersWhenOneFails) {
    TempDir dir;
    TPlayListManager manager;
    manager.Open(dir.str());
    manager.AddPlayList("Good");
    manager.AddPlayList("Blocked");
    std::filesystem::create_directories(dir.file("Blocked.ply") + "/inside");
    EXPECT_FALSE(manager.SaveAll(dir.str()));
    EXPECT_EQ(readAll(dir.file("Good.ply")), "0");
}
