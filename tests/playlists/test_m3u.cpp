#include <filesystem>
#include <gtest/gtest.h>

#include "core/library/uPlayListLibrary.h"
#include "core/playlists/uM3U.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/CliRun.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"

using namespace orvanta;
using test::TempDir;

namespace {
// Music in Home/music, playlists written to Home/lists: relative paths go up a level.
struct M3UFixture {
    TempDir Home;
    TPlayList List;
    M3UFixture() {
        std::filesystem::create_directories(Home.file("music/sub"));
        std::filesystem::create_directories(Home.file("lists"));
        for (const auto& [name, seconds] :
             {std::pair{"music/a b.mp3", 123}, std::pair{"music/sub/#1 ü.mp3", 0},
              std::pair{"music/sub/c*d.mp3", 7}})
            List.InsertTrack(MakeTrackEntry(Home.write(name, ""), seconds));
    }
};
} // namespace

TEST(M3U, ExportThenImportGivesTheSameEntriesAndSeconds) {
    M3UFixture f;
    for (const bool relative : {false, true}) {
        const std::string file = f.Home.file(relative ? "lists/r.m3u8" : "lists/a.m3u8");
        std::string error;
        ASSERT_TRUE(WriteM3UFile(file, f.List, relative, error)) << error;
        const std::string text = test::readAll(file);
        EXPECT_EQ(text.rfind("#EXTM3U\n#EXTINF:123,a b\n", 0), 0u) << text;
        EXPECT_EQ(text.find(f.Home.str()) == std::string::npos, relative) << text;
        std::vector<TM3UEntry> entries;
        ASSERT_TRUE(ReadM3UFile(file, entries, error)) << error;
        ASSERT_EQ(entries.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(MakeTrackEntry(entries[i].Path, entries[i].Seconds), f.List.GetTrack(i));
            EXPECT_TRUE(entries[i].Exists);
        }
    }
}

TEST(M3U, FileOfAnotherProgramImports) {
    M3UFixture f;
    // CR LF, a byte-order mark, relative paths, a file URL, a Windows separator, comments,
    // attributes before the title and an entry whose file is gone.
    const std::string file =
        f.Home.write("lists/Road Trip.m3u", "\xEF\xBB\xBF#EXTM3U\r\n"
                                            "#EXTINF:123 tvg-id=\"x\",Artist - A B\r\n"
                                            "../music/a b.mp3\r\n"
                                            "\r\n# a comment\r\n"
                                            "#EXTINF:61.9,Gone\r\n"
                                            "../music/gone.mp3\r\n"
                                            "file://" +
                                                f.Home.file("music/sub/%231%20%C3%BC.mp3") +
                                                "\r\n"
                                                "..\\music\\sub\\c*d.mp3");
    std::vector<TM3UEntry> entries;
    std::string error;
    ASSERT_TRUE(ReadM3UFile(file, entries, error)) << error;
    struct Expected {
        std::string Path;
        int Seconds;
        std::string Title;
        bool Exists;
    };
    const std::vector<Expected> expected{{"music/a b.mp3", 123, "Artist - A B", true},
                                         {"music/gone.mp3", 61, "Gone", false},
                                         {"music/sub/#1 ü.mp3", 0, "", true},
                                         {"music/sub/c*d.mp3", 0, "", true}};
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].Path, f.Home.file(expected[i].Path));
        EXPECT_EQ(entries[i].Seconds, expected[i].Seconds) << i;
        EXPECT_EQ(entries[i].Title, expected[i].Title) << i;
        EXPECT_EQ(entries[i].Exists, expected[i].Exists) << i;
    }

    // The missing entry stays out unless the user agrees; a taken name is refused.
    TPlayListManager manager;
    ASSERT_TRUE(ImportM3UEntries(manager, PlayListNameOfM3U(file), entries, false, error));
    EXPECT_EQ(manager.FindByName("Road Trip")->Count(), 3);
    EXPECT_FALSE(ImportM3UEntries(manager, "road trip", entries, true, error));
    EXPECT_EQ(error, "You already have a playlist with this name.");
    ASSERT_TRUE(ImportM3UEntries(manager, "Kept", entries, true, error));
    EXPECT_EQ(manager.FindByName("Kept")->Count(), 4);
}

TEST(M3U, WhatCannotBeReadOrWrittenIsRefusedByName) {
    M3UFixture f;
    std::vector<TM3UEntry> entries;
    std::string error;
    EXPECT_FALSE(ReadM3UFile(f.Home.file("lists"), entries, error));
    EXPECT_EQ(error, "Not a playlist file: " + f.Home.file("lists"));
    EXPECT_FALSE(ReadM3UFile(f.Home.file("none.m3u"), entries, error));
    f.List.InsertTrack(MakeTrackEntry("/music/two\nlines.mp3", 1));
    const std::string target = f.Home.write("lists/old.m3u8", "old");
    EXPECT_FALSE(WriteM3UFile(target, f.List, false, error));
    EXPECT_NE(error.find("/music/two\nlines.mp3"), std::string::npos);
    EXPECT_EQ(test::readAll(target), "old");
}

// A hostile M3U: every path a playlist line cannot hold (a line break or NUL, here from a
// file URL's escapes or the raw byte) is refused by name and never written or looked at.
TEST(M3U, PathsAPlayListCannotHoldAreRefused) {
    M3UFixture f;
    const std::string ok = f.Home.file("music/a b.mp3");
    const std::string text = "file:///m/x%0D%0A/evil.mp3*9\n/m/nul" + std::string(1, '\0') + ok +
                             "\r" + ok + "\rfile:///m/cut%00.mp3\n";
    const std::vector<TM3UEntry> entries = ParseM3U(text, f.Home.str());
    ASSERT_EQ(entries.size(), 4u);
    for (const std::size_t refused : {0u, 1u, 3u}) {
        EXPECT_FALSE(entries[refused].Exists) << refused;
        EXPECT_NE(entries[refused].Refusal.find(entries[refused].Path), std::string::npos);
    }
    EXPECT_EQ(entries[2].Path, ok);
    EXPECT_TRUE(entries[2].Refusal.empty());
    TPlayListManager manager;
    std::string error;
    ASSERT_TRUE(ImportM3UEntries(manager, "Hostile", entries, true, error));
    EXPECT_EQ(manager.FindByName("Hostile")->Tracks(), std::vector<std::string>{ok + "*0"});
}

TEST(M3U, CliImportsAndExports) {
    M3UFixture f;
    // A file the library holds takes its seconds from there, not from #EXTINF.
    test::WriteMp3(f.Home.file("music/a b.mp3"));
    f.Home.write("lists/in.m3u", "#EXTINF:99,A\n../music/a b.mp3\n../music/gone.mp3\nfile://" +
                                     f.Home.file("music/x%0Ay.mp3") + "\n");
    const auto run = [&](const std::string& arguments) {
        return test::RunCli(f.Home.file("home"), arguments).Exit;
    };
    ASSERT_EQ(run("library add " + test::shellQuoted(f.Home.file("music/a b.mp3"))), 0);
    // The refused entry fails the run; the rest is imported.
    EXPECT_EQ(run("playlist import " + test::shellQuoted(f.Home.file("lists/in.m3u"))), 1);
    EXPECT_EQ(test::readAll(f.Home.file("home/Playlists/in.ply")),
              "0\r\n" + f.Home.file("music/a b.mp3") + "*1");
    EXPECT_EQ(run("playlist import " + test::shellQuoted(f.Home.file("lists/in.m3u"))), 1);
    EXPECT_EQ(
        run("playlist export IN " + test::shellQuoted(f.Home.file("out.m3u")) + " --relative"), 0);
    EXPECT_EQ(test::readAll(f.Home.file("out.m3u")), "#EXTM3U\n#EXTINF:1,a b\nmusic/a b.mp3\n");
    EXPECT_EQ(run("playlist export nosuch " + test::shellQuoted(f.Home.file("x.m3u"))), 1);
}

// #EXTINF says "Artist - Title" from the library, the title alone without an artist, the
// file's name for a file it does not hold; a stream's URL stays a stream through both ways,
// never looked up.
TEST(M3U, ExtInfFromTheLibraryAndStreams) {
    test::THomeWithLibrary home;
    home.Row("a.mp3", "Song", "Band");
    home.Row("b.mp3", "Alone");
    const std::string stream = "https://radio.example/live?x=1";
    TPlayList list;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        list.InsertTrack(MakeTrackEntry(home.Music + "/" + name, 0));
    list.InsertTrack(MakeTrackEntry(stream, 0));
    std::string text, error;
    ASSERT_TRUE(RenderM3U(list, home.Music, text, error, LibraryM3UTags(home.DB)));
    EXPECT_EQ(text, "#EXTM3U\n#EXTINF:-1,Band - Song\na.mp3\n#EXTINF:-1,Alone\nb.mp3\n"
                    "#EXTINF:-1,c\nc.mp3\n#EXTINF:-1," +
                        stream + "\n" + stream + "\n");
    const std::vector<TM3UEntry> entries = ParseM3U(text, home.Music);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[3].Stream);
    EXPECT_EQ(entries[3].Path, stream);
    TPlayListManager manager;
    std::vector<std::string> looked;
    ASSERT_TRUE(ImportM3UEntries(manager, "Radio", {entries[3]}, false, error,
                                 [&looked](const std::string& Path) {
                                     looked.push_back(Path);
                                     return std::string();
                                 }));
    EXPECT_EQ(manager.FindByName("Radio")->Tracks(), std::vector<std::string>{stream + "*0"});
    EXPECT_TRUE(looked.empty());
}
