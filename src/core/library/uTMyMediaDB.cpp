#include "core/library/uTMyMediaDB.h"

#include <algorithm>

#include "core/common/uDataPaths.h"
#include "core/library/uMediaKeys.h"
#include "core/library/uTMyMediaDBSql.h"

namespace orvanta {

namespace {

constexpr int TextSize = 256;
constexpr int YearSize = 4;
// What Linux allows: a 4,096-byte path, a 255-byte name.
constexpr int DirectorySize = 4096;
constexpr int FileNameSize = 255;

// Every statement binds its values; the texts below are the whole statements.
using media_sql::FileParams;
using media_sql::WhereFile;
const std::string SelectMediaSql = media_sql::SelectFile("*");
const std::string DeleteMediaSql = "DELETE FROM tMedia" + WhereFile;
const std::string UpdateMediaSql =
    "UPDATE tMedia SET fTitle = ?7, fArtist = ?8, fAlbum = ?9, fYear = ?10, fGenre = ?11, "
    "fLanguage = ?12, fComposer = ?13, fTitleKey = ?14, fArtistKey = ?15, fAlbumKey = ?16, "
    "fGenreKey = ?17" +
    WhereFile;
const std::string RewriteMediaSql =
    "UPDATE tMedia SET fTitle = ?7, fArtist = ?8, fAlbum = ?9, fYear = ?10, fGenre = ?11, "
    "fLanguage = ?12, fComposer = ?13, fFileSize = ?14, fFileTime = ?15, fSeconds = ?16, "
    "fQuality = ?17, fTitleKey = ?18, fArtistKey = ?19, fAlbumKey = ?20, fGenreKey = ?21, "
    "fTrack = ?22, fDisc = ?23, fAlbumArtist = ?24" +
    WhereFile;
const std::string StampMediaSql = "UPDATE tMedia SET fFileSize = ?7, fFileTime = ?8" + WhereFile;
const std::string MediaStampSql = media_sql::SelectFile("fFileSize, fFileTime");
const std::string MediaExistsSql = media_sql::SelectFile("1") + " LIMIT 1";
// MediaExistsSql for the spelling without the trailing '/' alone.
const std::string BareExistsSql = "SELECT 1 FROM tMedia WHERE LOWER(fDirectory) = ?1 AND "
                                  "LOWER(fFileName) = ?2 AND +fDirectory = ?3 AND "
                                  "+fFileName = ?4 LIMIT 1";
const std::string SpellingRowsSql =
    "SELECT 1 FROM tMedia WHERE LOWER(fDirectory) = ?1 AND +fDirectory = ?2 LIMIT 1";

// Columns tMedia gained after its first version. A library file made before them gets them
// when it is opened for writing; every reader takes a row without them as it is.
const TEasyFieldDef AddedColumns[] = {
    {"fFileTime", TEasyFieldType::ftInteger, 0, false},
};

std::string distinctOf(const char* field) {
    return std::string("SELECT DISTINCT ") + field + " FROM tMedia ORDER BY " + field;
}

std::string mediaWhereLowered(const char* field) {
    return std::string("SELECT * FROM tMedia WHERE LOWER(") + field + ") = ?1 ORDER BY fTitle";
}

// The look-up index of a file; the orders the view lists in are the listing keys' indexes.
const TEasyIndexDef MediaIndexes[] = {
    {"ixMediaFile", "LOWER(fDirectory), LOWER(fFileName)"},
};

std::string cut(std::string_view value) {
    return std::string(CutToChars(value, static_cast<std::size_t>(TextSize)));
}

TEasyValue text(std::string_view value, int size = TextSize) {
    return TEasyValue(std::string(CutToChars(value, static_cast<std::size_t>(size))));
}

// The tag texts as stored, each cut to its field's size.
std::vector<TEasyValue> tagParams(const TMediaRecord& record) {
    return {text(record.Title),          text(record.Artist), text(record.Album),
            text(record.Year, YearSize), text(record.Genre),  text(record.Language),
            text(record.Composer)};
}

// The keys the lists order and search by, made from the stored texts.
std::vector<TEasyValue> keyParams(const TMediaRecord& record) {
    return {SortKey(cut(record.Title)), SortKey(cut(record.Artist)), SortKey(cut(record.Album)),
            SortKey(cut(record.Genre))};
}

void append(std::vector<TEasyValue>& params, std::vector<TEasyValue> more) {
    params.insert(params.end(), std::make_move_iterator(more.begin()),
                  std::make_move_iterator(more.end()));
}

} // namespace

std::vector<TEasyValue> media_sql::FileParams(std::string_view Directory,
                                              std::string_view FileName) {
    auto [bare, slashed] = FolderSpellings(Directory);
    return {LowerAscii(bare), LowerAscii(slashed), LowerAscii(FileName),
            std::move(bare),  std::move(slashed),  std::string(FileName)};
}

TMyMediaDB::TMyMediaDB() = default;

void TMyMediaDB::OpenDatabase(const std::string& FileName) {
    CloseDatabase();
    FTable.DatabaseFileName = FileName;
    FTable.TableName = MediaTableName;
    FTable.TableRequired = true;
    if (!FileExists(FileName)) {
        CreateDatabase();
        return;
    }
    // A file left empty by a crash during its creation gets its table; any other file without
    // tMedia is not a library and is an error, never replaced.
    if (FTable.Database()->IsEmpty()) {
        createTable();
        return;
    }
    addMissingColumns();
    FTable.Open();
    FTable.Close();
    // For a file whose indexes were dropped by another tool or made before some of them.
    for (const TEasyIndexDef& index : MediaIndexes)
        FTable.Database()->Execute("CREATE INDEX IF NOT EXISTS " + index.Name + " ON tMedia (" +
                                   index.Expressions + ")");
    addListingFields();
    addRemovedTable();
}

void TMyMediaDB::CreateDatabase() {
    FTable.Disconnect();
    auto database = std::make_shared<TEasyDatabase>();
    database->FileName = FTable.DatabaseFileName;
    database->CreateDatabase();
    FTable.SetDatabase(database);
    createTable();
}

void TMyMediaDB::createTable() {
    FTable.FieldDefs.clear();
    FTable.IndexDefs.clear();
    const auto addText = [this](const char* name, int size) {
        FTable.FieldDefs.push_back({name, TEasyFieldType::ftString, size, false});
    };
    const auto addInteger = [this](const char* name) {
        FTable.FieldDefs.push_back({name, TEasyFieldType::ftInteger, 0, false});
    };
    addText("fDirectory", DirectorySize);
    addText("fFileName", FileNameSize);
    addInteger("fFileSize");
    addInteger("fSeconds");
    addInteger("fQuality");
    addText("fTitle", TextSize);
    addText("fArtist", TextSize);
    addText("fAlbum", TextSize);
    addText("fYear", YearSize);
    addText("fGenre", TextSize);
    addText("fLanguage", TextSize);
    addText("fComposer", TextSize);
    for (const TEasyFieldDef& column : AddedColumns)
        FTable.FieldDefs.push_back(column);
    FTable.IndexDefs.assign(std::begin(MediaIndexes), std::end(MediaIndexes));
    FTable.CreateTable();
    FTable.Close();
    addListingFields();
    addRemovedTable();
}

void TMyMediaDB::addMissingColumns() {
    std::vector<std::string> present;
    OpenQuery(FQuery, "SELECT name FROM pragma_table_info(?1)", {std::string(MediaTableName)});
    for (FQuery.First(); !FQuery.Eof(); FQuery.Next())
        present.push_back(LowerAscii(FQuery.Fields(0).AsText()));
    FQuery.Close();
    for (const TEasyFieldDef& column : AddedColumns) {
        if (std::find(present.begin(), present.end(), LowerAscii(column.Name)) != present.end())
            continue;
        // Rows already there get NULL: nothing known yet.
        FTable.Database()->Execute("ALTER TABLE tMedia ADD COLUMN " + column.Name +
                                   (column.DataType == TEasyFieldType::ftInteger
                                        ? std::string(" INTEGER")
                                        : " VARCHAR(" + std::to_string(column.Size) + ")"));
    }
}

void TMyMediaDB::OpenReadOnly(const std::string& FileName) {
    CloseDatabase();
    FTable.DatabaseFileName = FileName;
    FTable.TableName = MediaTableName;
    auto database = std::make_shared<TEasyDatabase>();
    database->FileName = FileName;
    database->ReadOnly = true;
    database->Open();
    FTable.SetDatabase(database);
    FReadOnly = true;
    FTable.Open();
    FTable.Close();
    FListingKeys = hasField("fTitleKey");
    FRemovedTable = hasRemovedTable();
}

void TMyMediaDB::KeepCacheSmall(bool Small) {
    FTable.Database()->Execute(Small ? "PRAGMA cache_size = -512" : "PRAGMA cache_size = -2000");
}

bool TMyMediaDB::CanWriteNow() {
    return FTable.Database()->CanWriteNow();
}

void TMyMediaDB::CloseDatabase() {
    FQuery.Close();
    FQuery.Database.reset();
    FTable.Disconnect();
    FReadOnly = false;
    FListingKeys = false;
    FRemovedTable = false;
}

bool TMyMediaDB::AddMedia(const TMediaRecord& Record) {
    auto database = FTable.Database();
    // The check and the append are one transaction, so a second writer cannot slip a copy
    // of the row in between. Inside a batch the write lock is already held, and one
    // statement fails whole.
    const bool own = !database->InTransaction();
    if (own)
        database->StartTransaction();
    try {
        const bool added = !hasRow(Record);
        if (added) {
            // The table stays open from one row to the next: reading its fields again for
            // every file would cost more than the row.
            FTable.Open();
            FTable.Append();
            // Paths are bytes and never cut, whatever width an older library declares.
            FTable.SetFieldBytes("fDirectory", Record.Directory);
            FTable.SetFieldBytes("fFileName", Record.FileName);
            FTable.SetFieldInteger("fFileSize", Record.Stamp.FileSize);
            FTable.SetFieldText("fTitle", Record.Title);
            FTable.SetFieldText("fArtist", Record.Artist);
            FTable.SetFieldText("fAlbum", Record.Album);
            FTable.SetFieldText("fYear", Record.Year);
            FTable.SetFieldText("fGenre", Record.Genre);
            FTable.SetFieldText("fLanguage", Record.Language);
            FTable.SetFieldText("fComposer", Record.Composer);
            FTable.SetFieldInteger("fSeconds", Record.Seconds);
            FTable.SetFieldInteger("fQuality", Record.Quality);
            FTable.SetFieldInteger("fFileTime", Record.Stamp.FileTime);
            FTable.SetFieldText("fTitleKey", SortKey(cut(Record.Title)));
            FTable.SetFieldText("fArtistKey", SortKey(cut(Record.Artist)));
            FTable.SetFieldText("fAlbumKey", SortKey(cut(Record.Album)));
            FTable.SetFieldText("fGenreKey", SortKey(cut(Record.Genre)));
            FTable.SetFieldInteger("fTrack", Record.Numbers.Track);
            FTable.SetFieldInteger("fDisc", Record.Numbers.Disc);
            FTable.SetFieldText("fAlbumArtist", Record.Numbers.AlbumArtist);
            FTable.Post();
            FAddedId = database->LastInsertId();
            if (FSlashedMemo && Record.Directory != FSlashedMemo->Folder)
                FSlashedMemo->Rows = true; // a row under the spelling with the '/'
        }
        if (own)
            database->Commit();
        return added;
    } catch (...) {
        FTable.Close();
        FQuery.Close();
        if (own)
            database->Rollback();
        throw;
    }
}

bool TMyMediaDB::hasRow(const TMediaRecord& Record) {
    auto [bare, slashed] = FolderSpellings(Record.Directory);
    if (FBatch && (!FSlashedMemo || FSlashedMemo->Folder != bare)) {
        OpenQuery(FQuery, SpellingRowsSql, {LowerAscii(slashed), slashed});
        FSlashedMemo = TSlashedMemo{bare, !FQuery.Eof()};
        FQuery.Close();
    }
    if (FBatch && !FSlashedMemo->Rows)
        OpenQuery(FQuery, BareExistsSql,
                  {LowerAscii(bare), LowerAscii(Record.FileName), bare, Record.FileName});
    else
        OpenQuery(FQuery, MediaExistsSql, FileParams(Record.Directory, Record.FileName));
    const bool found = !FQuery.Eof();
    FQuery.Close();
    return found;
}

void TMyMediaDB::RewriteMedia(const TMediaRecord& Record) {
    std::vector<TEasyValue> params = FileParams(Record.Directory, Record.FileName);
    append(params, tagParams(Record));
    append(params, {Record.Stamp.FileSize, Record.Stamp.FileTime, std::int64_t{Record.Seconds},
                    std::int64_t{Record.Quality}});
    append(params, keyParams(Record));
    append(params, {std::int64_t{Record.Numbers.Track}, std::int64_t{Record.Numbers.Disc},
                    text(Record.Numbers.AlbumArtist)});
    ExecQuery(FQuery, RewriteMediaSql, std::move(params));
}

bool TMyMediaDB::MediaStamp(std::string_view Directory, std::string_view FileName,
                            TMediaStamp& Stamp) {
    OpenQuery(FQuery, MediaStampSql, FileParams(Directory, FileName));
    const bool found = !FQuery.Eof();
    if (found) {
        Stamp.FileSize = FQuery.Fields(0).AsInt64();
        Stamp.FileTime = FQuery.Fields(1).AsInt64();
    }
    FQuery.Close();
    return found;
}

void TMyMediaDB::StampMedia(std::string_view Directory, std::string_view FileName,
                            const TMediaStamp& Stamp) {
    std::vector<TEasyValue> params = FileParams(Directory, FileName);
    params.insert(params.end(), {Stamp.FileSize, Stamp.FileTime});
    ExecQuery(FQuery, StampMediaSql, std::move(params));
}

void TMyMediaDB::DeleteMedia(std::string_view Directory, std::string_view FileName) {
    ExecQuery(FQuery, DeleteMediaSql, FileParams(Directory, FileName));
}

void TMyMediaDB::UpdateMedia(const TMediaRecord& Record) {
    std::vector<TEasyValue> params = FileParams(Record.Directory, Record.FileName);
    append(params, tagParams(Record));
    append(params, keyParams(Record));
    ExecQuery(FQuery, UpdateMediaSql, std::move(params));
}

void TMyMediaDB::SelectMedia(TEasyQuery& Query, std::string_view Directory,
                             std::string_view FileName) {
    OpenQuery(Query, SelectMediaSql, FileParams(Directory, FileName));
}

void TMyMediaDB::SelectAllMedia(TEasyQuery& Query) {
    OpenQuery(Query, FListingKeys ? "SELECT * FROM tMedia ORDER BY fTitleKey, rowid"
                                  : "SELECT * FROM tMedia ORDER BY fTitle");
}

void TMyMediaDB::DistinctValues(const char* Field,
                                const std::function<bool(std::string_view)>& Value) {
    TEasyQuery query;
    WalkQuery(query, distinctOf(Field));
    for (; !query.Eof(); query.Next())
        if (std::string_view value = query.Fields(0).AsText(); !value.empty() && !Value(value))
            return;
}

void TMyMediaDB::SelectMediaByArtist(TEasyQuery& Query, std::string_view Value) {
    OpenQuery(Query, mediaWhereLowered("fArtist"), {LowerAscii(Value)});
}
void TMyMediaDB::SelectMediaByAlbum(TEasyQuery& Query, std::string_view Value) {
    OpenQuery(Query, mediaWhereLowered("fAlbum"), {LowerAscii(Value)});
}
void TMyMediaDB::SelectMediaByGenre(TEasyQuery& Query, std::string_view Value) {
    OpenQuery(Query, mediaWhereLowered("fGenre"), {LowerAscii(Value)});
}

void TMyMediaDB::PrepareQuery(TEasyQuery& Query, const std::string& Statement,
                              std::vector<TEasyValue> Params) {
    Query.Close();
    Query.Database = FTable.Database();
    Query.SQL = Statement;
    Query.Params = std::move(Params);
}

void TMyMediaDB::OpenQuery(TEasyQuery& Query, const std::string& Statement,
                           std::vector<TEasyValue> Params) {
    PrepareQuery(Query, Statement, std::move(Params));
    Query.Open();
}

void TMyMediaDB::WalkQuery(TEasyQuery& Query, const std::string& Statement,
                           std::vector<TEasyValue> Params) {
    PrepareQuery(Query, Statement, std::move(Params));
    Query.OpenUncounted();
}

void TMyMediaDB::ExecQuery(TEasyQuery& Query, const std::string& Statement,
                           std::vector<TEasyValue> Params) {
    PrepareQuery(Query, Statement, std::move(Params));
    Query.ExecSQL();
}

void TMyMediaDB::BeginBatch() {
    FTable.Database()->StartTransaction();
    FBatch = true;
}

void TMyMediaDB::EndBatch() {
    FBatch = false;
    FSlashedMemo.reset();
    FTable.Database()->Commit();
}

void TMyMediaDB::CancelBatch() {
    FBatch = false;
    FSlashedMemo.reset();
    FTable.Database()->Rollback();
}

std::string TMyMediaDB::IntegrityCheck() {
    TEasyQuery check;
    OpenQuery(check, "PRAGMA integrity_check");
    std::string result;
    for (check.First(); !check.Eof(); check.Next()) {
        if (!result.empty())
            result += '\n';
        result += check.Fields(0).AsString();
    }
    return result;
}

} // namespace orvanta
