#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/common/uTCustomStringList.h"

namespace orvanta {
class TMyMediaDB;
class TMediaMaintenance;
struct TAddResult;
} // namespace orvanta

namespace orvanta {

// A folder the walk could not list.
struct TFolderProblem {
    std::string Path;
    std::string Reason;
};

struct TCollectedFiles {
    std::vector<std::string> Files;
    std::vector<TFolderProblem> Problems;
    // Files found in folders that the user removed from the library: left out.
    std::vector<std::string> PassedBy;
};

// Turns what the user chose into the files to add: a file stays as it is, in its place; a
// folder gives every file below it whose type is known, or that is audio of a format the
// program does not read (IsOtherAudioFile), sorted by path. Symbolic links are
// followed, a folder reached twice (a link loop, two links to one folder) is walked once,
// and hidden folders are left out.
// Without Recursive, a folder gives only the files directly in it.
TCollectedFiles CollectMediaFiles(const std::vector<std::string>& Paths,
                                  const TCustomStringList& Types, bool Recursive = true);

// What an add of Paths brings in, as CollectMediaFiles: a file named itself comes in even
// when the user removed it before (the removal is forgotten), a file found in a folder the
// user removed is passed by.
TCollectedFiles CollectFilesToAdd(TMyMediaDB& Library, const std::vector<std::string>& Paths,
                                  const TCustomStringList& Types);

// The files of a known type in the folders that hold library rows (not below them) that
// have no row yet and that the user did not remove, in path order: what appeared there
// since they were added. A folder whose modification time is the one kept when its last
// listing found nothing new is not listed again: adding, removing or renaming an entry
// changes that time, so such a folder can hold no new file (a file's new content does not
// change it, and is FindChangedRows' to find). Folders: only these folders.
std::vector<std::string> FindNewFiles(TMyMediaDB& Library, const TCustomStringList& Types,
                                      const std::vector<std::string>* Folders = nullptr);

// The rows whose files changed on disk since they were written (FileChanged), as row ids in
// row id order (what a library whose every file changed can hold); a file that is gone or out
// of reach is left to the purge. Rows stored without a time, whose file kept its size, get the
// file's time instead, so its next change shows.
std::vector<std::int64_t> FindChangedRows(TMyMediaDB& Library);

// What a refresh reads: the new files, and the rows whose files changed.
struct TRefreshFiles {
    std::vector<std::string> New;
    std::vector<std::int64_t> Changed;
    int Count() const { return static_cast<int>(New.size() + Changed.size()); }
};
// Changed: the changed rows when a purge found them already (TPurgeScope::FindChanged);
// Folders as for FindNewFiles.
TRefreshFiles FindRefreshFiles(TMyMediaDB& Library, const TCustomStringList& Types,
                               const std::vector<std::int64_t>* Changed = nullptr,
                               const std::vector<std::string>* Folders = nullptr);

// Adds the new files in path order, then reads the changed ones again, through
// Maintenance.AddFiles a few thousand paths at a time. OnProgress sees each file as it is
// handled (Done of Total); Cancelled is asked before each. Returns the files handled.
int AddRefreshFiles(
    TMediaMaintenance& Maintenance, TMyMediaDB& Library, const TRefreshFiles& Files,
    const std::function<void(TAddResult&)>& OnFileDone,
    const std::function<void(int Done, int Total, const std::string& Path)>& OnProgress = {},
    const std::function<bool()>& Cancelled = {});

} // namespace orvanta
