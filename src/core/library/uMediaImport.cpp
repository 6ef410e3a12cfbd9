#include "core/library/uMediaImport.h"

#include <exception>
#include <utility>

#include "core/library/uLibraryWorker.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta {

std::function<void(TAddResult&)> TMediaImport::collector() {
    return [this](TAddResult& Result) { FPending.push_back(std::move(Result)); };
}

void TMediaImport::handOver() {
    if (FPending.empty())
        return;
    if (OnResults)
        OnResults(FPending);
    FPending.clear();
}

int TMediaImport::Add(const std::vector<std::string>& Paths) {
    TPlayListManager noPlayLists; // adding never touches a playlist
    TMediaMaintenance maintenance(FLibrary, noPlayLists, FTypes);
    maintenance.Readers = Readers;
    const TCollectedFiles collected = CollectFilesToAdd(FLibrary, Paths, FTypes);
    if (OnCollected)
        OnCollected(collected);
    const std::vector<std::string>& files = collected.Files;
    TMaintenanceProgress progress;
    progress.Cancelled = Cancelled;
    // A file's progress follows the write of its batch, so the batch goes out first.
    progress.OnProgress = [this, &files](int Done, int Total) {
        handOver();
        if (OnProgress)
            OnProgress(Done, Total, files[static_cast<std::size_t>(Done - 1)]);
    };
    const int handled = maintenance.AddFiles(files, collector(), progress);
    handOver();
    return handled;
}

int TMediaImport::Refresh(const std::vector<std::int64_t>* Changed,
                          const std::vector<std::string>* Folders) {
    TPlayListManager noPlayLists;
    TMediaMaintenance maintenance(FLibrary, noPlayLists, FTypes);
    maintenance.Readers = Readers;
    const int handled = AddRefreshFiles(
        maintenance, FLibrary, FindRefreshFiles(FLibrary, FTypes, Changed, Folders), collector(),
        [this](int Done, int Total, const std::string& Path) {
            handOver();
            if (OnProgress)
                OnProgress(Done, Total, Path);
        },
        Cancelled);
    handOver();
    return handled;
}

TMediaImport::TEnd TMediaImport::RunInBackground(const std::vector<std::string>& Paths,
                                                 bool NewFiles,
                                                 const std::vector<std::int64_t>* Changed) {
    // The readers started from here inherit it; the writer keeps it afterwards, and what else
    // it does is background work too.
    RunBelowTheWindow();
    TEnd end;
    const auto collected = OnCollected;
    OnCollected = [&end, &collected](const TCollectedFiles& Collected) {
        end.Problems = Collected.Problems;
        end.PassedBy = static_cast<int>(Collected.PassedBy.size());
        if (collected)
            collected(Collected);
    };
    try {
        if (NewFiles) {
            Refresh(Changed, Paths.empty() ? nullptr : &Paths);
            // A refresh also brings the track numbers to rows an older version wrote.
            if (!(Cancelled && Cancelled())) {
                TPlayListManager noPlayLists;
                TMediaMaintenance maintenance(FLibrary, noPlayLists, FTypes);
                TMaintenanceProgress numbers;
                numbers.Cancelled = Cancelled;
                maintenance.FillMissingNumbers(numbers);
            }
        } else {
            Add(Paths);
        }
    } catch (const std::exception& error) { // the library's EEasyError, or out of memory
        // The rows written before the error are on disk and go out with it.
        handOver();
        end.Error = error.what();
    }
    OnCollected = collected;
    return end;
}

} // namespace orvanta
