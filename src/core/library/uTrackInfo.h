#pragma once

#include <cstdint>
#include <optional>
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
// The two halves of it: the library row alone (a quick indexed read, on the connection's
// thread), and the file's tags alone (a read of the file, which may be slow).
std::optional<TTrackInfo> LibraryTrackInfo(const std::string& Path, TMyMediaDB& MediaDB);
TTrackInfo FileTrackInfo(const std::string& Path);

// The track entry of Path as the library holds it (its stored path, "*", its seconds), or ""
// when MediaDB has no row for it or cannot answer. Playlist adds take the seconds from it.
std::string LibraryTrackEntry(const std::string& Path, TMyMediaDB& MediaDB);

} // namespace orvanta
