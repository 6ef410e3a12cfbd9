#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/common/uDisplayUtils.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/metadata/MPEGaudio.h"
#include "support/CliRun.h"
#include "support/HardNames.h"
#include "support/HomeWithLibrary.h"

using namespace orvanta;
using orvanta::test::HardNames;
using orvanta::test::shellQuoted;
using orvanta::test::TempDir;

namespace {

std::string titleOf(const std::string& Path) {
    TMPEGaudio audio;
    return audio.Analyse(Path) ? audio.ID3v2().Title() : "(unreadable)";
}

bool storeTitle(const std::string& Path, const std::string& Title) {
    TMPEGaudio audio;
    audio.Analyse(Path);
    audio.ID3v2().SetTitle(Title);
    return audio.ID3v2().StoreTag(Path);
}

bool holds(const std::string& Out, const std::string& Text) {
    return Out.find(Text) != std::string::npos;
}

} // namespace

TEST(HardNames, AddListPlayListTagRemoveAndPurgeThroughTheCore) {
    for (const auto& hard : HardNames()) {
        SCOPED_TRACE(hard.What);
        test::THomeWithMaintenance f;
        const TempDir& dir = f.Home;
        f.PlayLists->AddPlayList("One");
        const std::string path = test::MakeHardFile(dir, hard);
        EXPECT_EQ(PathFromUtf16(PathToUtf16(path)), path);
        EXPECT_EQ(FindDisplayedPath(DisplayPath(path)), path); // as a file dialog hands it back

        const TAddResult added = f.Maintenance.AddFile(path);
        ASSERT_EQ(added.Outcome, TAddOutcome::Added);
        EXPECT_EQ(added.Row.FullPath(), path);
        EXPECT_EQ(f.Maintenance.AddFile(path).Outcome, TAddOutcome::AlreadyInLibrary);
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectAllMedia(f.DB, query);
        ASSERT_EQ(query.RecordCount(), 1);
        EXPECT_EQ(JoinPath(query.FieldByName("fDirectory").AsString(),
                           query.FieldByName("fFileName").AsString()),
                  path);
        query.Close();

        TPlayList* list = f.PlayLists->FindByName("One");
        EXPECT_EQ(list->AddTrack(added.Row.TrackEntry()), hard.PlayListCanHoldIt);
        if (hard.PlayListCanHoldIt) {
            ASSERT_TRUE(list->SaveToFile(dir.file("One.ply")));
            TPlayList reloaded;
            ASSERT_TRUE(reloaded.LoadFromFile(dir.file("One.ply")));
            ASSERT_EQ(reloaded.Count(), 1);
            EXPECT_EQ(TrackPath(reloaded.GetTrack(0)), path);
            EXPECT_EQ(TrackSeconds(reloaded.GetTrack(0)), 1);
        } else {
            EXPECT_NE(PlayListRefusalMessage(path).find(path), std::string::npos);
        }

        // The first tag needs a rewrite, the second fits in place.
        EXPECT_TRUE(storeTitle(path, std::string(40, 'R')));
        EXPECT_TRUE(storeTitle(path, "In place"));
        EXPECT_EQ(titleOf(path), "In place");
        EXPECT_EQ(std::filesystem::is_symlink(path), hard.Link);

        f.DB.RemoveMedia(added.Row.Directory, added.Row.FileName);
        f.PlayLists->RemoveTracksEverywhere({added.Row.TrackEntry()});
        EXPECT_EQ(f.RowCount(path), 0);
        EXPECT_EQ(list->Count(), 0);

        f.Maintenance.AddFile(path);
        // A folder left empty looks like an unmounted drive's mount point; a neighbour says not.
        const std::string neighbour = ExtractFileDir(path) + "/neighbour.txt";
        ASSERT_TRUE(TFileUtils::StringToFile(neighbour, "x"));
        std::filesystem::remove(path);
        EXPECT_EQ(f.Maintenance.RemoveMissingFiles().Removed.size(), 1u);
        EXPECT_EQ(f.RowCount(path), 0);
    }
}

TEST(HardNames, AddListTagAndRemoveThroughTheCli) {
    for (const auto& hard : HardNames()) {
        SCOPED_TRACE(hard.What);
        TempDir dir;
        const std::string path = test::MakeHardFile(dir, hard);
        const std::string quoted = shellQuoted(path);
        const auto cli = [&dir](const std::string& Arguments) {
            return test::RunCli(dir.str(), Arguments);
        };
        const test::CliRun added = cli("library add " + quoted);
        EXPECT_TRUE(holds(added.Out, "\"added\""));
        EXPECT_EQ(added.Exit, 0);
        const std::string list = cli("library list").Out;
        EXPECT_TRUE(holds(list, "\"fFileName\":" + hard.Json)) << list;
        EXPECT_TRUE(holds(list, "\"fSeconds\":1"));
        EXPECT_EQ(cli("tag " + quoted + " --v2 --title " + shellQuoted(std::string(60, 'T'))).Exit,
                  0);
        EXPECT_TRUE(holds(cli("analyse " + quoted).Out, std::string(60, 'T')));
        const test::CliRun removed = cli("library remove " + quoted);
        EXPECT_TRUE(holds(removed.Out, "\"removed\""));
        EXPECT_EQ(removed.Exit, 0);
        EXPECT_EQ(cli("library list").Out, "");
    }
}

// Nothing that is not a regular file is read: each command ends at once, with exit 1.
TEST(HardNames, FifoIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("fifo.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directories(dir.file("Playlists"));
    ASSERT_EQ(::mkfifo(dir.file("Playlists/x.ply").c_str(), 0600), 0);
    for (const std::string& command :
         {"analyse " + fifo, "tag " + fifo + " --v2 --title T", "library add " + fifo})
        EXPECT_EQ(test::RunCli(dir.str(), command).Exit, 1) << command;
    const test::CliRun lists = test::RunCli(dir.str(), "playlist list");
    EXPECT_TRUE(holds(lists.Out, R"("name":"x")"));
    EXPECT_EQ(lists.Exit, 0);
}
