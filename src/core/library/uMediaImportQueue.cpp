#include "core/library/uMediaImportQueue.h"

#include <algorithm>
#include <iterator>

namespace orvanta {

TImportRun::TImportRun(TImportRequest Request, std::uint64_t Serial)
    : FRequest(std::move(Request)), FSerial(Serial) {
    // A refresh of a large library may skip a great many files; the summary names the first
    // of them.
    Tally.DetailLimit = 1000;
}

void TImportRun::Arrived(std::vector<TAddResult> Results) {
    if (Counted()) {
        FResults = std::move(Results);
        FResultsAt = 0;
    } else {
        std::move(Results.begin(), Results.end(), std::back_inserter(FResults));
    }
}

bool TImportRun::Count(const std::function<bool()>& Enough) {
    while (!Counted() && !Enough()) {
        const std::size_t end = std::min(FResults.size(), FResultsAt + 256);
        for (; FResultsAt < end; ++FResultsAt)
            take(FResults[FResultsAt]);
    }
    foldEnd();
    return Counted();
}

void TImportRun::take(TAddResult& Result) {
    Tally.Count(Result);
    const TAddOutcome outcome = Result.Outcome;
    if ((!FRequest.PlayList.empty() || FRequest.OnDone) &&
        (outcome == TAddOutcome::Added || outcome == TAddOutcome::Updated ||
         outcome == TAddOutcome::AlreadyInLibrary))
        Entries.push_back(Result.Row.TrackEntry());
    if (outcome == TAddOutcome::Added)
        Waiting.push_back(std::move(Result.Row));
    else if (outcome == TAddOutcome::Updated && !FRequest.NewFiles)
        Updated.push_back(std::move(Result.Row));
}

void TImportRun::Ended(TMediaImport::TEnd End) {
    FEnded = true;
    FEnd = std::move(End);
    foldEnd();
}

void TImportRun::foldEnd() {
    // After every file's result, so the summary names the skipped files first.
    if (!FEnded || FEndFolded || !Counted())
        return;
    FEndFolded = true;
    for (const TFolderProblem& problem : FEnd.Problems)
        Tally.CountFolder(problem.Path, problem.Reason);
    Tally.PassedBy = FEnd.PassedBy;
}

std::optional<TImportRequest> TImportQueue::TakeNext() {
    if (FWaiting.empty())
        return std::nullopt;
    TImportRequest next = std::move(FWaiting.front());
    FWaiting.pop_front();
    return next;
}

TImportRun& TImportQueue::Start(TImportRequest Request) {
    FRunning = std::make_unique<TImportRun>(std::move(Request), ++FSerial);
    return *FRunning;
}

void TImportQueue::Clear() {
    FWaiting.clear();
    FRunning.reset();
}

} // namespace orvanta
