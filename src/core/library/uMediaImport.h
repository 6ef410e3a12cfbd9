#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/common/uTCustomStringList.h"
#include "core/library/uMediaFolders.h"
#include "core/library/uMediaMaintenance.h"

namespace orvanta {

// One add of files and folders, or a refresh's pass over new and changed files, through the
// caller's library connection on the calling thread (the window's library writer, or
// orvanta-cli). The files are read by TMediaMaintenance::AddFiles' readers beside it while
// this thread writes the rows in order; results are handed out a batch at a time, each only
// once its row is on disk.
class TMediaImport {
public:
    // Types must outlive the import and stay unchanged while it runs.
    TMediaImport(TMyMediaDB& Library, const TCustomStringList& Types)
        : FLibrary(Library), FTypes(Types) {}

    // Files read at the same time.
    int Readers = 12;
    // Asked before each file; a cancelled import keeps what it handed out.
    std::function<bool()> Cancelled;
    // What the folders' walk found, before any file is added (Add only).
    std::function<void(const TCollectedFiles& Collected)> OnCollected;
    // Results on disk, in order: each batch written, handed out whole. The callee may move
    // them away; what it leaves is cleared, its memory kept for the next batch.
    std::function<void(std::vector<TAddResult>& Results)> OnResults;
    // Files handled so far, of how many, and the last one.
    std::function<void(int Done, int Total, const std::string& Path)> OnProgress;

    // Adds what CollectFilesToAdd makes of Paths. Returns the files handled.
    int Add(const std::vector<std::string>& Paths);
    // Adds the files that appeared beside the library's files (FindNewFiles), then reads the
    // changed ones again (FindChangedRows): each comes in as an add, which reads a changed
    // file's row again. Changed: the changed rows a purge found already; Folders: only the
    // files of these folders (FindNewFiles). Returns the files handled.
    int Refresh(const std::vector<std::int64_t>* Changed = nullptr,
                const std::vector<std::string>* Folders = nullptr);

    // How an import on the window's writer ended, besides its results.
    struct TEnd {
        // Folders that could not be read.
        std::vector<TFolderProblem> Problems;
        // Files found in folders that the user removed from the library, left out.
        int PassedBy = 0;
        // The library's error that ended the import early, if any.
        std::string Error;
    };
    // The window's background add: Add, or for NewFiles a Refresh (of the folders Paths
    // when there are any, with the Changed rows when known) that then brings the track
    // numbers to rows an older version wrote. Runs below the window's thread; an error of the
    // library ends it early and is returned, not thrown.
    TEnd RunInBackground(const std::vector<std::string>& Paths, bool NewFiles,
                         const std::vector<std::int64_t>* Changed = nullptr);

private:
    std::function<void(TAddResult&)> collector();
    void handOver();

    TMyMediaDB& FLibrary;
    const TCustomStringList& FTypes;
    // Results on disk not handed out yet.
    std::vector<TAddResult> FPending;
};

} // namespace orvanta
