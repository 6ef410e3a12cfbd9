// Compilations: an album (one album key) whose rows without an album artist have two or more
// different artists is listed among the album artists as "Various Artists". The grouping is
// one walk of a partial index holding only the rows without an album artist, by album key
// and artist key, so it reads no table row and stays fast on a large library.
#include <algorithm>

#include "core/library/uMediaKeys.h"
#include "core/library/uTMyMediaDB.h"

namespace orvanta {

namespace {

const std::string CompilationAlbums =
    "SELECT fAlbumKey FROM tMedia WHERE fAlbumArtist = '' AND fAlbumKey <> '' "
    "GROUP BY fAlbumKey HAVING MIN(fArtistKey) <> MAX(fArtistKey)";

} // namespace

bool IsVariousArtists(std::string_view Value) {
    return SortKey(Value) == SortKey(VariousArtists);
}

bool TMyMediaDB::compilationsKept() const {
    return FListingKeys && FAlbumArtistText;
}

std::string TMyMediaDB::compilationCondition() const {
    return "(fAlbumArtist = '' AND fAlbumKey IN (" + CompilationAlbums + "))";
}

bool TMyMediaDB::hasCompilations() {
    if (!compilationsKept())
        return false;
    TEasyQuery query;
    OpenQuery(query, CompilationAlbums + " LIMIT 1");
    return !query.Eof();
}

void TMyMediaDB::addVariousArtists(std::vector<std::string>& Values) {
    if (!hasCompilations())
        return;
    // The values are in key order; a real album artist of that name already stands for them.
    const std::string key = SortKey(VariousArtists);
    const auto at = std::lower_bound(
        Values.begin(), Values.end(), key,
        [](const std::string& Value, const std::string& Key) { return SortKey(Value) < Key; });
    if (at == Values.end() || SortKey(*at) != key)
        Values.insert(at, VariousArtists);
}

} // namespace orvanta
