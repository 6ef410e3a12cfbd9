#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "core/batch/uBatchJournal.h"
#include "core/batch/uBatchRun.h"
#include "core/common/uDisplayUtils.h"
#include "core/metadata/uTagWriteAny.h"
#include "support/BatchFiles.h"
#include "support/HomeWithLibrary.h"

namespace orvanta {
namespace {

using test::TempDir;

std::vector<std::string> Values(const std::string& Path, const std::string& Key) {
    TTagState state;
    std::string error;
    EXPECT_TRUE(ReadTagState(Path, {Key}, false, state, error)) << error;
    return state.Fields[Key];
}

TBatchItem Edit(const std::string& Path, const std::string& Key, const std::string& Value,
                const std::string& NewPath = {}) {
    TBatchItem item{Path, {}, NewPath};
    item.Changes.Fields[Key] = {Value};
    return item;
}

// An edit of one field across files whose covers differ keeps each file's cover byte for byte,
// as another program reads it, and touches no other field.
TEST(Batch, AnEditOfOneFieldKeepsEachCover) {
    TempDir dir;
    const std::vector<std::string> files = {
        test::MakeCoveredMp3(dir.file("a.mp3"), "A", 1),
        test::MakeCoveredMp3(dir.file("b.mp3"), "B", 2),
        test::MakeCoveredFlac(dir, "c.flac", 3),
        test::MakeCoveredFlac(dir, "d.flac", 4),
    };
    std::vector<nlohmann::json> before;
    TBatchPlan plan;
    for (const std::string& file : files) {
        before.push_back(test::MutagenDump(file));
        plan.push_back(Edit(file, "ALBUM", "Shared"));
    }
    const TBatchOutcome outcome = RunBatch(plan, {dir.str(), nullptr, nullptr}, {});
    EXPECT_EQ(outcome.Written, 4);
    EXPECT_EQ(outcome.Planned, 4);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const nlohmann::json after = test::MutagenDump(files[i]);
        EXPECT_EQ(after["pictures"], before[i]["pictures"]);
        nlohmann::json fields = after["fields"];
        fields.erase(fields.contains("TALB") ? "TALB" : "ALBUM");
        nlohmann::json old = before[i]["fields"];
        old.erase("ALBUM");
        EXPECT_EQ(fields, old);
        EXPECT_EQ(Values(files[i], "ALBUM"), std::vector<std::string>{"Shared"});
    }
    // The same edit again finds every file holding it and writes none.
    const TBatchOutcome again = RunBatch(plan, {dir.str(), nullptr, nullptr}, {});
    EXPECT_EQ(again.Unchanged, 4);
    EXPECT_EQ(again.Planned, 4);
}

// Undo restores the files still as the batch left them (values, pictures, name, row, playlist
// entry) and names the one changed since, which it leaves alone; it cannot run twice.
TEST(Batch, UndoRestoresWhatIsUnchangedSince) {
    test::THomeWithLibrary home({{"Mix", "0"}});
    const std::string a = test::MakeCoveredMp3(home.Music + "/a.mp3", "A", 1);
    const std::string b = test::MakeCoveredFlac(home.Home, "b.flac", 2);
    const std::string c = test::MakeCoveredMp3(home.Music + "/c.mp3", "C", 3);
    for (const std::string& file : {a, b, c}) {
        test::AddLibraryRow(home.DB, file);
        home.PlayLists->FindByName("Mix")->AddTrack(MakeTrackEntry(file, 1));
    }
    const std::string moved = home.Music + "/sub/a2.mp3";
    TBatchItem cover = Edit(b, "TITLE", "New B");
    TPicture picture;
    picture.Data = test::CoverBytes(9);
    cover.Changes.Pictures = std::vector<TPicture>{picture};
    const TBatchTargets targets{home.Home.str(), &home.DB, home.PlayLists.get()};
    const TBatchOutcome run =
        RunBatch({Edit(a, "TITLE", "New A", moved), cover, Edit(c, "TITLE", "New C")}, targets, {});
    ASSERT_EQ(run.Written, 3);
    TMediaRecord row;
    EXPECT_TRUE(home.DB.FindMedia(ExtractFileDir(moved), "a2.mp3", row));
    EXPECT_EQ(row.Title, "New A");
    EXPECT_EQ(TrackPath(home.PlayLists->FindByName("Mix")->GetTrack(0)), moved);

    std::string error;
    TTagChanges later;
    later.Fields["TITLE"] = {"Mine"};
    ASSERT_EQ(WriteTagChangesAny(c, later, error), TTagWrite::Written) << error;
    const TBatchOutcome undo = UndoLastBatch(targets, {});
    EXPECT_EQ(undo.ChangedSince, std::vector<std::string>{c});
    EXPECT_EQ(undo.Written, 2);
    EXPECT_EQ(Values(a, "TITLE"), std::vector<std::string>{"A"});
    EXPECT_FALSE(std::filesystem::exists(moved));
    EXPECT_EQ(Values(b, "TITLE"), std::vector<std::string>{"Title"});
    TTagState state;
    ASSERT_TRUE(ReadTagState(b, {}, true, state, error));
    EXPECT_EQ(state.Pictures.at(0).Data, test::CoverBytes(2));
    EXPECT_EQ(Values(c, "TITLE"), std::vector<std::string>{"Mine"});
    EXPECT_TRUE(home.DB.FindMedia(ExtractFileDir(a), "a.mp3", row));
    EXPECT_EQ(row.Title, "A");
    EXPECT_EQ(TrackPath(home.PlayLists->FindByName("Mix")->GetTrack(0)), a);
    EXPECT_FALSE(UndoLastBatch(targets, {}).Error.empty());
}

// Renames along a chain (1 to 2, 2 to 3) and a swap (x and y, tags edited too) run, each file
// with its own tag, row and entry under its new name and no temporary name left; undo brings
// back every name and tag.
TEST(Batch, ChainsAndSwapsRenameAndUndo) {
    test::THomeWithLibrary home({{"Mix", "0"}});
    const auto path = [&](const std::string& Name) { return home.Music + "/" + Name + ".mp3"; };
    const std::vector<std::string> names = {"1", "2", "x", "y"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        test::MakeCoveredMp3(path(names[i]), names[i], static_cast<int>(i));
        test::AddLibraryRow(home.DB, path(names[i]));
        home.PlayLists->FindByName("Mix")->AddTrack(MakeTrackEntry(path(names[i]), 1));
    }
    const TBatchTargets targets{home.Home.str(), &home.DB, home.PlayLists.get()};
    const TBatchOutcome run = RunBatch({{path("1"), {}, path("2")},
                                        {path("2"), {}, path("3")},
                                        Edit(path("x"), "ALBUM", "X", path("y")),
                                        Edit(path("y"), "ALBUM", "Y", path("x"))},
                                       targets, {});
    EXPECT_TRUE(run.Failed.empty()) << run.Failed.front().Error;
    EXPECT_EQ(run.Written, 4);
    EXPECT_EQ(run.Moves.size(), 4u);
    // Where each file (by its title) is, and the album it holds.
    const auto agree = [&](const std::vector<std::pair<std::string, std::string>>& Where) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i]);
            const std::string file = path(Where[i].first);
            EXPECT_EQ(Values(file, "TITLE"), std::vector<std::string>{names[i]});
            EXPECT_EQ(Values(file, "ALBUM"), Where[i].second.empty()
                                                 ? std::vector<std::string>()
                                                 : std::vector<std::string>{Where[i].second});
            TMediaRecord row;
            EXPECT_TRUE(home.DB.FindMedia(home.Music, ExtractFileName(file), row));
            EXPECT_EQ(row.Title, names[i]);
            EXPECT_EQ(TrackPath(home.PlayLists->FindByName("Mix")->GetTrack(static_cast<int>(i))),
                      file);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Music), {}),
                  static_cast<long>(names.size()));
    };
    agree({{"2", ""}, {"3", ""}, {"y", "X"}, {"x", "Y"}});
    const TBatchOutcome undo = UndoLastBatch(targets, {});
    EXPECT_TRUE(undo.Failed.empty() && undo.ChangedSince.empty());
    EXPECT_EQ(undo.Written, 4);
    agree({{"1", ""}, {"2", ""}, {"x", ""}, {"y", ""}});
}

// A journal that cannot be read is set aside once, named, and the next command runs; an
// ended one cannot be undone, and undo says why.
TEST(Batch, ADamagedJournalIsSetAside) {
    TempDir home;
    const std::string journal = JournalFolder(home.str()) + "/journal";
    std::filesystem::create_directories(JournalFolder(home.str()));
    home.write("Batch/journal", "orvanta batch journal 1\nkind\tbatch\nitem\t0\t/m/a.mp3");
    std::string error;
    EXPECT_FALSE(FinishInterruptedBatch({home.str()}, error));
    EXPECT_NE(error.find(journal), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::exists(journal + ".damaged"));
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_TRUE(FinishInterruptedBatch({home.str()}, error)) << error;
    home.write("Batch/journal", "orvanta batch journal 1\n\x01garbage\nend\n");
    EXPECT_FALSE(CanUndoLastBatch(home.str()));
    EXPECT_EQ(UndoLastBatch({home.str()}, {}).Error,
              "The batch journal cannot be read: " + journal);
}

// The window's playlists follow a batch's moves on its own thread: the journal stays open until
// they are saved, and a restart in between makes them follow. The new name is not UTF-8.
TEST(Batch, PlayListsFollowingLaterKeepTheJournalOpen) {
    test::THomeWithLibrary home({{"Mix", "0"}});
    const std::string a = test::MakeCoveredMp3(home.Music + "/a.mp3", "A", 1);
    test::AddLibraryRow(home.DB, a);
    home.PlayLists->FindByName("Mix")->AddTrack(MakeTrackEntry(a, 1));
    TBatchTargets window{home.Home.str(), &home.DB};
    window.PlayListsFollowLater = true;
    const std::string moved = home.Music + "/caf\xE9 a.mp3";
    ASSERT_EQ(RunBatch({Edit(a, "TITLE", "New A", moved)}, window, {}).Moves.size(), 1u);
    TMediaRecord row;
    EXPECT_TRUE(home.DB.FindMedia(home.Music, "caf\xE9 a.mp3", row));
    EXPECT_EQ(row.Title, "New A");
    EXPECT_FALSE(CanUndoLastBatch(home.Home.str()));
    std::string error;
    ASSERT_TRUE(FinishInterruptedBatch({home.Home.str(), &home.DB, home.PlayLists.get()}, error))
        << error;
    EXPECT_EQ(TrackPath(home.PlayLists->FindByName("Mix")->GetTrack(0)), moved);
    EXPECT_TRUE(CanUndoLastBatch(home.Home.str()));
}

// One batch at a time per home: the holding thread may take the lock again, another thread
// and another program (flock(1) on the journal folder's lock file) may not, until it is let go.
TEST(Batch, OneBatchAtATimePerHome) {
    TempDir home;
    const auto heldElsewhere = [&] {
        bool thread = false;
        std::thread([&] { thread = TBatchLock(home.str(), false).Held(); }).join();
        const std::string lockFile = JournalFolder(home.str()) + "/.lock";
        const bool program =
            std::system(("flock -n " + test::shellQuoted(lockFile) + " true").c_str()) == 0;
        return std::pair{thread, program};
    };
    {
        const TBatchLock outer(home.str());
        EXPECT_TRUE(TBatchLock(home.str(), false).Held());
        EXPECT_EQ(heldElsewhere(), std::pair(false, false));
    }
    EXPECT_EQ(heldElsewhere(), std::pair(true, true));
}

} // namespace
} // namespace orvanta
