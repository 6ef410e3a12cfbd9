// The library's rows read as records, and the reads that hand their callers plain values.
#include "core/library/uTMyMediaDB.h"

#include <charconv>

#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDBSql.h"

namespace orvanta {

namespace {

// Where each field of tMedia sits in a query, looked up once per read instead of per row.
struct TMediaColumns {
    int Directory, FileName, FileSize, FileTime, Seconds, Quality, Title, Artist, Album, Year,
        Genre, Language, Composer, Track, Disc, AlbumArtist, Id, Format, Codec, SampleRate,
        BitsPerSample, Channels, TrackTotal, DiscTotal, TrackGain, TrackPeak, AlbumGain, AlbumPeak;

    explicit TMediaColumns(const TEasyQuery& query) {
        // An older file opened read-only has neither the numbers nor the time.
        const auto optional = [&query](std::string_view name) {
            for (int i = 0; i < query.FieldCount(); ++i)
                if (query.FieldName(i) == name)
                    return i;
            return -1;
        };
        const auto column = [&query, &optional](std::string_view name) {
            const int at = optional(name);
            if (at < 0)
                query.FieldByName(name); // throws the engine's "no such field"
            return at;
        };
        Directory = column("fDirectory");
        FileName = column("fFileName");
        FileSize = column("fFileSize");
        FileTime = optional("fFileTime");
        Seconds = column("fSeconds");
        Quality = column("fQuality");
        Title = column("fTitle");
        Artist = column("fArtist");
        Album = column("fAlbum");
        Year = column("fYear");
        Genre = column("fGenre");
        Language = column("fLanguage");
        Composer = column("fComposer");
        Track = optional("fTrack");
        Disc = optional("fDisc");
        AlbumArtist = optional("fAlbumArtist");
        Id = optional("fRowId");
        Format = optional("fFormat");
        Codec = optional("fCodec");
        SampleRate = optional("fSampleRate");
        BitsPerSample = optional("fBitsPerSample");
        Channels = optional("fChannels");
        TrackTotal = optional("fTrackTotal");
        DiscTotal = optional("fDiscTotal");
        TrackGain = optional("fTrackGain");
        TrackPeak = optional("fTrackPeak");
        AlbumGain = optional("fAlbumGain");
        AlbumPeak = optional("fAlbumPeak");
    }

    TMediaRecord Read(const TEasyQuery& query) const {
        const auto number = [&query](int at) { return at < 0 ? 0 : query.Fields(at).AsInteger(); };
        const auto text = [&query](int at) {
            return at < 0 ? std::string() : query.Fields(at).AsString();
        };
        const auto gain = [&query](int at) -> std::optional<double> {
            if (at < 0)
                return std::nullopt;
            const std::string_view stored = query.Fields(at).AsText();
            double value = 0;
            const auto read = std::from_chars(stored.data(), stored.data() + stored.size(), value);
            if (stored.empty() || read.ec != std::errc())
                return std::nullopt;
            return value;
        };
        TMediaRecord record;
        record.Id = Id < 0 ? 0 : query.Fields(Id).AsInt64();
        record.Directory = query.Fields(Directory).AsString();
        record.FileName = query.Fields(FileName).AsString();
        record.Stamp.FileSize = query.Fields(FileSize).AsInt64();
        record.Stamp.FileTime = FileTime < 0 ? 0 : query.Fields(FileTime).AsInt64();
        record.Title = query.Fields(Title).AsString();
        record.Artist = query.Fields(Artist).AsString();
        record.Album = query.Fields(Album).AsString();
        record.Year = query.Fields(Year).AsString();
        record.Genre = query.Fields(Genre).AsString();
        record.Language = query.Fields(Language).AsString();
        record.Composer = query.Fields(Composer).AsString();
        record.Numbers.Track = number(Track);
        record.Numbers.Disc = number(Disc);
        if (AlbumArtist >= 0)
            record.Numbers.AlbumArtist = query.Fields(AlbumArtist).AsString();
        record.Seconds = query.Fields(Seconds).AsInteger();
        record.Quality = query.Fields(Quality).AsInteger();
        record.Format = text(Format);
        record.Codec = text(Codec);
        record.SampleRate = number(SampleRate);
        record.BitsPerSample = number(BitsPerSample);
        record.Channels = number(Channels);
        record.TrackTotal = number(TrackTotal);
        record.DiscTotal = number(DiscTotal);
        record.ReplayGain = {gain(TrackGain), gain(TrackPeak), gain(AlbumGain), gain(AlbumPeak)};
        return record;
    }
};

} // namespace

bool TMyMediaDB::FindMedia(std::string_view Directory, std::string_view FileName,
                           TMediaRecord& Record) {
    TEasyQuery query;
    WalkQuery(query, media_sql::SelectFile("rowid AS fRowId, *") + " LIMIT 1",
              media_sql::FileParams(Directory, FileName));
    if (query.Eof())
        return false;
    Record = TMediaColumns(query).Read(query);
    return true;
}

void TMyMediaDB::WalkAllMedia(const std::function<bool(const TMediaRecord&)>& Row) {
    TEasyQuery query;
    WalkQuery(query, FListingKeys
                         ? "SELECT rowid AS fRowId, * FROM tMedia ORDER BY fTitleKey, rowid"
                         : "SELECT rowid AS fRowId, * FROM tMedia ORDER BY fTitle");
    const TMediaColumns columns(query);
    for (; !query.Eof(); query.Next())
        if (!Row(columns.Read(query)))
            return;
}

std::vector<TMediaRecord> TMyMediaDB::MediaByIds(const std::vector<std::int64_t>& Ids) {
    std::vector<TMediaRecord> records;
    if (Ids.empty())
        return records;
    records.reserve(Ids.size());
    TEasyQuery query;
    SelectMediaByIds(query, Ids);
    const TMediaColumns columns(query);
    for (; !query.Eof(); query.Next())
        records.push_back(columns.Read(query));
    return records;
}

std::vector<std::int64_t> TMyMediaDB::ListingIds(const TMediaListing& Listing,
                                                 const std::function<void()>& RowRead) {
    std::vector<std::int64_t> ids;
    TEasyQuery query;
    SelectListingIds(query, Listing);
    for (; !query.Eof(); query.Next()) {
        ids.push_back(query.Fields(0).AsInt64());
        if (RowRead)
            RowRead();
    }
    return ids;
}

void TMyMediaDB::ReadSearchKeys(
    const std::function<void(std::vector<std::int64_t>)>& TitleOrder,
    const std::function<bool(std::int64_t, const std::array<std::string_view, 4>&)>& Row) {
    // Both reads below see one state of the file: a statement left in the middle of its
    // walk holds the snapshot.
    TEasyQuery snapshot;
    WalkQuery(snapshot, "SELECT rowid FROM tMedia LIMIT 2");
    // The title order off its index alone, then the keys in row id order: two straight reads,
    // where visiting the rows in title order would jump about the whole file.
    TitleOrder(OrderedIds(1));
    TEasyQuery query;
    SelectSearchKeys(query);
    for (; !query.Eof(); query.Next())
        if (!Row(query.Fields(0).AsInt64(), {query.Fields(1).AsText(), query.Fields(2).AsText(),
                                             query.Fields(3).AsText(), query.Fields(4).AsText()}))
            return;
}

std::vector<TMediaRecord> TMyMediaDB::RowsWithoutNumbers(std::int64_t After, int Limit) {
    std::vector<TMediaRecord> rows;
    TEasyQuery query;
    WalkQuery(query,
              "SELECT rowid, fDirectory, fFileName FROM tMedia WHERE fTrack IS NULL AND rowid > "
              "?1 ORDER BY rowid LIMIT " +
                  std::to_string(Limit),
              {After});
    for (; !query.Eof(); query.Next()) {
        TMediaRecord& row = rows.emplace_back();
        row.Id = query.Fields(0).AsInt64();
        row.Directory = query.Fields(1).AsString();
        row.FileName = query.Fields(2).AsString();
    }
    return rows;
}

std::int64_t TMyMediaDB::DataVersion() {
    // SQLite counts here the commits of every other connection to the file.
    TEasyQuery query;
    OpenQuery(query, "PRAGMA data_version");
    return query.Eof() ? -1 : query.Fields(0).AsInt64();
}

} // namespace orvanta
