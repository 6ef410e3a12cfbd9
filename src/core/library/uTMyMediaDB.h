#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/common/uTStringUtils.h"
#include "core/library/uMediaRecord.h"
#include "core/tablestore/uTEasyQuery.h"
#include "core/tablestore/uTEasyTable.h"

namespace orvanta {

inline constexpr const char* MediaTableName = "tMedia";

// The album artist that stands for the compilations: the albums whose rows without an album
// artist have several different artists. A real album artist of that name lists with them.
inline constexpr const char* VariousArtists = "Various Artists";
bool IsVariousArtists(std::string_view Value);

// What the My Music list shows: the rows of one filter value (or all of them) that contain
// every search word, in title order, or in disc and track order for an album. An artist,
// genre or album artist lists every row having that single value among its values.
struct TMediaListing {
    enum TKind { All, Artist, Album, Genre, AlbumArtist };
    TKind Kind = All;
    std::string Value;
    std::vector<std::string> Words;
};

// The media library: table tMedia, one row per audio file, identified by the bytes of its
// directory and file name (FolderSpellings); table tMediaValues, the single values of the
// fields (TMediaField) a row holds two or more of, written and deleted with the row; and
// table tRemoved, the files the user removed, which imports and refreshes pass by. Every statement
// run on the file is written here; rows come and go as TMediaRecord. Errors of the engine are
// thrown as EEasyError. Every operation is on disk when it returns, except inside a batch, which is
// on disk when EndBatch returns.
class TMyMediaDB {
public:
    TMyMediaDB();
    TMyMediaDB(const TMyMediaDB&) = delete;
    TMyMediaDB& operator=(const TMyMediaDB&) = delete;

    // Opens the library file, creating it with an empty tMedia when no file is there. An
    // existing file is never replaced: a damaged one is an error.
    void OpenDatabase(const std::string& FileName);
    void CreateDatabase();
    // Opens an existing library for reading only (another program holds it for long); every
    // write then fails. Nothing in the file is changed.
    void OpenReadOnly(const std::string& FileName);
    bool ReadOnly() const { return FReadOnly; }
    // A connection that reads each page about once (a walk of an index, a listing) keeps a
    // smaller page cache than the 2 MB of SQLite's default; false gives the default back.
    // SQLite's sorter spills to disk sooner with the small one.
    void KeepCacheSmall(bool Small = true);
    // Whether a write could start now, without waiting for another program's lock.
    bool CanWriteNow();
    void CloseDatabase();
    std::int64_t AddedId() const { return FAddedId; }
    const std::string& FileName() const { return FTable.DatabaseFileName; }

    // False, and nothing added, when a row for the record's file already exists. The new row's
    // id is then AddedId(). The record's Id is not read.
    bool AddMedia(const TMediaRecord& Record);
    // Everything read from the file again, for a file that changed since it was added: every
    // field of the row of the record's file but its id.
    void RewriteMedia(const TMediaRecord& Record);
    // The file's stamp of the row; false when the file has no row.
    bool MediaStamp(std::string_view Directory, std::string_view FileName, TMediaStamp& Stamp);
    // Records the file's stamp without touching the rest of the row.
    void StampMedia(std::string_view Directory, std::string_view FileName,
                    const TMediaStamp& Stamp);
    void DeleteMedia(std::string_view Directory, std::string_view FileName);
    // Deletes the file's row and remembers that the user removed it.
    void RemoveMedia(std::string_view Directory, std::string_view FileName);
    // The files the user removed, as full paths, in no particular order.
    std::vector<std::string> RemovedPaths();
    // Forgets that the user removed these files (full paths): they were added by name.
    void ForgetRemoved(const std::vector<std::string>& Paths);
    // The tag texts (title to composer) of the row of the record's file; nothing else. A field
    // whose list is empty and whose text is unchanged keeps its stored values.
    void UpdateMedia(const TMediaRecord& Record);

    // The row of a file; false when it has none.
    bool FindMedia(std::string_view Directory, std::string_view FileName, TMediaRecord& Record);
    // Every row in title order, handed to Row one at a time until it returns false.
    void WalkAllMedia(const std::function<bool(const TMediaRecord&)>& Row);
    // Hands Value the distinct, non-empty values of a tag column (fArtist, fAlbum, fGenre,
    // fLanguage, fComposer) in ascending order, read without counting them first, until it
    // returns false. A column that keeps several values per row gives each value once.
    void DistinctValues(const char* Field, const std::function<bool(std::string_view)>& Value);
    // The listing's row ids, in its order (SearchWords makes Words from what was typed), read
    // in one walk; RowRead is called for each row read. Only reads.
    std::vector<std::int64_t> ListingIds(const TMediaListing& Listing,
                                         const std::function<void()>& RowRead = {});
    // Every row's search keys, read in one state of the file: TitleOrder first gets every row
    // id in title order (OrderedIds(1)), then Row each row's id and its title, artist, album
    // and genre keys in row id order (a straight read of the table), until it returns false.
    void ReadSearchKeys(
        const std::function<void(std::vector<std::int64_t>)>& TitleOrder,
        const std::function<bool(std::int64_t, const std::array<std::string_view, 4>&)>& Row);
    // The rows of these ids, in no particular order; ids without a row are left out.
    std::vector<TMediaRecord> MediaByIds(const std::vector<std::int64_t>& Ids);
    // The row id of a file; 0 when it has no row.
    std::int64_t MediaId(std::string_view Directory, std::string_view FileName);
    // Every row id in the order of a list column numbered from 1 (Title ... Size, then "#",
    // Format, Album Artist), equal values in row id order; empty when not available.
    std::vector<std::int64_t> OrderedIds(int Column, const std::function<void()>& RowRead = {});
    // The non-empty values of Kind's field in the order people expect, values differing
    // only in letter case given once, under their most frequent spelling; for the fields that
    // may hold several values, each single value. Only reads.
    // RowRead is called for each row read.
    std::vector<std::string> FilterValues(TMediaListing::TKind Kind,
                                          const std::function<void()>& RowRead = {});
    // A changed album artist is stored as the values AlbumArtists holds when there are
    // several (the text typed joined, as it is shown), else as one value.
    void SetMediaNumbers(std::string_view Directory, std::string_view FileName,
                         const TMediaNumbers& Numbers,
                         const std::vector<std::string>& AlbumArtists = {});
    // The rows written before the numbers were kept, after row id After in row id order, at
    // most Limit: their id, directory and file name.
    std::vector<TMediaRecord> RowsWithoutNumbers(std::int64_t After, int Limit);
    // The numbers of the row of that id. Both keep the album artist's stored values while its
    // text is unchanged, else store the text as one value.
    void SetMediaNumbers(std::int64_t Id, const TMediaNumbers& Numbers);
    // SQLite's count of the commits of every other connection to the file: it moves when
    // another program (or connection) changed the library.
    std::int64_t DataVersion();
    // Whether the file keeps the listing keys; an older file opened read-only does not, and
    // is listed by its texts.
    bool HasListingKeys() const { return FListingKeys; }

    // The rows' files (id, path, stamp and seconds of each record), a page of PageRows rows
    // at a time in row id order, so that a large library is never held whole. Each page's read
    // has ended when Page sees it, so Page may write; it returns false to stop the walk.
    void WalkMediaFiles(const std::function<bool(const std::vector<TMediaRecord>& Rows)>& Page,
                        int PageRows = 2000);
    // The directories of the rows, each spelling once.
    std::vector<std::string> MediaDirectories();
    // The file names of the rows whose file lies directly in Folder (whose directory joins a
    // name into the same path, trailing '/' or not), and of the files there that the user
    // removed: the names a refresh leaves alone.
    std::vector<std::string> KnownNamesIn(const std::string& Folder);
    // The full paths of the rows of these ids, in that order; ids without a row are left out.
    std::vector<std::string> MediaPaths(const std::vector<std::int64_t>& Ids);
    // The number of rows.
    std::int64_t MediaCount();
    // The modification times (ns) of folders whose listing found nothing new, as the last
    // refresh saw them, by the folder's spelling; under Types, the key of the file types they
    // were listed for. Empty when none were kept.
    std::unordered_map<std::string, std::int64_t> FolderTimes(const std::string& Types);
    // Keeps these times for the next refresh, a time of 0 forgetting the folder; Types
    // replaces the key of the file types, and a new key forgets every time kept before.
    void SetFolderTimes(const std::string& Types,
                        const std::vector<std::pair<std::string, std::int64_t>>& Times);

    // Groups many operations into one write to disk; batches nest. A batch left by an
    // exception must be ended with CancelBatch (which keeps nothing of it) or EndBatch.
    void BeginBatch();
    void EndBatch();
    void CancelBatch();

    // SQLite's own check of the file: "ok" when sound.
    std::string IntegrityCheck();

private:
    // The queries that hand SQL or a query to their caller: the class's own, and the tests'
    // (which fake older files and count rows through them).
    friend struct TMyMediaDBTestAccess;

    // Point Query at the library and run Statement with Params bound to "?1", "?2", ...
    void OpenQuery(TEasyQuery& Query, const std::string& Statement,
                   std::vector<TEasyValue> Params = {});
    void ExecQuery(TEasyQuery& Query, const std::string& Statement,
                   std::vector<TEasyValue> Params = {});
    // As OpenQuery, for one walk to the end without counting the rows first.
    void WalkQuery(TEasyQuery& Query, const std::string& Statement,
                   std::vector<TEasyValue> Params = {});

    void SelectMedia(TEasyQuery& Query, std::string_view Directory, std::string_view FileName);
    void SelectAllMedia(TEasyQuery& Query);
    void SelectMediaByArtist(TEasyQuery& Query, std::string_view Value);
    void SelectMediaByAlbum(TEasyQuery& Query, std::string_view Value);
    void SelectMediaByGenre(TEasyQuery& Query, std::string_view Value);
    void SelectSearchKeys(TEasyQuery& Query);
    // The rows of these ids (in no particular order), with the id as fRowId.
    void SelectMediaByIds(TEasyQuery& Query, const std::vector<std::int64_t>& Ids);
    // The listing's rows, and its row ids alone in the same order for one walk.
    void SelectListing(TEasyQuery& Query, const TMediaListing& Listing);
    void SelectListingIds(TEasyQuery& Query, const TMediaListing& Listing);
    void PrepareQuery(TEasyQuery& Query, const std::string& Statement,
                      std::vector<TEasyValue> Params);
    void createTable();
    void addMissingColumns();
    // The fields and indexes the lists order and search by, added to a file made without
    // them, and the keys of rows written without them (by an older version or another
    // program), filled in batches.
    void addListingFields();
    void openListing(TEasyQuery& Query, const TMediaListing& Listing, const char* Fields,
                     bool Counted);
    bool listingFieldsComplete();
    void addListingSchema();
    bool fillListingKeys();
    bool hasField(const char* Name);
    // OrderedIds of a column without an index: by Key (made from Value where it is NULL), or
    // by Value's bytes without a Key; rows of an empty Value first.
    std::vector<std::int64_t> orderedUnindexed(const char* Key, const char* Value,
                                               const std::function<void()>& RowRead);
    // Whether the kind's values are listed by their keys.
    bool keyedKind(TMediaListing::TKind Kind) const;
    // Adds tMediaValues, empty, to a file made before it. A read-only open of such a file
    // lists by the texts alone.
    void addValueTable();
    // Writes the values of the record's fields that hold two or more for the row Id (Added: a
    // new row, which has none yet), in place of any it had; with Stored (the row's texts
    // before the write: artist, album artist, genre, composer), a field without a list whose
    // text is unchanged keeps its values.
    // List's values as Field's value rows of row Id, when it holds two or more.
    void insertValues(std::int64_t Id, TMediaField Field, const std::vector<std::string>& List);
    void writeValues(std::int64_t Id, const TMediaRecord& Record, bool Added,
                     const std::array<std::string, 4>* Stored = nullptr);
    // The numbers of the row Id, whose album artist was Before; its values follow a change.
    void setNumbersOf(std::int64_t Id, const std::string& Before, const TMediaNumbers& Numbers,
                      const std::vector<std::string>& AlbumArtists = {});
    // Adds tRemoved to a file made before it; a read-only open of such a file has no marks.
    void addRemovedTable();
    bool hasTable(const std::string& Name);
    // The compilations (see VariousArtists): kept once the file has the keys and the album
    // artist's text; the condition selecting their rows; whether there are any; and the
    // filter value added to the album artists' values (in key order) when there are.
    bool compilationsKept() const;
    std::string compilationCondition() const;
    bool hasCompilations();
    void addVariousArtists(std::vector<std::string>& Values);

    TEasyTable FTable;
    TEasyQuery FQuery;
    std::int64_t FAddedId = 0;
    // Inside a batch (the write lock held, so no one else adds rows): the bare spelling of
    // the folder of the last add, and whether rows under its spelling with a trailing '/'
    // may exist. Such rows are rare, so an add's check usually looks up one spelling only.
    // A folder that held no rows under either spelling when the batch came to it, as every
    // folder of a first import, is checked against the names the batch added there.
    struct TSlashedMemo {
        std::string Folder;
        bool Rows = true;
        bool BareRows = true;
        std::unordered_set<std::string> Added;
    };
    std::optional<TSlashedMemo> FSlashedMemo;
    bool FBatch = false;
    bool hasRow(const TMediaRecord& Record);
    bool FReadOnly = false;
    bool FListingKeys = false;
    bool FRemovedTable = false;
    // Whether the file has tMediaValues, the album artist's text and key and the format's
    // fields; an older file opened read-only may not.
    bool FValueTable = false;
    bool FAlbumArtistText = false;
    bool FAlbumArtistKey = false;
    bool FFormatFields = false;
};

} // namespace orvanta
