#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTextFold.h"
#include "support/TempDir.h"

using namespace orvanta;
using orvanta::test::TempDir;

namespace {
TPlayList makeList(std::initializer_list<const char*> entries, std::int32_t mode = pmNormal) {
    TPlayList list;
    list.SetUp("Test", mode);
    for (const char* entry : entries)
        list.InsertTrack(entry, -1);
    return list;
}
std::vector<std::string> draws(TPlayList& list, int n) {
    std::vector<std::string> result;
    for (int i = 0; i < n; ++i)
        result.push_back(list.NextTrack());
    return result;
}
} // namespace

TEST(PlayListFile, SaveThenLoadKeepsModeAndEntriesInOrder) {
    TempDir dir;
    TPlayList list = makeList({"/m/b.mp3*20", "/m/a.mp3*10", "/m/b.mp3*20"}, pmLoop);
    ASSERT_TRUE(list.SaveToFile(dir.file("x.ply")));
    EXPECT_EQ(orvanta::test::readAll(dir.file("x.ply")),
              "1\r\n/m/b.mp3*20\r\n/m/a.mp3*10\r\n/m/b.mp3*20");
    TPlayList loaded;
    ASSERT_TRUE(loaded.LoadFromFile(dir.file("x.ply")));
    EXPECT_EQ(loaded.PlayMode, pmLoop);
    EXPECT_EQ(loaded.Tracks(), list.Tracks());
    EXPECT_EQ(loaded.Name, "");
}

TEST(PlayListFile, LineRulesOfTheFormat) {
    TempDir dir;
    TPlayList onlyMode;
    ASSERT_TRUE(onlyMode.LoadFromFile(dir.write("a.ply", "2")));
    EXPECT_EQ(onlyMode.PlayMode, pmRandom);
    EXPECT_EQ(onlyMode.Count(), 0);

    // A blank line is no entry, nor is the empty line after an editor's final line end.
    using Entries = std::vector<std::string>;
    for (const auto& [text, entries] : {std::pair<std::string, Entries>{"0\r\nA*1\r\n", {"A*1"}},
                                        {"0\r\nA*1\r\n\r\n \t\r\nB*2\n\n", {"A*1", "B*2"}}}) {
        TPlayList blank;
        ASSERT_TRUE(blank.LoadFromFile(dir.write("b.ply", text)));
        EXPECT_EQ(blank.Tracks(), entries) << text;
    }

    // An empty first line leaves the mode as it was.
    TPlayList keepMode = makeList({}, pmLoop);
    ASSERT_TRUE(keepMode.LoadFromFile(dir.write("d.ply", "\r\nA*1")));
    EXPECT_EQ(keepMode.PlayMode, pmLoop);
    EXPECT_EQ(keepMode.Tracks(), (std::vector<std::string>{"A*1"}));
}

TEST(PlayListFile, BareLineFeedsFromAnEditorStillSeparateLines) {
    TempDir dir;
    TPlayList list;
    ASSERT_TRUE(list.LoadFromFile(dir.write("a.ply", "1\n/m/a.mp3*1\n/m/b.mp3*2\n")));
    EXPECT_EQ(list.PlayMode, pmLoop);
    EXPECT_EQ(list.Tracks(), (std::vector<std::string>{"/m/a.mp3*1", "/m/b.mp3*2"}));
    // CR, LF and CR LF all end a line, mixed in one file too.
    TPlayList mixed;
    ASSERT_TRUE(mixed.LoadFromFile(dir.write("b.ply", "0\r\n/m/a*1\n/m/b*2\r/m/c*3")));
    EXPECT_EQ(mixed.Tracks(), (std::vector<std::string>{"/m/a*1", "/m/b*2", "/m/c*3"}));
}

TEST(PlayListFile, LoadAppendsToPresentEntries) {
    TempDir dir;
    TPlayList list = makeList({"X*1"});
    ASSERT_TRUE(list.LoadFromFile(dir.write("a.ply", "1\r\nA*2\r\nB*3")));
    EXPECT_EQ(list.Tracks(), (std::vector<std::string>{"X*1", "A*2", "B*3"}));
}

TEST(PlayListFile, BadModeLineGivesNormalAndKeepsEntries) {
    TempDir dir;
    for (const char* mode : {"abc", "1x", "99999999999", " 1", "-"}) {
        TPlayList list = makeList({}, pmLoop);
        ASSERT_TRUE(list.LoadFromFile(dir.write("a.ply", std::string(mode) + "\r\nA*1\r\nB*2")));
        EXPECT_EQ(list.PlayMode, pmNormal) << mode;
        // A hand-written list without a mode line: its first line is an entry.
        ASSERT_EQ(list.Count(), 3) << mode;
        EXPECT_EQ(list.GetTrack(0), mode);
    }
    TPlayList negative;
    ASSERT_TRUE(negative.LoadFromFile(dir.write("n.ply", "-3")));
    EXPECT_EQ(negative.PlayMode, -3); // kept, and plays as pmNormal
}

TEST(PlayListFile, MissingOrUnreadableFileIsAFailureAndChangesNothing) {
    TempDir dir;
    TPlayList list = makeList({"A*1"}, pmLoop);
    EXPECT_FALSE(list.LoadFromFile(dir.file("missing.ply")));
    EXPECT_FALSE(list.LoadFromFile(dir.str())); // a folder
    const std::string locked = dir.write("locked.ply", "2\r\nB*1");
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {
        EXPECT_FALSE(list.LoadFromFile(locked));
    }
    EXPECT_EQ(list.PlayMode, pmLoop);
    EXPECT_EQ(list.Tracks(), (std::vector<std::string>{"A*1"}));
    // An empty file is read fine and changes nothing either.
    EXPECT_TRUE(list.LoadFromFile(dir.write("empty.ply", "")));
    EXPECT_EQ(list.Count(), 1);
}

TEST(PlayListFile, FailedSaveKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.write("a.ply", "1\r\nold*1");
    ::chmod(dir.str().c_str(), 0500);
    TPlayList list = makeList({"new*2"});
    if (::geteuid() != 0) {
        EXPECT_FALSE(list.SaveToFile(target));
        EXPECT_EQ(orvanta::test::readAll(target), "1\r\nold*1");
    }
    ::chmod(dir.str().c_str(), 0700);
}

TEST(TrackEntry, FieldsAndBadSeconds) {
    EXPECT_EQ(MakeTrackEntry("/m/a b.mp3", 215), "/m/a b.mp3*215");
    EXPECT_EQ(TrackPath("/m/a.mp3*215"), "/m/a.mp3");
    EXPECT_EQ(TrackSeconds("/m/a.mp3*215"), 215);
    EXPECT_EQ(TrackSeconds("/m/a.mp3"), 0);
    EXPECT_EQ(TrackSeconds("/m/a.mp3*2x"), 0);
    EXPECT_EQ(TrackSeconds("/m/a.mp3*"), 0);
    EXPECT_EQ(TrackSeconds("/m/a.mp3*99999999999"), 0);
    EXPECT_EQ(TrackSeconds("/m/a.mp3*-7"), 0);
    // Hand-edited lengths never overflow the total.
    EXPECT_EQ(makeList({"a*2147483647", "b*2147483647", "c*-7"}).TotalSeconds(), INT32_MAX);
    EXPECT_EQ(makeList({"a*60", "b*-7", "c*x", "d*2"}).TotalSeconds(), 62);
}

// Normal (and an unknown mode) yields each entry once, then "" once, then starts again; Loop
// never yields "".
TEST(PlayListNextTrack, ModeDecidesWhatFollowsTheLastEntry) {
    using Draws = std::vector<std::string>;
    for (const auto& [mode, expected] :
         {std::pair<std::int32_t, Draws>{pmNormal, {"A", "B", "C", "", "A"}},
          {pmLoop, {"A", "B", "C", "A", "B", "C", "A"}},
          {7, {"A", "B", "C", "", "A"}}}) {
        TPlayList list = makeList({"A", "B", "C"}, mode);
        list.Rewind();
        EXPECT_EQ(draws(list, int(expected.size())), expected) << mode;
    }
}

TEST(PlayListNextTrack, NotRewoundAfterClearSetUpOrAssignYieldsEmptyFirst) {
    TPlayList list = makeList({"A", "B"}, pmLoop);
    EXPECT_EQ(list.Position, -1);
    EXPECT_EQ(list.NextTrack(), "");
    EXPECT_EQ(list.NextTrack(), "A");

    TPlayList copy;
    list.Rewind();
    copy.Assign(list);
    EXPECT_EQ(copy.Position, -1);
    EXPECT_EQ(copy.Name, "Test");
    EXPECT_EQ(copy.PlayMode, pmLoop);
    EXPECT_EQ(copy.NextTrack(), "");

    TPlayList empty;
    EXPECT_EQ(empty.NextTrack(), "");
    empty.Position = 2147483647;
    empty.InsertTrack("A");
    EXPECT_EQ(empty.NextTrack(), "");
    EXPECT_EQ(empty.Position, -1);
}

// Random mode: the same seed picks the same entries again; each pick is an entry, more than
// one comes up, and the position stays.
TEST(PlayListNextTrack, RandomRepeatsItsSeedsPicksAndKeepsPosition) {
    const auto picks = [](std::uint32_t seed) {
        TRandom generator(seed);
        TPlayList list(&generator);
        list.SetUp("R", pmRandom);
        for (const char* entry : {"A", "B", "C", "D"})
            list.InsertTrack(entry);
        std::vector<std::string> out;
        for (int i = 0; i < 20; ++i)
            out.push_back(list.NextTrack());
        EXPECT_EQ(list.Position, -1);
        return out;
    };
    const std::vector<std::string> first = picks(42);
    EXPECT_EQ(picks(42), first);
    for (const std::string& pick : first)
        EXPECT_TRUE(pick == "A" || pick == "B" || pick == "C" || pick == "D") << pick;
    EXPECT_GT(std::set<std::string>(first.begin(), first.end()).size(), 1u);
}

TEST(Random, LinearCongruentialSequence) {
    TRandom generator(1);
    EXPECT_EQ(generator.Random(100), 3); // seed 134775814
    EXPECT_EQ(generator.Seed, 134775814u);
    for (int i = 0; i < 1000; ++i) {
        const auto value = generator.Random(7);
        EXPECT_GE(value, 0);
        EXPECT_LT(value, 7);
    }
}

// A shuffle is a permutation of the same entries (twins included); the same seed gives the same
// order; the position stays; and it takes two draws for each of 2 x Count + 1 exchanges.
TEST(PlayListShuffle, PermutesTheEntriesAndRepeatsItsSeed) {
    const std::vector<std::string> entries = {"0", "1", "2", "2", "3", "4"};
    const auto shuffled = [&](std::uint32_t seed, TRandom* used = nullptr) {
        TRandom generator(seed);
        TPlayList list(&generator);
        for (const std::string& entry : entries)
            list.InsertTrack(entry);
        list.Position = 3;
        list.Shuffle();
        EXPECT_EQ(list.Position, 3);
        if (used)
            *used = generator;
        return list.Tracks();
    };
    TRandom used;
    const std::vector<std::string> once = shuffled(7, &used);
    EXPECT_EQ(shuffled(7), once);
    EXPECT_NE(once, entries);
    EXPECT_TRUE(std::is_permutation(once.begin(), once.end(), entries.begin(), entries.end()));
    TRandom replay(7);
    for (std::size_t draw = 0; draw < 2 * (2 * entries.size() + 1); ++draw)
        replay.Random(6);
    EXPECT_EQ(used.Seed, replay.Seed);
}

TEST(PlayListShuffle, OneEntryDrawsNothing) {
    TRandom generator(5);
    TPlayList list(&generator);
    list.InsertTrack("A");
    list.Shuffle();
    EXPECT_EQ(generator.Seed, 5u);
    EXPECT_EQ(list.GetTrack(0), "A");
}

TEST(PlayListEdit, IndexesOutOfRangeAreAbsorbed) {
    TPlayList list = makeList({"A", "B"});
    list.InsertTrack("C", 2); // equal to Count: appends
    list.InsertTrack("Z", 0);
    list.InsertTrack("Y", -5);
    EXPECT_EQ(list.Tracks(), (std::vector<std::string>{"Z", "A", "B", "C", "Y"}));
    list.DeleteTrack(5);
    list.DeleteTrack(-1);
    list.Exchange(0, 9);
    list.Exchange(1, 1);
    EXPECT_EQ(list.Count(), 5);
    list.Exchange(0, 4);
    list.DeleteTrack(1);
    EXPECT_EQ(list.Tracks(), (std::vector<std::string>{"Y", "B", "C", "Z"}));
    EXPECT_EQ(list.GetTrack(-1), "");
    EXPECT_EQ(list.GetTrack(4), "");
}

// Paths are bytes: two names apart only in letter case are two files.
TEST(PlayListEdit, ContainsAndRemoveTrackCompareBytes) {
    TPlayList list = makeList({"/Music/Édith.mp3*3", "/music/a.mp3*1", "/MUSIC/A.MP3*1", "/m/b*2"});
    EXPECT_TRUE(list.Contains("/music/a.mp3*1"));
    EXPECT_FALSE(list.Contains("/music/A.mp3*1"));
    EXPECT_FALSE(list.Contains("/MUSIC/ÉDITH.MP3*3"));
    list.RemoveTracks({"/Music/A.mp3*1", "/MUSIC/A.MP3*1"});
    EXPECT_EQ(list.Tracks(),
              (std::vector<std::string>{"/Music/Édith.mp3*3", "/music/a.mp3*1", "/m/b*2"}));
    list.RemoveTracks({"/Music/Édith.mp3*3", "/m/B*2"});
    EXPECT_EQ(list.Tracks(), (std::vector<std::string>{"/music/a.mp3*1", "/m/b*2"}));
}

TEST(TextFold, UnicodeCaseAndInvalidBytes) {
    EXPECT_TRUE(SameTextFolded("Chansons d'ÉTÉ", "chansons d'été"));
    EXPECT_TRUE(SameTextFolded("ЖУРНАЛ", "журнал"));
    EXPECT_FALSE(SameTextFolded("abc", "abcd"));
    EXPECT_FALSE(SameTextFolded("é", "e"));
    EXPECT_TRUE(SameTextFolded("\xff\xc3", "\xff\xc3"));
    EXPECT_FALSE(SameTextFolded("\xc3", "\xe3"));
    EXPECT_FALSE(SameTextFolded("\xc3\xa9", "\xc3")); // truncated sequence
}
