#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/uTCustomStringList.h"
#include "playlists/uTPlayList.h"

namespace orvanta {

inline constexpr const char* DefaultPlayListName = "My Playlist";
inline constexpr const char* InvalidPlayListNameMessage = "Invalid playlist name.";

// Every playlist of the user, one per ".ply" file of the playlists folder. Playlists live in
// memory between Open and destruction, which writes them all back.
class TPlayListManager : public TObject {
public:
    explicit TPlayListManager(TRandom* Generator = &RandomGenerator) : FRandom(Generator) {}
    ~TPlayListManager() override;
    TPlayListManager(const TPlayListManager&) = delete;
    TPlayListManager& operator=(const TPlayListManager&) = delete;

    const std::string& Folder() const { return FFolder; }
    // One entry per playlist: the text is its name, the object the TPlayList.
    const TCustomStringList& PlayLists() const { return FPlayLists; }

    // Whether Name can be the base name of a playlist file: not empty, not "." or "..", no
    // "/", "\" or control character, and short enough for a file name.
    static bool IsValidName(std::string_view Name);

    void Open(const std::string& AFolder);
    bool Exists(std::string_view Name) const { return indexOf(Name) >= 0; }
    std::int32_t Count() const { return FPlayLists.Count(); }
    TPlayList* FindByName(std::string_view Name) const;
    TPlayList* GetPlayList(std::int32_t Index) const;
    // False, and nothing changes, when the name is taken or invalid. No file is written.
    bool AddPlayList(const std::string& Name);
    // Deletes the playlist's file (after its stored name) at once; false when there is no
    // such playlist.
    bool DeletePlayList(const std::string& Name);
    // Deletes the old file at once; the new one is written by SaveAll. False, and nothing
    // changes, when the old name is missing or the new one is taken or invalid.
    bool RenamePlayList(const std::string& OldName, const std::string& NewName);
    void RemoveTrackEverywhere(std::string_view Entry);
    // The same for many entries, in one pass over each playlist.
    void RemoveTracksEverywhere(const std::vector<std::string>& Entries);
    bool ContainsTrack(std::string_view Entry) const;
    // Whether the playlist's file existed at loading but could not be read.
    bool IsUnread(const TPlayList* List) const { return FUnread.contains(List); }

    // Reads every "*.ply" file of AFolder in name order; a name already loaded (letter case
    // aside) is skipped.
    void LoadAll(const std::string& AFolder);
    // Writes every playlist; false when any could not be written (the others still are).
    // A playlist whose file could not be read is not written back over it.
    bool SaveAll(const std::string& AFolder);

    std::string FileNameOf(std::string_view Name) const;

private:
    int indexOf(std::string_view Name) const;

    TRandom* FRandom;
    std::string FFolder;
    TCustomStringList FPlayLists;
    // Playlists whose file exists but could not be read: SaveAll must not replace the file
    // with their empty content.
    std::unordered_set<const TObject*> FUnread;
};

} // namespace orvanta
