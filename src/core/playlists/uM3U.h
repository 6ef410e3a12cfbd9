#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

class TPlayList;
class TPlayListManager;

// One entry of an M3U or M3U8 playlist, its path made absolute.
struct TM3UEntry {
    std::string Path;
    std::int32_t Seconds = 0; // from #EXTINF; 0 when unknown
    std::string Title;        // from #EXTINF; empty when none
    bool Exists = false;      // a regular file is there
    bool Stream = false;      // an http or https URL, kept as it stands and never looked at
    // Why a playlist cannot hold the path (a line break or NUL, say from "%0A" in a file://
    // URL), naming it; empty when it can. Such an entry is never imported.
    std::string Refusal;
};

// The library's track entry of a path (its stored path, "*", its seconds), or "" when the
// library does not hold the file.
using TTrackEntryLookup = std::function<std::string(const std::string& Path)>;

// What the library knows of an exported file for its #EXTINF line; empty texts when it does
// not hold the file.
struct TM3UTags {
    std::string Artist;
    std::string Title;
};
using TM3UTagLookup = std::function<TM3UTags(const std::string& Path)>;

// Reads M3U text, extended (#EXTM3U, #EXTINF) or plain, with LF, CR LF or CR lines. Relative
// paths and file:// URLs are resolved against Folder, the playlist file's folder.
std::vector<TM3UEntry> ParseM3U(std::string_view Text, const std::string& Folder);

// Reads and parses a playlist file; false with a message naming the file when it cannot be
// read or is not a regular file.
bool ReadM3UFile(const std::string& FileName, std::vector<TM3UEntry>& Entries, std::string& Error);

// The UTF-8 M3U8 text of a playlist: #EXTM3U, then #EXTINF (seconds, "Artist - Title") and
// the path of each entry, LF line ends. The artist and title come from Tags; without an
// artist the line holds the title alone, without a title the file's name. A stream's URL is
// written as it stands. With a Folder the paths are written relative to it where they can be.
// False, and Error names the file, when a path holds a line break.
bool RenderM3U(const TPlayList& List, const std::string& Folder, std::string& Text,
               std::string& Error, const TM3UTagLookup& Tags = {});

// Writes a playlist to FileName atomically, paths relative to the file's folder when asked.
[[nodiscard]] bool WriteM3UFile(const std::string& FileName, const TPlayList& List, bool Relative,
                                std::string& Error, const TM3UTagLookup& Tags = {});

// The playlist name an imported file gets by default: its name without the extension.
std::string PlayListNameOfM3U(const std::string& FileName);

// Adds playlist Name with the entries (those that do not exist only when KeepMissing, streams
// always; never those with a Refusal), through the check every add makes. An entry takes its
// seconds from Library when that holds the file, else from #EXTINF. False, with the message to
// show, when the name is taken or cannot be a playlist name.
bool ImportM3UEntries(TPlayListManager& Manager, const std::string& Name,
                      const std::vector<TM3UEntry>& Entries, bool KeepMissing, std::string& Error,
                      const TTrackEntryLookup& Library = {});

} // namespace orvanta
