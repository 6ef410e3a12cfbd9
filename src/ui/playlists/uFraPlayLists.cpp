#include "ui/playlists/uFraPlayLists.h"

#include <QAction>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>
#include <QThread>
#include <QTreeView>
#include <algorithm>

#include "core/common/uDisplayUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/playlists/uPlayListAdd.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uFileDrop.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uRowKeys.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/playlists/uPlayListAutoSave.h"

namespace orvanta {

namespace {
const char* const TagProperty = "Tag";
const char* const CommandProperty = "Command";
// A name is bytes, as its file's name: the line shows it decoded, this role keeps the bytes.
constexpr int NameRole = Qt::UserRole;

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QListWidgetItem* nameItem(const std::string& Name) {
    auto* item = new QListWidgetItem(PathForDisplay(Name));
    item->setData(NameRole, PathToQString(Name));
    return item;
}
} // namespace

TfraPlayLists::TfraPlayLists(QWidget* Parent) : TViewFrame(Parent) {
    setObjectName(QStringLiteral("fraPlayLists1"));
    auto* frameLayout = new QHBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    pnlContainer = new QWidget(this);
    pnlContainer->setObjectName(QStringLiteral("pnlContainer"));
    frameLayout->addWidget(pnlContainer);
    auto* containerLayout = new QHBoxLayout(pnlContainer);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    pnlPlayLists = new QWidget(pnlContainer);
    pnlPlayLists->setObjectName(QStringLiteral("pnlPlayLists"));
    pnlPlayLists->setProperty(TagProperty, 0);
    containerLayout->addWidget(pnlPlayLists);
    auto* layout = new QHBoxLayout(pnlPlayLists);
    layout->setContentsMargins(0, 0, 0, 0);

    splPlayLists = new QSplitter(Qt::Horizontal, pnlPlayLists);
    splPlayLists->setObjectName(QStringLiteral("splPlayLists"));
    splPlayLists->setChildrenCollapsible(false);
    layout->addWidget(splPlayLists);

    lstPlayLists = new QListWidget(splPlayLists);
    lstPlayLists->setObjectName(QStringLiteral("lstPlayLists"));
    lstPlayLists->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPlayLists->setMinimumWidth(100);
    lstPlayLists->setContextMenuPolicy(Qt::CustomContextMenu);

    TrackModel = new TTrackListModel(this);
    lvwTracks = new QTreeView(splPlayLists);
    lvwTracks->setObjectName(QStringLiteral("lvwTracks"));
    lvwTracks->setModel(TrackModel);
    lvwTracks->setRootIsDecorated(false);
    lvwTracks->setUniformRowHeights(true);
    lvwTracks->setItemsExpandable(false);
    lvwTracks->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwTracks->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwTracks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwTracks->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwTracks->setIconSize(QSize(16, 16));
    lvwTracks->header()->setSectionsMovable(false);
    lvwTracks->header()->resizeSection(0, 400);
    lvwTracks->header()->resizeSection(1, 75);
    lvwTracks->setMinimumWidth(100);

    splPlayLists->addWidget(lstPlayLists);
    splPlayLists->addWidget(lvwTracks);
    splPlayLists->setStretchFactor(1, 1);
    splPlayLists->setSizes({145, 600});

    for (QWidget* list : {static_cast<QWidget*>(lstPlayLists), static_cast<QWidget*>(lvwTracks)})
        list->installEventFilter(this);

    // Files dropped on a playlist's name or on its tracks go to the library and to it.
    new TFileDrop(lstPlayLists->viewport(), [this](const QStringList& Paths, const QPoint& At) {
        if (const QListWidgetItem* item = lstPlayLists->itemAt(At))
            RunGuarded([&] {
                DropOn(FController.Names().at(static_cast<size_t>(lstPlayLists->row(item))), Paths);
            });
    });
    new TFileDrop(lvwTracks->viewport(), [this](const QStringList& Paths, const QPoint&) {
        if (const TPlayList* shown = FController.Current())
            RunGuarded([&] { DropOn(shown->Name, Paths); });
    });

    CreateMenus();
    SetUpColumnsAndDrags();
    connect(lstPlayLists, &QListWidget::itemSelectionChanged, this,
            &TfraPlayLists::lstPlayListsClick);
    connect(lstPlayLists, &QListWidget::itemDoubleClicked, this,
            [this] { DoCommand(ECommand::PlayListsPlay); });
    connect(lvwTracks, &QTreeView::doubleClicked, this, &TfraPlayLists::lvwTracksDblClick);
    AddRowKeys(*lstPlayLists, [this](const QModelIndex&) { DoCommand(ECommand::PlayListsPlay); });
    AddRowKeys(*lvwTracks, [this](const QModelIndex&) { lvwTracksDblClick(); });
    connect(lstPlayLists, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popPlayLists->popup(lstPlayLists->mapToGlobal(at)); });
    connect(lvwTracks, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popTracksPopup();
        popTracks->popup(lvwTracks->viewport()->mapToGlobal(at));
    });
}

void TfraPlayLists::CreateMenus() {
    popPlayLists = new QMenu(this);
    popPlayLists->setObjectName(QStringLiteral("popPlayLists"));
    AddMenuItem(popPlayLists, QStringLiteral("Play Playlist"), ECommand::PlayListsPlay);
    popPlayLists->addSeparator();
    AddMenuItem(popPlayLists, QStringLiteral("New Playlist"), ECommand::PlayListsNew);
    AddMenuItem(popPlayLists, QStringLiteral("Rename Playlist..."), ECommand::PlayListsRename);
    AddMenuItem(popPlayLists, QStringLiteral("Remove Playlist"), ECommand::PlayListsRemove);
    popPlayLists->addSeparator();
    AddMenuItem(popPlayLists, QStringLiteral("Shuffle Playlist"), ECommand::PlayListsShuffle);

    popTracks = new QMenu(this);
    popTracks->setObjectName(QStringLiteral("popTracks"));
    AddMenuItem(popTracks, QStringLiteral("Play Track"), ECommand::PlayListsPlayTrack);
    AddMenuItem(popTracks, QStringLiteral("Play From Here"), ECommand::PlayListsPlayFromHere);
    popTracks->addSeparator();
    AddMenuItem(popTracks, QStringLiteral("Remove Tracks"), ECommand::PlayListsRemoveTracks);
    popTracks->addSeparator();
    AddMenuItem(popTracks, QStringLiteral("Move Track Up"), ECommand::PlayListsMoveTrackUp);
    AddMenuItem(popTracks, QStringLiteral("Move Track Down"), ECommand::PlayListsMoveTrackDown);
}

QAction* TfraPlayLists::AddMenuItem(QMenu* Menu, const QString& Caption, ECommand Command) {
    QAction* item = Menu->addAction(Caption);
    item->setProperty(CommandProperty, QVariant::fromValue(Command));
    connect(item, &QAction::triggered, this, &TfraPlayLists::mnuPopPlayListsClick);
    return item;
}

void TfraPlayLists::mnuPopPlayListsClick() {
    DoCommand(sender()->property(CommandProperty).value<ECommand>());
}

void TfraPlayLists::Initialize(TPlayListManager& Manager, IMainServices& Main, IPrompts& Prompts) {
    FManager = &Manager;
    FMain = &Main;
    FPrompts = &Prompts;
    GuardWith(Prompts);
    FController.Attach(&Manager);
    FillPlayLists();
    if (FManager->Count() > 0)
        SelectPlayList(0);
    delete FAutoSave;
    FAutoSave = new TPlayListAutoSave(
        Manager, [this](const TPlayListSync& Sync) { ShowSync(Sync); }, this);
}

void TfraPlayLists::Finalize() {
    delete FAutoSave;
    FAutoSave = nullptr;
    FManager = nullptr;
    FController.Attach(nullptr);
}

bool TfraPlayLists::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::FocusIn) {
        SetFocusMarker(Watched == lstPlayLists ? 1 : 2);
    } else if (Event->type() == QEvent::FocusOut) {
        // A popup menu or another window taking the keyboard is not leaving the list: the
        // track menu's Move commands still need the marker.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(Event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            SetFocusMarker(0);
    }
    return TViewFrame::eventFilter(Watched, Event);
}

void TfraPlayLists::SetFocusMarker(int Marker) {
    pnlPlayLists->setProperty(TagProperty, Marker);
}

int TfraPlayLists::FocusMarker() const {
    return pnlPlayLists->property(TagProperty).toInt();
}

void TfraPlayLists::RunCommand(ECommand Command) {
    if (!FManager)
        return;
    switch (Command) {
    case ECommand::PlayListsPlay:
        PlayPlayList();
        break;
    case ECommand::PlayListsNew:
        NewPlayList();
        break;
    case ECommand::PlayListsRename:
        RenamePlayList();
        break;
    case ECommand::PlayListsRemove:
        RemovePlayList();
        break;
    case ECommand::PlayListsShuffle:
        ShufflePlayList();
        break;
    case ECommand::PlayListsPlayTrack:
        PlayTrack();
        break;
    case ECommand::PlayListsRemoveTracks:
        RemoveTracks();
        break;
    case ECommand::PlayListsMoveTrackUp:
        MoveTrack(-1);
        break;
    case ECommand::PlayListsMoveTrackDown:
        MoveTrack(1);
        break;
    case ECommand::PlayListsPlayFromHere:
        PlayFromHere();
        break;
    default:
        break;
    }
}

void TfraPlayLists::FillPlayLists() {
    const QSignalBlocker blocker(lstPlayLists);
    lstPlayLists->setUpdatesEnabled(false);
    lstPlayLists->clear();
    for (const std::string& name : FController.Names())
        lstPlayLists->addItem(nameItem(name));
    if (FController.Selected() >= 0)
        lstPlayLists->setCurrentRow(FController.Selected(), QItemSelectionModel::ClearAndSelect);
    lstPlayLists->setUpdatesEnabled(true);
}

void TfraPlayLists::ShowPlayListNamed(const std::string& Name) {
    FController.ShowNamed(Name);
    FillPlayLists();
    ShowSelectedPlayList();
}

bool TfraPlayLists::RefuseUnread() {
    const std::string refusal = TPlayListsController::ChangeRefusal(*FManager, CurrentPlayList());
    if (refusal.empty())
        return false;
    FPrompts->Information(PathForDisplay(refusal));
    return true;
}

void TfraPlayLists::DropOn(const std::string& Name, const QStringList& Paths) {
    const TPlayList* list = FManager ? FManager->FindByName(Name) : nullptr;
    if (!list || !FMain)
        return;
    if (FManager->IsUnread(list)) {
        FPrompts->Information(PathForDisplay(UnreadPlayListMessage(list->Name)));
        return;
    }
    FMain->AddToLibrary(Paths, PathToQString(list->Name));
}

int TfraPlayLists::SelectedPlayListRow() const {
    const QList<QListWidgetItem*> selected = lstPlayLists->selectedItems();
    return selected.isEmpty() ? -1 : lstPlayLists->row(selected.first());
}

void TfraPlayLists::SelectPlayList(int Index) {
    if (Index < -1 || Index >= lstPlayLists->count() || !FController.Select(Index))
        return;
    {
        const QSignalBlocker blocker(lstPlayLists);
        lstPlayLists->clearSelection();
        if (Index >= 0) {
            lstPlayLists->setCurrentRow(Index, QItemSelectionModel::ClearAndSelect);
        }
    }
    ShowSelectedPlayList();
}

void TfraPlayLists::lstPlayListsClick() {
    if (FManager && FController.Select(SelectedPlayListRow()))
        ShowSelectedPlayList();
}

void TfraPlayLists::ShowSelectedPlayList() {
    Q_ASSERT(thread() == QThread::currentThread());
    FillTracks();
    if (!CurrentPlayList())
        return;
    ShowPlayMode();
    ShowPlayListInfo();
}

void TfraPlayLists::FillTracks() {
    std::vector<TTrackListModel::TRow> rows;
    rows.reserve(FController.Rows().size());
    const QString space = QStringLiteral(" ");
    for (const TPlayListRow& row : FController.Rows())
        rows.push_back({space + fromStd(row.Title), fromStd(row.Duration), PathToQString(row.Path),
                        row.Duration == FormatDuration(0)});
    TrackModel->SetRows(std::move(rows));
    ReadLibraryColumns();
}

void TfraPlayLists::ShowPlayListInfo() {
    if (CurrentPlayList())
        FMain->SetPlayListInfo(fromStd(FController.Info()));
}

void TfraPlayLists::RefreshTracks() {
    Q_ASSERT(thread() == QThread::currentThread());
    if (!FManager || !CurrentPlayList())
        return;
    FController.Refresh();
    FillTracks();
    ShowPlayListInfo();
}

void TfraPlayLists::ShowPlayMode() {
    const std::int32_t mode = CurrentPlayList()->PlayMode;
    // Any other mode plays as Normal, so the box says so.
    FMain->SetPlayListModeIndex(mode >= pmNormal && mode <= pmRandom ? mode : pmNormal);
}

void TfraPlayLists::ApplyPlayMode() {
    if (!CurrentPlayList() || !FMain)
        return;
    if (FController.SetPlayMode(FMain->PlayListModeIndex()) == TPlayListEdit::Refused) {
        RefuseUnread();
        ShowPlayMode();
    }
}

bool TfraPlayLists::ConfirmRemove(const QString& Name) {
    return FPrompts->ConfirmAction(QStringLiteral("Do you really want to remove\r\n") + Name +
                                   QStringLiteral(" ?"));
}

void TfraPlayLists::PlayPlayList() {
    if (FController.CanPlayPlayList())
        FMain->PlayPlayList(*CurrentPlayList());
}

void TfraPlayLists::NewPlayList() {
    const std::optional<QString> answer = FPrompts->AskText(
        QStringLiteral("New Playlist"), QStringLiteral("Please enter the name for the playlist."),
        QStringLiteral("New Playlist"));
    if (!answer)
        return;
    const std::string name = PathFromQString(*answer);
    std::string refusal = TPlayListsController::NewNameRefusal(*FManager, name);
    // A name that cannot be a file name would be lost at shutdown.
    if (refusal.empty() && !FController.AddPlayList(name))
        refusal = InvalidPlayListNameMessage;
    if (!refusal.empty()) {
        FPrompts->Information(QString::fromStdString(refusal));
        return;
    }
    FillPlayLists();
    ShowSelectedPlayList();
    FMain->RefreshPlayListNames();
}

void TfraPlayLists::RenamePlayList() {
    if (!CurrentPlayList() || RefuseUnread())
        return;
    const std::string oldName = CurrentPlayList()->Name;
    const QString shown = PathForDisplay(oldName);
    const std::optional<QString> answer =
        FPrompts->AskText(QStringLiteral("Rename Playlist"),
                          QStringLiteral("Please enter the new name for the playlist."), shown);
    if (!answer || answer->isEmpty())
        return;
    // Accepted as shown, a name that is not UTF-8 still means its own bytes.
    const std::string newName = *answer == shown ? oldName : PathFromQString(*answer);
    // Another program may have removed it while the question was open.
    if (!FManager->Exists(oldName))
        return;
    if (FManager->Exists(newName)) {
        FPrompts->Information(QString::fromLatin1(PlayListNameTakenMessage));
        return;
    }
    const TPlayListRename renamed = FManager->RenamePlayList(oldName, newName);
    // The rename took in other programs' changes first: the shown playlist may be gone.
    ShowSync(renamed.Sync);
    ShowPlayListNamed(renamed ? newName : oldName);
    if (renamed)
        FMain->RefreshPlayListNames();
    else
        FPrompts->Information(PathForDisplay(renamed.Error));
}

void TfraPlayLists::RemovePlayList() {
    if (!CurrentPlayList())
        return;
    const std::string name = CurrentPlayList()->Name;
    if (!ConfirmRemove(PathForDisplay(name)))
        return;
    // Another program may have removed it while the question was open.
    if (!FController.RemovePlayList(name))
        return;
    FillPlayLists();
    ShowSelectedPlayList();
    FMain->RefreshPlayListNames();
}

void TfraPlayLists::ShufflePlayList() {
    const TPlayListEdit edit = FController.Shuffle();
    if (edit == TPlayListEdit::Refused)
        RefuseUnread();
    else if (edit == TPlayListEdit::Changed)
        FillTracks();
}

std::vector<int> TfraPlayLists::SelectedTrackRows() const {
    std::vector<int> rows;
    const QModelIndexList selected = lvwTracks->selectionModel()->selectedRows();
    rows.reserve(static_cast<size_t>(selected.size()));
    for (const QModelIndex& index : selected)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfraPlayLists::SelectTrackRows(const std::vector<int>& Rows) {
    QItemSelection selection;
    for (int row : Rows)
        selection.select(TrackModel->index(row, 0),
                         TrackModel->index(row, TrackModel->columnCount() - 1));
    lvwTracks->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!Rows.empty())
        lvwTracks->selectionModel()->setCurrentIndex(TrackModel->index(Rows.front(), 0),
                                                     QItemSelectionModel::NoUpdate);
}

void TfraPlayLists::PlayTrack() {
    const std::vector<int> rows = SelectedTrackRows();
    if (!rows.empty())
        FMain->PlayTrack(TrackModel->Row(rows.front()).Path);
}

void TfraPlayLists::lvwTracksDblClick() {
    DoCommand(FMain && FMain->ContinueThroughList() ? ECommand::PlayListsPlayFromHere
                                                    : ECommand::PlayListsPlayTrack);
}

void TfraPlayLists::PlayFromHere() {
    const std::vector<int> rows = SelectedTrackRows();
    if (CurrentPlayList() && !rows.empty())
        FMain->PlayFromHere(*CurrentPlayList(), rows.front());
}

void TfraPlayLists::RemoveTracks() {
    const TPlayListEdit edit = FController.RemoveRows(SelectedTrackRows());
    if (edit == TPlayListEdit::Refused) {
        RefuseUnread();
    } else if (edit == TPlayListEdit::Changed) {
        FillTracks();
        ShowPlayListInfo();
    }
}

void TfraPlayLists::MoveTrack(int Step) {
    if (!CurrentPlayList() || FocusMarker() != 2)
        return;
    const std::vector<int> rows = SelectedTrackRows();
    if (rows.empty())
        return;
    int target = -1;
    const TPlayListEdit edit = FController.MoveRow(rows.front(), Step, target);
    if (edit == TPlayListEdit::Refused) {
        RefuseUnread();
    } else if (edit == TPlayListEdit::Changed) {
        FillTracks();
        SelectTrackRows({target});
    }
}

void TfraPlayLists::popTracksPopup() {
    const TTrackCommands enabled = TPlayListsController::EnabledFor(SelectedTrackRows().size());
    const QList<QAction*> items = popTracks->actions();
    for (QAction* item : items) {
        if (item->isSeparator())
            continue;
        const auto command = item->property(CommandProperty).value<ECommand>();
        item->setEnabled(command == ECommand::PlayListsPlayTrack      ? enabled.PlayTrack
                         : command == ECommand::PlayListsPlayFromHere ? enabled.PlayFromHere
                         : command == ECommand::PlayListsRemoveTracks ? enabled.Remove
                                                                      : enabled.Move);
    }
}

} // namespace orvanta
