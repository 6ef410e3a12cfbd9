#include "core/library/uMediaImport.h"

#include <sys/resource.h>
#include <unistd.h>

#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

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
        TMaintenanceProgress progress;
        progress.Cancelled = [this] { return FCancelled.load(); };
        const auto handed = [this](const TAddResult& result) {
            const std::lock_guard<std::mutex> hold(FLock);
            FResults.push_back(result);
        };
        const auto current = [this](int Done, const std::string& Path) {
            const std::lock_guard<std::mutex> hold(FLock);
            FCurrent = Path;
            FDone = Done;
        };
        if (FindNew) {
            // New files, then changed ones: each comes in as an add, which reads a changed
            // file's row again.
            const TRefreshFiles files = FindRefreshFiles(library, FTypes);
            FTotal = files.Count();
            AddRefreshFiles(
                maintenance, library, files, handed,
                [&current](int Done, int, const std::string& Path) { current(Done, Path); },
                progress.Cancelled);
        } else {
            TCollectedFiles collected = CollectFilesToAdd(library, FPaths, FTypes);
            FPassedBy = static_cast<int>(collected.PassedBy.size());
            {
                const std::lock_guard<std::mutex> hold(FLock);
                FProblems = std::move(collected.Problems);
            }
            FTotal = static_cast<int>(collected.Files.size());
            const std::vector<std::string>& files = collected.Files;
            progress.OnProgress = [&current, &files](int done, int) {
                current(done, files[static_cast<std::size_t>(done - 1)]);
            };
            maintenance.AddFiles(files, handed, progress);
        }
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
