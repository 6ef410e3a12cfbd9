#pragma once

#include <cstdint>
#include <string>

namespace orvanta {

class TMyMediaDB;

// What the player shows of a file: its texts and length in whole seconds.
struct TTrackInfo {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::int32_t Seconds = 0;
};

// From the file's library row when MediaDB holds one, else from its tags; an empty title
// becomes the file's name without folder and extension. Never throws: a library that cannot
// answer counts as having no row.
TTrackInfo LookUpTrackInfo(const std::string& Path, TMyMediaDB* MediaDB);

// The track entry of Path as the library holds it (its stored path, "*", its seconds), or ""
// when MediaDB has no row for it or cannot answer. Playlist adds take the seconds from it.
std::string LibraryTrackEntry(const std::string& Path, TMyMediaDB& MediaDB);

} // namespace orvanta
