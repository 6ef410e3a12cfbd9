#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

class TMyMediaDB;

// What the player shows of a file: its texts and length in whole seconds.
struct TTrackInfo {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::int32_t Seconds = 0;
    // 0 where the tags give none.
    std::int32_t Track = 0;
    std::int32_t Disc = 0;
    std::vector<std::string> AlbumArtists{};
};

// A file's info comes from its library row when the library holds one, else from its tags; an
// empty title becomes the file's name without folder and extension. The two are read apart:
// the library row (a quick indexed read, on the connection's thread; nothing when the library
// has no row or cannot answer), and the file's tags (a read of the file, which may be slow).
std::optional<TTrackInfo> LibraryTrackInfo(const std::string& Path, TMyMediaDB& MediaDB);
TTrackInfo FileTrackInfo(const std::string& Path);

// The track entry of Path as the library holds it (its stored path, "*", its seconds), or ""
// when MediaDB has no row for it or cannot answer. Playlist adds take the seconds from it.
std::string LibraryTrackEntry(const std::string& Path, TMyMediaDB& MediaDB);

} // namespace orvanta
