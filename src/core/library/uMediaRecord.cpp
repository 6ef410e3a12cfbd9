#include "core/library/uMediaRecord.h"

#include "core/common/uDisplayUtils.h"
#include "core/playlists/uTPlayList.h"

namespace orvanta {

std::string TMediaRecord::FullPath() const {
    return JoinPath(Directory, FileName);
}

std::string TMediaRecord::TrackEntry() const {
    return MakeTrackEntry(FullPath(), Seconds);
}

std::pair<std::string, std::string> FolderSpellings(std::string_view Folder) {
    // JoinPath puts one '/' between a folder and a name unless the folder ends with one.
    std::string slashed(Folder);
    if (slashed.empty() || slashed.back() != '/')
        slashed += '/';
    std::string bare = slashed.substr(0, slashed.size() - 1);
    if (!bare.empty() && bare.back() == '/')
        bare = slashed;
    return {std::move(bare), std::move(slashed)};
}

std::string TitleOrFileName(std::string_view Title, std::string_view Path) {
    return Title.empty() ? FileTitle(Path) : std::string(Title);
}

} // namespace orvanta
