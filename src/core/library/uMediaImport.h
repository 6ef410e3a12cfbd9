#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/common/uTCustomStringList.h"
#include "core/library/uMediaFolders.h"
#include "core/library/uMediaMaintenance.h"

namespace orvanta {

// Adds files and folders on a thread of its own, through a library connection of its own, so
// the window stays free while a whole collection comes in. The rows, their order and the
// outcomes are those of TMediaMaintenance::AddFiles; a result is handed out only once its row
// is on disk.
class TMediaImport {
public:
    // Types must outlive the import and stay unchanged while it runs.
    TMediaImport(std::string LibraryFile, const TCustomStringList& Types,
                 std::vector<std::string> Paths);
    // Cancels and waits for the thread.
    ~TMediaImport();
    TMediaImport(const TMediaImport&) = delete;
    TMediaImport& operator=(const TMediaImport&) = delete;

    void Start();
    // Stops after the file in hand; what was reported stays added.
    void Cancel() { FCancelled = true; }
    // The thread has ended; every result has been queued.
    bool Finished() const { return FFinished; }
    // Waits for the thread to end.
    void Wait();

    // The results that reached the disk since the last call, in order.
    std::vector<TAddResult> TakeResults();
    // Files handled so far, of how many (0 while the folders are walked), and the last one.
    int Done() const { return FDone; }
    int Total() const { return FTotal; }
    std::string Current() const;
    // Folders that could not be read; complete once Total is known.
    std::vector<TFolderProblem> Problems() const;
    // Files found in folders that the user removed from the library, left out; known once
    // Total is.
    int PassedBy() const { return FPassedBy; }
    // The library's error that ended the import early, if any.
    std::string Error() const;

    // Files read at the same time.
    int Readers = 12;
    // Adds the new files beside the library's files (FindNewFiles) and reads the changed
    // ones again (FindChangedRows) instead of the paths.
    bool FindNew = false;

private:
    void Run();

    const std::string FLibraryFile;
    const TCustomStringList& FTypes;
    const std::vector<std::string> FPaths;
    std::thread FThread;
    std::atomic<bool> FCancelled{false};
    std::atomic<bool> FFinished{false};
    std::atomic<int> FDone{0};
    std::atomic<int> FTotal{0};
    std::atomic<int> FPassedBy{0};
    mutable std::mutex FLock;
    std::vector<TAddResult> FResults;
    std::vector<TFolderProblem> FProblems;
    std::string FCurrent;
    std::string FError;
};

} // namespace orvanta
