#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

#include "core/library/uMediaKeys.h"
#include "core/library/uMediaSearch.h"
#include "core/library/uTMyMediaDB.h"
#include "support/LibraryQueries.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvanta;
using orvanta::test::readAll;
using orvanta::test::TempDir;
using orvanta::test::WaitUntil;

namespace {
bool add(TMyMediaDB& db, const std::string& dir, const std::string& file,
         const std::string& title = "T", const std::string& artist = "",
         const std::string& year = "") {
    return db.AddMedia({.Directory = dir,
                        .FileName = file,
                        .Stamp = {1000},
                        .Title = title,
                        .Artist = artist,
                        .Album = "Album",
                        .Year = year,
                        .Genre = "Pop",
                        .Language = "eng",
                        .Composer = "Comp",
                        .Seconds = 215,
                        .Quality = 128});
}
std::vector<std::string> column(TEasyQuery& query, const char* field) {
    std::vector<std::string> values;
    query.First();
    for (int i = 0; i < query.RecordCount(); ++i, query.Next())
        values.push_back(query.FieldByName(field).AsString());
    query.Close();
    return values;
}
int rows(TMyMediaDB& db) {
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectAllMedia(db, query);
    return query.RecordCount();
}
} // namespace

TEST(MediaDB, CreatesTheTableWhenMissingAndKeepsRowsOnReopen) {
    TempDir dir;
    {
        TMyMediaDB db;
        db.OpenDatabase(dir.file("MyMedia.edb"));
        EXPECT_TRUE(std::filesystem::exists(dir.file("MyMedia.edb")));
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectAllMedia(db, query);
        EXPECT_EQ(query.RecordCount(), 0);
        const std::vector<std::string> fields = {
            "fDirectory",  "fFileName",      "fFileSize",  "fSeconds",    "fQuality",
            "fTitle",      "fArtist",        "fAlbum",     "fYear",       "fGenre",
            "fLanguage",   "fComposer",      "fFileTime",  "fFormat",     "fCodec",
            "fSampleRate", "fBitsPerSample", "fChannels",  "fTrackTotal", "fDiscTotal",
            "fTrackGain",  "fTrackPeak",     "fAlbumGain", "fAlbumPeak",  "fTrack",
            "fDisc",       "fAlbumArtist",   "fTitleKey",  "fArtistKey",  "fAlbumKey",
            "fGenreKey",   "fAlbumArtistKey"};
        ASSERT_EQ(query.FieldCount(), 32);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(query.FieldName(i), fields[static_cast<std::size_t>(i)]);
        EXPECT_TRUE(add(db, "/music", "a.mp3"));
    }
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectMedia(db, query, "/music", "a.mp3");
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("fFileSize").AsInteger(), 1000);
    EXPECT_EQ(query.FieldByName("fSeconds").AsInteger(), 215);
    EXPECT_EQ(query.FieldByName("fQuality").AsInteger(), 128);
    EXPECT_EQ(query.FieldByName("fComposer").AsString(), "Comp");
    EXPECT_EQ(db.IntegrityCheck(), "ok");
}

// A file is the bytes of its path: names that differ in letter case only are two files, a
// folder with or without its trailing '/' is one, and every look-up, change and removal
// reaches its own row alone. An import's batch checks the same way.
TEST(MediaDB, PathIsItsBytes) {
    TempDir dir;
    const struct {
        const char* directory;
        const char* file;
        bool added;
    } cases[] = {
        {"/Music", "Song.mp3", true},     {"/Music", "Song.mp3", false},
        {"/Music", "song.mp3", true},     {"/MUSIC", "Song.mp3", true},
        {"/Music/Été", "Song.mp3", true}, {"/Music/ÉTÉ", "Song.mp3", true},
        {"/Music/", "Song.mp3", false},   {"/Music/Été/", "Song.mp3", false},
        {"/Disc/", "a.mp3", true},        {"/Disc", "a.mp3", false},
    };
    TMyMediaDB batched;
    batched.OpenDatabase(dir.file("Batched.edb"));
    batched.BeginBatch();
    for (const auto& c : cases)
        EXPECT_EQ(add(batched, c.directory, c.file), c.added) << c.directory << "/" << c.file;
    batched.EndBatch();
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    for (const auto& c : cases)
        EXPECT_EQ(add(db, c.directory, c.file, std::string(c.directory) + "/" + c.file), c.added)
            << c.directory << "/" << c.file;
    db.DeleteMedia("/Disc", "a.mp3");
    // Rows written by an older writer that did not check for duplicates.
    TEasyQuery raw;
    TMyMediaDBTestAccess::ExecQuery(
        db, raw, "INSERT INTO tMedia (fDirectory, fFileName) VALUES ('/Music', 'song.mp3')");
    EXPECT_EQ(rows(db), 6);
    db.UpdateMedia({.Directory = "/Music", .FileName = "song.mp3", .Title = "Edited"});
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectMedia(db, query, "/Music", "Song.mp3");
    EXPECT_EQ(column(query, "fTitle"), std::vector<std::string>{"/Music/Song.mp3"});
    EXPECT_NE(db.MediaId("/MUSIC", "Song.mp3"), db.MediaId("/Music", "Song.mp3"));
    db.DeleteMedia("/Music", "song.mp3");
    EXPECT_EQ(db.MediaId("/Music", "song.mp3"), 0);
    TMyMediaDBTestAccess::SelectAllMedia(db, query);
    std::vector<std::string> left = column(query, "fTitle");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"/MUSIC/Song.mp3", "/Music/Song.mp3",
                                              "/Music/ÉTÉ/Song.mp3", "/Music/Été/Song.mp3"}));
}

TEST(MediaDB, LongTextsAreCutToTheFieldSizeInCharacters) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "é";
    EXPECT_TRUE(add(db, "/m", "a.mp3", std::string(300, 't'), accented, "19999"));
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectMedia(db, query, "/m", "a.mp3");
    EXPECT_EQ(query.FieldByName("fTitle").AsString(), std::string(256, 't'));
    EXPECT_EQ(query.FieldByName("fArtist").AsString().size(), 512u);
    EXPECT_EQ(query.FieldByName("fYear").AsString(), "1999");
    db.UpdateMedia(
        {.Directory = "/m", .FileName = "a.mp3", .Title = std::string(257, 'u'), .Year = "20201"});
    TMyMediaDBTestAccess::SelectMedia(db, query, "/m", "a.mp3");
    EXPECT_EQ(query.FieldByName("fTitle").AsString(), std::string(256, 'u'));
    EXPECT_EQ(query.FieldByName("fYear").AsString(), "2020");
}

TEST(MediaDB, DistinctValuesInAscendingOrder) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    add(db, "/m", "1.mp3", "T", "B");
    add(db, "/m", "2.mp3", "T", "A");
    add(db, "/m", "3.mp3", "T", "");
    add(db, "/m", "4.mp3", "T", "A");
    // Several values are offered one by one, never joined.
    TMediaRecord both{.Directory = "/m", .FileName = "5.mp3", .Artist = "C / A"};
    both.Artists = {"C", "A"};
    ASSERT_TRUE(db.AddMedia(both));
    const auto values = [&db](const char* field, std::size_t most = 100) {
        std::vector<std::string> read;
        db.DistinctValues(field, [&](std::string_view value) {
            read.emplace_back(value);
            return read.size() < most;
        });
        return read;
    };
    using list = std::vector<std::string>;
    EXPECT_EQ(values("fArtist"), (list{"A", "B", "C"})); // the empty one left out
    EXPECT_EQ(values("fArtist", 1), list{"A"});          // until the reader has enough
    EXPECT_EQ(values("fGenre"), list{"Pop"});
    EXPECT_EQ(values("fAlbum").size(), 1u);
    EXPECT_EQ(values("fLanguage"), list{"eng"});
    EXPECT_EQ(values("fComposer"), list{"Comp"});
}

TEST(MediaDB, FilteredSelectsLowerAsciiAndOrderByTitle) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    add(db, "/m", "1.mp3", "Waterloo", "ABBA");
    add(db, "/m", "2.mp3", "Fernando", "Abba");
    add(db, "/m", "3.mp3", "SOS", "abba");
    add(db, "/m", "4.mp3", "Other", "Abbacadabra");
    add(db, "/m", "5.mp3", "Non, je ne regrette rien", "ÉDITH");
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectMediaByArtist(db, query, "abba");
    EXPECT_EQ(column(query, "fTitle"), (std::vector<std::string>{"Fernando", "SOS", "Waterloo"}));
    TMyMediaDBTestAccess::SelectMediaByArtist(db, query, "ÉDITH");
    EXPECT_EQ(query.RecordCount(), 1);
    TMyMediaDBTestAccess::SelectMediaByArtist(db, query, "édith"); // lowering touches A-Z only
    EXPECT_EQ(query.RecordCount(), 0);
    TMyMediaDBTestAccess::SelectMediaByAlbum(db, query, "ALBUM");
    EXPECT_EQ(query.RecordCount(), 5);
    TMyMediaDBTestAccess::SelectMediaByGenre(db, query, "pop");
    EXPECT_EQ(query.RecordCount(), 5);
    TMyMediaDBTestAccess::SelectAllMedia(db, query);
    EXPECT_EQ(column(query, "fTitle").front(), "Fernando");
}

TEST(MediaDB, QuotesBackslashesAndAccentsMatchTheirOwnRow) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    const std::string folder = R"(/mnt/C:\Mu sic\Édith "Piaf")";
    const std::string file = R"(L'Hymne \"à\" l'amour.MP3)";
    EXPECT_TRUE(add(db, folder, file));
    add(db, "/m", "other.mp3");
    EXPECT_FALSE(add(db, folder, file));

    const std::string title = R"(Title" OR "1"="1 \ ')";
    db.UpdateMedia({.Directory = folder,
                    .FileName = file,
                    .Title = title,
                    .Artist = "ÉDITH",
                    .Album = R"(")"});
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectMedia(db, query, folder, file);
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("fTitle").AsString(), title);
    TMyMediaDBTestAccess::SelectMedia(db, query, "/m", "other.mp3");
    EXPECT_EQ(query.FieldByName("fTitle").AsString(), "T"); // not widened to other rows
    TMyMediaDBTestAccess::SelectMediaByAlbum(db, query, R"(")");
    EXPECT_EQ(query.RecordCount(), 1);
    TMyMediaDBTestAccess::SelectMediaByArtist(db, query, "ÉDITH");
    EXPECT_EQ(query.RecordCount(), 1);

    db.DeleteMedia(folder, file);
    EXPECT_EQ(rows(db), 1);
}

TEST(MediaDB, UpdateOrDeleteOfAMissingRowChangesNothing) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    add(db, "/m", "a.mp3", "Kept");
    EXPECT_NO_THROW(db.UpdateMedia({.Directory = "/m", .FileName = "b.mp3", .Title = "X"}));
    EXPECT_NO_THROW(db.DeleteMedia("/m", "b.mp3"));
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectAllMedia(db, query);
    EXPECT_EQ(column(query, "fTitle"), (std::vector<std::string>{"Kept"}));
}

TEST(MediaDB, LookUpsUseTheIndex) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    TEasyQuery plan;
    const std::string file = " tMedia WHERE LOWER(fDirectory) = ?1 AND LOWER(fFileName) = ?2 AND "
                             "+fDirectory = ?3 AND +fFileName = ?4";
    for (const std::string& statement :
         {"SELECT * FROM" + file, "DELETE FROM" + file,
          std::string("SELECT fFileName FROM tMedia WHERE LOWER(fDirectory) IN (?1, ?2) AND "
                      "+fDirectory IN (?3, ?4)")}) {
        TMyMediaDBTestAccess::OpenQuery(
            db, plan, "EXPLAIN QUERY PLAN " + statement,
            {std::string("/m"), std::string("a.mp3"), std::string("/m"), std::string("a.mp3")});
        ASSERT_EQ(plan.RecordCount(), 1);
        EXPECT_NE(plan.FieldByName("detail").AsString().find("USING INDEX ixMediaFile"),
                  std::string::npos)
            << plan.FieldByName("detail").AsString();
    }
}

TEST(MediaDB, ListOrdersComeFromIndexesAlsoInOlderFiles) {
    TempDir dir;
    // The number of listing statements that sort the whole table before their first row.
    const auto sortsWholeTable = [](TMyMediaDB& db) {
        int sorting = 0;
        for (const char* listing :
             {"SELECT * FROM tMedia ORDER BY fTitleKey, rowid",
              "SELECT fArtistKey, fArtist, COUNT(*) FROM tMedia GROUP BY fArtistKey, fArtist",
              "SELECT fAlbumKey, fAlbum, COUNT(*) FROM tMedia GROUP BY fAlbumKey, fAlbum",
              "SELECT fGenreKey, fGenre, COUNT(*) FROM tMedia GROUP BY fGenreKey, fGenre"}) {
            TEasyQuery plan;
            TMyMediaDBTestAccess::OpenQuery(db, plan, std::string("EXPLAIN QUERY PLAN ") + listing);
            std::string details;
            for (; !plan.Eof(); plan.Next())
                details += plan.FieldByName("detail").AsString() + ";";
            sorting += details.find("TEMP B-TREE") != std::string::npos ||
                       details.find("USING") == std::string::npos;
        }
        return sorting;
    };
    {
        TMyMediaDB db;
        db.OpenDatabase(dir.file("MyMedia.edb"));
        EXPECT_EQ(sortsWholeTable(db), 0);
        add(db, "/m", "b.mp3");
        add(db, "/m", "a.mp3");
        TEasyQuery raw;
        for (const char* index :
             {"ixMediaTitleKey", "ixMediaArtistKey", "ixMediaAlbumKey", "ixMediaGenreKey"})
            TMyMediaDBTestAccess::ExecQuery(db, raw, std::string("DROP INDEX ") + index);
        EXPECT_EQ(sortsWholeTable(db), 4);
    }
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    EXPECT_EQ(sortsWholeTable(db), 0);
    EXPECT_EQ(rows(db), 2);
}

TEST(MediaDB, EveryOperationIsSeenByAnotherConnectionAtOnce) {
    TempDir dir;
    TMyMediaDB writer;
    writer.OpenDatabase(dir.file("MyMedia.edb"));
    TMyMediaDB reader;
    reader.OpenDatabase(dir.file("MyMedia.edb"));
    add(writer, "/m", "a.mp3");
    EXPECT_EQ(rows(reader), 1);
    writer.UpdateMedia({.Directory = "/m", .FileName = "a.mp3", .Title = "New"});
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectMedia(reader, query, "/m", "a.mp3");
    EXPECT_EQ(query.FieldByName("fTitle").AsString(), "New");
    // A query with a row in hand keeps reading the file as it was when it opened.
    query.Close();
    writer.BeginBatch();
    add(writer, "/m", "b.mp3");
    writer.EndBatch();
    EXPECT_EQ(rows(reader), 2);
    writer.BeginBatch();
    add(writer, "/m", "c.mp3");
    writer.CancelBatch();
    EXPECT_EQ(rows(reader), 2);
    writer.DeleteMedia("/m", "a.mp3");
    EXPECT_EQ(rows(reader), 1);
}

TEST(MediaDB, DamagedOrForeignFileIsAnErrorAndStaysUntouched) {
    TempDir dir;
    std::string garbage(8192, 'x');
    const std::string damaged = dir.write("MyMedia.edb", garbage);
    TMyMediaDB db;
    try {
        db.OpenDatabase(damaged);
        FAIL() << "no error";
    } catch (const EEasyError& error) {
        EXPECT_NE(std::string(error.what()).find("not a database"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(readAll(damaged), garbage);

    // A real database that is not a library.
    const std::string foreign = dir.file("foreign.db");
    {
        TEasyDatabase other;
        other.FileName = foreign;
        other.CreateDatabase();
        other.Execute("CREATE TABLE tOther (x)");
        other.Execute("PRAGMA journal_mode=DELETE");
    }
    const std::string foreignBytes = readAll(foreign);
    EXPECT_THROW(db.OpenDatabase(foreign), EEasyError);
    EXPECT_EQ(readAll(foreign), foreignBytes); // not even switched to the write-ahead log

    // A database whose header survived but whose pages are gone.
    TempDir second;
    {
        TMyMediaDB good;
        good.OpenDatabase(second.file("MyMedia.edb"));
        good.BeginBatch();
        for (int i = 0; i < 300; ++i)
            add(good, "/m", std::to_string(i) + ".mp3", std::string(200, 'x'));
        good.EndBatch();
    }
    std::string bytes = readAll(second.file("MyMedia.edb"));
    ASSERT_GT(bytes.size(), 8192u);
    for (std::size_t i = 4096; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    second.write("MyMedia.edb", bytes);
    std::filesystem::remove(second.file("MyMedia.edb-wal"));
    std::filesystem::remove(second.file("MyMedia.edb-shm"));
    TMyMediaDB broken;
    EXPECT_ANY_THROW({
        broken.OpenDatabase(second.file("MyMedia.edb"));
        rows(broken);
    });
    EXPECT_EQ(readAll(second.file("MyMedia.edb")), bytes);
}

TEST(MediaDB, EmptyFileLeftByACrashGetsItsTable) {
    TempDir dir;
    dir.write("MyMedia.edb", "");
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    EXPECT_TRUE(add(db, "/m", "a.mp3"));
}

TEST(MediaDB, MissingDataFolderIsAnError) {
    TempDir dir;
    TMyMediaDB db;
    EXPECT_THROW(db.OpenDatabase(dir.file("no/such/MyMedia.edb")), EEasyError);
}

// A library file from before the file time was kept opens read-only as it is, and gains the
// column, keeping every row, once opened for writing.
TEST(MediaDB, OlderFileGainsTheFileTimeColumnAndKeepsEveryRow) {
    TempDir dir;
    const std::string file = dir.file("MyMedia.edb");
    {
        TMyMediaDB db;
        db.OpenDatabase(file);
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
            add(db, "/m", name);
        TEasyQuery raw;
        TMyMediaDBTestAccess::ExecQuery(db, raw, "ALTER TABLE tMedia DROP COLUMN fFileTime");
    }
    const auto listed = [](TMyMediaDB& db, int fields) {
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectAllMedia(db, query);
        EXPECT_EQ(query.FieldCount(), fields);
        std::vector<std::string> names;
        for (; !query.Eof(); query.Next())
            names.push_back(query.FieldByName("fFileName").AsString() + " " +
                            query.FieldByName("fTitle").AsString());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> expected = {"a.mp3 T", "b.mp3 T", "c.mp3 T"};
    TMyMediaDB db;
    db.OpenReadOnly(file);
    EXPECT_EQ(listed(db, 31), expected);
    db.OpenDatabase(file);
    EXPECT_EQ(listed(db, 32), expected);
    TMediaStamp stamp;
    ASSERT_TRUE(db.MediaStamp("/m", "b.mp3", stamp));
    EXPECT_EQ(stamp.FileTime, 0);
    EXPECT_EQ(stamp.FileSize, 1000);
}

TEST(MediaKeys, OrderPeopleExpect) {
    struct Case {
        const char* Before;
        const char* After;
    };
    const Case cases[] = {
        {"Ágætis byrjun", "Vespertine"},
        {"wildflower", "Wildflowers"},
        {"apple", "Banana"},
        {"Track 2", "Track 10"},
        {"Track 02", "Track 3"},
        {"Track 9", "Track A"},
        {"Zoe", "Zoë"},
        {"Zoë", "Zoey"},
        {"Ólafur", "Oliver"},
        {"straße", "strasse x"},
        {"ABBA", "Abbey"},
    };
    for (const Case& c : cases)
        EXPECT_LT(SortKey(c.Before), SortKey(c.After)) << c.Before << " / " << c.After;
    // Only letter case apart: one key.
    EXPECT_EQ(SortKey("ABBA"), SortKey("abba"));
    EXPECT_EQ(SortKey("ÉTÉ"), SortKey("été"));
    EXPECT_NE(SortKey("ete"), SortKey("été"));
    EXPECT_EQ(FoldText("Ágætis Łódź ŒUVRE Straße Ёлка"), "agaetis lodz oeuvre strasse елка");
    EXPECT_EQ(SearchWords("  Dánc\tQUEEN "), (std::vector<std::string>{"danc", "queen"}));
}

TEST(MediaKeys, SearchWordsMatchKeys) {
    struct Case {
        const char* Word;
        const char* Text;
        bool Found;
    };
    const Case cases[] = {
        {"agua", "Las Águas", true}, {"ÉTÉ", "Un ete", true},    {"mp3", "MP3 Mix", true},
        {"199", "Live 1999", true},  {"999", "Live 1999", true}, {"10", "Track 10", true},
        {"1", "Track 2", false},     {"2", "Track 10", false},   {"track2", "Track2", true},
        {"02", "Track 2", true},     {"a*c", "abc", false},      {"[a]", "x[a]y", true},
        {"a?c", "abc", false},       {"Mix", "Mi x", false},     {"", "x", true},
    };
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    TEasyQuery query;
    for (const Case& c : cases) {
        TMyMediaDBTestAccess::OpenQuery(db, query, "SELECT ?1 GLOB ?2",
                                        {SortKey(c.Text), KeyPattern(FoldText(c.Word))});
        EXPECT_EQ(query.Fields(0).AsInteger() == 1, c.Found) << c.Word << " in " << c.Text;
    }
}

namespace {

// A library as written before the listing fields existed.
void makeOlderLibrary(const std::string& Path) {
    TEasyDatabase old;
    old.FileName = Path;
    old.CreateDatabase();
    old.Execute("CREATE TABLE tMedia (fDirectory VARCHAR(256), fFileName VARCHAR(256), "
                "fFileSize INTEGER, fSeconds INTEGER, fQuality INTEGER, fTitle VARCHAR(256), "
                "fArtist VARCHAR(256), fAlbum VARCHAR(256), fYear VARCHAR(4), fGenre "
                "VARCHAR(256), fLanguage VARCHAR(256), fComposer VARCHAR(256))");
    old.Execute("CREATE INDEX ixMediaTitle ON tMedia (fTitle)");
    old.Execute("INSERT INTO tMedia VALUES ('/m', 'a.mp3', 1, 2, 3, 'Zulu', 'ABBA', 'X', "
                "'', 'Pop', '', ''), ('/m', 'b.mp3', 1, 2, 3, 'Águas', 'abba', 'X', '', "
                "'Pop', '', ''), ('/m', 'c.mp3', 1, 2, 3, 'Mike', 'Abba', 'Y', '', 'Rock', "
                "'', '')");
}

} // namespace

TEST(MediaDB, OlderFileOpenedReadOnlyIsListedWithoutAWrite) {
    TempDir dir;
    const std::string path = dir.file("MyMedia.edb");
    makeOlderLibrary(path);
    const std::string before = readAll(path);
    TMyMediaDB db;
    db.OpenReadOnly(path);
    EXPECT_FALSE(db.HasListingKeys());
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), std::vector<std::string>{"ABBA"});
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectListing(db, query, {});
    EXPECT_EQ(column(query, "fTitle"), (std::vector<std::string>{"Mike", "Zulu", "Águas"}));
    TMyMediaDBTestAccess::SelectListing(db, query,
                                        {TMediaListing::Artist, "abba", SearchWords("U pop")});
    EXPECT_EQ(column(query, "fTitle"), (std::vector<std::string>{"Zulu", "Águas"}));
    query.Close();
    EXPECT_TRUE(db.RemovedPaths().empty());
    db.CloseDatabase();
    EXPECT_EQ(readAll(path), before);
}

TEST(MediaDB, OlderFileGainsListingFieldsAndKeepsEveryRow) {
    TempDir dir;
    makeOlderLibrary(dir.file("MyMedia.edb"));
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    EXPECT_EQ(rows(db), 3);
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), std::vector<std::string>{"ABBA"});
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectListing(db, query, {});
    EXPECT_EQ(column(query, "fTitle"), (std::vector<std::string>{"Águas", "Mike", "Zulu"}));
    EXPECT_EQ(db.IntegrityCheck(), "ok");

    // Album order, search words with a filter, and the keys following an edit of the tags.
    db.SetMediaNumbers("/m", "a.mp3", {2, 1, ""});
    db.SetMediaNumbers("/m", "b.mp3", {1, 2, "Them"});
    db.UpdateMedia({.Directory = "/m",
                    .FileName = "c.mp3",
                    .Title = "Mike",
                    .Artist = "Abba",
                    .Album = "x",
                    .Genre = "Rock"});
    TMyMediaDBTestAccess::SelectListing(db, query, {TMediaListing::Album, "X", {}});
    EXPECT_EQ(column(query, "fTitle"), (std::vector<std::string>{"Mike", "Zulu", "Águas"}));
    TMyMediaDBTestAccess::SelectListing(db, query,
                                        {TMediaListing::Genre, "pop", SearchWords("AGUAS abb")});
    EXPECT_EQ(column(query, "fTitle"), std::vector<std::string>{"Águas"});
    EXPECT_EQ(db.FilterValues(TMediaListing::Album), std::vector<std::string>{"X"});
    query.Close();
    // A row another program wrote without keys gets them at the next open.
    TMyMediaDBTestAccess::ExecQuery(
        db, query,
        "INSERT INTO tMedia (fDirectory, fFileName, fTitle, fArtist) VALUES "
        "('/m', 'd.mp3', 'Alpha', 'abba')");
    db.CloseDatabase();
    db.OpenDatabase(dir.file("MyMedia.edb"));
    TMyMediaDBTestAccess::SelectListing(db, query, {TMediaListing::Artist, "Abba", {}});
    EXPECT_EQ(column(query, "fTitle"),
              (std::vector<std::string>{"Águas", "Alpha", "Mike", "Zulu"}));
    // It remembers the files the user removed, until one is added by name.
    db.RemoveMedia("/m", "d.mp3");
    db.RemoveMedia("/m", "d.mp3");
    EXPECT_EQ(rows(db), 3);
    db.CloseDatabase();
    db.OpenDatabase(dir.file("MyMedia.edb"));
    EXPECT_EQ(db.RemovedPaths(), std::vector<std::string>{"/m/d.mp3"});
    db.ForgetRemoved({"/m/d.mp3"});
    EXPECT_TRUE(db.RemovedPaths().empty());
}

namespace {
// Every answer the search hands on, in order, by the request's number.
struct TSearchAnswers {
    std::mutex Lock;
    std::vector<std::pair<int, TMediaSearch::TAnswer>> Got;
    void Ask(TMediaSearch& search, const std::string& typed, int number) {
        search.Request({TMediaListing::All, "", SearchWords(typed)},
                       [this, number](TMediaSearch::TAnswer answer) {
                           const std::lock_guard<std::mutex> hold(Lock);
                           Got.emplace_back(number, std::move(answer));
                       });
    }
    // The answer to request Number, once it came.
    TMediaSearch::TAnswer Of(int number) {
        TMediaSearch::TAnswer answer;
        EXPECT_TRUE(WaitUntil([&] {
            const std::lock_guard<std::mutex> hold(Lock);
            return !Got.empty() && Got.back().first == number;
        }));
        const std::lock_guard<std::mutex> hold(Lock);
        return Got.empty() ? answer : Got.back().second;
    }
};
} // namespace

TEST(MediaSearch, ListsOnItsOwnWorkerAndTheNewestRequestWins) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    db.AddMedia({.Directory = "/m",
                 .FileName = "a.mp3",
                 .Stamp = {1},
                 .Title = "Águas",
                 .Artist = "Elis",
                 .Seconds = 1,
                 .Quality = 1});
    db.AddMedia({.Directory = "/m",
                 .FileName = "b.mp3",
                 .Stamp = {1},
                 .Title = "Queen",
                 .Artist = "Abba",
                 .Seconds = 1,
                 .Quality = 1});
    TMediaSearch search(dir.file("MyMedia.edb"));
    TSearchAnswers answers;
    answers.Ask(search, "queen", 1);
    answers.Ask(search, "AGUA", 2);
    const TMediaSearch::TAnswer answer = answers.Of(2);
    EXPECT_EQ(answer.Ids, std::vector<std::int64_t>{db.MediaId("/m", "a.mp3")});
    EXPECT_TRUE(answer.Error.empty());
    // A library that cannot be opened answers with its error.
    TMediaSearch missing(dir.file("Missing.edb"));
    answers.Ask(missing, "queen", 3);
    EXPECT_FALSE(answers.Of(3).Error.empty());
}

namespace {
std::vector<std::int64_t> listedIds(TMyMediaDB& db, const std::string& typed) {
    TEasyQuery query;
    TMyMediaDBTestAccess::SelectListingIds(db, query, {TMediaListing::All, "", SearchWords(typed)});
    std::vector<std::int64_t> ids;
    for (; !query.Eof(); query.Next())
        ids.push_back(query.Fields(0).AsInt64());
    return ids;
}
} // namespace

TEST(MediaSearch, InMemoryFindsWhatTheLibraryFindsInItsOrder) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    const char* const rows[][4] = {
        {"Ágætis byrjun", "Sigur Rós", "Ágætis Byrjun", "Post-Rock"},
        {"Track 2", "ABBA", "Gold", "Pop"},
        {"Track 10", "Abba", "Arrival 1976", "pop"},
        {"Track 007", "Bond", "Theme [*?]", "Score"},
        {"queen of hearts", "Björk", "Vespertine", "Electronic"},
        {"QUEENS", "Мумий Тролль", "Морская", "Rock"},
        {"Sum41 Zebra 2", "The 2 Bears", "Be Strong 12", ""},
    };
    int file = 0;
    for (const auto& row : rows)
        db.AddMedia({.Directory = "/m",
                     .FileName = std::to_string(file++) + ".mp3",
                     .Stamp = {1},
                     .Title = row[0],
                     .Artist = row[1],
                     .Album = row[2],
                     .Genre = row[3],
                     .Seconds = 1,
                     .Quality = 1});
    TMediaSearch search(dir.file("MyMedia.edb"));
    search.Prepare();
    ASSERT_TRUE(WaitUntil([&] { return search.InMemory(); }));
    // In typing order, so that longer words narrow the hits of shorter ones.
    const char* const typed[] = {
        "q",        "qu",    "queen", "queens",  "QUEEN OF", "agaetis", "ÁGÆ",   "rós", "ros",
        "abba",     "track", "2",     "1",       "10",       "track 2", "7",     "007", "07",
        "0",        "1976",  "12",    "2 bears", "[*",       "?]",      "*",     "мум", "МОРС",
        "pop rock", "k",     "zzz",   "e 2",     "s 1",      "-rock",   "sum41", "m4",  "um0041",
        "", // cleared: the whole library
    };
    TSearchAnswers answers;
    int ticket = 0;
    for (const char* words : typed) {
        answers.Ask(search, words, ++ticket);
        const TMediaSearch::TAnswer answer = answers.Of(ticket);
        EXPECT_TRUE(answer.Error.empty()) << words;
        EXPECT_EQ(answer.Ids, listedIds(db, words)) << words;
    }
    // A change of the library is searched at once, by the library until read again.
    db.AddMedia({.Directory = "/m",
                 .FileName = "new.mp3",
                 .Stamp = {1},
                 .Title = "Queen Bee",
                 .Seconds = 1,
                 .Quality = 1});
    answers.Ask(search, "queen", ++ticket);
    EXPECT_EQ(answers.Of(ticket).Ids, listedIds(db, "queen"));
    EXPECT_EQ(listedIds(db, "queen").size(), 3u);
}
