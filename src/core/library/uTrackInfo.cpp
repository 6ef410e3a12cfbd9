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

TTrackInfo LookUpTrackInfo(const std::string& Path, TMyMediaDB* MediaDB) {
    TTrackInfo info;
    if (MediaDB == nullptr || !ReadLibraryRow(Path, *MediaDB, info)) {
        const TMediaInfo media = ReadMediaInfo(Path);
        info.Title = media.Title;
        info.Artist = media.Artist;
        info.Album = media.Album;
        info.Seconds = media.Seconds;
    }
    if (info.Title.empty()) {
        info.Title = FileTitle(Path);
    }
    return info;
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
