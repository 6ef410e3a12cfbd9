#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/common/uTCustomStringList.h"
#include "core/playlists/uPlayListFiles.h"
#include "core/playlists/uTPlayList.h"

namespace orvanta {

inline constexpr const char* DefaultPlayListName = "My Playlist";
inline constexpr const char* InvalidPlayListNameMessage = "Invalid playlist name.";
inline constexpr const char* PlayListNameTakenMessage =
    "You already have a playlist with this name.";
inline constexpr const char* PlayListsBusyMessage =
    "Another program is changing the playlists. Please try again in a moment.";

// What one SaveChanged found and did.
struct TPlayListSync {
    // Playlists were added, removed or reloaded from files another process wrote.
    bool ChangedOutside = false;
    // For each playlist changed both here and in its file: "Name" kept the file's version and
    // the copy "Name (2)" (the next free number) holds this process's one.
    std::vector<std::pair<std::string, std::string>> Conflicts;
    // Playlists whose file could not be written; they are tried again next time.
    std::vector<std::string> Failed;
    // For each of Failed, in the same order, the message to show: it names the file and why.
    std::vector<std::string> Errors;
    // Another process held the folder's lock and the caller would not wait: nothing was
    // written this time.
    bool Deferred = false;
};

// What a rename did. Error is empty when the playlist was renamed, else the message to show.
// Sync tells what was taken in from other processes first (lists to refresh, conflict copies)
// and what could not be written.
struct TPlayListRename {
    std::string Error;
    TPlayListSync Sync;
    explicit operator bool() const { return Error.empty(); }
};

// The message for a change refused because the playlist's file could not be read.
std::string UnreadPlayListMessage(std::string_view Name);

// Every playlist of the user, one per ".ply" file of the playlists folder. A playlist's file
// is written only when this process changed the playlist (SaveChanged), and changes that
// other processes make to the folder are taken in at the same time.
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
    // Under the folder's lock, as every save: first takes in what other processes saved (a
    // change made elsewhere is kept, merged or as a conflict copy; a playlist renamed or
    // removed elsewhere stays gone), then writes the file of the new name and deletes the old
    // one, with every other unsaved change. Refused, nothing renamed, when the old name is
    // missing (now), the new one is taken or invalid, the file could not be read, another
    // process held the folder's lock for seconds, or the write failed.
    TPlayListRename RenamePlayList(const std::string& OldName, const std::string& NewName);
    // Deletes the entries from every playlist, in one pass over each.
    void RemoveTracksEverywhere(const std::vector<std::string>& Entries);
    bool ContainsTrack(std::string_view Entry) const;
    // Whether the playlist's file existed at loading but could not be read. Such a playlist is
    // never written, renamed or changed on disk; UnreadPlayListMessage says so.
    bool IsUnread(const TPlayList* List) const;
    bool IsUnread(std::string_view Name) const;
    // Whether the playlist changed here since its file was last read or written.
    bool IsChanged(const TPlayList* List) const;

    // Takes in what other processes changed in the folder, then writes every playlist that
    // changed here (atomically, through a symbolic link to its target), under the folder's
    // lock. Nothing else is written. Call it often: it costs a directory read when idle.
    // Wait false: when another process holds the lock, leave the writing to the next call
    // rather than block (the window must not freeze while orvanta-cli works).
    TPlayListSync SaveChanged(bool Wait = true);

    // Holds the folder's lock for a whole read-change-write, for callers that load, edit and
    // save in one go (orvanta-cli); SaveChanged inside it does not wait for itself.
    class TLock {
    public:
        explicit TLock(TPlayListManager& Manager, bool Wait = true);
        ~TLock();
        TLock(const TLock&) = delete;
        TLock& operator=(const TLock&) = delete;
        bool Busy() const { return FBusy; }

    private:
        TPlayListManager& FManager;
        bool FBusy = false;
    };
    // Sets the folder, takes its lock, then loads it.
    [[nodiscard]] std::unique_ptr<TLock> OpenLocked(const std::string& AFolder);

    // Reads every "*.ply" file of AFolder in name order; a name already loaded (letter case
    // aside) is skipped.
    void LoadAll(const std::string& AFolder);
    // Writes every playlist to AFolder; false when any could not be written (the others still
    // are). A playlist whose file could not be read is not written back over it.
    [[nodiscard]] bool SaveAll(const std::string& AFolder);

    std::string FileNameOf(std::string_view Name) const;

private:
    // What the process last read from or wrote to a playlist's file.
    struct TFileState {
        TFileStamp Stamp;
        // The playlist's text as then; empty with Known false for one never read or written.
        std::string Text;
        bool Known = false;
        // The file exists but could not be read: it is never written over.
        bool Unread = false;
        std::uint64_t Revision = 0;
        std::int32_t PlayMode = 0;
    };

    int indexOf(std::string_view Name) const;
    TPlayList* loadFile(const std::string& Name, const std::string& Path);
    void remember(const TPlayList* List, const TFileStamp& Stamp, bool Unread);
    // False, with the message naming the file and the reason in Error, when it failed.
    bool writeFile(TPlayList* List, std::string* Error = nullptr);
    void writeChanged(TPlayListSync& Sync);
    std::string freeCopyName(const std::string& Name) const;
    void syncWithFolder(TPlayListSync& Sync);
    void mergeOutsideChange(int Index, TPlayListSync& Sync);

    TRandom* FRandom;
    std::string FFolder;
    TCustomStringList FPlayLists;
    std::unordered_map<const TObject*, TFileState> FStates;
    TFolderLock FLock;
    int FLockDepth = 0;
};

} // namespace orvanta
