#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaFolders.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTrackInfo.h"
#include "core/metadata/ID3v2.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"

using namespace orvanta;
using orvanta::test::makeMp3;
using orvanta::test::TempDir;

namespace {

void append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

std::int64_t sizeOf(const std::string& path) {
    return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

// The shared home with two playlists; the music is in a folder of its own.
struct Fixture : test::THomeWithMaintenance {
    TempDir dir;

    Fixture() {
        PlayLists->AddPlayList("One");
        PlayLists->AddPlayList("Two");
    }
    TEasyQuery& row(const std::string& path) {
        TMyMediaDBTestAccess::SelectMedia(DB, query, ExtractFileDir(path), ExtractFileName(path));
        query.First();
        return query;
    }
    // A row as an add would leave it, without reading the file.
    void addRow(const std::string& path) {
        DB.AddMedia({.Directory = ExtractFileDir(path),
                     .FileName = ExtractFileName(path),
                     .Title = FileTitle(path)});
    }
    TEasyQuery query;
};

} // namespace

TEST(TrackInfo, LibraryRowOrTagsWithTheFileNameForAnEmptyTitle) {
    Fixture f;
    const std::string tagged = makeMp3(f.dir, "tagged.mp3", 1, "--tt Song --ta Band --tl Disc");
    const std::string bare = makeMp3(f.dir, "Bare Tone.mp3", 1);
    ASSERT_FALSE(tagged.empty() || bare.empty());
    const std::string listed = f.dir.file("listed.mp3");
    std::filesystem::copy_file(tagged, listed);
    f.DB.AddMedia({.Directory = f.dir.str(),
                   .FileName = "listed.mp3",
                   .Stamp = {1},
                   .Title = "Row Song",
                   .Artist = "Row Band",
                   .Album = "Row Disc",
                   .Seconds = 215,
                   .Quality = 128});
    EXPECT_FALSE(LibraryTrackInfo(tagged, f.DB));
    struct Case {
        std::optional<TTrackInfo> info;
        TTrackInfo expected;
    };
    for (const Case& c :
         {Case{LibraryTrackInfo(listed, f.DB), {"Row Song", "Row Band", "Row Disc", 215}},
          Case{FileTrackInfo(listed), {"Song", "Band", "Disc", 1}},
          Case{FileTrackInfo(bare), {"Bare Tone", "", "", 1}},
          Case{FileTrackInfo(f.dir.file("gone.mp3")), {"gone", "", "", 0}}}) {
        ASSERT_TRUE(c.info) << c.expected.Title;
        EXPECT_EQ(c.info->Title, c.expected.Title);
        EXPECT_EQ(c.info->Artist, c.expected.Artist) << c.expected.Title;
        EXPECT_EQ(c.info->Album, c.expected.Album) << c.expected.Title;
        EXPECT_EQ(c.info->Seconds, c.expected.Seconds) << c.expected.Title;
    }
}

TEST(ReadMediaInfo, Id3v2DecidesEveryText) {
    TempDir dir;
    const std::string path = makeMp3(dir, "a.mp3", 2,
                                     "--id3v2-only --tt Tïtle --ta Artist --tl Album --ty 1999 "
                                     "--tg Rock --tv TCOM=Comp --tv TLAN=fra --tn 3/9 "
                                     "--tv TPOS=1/2 --tv TPE2=Band");
    ASSERT_FALSE(path.empty());
    // An ID3v1 tag with other texts is ignored while the ID3v2 tag is there.
    append(path, orvanta::test::id3v1Block("Other", "Other", 17));
    const TMediaRecord info = ReadMediaInfo(path);
    EXPECT_EQ(info.Seconds, 2);
    EXPECT_EQ(info.Quality, 128);
    EXPECT_EQ(info.Title, "Tïtle");
    EXPECT_EQ(info.Artist, "Artist");
    EXPECT_EQ(info.Album, "Album");
    EXPECT_EQ(info.Year, "1999");
    EXPECT_EQ(info.Genre, "Rock");
    EXPECT_EQ(info.Language, "fra");
    EXPECT_EQ(info.Composer, "Comp");
    EXPECT_EQ(info.Numbers.Track, 3);
    EXPECT_EQ(info.Numbers.Disc, 1);
    EXPECT_EQ(info.Numbers.AlbumArtist, "Band");
}

TEST(ReadMediaInfo, Id3v1GivesTheGenreNameAndNoLanguageOrComposer) {
    TempDir dir;
    const std::string path = makeMp3(dir, "a.mp3", 1, "--id3v1-only");
    ASSERT_FALSE(path.empty());
    std::filesystem::copy_file(path, dir.file("b.mp3"));
    append(path, orvanta::test::id3v1Block("Old Title", "Old Artist", 17));
    TMediaRecord info = ReadMediaInfo(path);
    EXPECT_EQ(info.Title, "Old Title");
    EXPECT_EQ(info.Artist, "Old Artist");
    EXPECT_EQ(info.Year, "1987");
    EXPECT_EQ(info.Genre, "Rock");
    EXPECT_EQ(info.Language, "");
    EXPECT_EQ(info.Composer, "");
    append(dir.file("b.mp3"), orvanta::test::id3v1Block("T", "A", 200));
    EXPECT_EQ(ReadMediaInfo(dir.file("b.mp3")).Genre, "");
}

TEST(ReadMediaInfo, NotAudioOrMissingGivesZerosAndEmptyTexts) {
    TempDir dir;
    const TMediaRecord garbage = ReadMediaInfo(dir.write("x.mp3", std::string(5000, 'x')));
    EXPECT_EQ(garbage.Seconds, 0);
    EXPECT_EQ(garbage.Quality, 0);
    EXPECT_EQ(garbage.Title, "");
    const TMediaRecord missing = ReadMediaInfo(dir.file("missing.mp3"));
    EXPECT_EQ(missing.Seconds, 0);
    EXPECT_EQ(ReadMediaInfo(dir.write("empty.mp3", "")).Quality, 0);
}

TEST(AddFiles, AddsSupportedFilesInOrderAndNamesTheOthers) {
    Fixture f;
    const std::string a = makeMp3(f.dir, "a.mp3", 1, "--id3v2-only --tt A");
    const std::string b = f.dir.write("b.txt", "text");
    const std::string c = makeMp3(f.dir, "c.MP3", 1, "--id3v2-only --ta Someone");
    std::vector<TAddResult> results;
    std::vector<std::pair<int, int>> progress;
    const int handled = f.Maintenance.AddFiles(
        {a, b, c}, [&](const TAddResult& result) { results.push_back(result); },
        {[&](int done, int total) { progress.emplace_back(done, total); }, {}});
    EXPECT_EQ(handled, 3);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].Outcome, TAddOutcome::Added);
    EXPECT_EQ(results[1].Outcome, TAddOutcome::Unsupported);
    EXPECT_EQ(UnsupportedFileMessage(results[1].Path),
              "The following file type is not supported.\r\nb.txt");
    EXPECT_EQ(results[2].Outcome, TAddOutcome::Added);
    EXPECT_EQ(results[2].Row.Title, "c"); // ID3v2 without a title: the file's name
    EXPECT_EQ(results[2].Row.TrackEntry(), c + "*1");
    EXPECT_EQ(progress.back(), std::make_pair(3, 3));
    EXPECT_EQ(f.RowCount(), 2);
    EXPECT_EQ(f.row(a).FieldByName("fFileSize").AsInteger(), sizeOf(a));
    EXPECT_EQ(f.row(c).FieldByName("fArtist").AsString(), "Someone");
    // Each added row comes with its id, so a view lists it without looking it up.
    EXPECT_EQ(results[2].Row.Id, f.DB.MediaId(ExtractFileDir(c), ExtractFileName(c)));
    EXPECT_NE(results[0].Row.Id, results[2].Row.Id);
}

TEST(AddFiles, TitleFallsBackToTheFileNameNotToId3v1) {
    Fixture f;
    const std::string path = makeMp3(f.dir, "song.v2.mp3", 1, "--id3v2-only --ta Artist");
    append(path, orvanta::test::id3v1Block("Id3v1 Title", "X", 1));
    EXPECT_EQ(f.Maintenance.AddFile(path).Outcome, TAddOutcome::Added);
    EXPECT_EQ(f.row(path).FieldByName("fTitle").AsString(), "song.v2");
    EXPECT_EQ(f.row(path).FieldByName("fArtist").AsString(), "Artist");

    const std::string plain = makeMp3(f.dir, "plain.mp3", 1, "--id3v1-only");
    f.Maintenance.AddFile(plain);
    TEasyQuery& row = f.row(plain);
    EXPECT_EQ(row.FieldByName("fTitle").AsString(), "plain");
    for (const char* field : {"fArtist", "fAlbum", "fYear", "fGenre", "fLanguage", "fComposer"})
        EXPECT_EQ(row.FieldByName(field).AsString(), "") << field;
}

// Files without MPEG audio get no row and say why; a known file is not added twice.
TEST(AddFiles, SkipsFilesWithoutAudioAndKnownFiles) {
    Fixture f;
    const struct {
        std::string path;
        TAddOutcome outcome;
        const char* reason;
    } cases[] = {
        {f.dir.write("noise.mp3", std::string(3000, '\x55')), TAddOutcome::NoAudio,
         "no MPEG audio found"},
        {f.dir.write("empty.mp3", ""), TAddOutcome::NoAudio, "no MPEG audio found"},
        {f.dir.file("gone.mp3"), TAddOutcome::Unreadable, "cannot be read"},
        {f.dir.write("cover.jpg", "x"), TAddOutcome::Unsupported, "a format Orvanta does not read"},
    };
    TAddTally tally;
    for (const auto& c : cases) {
        const TAddResult result = f.Maintenance.AddFile(c.path);
        EXPECT_EQ(result.Outcome, c.outcome) << c.path;
        EXPECT_EQ(SkipReason(result.Outcome), c.reason) << c.path;
        tally.Count(result);
    }
    const std::string song = makeMp3(f.dir, "song.mp3", 1);
    tally.Count(f.Maintenance.AddFile(song));
    tally.Count(f.Maintenance.AddFile(song));
    // Another file on Linux, not the same one in other letter case.
    std::filesystem::copy_file(song, f.dir.file("SONG.MP3"));
    tally.Count(f.Maintenance.AddFile(f.dir.file("SONG.MP3")));
    EXPECT_EQ(tally.Summary(), "2 added, 1 already in the library, 4 skipped (1 file in a format "
                               "Orvanta does not read: .jpg)");
    EXPECT_EQ(tally.Details.at(2), cases[2].path + ": cannot be read");
    EXPECT_EQ(f.RowCount(), 2);
    // A bounded summary names the first files and counts the rest.
    TAddTally bounded;
    bounded.DetailLimit = 3;
    for (const auto& c : cases)
        bounded.Count(f.Maintenance.AddFile(c.path));
    EXPECT_EQ(bounded.Details,
              (std::vector<std::string>{tally.Details[0], tally.Details[1], "... and 2 more"}));
    EXPECT_EQ(bounded.Skipped, 4);
}

namespace {

// Copies of the sample MP3, so that each gets a row.
std::vector<std::string> songs(const TempDir& dir, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        test::WriteMp3(paths.emplace_back(dir.file(std::to_string(i) + ".mp3")));
    return paths;
}

} // namespace

TEST(AddFiles, CancelKeepsWhatWasAddedAndEveryReportedFileIsOnDisk) {
    Fixture f;
    const std::vector<std::string> paths = songs(f.dir, 50);
    int reported = 0;
    TMaintenanceProgress progress;
    int calls = 0;
    progress.Cancelled = [&] { return ++calls > 20; };
    f.Maintenance.CommitInterval = std::chrono::hours(1);
    const int handled = f.Maintenance.AddFiles(
        paths,
        [&](const TAddResult&) {
            ++reported;
            TMyMediaDB other; // what a second process would see
            other.OpenDatabase(f.LibraryFile());
            TEasyQuery query;
            TMyMediaDBTestAccess::SelectAllMedia(other, query);
            EXPECT_GE(query.RecordCount(), reported);
        },
        progress);
    EXPECT_EQ(handled, 20);
    EXPECT_EQ(reported, 20);
    EXPECT_EQ(f.RowCount(), 20);
}

TEST(AddFiles, FailureKeepsTheFilesBeforeIt) {
    Fixture f;
    const std::vector<std::string> paths = songs(f.dir, 5);
    int reported = 0;
    TMaintenanceProgress progress;
    progress.OnProgress = [&](int done, int) {
        if (done == 3) // the table goes away under the running batch
            TMyMediaDBTestAccess::ExecQuery(f.DB, f.query, "ALTER TABLE tMedia RENAME TO tGone");
    };
    EXPECT_THROW(f.Maintenance.AddFiles(
                     paths, [&](const TAddResult&) { ++reported; }, progress),
                 EEasyError);
    EXPECT_EQ(reported, 3);
    TMyMediaDBTestAccess::OpenQuery(f.DB, f.query, "SELECT * FROM tGone");
    EXPECT_EQ(f.query.RecordCount(), 3);
}

// A removal takes the row of those very bytes and, as the view and the tool do, its entries
// from every playlist; the file stays.
TEST(RemoveMedia, DropsTheRowAndEveryPlayListEntryButNotTheFile) {
    Fixture f;
    const std::string path = f.dir.write("Song.mp3", "x");
    f.addRow(path);
    f.addRow(f.dir.write("other.mp3", "x"));
    f.addRow(f.dir.write("song.mp3", "x"));
    const std::string entry = MakeTrackEntry(path, 0);
    f.PlayLists->FindByName("One")->InsertTrack(entry);
    f.PlayLists->FindByName("One")->InsertTrack(entry);
    // Another file, in another letter case: its entry stays.
    f.PlayLists->FindByName("Two")->InsertTrack(MakeTrackEntry(f.dir.file("song.mp3"), 0));
    f.PlayLists->FindByName("Two")->InsertTrack("/elsewhere.mp3*0");
    EXPECT_TRUE(f.Maintenance.InPlayLists(entry));
    f.DB.RemoveMedia(ExtractFileDir(path), "Song.mp3");
    f.PlayLists->RemoveTracksEverywhere({entry});
    EXPECT_FALSE(f.Maintenance.InPlayLists(entry));
    EXPECT_EQ(f.PlayLists->FindByName("One")->Count(), 0);
    EXPECT_EQ(f.PlayLists->FindByName("Two")->Count(), 2);
    EXPECT_EQ(f.RowCount(), 2);
    EXPECT_NE(f.DB.MediaId(f.dir.str(), "song.mp3"), 0);
    EXPECT_TRUE(std::filesystem::exists(path));
}

// A row goes with its file, also from a folder left empty; it stays, with its playlist
// entries, while its folder is missing or is an empty mount point, as an unmounted drive
// leaves it.
TEST(RemoveMissingFiles, GoneFilesGoAndUnmountedDrivesStay) {
    Fixture f;
    f.dir.write("fstab", "# /mnt/x\nUUID=1 " + f.dir.file("listed") + "/ ext4 defaults 0 2\n");
    f.dir.write("mounts", "/dev/sdb1 " + f.dir.file("in\\040table") + " vfat rw 0 0\n");
    f.Maintenance.MountPoints.FstabFile = f.dir.file("fstab");
    f.Maintenance.MountPoints.MountsFile = f.dir.file("mounts");
    f.Maintenance.MountPoints.Roots = {f.dir.file("media")};
    const struct {
        const char* folder;
        bool others, folderGone, kept;
    } cases[] = {
        {"album", true, false, false},    {"emptied", false, false, false},
        {"share", false, true, true},     {"listed", false, false, true},
        {"in table", false, false, true}, {"media/usb", false, false, true},
    };
    for (const auto& c : cases) {
        std::filesystem::create_directories(f.dir.file(c.folder));
        const std::string song = f.dir.write(std::string(c.folder) + "/song.mp3", "x");
        f.addRow(song);
        f.PlayLists->FindByName("One")->InsertTrack(MakeTrackEntry(song, 0));
        if (c.others)
            f.dir.write(std::string(c.folder) + "/cover.jpg", "x");
        std::filesystem::remove(song);
        if (c.folderGone)
            std::filesystem::remove_all(f.dir.file(c.folder));
    }
    const TPurgeResult result = f.Maintenance.RemoveMissingFiles();
    EXPECT_EQ(result.Checked, 6);
    EXPECT_EQ(result.KeptFolderMissing, 4);
    std::vector<std::string> entries;
    for (const auto& c : cases) {
        EXPECT_EQ(f.DB.MediaId(f.dir.file(c.folder), "song.mp3") != 0, c.kept) << c.folder;
        if (c.kept)
            entries.push_back(MakeTrackEntry(f.dir.file(std::string(c.folder) + "/song.mp3"), 0));
    }
    EXPECT_EQ(f.PlayLists->FindByName("One")->Tracks(), entries);
}

TEST(RemoveMissingFiles, CancelStopsTheScanAndRemovesOnlyWhatWasFound) {
    Fixture f;
    for (int i = 0; i < 10; ++i)
        f.addRow(f.dir.file("gone" + std::to_string(i) + ".mp3"));
    int calls = 0;
    TMaintenanceProgress progress;
    progress.Cancelled = [&] { return ++calls > 4; };
    const TPurgeResult result = f.Maintenance.RemoveMissingFiles(progress);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Removed.size(), 4u);
    EXPECT_EQ(f.RowCount(), 6);
}

// Refresh looks beside the library's files, not below them nor in other folders.
TEST(FindNewFiles, FindsFilesBesideTheLibrarysFilesOnly) {
    Fixture f;
    std::filesystem::create_directories(f.dir.file("a/sub"));
    std::filesystem::create_directories(f.dir.file("b"));
    f.addRow(f.dir.write("a/x.mp3", "x"));
    // One folder under two spellings is looked through once.
    f.DB.AddMedia({.Directory = f.dir.file("a") + "/", .FileName = "v.mp3", .Title = "v"});
    for (const char* file :
         {"a/y.mp3", "a/notes.txt", "a/sub/z.mp3", "b/w.mp3", "a/X.MP3", "a/v.mp3"})
        f.dir.write(file, "x");
    EXPECT_EQ(FindNewFiles(f.DB, f.Types),
              (std::vector<std::string>{f.dir.file("a/X.MP3"), f.dir.file("a/y.mp3")}));
}

// A folder keeps the time at which nothing was new in it, and is listed again only once its
// time moved (an entry came, went or was renamed) or the file types read are others.
TEST(FindNewFiles, ListsAgainOnlyTheFoldersWhoseTimeMoved) {
    Fixture f;
    const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* folder : {"a", "b"}) {
        std::filesystem::create_directories(f.dir.file(folder));
        f.addRow(f.dir.write(std::string(folder) + "/x.mp3", "x"));
        std::filesystem::last_write_time(f.dir.file(folder), hourAgo);
    }
    EXPECT_TRUE(FindNewFiles(f.DB, f.Types).empty());
    // A file slipped in behind a time set back is not looked for: the folder is not listed.
    f.dir.write("a/late.mp3", "x");
    std::filesystem::last_write_time(f.dir.file("a"), hourAgo);
    f.dir.write("b/new.mp3", "x");
    EXPECT_EQ(FindNewFiles(f.DB, f.Types), std::vector<std::string>{f.dir.file("b/new.mp3")});
    TCustomStringList more;
    more.NameValueSeparator = ':';
    RegisterFileTypes(more);
    more.Add("zz:Other");
    EXPECT_EQ(FindNewFiles(f.DB, more),
              (std::vector<std::string>{f.dir.file("a/late.mp3"), f.dir.file("b/new.mp3")}));
}

// A file the user removed stays out of refreshes and folder adds until it is added by name.
TEST(RemoveMedia, RemovedFilesStayOutUntilAddedByName) {
    Fixture f;
    const std::vector<std::string> paths = songs(f.dir, 3);
    const auto add = [&f](const std::vector<std::string>& chosen) {
        const TCollectedFiles collected = CollectFilesToAdd(f.DB, chosen, f.Types);
        f.Maintenance.AddFiles(collected.Files, {});
        return collected.PassedBy;
    };
    EXPECT_TRUE(add({f.dir.str()}).empty());
    EXPECT_EQ(f.RowCount(), 3);
    f.DB.RemoveMedia(f.dir.str(), "0.mp3");
    f.DB.RemoveMedia(f.dir.str(), "1.mp3");
    EXPECT_TRUE(FindNewFiles(f.DB, f.Types).empty());
    EXPECT_EQ(add({f.dir.str()}), (std::vector<std::string>{paths[0], paths[1]}));
    EXPECT_EQ(f.RowCount(), 1);
    EXPECT_TRUE(add({paths[0]}).empty());
    EXPECT_EQ(f.RowCount(), 2);
    EXPECT_EQ(add({f.dir.str()}), std::vector<std::string>{paths[1]});
    EXPECT_TRUE(FindNewFiles(f.DB, f.Types).empty());
}

// A row stored with a time is changed by any other size or time; a row from before the time
// was kept only by another size.
TEST(FileChanged, SizeOrTimeAndRowsWithoutATimeBySizeOnly) {
    const struct {
        TMediaStamp stored, now;
        bool changed;
    } cases[] = {
        {{100, 5}, {100, 5}, false}, {{100, 5}, {100, 6}, true}, {{100, 5}, {101, 5}, true},
        {{100, 0}, {100, 6}, false}, {{100, 0}, {99, 6}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileChanged(c.stored, c.now), c.changed)
            << c.stored.FileTime << " " << c.now.FileSize;
}

// Refresh reads a file another tagger rewrote again, row and all; a row without a time whose
// file kept its size keeps what the library holds and gets the time.
TEST(FindChangedRows, RereadsRetaggedFilesAndStampsRowsWithoutATime) {
    Fixture f;
    const auto mp3 = [&f](const char* name) {
        const std::string path = f.dir.file(name);
        test::WriteMp3(path);
        return path;
    };
    const std::string retagged = mp3("retagged.mp3");
    const std::string same = mp3("same.mp3");
    const std::string old = mp3("old.mp3");
    const std::string oldResized = mp3("old-resized.mp3");
    for (const std::string& path : {retagged, same}) {
        ASSERT_EQ(f.Maintenance.AddFile(path).Outcome, TAddOutcome::Added);
        // Kept in the library only ("OK" of the tag editor): the file's new values win.
        f.DB.UpdateMedia(
            {.Directory = f.dir.str(), .FileName = ExtractFileName(path), .Title = "Edited"});
    }
    for (const auto& [path, size] : {std::pair{old, sizeOf(old)}, {oldResized, 1}})
        f.DB.AddMedia({.Directory = ExtractFileDir(path),
                       .FileName = ExtractFileName(path),
                       .Stamp = {size},
                       .Title = "Library only",
                       .Seconds = 1,
                       .Quality = 128});

    TID3v2 tag;
    tag.SetTitle("New Title");
    ASSERT_TRUE(tag.StoreTag(retagged));
    const auto later = std::filesystem::last_write_time(same) + std::chrono::seconds(5);
    std::filesystem::last_write_time(retagged, later);
    std::filesystem::last_write_time(old, later);

    const std::vector<std::string> changed = f.DB.MediaPaths(FindChangedRows(f.DB));
    EXPECT_EQ(changed, (std::vector<std::string>{retagged, oldResized}));
    EXPECT_EQ(f.row(old).FieldByName("fTitle").AsString(), "Library only");
    TMediaStamp stamp, onDisk;
    ASSERT_TRUE(f.DB.MediaStamp(f.dir.str(), "old.mp3", stamp));
    ASSERT_TRUE(ReadFileStamp(old, onDisk));
    EXPECT_EQ(stamp.FileTime, onDisk.FileTime);
    EXPECT_NE(stamp.FileTime, 0);

    TAddTally tally;
    f.Maintenance.AddFiles(changed, [&tally](const TAddResult& result) { tally.Count(result); });
    EXPECT_EQ(tally.Summary(), "0 added, 2 updated, 0 already in the library, 0 skipped");
    EXPECT_EQ(f.row(retagged).FieldByName("fTitle").AsString(), "New Title");
    EXPECT_EQ(f.row(retagged).FieldByName("fFileSize").AsInt64(), sizeOf(retagged));
    EXPECT_EQ(f.row(oldResized).FieldByName("fSeconds").AsInteger(), 1);
    EXPECT_EQ(f.RowCount(), 4);
    EXPECT_TRUE(FindChangedRows(f.DB).empty());
    // Adding a changed file again reads it again too.
    tag.SetTitle("Newer");
    ASSERT_TRUE(tag.StoreTag(same));
    std::filesystem::last_write_time(same, later);
    EXPECT_EQ(f.Maintenance.AddFile(same).Outcome, TAddOutcome::Updated);
    EXPECT_EQ(f.row(same).FieldByName("fTitle").AsString(), "Newer");
}

TEST(FillMissingNumbers, ReadsTheTagsOfRowsWrittenBeforeTheNumbers) {
    Fixture f;
    const std::string tagged =
        makeMp3(f.dir, "t.mp3", 1, "--id3v2-only --tn 7/12 --tv TPOS=2 --tv TPE2=Band");
    ASSERT_FALSE(tagged.empty());
    f.addRow(tagged);
    f.addRow(f.dir.file("gone.mp3"));
    TEasyQuery raw;
    TMyMediaDBTestAccess::ExecQuery(f.DB, raw,
                                    "UPDATE tMedia SET fTrack = NULL"); // as in an older file
    EXPECT_EQ(f.Maintenance.FillMissingNumbers(), 1);
    EXPECT_EQ(f.row(tagged).FieldByName("fTrack").AsInteger(), 7);
    EXPECT_EQ(f.row(tagged).FieldByName("fDisc").AsInteger(), 2);
    EXPECT_EQ(f.row(tagged).FieldByName("fAlbumArtist").AsString(), "Band");
    // A file that cannot be read now is tried again next time.
    EXPECT_TRUE(f.row(f.dir.file("gone.mp3")).FieldByName("fTrack").IsNull());
}
