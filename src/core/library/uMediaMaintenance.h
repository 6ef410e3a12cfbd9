#pragma once

#include "core/metadata/uFileBatch.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/uTCustomStringList.h"
#include "core/library/uMediaFileRead.h"
#include "core/library/uMountPoints.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta {

// Duration and bit rate of the audio, and the texts and numbers of the ID3v2 tag, else of the
// ID3v1 tag: the record's fields that the file decides (not its path, stamp or id). A file
// that is not valid MPEG audio gives zeros; its tags still count.
TMediaRecord ReadMediaInfo(const std::string& Path);

// As above, also saying whether the file could be read and held MPEG audio. Info's other
// fields are left as they are.
TMediaRead ReadMediaInfo(const std::string& Path, TMediaRecord& Info);

// The file's size and modification time; false when it cannot be examined.
bool ReadFileStamp(const std::string& Path, TMediaStamp& Stamp);
// Whether a file with stamp Now changed since its row stored Stored. A row without a time
// counts as changed only when the size differs, so a library from before the time was kept
// does not re-read every file, and edits kept only in the library stay.
bool FileChanged(const TMediaStamp& Stored, const TMediaStamp& Now);

// Unsupported, NoAudio, Unreadable and NotRegularFile files are skipped: they never get a row.
// Updated: the file already had a row, but changed since; the row was read again.
enum class TAddOutcome {
    Added,
    AlreadyInLibrary,
    Updated,
    Unsupported,
    NoAudio,
    Unreadable,
    NotRegularFile
};

struct TAddResult {
    std::string Path;
    TAddOutcome Outcome = TAddOutcome::Unsupported;
    // The format the file was read as: its content's, else its extension's; Unknown when
    // neither names one.
    TAudioFormat Format = TAudioFormat::Unknown;
    // The row as read from the file, with its id once added.
    TMediaRecord Row;
};

// The message shown for a file whose type the program does not handle.
std::string UnsupportedFileMessage(std::string_view Path);
// The message for a file that was not added, empty when it was added or already there.
std::string AddRefusalMessage(const TAddResult& Result);
// Why a file was skipped: "a format Orvanta does not read", "no MPEG audio found" or "cannot
// be read"; empty for a file added or already in the library.
std::string SkipReason(TAddOutcome Outcome);
// The same for a result, naming the format whose audio a file lacks ("no FLAC audio found").
std::string SkipReason(const TAddResult& Result);

// Counts the outcomes of an add for the one summary shown at its end.
struct TAddTally {
    int Added = 0;
    int Updated = 0;
    int Known = 0;
    int Skipped = 0;
    // Files found in folders that the user removed from the library before.
    int PassedBy = 0;
    // Of the skipped files, those in formats the program does not read, and their
    // extensions (".wma"), each once, in the order met.
    int Unsupported = 0;
    std::vector<std::string> UnsupportedKinds;
    // "path: reason" for each skipped file or unreadable folder, in order.
    std::vector<std::string> Details;
    // Lines kept at most when above 0, the last of them then saying how many more there were.
    std::size_t DetailLimit = 0;

    void Count(const TAddResult& Result);
    void CountFolder(const std::string& Path, const std::string& Reason);
    // "98 added, 3 already in the library, 5 skipped"; "2 updated" follows the added and
    // "4 left out as removed earlier" the known when there are any, and "(2 files in formats
    // Orvanta does not read: .wma, .mid)" the skipped.
    std::string Summary() const;

private:
    void detail(std::string Line);
    std::string unsupportedSummary() const;
    std::size_t FDetailsLeftOut = 0;
};

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
    // Rows kept because their folder is missing or an empty mount point (an absent share, an
    // unmounted drive).
    int KeptFolderMissing = 0;
    bool Cancelled = false;
    // With TPurgeScope::FindChanged, after a purge that was not cancelled: the rows whose
    // files changed (FileChanged), in row id order, as FindChangedRows gives them.
    std::optional<std::vector<std::int64_t>> Changed;
};

// What a purge looks at. Folders: only the rows of these folders (either spelling), or every
// row when empty. FindChanged: the one look at each file also finds the changed ones and
// stamps rows stored without a time, as FindChangedRows does, so that a refresh examines
// each file once.
struct TPurgeScope {
    std::vector<std::string> Folders;
    bool FindChanged = false;
};

// Removes the rows of Rows' files as the user's removal (remembered, so refreshes and folder
// adds pass the files by), in one write to disk, stopping when Progress.Cancelled says so; the
// playlists are the caller's. Returns how many rows went, from the first on; after an error
// none did.
std::size_t RemoveMediaRows(TMyMediaDB& Library, const std::vector<TMediaRecord>& Rows,
                            const TMaintenanceProgress& Progress = {});

// Adding, removing and purging library files, for the My Music view and orvanta-cli alike.
// Errors of the library are thrown as EEasyError; what was reported done before stays done.
class TMediaMaintenance {
public:
    TMediaMaintenance(TMyMediaDB& Library, TPlayListManager& PlayLists,
                      const TCustomStringList& FileTypes)
        : FLibrary(Library), FPlayLists(PlayLists), FFileTypes(FileTypes) {}

    // How long additions may wait to be written together; 0 writes every file on its own.
    std::chrono::milliseconds CommitInterval{250};
    // What counts as a drive's mount point for the purge.
    TMountPoints MountPoints;
    // Files read at the same time by AddFiles, so that a cold disk has work queued; 1 reads
    // them one after another on the calling thread.
    int Readers = 12;

    // Adds one file; on disk when it returns.
    TAddResult AddFile(const std::string& Path);
    // Adds the files in order, reading them ahead in parallel. OnFileDone receives each
    // result, in order, on the calling thread, only once the file is on disk; it may take it.
    // Returns how many files were handled (all unless cancelled).
    int AddFiles(const std::vector<std::string>& Paths,
                 const std::function<void(TAddResult&)>& OnFileDone,
                 const TMaintenanceProgress& Progress = {});

    // Whether some playlist holds the file's track entry (letter case aside).
    bool InPlayLists(std::string_view TrackEntry) const;
    // Removes the rows whose file is gone, with their playlist entries. A row whose folder
    // is missing, or is an empty mount point (MountPoints), stays: its drive is away.
    TPurgeResult RemoveMissingFiles(const TMaintenanceProgress& Progress = {},
                                    const TPurgeScope& Scope = {});

    // Reads again the tags of rows older than the track numbers and writes their numbers;
    // a row whose file cannot be read now waits for the next time. Returns the rows filled.
    int FillMissingNumbers(const TMaintenanceProgress& Progress = {});

private:
    TAddResult addOne(const std::string& Path);
    // The part of an add that only reads the file; safe on any thread. KnownType: the
    // file's extension is one the program reads.
    // File: the file a batch opened and read already, or null.
    TAddResult readOne(const std::string& Path, bool KnownType,
                       const TFileBatch::TFile* File = nullptr) const;
    void writeOne(TAddResult& Result);

    TMyMediaDB& FLibrary;
    TPlayListManager& FPlayLists;
    const TCustomStringList& FFileTypes;
};

} // namespace orvanta
