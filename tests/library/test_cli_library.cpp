#include <array>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/CliRun.h"
#include "support/Mp3Files.h"

using namespace orvanta;
using orvanta::test::CliRun;
using orvanta::test::readAll;
using orvanta::test::shellQuoted;
using orvanta::test::TempDir;
using json = nlohmann::json;

namespace {

CliRun runCli(const TempDir& home, const std::string& arguments) {
    return orvanta::test::RunCli(home.str(), arguments);
}

} // namespace

TEST(CliLibrary, AddListRemoveAndRefresh) {
    TempDir home;
    const std::string a = orvanta::test::makeMp3(home, "a.mp3", 1, "--id3v2-only --tt Zebra");
    const std::string b = home.write("b.txt", "x");
    const std::string c =
        orvanta::test::makeMp3(home, "Quote \"and\" back\\slash.mp3", 1, "--id3v2-only");
    const std::string d = home.write("noise.mp3", "not audio");
    CliRun add = runCli(home, "library add " + shellQuoted(a) + " " + shellQuoted(b) + " " +
                                  shellQuoted(c) + " " + shellQuoted(d));
    EXPECT_EQ(add.Exit, 1); // one file was not supported
    EXPECT_NE(add.Err.find("The following file type is not supported.\nb.txt"), std::string::npos)
        << add.Err;
    EXPECT_NE(add.Err.find("2 added, 0 already in the library, 2 skipped (1 file in a format "
                           "Orvanta does not read: .txt)\n  " +
                           b + ": a format Orvanta does not read\n  " + d +
                           ": no MPEG audio found\n"),
              std::string::npos)
        << add.Err;
    ASSERT_EQ(add.lines().size(), 4u);
    EXPECT_EQ(add.lines()[0]["result"], "added");
    EXPECT_EQ(add.lines()[1]["result"], "unsupported");
    EXPECT_EQ(add.lines()[3]["result"], "no MPEG audio found");

    // A path that differs only in letter case is another file, added and removed on its own.
    const std::string upper = home.file("A.MP3");
    std::filesystem::copy_file(a, upper);
    EXPECT_EQ(runCli(home, "library add " + shellQuoted(upper)).lines().at(0)["result"], "added");
    CliRun again = runCli(home, "library add " + shellQuoted(a));
    EXPECT_EQ(again.Exit, 0);
    EXPECT_EQ(again.lines().at(0)["result"], "already in library");
    EXPECT_EQ(runCli(home, "library remove " + shellQuoted(upper)).lines().at(0)["path"], upper);

    // A mistyped path is refused instead of leaving a ghost row.
    CliRun missing = runCli(home, "library add " + shellQuoted(home.file("missing.mp3")));
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_EQ(missing.lines().at(0)["result"], "not found");
    EXPECT_NE(missing.Err.find("File not found"), std::string::npos);

    CliRun list = runCli(home, "library list");
    EXPECT_EQ(list.Exit, 0);
    const auto rows = list.lines();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["fTitle"], "Quote \"and\" back\\slash"); // by title
    EXPECT_EQ(rows[1]["fTitle"], "Zebra");
    EXPECT_EQ(rows[1]["fSeconds"], 1);
    EXPECT_EQ(rows[1]["fQuality"], 128);
    EXPECT_EQ(rows[1]["fDirectory"], home.str());
    EXPECT_EQ(rows[1]["fFormat"], "MP3");
    EXPECT_EQ(rows[1]["fSampleRate"], 44100);
    EXPECT_TRUE(rows[1]["fTrackGain"].is_null());
    EXPECT_EQ(rows[1].size(), 26u);

    std::filesystem::create_directories(home.file("Playlists"));
    home.write("Playlists/Mix.ply", "1\r\n" + a + "*1\r\n" + c + "*1\r\n/else.mp3*3");
    CliRun remove = runCli(home, "library remove " + shellQuoted(c) + " " +
                                     shellQuoted(home.file("never.mp3")));
    EXPECT_EQ(remove.Exit, 1);
    EXPECT_EQ(remove.lines().at(0)["result"], "removed");
    EXPECT_EQ(readAll(home.file("Playlists/Mix.ply")), "1\r\n" + a + "*1\r\n/else.mp3*3");
    EXPECT_TRUE(std::filesystem::exists(c));

    std::filesystem::remove(a);
    CliRun refresh = runCli(home, "library refresh");
    EXPECT_EQ(refresh.Exit, 0);
    EXPECT_EQ(refresh.lines().at(0)["path"], a);
    EXPECT_EQ(readAll(home.file("Playlists/Mix.ply")), "1\r\n/else.mp3*3");
    EXPECT_TRUE(runCli(home, "library list").Out.empty());

    // Removed files stay out of a folder's add and of refreshes until named.
    std::filesystem::remove(d);
    CliRun folder = runCli(home, "library add " + shellQuoted(home.str()));
    EXPECT_EQ(folder.Exit, 0);
    ASSERT_EQ(folder.lines().size(), 2u);
    EXPECT_EQ(folder.lines()[0], (json{{"path", upper}, {"result", "removed earlier"}}));
    EXPECT_EQ(folder.lines()[1]["path"], c);
    EXPECT_NE(folder.Err.find("0 added, 0 already in the library, 2 left out as removed earlier"),
              std::string::npos)
        << folder.Err;
    EXPECT_EQ(runCli(home, "library add " + shellQuoted(c)).lines().at(0)["result"], "added");
    EXPECT_TRUE(runCli(home, "library refresh").Out.empty());
    EXPECT_EQ(runCli(home, "library list").lines().size(), 1u);
}

TEST(CliLibrary, PlayListListAndShow) {
    TempDir home;
    std::filesystem::create_directories(home.file("Playlists"));
    home.write("Playlists/Été.ply", "2\r\n/m/a.mp3*215\r\n/m/b.mp3*x");
    home.write("Playlists/Jazz.ply", "0");
    CliRun list = runCli(home, "playlist list");
    EXPECT_EQ(list.Exit, 0);
    ASSERT_EQ(list.lines().size(), 2u);
    EXPECT_EQ(list.lines()[0]["name"], "Jazz");
    EXPECT_EQ(list.lines()[1]["tracks"], 2);
    EXPECT_EQ(list.lines()[1]["mode"], 2);
    CliRun show = runCli(home, "playlist show 'ÉTÉ'");
    EXPECT_EQ(show.Exit, 0);
    ASSERT_EQ(show.lines().size(), 2u);
    EXPECT_EQ(show.lines()[0]["seconds"], 215);
    EXPECT_EQ(show.lines()[1]["seconds"], 0);
    EXPECT_EQ(show.lines()[1]["path"], "/m/b.mp3");
    EXPECT_EQ(runCli(home, "playlist show Missing").Exit, 1);
    EXPECT_EQ(runCli(home, "playlist").Exit, 2);
    EXPECT_EQ(runCli(home, "library add").Exit, 2);
    // The codes above are the ones the help promises.
    const CliRun help = runCli(home, "--help");
    EXPECT_EQ(help.Exit, 0);
    for (const char* code : {"0  success", "1  an operation failed", "2  wrong arguments"})
        EXPECT_NE(help.Out.find(code), std::string::npos) << code;
    // Reading never writes: the files keep their bytes and no default playlist appears.
    EXPECT_EQ(readAll(home.file("Playlists/Jazz.ply")), "0");
    EXPECT_FALSE(std::filesystem::exists(home.file("Playlists/My Playlist.ply")));
}

// The tool refuses what the window refuses, with the same message, and changes nothing then.
TEST(CliLibrary, PlayListChangesFollowTheWindowsRules) {
    TempDir home;
    std::filesystem::create_directories(home.file("Playlists/Odd.ply")); // cannot be read
    home.write("Playlists/P.ply", "0\r\n/m/a.mp3*1\r\n");
    const std::string longest(251, 'n');
    struct Case {
        std::string Arguments;
        int Exit;
        std::string Message;
    };
    const std::vector<Case> cases = {
        {"playlist rename Odd New", 1, UnreadPlayListMessage("Odd")},
        {"playlist add P " + shellQuoted("/m/two\nlines.mp3"), 1, "a line break"},
        {"playlist new " + longest + "n", 1, InvalidPlayListNameMessage},
        {"playlist new " + longest, 0, ""},
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(home, c.Arguments);
        EXPECT_EQ(run.Exit, c.Exit) << c.Arguments;
        EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
    }
    EXPECT_TRUE(std::filesystem::is_directory(home.file("Playlists/Odd.ply")));
    EXPECT_FALSE(std::filesystem::exists(home.file("Playlists/New.ply")));
    EXPECT_EQ(readAll(home.file("Playlists/P.ply")), "0\r\n/m/a.mp3*1\r\n");
    EXPECT_TRUE(std::filesystem::exists(home.file("Playlists/" + longest + ".ply")));
}

TEST(CliLibrary, DamagedLibraryIsAnErrorAndKeepsItsBytes) {
    TempDir home;
    std::filesystem::create_directories(home.file("Data"));
    const std::string bytes(10000, '\x42');
    home.write("Data/MyMedia.edb", bytes);
    CliRun list = runCli(home, "library list");
    EXPECT_EQ(list.Exit, 1);
    EXPECT_NE(list.Err.find("not a database"), std::string::npos) << list.Err;
    EXPECT_EQ(runCli(home, "library add " + shellQuoted(home.write("a.mp3", "x"))).Exit, 1);
    EXPECT_EQ(readAll(home.file("Data/MyMedia.edb")), bytes);
}

TEST(CliLibrary, RunsAtTheSameTimeLoseNoChange) {
    TempDir home;
    const std::string model = orvanta::test::makeMp3(home, "model.mp3", 0.3);
    ASSERT_FALSE(model.empty());
    constexpr int Rounds = 30;
    std::vector<std::string> paths;
    std::string all;
    for (int i = 0; i < 2 * Rounds; ++i) {
        paths.push_back(home.file(std::to_string(i) + ".mp3"));
        std::filesystem::copy_file(model, paths.back());
        all.append(" ").append(shellQuoted(paths.back()));
    }
    ASSERT_EQ(runCli(home, "library add" + all).Exit, 0);
    ASSERT_EQ(runCli(home, "playlist new P").Exit, 0);
    ASSERT_EQ(runCli(home, "playlist new Q").Exit, 0);
    ASSERT_EQ(runCli(home, "playlist add P" + all).Exit, 0);
    // R holds the same files and is renamed back and forth while they are removed.
    ASSERT_EQ(runCli(home, "playlist new R0").Exit, 0);
    ASSERT_EQ(runCli(home, "playlist add R0" + all).Exit, 0);
    const std::string cli = "ORVANTA_HOME=" + shellQuoted(home.str()) + " " + ORVANTA_CLI_PATH;
    for (int round = 0; round < Rounds; ++round) {
        // Two removals and two additions (of files no removal touches) at once; a run that
        // fails says so.
        std::string script;
        for (int k : {0, 1}) {
            const std::string index = std::to_string(2 * round + k);
            for (const std::string& command :
                 {" library remove " + shellQuoted(paths[std::stoul(index)]),
                  " playlist add Q /elsewhere/" + index + ".mp3"})
                script.append("(").append(cli).append(command).append(
                    " >/dev/null 2>&1 || echo failed) & ");
        }
        script.append("(").append(cli).append(" playlist rename R" + std::to_string(round % 2) +
                                              " R" + std::to_string(1 - round % 2) +
                                              " >/dev/null 2>&1 || echo failed) & ");
        EXPECT_EQ(orvanta::test::Capture(script + "wait"), "") << "round " << round;
    }
    EXPECT_TRUE(runCli(home, "library list").Out.empty());
    EXPECT_TRUE(runCli(home, "playlist show P").Out.empty());
    EXPECT_TRUE(runCli(home, "playlist show R0").Out.empty());
    EXPECT_FALSE(std::filesystem::exists(home.file("Playlists/R1.ply")));
    EXPECT_EQ(runCli(home, "playlist show Q").lines().size(), paths.size());
}
