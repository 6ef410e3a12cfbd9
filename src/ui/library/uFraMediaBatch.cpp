// Edit Tag over several rows: the tag dialog plans, the batch runs on the writer with the
// progress strip and Cancel, and a summary closes it. The rows shown are then read again from
// the library, and the playlists follow the files that moved.
#include <QDialog>
#include <QStringList>

#include "core/batch/uBatchFields.h"
#include "core/batch/uBatchRun.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uTMyMediaDB.h"
#include "ui/common/uGuard.h"
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

QString Summary(const TBatchOutcome& Outcome, int Total) {
    QString text =
        Outcome.Cancelled ? QStringLiteral("Cancelled after the file in hand.\r\n") : QString();
    text += QStringLiteral("%1 of %2 files written").arg(Outcome.Written).arg(Total);
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

} // namespace

void TfraMedia::EditSeveralTags(const std::vector<int>& Rows) {
    std::vector<std::string> paths;
    paths.reserve(Rows.size());
    for (int row : Rows)
        paths.push_back(MediaModel->Item(row).FullPath());
    TfrmMP3Tag dialog(*FPrompts, this);
    if (!dialog.LoadFiles(*FMediaDB, paths))
        return;
    if (dialog.exec() == QDialog::Accepted && !dialog.Plan().empty())
        RunTagBatch(dialog.Plan());
}

void TfraMedia::RunTagBatch(TBatchPlan Plan) {
    const int total = static_cast<int>(Plan.size());
    BeginWork(TWork::TagBatch, QStringLiteral("Writing tags"), total);
    auto progress = ProgressSender(TWork::TagBatch, QStringLiteral("Writing tags: file %1 of %2"));
    FInbox->Post<TBatchOutcome>(
        *FWriter, TLibraryWorker::NoLane,
        [plan = std::move(Plan), progress, stop = FStopWork](TMyMediaDB& Library,
                                                             const TCancelToken& Cancel) {
            TBatchHooks hooks;
            hooks.Progress = [progress](int Done, int Total, const std::string&) {
                progress(Done, Total);
            };
            hooks.Cancelled = [stop, Cancel] { return *stop || Cancel.Cancelled(); };
            return RunBatch(plan, {BatchHomeOf(Library.FileName()), &Library}, hooks);
        },
        [this, total](TBatchOutcome Outcome) {
            RunGuarded([&] {
                TagBatchDone(Outcome);
                FPrompts->Information(Summary(Outcome, total));
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
    ReloadFilterItems(true);
    StartNextImport();
    static_cast<void>(Outcome);
}

} // namespace orvanta
