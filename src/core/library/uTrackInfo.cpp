#include "core/library/uTrackInfo.h"

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayList.h"
#include "core/tablestore/uTEasyQuery.h"

namespace orvanta {

namespace {

bool ReadLibraryRow(const std::string& Path, TMyMediaDB& MediaDB, TTrackInfo& Info) {
    try {
        TEasyQuery query;
        MediaDB.SelectMedia(query, ExtractFileDir(Path), ExtractFileName(Path));
        if (query.Eof()) {
            return false;
        }
        Info.Title = query.FieldByName("fTitle").AsString();
        Info.Artist = query.FieldByName("fArtist").AsString();
        Info.Album = query.FieldByName("fAlbum").AsString();
        Info.Seconds = query.FieldByName("fSeconds").AsInteger();
        return true;
    } catch (const EEasyError&) {
        return false;
    }
}

} // namespace

std::optional<TTrackInfo> LibraryTrackInfo(const std::string& Path, TMyMediaDB& MediaDB) {
    TTrackInfo info;
    if (!ReadLibraryRow(Path, MediaDB, info))
        return std::nullopt;
    if (info.Title.empty())
        info.Title = FileTitle(Path);
    return info;
}

TTrackInfo FileTrackInfo(const std::string& Path) {
    const TMediaInfo media = ReadMediaInfo(Path);
    TTrackInfo info{media.Title, media.Artist, media.Album, media.Seconds};
    if (info.Title.empty())
        info.Title = FileTitle(Path);
    return info;
}

TTrackInfo LookUpTrackInfo(const std::string& Path, TMyMediaDB* MediaDB) {
    if (MediaDB != nullptr)
        if (std::optional<TTrackInfo> row = LibraryTrackInfo(Path, *MediaDB))
            return *row;
    return FileTrackInfo(Path);
}

std::string LibraryTrackEntry(const std::string& Path, TMyMediaDB& MediaDB) {
    try {
        TEasyQuery query;
        MediaDB.SelectMedia(query, ExtractFileDir(Path), ExtractFileName(Path));
        if (query.Eof())
            return {};
        return MakeTrackEntry(JoinPath(query.FieldByName("fDirectory").AsString(),
                                       query.FieldByName("fFileName").AsString()),
                              query.FieldByName("fSeconds").AsInteger());
    } catch (const EEasyError&) {
        return {};
    }
}

} // namespace orvanta
