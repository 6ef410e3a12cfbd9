// Edit Tag over several rows: the tag dialog plans, the batch runs on the writer with the
// progress strip and Cancel, and a summary closes it. The rows shown are then read again from
// the library, and the playlists follow the files that moved.
#include <QDialog>
#include <QStringList>

#include "core/batch/uBatchFields.h"
#include "core/batch/uBatchRun.h"
#include "core/batch/uBatchSelection.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uTMyMediaDB.h"
#include "ui/common/uGuard.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"
#include "ui/metadata/uFrmMP3Tag.h"

namespace orvanta {

using namespace media_view;

namespace {

// The files a summary names at most.
constexpr int ListedFailures = 10;

QString Summary(const TBatchOutcome& Outcome) {
    if (!Outcome.Error.empty())
        return fromStd(Outcome.Error);
    QString text =
        Outcome.Cancelled ? QStringLiteral("Cancelled after the file in hand.\r\n") : QString();
    text += QStringLiteral("%1 of %2 files written").arg(Outcome.Written).arg(Outcome.Planned);
    if (Outcome.Unchanged > 0)
        text += QStringLiteral(", %1 held these values already").arg(Outcome.Unchanged);
    if (!Outcome.Moves.empty())
        text += QStringLiteral(", %1 renamed").arg(Outcome.Moves.size());
    text += QStringLiteral(".");
    if (!Outcome.Failed.empty()) {
        text += QStringLiteral("\r\n%1 could not be written:").arg(Outcome.Failed.size());
        int listed = 0;
        for (const TBatchFailure& failure : Outcome.Failed) {
            if (listed++ == ListedFailures) {
                text += QStringLiteral("\r\n...");
                break;
            }
            text += QStringLiteral("\r\n") + fromStd(failure.Error);
        }
    }
    return text;
}

// What an undo restored, and the files it left because they changed since, by name.
QString UndoSummary(const TBatchOutcome& Outcome) {
    if (!Outcome.Error.empty())
        return fromStd(Outcome.Error);
    QString text = QStringLiteral("%1 files restored.").arg(Outcome.Written);
    if (!Outcome.ChangedSince.empty()) {
        text += QStringLiteral("\r\n%1 changed since the batch and were left as they are:")
                    .arg(Outcome.ChangedSince.size());
        for (const std::string& path : Outcome.ChangedSince)
            text += QStringLiteral("\r\n") + PathForDisplay(path);
    }
    for (const TBatchFailure& failure : Outcome.Failed)
        text += QStringLiteral("\r\n") + fromStd(failure.Error);
    return text;
}

// A job's progress to the strip, and its cancel from the strip's button or the worker.
TBatchHooks HooksOf(const std::function<void(int, int)>& Progress,
                    const std::shared_ptr<std::atomic<bool>>& Stop, const TCancelToken& Cancel) {
    TBatchHooks hooks;
    hooks.Progress = [Progress](int Done, int Total, const std::string&) { Progress(Done, Total); };
    hooks.Cancelled = [Stop, Cancel] { return *Stop || Cancel.Cancelled(); };
    return hooks;
}

} // namespace

void TfraMedia::EditSeveralTags(const std::vector<int>& Rows) {
    std::vector<std::string> paths;
    paths.reserve(Rows.size());
    for (int row : Rows)
        paths.push_back(MediaModel->Item(row).FullPath());
    // Thousands of files take seconds to read: the writer reads them, with progress and
    // Cancel, and the dialog opens on what it read.
    const QString caption = QStringLiteral("Reading tags");
    BeginWork(TWork::TagBatch, caption, static_cast<int>(paths.size()));
    auto progress = ProgressSender(TWork::TagBatch, caption + QStringLiteral(": file %1 of %2"));
    FInbox->Post<TBatchSelection>(
        *FWriter, TLibraryWorker::NoLane,
        [paths = std::move(paths), progress, stop = FStopWork](TMyMediaDB&,
                                                               const TCancelToken& Cancel) {
            const TBatchHooks hooks = HooksOf(progress, stop, Cancel);
            return ReadBatchSelection(paths, hooks);
        },
        [this](TBatchSelection Selection) {
            RunGuarded([&] { OpenSeveralTags(std::move(Selection)); });
        },
        [this](const QString& Error) {
            EndWork();
            ShowException(*FPrompts, Error);
            StartNextImport();
        });
}

void TfraMedia::OpenSeveralTags(TBatchSelection Selection) {
    if (!Selection.Error.empty() || Selection.Cancelled || !FMediaDB) {
        EndWork();
        if (!Selection.Error.empty())
            FPrompts->Information(fromStd(Selection.Error));
        StartNextImport();
        return;
    }
    // The library's work stays begun while the dialog is open, so that nothing else starts
    // under the batch it may plan; the dialog runs without an event loop of its own.
    pnlProgress->hide();
    auto* dialog = new TfrmMP3Tag(*FPrompts, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->LoadFiles(*FMediaDB, std::move(Selection));
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        const int files = static_cast<int>(dialog->Files().size());
        TfrmMP3Tag::TPlanner plan = dialog->TakePlanner();
        // Freed on the writer, before the batch it runs.
        FWriter->Post([taken = dialog->TakeFiles()](TMyMediaDB&, const TCancelToken&) mutable {
            taken.reset();
        });
        RunGuarded([&] {
            if (plan && FMediaDB) {
                RunTagBatch(std::move(plan), files);
                return;
            }
            EndWork();
            StartNextImport();
        });
    });
    dialog->open();
}

void TfraMedia::RunTagBatch(std::function<TBatchPlan()> Plan, int Files) {
    PostBatch(
        QStringLiteral("Writing tags"), Files,
        [plan = std::move(Plan)](const TBatchTargets& Targets, const TBatchHooks& Hooks) {
            return RunBatch(plan(), Targets, Hooks);
        },
        &Summary);
}

void TfraMedia::PostBatch(const QString& Caption, int Total, TBatchWork Work,
                          std::function<QString(const TBatchOutcome&)> Summarise) {
    BeginWork(TWork::TagBatch, Caption, Total);
    auto progress = ProgressSender(TWork::TagBatch, Caption + QStringLiteral(": file %1 of %2"));
    FInbox->Post<TBatchOutcome>(
        *FWriter, TLibraryWorker::NoLane,
        [work = std::move(Work), progress, stop = FStopWork](TMyMediaDB& Library,
                                                             const TCancelToken& Cancel) {
            const TBatchHooks hooks = HooksOf(progress, stop, Cancel);
            TBatchTargets targets{BatchHomeOf(Library.FileName()), &Library};
            targets.PlayListsFollowLater = true;
            TBatchOutcome outcome;
            if (!FinishInterruptedBatch(targets, outcome.Error))
                return outcome;
            return work(targets, hooks);
        },
        [this, summarise = std::move(Summarise)](TBatchOutcome Outcome) {
            RunGuarded([&] {
                TagBatchDone(Outcome);
                FPrompts->Information(summarise(Outcome));
            });
        },
        [this](const QString& Error) {
            EndWork();
            ShowException(*FPrompts, Error);
            StartNextImport();
        });
}

void TfraMedia::TagBatchDone(const TBatchOutcome& Outcome) {
    FController.SetLibraryVersion(LibraryVersion());
    EndWork();
    // The playlists live on this thread: their entries follow the files that moved here.
    if (FollowMoves(*FPlayLists, Outcome.Moves))
        FMain->RefreshPlayListTracks();
    // The journal stays open until the entries that follow are on disk: a restart before
    // then makes them follow again.
    if (!Outcome.Moves.empty() && FPlayLists->SaveChanged(true).Failed.empty() &&
        !EndBatchJournal(BatchHomeOf(FMediaDB->FileName())))
        ShowException(*FPrompts, QStringLiteral("Cannot close the batch journal."));
    ReloadFilterItems(true);
    StartNextImport();
}

bool TfraMedia::CanUndoBatch() const {
    return FMediaDB && CanUndoLastBatch(BatchHomeOf(FMediaDB->FileName()));
}

void TfraMedia::UndoBatch() {
    if (!CanUndoBatch() || FController.Gate(ECommand::MediaEditMP3Tag, FMediaDB->ReadOnly()) !=
                               TMediaController::TGate::Run)
        return;
    PostBatch(QStringLiteral("Undoing the last batch"), 0, &UndoLastBatch, &UndoSummary);
}

} // namespace orvanta
