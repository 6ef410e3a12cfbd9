#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <iterator>
#include <optional>
#include <thread>
#include <unordered_map>

#include "core/common/uDisplayUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaImport.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uPlayListAdd.h"
#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {

// Rows listed per turn of the event loop at most.
constexpr std::size_t RowsPerTick = 500;
// The time per turn spent counting results at most: the writer hands them over a batch at a
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
    FController.Imports.Ask(std::move(request));
    StartNextImport();
}

void TfraMedia::AddPathsThen(std::vector<std::string> Paths,
                             std::function<void(std::vector<std::string> Entries)> OnDone) {
    if (!FMediaDB || Paths.empty())
        return;
    TImportRequest request;
    request.Paths = std::move(Paths);
    request.OnDone = std::move(OnDone);
    FController.Imports.Ask(std::move(request));
    StartNextImport();
}

void TfraMedia::LetImportsFinish(std::chrono::milliseconds Limit) {
    const auto deadline = std::chrono::steady_clock::now() + Limit;
    const auto waitForWriter = [this, deadline] {
        while (!FWriter->Idle() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    if (!FWriter)
        return;
    // A purge or removal stops after the file in hand; the rows it removed leave the
    // playlists too, as their result will not arrive through the ended event loop.
    if (FController.Busy() && FController.Work() != TMediaController::TWork::Importing) {
        if (FStopWork)
            *FStopWork = true;
        waitForWriter();
        if (FPlayLists)
            RemoveEntriesFromPlayLists();
    }
    // The adds waiting follow the one running on the writer, unlisted: their messages match
    // no run.
    while (FMediaDB) {
        std::optional<TImportRequest> next = FController.Imports.TakeNext();
        if (!next)
            break;
        PostImport(*next, 0, std::make_shared<std::atomic<bool>>(false));
    }
    waitForWriter();
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
    if (!FMediaDB)
        return;
    if (std::optional<TImportRequest> next = FController.NextImport())
        StartImport(std::move(*next));
}

void TfraMedia::StartImport(TImportRequest Request) {
    BeginWork(TWork::Importing, QStringLiteral("Looking for files"), 0);
    prgProgress->setRange(0, 0);
    if (Request.Following)
        pnlProgress->hide();
    const TImportRun& run = FController.Imports.Start(std::move(Request));
    PostImport(run.Request(), run.Serial(), FStopWork);
}

void TfraMedia::PostImport(const TImportRequest& Request, std::uint64_t Serial,
                           std::shared_ptr<std::atomic<bool>> Stop) {
    // Each message finds its run by number, so one of an earlier run, or of an add left to
    // finish at the end (Serial 0), changes nothing.
    const auto runOf = [this](std::uint64_t Number) {
        TImportRun* run = FController.Imports.Running();
        return run && run->Serial() == Number ? run : nullptr;
    };
    FWriter->Post([this, runOf, send = FInbox->Sender(), Serial, Stop, types = FFileTypes,
                   paths = Request.Paths, newFiles = Request.NewFiles,
                   changed = Request.Changed](TMyMediaDB& Library, const TCancelToken& Cancel) {
        TMediaImport importing(Library, *types);
        importing.Cancelled = [Stop, Cancel] { return *Stop || Cancel.Cancelled(); };
        importing.OnResults = [this, runOf, send, Serial](std::vector<TAddResult>& Results) {
            auto results = std::make_shared<std::vector<TAddResult>>(std::move(Results));
            send([this, runOf, Serial, results] {
                if (TImportRun* run = runOf(Serial)) {
                    run->Arrived(std::move(*results));
                    ImportSliceLater();
                }
            });
        };
        // Told at most every few tens of milliseconds.
        importing.OnProgress = [this, runOf, send, Serial,
                                last = std::chrono::steady_clock::time_point()](
                                   int Done, int Total, const std::string& Path) mutable {
            const auto now = std::chrono::steady_clock::now();
            if (now - last < std::chrono::milliseconds(ResponsiveMs))
                return;
            last = now;
            send([this, runOf, Serial, Done, Total, Path] {
                if (TImportRun* run = runOf(Serial)) {
                    run->Done = Done;
                    run->Total = Total;
                    run->Current = Path;
                    ImportSliceLater();
                }
            });
        };
        TMediaImport::TEnd end =
            importing.RunInBackground(paths, newFiles, changed ? &*changed : nullptr);
        send([this, runOf, Serial, end = std::move(end)] {
            if (TImportRun* run = runOf(Serial)) {
                run->Ended(end);
                ImportSliceLater();
            }
        });
    });
}

void TfraMedia::ImportSliceLater() {
    if (FImportSliceDue)
        return;
    FImportSliceDue = true;
    QTimer::singleShot(0, this, [this] {
        FImportSliceDue = false;
        RunGuarded([this] { ImportSlice(); });
    });
}

void TfraMedia::ImportSlice() {
    TImportRun* run = FController.Imports.Running();
    if (!run)
        return;
    QElapsedTimer counting;
    counting.start();
    const bool counted = run->Count([&counting] { return counting.elapsed() >= CountingMs; });
    std::deque<TMediaItem>& waiting = run->Waiting;
    // A bounded slice per turn keeps each pause of the window short, however fast rows land.
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
    if (run->Complete()) {
        EndImport();
        return;
    }
    if (run->Total > 0 && run->Done > 0) {
        const QLocale locale;
        prgProgress->setRange(0, run->Total);
        prgProgress->setValue(run->Done);
        lblProgress->setText(QStringLiteral("Adding %1 of %2: %3")
                                 .arg(locale.toString(run->Done), locale.toString(run->Total),
                                      fromStd(ExtractFileName(run->Current))));
    }
    if (!counted || !waiting.empty())
        ImportSliceLater();
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
    std::unique_ptr<TImportRun> run = FController.Imports.Finish();
    const TImportRequest& request = run->Request();
    ShowUpdatedRows(run->Updated);
    std::string refused;
    if (TPlayList* target =
            request.PlayList.empty() ? nullptr : FPlayLists->FindByName(request.PlayList))
        refused = AddEntries(*FPlayLists, *target, run->Entries);
    // The add's own writes are not news from outside.
    FController.SetLibraryVersion(LibraryVersion());
    EndWork();
    // The filter list takes in the new values; a refresh lists the rows again too, with the
    // numbers it found.
    const TAddTally& tally = run->Tally;
    // A look at followed folders that found nothing leaves the lists as they are.
    if (!request.Following || tally.Added > 0 || tally.Updated > 0)
        ReloadFilterItems(request.NewFiles);
    if (!request.PlayList.empty())
        FMain->RefreshPlayListTracks();
    if (!refused.empty())
        FPrompts->Information(PathForDisplay(refused));
    if (request.OnDone)
        request.OnDone(std::move(run->Entries));
    const std::string& error = run->Error();
    if (!error.empty())
        FPrompts->ShowMessage(QStringLiteral("Error"), fromStd(error), TPromptIcon::Warning);
    // Quiet when every file came in; otherwise one summary names each file left out.
    if (request.NewFiles && !request.Following && (tally.Added > 0 || tally.Updated > 0) &&
        error.empty())
        ShowNote(QStringLiteral("Refresh Media: %1").arg(fromStd(tally.Summary())));
    // A refresh that found nothing new does not bring up the same broken files every time.
    if (tally.Skipped > 0 && !request.Following && !(request.NewFiles && tally.Added == 0)) {
        QStringList details;
        for (const std::string& line : tally.Details)
            details << fromStd(line);
        FPrompts->ShowDetails(QStringLiteral("Information"), fromStd(tally.Summary()),
                              details.join(QStringLiteral("\r\n")), TPromptIcon::Information);
    }
    StartNextImport();
}

} // namespace orvanta
