#include "core/library/uPlayListLibrary.h"

#include "core/library/uLibraryWorker.h"
#include "core/playlists/uStreamEntry.h"

namespace orvanta {

std::vector<std::optional<TTrackInfo>> LibraryTrackInfos(const std::vector<std::string>& Paths,
                                                         TMyMediaDB& MediaDB,
                                                         const TCancelToken& Cancel) {
    std::vector<std::optional<TTrackInfo>> infos;
    infos.reserve(Paths.size());
    auto check = RowCancelCheck(Cancel);
    for (const std::string& path : Paths) {
        check();
        infos.push_back(IsStreamUrl(path) ? std::nullopt : LibraryTrackInfo(path, MediaDB));
    }
    return infos;
}

TM3UTagLookup LibraryM3UTags(TMyMediaDB& MediaDB) {
    return [&MediaDB](const std::string& Path) {
        std::optional<TTrackInfo> info = LibraryTrackInfo(Path, MediaDB);
        return info ? TM3UTags{std::move(info->Artist), std::move(info->Title)} : TM3UTags();
    };
}

} // namespace orvanta
