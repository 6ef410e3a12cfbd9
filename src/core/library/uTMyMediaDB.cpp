#include "core/library/uTMyMediaDB.h"

#include <algorithm>
#include <charconv>

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
    "fTrack = ?22, fDisc = ?23, fAlbumArtist = ?24, fFormat = ?25, fCodec = ?26, "
    "fSampleRate = ?27, fBitsPerSample = ?28, fChannels = ?29, fTrackTotal = ?30, "
    "fDiscTotal = ?31, fTrackGain = ?32, fTrackPeak = ?33, fAlbumGain = ?34, fAlbumPeak = ?35, "
    "fAlbumArtistKey = ?36" +
    WhereFile;
// The row of an add: its path, then its fields in the order of the rewrite's.
const std::string InsertMediaSql =
    "INSERT INTO tMedia (fDirectory, fFileName, fTitle, fArtist, fAlbum, fYear, fGenre, "
    "fLanguage, fComposer, fFileSize, fFileTime, fSeconds, fQuality, fTitleKey, fArtistKey, "
    "fAlbumKey, fGenreKey, fTrack, fDisc, fAlbumArtist, fFormat, fCodec, fSampleRate, "
    "fBitsPerSample, fChannels, fTrackTotal, fDiscTotal, fTrackGain, fTrackPeak, fAlbumGain, "
    "fAlbumPeak, fAlbumArtistKey) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
    "?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, ?25, ?26, ?27, ?28, ?29, ?30, "
    "?31, ?32)";
// The row's id and the texts whose values an update may keep.
const std::string StoredTextsSql =
    media_sql::SelectFile("rowid, fArtist, fAlbumArtist, fGenre, fComposer") + " LIMIT 1";
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
// The format's fields: ReplayGain as decimal text, empty when the file gives none.
const TEasyFieldDef AddedColumns[] = {
    {"fFileTime", TEasyFieldType::ftInteger, 0, false},
    {"fFormat", TEasyFieldType::ftString, 16, false},
    {"fCodec", TEasyFieldType::ftString, 16, false},
    {"fSampleRate", TEasyFieldType::ftInteger, 0, false},
    {"fBitsPerSample", TEasyFieldType::ftInteger, 0, false},
    {"fChannels", TEasyFieldType::ftInteger, 0, false},
    {"fTrackTotal", TEasyFieldType::ftInteger, 0, false},
    {"fDiscTotal", TEasyFieldType::ftInteger, 0, false},
    {"fTrackGain", TEasyFieldType::ftString, 24, false},
    {"fTrackPeak", TEasyFieldType::ftString, 24, false},
    {"fAlbumGain", TEasyFieldType::ftString, 24, false},
    {"fAlbumPeak", TEasyFieldType::ftString, 24, false},
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

std::string_view cut(std::string_view value, int size = TextSize) {
    return CutToChars(value, static_cast<std::size_t>(size));
}

// The values of a row's statement are built in place: an add builds them for every file.
void addText(std::vector<TEasyValue>& params, std::string_view value, int size = TextSize) {
    params.emplace_back(std::in_place_type<std::string>, cut(value, size));
}

void addNumbers(std::vector<TEasyValue>& params, std::initializer_list<std::int64_t> numbers) {
    for (const std::int64_t number : numbers)
        params.emplace_back(number);
}

// The tag texts as stored, each cut to its field's size.
void addTagParams(std::vector<TEasyValue>& params, const TMediaRecord& record) {
    addText(params, record.Title);
    addText(params, record.Artist);
    addText(params, record.Album);
    addText(params, record.Year, YearSize);
    addText(params, record.Genre);
    addText(params, record.Language);
    addText(params, record.Composer);
}

// The keys the lists order and search by, made from the stored texts.
void addKeyParams(std::vector<TEasyValue>& params, const TMediaRecord& record) {
    for (const std::string* value : {&record.Title, &record.Artist, &record.Album, &record.Genre})
        params.emplace_back(SortKey(cut(*value)));
}

// The shortest text that reads back as the same number; empty for none.
std::string gainText(const std::optional<double>& value) {
    if (!value)
        return {};
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, *value);
    return std::string(buffer, written.ptr);
}

// The format's fields as stored, in the order of the statements.
void addFormatParams(std::vector<TEasyValue>& params, const TMediaRecord& record) {
    const TReplayGain& gain = record.ReplayGain;
    addText(params, record.Format, 16);
    addText(params, record.Codec, 16);
    addNumbers(params, {record.SampleRate, record.BitsPerSample, record.Channels, record.TrackTotal,
                        record.DiscTotal});
    for (const std::optional<double>* value :
         {&gain.TrackGain, &gain.TrackPeak, &gain.AlbumGain, &gain.AlbumPeak})
        params.emplace_back(gainText(*value));
    params.emplace_back(SortKey(cut(record.Numbers.AlbumArtist)));
}

// Stamp, stream, keys, numbers and format: what a rewrite writes after the tag texts.
void addFileParams(std::vector<TEasyValue>& params, const TMediaRecord& record) {
    addNumbers(params,
               {record.Stamp.FileSize, record.Stamp.FileTime, record.Seconds, record.Quality});
    addKeyParams(params, record);
    addNumbers(params, {record.Numbers.Track, record.Numbers.Disc});
    addText(params, record.Numbers.AlbumArtist);
    addFormatParams(params, record);
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
    addValueTable();
    FAlbumArtistText = true;
    FAlbumArtistKey = true;
    FFormatFields = true;
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
    addValueTable();
    FAlbumArtistText = true;
    FAlbumArtistKey = true;
    FFormatFields = true;
}

bool TMyMediaDB::hasTable(const std::string& Name) {
    TEasyQuery tables;
    OpenQuery(tables, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1", {Name});
    return tables.RecordCount() > 0;
}

void TMyMediaDB::addMissingColumns() {
    std::vector<std::string> present;
    OpenQuery(FQuery, "SELECT name FROM pragma_table_info(?1)", {std::string(MediaTableName)});
    for (FQuery.First(); !FQuery.Eof(); FQuery.Next())
        present.push_back(LowerAscii(FQuery.Fields(0).AsText()));
    FQuery.Close();
    const auto missing = [&](const TEasyFieldDef& column) {
        return std::find(present.begin(), present.end(), LowerAscii(column.Name)) == present.end();
    };
    // A current file is opened without a write: another process may hold the write lock.
    if (std::none_of(std::begin(AddedColumns), std::end(AddedColumns), missing))
        return;
    // One transaction: each change of the schema is instant, its commit is not.
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        for (const TEasyFieldDef& column : AddedColumns) {
            if (!missing(column))
                continue;
            // Rows already there get NULL: nothing known yet.
            FTable.Database()->Execute("ALTER TABLE tMedia ADD COLUMN " + column.Name +
                                       (column.DataType == TEasyFieldType::ftInteger
                                            ? std::string(" INTEGER")
                                            : " VARCHAR(" + std::to_string(column.Size) + ")"));
        }
    });
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
    FRemovedTable = hasTable("tRemoved");
    FValueTable = hasTable("tMediaValues");
    FAlbumArtistText = hasField("fAlbumArtist");
    FAlbumArtistKey = FListingKeys && hasField("fAlbumArtistKey");
    FFormatFields = hasField("fFormat");
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
    FValueTable = false;
    FAlbumArtistText = false;
    FAlbumArtistKey = false;
    FFormatFields = false;
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
            // One positional statement: naming each field of the row would cost more than
            // the row. Paths are bytes and never cut, whatever width an older library declares.
            std::vector<TEasyValue> params;
            params.reserve(32);
            params.emplace_back(Record.Directory);
            params.emplace_back(Record.FileName);
            addTagParams(params, Record);
            addFileParams(params, Record);
            ExecQuery(FQuery, InsertMediaSql, std::move(params));
            FAddedId = database->LastInsertId();
            writeValues(FAddedId, Record, true);
            if (FSlashedMemo && Record.Directory != FSlashedMemo->Folder)
                FSlashedMemo->Rows = true; // a row under the spelling with the '/'
            else if (FSlashedMemo && !FSlashedMemo->BareRows)
                FSlashedMemo->Added.insert(Record.FileName);
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
        WalkQuery(FQuery, SpellingRowsSql, {LowerAscii(slashed), slashed});
        FSlashedMemo = TSlashedMemo{bare, !FQuery.Eof(), true, {}};
        FQuery.Close();
        if (!FSlashedMemo->Rows) {
            WalkQuery(FQuery, SpellingRowsSql, {LowerAscii(bare), bare});
            FSlashedMemo->BareRows = !FQuery.Eof();
            FQuery.Close();
        }
    }
    if (FBatch && !FSlashedMemo->Rows && !FSlashedMemo->BareRows)
        return FSlashedMemo->Added.contains(Record.FileName);
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
    addTagParams(params, Record);
    addFileParams(params, Record);
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        const std::int64_t id = MediaId(Record.Directory, Record.FileName);
        if (id == 0)
            return;
        ExecQuery(FQuery, RewriteMediaSql, std::move(params));
        writeValues(id, Record, false);
    });
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
    FSlashedMemo.reset(); // the memo's names are rows that exist
    ExecQuery(FQuery, DeleteMediaSql, FileParams(Directory, FileName));
}

void TMyMediaDB::UpdateMedia(const TMediaRecord& Record) {
    std::vector<TEasyValue> params = FileParams(Record.Directory, Record.FileName);
    addTagParams(params, Record);
    addKeyParams(params, Record);
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        OpenQuery(FQuery, StoredTextsSql, FileParams(Record.Directory, Record.FileName));
        if (FQuery.Eof()) {
            FQuery.Close();
            return;
        }
        const std::int64_t id = FQuery.Fields(0).AsInt64();
        std::array<std::string, 4> stored = {
            FQuery.Fields(1).AsString(), FQuery.Fields(2).AsString(), FQuery.Fields(3).AsString(),
            FQuery.Fields(4).AsString()};
        FQuery.Close();
        ExecQuery(FQuery, UpdateMediaSql, std::move(params));
        // The album artist is not among the texts an update writes.
        TMediaRecord kept = Record;
        kept.Numbers.AlbumArtist = stored[1];
        kept.AlbumArtists.clear();
        writeValues(id, kept, false, &stored);
    });
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
    // A field that holds several values offers each once: the texts of rows of one value,
    // and the value table's values, never "A / B" as one choice.
    static const std::pair<std::string_view, TMediaField> listed[] = {
        {"fArtist", TMediaField::Artist},
        {"fAlbumArtist", TMediaField::AlbumArtist},
        {"fGenre", TMediaField::Genre},
        {"fComposer", TMediaField::Composer}};
    std::string sql = distinctOf(Field);
    for (const auto& [name, field] : listed)
        if (FValueTable && name == Field) {
            const std::string kind = std::to_string(static_cast<int>(field));
            sql = std::string("SELECT ") + Field + " FROM tMedia WHERE rowid NOT IN (SELECT " +
                  "fMediaId FROM tMediaValues WHERE fField = " + kind + ") UNION SELECT " +
                  "fValue FROM tMediaValues WHERE fField = " + kind + " ORDER BY 1";
        }
    TEasyQuery query;
    WalkQuery(query, sql);
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
