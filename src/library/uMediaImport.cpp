#include "library/uMediaImport.h"

#include <algorithm>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

#include "library/uTMyMediaDB.h"
#include "playlists/uTPlayListManager.h"

namespace orvanta {

TMediaImport::TMediaImport(std::string LibraryFile, const TCustomStringList& Types,
                           std::vector<std::string> Paths)
    : FLibraryFile(std::move(LibraryFile)), FTypes(Types), FPaths(std::move(Paths)) {}

TMediaImport::~TMediaImport() {
    Cancel();
    Wait();
}

void TMediaImport::Start() {
    FThread = std::thread([this] { Run(); });
}

void TMediaImport::Wait() {
    if (FThread.joinable())
        FThread.join();
}

void TMediaImport::Run() {
    // Below the window's thread, so it gets the processor first; the readers started from
    // here inherit it.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    try {
        TMyMediaDB library;
        library.OpenDatabase(FLibraryFile);
        TPlayListManager noPlayLists; // adding never touches a playlist
        TMediaMaintenance maintenance(library, noPlayLists, FTypes);
        maintenance.Readers = Readers;
        TCollectedFiles collected;
        if (FindNew) {
            // New files and changed ones, in path order: each comes in as an add, which
            // reads a changed file's row again.
            collected.Files = FindNewFiles(library, FTypes);
            std::vector<std::string> changed = FindChangedFiles(library);
            collected.Files.insert(collected.Files.end(), std::make_move_iterator(changed.begin()),
                                   std::make_move_iterator(changed.end()));
            std::sort(collected.Files.begin(), collected.Files.end());
        } else
            collected = CollectMediaFiles(FPaths, FTypes);
        {
            const std::lock_guard<std::mutex> hold(FLock);
            FProblems = std::move(collected.Problems);
        }
        FTotal = static_cast<int>(collected.Files.size());
        const std::vector<std::string>& files = collected.Files;
        TMaintenanceProgress progress;
        progress.OnProgress = [this, &files](int done, int) {
            const std::lock_guard<std::mutex> hold(FLock);
            FCurrent = files[static_cast<std::size_t>(done - 1)];
            FDone = done;
        };
        progress.Cancelled = [this] { return FCancelled.load(); };
        maintenance.AddFiles(
            files,
            [this](const TAddResult& result) {
                const std::lock_guard<std::mutex> hold(FLock);
                FResults.push_back(result);
            },
            progress);
        // A refresh also brings the track numbers to rows an older version wrote.
        if (FindNew && !FCancelled) {
            TMaintenanceProgress numbers;
            numbers.Cancelled = progress.Cancelled;
            maintenance.FillMissingNumbers(numbers);
        }
    } catch (const std::exception& error) { // the library's EEasyError, or out of memory
        const std::lock_guard<std::mutex> hold(FLock);
        FError = error.what();
    }
    FFinished = true;
}

std::vector<TAddResult> TMediaImport::TakeResults() {
    const std::lock_guard<std::mutex> hold(FLock);
    std::vector<TAddResult> taken;
    taken.swap(FResults);
    return taken;
}

std::string TMediaImport::Current() const {
    const std::lock_guard<std::mutex> hold(FLock);
    return FCurrent;
}

std::vector<TFolderProblem> TMediaImport::Problems() const {
    const std::lock_guard<std::mutex> hold(FLock);
    return FProblems;
}

std::string TMediaImport::Error() const {
    const std::lock_guard<std::mutex> hold(FLock);
    return FError;
}

} // namespace orvanta
