// The single values of the fields that may hold several (artist, album artist, genre,
// composer). A field of one value is its text in tMedia, keyed and indexed there; only a field
// the file gave two or more values gets rows in tMediaValues, one per value, so that a filter
// lists each value once and finds every row having it, while tMedia keeps the joined text every
// other reader shows. Most files hold one value a field: their adds write no value rows.
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
    ("CREATE TABLE tMediaValues (fMediaId INTEGER NOT NULL, fField INTEGER NOT NULL, "
     "fValue TEXT NOT NULL, fKey TEXT NOT NULL, PRIMARY KEY (fMediaId, fField, fValue)) "
     "WITHOUT ROWID"),
    "CREATE INDEX ixMediaValuesField ON tMediaValues (fField, fKey, fValue)",
    ("CREATE TRIGGER trMediaValuesDelete AFTER DELETE ON tMedia BEGIN "
     "DELETE FROM tMediaValues WHERE fMediaId = old.rowid; END"),
};

const std::string InsertValueSql =
    "INSERT INTO tMediaValues (fMediaId, fField, fValue, fKey) VALUES (?1, ?2, ?3, ?4)";
const std::string DeleteValuesSql = "DELETE FROM tMediaValues WHERE fMediaId = ?1 AND fField = ?2";
const std::string DeleteAllValuesSql = "DELETE FROM tMediaValues WHERE fMediaId = ?1";

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

// The distinct non-empty values of a list, cut as stored.
std::vector<std::string_view> severalValues(const std::vector<std::string>& List) {
    std::vector<std::string_view> values;
    for (const std::string& value : List) {
        const std::string_view cut = CutToChars(value, ValueSize);
        if (!cut.empty() && std::find(values.begin(), values.end(), cut) == values.end())
            values.push_back(cut);
    }
    return values;
}

} // namespace

void TMyMediaDB::addValueTable() {
    // Most opens find it there and write nothing. An older file's rows need no values: how
    // their texts were split is not known, so each is one value, which tMedia holds.
    if (FValueTable || hasTable("tMediaValues")) {
        FValueTable = true;
        return;
    }
    auto database = FTable.Database();
    media_sql::InTransaction(*database, FQuery, [&] {
        for (const char* statement : ValueSchema)
            database->Execute(statement);
    });
    FValueTable = true;
}

void TMyMediaDB::writeValues(std::int64_t Id, const TMediaRecord& Record, bool Added,
                             const std::array<std::string, 4>* Stored) {
    if (!FValueTable)
        return;
    // Most records give each field one value or none: a new row of them costs no statement.
    if (!Added && !Stored)
        ExecQuery(FQuery, DeleteAllValuesSql, {Id});
    for (std::size_t i = 0; i < std::size(Fields); ++i) {
        const TMediaField field = Fields[i];
        const std::vector<std::string>& list = listOf(Record, field);
        if (Stored) {
            if (list.empty() && CutToChars(textOf(Record, field), ValueSize) == (*Stored)[i])
                continue;
            ExecQuery(FQuery, DeleteValuesSql, {Id, number(field)});
        }
        if (list.size() >= 2)
            insertValues(Id, field, list);
    }
}

void TMyMediaDB::insertValues(std::int64_t Id, TMediaField Field,
                              const std::vector<std::string>& List) {
    const std::vector<std::string_view> values = severalValues(List);
    if (values.size() < 2)
        return;
    for (const std::string_view value : values)
        ExecQuery(FQuery, InsertValueSql, {Id, number(Field), std::string(value), SortKey(value)});
}

void TMyMediaDB::SetMediaNumbers(std::string_view Directory, std::string_view FileName,
                                 const TMediaNumbers& Numbers,
                                 const std::vector<std::string>& AlbumArtists) {
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
        setNumbersOf(id, before, Numbers, AlbumArtists);
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
                              const TMediaNumbers& Numbers,
                              const std::vector<std::string>& AlbumArtists) {
    const std::string text(CutToChars(Numbers.AlbumArtist, ValueSize));
    ExecQuery(FQuery,
              "UPDATE tMedia SET fTrack = ?2, fDisc = ?3, fAlbumArtist = ?4, "
              "fAlbumArtistKey = ?5 WHERE rowid = ?1",
              {Id, std::int64_t{Numbers.Track}, std::int64_t{Numbers.Disc}, text, SortKey(text)});
    if (text == Before || !FValueTable)
        return;
    // The text is new: the values it was made of go, and its own come in.
    ExecQuery(FQuery, DeleteValuesSql, {Id, number(TMediaField::AlbumArtist)});
    insertValues(Id, TMediaField::AlbumArtist, AlbumArtists);
}

} // namespace orvanta
