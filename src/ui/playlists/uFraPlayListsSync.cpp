#include <QApplication>
#include <QThread>
#include <algorithm>

#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uPlayListAutoSave.h"

// What the Playlists view shows of the saves and of other programs' changes.

namespace orvanta {

namespace {

const QString ErrorCaption = QStringLiteral("Error");

QString quoted(const std::string& Name) {
    return QStringLiteral("\"%1\"").arg(PathForDisplay(Name));
}

// The manager's reason for each of Names, naming the file, one line each.
QString failures(const TPlayListSync& Sync, const std::vector<std::string>& Names) {
    QStringList lines;
    for (const std::string& name : Names) {
        const auto at = std::find(Sync.Failed.begin(), Sync.Failed.end(), name);
        const auto index = static_cast<std::size_t>(at - Sync.Failed.begin());
        lines << (index < Sync.Errors.size()
                      ? PathForDisplay(Sync.Errors[index])
                      : QStringLiteral("Cannot save the playlist %1.").arg(quoted(name)));
    }
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

void TfraPlayLists::SavePlayLists() {
    if (FAutoSave)
        FAutoSave->SaveNow();
}

void TfraPlayLists::SaveAtExit() {
    if (!FManager)
        return;
    const TPlayListSync sync = FManager->SaveChanged(true);
    if (sync.Failed.empty())
        return;
    FPrompts->ShowMessage(ErrorCaption,
                          QStringLiteral("These playlists could not be saved; their latest "
                                         "changes are lost:\r\n") +
                              failures(sync, sync.Failed),
                          TPromptIcon::Warning);
}

void TfraPlayLists::ShowSync(const TPlayListSync& Sync) {
    Q_ASSERT(thread() == QThread::currentThread());
    // The shown playlist may be gone or reloaded: it is found again by name.
    if (Sync.ChangedOutside && FManager) {
        const bool namesChanged = FController.FollowOutsideChange();
        FillPlayLists();
        ShowSelectedPlayList();
        if (namesChanged)
            FMain->PlayListsChangedOutside();
    }
    QStringList notes;
    for (const auto& [name, copy] : Sync.Conflicts)
        notes << QStringLiteral("%1 was changed by another program; your version is now %2.")
                     .arg(quoted(name), quoted(copy));
    for (const std::string& name : Sync.Failed)
        notes << QStringLiteral("Cannot save the playlist %1.").arg(quoted(name));
    if (!notes.isEmpty())
        FMain->SetPlayListInfo(notes.join(QStringLiteral(" ")));
    ReportFailedSaves(Sync);
}

void TfraPlayLists::ReportFailedSaves(const TPlayListSync& Sync) {
    const std::vector<std::string> fresh = FController.UntoldFailures(Sync);
    // Not over a dialog the user is answering: a later save tells it.
    if (fresh.empty() || QApplication::activeModalWidget() != nullptr)
        return;
    FController.MarkTold(fresh);
    FPrompts->ShowMessage(ErrorCaption,
                          failures(Sync, fresh) +
                              QStringLiteral("\r\nOrvanta keeps trying; until then the "
                                             "changes are only in memory."),
                          TPromptIcon::Warning);
}

} // namespace orvanta
