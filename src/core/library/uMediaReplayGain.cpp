#include "core/library/uMediaReplayGain.h"

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaFileRead.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"

namespace orvanta {

bool RecordReplayGain(TMyMediaDB& Library, const std::string& Path, const TReplayGain& Gain) {
    TMediaRecord row;
    row.Directory = ExtractFileDir(Path);
    row.FileName = ExtractFileName(Path);
    TMediaRecord stored;
    if (!Library.FindMedia(row.Directory, row.FileName, stored) ||
        !ReadFileStamp(Path, row.Stamp) || ReadMediaInfo(Path, row) != TMediaRead::Audio)
        return false;
    // The row keeps the folder's spelling it was added under.
    row.Directory = stored.Directory;
    row.ReplayGain.TrackGain = Gain.TrackGain;
    row.ReplayGain.TrackPeak = Gain.TrackPeak;
    if (Gain.AlbumGain) {
        row.ReplayGain.AlbumGain = Gain.AlbumGain;
        row.ReplayGain.AlbumPeak = Gain.AlbumPeak;
    } else if (!row.ReplayGain.AlbumGain) {
        row.ReplayGain.AlbumGain = stored.ReplayGain.AlbumGain;
        row.ReplayGain.AlbumPeak = stored.ReplayGain.AlbumPeak;
    }
    Library.RewriteMedia(row);
    return true;
}

} // namespace orvanta
