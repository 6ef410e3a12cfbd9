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

std::string JoinValues(const std::vector<std::string>& Values) {
    std::string joined;
    for (const std::string& value : Values) {
        if (!joined.empty())
            joined += " / ";
        joined += value;
    }
    return joined;
}

std::vector<std::string> FieldValues(const TMediaRecord& Record, TMediaField Field) {
    const auto of = [](const std::vector<std::string>& list, const std::string& text) {
        std::vector<std::string> values;
        for (const std::string& value : list)
            if (!value.empty())
                values.push_back(value);
        if (list.empty() && !text.empty())
            values.push_back(text);
        return values;
    };
    switch (Field) {
    case TMediaField::Artist:
        return of(Record.Artists, Record.Artist);
    case TMediaField::AlbumArtist:
        return of(Record.AlbumArtists, Record.Numbers.AlbumArtist);
    case TMediaField::Genre:
        return of(Record.Genres, Record.Genre);
    case TMediaField::Composer:
        return of(Record.Composers, Record.Composer);
    }
    return {};
}

std::string TitleOrFileName(std::string_view Title, std::string_view Path) {
    return Title.empty() ? FileTitle(Path) : std::string(Title);
}

} // namespace orvanta
