#include <QApplication>
#include <QListWidget>
#include <algorithm>

#include "playlists/uFraPlayLists.h"
#include "playlists/uPlayListAutoSave.h"
#include "playlists/uTPlayListManager.h"
#include "shell/uMainServices.h"
#include "shell/uPrompts.h"
#include "shell/uQtPath.h"

// What the Playlists view shows of the saves and of other programs' changes.

namespace orvanta {

namespace {

const QString ErrorCaption = QStringLiteral("Error");

QString quoted(const std::string& Name) {
    return QStringLiteral("\"%1\"").arg(PathForDisplay(Name));
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
    QStringList names;
    for (const std::string& name : sync.Failed)
        names << quoted(name);
    FPrompts->ShowMessage(ErrorCaption,
                          QStringLiteral("These playlists could not be saved; their latest "
                                         "changes are lost:\r\n") +
                              names.join(QStringLiteral("\r\n")),
                          TPromptIcon::Warning);
}

void TfraPlayLists::ShowSync(const TPlayListSync& Sync) {
    if (Sync.ChangedOutside) {
        // The shown playlist may be gone or reloaded: find it again by name.
        const auto names = [this] {
            std::vector<std::string> listed;
            for (int row = 0; row < lstPlayLists->count(); ++row)
                listed.push_back(NameAt(row));
            return listed;
        };
        const std::vector<std::string> before = names();
        const int row = SelectedPlayListRow();
        ShowPlayListNamed(row >= 0 ? before[static_cast<std::size_t>(row)] : std::string());
        if (before != names())
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
    if (Sync.Deferred)
        return;
    // A playlist that saved since may fail again later, and is then told of again.
    std::erase_if(FToldFailures, [&Sync](const std::string& name) {
        return std::find(Sync.Failed.begin(), Sync.Failed.end(), name) == Sync.Failed.end();
    });
    QStringList fresh;
    for (const std::string& name : Sync.Failed)
        if (!FToldFailures.contains(name))
            fresh << quoted(name);
    // Not over a dialog the user is answering: a later save tells it.
    if (fresh.isEmpty() || QApplication::activeModalWidget() != nullptr)
        return;
    FToldFailures.insert(Sync.Failed.begin(), Sync.Failed.end());
    FPrompts->ShowMessage(ErrorCaption,
                          QStringLiteral("Cannot save the playlist %1. Orvanta keeps trying; "
                                         "until then its changes are only in memory.")
                              .arg(fresh.join(QStringLiteral(", "))),
                          TPromptIcon::Warning);
}

} // namespace orvanta
