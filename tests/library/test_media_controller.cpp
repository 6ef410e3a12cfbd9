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
