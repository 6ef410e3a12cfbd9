#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/playlists/uTPlayListManager.h"
#include "support/CliRun.h"
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
    EXPECT_TRUE(manager.SaveAll(dir.str()));
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
    // A file name holds 255 bytes, ".ply" included.
    const std::string longest(251, 'x');
    EXPECT_FALSE(manager.AddPlayList(longest + "x"));
    EXPECT_TRUE(manager.AddPlayList(longest));
    EXPECT_TRUE(manager.AddPlayList(" quoted \"name\" ?*"));
    EXPECT_EQ(manager.Count(), 3);
    EXPECT_TRUE(manager.SaveAll(dir.str()));
    EXPECT_TRUE(exists(dir.file(" quoted \"name\" ?*.ply")));
    TPlayListManager reader;
    reader.Open(dir.str());
    EXPECT_TRUE(reader.Exists(longest));
}

TEST(PlayListManager, RenameDeletesOldFileAndNewOneAppearsAtShutdown) {
    TempDir dir;
    dir.write("A.ply", "1\r\nx*1");
    {
        TPlayListManager manager;
        manager.Open(dir.str());
        // Own name in other case is taken.
        EXPECT_EQ(manager.RenamePlayList("A", "a").Error, PlayListNameTakenMessage);
        EXPECT_EQ(manager.RenamePlayList("missing", "C").Error, "No playlist named missing");
        EXPECT_EQ(manager.RenamePlayList("A", "bad/name").Error, InvalidPlayListNameMessage);
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
    // Paths are bytes: another letter case is another file.
    EXPECT_TRUE(manager.ContainsTrack("/music/song.MP3*200"));
    EXPECT_FALSE(manager.ContainsTrack("/MUSIC/SONG.MP3*200"));
    EXPECT_FALSE(manager.ContainsTrack("/Music/Song.mp3*201"));
    manager.RemoveTracksEverywhere({"/Music/Song.mp3*200"});
    EXPECT_EQ(manager.FindByName("One")->Count(), 0);
    EXPECT_EQ(manager.FindByName("Two")->Count(), 2);
    manager.RemoveTracksEverywhere({"/music/song.MP3*200", "/music/écho.mp3*5"});
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

TEST(PlayListManager, UnreadPlayListIsNotRenamed) {
    TempDir dir;
    const std::string unreadable = dir.file("Odd.ply");
    std::filesystem::create_directory(unreadable); // a folder by that name cannot be read
    {
        TPlayListManager manager;
        manager.Open(dir.str());
        ASSERT_TRUE(manager.IsUnread("odd"));
        EXPECT_EQ(manager.RenamePlayList("Odd", "New").Error, UnreadPlayListMessage("Odd"));
        EXPECT_TRUE(manager.Exists("Odd"));
        EXPECT_FALSE(manager.Exists("New"));
    }
    EXPECT_TRUE(std::filesystem::is_directory(unreadable));
    EXPECT_FALSE(exists(dir.file("New.ply")));
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

TEST(PlayListManager, OddFilesLoseNoEntryAndUntouchedFilesKeepEveryByte) {
    struct Case {
        const char* File;
        std::string Bytes;
        std::int32_t Mode;
        std::vector<std::string> Entries;
        bool Unread;
    };
    const std::string utf16 =
        std::string("\xFF\xFE", 2) + std::string("2\0\r\0\n\0/\0\xE9\0*\0004\0", 14);
    const std::vector<Case> cases = {
        {"cr.ply", "1\r/m/a*1\r/m/b*2\r/m/c*3", 1, {"/m/a*1", "/m/b*2", "/m/c*3"}, false},
        {"nomode.ply", "/m/a.mp3\n/m/b.mp3", 0, {"/m/a.mp3", "/m/b.mp3"}, false},
        {"utf16.ply", utf16, 2, {"/\xC3\xA9*4"}, false},
        {"binary.ply", std::string("PK\3\4\0\0\xFF", 7), 0, {}, true},
        {"lf.ply", "0\n/m/a*1\n/m/b*2", 0, {"/m/a*1", "/m/b*2"}, false},
        {"bytes.ply", "0\r\n/m/\xFF\xFE.mp3*5", 0, {"/m/\xFF\xFE.mp3*5"}, false},
    };
    TempDir home;
    std::filesystem::create_directories(home.file("Playlists"));
    const auto path = [&](const Case& c) { return home.file(std::string("Playlists/") + c.File); };
    const auto unchanged = [&](const std::string& except) {
        for (const Case& c : cases) {
            if (c.File != except) {
                EXPECT_EQ(readAll(path(c)), c.Bytes) << c.File;
            }
        }
    };
    for (const Case& c : cases)
        home.write(std::string("Playlists/") + c.File, c.Bytes);
    {
        TPlayListManager manager;
        manager.Open(home.file("Playlists"));
        for (const Case& c : cases) {
            const std::string name = std::string(c.File).substr(0, std::strlen(c.File) - 4);
            const TPlayList* list = manager.FindByName(name);
            ASSERT_NE(list, nullptr) << name;
            EXPECT_EQ(manager.IsUnread(list), c.Unread) << name;
            EXPECT_EQ(list->PlayMode, c.Mode) << name;
            EXPECT_EQ(list->Tracks(), c.Entries) << name;
        }
        EXPECT_TRUE(manager.SaveChanged().Failed.empty());
    }
    unchanged("");
    EXPECT_EQ(test::RunCli(home.str(), "library refresh").Exit, 0);
    unchanged("");
    EXPECT_FALSE(exists(home.file("Playlists/My Playlist.ply")));

    // An edit rewrites its own file only, every entry kept; a binary file is never written.
    TPlayListManager manager;
    manager.Open(home.file("Playlists"));
    manager.FindByName("cr")->InsertTrack("/m/d*4");
    manager.FindByName("binary")->InsertTrack("/m/x*1");
    EXPECT_TRUE(manager.SaveChanged().Failed.empty());
    EXPECT_EQ(readAll(path(cases[0])), "1\r\n/m/a*1\r\n/m/b*2\r\n/m/c*3\r\n/m/d*4");
    unchanged("cr.ply");
}

TEST(PlayListManager, OutsideChangesComeInAndBothSidesOfAConflictAreKept) {
    TempDir dir;
    TempDir elsewhere;
    for (const char* name : {"A", "B", "C"})
        dir.write(std::string(name) + ".ply", std::string("0\r\n") + name + "*1");
    const std::string target = elsewhere.write("target.ply", "0\r\nt*1");
    std::filesystem::create_symlink(target, dir.file("Link.ply"));
    TPlayListManager manager;
    manager.Open(dir.str());
    EXPECT_FALSE(manager.SaveChanged().ChangedOutside);

    dir.write("A.ply", "1\r\nA*1\r\nx*2");      // changed elsewhere only: taken in
    std::filesystem::remove(dir.file("B.ply")); // removed elsewhere: gone for good
    dir.write("D.ply", "2");                    // added elsewhere
    manager.FindByName("C")->InsertTrack("mine*1");
    dir.write("C.ply", "0\r\ntheirs*1"); // changed on both sides
    manager.FindByName("Link")->InsertTrack("l*2");
    const TPlayListSync sync = manager.SaveChanged();
    EXPECT_TRUE(sync.ChangedOutside);
    EXPECT_TRUE(sync.Failed.empty());
    EXPECT_EQ(sync.Conflicts, (std::vector<std::pair<std::string, std::string>>{{"C", "C (2)"}}));
    EXPECT_EQ(namesOf(manager), (std::vector<std::string>{"A", "C", "Link", "C (2)", "D"}));
    EXPECT_EQ(manager.FindByName("A")->Tracks(), (std::vector<std::string>{"A*1", "x*2"}));
    EXPECT_EQ(readAll(dir.file("C.ply")), "0\r\ntheirs*1");
    EXPECT_EQ(readAll(dir.file("C (2).ply")), "0\r\nC*1\r\nmine*1");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Link.ply")));
    EXPECT_EQ(readAll(target), "0\r\nt*1\r\nl*2");
    EXPECT_EQ(readAll(dir.file("A.ply")), "1\r\nA*1\r\nx*2"); // not rewritten

    // A rename writes the new file at once and only then removes the old one.
    ASSERT_TRUE(manager.RenamePlayList("A", "R"));
    EXPECT_EQ(readAll(dir.file("R.ply")), "1\r\nA*1\r\nx*2");
    EXPECT_FALSE(exists(dir.file("A.ply")));
    EXPECT_FALSE(exists(dir.file("B.ply")));
}

// A playlist file with a second hard link (a backup) is replaced as an editor's save replaces
// it; one that cannot be written is named, with the reason.
TEST(PlayListManager, SaveReplacesHardLinkedFilesAndNamesTheFileItCannotWrite) {
    TempDir dir;
    TempDir backup;
    std::filesystem::create_hard_link(dir.write("Linked.ply", "0\r\nold*1"),
                                      backup.file("Linked.ply"));
    TPlayListManager manager;
    manager.Open(dir.str());
    manager.FindByName("Linked")->InsertTrack("new*2");
    manager.AddPlayList("Blocked");
    std::filesystem::create_symlink("no/such/folder/x.ply", dir.file("Blocked.ply"));
    const TPlayListSync sync = manager.SaveChanged();
    EXPECT_EQ(readAll(dir.file("Linked.ply")), "0\r\nold*1\r\nnew*2");
    EXPECT_EQ(readAll(backup.file("Linked.ply")), "0\r\nold*1");
    ASSERT_EQ(sync.Failed, std::vector<std::string>{"Blocked"});
    ASSERT_EQ(sync.Errors.size(), 1u);
    EXPECT_NE(sync.Errors[0].find(dir.file("Blocked.ply")), std::string::npos) << sync.Errors[0];
}

// While the rename dialog was open, another process saved: the rename takes that in first,
// under the folder's lock, and never brings back what the other process removed.
TEST(PlayListManager, RenameTakesInWhatAnotherProcessSaved) {
    using Files = std::map<std::string, std::string>;
    struct Case {
        const char* What;
        bool EditedHere;
        std::function<void(TPlayListManager&)> Elsewhere;
        std::string Error; // "" when the rename is done
        Files After;       // every ".ply" file of the folder afterwards
    };
    const std::vector<Case> cases = {
        {"changed elsewhere",
         false,
         [](TPlayListManager& other) { other.FindByName("L")->InsertTrack("theirs*2"); },
         "",
         {{"M.ply", "0\r\nold*1\r\ntheirs*2"}}},
        {"changed on both sides",
         true,
         [](TPlayListManager& other) { other.FindByName("L")->InsertTrack("theirs*2"); },
         "",
         {{"M.ply", "0\r\nold*1\r\ntheirs*2"}, {"L (2).ply", "0\r\nold*1\r\nmine*3"}}},
        {"removed elsewhere",
         false,
         [](TPlayListManager& other) { other.DeletePlayList("L"); },
         "The playlist \"L\" was renamed or removed by another program.",
         {}},
        {"renamed elsewhere",
         false,
         [](TPlayListManager& other) { ASSERT_TRUE(other.RenamePlayList("L", "K")); },
         "The playlist \"L\" was renamed or removed by another program.",
         {{"K.ply", "0\r\nold*1"}}},
        {"new name taken elsewhere",
         false,
         [](TPlayListManager& other) { other.AddPlayList("m"); },
         PlayListNameTakenMessage,
         {{"L.ply", "0\r\nold*1"}, {"m.ply", "0"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TempDir dir;
        dir.write("L.ply", "0\r\nold*1");
        TPlayListManager window;
        window.Open(dir.str());
        if (c.EditedHere)
            window.FindByName("L")->InsertTrack("mine*3");
        {
            TPlayListManager other;
            other.Open(dir.str());
            c.Elsewhere(other);
            other.SaveChanged();
        }
        EXPECT_EQ(window.RenamePlayList("L", "M").Error, c.Error);
        Files after;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().extension() == ".ply")
                after[entry.path().filename().string()] = readAll(entry.path().string());
        EXPECT_EQ(after, c.After);
        EXPECT_FALSE(window.SaveChanged().ChangedOutside);
    }
}

// Another process appends under the folder's lock while this one renames the playlist back
// and forth without saving in between: every append lands in the one playlist left.
TEST(PlayListManager, RenamesRacingAnotherProcessLoseNoEntry) {
    TempDir dir;
    dir.write("L.ply", "0");
    constexpr int Appends = 150;
    const pid_t child = ::fork();
    if (child == 0) {
        for (int i = 0; i < Appends; ++i) {
            TPlayListManager other;
            const auto lock = other.OpenLocked(dir.str());
            TPlayList* list = other.Exists("L") ? other.FindByName("L") : other.FindByName("M");
            if (list == nullptr)
                ::_exit(1);
            list->InsertTrack("/m/" + std::to_string(i) + ".mp3*1");
            if (!other.SaveChanged().Failed.empty())
                ::_exit(2);
        }
        ::_exit(0);
    }
    TPlayListManager window;
    window.Open(dir.str());
    int status = 0;
    int renames = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        const bool atL = window.Exists("L");
        const TPlayListRename renamed = window.RenamePlayList(atL ? "L" : "M", atL ? "M" : "L");
        ASSERT_TRUE(renamed) << renamed.Error;
        ++renames;
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GT(renames, 0);
    window.SaveChanged();
    TPlayListManager reader;
    reader.Open(dir.str());
    ASSERT_EQ(reader.Count(), 1);
    EXPECT_EQ(reader.GetPlayList(0)->Count(), Appends);
    EXPECT_EQ(reader.GetPlayList(0)->Tracks(), window.GetPlayList(0)->Tracks());
}
