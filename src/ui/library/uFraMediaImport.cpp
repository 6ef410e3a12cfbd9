#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <iterator>
#include <thread>
#include <unordered_map>

#include "core/common/uDisplayUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uPlayListAdd.h"
#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {

// Rows listed per tick of the add's timer at most.
constexpr std::size_t RowsPerTick = 500;
// The time per tick spent counting results at most: the writer hands them over a batch at a
// time, thousands at once on a warm disk.
constexpr qint64 CountingMs = 10;

} // namespace

void TfraMedia::AddFiles() {
    const QStringList chosen =
        FPrompts->AskOpenFiles(QStringLiteral("Add Files"), fromStd(MediaFileFilter()));
    // The dialog shows stray bytes of a name as U+FFFD; the file meant is found by its look.
    QStringList paths;
    for (const QString& path : chosen)
        paths << PathToQString(FindDisplayedPath(PathFromQString(path)));
    if (!paths.isEmpty())
        AddPaths(paths);
}

void TfraMedia::AddFolder() {
    const QString folder = FPrompts->AskFolder(QStringLiteral("Add Folder"));
    if (!folder.isEmpty())
        AddPaths({folder});
}

void TfraMedia::AddPaths(const QStringList& Paths, const QString& PlayList) {
    if (!FMediaDB || Paths.isEmpty())
        return;
    TImportRequest request;
    for (const QString& path : Paths)
        request.Paths.push_back(PathFromQString(path));
    request.PlayList = PathFromQString(PlayList);
    FImportQueue.push_back(std::move(request));
    StartNextImport();
}

void TfraMedia::AddPathsThen(std::vector<std::string> Paths,
                             std::function<void(std::vector<std::string> Entries)> OnDone) {
    if (!FMediaDB || Paths.empty())
        return;
    TImportRequest request;
    request.Paths = std::move(Paths);
    request.OnDone = std::move(OnDone);
    FImportQueue.push_back(std::move(request));
    StartNextImport();
}

void TfraMedia::LetImportsFinish(std::chrono::milliseconds Limit) {
    const auto deadline = std::chrono::steady_clock::now() + Limit;
    tmrImport->stop();
    // A purge or removal stops after the file in hand; the rows it removed leave the
    // playlists too, as their result will not arrive through the ended event loop.
    if (FWriter && FController.Busy() && FController.Work() != TMediaController::TWork::Importing) {
        if (FStopWork)
            *FStopWork = true;
        while (!FWriter->Idle() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (FPlayLists)
            RemoveEntriesFromPlayLists();
    }
    while (FImport || (!FImportQueue.empty() && FMediaDB)) {
        if (!FImport) {
            TImportRequest request = std::move(FImportQueue.front());
            FImportQueue.erase(FImportQueue.begin());
            FImport =
                std::make_unique<TImportRun>(FMediaDB->FileName(), *FFileTypes, std::move(request));
            FImport->Import.Start();
        }
        // Rows are on disk once the import's thread has ended.
        while (!FImport->Import.Finished()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        FImport.reset();
    }
}

std::int64_t TfraMedia::RowIdOf(const TMediaItem& Item) {
    // Without its id the row is still listed; it only sorts last in a long list.
    try {
        return FMediaDB->MediaId(Item.Directory, Item.FileName);
    } catch (const EEasyError&) {
        return 0;
    }
}

void TfraMedia::StartNextImport() {
    if (!Busy() && FMediaDB && !FImportQueue.empty())
        StartImport();
}

void TfraMedia::StartImport() {
    if (FImportQueue.empty())
        return;
    TImportRequest request = std::move(FImportQueue.front());
    FImportQueue.erase(FImportQueue.begin());
    BeginWork(TWork::Importing, QStringLiteral("Looking for files"), 0);
    prgProgress->setRange(0, 0);
    FImport = std::make_unique<TImportRun>(FMediaDB->FileName(), *FFileTypes, std::move(request));
    FImport->Import.Start();
    tmrImport->start();
}

void TfraMedia::ImportTick() {
    if (!FImport)
        return;
    TMediaImport& import = FImport->Import;
    // Read before taking the results: once finished, the last take gets everything.
    const bool finished = import.Finished();
    TImportRun& run = *FImport;
    std::vector<TAddResult> taken = import.TakeResults();
    if (run.ResultsAt == run.Results.size()) {
        run.Results = std::move(taken);
        run.ResultsAt = 0;
    } else
        std::move(taken.begin(), taken.end(), std::back_inserter(run.Results));
    QElapsedTimer counting;
    counting.start();
    while (run.ResultsAt < run.Results.size() && counting.elapsed() < CountingMs) {
        const std::size_t end = std::min(run.Results.size(), run.ResultsAt + 256);
        for (; run.ResultsAt < end; ++run.ResultsAt) {
            TAddResult& result = run.Results[run.ResultsAt];
            run.Tally.Count(result);
            if ((!run.PlayList.empty() || run.OnDone) &&
                (result.Outcome == TAddOutcome::Added || result.Outcome == TAddOutcome::Updated ||
                 result.Outcome == TAddOutcome::AlreadyInLibrary))
                run.Entries.push_back(result.Row.TrackEntry());
            if (result.Outcome == TAddOutcome::Added)
                run.Waiting.push_back(std::move(result.Row));
            else if (result.Outcome == TAddOutcome::Updated && !import.FindNew)
                run.Updated.push_back(std::move(result.Row));
        }
    }
    const bool counted = run.ResultsAt == run.Results.size();
    std::deque<TMediaItem>& waiting = run.Waiting;
    // A bounded slice per tick keeps each pause of the window short, however fast rows land.
    const std::size_t slice = std::min<std::size_t>(waiting.size(), RowsPerTick);
    if (slice > 0) {
        const auto end = waiting.begin() + static_cast<std::ptrdiff_t>(slice);
        for (auto item = waiting.begin(); item != end; ++item)
            if (item->Id == 0) // the writer gives the ids of the rows it added
                item->Id = RowIdOf(*item);
        MediaModel->Append(std::vector<TMediaItem>(std::make_move_iterator(waiting.begin()),
                                                   std::make_move_iterator(end)));
        waiting.erase(waiting.begin(), end);
    }
    if (finished && counted && waiting.empty()) {
        EndImport();
        return;
    }
    const int total = import.Total();
    const int done = import.Done();
    if (total > 0 && done > 0) {
        const QLocale locale;
        prgProgress->setRange(0, total);
        prgProgress->setValue(done);
        lblProgress->setText(QStringLiteral("Adding %1 of %2: %3")
                                 .arg(locale.toString(done), locale.toString(total),
                                      fromStd(ExtractFileName(import.Current()))));
    }
}

void TfraMedia::ShowUpdatedRows(const std::vector<TMediaItem>& Items) {
    if (Items.empty())
        return;
    // Rows are matched by library row id, which the list holds for every row without
    // reading it, so a long list is not read whole for a few updates; one pass over the
    // ids finds them, with no table of the whole list.
    std::unordered_map<std::int64_t, TMediaItem> updated;
    for (TMediaItem item : Items) {
        item.Id = RowIdOf(item);
        if (item.Id != 0)
            updated.insert_or_assign(item.Id, std::move(item));
    }
    for (int row = 0; row < MediaModel->Count() && !updated.empty(); ++row)
        if (const auto found = updated.find(MediaModel->Id(row)); found != updated.end())
            MediaModel->UpdateItem(row, found->second);
}

void TfraMedia::EndImport() {
    tmrImport->stop();
    std::unique_ptr<TImportRun> run = std::move(FImport);
    run->Import.Wait();
    for (const TFolderProblem& problem : run->Import.Problems())
        run->Tally.CountFolder(problem.Path, problem.Reason);
    run->Tally.PassedBy = run->Import.PassedBy();
    ShowUpdatedRows(run->Updated);
    std::string refused;
    if (TPlayList* target = run->PlayList.empty() ? nullptr : FPlayLists->FindByName(run->PlayList))
        refused = AddEntries(*FPlayLists, *target, run->Entries);
    // The add's own writes are not news from outside.
    FController.SetLibraryVersion(LibraryVersion());
    EndWork();
    // The filter list takes in the new values; a refresh lists the rows again too, with the
    // numbers it found.
    const TAddTally& tally = run->Tally;
    ReloadFilterItems(run->Import.FindNew);
    if (!run->PlayList.empty())
        FMain->RefreshPlayListTracks();
    if (!refused.empty())
        FPrompts->Information(PathForDisplay(refused));
    if (run->OnDone)
        run->OnDone(std::move(run->Entries));
    const std::string error = run->Import.Error();
    if (!error.empty())
        FPrompts->ShowMessage(QStringLiteral("Error"), fromStd(error), TPromptIcon::Warning);
    // Quiet when every file came in; otherwise one summary names each file left out.
    if (run->Import.FindNew && (tally.Added > 0 || tally.Updated > 0) && error.empty())
        ShowNote(QStringLiteral("Refresh Media: %1").arg(fromStd(tally.Summary())));
    // A refresh that found nothing new does not bring up the same broken files every time.
    if (tally.Skipped > 0 && !(run->Import.FindNew && tally.Added == 0)) {
        QStringList details;
        for (const std::string& line : tally.Details)
            details << fromStd(line);
        FPrompts->ShowDetails(QStringLiteral("Information"), fromStd(tally.Summary()),
                              details.join(QStringLiteral("\r\n")), TPromptIcon::Information);
    }
    StartNextImport();
}

} // namespace orvanta
