// The format's fields and the single values of the fields that may hold several: how they are
// read from a file, stored, listed, and brought into an older library file.
#include <gtest/gtest.h>

#include "core/library/uMediaFromAudio.h"
#include "core/library/uMediaKeys.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "support/LibraryQueries.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"

using namespace orvanta;
using orvanta::test::TempDir;

namespace {

using TIds = std::vector<std::int64_t>;
using TTexts = std::vector<std::string>;

std::int64_t idOf(TMyMediaDB& db, const std::string& file) {
    return db.MediaId("/m", file);
}

TIds listed(TMyMediaDB& db, TMediaListing::TKind kind, const std::string& value) {
    return db.ListingIds({kind, value, {}});
}

int valueRows(TMyMediaDB& db) {
    TEasyQuery query;
    TMyMediaDBTestAccess::OpenQuery(db, query, "SELECT COUNT(*) FROM tMediaValues");
    return query.Fields(0).AsInteger();
}

} // namespace

// Each single value is listed once and lists every row having it; the joined text stays what
// every other reader shows; values follow edits and go with their row.
TEST(MediaValues, SeveralValuesAreListedOnceEachAndGoWithTheirRow) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    TMediaRecord flac{.Directory = "/m", .FileName = "a.flac", .Title = "A"};
    flac.Artists = {"Alpha", "Beta"};
    flac.Artist = JoinValues(flac.Artists);
    flac.Genres = {"Pop", "Rock"};
    flac.Genre = JoinValues(flac.Genres);
    flac.Numbers = {1, 1, "Various"};
    flac.Format = flac.Codec = "FLAC";
    flac.SampleRate = 44100;
    flac.BitsPerSample = 16;
    flac.Channels = 2;
    flac.TrackTotal = 12;
    flac.DiscTotal = 2;
    flac.ReplayGain = {-6.5, 0.988, std::nullopt, 1.0};
    ASSERT_TRUE(db.AddMedia(flac));
    ASSERT_TRUE(db.AddMedia(
        {.Directory = "/m", .FileName = "b.mp3", .Title = "B", .Artist = "alpha", .Genre = "Pop"}));
    ASSERT_TRUE(
        db.AddMedia({.Directory = "/m", .FileName = "c.mp3", .Title = "C", .Artist = "Gamma"}));
    const std::int64_t a = idOf(db, "a.flac"), b = idOf(db, "b.mp3");

    TMediaRecord read;
    ASSERT_TRUE(db.FindMedia("/m", "a.flac", read));
    EXPECT_EQ(read.Artist, "Alpha / Beta");
    EXPECT_EQ(std::tie(read.Format, read.Codec, read.SampleRate, read.BitsPerSample, read.Channels,
                       read.TrackTotal, read.DiscTotal),
              std::make_tuple("FLAC", "FLAC", 44100, 16, 2, 12, 2));
    EXPECT_EQ(read.ReplayGain, (TReplayGain{-6.5, 0.988, std::nullopt, 1.0}));

    struct Case {
        TMediaListing::TKind Kind;
        TTexts Values;
        std::string Chosen;
        TIds Rows;
    };
    for (const Case& c : {Case{TMediaListing::Artist, {"Alpha", "Beta", "Gamma"}, "ALPHA", {a, b}},
                          Case{TMediaListing::Artist, {}, "beta", {a}},
                          Case{TMediaListing::Genre, {"Pop", "Rock"}, "rock", {a}},
                          Case{TMediaListing::AlbumArtist, {"Various"}, "various", {a}}}) {
        if (!c.Values.empty()) {
            EXPECT_EQ(db.FilterValues(c.Kind), c.Values);
        }
        EXPECT_EQ(listed(db, c.Kind, c.Chosen), c.Rows) << c.Chosen;
    }
    // By format and by album artist: the rows without one first, in row id order.
    const std::int64_t c = idOf(db, "c.mp3");
    EXPECT_EQ(db.OrderedIds(10), (TIds{b, c, a}));
    EXPECT_EQ(db.OrderedIds(11), (TIds{b, c, a}));

    // A tag edit that keeps the joined text keeps the values; a changed text is one value.
    db.UpdateMedia(
        {.Directory = "/m", .FileName = "a.flac", .Title = "A", .Artist = "Alpha / Beta"});
    EXPECT_EQ(listed(db, TMediaListing::Artist, "Beta"), TIds{a});
    db.UpdateMedia({.Directory = "/m", .FileName = "a.flac", .Title = "A", .Artist = "Delta"});
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), (TTexts{"alpha", "Delta", "Gamma"}));
    EXPECT_EQ(listed(db, TMediaListing::AlbumArtist, "Various"), TIds{a});
    TMediaRecord rewritten{.Directory = "/m", .FileName = "a.flac"};
    rewritten.Artists = {"Eps", "Zeta"};
    rewritten.Artist = JoinValues(rewritten.Artists);
    db.RewriteMedia(rewritten);
    EXPECT_EQ(listed(db, TMediaListing::Artist, "zeta"), TIds{a});
    EXPECT_TRUE(db.FilterValues(TMediaListing::AlbumArtist).empty());

    const int before = valueRows(db);
    db.RemoveMedia("/m", "a.flac");
    EXPECT_EQ(valueRows(db), before - 2);
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), (TTexts{"alpha", "Gamma"}));
    EXPECT_EQ(db.IntegrityCheck(), "ok");
}

// A library file of the previous version opens read-only as it is, and gains the new fields
// and an empty value table when opened for writing: each stored text stays one value. A file
// older than the album artist reads every row's as empty.
TEST(MediaValues, OlderLibraryGainsTheFieldsOnOpen) {
    TempDir dir;
    const std::string path = dir.file("MyMedia.edb"), oldest = dir.file("Oldest.edb");
    {
        TEasyDatabase old;
        old.FileName = path;
        old.CreateDatabase();
        old.Execute("CREATE TABLE tMedia (fDirectory VARCHAR(4096), fFileName VARCHAR(255), "
                    "fFileSize INTEGER, fSeconds INTEGER, fQuality INTEGER, fTitle VARCHAR(256), "
                    "fArtist VARCHAR(256), fAlbum VARCHAR(256), fYear VARCHAR(4), fGenre "
                    "VARCHAR(256), fLanguage VARCHAR(256), fComposer VARCHAR(256), fFileTime "
                    "INTEGER, fTrack INTEGER, fDisc INTEGER, fAlbumArtist VARCHAR(256), "
                    "fTitleKey VARCHAR(600), fArtistKey VARCHAR(600), fAlbumKey VARCHAR(600), "
                    "fGenreKey VARCHAR(600))");
        const auto row = [&old](const std::string& file, const std::string& artist,
                                const std::string& albumArtist) {
            old.Execute("INSERT INTO tMedia VALUES ('/m', '" + file + "', 1, 2, 3, 'T', '" +
                        artist + "', 'X', '', 'Pop', '', 'Bach', 0, 1, 1, '" + albumArtist +
                        "', '" + SortKey("T") + "', '" + SortKey(artist) + "', '" + SortKey("X") +
                        "', '" + SortKey("Pop") + "')");
        };
        row("a.mp3", "Simon / Garfunkel", "Duo");
        row("b.mp3", "simon / garfunkel", "");
        TEasyDatabase older;
        older.FileName = oldest;
        older.CreateDatabase();
        older.Execute("CREATE TABLE tMedia (fDirectory VARCHAR(4096), fFileName VARCHAR(255), "
                      "fFileSize INTEGER, fSeconds INTEGER, fQuality INTEGER, fTitle "
                      "VARCHAR(256), fArtist VARCHAR(256), fAlbum VARCHAR(256), fYear "
                      "VARCHAR(4), fGenre VARCHAR(256), fLanguage VARCHAR(256), fComposer "
                      "VARCHAR(256))");
        older.Execute("INSERT INTO tMedia VALUES ('/m', 'a.mp3', 1, 2, 3, 'T', 'A', 'X', '', "
                      "'Pop', '', '')");
    }
    TMyMediaDB db;
    struct Case {
        std::string File;
        TTexts AlbumArtists;
        std::size_t DuoRows;
    };
    for (const Case& c : {Case{path, {"Duo"}, 1}, Case{oldest, {}, 0}}) {
        db.OpenReadOnly(c.File);
        EXPECT_EQ(db.FilterValues(TMediaListing::AlbumArtist), c.AlbumArtists) << c.File;
        EXPECT_EQ(listed(db, TMediaListing::AlbumArtist, "duo").size(), c.DuoRows) << c.File;
        EXPECT_TRUE(db.OrderedIds(11).empty());
    }
    db.OpenReadOnly(path);
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), TTexts{"Simon / Garfunkel"});
    EXPECT_EQ(listed(db, TMediaListing::Artist, "SIMON / GARFUNKEL").size(), 2u);
    TMediaRecord read;
    ASSERT_TRUE(db.FindMedia("/m", "a.mp3", read));
    EXPECT_EQ(read.Format, "");

    db.OpenDatabase(path);
    EXPECT_EQ(valueRows(db), 0);
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), TTexts{"Simon / Garfunkel"});
    EXPECT_EQ(listed(db, TMediaListing::Artist, "simon / garfunkel").size(), 2u);
    // The album artist's key comes with the next write of the row; until then its text sorts.
    EXPECT_EQ(db.FilterValues(TMediaListing::AlbumArtist), TTexts{"Duo"});
    EXPECT_EQ(listed(db, TMediaListing::AlbumArtist, "duo"), TIds{idOf(db, "a.mp3")});
    EXPECT_EQ(db.OrderedIds(11).back(), idOf(db, "a.mp3"));
    ASSERT_TRUE(db.FindMedia("/m", "b.mp3", read));
    EXPECT_EQ(read.Artist, "simon / garfunkel");
    EXPECT_EQ(db.IntegrityCheck(), "ok");
}

// The shared audio type's keys and properties become the record's fields.
TEST(MediaValues, FillRecordMapsTagsAndProperties) {
    TAudioInfo info;
    info.Format = TAudioFormat::Opus;
    info.Properties = {.Milliseconds = 2500,
                       .Bitrate = 96,
                       .SampleRate = 48000,
                       .BitsPerSample = 0,
                       .Channels = 2,
                       .Codec = "Opus"};
    info.Tags = {{"ARTIST", "Alpha"},    {"ARTIST", "Beta"},         {"ALBUM", "X"},
                 {"GENRE", "Pop"},       {"ALBUMARTIST", "Various"}, {"COMPOSER", "Bach"},
                 {"DATE", "2001-05-03"}, {"LANGUAGE", "eng"}};
    TMediaRecord record{.Directory = "/m", .FileName = "song.opus"};
    FillRecord(info, record);
    EXPECT_EQ(record.Title, "song");
    EXPECT_EQ(record.Artist, "Alpha / Beta");
    EXPECT_EQ(record.Artists, (TTexts{"Alpha", "Beta"}));
    EXPECT_EQ(std::tie(record.Album, record.Genre, record.Numbers.AlbumArtist, record.Composer,
                       record.Year, record.Language),
              std::make_tuple("X", "Pop", "Various", "Bach", "2001", "eng"));
    EXPECT_EQ(std::tie(record.Format, record.Codec, record.Seconds, record.Quality,
                       record.SampleRate, record.Channels),
              std::make_tuple("Opus", "Opus", 2, 96, 48000, 2));

    struct Case {
        TTagEntries Tags;
        std::int32_t Track, TrackTotal, Disc, DiscTotal;
        TReplayGain Gain;
    };
    for (const Case& c : {
             Case{{{"TRACKNUMBER", "3/12"}, {"DISCNUMBER", "1/2"}}, 3, 12, 1, 2, {}},
             Case{
                 {{"TRACKNUMBER", "3"}, {"TRACKTOTAL", "12"}, {"DISCTOTAL", "2"}}, 3, 12, 0, 2, {}},
             Case{{{"REPLAYGAIN_TRACK_GAIN", "-6.50 dB"},
                   {"REPLAYGAIN_TRACK_PEAK", "0.988"},
                   {"REPLAYGAIN_ALBUM_GAIN", "+1.25 dB"},
                   {"R128_TRACK_GAIN", "256"}},
                  0,
                  0,
                  0,
                  0,
                  {-6.5, 0.988, 1.25, std::nullopt}},
             // Q7.8 relative to -23 LUFS, 5 dB below ReplayGain's level.
             Case{{{"R128_TRACK_GAIN", "-2560"}, {"R128_ALBUM_GAIN", "384"}},
                  0,
                  0,
                  0,
                  0,
                  {-5.0, std::nullopt, 6.5, std::nullopt}},
             Case{{{"REPLAYGAIN_TRACK_GAIN", "loud"}, {"TRACKNUMBER", "x"}}, 0, 0, 0, 0, {}},
         }) {
        info.Tags = c.Tags;
        FillRecord(info, record);
        EXPECT_EQ(std::tie(record.Numbers.Track, record.TrackTotal, record.Numbers.Disc,
                           record.DiscTotal),
                  std::tie(c.Track, c.TrackTotal, c.Disc, c.DiscTotal))
            << c.Tags.front().Value;
        EXPECT_EQ(record.ReplayGain, c.Gain) << c.Tags.front().Value;
    }
}

// An MP3's row names its format and stream; a frame's values are the ones its zeros end, so a
// " / " inside one value never splits it, and a row of several values is listed under each.
TEST(MediaValues, Mp3RowsNameTheirFormatAndKeepTheirFramesValues) {
    TempDir dir;
    using namespace orvanta::test;
    struct Case {
        std::string File, Artist;
        TTexts Artists, Genres;
    };
    const Case cases[] = {
        {"v4.mp3", std::string("AC\0DC", 6), {"AC", "DC"}, {"Blues", "Rock"}},
        {"one.mp3", "AC / DC", {}, {}},
    };
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    for (const Case& c : cases) {
        const std::string genre = c.Genres.empty() ? "Pop" : std::string("Blues\0(17)", 11);
        dir.write(c.File, Tag(4, Frame(4, "TPE1", Text(c.Artist)) + Frame(4, "TCON", Text(genre)) +
                                     Frame(4, "TPE2", Text("Various"))) +
                              SampleMp3Bytes());
        TMediaRecord record = ReadMediaInfo(dir.file(c.File));
        EXPECT_EQ(std::tie(record.Format, record.Codec), std::make_tuple("MP3", "MP3"));
        EXPECT_GT(record.SampleRate, 0);
        EXPECT_GT(record.Channels, 0);
        EXPECT_EQ(record.Artist, "AC / DC");
        EXPECT_EQ(record.Artists, c.Artists) << c.File;
        EXPECT_EQ(record.Genres, c.Genres) << c.File;
        EXPECT_TRUE(record.AlbumArtists.empty());
        record.Directory = "/m";
        record.FileName = c.File;
        ASSERT_TRUE(db.AddMedia(record));
    }
    const std::int64_t several = idOf(db, "v4.mp3"), one = idOf(db, "one.mp3");
    EXPECT_EQ(valueRows(db), 4);
    EXPECT_EQ(db.FilterValues(TMediaListing::Artist), (TTexts{"AC", "AC / DC", "DC"}));
    for (const auto& [value, rows] :
         {std::pair<std::string, TIds>{"ac / dc", {one}}, {"AC", {several}}, {"dc", {several}}})
        EXPECT_EQ(listed(db, TMediaListing::Artist, value), rows) << value;
}

// An album of several artists and no album artist lists as "Various Artists", together with
// the rows of a real album artist of that name; an album of one artist, or with an album
// artist, does not.
TEST(MediaValues, CompilationsListAsVariousArtists) {
    TempDir dir;
    TMyMediaDB db;
    db.OpenDatabase(dir.file("MyMedia.edb"));
    const auto add = [&db](const std::string& file, const std::string& artist,
                           const std::string& album, const std::string& albumArtist = {}) {
        TMediaRecord record{
            .Directory = "/m", .FileName = file, .Title = file, .Artist = artist, .Album = album};
        record.Numbers.AlbumArtist = albumArtist;
        EXPECT_TRUE(db.AddMedia(record));
        return idOf(db, file);
    };
    const std::int64_t h1 = add("h1", "Ann", "Hits"), h2 = add("h2", "Bob", "hits");
    add("s1", "Cy", "Solo");
    add("s2", "cy", "Solo");
    add("d1", "Dee", "Duets", "Dee");
    add("d2", "Eve", "Duets", "Dee");
    add("n1", "Fay", "");
    add("n2", "Gus", "");
    EXPECT_EQ(db.FilterValues(TMediaListing::AlbumArtist), (TTexts{"Dee", VariousArtists}));
    EXPECT_EQ(listed(db, TMediaListing::AlbumArtist, "VARIOUS ARTISTS"), (TIds{h1, h2}));
    const std::int64_t v = add("v", "Hal", "Mix", "various artists");
    EXPECT_EQ(db.FilterValues(TMediaListing::AlbumArtist), (TTexts{"Dee", "various artists"}));
    EXPECT_EQ(listed(db, TMediaListing::AlbumArtist, VariousArtists), (TIds{h1, h2, v}));
    db.RemoveMedia("/m", "h2");
    db.RemoveMedia("/m", "v");
    EXPECT_EQ(db.FilterValues(TMediaListing::AlbumArtist), TTexts{"Dee"});
    EXPECT_TRUE(listed(db, TMediaListing::AlbumArtist, VariousArtists).empty());
}
