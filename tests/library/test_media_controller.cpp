#include <gtest/gtest.h>

#include "core/library/uMediaController.h"
#include "core/library/uMediaImportQueue.h"

using namespace orvanta;

using TGate = TMediaController::TGate;

TEST(MediaController, LibraryCommandsWaitForTheOneRunningAndNeedAWritableLibrary) {
    struct Case {
        ECommand Command;
        bool Busy, ReadOnly;
        TGate Gate;
    };
    using enum ECommand;
    for (const Case& c : {Case{MediaPlayFile, true, true, TGate::Run},
                          Case{MediaAddFilesToPlayList, true, false, TGate::Run},
                          Case{MediaPlayAlbum, false, true, TGate::Run},
                          Case{MediaAddFiles, false, false, TGate::Run},
                          Case{MediaEditMP3Tag, true, false, TGate::Wait},
                          Case{MediaAddFolder, true, true, TGate::Wait},
                          Case{MediaRemoveFiles, false, true, TGate::ReadOnly},
                          Case{MediaRefreshMedia, false, true, TGate::ReadOnly},
                          Case{MediaReplayGain, false, true, TGate::ReadOnly}}) {
        TMediaController controller;
        if (c.Busy)
            controller.Begin(TMediaController::TWork::Purging);
        EXPECT_EQ(controller.Gate(c.Command, c.ReadOnly), c.Gate) << static_cast<int>(c.Command);
    }
}

TEST(MediaController, OnlyTheNewestRequestsAnswerCounts) {
    TMediaController controller;
    const auto first = controller.Listings.Ask();
    const auto second = controller.Listings.Ask();
    EXPECT_TRUE(controller.ListPending());
    EXPECT_FALSE(controller.Listings.Arrived(first));
    EXPECT_TRUE(controller.Listings.Arrived(second));
    EXPECT_FALSE(controller.ListPending());
    const auto dropped = controller.FilterLists.Ask();
    controller.FilterLists.Drop();
    EXPECT_FALSE(controller.FilterLists.Arrived(dropped));
    EXPECT_FALSE(controller.ListPending());
}

TEST(MediaController, ListingsKeepTheUsersOrderAndAlbumsTheirs) {
    constexpr int Album = 9;
    struct Case {
        int Before;
        bool IsAlbum, KeepSort;
        int Sort, After;
        bool Arrival;
    };
    for (const Case& c :
         {Case{0, false, false, 0, 1, true}, Case{-1, false, false, -1, -1, false},
          Case{-Album, false, false, -Album, -Album, false}, Case{4, false, false, 4, 4, false},
          Case{4, true, false, 4, 4, false}, Case{1, true, false, 1, 1, false},
          Case{1, false, true, 0, 1, false}, Case{-3, true, true, -3, -3, false},
          Case{Album, true, true, 0, Album, false}}) {
        TMediaController controller;
        controller.SetSortState(c.Before);
        const auto order = controller.AfterListing(c.IsAlbum, c.KeepSort, Album);
        EXPECT_EQ(order.Sort, c.Sort) << c.Before;
        EXPECT_EQ(order.ArrivalOrder, c.Arrival) << c.Before;
        EXPECT_EQ(controller.SortState(), c.After) << c.Before;
    }
    // Until the user chooses, each listing shows in the order it arrived.
    TMediaController controller;
    EXPECT_EQ(controller.AfterListing(true, false, Album).ArrivalOrder, true);
    EXPECT_EQ(controller.AfterListing(false, false, Album).ArrivalOrder, true);
    EXPECT_EQ(controller.SortState(), 1);
    controller.SetSortState(1);
    EXPECT_EQ(controller.ClickedColumn(1), -1);
    EXPECT_EQ(controller.ClickedColumn(3), 3);
}

TEST(MediaController, AFilterListReadAgainKeepsTheChosenEntry) {
    using TList = std::vector<std::string>;
    struct Case {
        TList Found;
        bool WithAll;
        std::string Chosen;
        int ChosenRow;
        bool Relist;
        int Row;
        bool ListAgain;
    };
    for (const Case& c : {
             Case{{"Abba", "Elis"}, true, "ABBA", 1, false, 1, false}, // another spelling
             Case{{"Abba", "Elis"}, true, "Abba", 1, true, 1, true},
             Case{{"Abba", "Elis"}, true, "All", 0, false, 0, false},
             Case{{"Elis", "Zed"}, true, "Abba", 1, false, 1, true}, // gone: the one in its place
             Case{{"Blue"}, false, "Court", 3, false, 0, true},      // or the last
             Case{{}, false, "Court", 0, false, -1, true},
             Case{{"Blue"}, true, "", -1, true, -1, false}, // nothing was chosen
         }) {
        const TKeptEntry kept = KeptEntry(c.Found, c.WithAll, c.Chosen, c.ChosenRow, c.Relist);
        EXPECT_EQ(kept.Row, c.Row) << c.Chosen;
        EXPECT_EQ(kept.ListAgain, c.ListAgain) << c.Chosen;
    }
    // A restored value is chosen where listed, else the first entry.
    const TList albums{"Blue", "Court"};
    EXPECT_EQ(RestoredEntry(albums, false, "Court"), 1);
    EXPECT_EQ(RestoredEntry(albums, false, "Gone"), 0);
    EXPECT_EQ(RestoredEntry(albums, true, "Blue"), 1);
    EXPECT_EQ(RestoredEntry({}, false, "Blue"), -1);
    // What the first fill shows anyway is not read again.
    EXPECT_TRUE(FirstFillShows(true, true, "All", 1));
    EXPECT_TRUE(FirstFillShows(true, false, "", 0));
    EXPECT_FALSE(FirstFillShows(true, false, "All", 0));
    EXPECT_FALSE(FirstFillShows(false, true, "", 1));
    EXPECT_FALSE(FirstFillShows(true, true, "", -1));
    EXPECT_FALSE(FirstFillShows(true, true, "Abba", 1));
}

TEST(MediaController, ChangesMadeElsewhereAreLookedForOnlyWhenNothingIsDue) {
    TMediaController controller;
    controller.SetLibraryVersion(1);
    std::int64_t version = 1;
    int reads = 0;
    const auto changed = [&](bool sortPending) {
        return controller.LibraryChanged(sortPending, [&] {
            ++reads;
            return version;
        });
    };
    EXPECT_FALSE(changed(false));
    version = 2;
    controller.Begin(TMediaController::TWork::Importing);
    EXPECT_FALSE(changed(false));
    controller.End();
    EXPECT_FALSE(changed(true));
    const auto asked = controller.Listings.Ask();
    EXPECT_FALSE(changed(false));
    EXPECT_EQ(reads, 1);
    controller.Listings.Arrived(asked);
    EXPECT_TRUE(changed(false));
    EXPECT_FALSE(changed(false));

    // A choice of the listing still being read reads nothing more.
    controller.Listing = {TMediaListing::Artist, "Abba", {"queen"}};
    EXPECT_FALSE(controller.ListingDue(controller.Listing));
    controller.Listings.Ask();
    EXPECT_TRUE(controller.ListingDue({TMediaListing::Artist, "Abba", {"queen"}}));
    EXPECT_FALSE(controller.ListingDue({TMediaListing::Artist, "Abba", {}}));
}

namespace {

TAddResult result(TAddOutcome Outcome, const std::string& Name) {
    TAddResult added;
    added.Path = "/m/" + Name;
    added.Outcome = Outcome;
    added.Row.Directory = "/m";
    added.Row.FileName = Name;
    added.Row.Seconds = 3;
    return added;
}

} // namespace

TEST(MediaController, AddResultsBecomeEntriesListedRowsAndUpdatedRows) {
    using enum TAddOutcome;
    struct Case {
        const char* Name;
        std::string PlayList;
        bool OnDone, NewFiles;
        std::size_t Entries, Listed, Updated;
    };
    // Added, Updated, AlreadyInLibrary and NoAudio, in that order, for each kind of add.
    for (const Case& c :
         {Case{"plain", "", false, false, 0, 1, 1}, Case{"playlist", "Mix", false, false, 3, 1, 1},
          Case{"then", "", true, false, 3, 1, 1}, Case{"refresh", "", false, true, 0, 1, 0}}) {
        TImportRequest request;
        request.PlayList = c.PlayList;
        request.NewFiles = c.NewFiles;
        if (c.OnDone)
            request.OnDone = [](std::vector<std::string>) {};
        TImportRun run(std::move(request), 1);
        run.Arrived({result(Added, "a.mp3"), result(Updated, "u.mp3"),
                     result(AlreadyInLibrary, "k.mp3"), result(NoAudio, "n.mp3")});
        EXPECT_TRUE(run.Count([] { return false; }));
        EXPECT_EQ(run.Entries.size(), c.Entries) << c.Name;
        if (c.Entries > 0) {
            EXPECT_EQ(run.Entries,
                      (std::vector<std::string>{"/m/a.mp3*3", "/m/u.mp3*3", "/m/k.mp3*3"}));
        }
        ASSERT_EQ(run.Waiting.size(), c.Listed) << c.Name;
        EXPECT_EQ(run.Waiting.front().FileName, "a.mp3");
        EXPECT_EQ(run.Updated.size(), c.Updated) << c.Name;
        EXPECT_EQ(run.Tally.Summary(), "1 added, 1 updated, 1 already in the library, 1 skipped");
    }
}

TEST(MediaController, AddsWaitTheirTurnAndEndOnceAllIsTakenIn) {
    TMediaController controller;
    controller.Imports.Ask({{"/first"}, {}, false, {}});
    controller.Imports.Ask({{"/second"}, {}, false, {}});
    controller.Begin(TMediaController::TWork::Purging);
    EXPECT_FALSE(controller.NextImport());
    controller.End();
    std::optional<TImportRequest> next = controller.NextImport();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Paths, std::vector<std::string>{"/first"});
    TImportRun& run = controller.Imports.Start(std::move(*next));
    EXPECT_TRUE(controller.Imports.Waiting());

    // Results are taken in 256 at a time while the slice lasts; more arrive meanwhile.
    run.Arrived(std::vector<TAddResult>(300, result(TAddOutcome::Unsupported, "x.txt")));
    int slices = 0;
    EXPECT_FALSE(run.Count([&slices] { return slices++ == 1; }));
    run.Arrived({result(TAddOutcome::Added, "a.mp3")});
    run.Ended({{{"/locked", "Permission denied"}}, 2, ""});
    EXPECT_FALSE(run.Complete());
    EXPECT_TRUE(run.Count([] { return false; }));
    EXPECT_EQ(run.Waiting.size(), 1u);
    EXPECT_EQ(run.Tally.Details.back(), "/locked: cannot be read (Permission denied)");
    EXPECT_EQ(run.Tally.Summary(),
              "1 added, 0 already in the library, 2 left out as removed earlier, 301 skipped (300 "
              "files in formats Orvanta does not read: .txt)");
    run.Waiting.clear();
    EXPECT_TRUE(run.Complete());
    EXPECT_EQ(controller.Imports.Finish().get(), &run);
    EXPECT_EQ(controller.NextImport()->Paths, std::vector<std::string>{"/second"});
    EXPECT_FALSE(controller.Imports.Waiting());
}
