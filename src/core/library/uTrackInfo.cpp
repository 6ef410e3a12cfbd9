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

} // namespace

TTrackInfo LookUpTrackInfo(const std::string& Path, TMyMediaDB* MediaDB) {
    TMediaRecord row;
    if (MediaDB == nullptr || !ReadLibraryRow(Path, *MediaDB, row))
        row = ReadMediaInfo(Path);
    return {TitleOrFileName(row.Title, Path), std::move(row.Artist), std::move(row.Album),
            row.Seconds};
}

std::string LibraryTrackEntry(const std::string& Path, TMyMediaDB& MediaDB) {
    TMediaRecord row;
    return ReadLibraryRow(Path, MediaDB, row) ? row.TrackEntry() : std::string();
}

} // namespace orvanta
