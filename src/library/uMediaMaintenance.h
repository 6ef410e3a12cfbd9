#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/uTCustomStringList.h"
#include "library/uTMyMediaDB.h"
#include "playlists/uTPlayListManager.h"

namespace orvanta {

// What the library stores of a file's audio and tags.
struct TMediaInfo {
    std::int32_t Seconds = 0;
    std::int32_t Quality = 0;
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Genre;
    std::string Language;
    std::string Composer;
};

// Duration and bit rate of the audio, and the texts of the ID3v2 tag, else of the ID3v1 tag.
// A file that is not valid MPEG audio gives zeros; its tags still count.
TMediaInfo ReadMediaInfo(const std::string& Path);

// One library row as the add path builds it.
struct TMediaRow {
    std::string Directory;
    std::string FileName;
    std::int64_t FileSize = 0;
    TMediaInfo Info;

    std::string FullPath() const;
    // Full path, "*", seconds: how playlists refer to the file.
    std::string TrackEntry() const;
};

enum class TAddOutcome { Added, AlreadyInLibrary, Unsupported, NotRegularFile };

struct TAddResult {
    std::string Path;
    TAddOutcome Outcome = TAddOutcome::Unsupported;
    TMediaRow Row;
};

// The message shown for a file whose type the program does not handle.
std::string UnsupportedFileMessage(std::string_view Path);
// The message for a file that was not added, empty when it was added or already there.
std::string AddRefusalMessage(const TAddResult& Result);

// Lets a caller show progress and stay responsive during a long run: OnProgress after each
// file or row (Done of Total), Cancelled checked before each; a cancelled run keeps what it did.
struct TMaintenanceProgress {
    std::function<void(int Done, int Total)> OnProgress;
    std::function<bool()> Cancelled;
};

struct TPurgeResult {
    int Checked = 0;
    // Rows removed, as their track entries.
    std::vector<std::string> Removed;
    // Rows kept because their folder is missing or empty (an unmounted drive, an absent share).
    int KeptFolderMissing = 0;
    bool Cancelled = false;
};

// Adding, removing and purging library files, for the My Music view and orvanta-cli alike.
// Errors of the library are thrown as EEasyError; what was reported done before stays done.
class TMediaMaintenance {
public:
    TMediaMaintenance(TMyMediaDB& Library, TPlayListManager& PlayLists,
                      const TCustomStringList& FileTypes)
        : FLibrary(Library), FPlayLists(PlayLists), FFileTypes(FileTypes) {}

    // How long additions may wait to be written together; 0 writes every file on its own.
    std::chrono::milliseconds CommitInterval{250};

    // Adds one file; on disk when it returns.
    TAddResult AddFile(const std::string& Path);
    // Adds the files in order. OnFileDone receives each result, in order, only once the file
    // is on disk. Returns how many files were handled (all unless cancelled).
    int AddFiles(const std::vector<std::string>& Paths,
                 const std::function<void(const TAddResult&)>& OnFileDone,
                 const TMaintenanceProgress& Progress = {});

    // Whether some playlist holds the file's track entry (letter case aside).
    bool InPlayLists(std::string_view TrackEntry) const;
    // Deletes the file's rows and its entries in every playlist. The file stays on disk.
    void RemoveFile(std::string_view Directory, std::string_view FileName, std::int32_t Seconds);

    // Removes the rows whose file is gone from a folder that holds other things, with their
    // playlist entries. A row whose folder is missing or empty stays.
    TPurgeResult RemoveMissingFiles(const TMaintenanceProgress& Progress = {});

private:
    TAddResult addOne(const std::string& Path);

    TMyMediaDB& FLibrary;
    TPlayListManager& FPlayLists;
    const TCustomStringList& FFileTypes;
};

} // namespace orvanta
