#include <QAbstractItemView>
#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QTreeView>

#include "core/common/uDataPaths.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uPlayListLibrary.h"
#include "core/playlists/uPlayListAdd.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uTrackDrag.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsModel.h"

// The Playlists view's optional library columns and the drags its lists take.

namespace orvanta {

namespace {
// Each newer list of rows supersedes the read for the older one.
constexpr int ColumnsLane = 1;
} // namespace

TfraPlayLists::~TfraPlayLists() {
    // The worker's jobs deliver through the inbox: it goes first, then the worker waits.
    delete FLibraryInbox;
    FLibraryInbox = nullptr;
    FLibrary.reset();
}

void TfraPlayLists::SetUpColumnsAndDrags() {
    QHeaderView* header = lvwTracks->header();
    popColumns = new QMenu(this);
    popColumns->setObjectName(QStringLiteral("popColumns"));
    for (const int column :
         {TTrackListModel::colArtist, TTrackListModel::colAlbum, TTrackListModel::colTrackTitle}) {
        header->setSectionHidden(column, true);
        header->resizeSection(column, 160);
        QAction* shown =
            popColumns->addAction(TrackModel->headerData(column, Qt::Horizontal).toString());
        shown->setCheckable(true);
        shown->setData(column);
        connect(shown, &QAction::toggled, header,
                [header, column](bool On) { header->setSectionHidden(column, !On); });
    }
    // The marks follow the columns as the saved state restores them.
    connect(popColumns, &QMenu::aboutToShow, this, [this, header] {
        for (QAction* shown : popColumns->actions())
            shown->setChecked(!header->isSectionHidden(shown->data().toInt()));
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& at) { popColumns->popup(header->mapToGlobal(at)); });

    lvwTracks->setDragEnabled(true);
    lvwTracks->setDragDropMode(QAbstractItemView::DragDrop);
    lvwTracks->setDefaultDropAction(Qt::MoveAction);
    lvwTracks->setDropIndicatorShown(true);
    TrackModel->OnRowsDropped = [this](const std::vector<int>& Rows, int Before) {
        RunGuarded([&] { DropRows(Rows, Before); });
    };
    TrackModel->OnEntriesDropped = [this](const std::vector<std::string>& Entries) {
        if (const TPlayList* shown = FController.Current())
            RunGuarded([&] { AddDroppedEntries(shown->Name, Entries); });
    };
    new TTrackEntriesDrop(lstPlayLists->viewport(), [this](const std::vector<std::string>& Entries,
                                                           const QPoint& At) {
        if (const QListWidgetItem* item = lstPlayLists->itemAt(At))
            RunGuarded([&] {
                AddDroppedEntries(
                    FController.Names().at(static_cast<size_t>(lstPlayLists->row(item))), Entries);
            });
    });
}

void TfraPlayLists::SetLibraryFile(const std::string& LibraryFile) {
    delete FLibraryInbox;
    FLibraryInbox = nullptr;
    FLibrary.reset();
    // The library is never created here.
    if (LibraryFile.empty() || !FileExists(LibraryFile))
        return;
    FLibrary = std::make_unique<TLibraryWorker>(LibraryFile, true);
    FLibraryInbox = new TWorkerInbox(this);
    ReadLibraryColumns();
}

void TfraPlayLists::ReadLibraryColumns() {
    if (!FLibrary || TrackModel->rowCount() == 0)
        return;
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(TrackModel->rowCount()));
    for (int row = 0; row < TrackModel->rowCount(); ++row)
        paths.push_back(PathFromQString(TrackModel->Row(row).Path));
    using TInfos = std::vector<std::optional<TTrackInfo>>;
    FLibraryInbox->Post<TInfos>(
        *FLibrary, ColumnsLane,
        [paths = std::move(paths)](TMyMediaDB& Library, const TCancelToken& Cancel) {
            return LibraryTrackInfos(paths, Library, Cancel);
        },
        [this, generation = TrackModel->Generation()](TInfos Infos) {
            TrackModel->SetLibraryInfo(generation, Infos);
        });
}

void TfraPlayLists::DropRows(const std::vector<int>& Rows, int Before) {
    std::vector<int> targets;
    const TPlayListEdit edit = FController.MoveRows(Rows, Before, targets);
    if (edit == TPlayListEdit::Refused) {
        RefuseUnread();
    } else if (edit == TPlayListEdit::Changed) {
        FillTracks();
        SelectTrackRows(targets);
    }
}

void TfraPlayLists::AddDroppedEntries(const std::string& Name,
                                      const std::vector<std::string>& Entries) {
    TPlayList* target = FManager ? FManager->FindByName(Name) : nullptr;
    if (!target || Entries.empty())
        return;
    const std::string refused = AddEntries(*FManager, *target, Entries);
    RefreshTracks();
    if (!refused.empty())
        FPrompts->Information(PathForDisplay(refused));
}

} // namespace orvanta
