#include "core/library/uTrackInfo.h"

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayList.h"

namespace orvanta {

namespace {

bool ReadLibraryRow(const std::string& Path, TMyMediaDB& MediaDB, TMediaRecord& Row) {
    try {
        return MediaDB.FindMedia(ExtractFileDir(Path), ExtractFileName(Path), Row);
    } catch (const EEasyError&) {
        return false;
    }
}

TTrackInfo TrackInfoOf(TMediaRecord Row, const std::string& Path) {
    if (Row.Title.empty())
        Row.Title = TitleOrFileName(Row.Title, Path);
    std::vector<std::string> albumArtists = std::move(Row.AlbumArtists);
    if (albumArtists.empty() && !Row.Numbers.AlbumArtist.empty())
        albumArtists.push_back(std::move(Row.Numbers.AlbumArtist));
    return {std::move(Row.Title), std::move(Row.Artist), std::move(Row.Album),   Row.Seconds,
            Row.Numbers.Track,    Row.Numbers.Disc,      std::move(albumArtists)};
}

} // namespace

std::optional<TTrackInfo> LibraryTrackInfo(const std::string& Path, TMyMediaDB& MediaDB) {
    TMediaRecord row;
    if (!ReadLibraryRow(Path, MediaDB, row))
        return std::nullopt;
    return TrackInfoOf(std::move(row), Path);
}

TTrackInfo FileTrackInfo(const std::string& Path) {
    return TrackInfoOf(ReadMediaInfo(Path), Path);
}

std::string LibraryTrackEntry(const std::string& Path, TMyMediaDB& MediaDB) {
    TMediaRecord row;
    return ReadLibraryRow(Path, MediaDB, row) ? row.TrackEntry() : std::string();
}

} // namespace orvanta
