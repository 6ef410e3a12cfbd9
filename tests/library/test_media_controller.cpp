#include <gtest/gtest.h>

#include "core/library/uMediaController.h"

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
                          Case{MediaRefreshMedia, false, true, TGate::ReadOnly}}) {
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
          Case{-Album, false, false, 0, 1, true}, Case{4, false, false, 4, 4, false},
          Case{4, true, false, 0, Album, true}, Case{1, false, true, 0, 1, false},
          Case{-3, true, true, -3, -3, false}, Case{Album, true, true, 0, Album, false}}) {
        TMediaController controller;
        controller.SetSortState(c.Before);
        const auto order = controller.AfterListing(c.IsAlbum, c.KeepSort, Album);
        EXPECT_EQ(order.Sort, c.Sort) << c.Before;
        EXPECT_EQ(order.ArrivalOrder, c.Arrival) << c.Before;
        EXPECT_EQ(controller.SortState(), c.After) << c.Before;
    }
    TMediaController controller;
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
