#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_set>

#include "core/library/uMediaKeys.h"
#include "core/library/uTMyMediaDB.h"
#include "core/library/uTMyMediaDBSql.h"

namespace orvanta {

namespace {

struct TListingField {
    const char* Name;
    const char* Declaration;
};

// Kept by the library beside the tags: the numbers of a track, and keys in the order people
// expect, so that the lists sort and search by walking an index.
const TListingField ListingFields[] = {
    {"fTrack", "INTEGER"},
    {"fDisc", "INTEGER"},
    {"fAlbumArtist", "VARCHAR(256)"},
    {"fTitleKey", "VARCHAR(600)"},
    {"fArtistKey", "VARCHAR(600)"},
    {"fAlbumKey", "VARCHAR(600)"},
    {"fGenreKey", "VARCHAR(600)"},
    // Without an index: an older file gains it at once, and rows written before it sort and
    // list by their text until they are rewritten.
    {"fAlbumArtistKey", "VARCHAR(600)"},
};

// The filter lists' values are read off their indexes alone, the key deciding the order.
const char* const ListingIndexes[] = {
    "ixMediaTitleKey ON tMedia (fTitleKey)",
    "ixMediaArtistKey ON tMedia (fArtistKey, fArtist)",
    "ixMediaAlbumKey ON tMedia (fAlbumKey, fAlbum)",
    "ixMediaGenreKey ON tMedia (fGenreKey, fGenre)",
    // Sorting by any other column of the list is a walk too; the "#" one as OrderedIds
    // writes it. The hidden Format column, of a few values, sorts without one: an add need not
    // keep another index.
    "ixMediaYear ON tMedia (fYear)",
    "ixMediaSeconds ON tMedia (fSeconds)",
    "ixMediaQuality ON tMedia (fQuality)",
    "ixMediaFileSize ON tMedia (fFileSize)",
    // "#": each album in the order it plays.
    "ixMediaAlbumNumber ON tMedia (fAlbumKey, COALESCE(fDisc, 0), COALESCE(fTrack, 0))",
    // The compilations: the rows without an album artist, by album and artist.
    "ixMediaCompilation ON tMedia (fAlbumKey, fArtistKey) WHERE fAlbumArtist = ''",
};

// The indexes of older files that the ones above replace: the plain texts, and "#" by disc
// and track alone.
const char* const OlderIndexes[] = {"ixMediaTitle", "ixMediaArtist", "ixMediaAlbum", "ixMediaGenre",
                                    "ixMediaNumber"};

std::string indexName(const char* Definition) {
    const std::string text(Definition);
    return text.substr(0, text.find(' '));
}

// Rows whose keys are computed per transaction while a file is brought up to date.
constexpr int FillChunk = 5000;

// Field is the number of the kind's values in tMediaValues; 0 for a kind of one value a row.
struct TKindFields {
    const char* Value;
    const char* Key;
    int Field;
};

TKindFields fieldsOf(TMediaListing::TKind Kind) {
    switch (Kind) {
    case TMediaListing::Album:
        return {"fAlbum", "fAlbumKey", 0};
    case TMediaListing::Genre:
        return {"fGenre", "fGenreKey", static_cast<int>(TMediaField::Genre)};
    case TMediaListing::AlbumArtist:
        return {"fAlbumArtist", "fAlbumArtistKey", static_cast<int>(TMediaField::AlbumArtist)};
    default:
        return {"fArtist", "fArtistKey", static_cast<int>(TMediaField::Artist)};
    }
}

// "%word%" for LIKE with '\' as its escape.
std::string likePattern(const std::string& Word) {
    std::string pattern = "%";
    for (const char c : Word) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

} // namespace

bool TMyMediaDB::keyedKind(TMediaListing::TKind Kind) const {
    return FListingKeys && (Kind != TMediaListing::AlbumArtist || FAlbumArtistKey);
}

bool TMyMediaDB::hasField(const char* Name) {
    TEasyQuery fields;
    OpenQuery(fields, "SELECT 1 FROM pragma_table_info('tMedia') WHERE name = ?1",
              {std::string(Name)});
    return fields.RecordCount() > 0;
}

bool TMyMediaDB::listingFieldsComplete() {
    for (const TListingField& field : ListingFields)
        if (!hasField(field.Name))
            return false;
    const auto hasIndex = [this](const std::string& Name) {
        TEasyQuery index;
        OpenQuery(index, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1", {Name});
        return index.RecordCount() > 0;
    };
    for (const char* index : ListingIndexes)
        if (!hasIndex(indexName(index)))
            return false;
    for (const char* index : OlderIndexes)
        if (hasIndex(index))
            return false;
    return true;
}

void TMyMediaDB::addListingFields() {
    // Most opens find everything in place and write nothing.
    if (!listingFieldsComplete())
        addListingSchema();
    FListingKeys = true;
    // In batches, each on disk on its own: an interrupted fill goes on at the next open.
    while (fillListingKeys()) {
    }
}

void TMyMediaDB::addListingSchema() {
    auto database = FTable.Database();
    database->StartTransaction();
    try {
        for (const TListingField& field : ListingFields)
            if (!hasField(field.Name))
                database->Execute(std::string("ALTER TABLE tMedia ADD COLUMN ") + field.Name + " " +
                                  field.Declaration);
        for (const char* index : OlderIndexes)
            database->Execute(std::string("DROP INDEX IF EXISTS ") + index);
        for (const char* index : ListingIndexes)
            database->Execute(std::string("CREATE INDEX IF NOT EXISTS ") + index);
        database->Commit();
    } catch (...) {
        database->Rollback();
        throw;
    }
}

bool TMyMediaDB::fillListingKeys() {
    // Rows another program wrote: their texts are keyed, and each is one value.
    struct TRow {
        std::int64_t Id;
        std::string Title, Artist, Album, Genre, AlbumArtist;
    };
    std::vector<TRow> rows;
    {
        TEasyQuery read;
        OpenQuery(read, "SELECT rowid, fTitle, fArtist, fAlbum, fGenre, fAlbumArtist FROM tMedia "
                        "WHERE fTitleKey IS NULL LIMIT " +
                            std::to_string(FillChunk));
        for (read.First(); !read.Eof(); read.Next())
            rows.push_back({read.Fields(0).AsInt64(), read.Fields(1).AsString(),
                            read.Fields(2).AsString(), read.Fields(3).AsString(),
                            read.Fields(4).AsString(), read.Fields(5).AsString()});
    }
    if (rows.empty())
        return false;
    BeginBatch();
    try {
        for (const TRow& row : rows)
            ExecQuery(FQuery,
                      "UPDATE tMedia SET fTitleKey = ?2, fArtistKey = ?3, fAlbumKey = ?4, "
                      "fGenreKey = ?5, fAlbumArtistKey = ?6 WHERE rowid = ?1",
                      {row.Id, SortKey(row.Title), SortKey(row.Artist), SortKey(row.Album),
                       SortKey(row.Genre), SortKey(row.AlbumArtist)});
        EndBatch();
    } catch (...) {
        FQuery.Close();
        CancelBatch();
        throw;
    }
    return rows.size() == static_cast<std::size_t>(FillChunk);
}

void TMyMediaDB::SelectListing(TEasyQuery& Query, const TMediaListing& Listing) {
    openListing(Query, Listing, "*", true);
}

void TMyMediaDB::SelectListingIds(TEasyQuery& Query, const TMediaListing& Listing) {
    openListing(Query, Listing, "rowid", false);
}

void TMyMediaDB::openListing(TEasyQuery& Query, const TMediaListing& Listing, const char* Fields,
                             bool Counted) {
    std::string where;
    std::vector<TEasyValue> params;
    const auto condition = [&where](const std::string& Text) {
        where.append(where.empty() ? " WHERE " : " AND ");
        where.append(Text);
    };
    const auto param = [&params](std::string Value) {
        params.emplace_back(std::move(Value));
        std::string name(1, '?');
        name.append(std::to_string(params.size()));
        return name;
    };
    const TKindFields fields = fieldsOf(Listing.Kind);
    if (Listing.Kind == TMediaListing::AlbumArtist && !FAlbumArtistText) {
        // A file older than the album artist: every row's reads as empty.
        condition(Listing.Value.empty() ? "1" : "0");
    } else if (Listing.Kind != TMediaListing::All) {
        // Without keys (an older file opened read-only) A-Z lowering merges letter case.
        if (keyedKind(Listing.Kind)) {
            // Rows another program wrote without keys are found by their text until the
            // next open gives them keys. A row of several values has them in tMediaValues;
            // its text in tMedia only joins them.
            const std::string key = param(SortKey(Listing.Value));
            const std::string lowered = param(LowerAscii(Listing.Value));
            std::string match = fields.Key + (" = " + key);
            if (fields.Field > 0 && FValueTable) {
                const std::string valueRows = "SELECT fMediaId FROM tMediaValues WHERE fField = " +
                                              std::to_string(fields.Field);
                match = "(" + match + " AND rowid NOT IN (" + valueRows + ")) OR rowid IN (" +
                        valueRows + " AND fKey = " + key + ")";
            }
            if (Listing.Kind == TMediaListing::AlbumArtist && IsVariousArtists(Listing.Value) &&
                compilationsKept())
                match += " OR " + compilationCondition();
            condition("(" + match + " OR (" + fields.Key + " IS NULL AND LOWER(" + fields.Value +
                      ") = " + lowered + "))");
        } else
            condition(std::string("LOWER(") + fields.Value +
                      ") = " + param(LowerAscii(Listing.Value)));
    }
    for (const std::string& word : Listing.Words) {
        if (word.empty())
            continue;
        if (FListingKeys) {
            const std::string at = param(KeyPattern(word));
            condition("(fTitleKey GLOB " + at + " OR fArtistKey GLOB " + at +
                      " OR fAlbumKey GLOB " + at + " OR fGenreKey GLOB " + at + ")");
        } else {
            const std::string at = param(likePattern(word));
            condition("(fTitle LIKE " + at + " ESCAPE '\\' OR fArtist LIKE " + at +
                      " ESCAPE '\\' OR fAlbum LIKE " + at + " ESCAPE '\\' OR fGenre LIKE " + at +
                      " ESCAPE '\\')");
        }
    }
    const char* titleOrder = FListingKeys ? "fTitleKey, rowid" : "fTitle, rowid";
    std::string order = " ORDER BY ";
    if (Listing.Kind == TMediaListing::Album && FListingKeys)
        order += std::string("fDisc, fTrack, ") + titleOrder;
    else
        order += titleOrder;
    // Words over the whole library read the table straight through and sort what matched:
    // cheaper than visiting every row in title order to keep a few.
    const bool scan = Listing.Kind == TMediaListing::All && !where.empty();
    const std::string statement = std::string("SELECT ") + Fields + " FROM tMedia" +
                                  (scan ? " NOT INDEXED" : "") + where + order;
    if (Counted)
        OpenQuery(Query, statement, std::move(params));
    else
        WalkQuery(Query, statement, std::move(params));
}

void TMyMediaDB::SelectSearchKeys(TEasyQuery& Query) {
    WalkQuery(Query, "SELECT rowid, fTitleKey, fArtistKey, fAlbumKey, fGenreKey FROM tMedia "
                     "ORDER BY rowid");
}

void TMyMediaDB::SelectMediaByIds(TEasyQuery& Query, const std::vector<std::int64_t>& Ids) {
    std::string list;
    std::vector<TEasyValue> params;
    params.reserve(Ids.size());
    for (const std::int64_t id : Ids) {
        params.emplace_back(id);
        list += list.empty() ? "?" : ", ?";
        list += std::to_string(params.size());
    }
    OpenQuery(Query, "SELECT rowid AS fRowId, * FROM tMedia WHERE rowid IN (" + list + ")",
              std::move(params));
}

std::int64_t TMyMediaDB::MediaId(std::string_view Directory, std::string_view FileName) {
    TEasyQuery query;
    OpenQuery(query, media_sql::SelectFile("rowid"), media_sql::FileParams(Directory, FileName));
    return query.Eof() ? 0 : query.Fields(0).AsInt64();
}

std::vector<std::int64_t> TMyMediaDB::OrderedIds(int Column, const std::function<void()>& RowRead) {
    const bool keys = FListingKeys;
    const char* order = nullptr;
    switch (Column) {
    case 1:
        order = keys ? "fTitleKey" : "fTitle";
        break;
    case 2:
        order = keys ? "fArtistKey, fArtist" : "fArtist";
        break;
    case 3:
        order = keys ? "fAlbumKey, fAlbum" : "fAlbum";
        break;
    case 4:
        order = "fYear";
        break;
    case 5:
        order = keys ? "fGenreKey, fGenre" : "fGenre";
        break;
    case 6:
        order = "fSeconds";
        break;
    case 7:
        order = "fQuality";
        break;
    case 8:
        order = "fFileSize";
        break;
    case 9:
        order = keys ? "fAlbumKey, COALESCE(fDisc, 0), COALESCE(fTrack, 0)" : nullptr;
        break;
    // The hidden columns have no index: an add keeps none for them.
    case 10:
        return FFormatFields ? orderedUnindexed(nullptr, "fFormat", RowRead)
                             : std::vector<std::int64_t>{};
    case 11:
        return FAlbumArtistKey ? orderedUnindexed("fAlbumArtistKey", "fAlbumArtist", RowRead)
                               : std::vector<std::int64_t>{};
    default:
        break;
    }
    if (!order)
        return {};
    // Equal keys in the order of their index (the text, then the row id): a walk, no sort.
    TEasyQuery query;
    OpenQuery(query, std::string("SELECT rowid FROM tMedia ORDER BY ") + order + ", rowid");
    std::vector<std::int64_t> ids;
    ids.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (; !query.Eof(); query.Next()) {
        ids.push_back(query.Fields(0).AsInt64());
        if (RowRead)
            RowRead();
    }
    return ids;
}

std::vector<std::int64_t> TMyMediaDB::orderedUnindexed(const char* Key, const char* Value,
                                                       const std::function<void()>& RowRead) {
    // Without an index the file would sort anyway. Here the rows, read in row id order, go to
    // one bucket per distinct text: a library has few formats and few album artists, and rows
    // written before the key sort by their text as well. Rows without the text come first.
    std::vector<std::int64_t> ids;
    std::map<std::pair<std::string, std::string>, std::vector<std::int64_t>> buckets;
    std::vector<std::int64_t>* last = nullptr;
    std::string lastKey, lastValue;
    TEasyQuery query;
    WalkQuery(query,
              std::string("SELECT rowid, ") + (Key ? Key : "NULL") + ", " + Value + " FROM tMedia");
    for (; !query.Eof(); query.Next()) {
        if (RowRead)
            RowRead();
        const std::int64_t id = query.Fields(0).AsInt64();
        const std::string_view value = query.Fields(2).AsText();
        if (value.empty()) {
            ids.push_back(id);
            continue;
        }
        const bool keyed = !query.Fields(1).IsNull();
        if (!last || value != lastValue || (keyed && query.Fields(1).AsText() != lastKey)) {
            lastKey = keyed ? query.Fields(1).AsString() : Key ? SortKey(value) : std::string();
            lastValue = value;
            last = &buckets[{lastKey, lastValue}];
        }
        last->push_back(id);
    }
    for (const auto& bucket : buckets)
        ids.insert(ids.end(), bucket.second.begin(), bucket.second.end());
    return ids;
}

std::vector<std::string> TMyMediaDB::FilterValues(TMediaListing::TKind Kind,
                                                  const std::function<void()>& RowRead) {
    const TKindFields fields = fieldsOf(Kind);
    TEasyQuery query;
    struct TSpelling {
        std::string Key, Value;
        std::int32_t Count;
    };
    std::vector<TSpelling> spellings;
    if (Kind == TMediaListing::AlbumArtist && !FAlbumArtistText)
        return {};
    if (keyedKind(Kind)) {
        // The single values of the rows holding several: those rows' joined texts are left out
        // of the walk below.
        std::unordered_set<std::int64_t> several;
        std::vector<TSpelling> values;
        if (fields.Field > 0 && FValueTable) {
            WalkQuery(query, "SELECT fMediaId, fKey, fValue FROM tMediaValues WHERE fField = ?1",
                      {std::int64_t{fields.Field}});
            for (; !query.Eof(); query.Next()) {
                several.insert(query.Fields(0).AsInt64());
                values.push_back({query.Fields(1).AsString(), query.Fields(2).AsString(), 1});
            }
        }
        // Row by row off the covering index, so that the caller can let events run.
        WalkQuery(query, std::string("SELECT ") + fields.Key + ", " + fields.Value +
                             ", rowid FROM tMedia WHERE " + fields.Value + " <> '' ORDER BY " +
                             fields.Key + ", " + fields.Value);
        bool unkeyed = false;
        for (; !query.Eof(); query.Next()) {
            if (RowRead)
                RowRead();
            if (!several.empty() && several.contains(query.Fields(2).AsInt64()))
                continue;
            const std::string_view value = query.Fields(1).AsText();
            if (!spellings.empty() && spellings.back().Value == value &&
                !query.Fields(0).IsNull()) {
                ++spellings.back().Count;
                continue;
            }
            unkeyed = unkeyed || query.Fields(0).IsNull();
            spellings.push_back(
                {query.Fields(0).IsNull() ? SortKey(value) : query.Fields(0).AsString(),
                 std::string(value), 1});
        }
        if (unkeyed || !values.empty()) {
            // Into the walk's order, each spelling once with its count.
            spellings.insert(spellings.end(), std::make_move_iterator(values.begin()),
                             std::make_move_iterator(values.end()));
            std::sort(spellings.begin(), spellings.end(),
                      [](const TSpelling& a, const TSpelling& b) {
                          return std::tie(a.Key, a.Value) < std::tie(b.Key, b.Value);
                      });
            std::vector<TSpelling> merged;
            for (TSpelling& spelling : spellings)
                if (!merged.empty() && merged.back().Key == spelling.Key &&
                    merged.back().Value == spelling.Value)
                    merged.back().Count += spelling.Count;
                else
                    merged.push_back(std::move(spelling));
            spellings = std::move(merged);
        }
    } else {
        OpenQuery(query, std::string("SELECT ") + fields.Value + ", COUNT(*) FROM tMedia WHERE " +
                             fields.Value + " <> '' GROUP BY " + fields.Value);
        for (query.First(); !query.Eof(); query.Next()) {
            std::string value = query.Fields(0).AsString();
            spellings.push_back({SortKey(value), std::move(value), query.Fields(1).AsInteger()});
        }
        std::stable_sort(spellings.begin(), spellings.end(),
                         [](const TSpelling& a, const TSpelling& b) { return a.Key < b.Key; });
    }
    query.Close();
    std::vector<std::string> values;
    std::int32_t most = 0;
    for (std::size_t i = 0; i < spellings.size(); ++i) {
        if (i == 0 || spellings[i].Key != spellings[i - 1].Key) {
            values.push_back(spellings[i].Value);
            most = spellings[i].Count;
        } else if (spellings[i].Count > most) {
            values.back() = spellings[i].Value;
            most = spellings[i].Count;
        }
    }
    if (Kind == TMediaListing::AlbumArtist)
        addVariousArtists(values);
    return values;
}

} // namespace orvanta
