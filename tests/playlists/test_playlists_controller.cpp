#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "core/playlists/uPlayListsController.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/TempDir.h"

using namespace orvanta;
using orvanta::test::TempDir;

namespace {

// A controller on real playlist files; each file is "name" -> its text.
struct Shown {
    TempDir Dir;
    TRandom Random{12345};
    TPlayListManager Manager{&Random};
    TPlayListsController Controller;

    explicit Shown(std::initializer_list<std::pair<std::string, std::string>> Files) {
        for (const auto& [name, text] : Files)
            Dir.write(name + ".ply", text);
        Manager.Open(Dir.str());
        Controller.Attach(&Manager);
        Controller.Select(0);
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const TPlayListRow& row : Controller.Rows())
            titles.push_back(row.Title);
        return titles;
    }
};

const std::string FiveTracks =
    "0\r\n/m/a.mp3*1\r\n/m/b.mp3*2\r\n/m/c.mp3*4\r\n/m/d.mp3*8\r\n/m/e.mp3*16";

} // namespace

TEST(PlayListsController, RowsAndInfoCountOddSecondsAsNothing) {
    // No seconds field, and one a hand edit broke: both show 00:00:00 and add nothing.
    Shown s({{"Odd", "7\r\n/m/a.mp3\r\n/m/b.mp3*12x\r\n/m/c.mp3*5"}, {"One", "0\r\n/m/x.mp3*60"}});
    ASSERT_EQ(s.Controller.Rows().size(), 3u);
    EXPECT_EQ(s.Controller.Rows()[0].Duration, "00:00:00");
    EXPECT_EQ(s.Controller.Rows()[1].Duration, "00:00:00");
    EXPECT_EQ(s.Controller.Rows()[2].Path, "/m/c.mp3");
    EXPECT_EQ(s.Controller.Info(), "00:00:05 (3 Tracks)");
    // There is no singular.
    s.Controller.Select(1);
    EXPECT_EQ(s.Controller.Info(), "00:01:00 (1 Tracks)");
    EXPECT_FALSE(s.Controller.Select(2));
    EXPECT_EQ(s.Controller.Current()->Name, "One");
}

TEST(PlayListsController, TrackCommandsFollowTheSelection) {
    struct Case {
        std::size_t Selected;
        bool One, Some;
    };
    for (const Case c : {Case{0, false, false}, Case{1, true, true}, Case{2, false, true}}) {
        const TTrackCommands enabled = TPlayListsController::EnabledFor(c.Selected);
        EXPECT_EQ(enabled.PlayTrack, c.One) << c.Selected;
        EXPECT_EQ(enabled.PlayFromHere, c.One) << c.Selected;
        EXPECT_EQ(enabled.Move, c.One) << c.Selected;
        EXPECT_EQ(enabled.Remove, c.Some) << c.Selected;
    }
}

TEST(PlayListsController, RemoveRowsTakesExactlyThoseAndMovesStopAtTheEnds) {
    Shown s({{"P", FiveTracks}});
    EXPECT_EQ(s.Controller.RemoveRows({}), TPlayListEdit::Nothing);
    EXPECT_EQ(s.Controller.RemoveRows({4, 0, 2}), TPlayListEdit::Changed);
    EXPECT_EQ(s.Titles(), (std::vector<std::string>{"b", "d"}));
    EXPECT_EQ(s.Controller.Info(), "00:00:10 (2 Tracks)");
    EXPECT_TRUE(s.Controller.CanPlayPlayList());

    int target = -1;
    EXPECT_EQ(s.Controller.MoveRow(0, -1, target), TPlayListEdit::Nothing);
    EXPECT_EQ(s.Controller.MoveRow(1, 1, target), TPlayListEdit::Nothing);
    EXPECT_EQ(s.Controller.MoveRow(1, -1, target), TPlayListEdit::Changed);
    EXPECT_EQ(target, 0);
    EXPECT_EQ(s.Titles(), (std::vector<std::string>{"d", "b"}));
    EXPECT_EQ(s.Controller.Current()->GetTrack(0), "/m/d.mp3*8");
}

TEST(PlayListsController, AnUnreadPlayListRefusesEveryEdit) {
    Shown s({{"Bad", std::string("0\r\n\0\0", 5)}});
    ASSERT_TRUE(s.Manager.IsUnread(s.Controller.Current()));
    EXPECT_EQ(TPlayListsController::ChangeRefusal(s.Manager, s.Controller.Current()),
              UnreadPlayListMessage("Bad"));
    int target = -1;
    EXPECT_EQ(s.Controller.SetPlayMode(pmLoop), TPlayListEdit::Refused);
    EXPECT_EQ(s.Controller.Shuffle(), TPlayListEdit::Refused);
    EXPECT_EQ(s.Controller.Current()->PlayMode, pmNormal);
    // A precondition that fails says nothing, read or not.
    EXPECT_EQ(s.Controller.RemoveRows({}), TPlayListEdit::Nothing);
    EXPECT_EQ(s.Controller.MoveRow(0, -1, target), TPlayListEdit::Nothing);
}

TEST(PlayListsController, RemovingSelectsTheLineAboveAndTheLastBringsBackMyPlaylist) {
    Shown s({{"A", "0"}, {"B", "0"}, {"C", "0"}});
    // The first line: the new first line. Another line: the one above it.
    ASSERT_TRUE(s.Controller.RemovePlayList("A"));
    EXPECT_EQ(s.Controller.Current()->Name, "B");
    s.Controller.Select(1);
    ASSERT_TRUE(s.Controller.RemovePlayList("C"));
    EXPECT_EQ(s.Controller.Current()->Name, "B");
    EXPECT_FALSE(s.Controller.RemovePlayList("C"));
    ASSERT_TRUE(s.Controller.RemovePlayList("B"));
    EXPECT_EQ(s.Controller.Names(), std::vector<std::string>{DefaultPlayListName});
    EXPECT_FALSE(s.Controller.CanPlayPlayList());
    EXPECT_EQ(s.Controller.Selected(), 0);
    EXPECT_TRUE(s.Controller.Rows().empty());
    EXPECT_FALSE(std::filesystem::exists(s.Dir.file("B.ply")));
}

TEST(PlayListsController, NewNamesAreCheckedAsTheCliChecksThem) {
    Shown s({{"Jazz", "0"}});
    EXPECT_EQ(TPlayListsController::NewNameRefusal(s.Manager, ""), InvalidPlayListNameMessage);
    EXPECT_EQ(TPlayListsController::NewNameRefusal(s.Manager, "a/b"), InvalidPlayListNameMessage);
    EXPECT_EQ(TPlayListsController::NewNameRefusal(s.Manager, "JAZZ"), PlayListNameTakenMessage);
    EXPECT_TRUE(s.Controller.AddPlayList(" Party "));
    EXPECT_EQ(s.Controller.Current()->Name, " Party ");
}

TEST(PlayListsController, OutsideChangesKeepTheShownPlayListByName) {
    Shown s({{"A", "0"}, {"B", "0\r\n/m/b.mp3*3"}});
    s.Controller.Select(1);
    // Reloaded under us: the same name shows its new entries; the names stay.
    s.Dir.write("B.ply", "0\r\n/m/b.mp3*3\r\n/m/c.mp3*4");
    std::filesystem::remove(s.Dir.file("A.ply"));
    s.Dir.write("0.ply", "0");
    ASSERT_TRUE(s.Manager.SaveChanged().ChangedOutside);
    EXPECT_TRUE(s.Controller.FollowOutsideChange());
    EXPECT_EQ(s.Controller.Current()->Name, "B");
    EXPECT_EQ(s.Titles(), (std::vector<std::string>{"b", "c"}));
    // The shown one gone: the first is shown.
    std::filesystem::remove(s.Dir.file("B.ply"));
    ASSERT_TRUE(s.Manager.SaveChanged().ChangedOutside);
    EXPECT_TRUE(s.Controller.FollowOutsideChange());
    EXPECT_EQ(s.Controller.Current()->Name, s.Controller.Names().front());
    EXPECT_FALSE(s.Controller.FollowOutsideChange());
}

TEST(PlayListsController, AFailedSaveIsToldOnceUntilItSaved) {
    TPlayListsController controller;
    TPlayListSync failed;
    failed.Failed = {"A", "B"};
    TPlayListSync deferred = failed;
    deferred.Deferred = true;
    const std::vector<std::string> both = {"A", "B"};
    EXPECT_EQ(controller.UntoldFailures(failed), both);
    controller.MarkTold(both);
    EXPECT_TRUE(controller.UntoldFailures(failed).empty());
    // B saved, then failed again: told again. A deferred save says nothing either way.
    failed.Failed = {"A"};
    EXPECT_TRUE(controller.UntoldFailures(failed).empty());
    failed.Failed = both;
    EXPECT_TRUE(controller.UntoldFailures(deferred).empty());
    EXPECT_EQ(controller.UntoldFailures(failed), std::vector<std::string>{"B"});
}
