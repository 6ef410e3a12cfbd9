#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/library/uMediaImport.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uMediaRecord.h"

namespace orvanta {

// An add asked of My Music: files and folders, or the refresh's pass over new and changed
// files (NewFiles; of the folders Paths when there are any), the playlist its files go to, and who
// wants their track entries.
struct TImportRequest {
    std::vector<std::string> Paths;
    std::string PlayList;
    bool NewFiles = false;
    std::function<void(std::vector<std::string> Entries)> OnDone;
    // A refresh's changed rows, when its purge found them already.
    std::optional<std::vector<std::int64_t>> Changed{};
    // A refresh of folders that changed while the library follows them: no notes.
    bool Following = false;
};

// One add under way as the window follows it: the results that reached the disk, taken in a
// slice at a time, and what becomes of them.
class TImportRun {
public:
    TImportRun(TImportRequest Request, std::uint64_t Serial);

    const TImportRequest& Request() const { return FRequest; }
    // Tells the import's messages apart from those of an earlier run.
    std::uint64_t Serial() const { return FSerial; }

    // Results handed over by the import, in order.
    void Arrived(std::vector<TAddResult> Results);
    // Takes in arrived results, 256 at a time, until all are or Enough says stop; returns
    // whether all are.
    bool Count(const std::function<bool()>& Enough);
    bool Counted() const { return FResultsAt == FResults.size(); }
    // The import ended: the folders it could not read and the files it passed by join the
    // tally once every result is taken in.
    void Ended(TMediaImport::TEnd End);
    bool HasEnded() const { return FEnded; }
    const std::string& Error() const { return FEnd.Error; }
    // Ended, every result taken in and every added row listed.
    bool Complete() const { return FEnded && Counted() && Waiting.empty(); }

    // Progress as the import last told it: files handled, of how many, and the last one.
    int Done = 0;
    int Total = 0;
    std::string Current;

    TAddTally Tally;
    // Track entries of the files added, read again or already in the library, in order, when
    // a playlist or OnDone wants them.
    std::vector<std::string> Entries;
    // Rows added, not listed yet. A queue rather than a vector: rows leave from the front,
    // and a growing vector would move every row into fresh memory, whose first touch is
    // costly on a virtual machine.
    std::deque<TMediaRecord> Waiting;
    // Rows read again from their changed files, shown once the run ends; a refresh lists its
    // rows again instead.
    std::vector<TMediaRecord> Updated;

private:
    // Which results become what.
    void take(TAddResult& Result);
    void foldEnd();

    TImportRequest FRequest;
    std::uint64_t FSerial;
    std::vector<TAddResult> FResults;
    std::size_t FResultsAt = 0;
    bool FEnded = false;
    bool FEndFolded = false;
    TMediaImport::TEnd FEnd;
};

// The adds asked for: one runs at a time, none while another library command runs, and the
// others wait their turn in the order asked.
class TImportQueue {
public:
    void Ask(TImportRequest Request) { FWaiting.push_back(std::move(Request)); }
    bool Waiting() const { return !FWaiting.empty(); }
    // The first add waiting, taken out of the queue.
    std::optional<TImportRequest> TakeNext();

    TImportRun* Running() { return FRunning.get(); }
    TImportRun& Start(TImportRequest Request);
    // The run that ended, out of the queue.
    std::unique_ptr<TImportRun> Finish() { return std::move(FRunning); }
    void Clear();

private:
    std::deque<TImportRequest> FWaiting;
    std::unique_ptr<TImportRun> FRunning;
    std::uint64_t FSerial = 0;
};

} // namespace orvanta
