#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/common/uTCustomStringList.h"
#include "core/playlists/uTRandom.h"

namespace orvanta {

// Play modes: the item indexes of the main window's mode box. Other values play as pmNormal.
inline constexpr std::int32_t pmNormal = 0;
inline constexpr std::int32_t pmLoop = 1;
inline constexpr std::int32_t pmRandom = 2;

// A track entry: the file's full path, "*", and its length in whole seconds.
std::string MakeTrackEntry(std::string_view Path, std::int32_t Seconds);
// The path of an entry (everything before the last "*").
std::string TrackPath(std::string_view Entry);
// The seconds of an entry; 0 when the field is missing, negative or not a decimal number.
std::int32_t TrackSeconds(std::string_view Entry);
// Whether a playlist line can hold the path (or a whole entry): one line each, so no CR or
// LF, and no NUL, which would make the whole file unreadable. Every add checks this.
bool PlayListCanHold(std::string_view Path);
// The message naming a file that a playlist cannot hold.
std::string PlayListRefusalMessage(std::string_view Path);
// A-Z to a-z, every other byte unchanged: how entries are matched for removal.

// One named, ordered list of track entries with a play mode and a play position.
class TPlayList : public TObject {
public:
    // Random draws come from Generator; by default the process-wide one.
    explicit TPlayList(TRandom* Generator = &RandomGenerator) : FRandom(Generator) {}

    std::string Name;
    std::int32_t PlayMode = pmNormal;
    // The index NextTrack hands out next; -1 means none.
    std::int32_t Position = 0;

    const std::vector<std::string>& Tracks() const { return FTracks; }

    void SetUp(std::string AName, std::int32_t APlayMode);
    void Assign(const TPlayList& Source);

    // Appends the file's entries and takes its mode; Name is untouched. False when the file
    // could not be read (missing, unreadable, or binary); the playlist is then unchanged.
    [[nodiscard]] bool LoadFromFile(const std::string& FileName);
    // The same for a file's bytes: CR, LF and CR LF all end lines, a first line that is not a
    // number is an entry, UTF-16 with a byte-order mark is decoded; a blank line (such as the
    // one after the final line end an editor writes) is no entry. False for other bytes
    // holding NUL, which are no playlist.
    [[nodiscard]] bool LoadFromText(std::string_view Bytes);
    // Replaces the file atomically: a failed write leaves the old file whole. False on failure.
    [[nodiscard]] bool SaveToFile(const std::string& FileName) const;
    // The text SaveToFile writes: the mode line, then one line per entry, CR LF between lines.
    std::string ToText() const;

    // Whether an entry equal to Entry is present. Paths are bytes: "Song.mp3" and "song.mp3"
    // are two files.
    bool Contains(std::string_view Entry) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(FTracks.size()); }
    // The entry at Index, or "" when out of range.
    std::string GetTrack(std::int32_t Index) const;
    // Inserts before Index when it is in range; appends for any other index.
    void InsertTrack(std::string Entry, std::int32_t Index = -1);
    // InsertTrack for a playlist that is saved: false, and nothing inserted, when its file
    // cannot hold the entry (see PlayListCanHold; PlayListRefusalMessage of the entry's
    // TrackPath is the message to show). Every command that adds uses this.
    bool AddTrack(std::string Entry, std::int32_t Index = -1);
    void Clear();
    void DeleteTrack(std::int32_t Index);
    // Deletes every entry that is in Entries.
    void RemoveTracks(const std::unordered_set<std::string>& Entries);
    void Rewind() { Position = 0; }
    // The next entry to play, or "" when there is none.
    std::string NextTrack();
    void Shuffle();
    void Exchange(std::int32_t Index1, std::int32_t Index2);
    // The sum of the entries' seconds, at most INT32_MAX however many long entries a
    // hand-edited file holds.
    std::int32_t TotalSeconds() const;
    // Grows with every change of the entries, so an owner can tell cheaply whether to save.
    std::uint64_t Revision() const { return FRevision; }

private:
    bool inRange(std::int32_t Index) const { return Index >= 0 && Index < Count(); }

    TRandom* FRandom;
    std::vector<std::string> FTracks;
    std::uint64_t FRevision = 0;
};

} // namespace orvanta
