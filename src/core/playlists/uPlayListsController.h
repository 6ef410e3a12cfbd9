#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace orvanta {

class TPlayList;
class TPlayListManager;
struct TPlayListSync;

// One row of the track list as shown: the file's title, its length, and the path it plays. A
// stream shows its URL and no length.
struct TPlayListRow {
    std::string Title;
    std::string Duration;
    std::string Path;
};

// Which track commands the number of selected rows allows.
struct TTrackCommands {
    bool PlayTrack = false;
    bool PlayFromHere = false;
    bool Remove = false;
    bool Move = false;
};

// What an edit of the shown playlist did: nothing (a precondition failed, no word said),
// changed it, or was refused because its file could not be read (UnreadPlayListMessage).
enum class TPlayListEdit { Nothing, Changed, Refused };

// The Playlists view without its widgets: the names listed, the playlist shown and its rows,
// and the rules of its commands. The view draws what this holds; orvanta-cli shares the rules
// on names and on playlists that take no change.
class TPlayListsController {
public:
    // Forgets what was shown; nullptr detaches from a manager that may be gone.
    void Attach(TPlayListManager* Manager);
    TPlayListManager* Manager() const { return FManager; }

    // The names as listed, in the manager's order; they are bytes, as the files' names.
    const std::vector<std::string>& Names() const { return FNames; }
    int RowOf(const std::string& Name) const;
    // Lists the names again and shows Name, else the first playlist, else none.
    void ShowNamed(const std::string& Name);
    // Shows the playlist listed at Row; -1 shows none. False, nothing changed, when out of range.
    bool Select(int Row);
    int Selected() const { return FSelected; }
    // The playlist shown; it belongs to the manager.
    TPlayList* Current() const { return FCurrent; }
    const std::vector<TPlayListRow>& Rows() const { return FRows; }
    // Takes the shown playlist's entries again; a name gone from the manager shows nothing.
    void Refresh();
    // "00:07:22 (2 Tracks)" for the shown playlist; there is no singular.
    std::string Info() const;

    // Play Playlist needs a shown playlist with entries; the other playlist commands a shown one.
    bool CanPlayPlayList() const;
    static TTrackCommands EnabledFor(std::size_t SelectedRows);
    // The message for a change of List refused because its file could not be read, or "".
    static std::string ChangeRefusal(const TPlayListManager& Manager, const TPlayList* List);
    // The message for a name that cannot become a new playlist, or "" when it can.
    static std::string NewNameRefusal(const TPlayListManager& Manager, const std::string& Name);

    // Creates the playlist (a refused name changes nothing) and shows it.
    bool AddPlayList(const std::string& Name);
    // Deletes the playlist and its file, then shows the one listed above it, or the new first
    // one; the last one gone brings back "My Playlist". False when it is gone already.
    bool RemovePlayList(const std::string& Name);
    TPlayListEdit SetPlayMode(std::int32_t Mode);
    TPlayListEdit Shuffle();
    // Removes the entries of Rows (any order); none selected is nothing.
    TPlayListEdit RemoveRows(const std::vector<int>& Rows);
    // Moves the entry at Row one step (-1 up, 1 down); Target is where it went. Past either end
    // is nothing.
    TPlayListEdit MoveRow(int Row, int Step, int& Target);
    // Moves the entries of Rows (any order, kept in theirs) together before the entry at
    // Before (past the end: to the end); Targets are the rows where they went. A drop onto
    // the block itself, or no rows, is nothing.
    TPlayListEdit MoveRows(const std::vector<int>& Rows, int Before, std::vector<int>& Targets);

    // After another process changed the folder: lists the names again and shows the playlist
    // shown before (by name; gone, the first). Whether the names listed changed.
    bool FollowOutsideChange();
    // The playlists of a failed save the user has not been told of; one that saved since is
    // told again when it fails again. Nothing for a save deferred behind another's lock.
    std::vector<std::string> UntoldFailures(const TPlayListSync& Sync);
    void MarkTold(const std::vector<std::string>& Names);

private:
    void listNames();
    TPlayListEdit refusedOrNothing(bool Nothing) const;

    TPlayListManager* FManager = nullptr;
    std::vector<std::string> FNames;
    int FSelected = -1;
    TPlayList* FCurrent = nullptr;
    std::vector<TPlayListRow> FRows;
    std::set<std::string> FTold;
};

} // namespace orvanta
