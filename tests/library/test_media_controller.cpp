#include <gtest/gtest.h>

#include "core/library/uMediaController.h"

using namespace orvanta;

using TGate = TMediaController::TGate;

TEST(MediaController, LibraryCommandsWaitForTheOneRunningAndNeedAWritableLibrary) {
    struct Case {
        int Command;
        bool Busy, ReadOnly;
        TGate Gate;
    };
    for (const Case& c :
         {Case{0, true, true, TGate::Run}, Case{7, true, false, TGate::Run},
          Case{9, false, true, TGate::Run}, Case{3, false, false, TGate::Run},
          Case{2, true, false, TGate::Wait}, Case{8, true, true, TGate::Wait},
          Case{4, false, true, TGate::ReadOnly}, Case{5, false, true, TGate::ReadOnly}}) {
        TMediaController controller;
        if (c.Busy)
            controller.Begin(TMediaController::TWork::Purging);
        EXPECT_EQ(controller.Gate(c.Command, c.ReadOnly), c.Gate) << c.Command;
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
