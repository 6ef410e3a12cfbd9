#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "core/common/uDisplayUtils.h"
#include "core/metadata/uTagWriteAny.h"
#include "support/BatchFiles.h"
#include "support/CliRun.h"
#include "support/HomeWithLibrary.h"

namespace orvanta {
namespace {

// The album of every file, read whole: a torn file fails the read.
std::map<std::string, std::string> Albums(const std::vector<std::string>& Files) {
    std::map<std::string, std::string> albums;
    for (const std::string& file : Files) {
        TTagState state;
        std::string error;
        EXPECT_TRUE(ReadTagState(file, {"ALBUM"}, false, state, error)) << error;
        const auto& values = state.Fields["ALBUM"];
        albums[file] = values.empty() ? "" : values.front();
    }
    return albums;
}

// orvanta-cli tag over 100 files with a library and a playlist, killed at random moments: after
// each kill and the recovery every file is whole, old or new, and the rows and entries agree
// with it; undo then restores every file the last batch wrote.
TEST(BatchKill, EveryFileIsOldOrNewAndTheLibraryAgrees) {
    test::THomeWithLibrary home({{"All", "0"}});
    std::vector<std::string> files;
    for (int i = 0; i < 50; ++i) {
        const std::string name = std::to_string(i);
        files.push_back(test::MakeCoveredMp3(home.Music + "/" + name + ".mp3", name, i));
        files.push_back(test::MakeCoveredFlac(home.Home, "Music/" + name + ".flac", i % 5));
    }
    std::string arguments;
    for (const std::string& file : files) {
        test::AddLibraryRow(home.DB, file);
        ASSERT_TRUE(home.PlayLists->FindByName("All")->AddTrack(MakeTrackEntry(file, 1)));
        arguments += " " + test::shellQuoted(file);
    }
    ASSERT_TRUE(home.PlayLists->SaveChanged().Failed.empty());
    const std::string cli = test::shellQuoted(ORVANTA_CLI_PATH);
    std::mt19937 random(7);
    std::map<std::string, std::string> before = Albums(files);
    for (int round = 1; round <= 50; ++round) {
        SCOPED_TRACE(round);
        const std::string album = std::string("Edit ").append(std::to_string(round));
        // The last round runs long enough to write some files, so that undo has them to restore.
        const int micros = std::uniform_int_distribution<int>(round < 50 ? 0 : 300000,
                                                              round < 50 ? 250000 : 900000)(random);
        test::Capture("ORVANTA_HOME=" + test::shellQuoted(home.Home.str()) + " " + cli +
                      " tag --v2 --album " + test::shellQuoted(album) + arguments +
                      " >/dev/null 2>&1 & pid=$!; sleep " + std::to_string(micros / 1e6) +
                      "; kill -9 $pid; wait $pid");
        // Any library command finishes the batch first.
        ASSERT_EQ(test::RunCli(home.Home.str(), "library list >/dev/null").Exit, 0);
        const std::map<std::string, std::string> after = Albums(files);
        for (const std::string& file : files) {
            EXPECT_TRUE(after.at(file) == before.at(file) || after.at(file) == album) << file;
            TMediaRecord row;
            ASSERT_TRUE(home.DB.FindMedia(ExtractFileDir(file), ExtractFileName(file), row));
            EXPECT_EQ(row.Album, after.at(file)) << file;
        }
        if (round < 50)
            before = after;
    }
    const std::map<std::string, std::string> last = Albums(files);
    ASSERT_EQ(test::RunCli(home.Home.str(), "undo").Exit, 0);
    const std::map<std::string, std::string> undone = Albums(files);
    for (const std::string& file : files)
        EXPECT_EQ(undone.at(file), last.at(file) == "Edit 50" ? before.at(file) : last.at(file))
            << file;
    TPlayListManager lists;
    lists.Open(home.Home.file("Playlists"));
    EXPECT_EQ(lists.FindByName("All")->Count(), 100);
    for (const std::string& entry : lists.FindByName("All")->Tracks())
        EXPECT_TRUE(std::filesystem::exists(TrackPath(entry))) << entry;
}

// Each file by its album, where it is now; the file is read whole, and its row and its entry
// are where it is.
std::map<std::string, std::string> Whereabouts(test::THomeWithLibrary& Home) {
    std::map<std::string, std::string> where;
    TPlayListManager lists;
    lists.Open(Home.Home.file("Playlists"));
    std::set<std::string> entries;
    for (const std::string& entry : lists.FindByName("All")->Tracks())
        entries.insert(TrackPath(entry));
    for (const auto& file : std::filesystem::directory_iterator(Home.Music)) {
        const std::string path = file.path().string();
        const std::string album = Albums({path}).at(path);
        where[album] = path;
        TMediaRecord row;
        EXPECT_TRUE(Home.DB.FindMedia(Home.Music, ExtractFileName(path), row) && row.Album == album)
            << path;
        EXPECT_TRUE(entries.contains(path)) << path;
    }
    return where;
}

// orvanta-cli rename swapping the names of 40 pairs of files, killed at random moments: after
// each kill and the recovery every file is whole under its own name or its pair's (a swap cut
// short is finished), with its row and entry; undo puts a swap's names back.
TEST(BatchKill, SwapsKilledMidwayLoseNoFile) {
    test::THomeWithLibrary home({{"All", "0"}});
    for (int i = 0; i < 40; ++i)
        for (const auto& [name, other] : {std::pair("a", "b"), std::pair("b", "a")}) {
            const std::string file = home.Music + "/" + name + std::to_string(i) + ".mp3";
            test::WriteTaggedMp3(file, other + std::to_string(i), name + std::to_string(i), "");
            test::AddLibraryRow(home.DB, file);
            ASSERT_TRUE(home.PlayLists->FindByName("All")->AddTrack(MakeTrackEntry(file, 1)));
        }
    ASSERT_TRUE(home.PlayLists->SaveChanged().Failed.empty());
    std::mt19937 random(11);
    std::map<std::string, std::string> before = Whereabouts(home);
    for (int round = 1; round <= 13; ++round) {
        SCOPED_TRACE(round);
        std::string arguments =
            round % 2 ? " rename --pattern %title%" : " rename --pattern %album%";
        for (const auto& [album, path] : before)
            arguments += " " + test::shellQuoted(path);
        // The last round ends, and is undone.
        const int micros = std::uniform_int_distribution<int>(0, 700000)(random);
        if (round == 13) {
            ASSERT_EQ(test::RunCli(home.Home.str(), arguments).Exit, 0);
        } else {
            test::Capture("ORVANTA_HOME=" + test::shellQuoted(home.Home.str()) + " " +
                          test::shellQuoted(ORVANTA_CLI_PATH) + arguments +
                          " >/dev/null 2>&1 & pid=$!; sleep " + std::to_string(micros / 1e6) +
                          "; kill -9 $pid; wait $pid");
            ASSERT_EQ(test::RunCli(home.Home.str(), "library list >/dev/null").Exit, 0);
        }
        const std::map<std::string, std::string> after = Whereabouts(home);
        ASSERT_EQ(after.size(), 80u);
        for (const auto& [album, path] : after) {
            const std::string name = ExtractFileName(path);
            const std::string pair = (album[0] == 'a' ? "b" : "a") + album.substr(1);
            EXPECT_TRUE(name == album + ".mp3" || name == pair + ".mp3") << path;
        }
        if (round < 13)
            before = after;
    }
    ASSERT_EQ(test::RunCli(home.Home.str(), "undo").Exit, 0);
    EXPECT_EQ(Whereabouts(home), before);
}

} // namespace
} // namespace orvanta
