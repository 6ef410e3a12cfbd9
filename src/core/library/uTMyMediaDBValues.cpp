// The single values of the fields that may hold several (artist, album artist, genre,
// composer): one row of tMediaValues per value, so that a filter lists each value once and
// finds every row having it, while tMedia keeps the joined text every other reader shows.
#include <algorithm>

#include "core/library/uMediaKeys.h"
#include "core/library/uTMyMediaDB.h"
#include "core/library/uTMyMediaDBSql.h"

namespace orvanta {

namespace {

constexpr std::size_t ValueSize = 256;

// fKey is the value's SortKey: the filter lists walk (fField, fKey, fValue) off its index
// alone. A row's values go with it, whoever deletes the row: the trigger lives in the file.
const char* const ValueSchema[] = {
    "CREATE TABLE tMediaValues (fMediaId INTEGER NOT NULL, fField INTEGER NOT NULL, "
    "fValue TEXT NOT NULL, fKey TEXT NOT NULL, PRIMARY KEY (fMediaId, fField, fValue)) "
    "WITHOUT ROWID",
    "CREATE INDEX ixMediaValuesField ON tMediaValues (fField, fKey, fValue)",
    "CREATE TRIGGER trMediaValuesDelete AFTER DELETE ON tMedia BEGIN "
    "DELETE FROM tMediaValues WHERE fMediaId = old.rowid; END",
};

const std::string InsertValueSql =
    "INSERT INTO tMediaValues (fMediaId, fField, fValue, fKey) VALUES (?1, ?2, ?3, ?4)";
const std::string DeleteValuesSql = "DELETE FROM tMediaValues WHERE fMediaId = ?1 AND fField = ?2";

constexpr TMediaField Fields[] = {TMediaField::Artist, TMediaField::AlbumArtist, TMediaField::Genre,
                                  TMediaField::Composer};

std::int64_t number(TMediaField Field) {
    return static_cast<std::int64_t>(Field);
}

const std::vector<std::string>& listOf(const TMediaRecord& Record, TMediaField Field) {
    switch (Field) {
    case TMediaField::AlbumArtist:
        return Record.AlbumArtists;
    case TMediaField::Genre:
        return Record.Genres;
    case TMediaField::Composer:
        return Record.Composers;
    default:
        return Record.Artists;
    }
}

const std::string& textOf(const TMediaRecord& Record, TMediaField Field) {
    switch (Field) {
    case TMediaField::AlbumArtist:
        return Record.Numbers.AlbumArtist;
    case TMediaField::Genre:
        return Record.Genre;
    case TMediaField::Composer:
        return Record.Composer;
    default:
        return Record.Artist;
    }
}

} // namespace

bool TMyMediaDB::hasValueTable() {
    TEasyQuery tables;
    OpenQuery(tables, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'tMediaValues'");
    return tables.RecordCount() > 0;
}

void TMyMediaDB::addValueTable() {
    // Most opens find it there and write nothing.
    if (FValueTable || hasValueTable()) {
        FValueTable = true;
        return;
    }
    auto database = FTable.Database();
    media_sql::InTransaction(*database, FQuery, [&] {
        for (const char* statement : ValueSchema)
            database->Execute(statement);
        // The texts of older rows, each as one value: how they were split is not known.
        // Artist and genre have their keys at hand; album artist and composer get theirs here.
        database->Execute("INSERT INTO tMediaValues SELECT rowid, 1, fArtist, fArtistKey FROM "
                          "tMedia WHERE fArtist <> '' AND fArtistKey IS NOT NULL");
        database->Execute("INSERT INTO tMediaValues SELECT rowid, 3, fGenre, fGenreKey FROM "
                          "tMedia WHERE fGenre <> '' AND fGenreKey IS NOT NULL");
        struct TRow {
            std::int64_t Id;
            std::string AlbumArtist, Composer;
        };
        std::vector<TRow> rows;
        {
            TEasyQuery read;
            WalkQuery(read, "SELECT rowid, fAlbumArtist, fComposer FROM tMedia WHERE "
                            "fAlbumArtist <> '' OR fComposer <> ''");
            for (; !read.Eof(); read.Next())
                rows.push_back({read.Fields(0).AsInt64(), read.Fields(1).AsString(),
                                read.Fields(2).AsString()});
        }
        for (const TRow& row : rows) {
            if (!row.AlbumArtist.empty()) {
                std::string key = SortKey(row.AlbumArtist);
                ExecQuery(FQuery, "UPDATE tMedia SET fAlbumArtistKey = ?2 WHERE rowid = ?1",
                          {row.Id, key});
                ExecQuery(
                    FQuery, InsertValueSql,
                    {row.Id, number(TMediaField::AlbumArtist), row.AlbumArtist, std::move(key)});
            }
            if (!row.Composer.empty())
                ExecQuery(
                    FQuery, InsertValueSql,
                    {row.Id, number(TMediaField::Composer), row.Composer, SortKey(row.Composer)});
        }
    });
    FValueTable = true;
}

void TMyMediaDB::writeValues(std::int64_t Id, const TMediaRecord& Record, bool Added,
                             const std::array<std::string, 4>* Stored) {
    if (!FValueTable)
        return;
    if (Added) {
        addValues(Id, Record);
        return;
    }
    for (std::size_t i = 0; i < std::size(Fields); ++i) {
        const TMediaField field = Fields[i];
        if (Stored && listOf(Record, field).empty() &&
            CutToChars(textOf(Record, field), ValueSize) == (*Stored)[i])
            continue;
        replaceValues(Id, field, FieldValues(Record, field));
    }
}

void TMyMediaDB::addValues(std::int64_t Id, const TMediaRecord& Record) {
    // The fields of one value (most files' every field) go in one statement: an add runs it
    // for every file.
    std::string statement;
    std::vector<TEasyValue> params{Id};
    for (const TMediaField field : Fields) {
        const std::vector<std::string>& list = listOf(Record, field);
        if (list.size() > 1 || (list.size() == 1 && list.front() != textOf(Record, field))) {
            replaceValues(Id, field, FieldValues(Record, field), false);
            continue;
        }
        const std::string_view value = CutToChars(textOf(Record, field), ValueSize);
        if (value.empty())
            continue;
        const std::size_t at = params.size();
        statement += statement.empty()
                         ? "INSERT INTO tMediaValues (fMediaId, fField, fValue, fKey) VALUES "
                         : ", ";
        statement += "(?1, ?" + std::to_string(at + 1) + ", ?" + std::to_string(at + 2) + ", ?" +
                     std::to_string(at + 3) + ")";
        params.emplace_back(number(field));
        params.emplace_back(std::string(value));
        params.emplace_back(SortKey(value));
    }
    if (!statement.empty())
        ExecQuery(FQuery, statement, std::move(params));
}

void TMyMediaDB::replaceValues(std::int64_t Id, TMediaField Field,
                               const std::vector<std::string>& Values, bool Delete) {
    if (!FValueTable)
        return;
    // A new row has no values yet: its add skips the delete.
    if (Delete)
        ExecQuery(FQuery, DeleteValuesSql, {Id, number(Field)});
    std::vector<std::string_view> written;
    for (const std::string& value : Values) {
        const std::string_view cut = CutToChars(value, ValueSize);
        if (cut.empty() || std::find(written.begin(), written.end(), cut) != written.end())
            continue;
        written.push_back(cut);
        ExecQuery(FQuery, InsertValueSql, {Id, number(Field), std::string(cut), SortKey(cut)});
    }
}

void TMyMediaDB::SetMediaNumbers(std::string_view Directory, std::string_view FileName,
                                 const TMediaNumbers& Numbers) {
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        OpenQuery(FQuery, media_sql::SelectFile("rowid, fAlbumArtist") + " LIMIT 1",
                  media_sql::FileParams(Directory, FileName));
        if (FQuery.Eof()) {
            FQuery.Close();
            return;
        }
        const std::int64_t id = FQuery.Fields(0).AsInt64();
        const std::string before = FQuery.Fields(1).AsString();
        FQuery.Close();
        setNumbersOf(id, before, Numbers);
    });
}

void TMyMediaDB::SetMediaNumbers(std::int64_t Id, const TMediaNumbers& Numbers) {
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        OpenQuery(FQuery, "SELECT fAlbumArtist FROM tMedia WHERE rowid = ?1", {Id});
        if (FQuery.Eof()) {
            FQuery.Close();
            return;
        }
        const std::string before = FQuery.Fields(0).AsString();
        FQuery.Close();
        setNumbersOf(Id, before, Numbers);
    });
}

void TMyMediaDB::setNumbersOf(std::int64_t Id, const std::string& Before,
                              const TMediaNumbers& Numbers) {
    const std::string text(CutToChars(Numbers.AlbumArtist, ValueSize));
    ExecQuery(FQuery,
              "UPDATE tMedia SET fTrack = ?2, fDisc = ?3, fAlbumArtist = ?4, "
              "fAlbumArtistKey = ?5 WHERE rowid = ?1",
              {Id, std::int64_t{Numbers.Track}, std::int64_t{Numbers.Disc}, text, SortKey(text)});
    if (text != Before)
        replaceValues(Id, TMediaField::AlbumArtist,
                      text.empty() ? std::vector<std::string>{} : std::vector{text});
}

} // namespace orvanta
