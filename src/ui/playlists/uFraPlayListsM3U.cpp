#include "ui/playlists/uFraPlayListsM3U.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>

#include "core/playlists/uM3U.h"
#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/playlists/uFraPlayLists.h"

namespace orvanta {

namespace {
const QString ImportCaption = QStringLiteral("Import Playlist");
const QString Filter = QStringLiteral("M3U Playlists|*.m3u;*.m3u8|All Files|*");
// A longer list of missing files is cut in the question; the rest is counted.
constexpr int ListedMissing = 10;

QString fromStd(const std::string& Text) {
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}
} // namespace

TPlayListFileCommands::TPlayListFileCommands(TfraPlayLists& View, TPlayListManager& Manager,
                                             IMainServices& Main, IPrompts& Prompts)
    : QObject(&View), FView(View), FManager(Manager), FMain(Main), FPrompts(Prompts) {
    FView.popPlayLists->addSeparator();
    mnuPopPlayListsImport = FView.popPlayLists->addAction(QStringLiteral("Import Playlist..."));
    mnuPopPlayListsExport = FView.popPlayLists->addAction(QStringLiteral("Export Playlist..."));
    connect(mnuPopPlayListsImport, &QAction::triggered, this,
            [this] { Guarded(FPrompts, [this] { ImportPlayList(); }); });
    connect(mnuPopPlayListsExport, &QAction::triggered, this,
            [this] { Guarded(FPrompts, [this] { ExportPlayList(); }); });
    connect(FView.popPlayLists, &QMenu::aboutToShow, this,
            [this] { mnuPopPlayListsExport->setEnabled(FView.CurrentPlayList() != nullptr); });
}

void TPlayListFileCommands::ImportPlayList() {
    ImportFiles(FPrompts.AskOpenFiles(ImportCaption, Filter));
}

int TPlayListFileCommands::ImportFiles(const QStringList& Files) {
    int imported = 0;
    for (const QString& file : Files)
        if (ImportFile(file))
            ++imported;
    return imported;
}

bool TPlayListFileCommands::ImportFile(const QString& File) {
    const std::string path = PathFromQString(File);
    std::vector<TM3UEntry> entries;
    std::string error;
    if (!ReadM3UFile(path, entries, error)) {
        FPrompts.Information(fromStd(error));
        return false;
    }
    QStringList missing;
    QStringList refused;
    for (const TM3UEntry& entry : entries)
        if (!entry.Refusal.empty())
            refused << fromStd(entry.Refusal);
        else if (!entry.Exists)
            missing << fromStd(entry.Path);
    bool keepMissing = false;
    if (!missing.isEmpty()) {
        QString listed = QStringList(missing.mid(0, ListedMissing)).join(QStringLiteral("\r\n"));
        if (missing.size() > ListedMissing)
            listed += QStringLiteral("\r\n(and %1 more)").arg(missing.size() - ListedMissing);
        keepMissing = FPrompts.AskYesNo(ImportCaption,
                                        QStringLiteral("These files of %1 were not found:\r\n%2\r\n"
                                                       "Keep them in the playlist?")
                                            .arg(QFileInfo(File).fileName(), listed));
    }

    // The file's name, unless it is taken or cannot be a playlist name: then the user picks.
    std::string name = PlayListNameOfM3U(path);
    while (!ImportM3UEntries(FManager, name, entries, keepMissing, error, LibraryEntries)) {
        FPrompts.Information(fromStd(error));
        const std::optional<QString> answer = FPrompts.AskText(
            ImportCaption, QStringLiteral("Please enter the name for the playlist."),
            PathForDisplay(name));
        if (!answer)
            return false;
        name = PathFromQString(*answer);
    }
    if (!refused.isEmpty())
        FPrompts.Information(refused.join(QStringLiteral("\r\n")));
    FView.ShowPlayListNamed(name);
    FMain.RefreshPlayListNames();
    return true;
}

void TPlayListFileCommands::ExportPlayList() {
    const TPlayList* list = FView.CurrentPlayList();
    if (!list)
        return;
    const std::string name = list->Name;
    const QString file = FPrompts.AskSaveFile(QStringLiteral("Export Playlist"), Filter,
                                              PathForDisplay(name) + QStringLiteral(".m3u8"));
    if (file.isEmpty())
        return;
    const bool relative = FPrompts.AskYesNo(
        QStringLiteral("Export Playlist"),
        QStringLiteral("Write the paths relative to the folder of the playlist file?\r\n"
                       "Choose Yes when the playlist goes with the music, to a phone or "
                       "another computer."));
    // Other programs' changes come in while the questions are open: it may be gone.
    list = FManager.FindByName(name);
    if (!list)
        return;
    std::string error;
    if (!WriteM3UFile(PathFromQString(file), *list, relative, error, LibraryTags))
        FPrompts.Information(fromStd(error));
}

} // namespace orvanta
