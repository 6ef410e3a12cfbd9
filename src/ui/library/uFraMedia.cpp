#include "ui/library/uFraMedia.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/tablestore/uTEasyQuery.h"
#include "ui/common/uFileDrop.h"
#include "ui/common/uLibraryStart.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uRowKeys.h"
#include "ui/common/uShellOpen.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {

const char* const CommandProperty = "Command";

// A table whose Home and End keys go to the first and last track, as in any list, rather than
// to the first and last column.
class TTrackTable : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override {
        if (Action == MoveHome || Action == MoveEnd)
            Modifiers |= Qt::ControlModifier;
        return QTableView::moveCursor(Action, Modifiers);
    }
};

} // namespace

TfraMedia::TfraMedia(QWidget* Parent) : TViewFrame(Parent), OnLocateFile(ShellOpen) {
    setObjectName(QStringLiteral("fraMedia1"));
    FInbox = new TWorkerInbox(this);
    CreateControls();
    CreateMenu();
    tmrOutside = new QTimer(this);
    tmrOutside->setInterval(1000);
    connect(tmrOutside, &QTimer::timeout, this, [this] {
        if (FSearch)
            FSearch->LookForChanges();
        RunGuarded([this] { FollowOutsideChanges(); });
    });
}

TfraMedia::~TfraMedia() = default;

void TfraMedia::CancelWork() {
    if (FStopWork)
        *FStopWork = true;
}

void TfraMedia::CreateControls() {
    auto* frameLayout = new QVBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    pnlContainer = new QWidget(this);
    pnlContainer->setObjectName(QStringLiteral("pnlContainer"));
    frameLayout->addWidget(pnlContainer);
    auto* containerLayout = new QVBoxLayout(pnlContainer);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    pnlMedia = new QWidget(pnlContainer);
    pnlMedia->setObjectName(QStringLiteral("pnlMedia"));
    containerLayout->addWidget(pnlMedia);
    auto* mediaLayout = new QVBoxLayout(pnlMedia);
    mediaLayout->setContentsMargins(0, 0, 0, 0);
    mediaLayout->setSpacing(2);

    splMedia = new QSplitter(Qt::Horizontal, pnlMedia);
    splMedia->setObjectName(QStringLiteral("splMedia"));
    splMedia->setChildrenCollapsible(false);
    mediaLayout->addWidget(splMedia, 1);

    pnlFilter = new QWidget(splMedia);
    pnlFilter->setObjectName(QStringLiteral("pnlFilter"));
    pnlFilter->setMinimumWidth(100);
    auto* filterLayout = new QVBoxLayout(pnlFilter);
    filterLayout->setContentsMargins(0, 0, 0, 0);
    filterLayout->setSpacing(2);
    cmbFilter = new QComboBox(pnlFilter);
    cmbFilter->setObjectName(QStringLiteral("cmbFilter"));
    // The library's three kinds first, as they always were; album artists after them.
    cmbFilter->addItems({QStringLiteral("Artists"), QStringLiteral("Albums"),
                         QStringLiteral("Genres"), QStringLiteral("Album Artists")});
    filterLayout->addWidget(cmbFilter);
    FFilterModel = new QStringListModel(this);
    lstItems = new QListView(pnlFilter);
    lstItems->setObjectName(QStringLiteral("lstItems"));
    lstItems->setModel(FFilterModel);
    lstItems->setUniformItemSizes(true);
    lstItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstItems->setSelectionMode(QAbstractItemView::SingleSelection);
    filterLayout->addWidget(lstItems, 1);

    auto* pnlList = new QWidget(splMedia);
    auto* listLayout = new QVBoxLayout(pnlList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    txtSearch = new QLineEdit(pnlList);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Search (Ctrl+F)"));
    txtSearch->setClearButtonEnabled(true);
    listLayout->addWidget(txtSearch);
    lblSearchScope = new QLabel(pnlList);
    lblSearchScope->setObjectName(QStringLiteral("lblSearchScope"));
    lblSearchScope->setTextFormat(Qt::RichText);
    lblSearchScope->setWordWrap(true);
    lblSearchScope->hide();
    listLayout->addWidget(lblSearchScope);

    MediaModel = new TMediaListModel(this);
    MediaModel->SetSource([this](const std::vector<std::int64_t>& Ids) { return FetchItems(Ids); },
                          [this](int Column, std::function<void(std::vector<std::int64_t>)> Done) {
                              RequestRanks(Column, std::move(Done));
                          },
                          [this](std::function<void()> Work, std::function<void()> Done) {
                              InBackground(std::move(Work), std::move(Done));
                          });
    // A table rather than a tree: a tree view keeps 40 bytes of layout per row, which at a
    // million rows is more fresh memory than the window can wait for.
    lvwMedia = new TTrackTable(pnlList);
    listLayout->addWidget(lvwMedia, 1);
    lvwMedia->setObjectName(QStringLiteral("lvwMedia"));
    lvwMedia->setModel(MediaModel);
    lvwMedia->setShowGrid(false);
    lvwMedia->setWordWrap(false);
    lvwMedia->setTabKeyNavigation(false);
    lvwMedia->setCornerButtonEnabled(false);
    lvwMedia->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwMedia->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwMedia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwMedia->setDragEnabled(true);
    lvwMedia->setDragDropMode(QAbstractItemView::DragOnly);
    lvwMedia->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwMedia->setIconSize(QSize(16, 16));
    lvwMedia->setMinimumWidth(100);
    QHeaderView* rows = lvwMedia->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(std::max(lvwMedia->fontMetrics().height(), 16) + 4);
    QHeaderView* header = lvwMedia->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    const int widths[TMediaListModel::ColumnCount] = {200, 100, 100, 50, 75, 75,
                                                      75,  75,  35,  75, 100};
    for (int column = 0; column < TMediaListModel::ColumnCount; ++column)
        header->resizeSection(column, widths[column]);
    header->moveSection(TMediaListModel::colTrack, 0);
    popColumns = new QMenu(this);
    for (const int column : {TMediaListModel::colFormat, TMediaListModel::colAlbumArtist}) {
        header->setSectionHidden(column, true);
        QAction* shown =
            popColumns->addAction(MediaModel->headerData(column, Qt::Horizontal).toString());
        shown->setCheckable(true);
        connect(shown, &QAction::toggled, header,
                [header, column](bool On) { header->setSectionHidden(column, !On); });
    }
    // The marks follow the columns as the saved state restores them.
    connect(popColumns, &QMenu::aboutToShow, this, [this, header] {
        const QList<QAction*> shown = popColumns->actions();
        shown[0]->setChecked(!header->isSectionHidden(TMediaListModel::colFormat));
        shown[1]->setChecked(!header->isSectionHidden(TMediaListModel::colAlbumArtist));
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& at) { popColumns->popup(header->mapToGlobal(at)); });

    splMedia->addWidget(pnlFilter);
    splMedia->addWidget(pnlList);
    splMedia->setStretchFactor(1, 1);
    splMedia->setSizes({145, 600});

    pnlProgress = new QWidget(pnlMedia);
    pnlProgress->setObjectName(QStringLiteral("pnlProgress"));
    auto* progressLayout = new QHBoxLayout(pnlProgress);
    progressLayout->setContentsMargins(4, 0, 4, 2);
    lblProgress = new QLabel(pnlProgress);
    lblProgress->setTextFormat(Qt::PlainText);
    prgProgress = new QProgressBar(pnlProgress);
    prgProgress->setFixedWidth(200);
    cmdCancelWork = new QPushButton(QStringLiteral("Cancel"), pnlProgress);
    progressLayout->addWidget(lblProgress, 1);
    progressLayout->addWidget(prgProgress);
    progressLayout->addWidget(cmdCancelWork);
    pnlProgress->hide();
    mediaLayout->addWidget(pnlProgress);

    connect(cmbFilter, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { RunGuarded([this] { cmbFilterChange(); }); });
    connect(lstItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { RunGuarded([this] { lstItemsClick(); }); });
    // A click on the entry already chosen lists it again, as a click on another one does.
    connect(lstItems, &QListView::clicked, this,
            [this] { RunGuarded([this] { lstItemsClick(); }); });
    connect(txtSearch, &QLineEdit::textChanged, this,
            [this] { RunGuarded([this] { SearchTyped(); }); });
    connect(lblSearchScope, &QLabel::linkActivated, this,
            [this] { RunGuarded([this] { SearchWholeLibrary(); }); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        txtSearch->setFocus(Qt::ShortcutFocusReason);
        txtSearch->selectAll();
    });
    auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), txtSearch);
    clear->setContext(Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, txtSearch, &QLineEdit::clear);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int Column) { RunGuarded([this, Column] { lvwMediaColumnClick(Column); }); });
    connect(lvwMedia, &QTableView::doubleClicked, this, &TfraMedia::lvwMediaDblClick);
    AddRowKeys(*lvwMedia, [this](const QModelIndex& Row) { lvwMediaDblClick(Row); });
    connect(lvwMedia, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popMediaPopup();
        popMedia->popup(lvwMedia->viewport()->mapToGlobal(at));
    });
    connect(cmdCancelWork, &QPushButton::clicked, this, &TfraMedia::CancelWork);
    new TFileDrop(lvwMedia->viewport(), [this](const QStringList& Paths, const QPoint&) {
        RunGuarded([this, &Paths] { AddPaths(Paths); });
    });
}

QAction* TfraMedia::AddMenuItem(const QString& Caption, ECommand Command) {
    QAction* item = popMedia->addAction(Caption);
    item->setProperty(CommandProperty, QVariant::fromValue(Command));
    connect(item, &QAction::triggered, this, &TfraMedia::mnuPopMediaClick);
    return item;
}

void TfraMedia::CreateMenu() {
    popMedia = new QMenu(this);
    popMedia->setObjectName(QStringLiteral("popMedia"));
    mnuPopMediaPlayFile = AddMenuItem(QStringLiteral("Play File"), ECommand::MediaPlayFile);
    mnuPopMediaPlayAlbum = AddMenuItem(QStringLiteral("Play Album"), ECommand::MediaPlayAlbum);
    mnuPopMediaLocateFile =
        AddMenuItem(QStringLiteral("Locate File..."), ECommand::MediaLocateFile);
    popMedia->addSeparator();
    mnuPopMediaEditMP3Tag =
        AddMenuItem(QStringLiteral("Edit MP3 Tag..."), ECommand::MediaEditMP3Tag);
    mnuPopMediaReplayGain =
        AddMenuItem(QStringLiteral("Calculate ReplayGain"), ECommand::MediaReplayGain);
    popMedia->addSeparator();
    mnuPopMediaAddFiles = AddMenuItem(QStringLiteral("Add Files..."), ECommand::MediaAddFiles);
    mnuPopMediaAddFolder = AddMenuItem(QStringLiteral("Add Folder..."), ECommand::MediaAddFolder);
    mnuPopMediaRemoveFiles =
        AddMenuItem(QStringLiteral("Remove Files"), ECommand::MediaRemoveFiles);
    popMedia->addSeparator();
    mnuPopMediaRefreshMedia =
        AddMenuItem(QStringLiteral("Refresh Media"), ECommand::MediaRefreshMedia);
    mnuPopMediaFindMedia = AddMenuItem(QStringLiteral("Find Media..."), ECommand::MediaFindMedia);
    mnuPopMediaFindMedia->setVisible(false);
    popMedia->addSeparator();
    mnuPopMediaAddFilesToPlayList =
        AddMenuItem(QStringLiteral("Add Files to Playlist"), ECommand::MediaAddFilesToPlayList);
}

void TfraMedia::mnuPopMediaClick() {
    DoCommand(sender()->property(CommandProperty).value<ECommand>());
}

void TfraMedia::Initialize(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                           const TCustomStringList& FileTypes, IMainServices& Main,
                           IPrompts& Prompts, TListingStart Start) {
    FMediaDB = &MediaDB;
    FPlayLists = &PlayLists;
    FMain = &Main;
    FPrompts = &Prompts;
    GuardWith(Prompts);
    FMaintenance = std::make_unique<TMediaMaintenance>(MediaDB, PlayLists, FileTypes);
    FFileTypes = &FileTypes;
    // The reader only reads, so it opens read-only: the window's connection made the checks of
    // a writable open already.
    FWorker = Start.Reader ? std::move(Start.Reader)
                           : std::make_unique<TLibraryWorker>(MediaDB.FileName(), true);
    FEarlyRows = std::move(Start.All);
    FWriter = std::make_unique<TLibraryWorker>(MediaDB.FileName(), MediaDB.ReadOnly());
    // Closing the window while files are added ends the add after the file in hand.
    if (window() != this)
        window()->installEventFilter(this);
    // The list first, so the window is usable at once; then the rows whose files are gone.
    FStartPurgeDue = true;
    cmbFilterChange();
    FController.SetLibraryVersion(LibraryVersion());
    tmrOutside->start();
}

bool TfraMedia::SearchPending() const {
    return FController.Searches.Pending();
}

void TfraMedia::Finalize() {
    FollowFolders(false);
    if (FStopWork)
        *FStopWork = true;
    tmrOutside->stop();
    FSearch.reset();
    FController.Imports.Clear();
    // Its results still queued are dropped: no request is newer than these numbers. An add
    // under way ends with the writer, after the file in hand; its written rows stay.
    FWorker.reset();
    FWriter.reset();
    FController.FilterLists.Drop();
    FController.Listings.Drop();
    FController.Searches.Drop();
    FController.End();
    // The library may be closed already: drop the objects without touching it.
    FMaintenance.reset();
    FMediaDB = nullptr;
    FPlayLists = nullptr;
}

bool TfraMedia::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == window() && Event->type() == QEvent::Close && Busy())
        CancelWork();
    return TViewFrame::eventFilter(Watched, Event);
}

void TfraMedia::RunCommand(ECommand Command) {
    AssertGuiThread();
    if (!FMediaDB)
        return;
    switch (FController.Gate(Command, FMediaDB->ReadOnly())) {
    case TMediaController::TGate::Wait:
        return;
    case TMediaController::TGate::ReadOnly:
        FPrompts->Information(LibraryReadOnlyText);
        return;
    case TMediaController::TGate::Run:
        break;
    }
    switch (Command) {
    case ECommand::MediaPlayFile:
        PlaySelectedFile();
        break;
    case ECommand::MediaLocateFile:
        LocateFile();
        break;
    case ECommand::MediaEditMP3Tag:
        EditMP3Tag();
        break;
    case ECommand::MediaAddFiles:
        AddFiles();
        break;
    case ECommand::MediaRemoveFiles:
        RemoveFiles();
        break;
    case ECommand::MediaRefreshMedia:
        // The rows are listed again once the background part ends (at once when the purge
        // removed some).
        RefreshMedia(true);
        break;
    case ECommand::MediaAddFilesToPlayList:
        AddFilesToPlayList();
        break;
    case ECommand::MediaAddFolder:
        AddFolder();
        break;
    case ECommand::MediaPlayAlbum:
        PlayAlbum();
        break;
    case ECommand::MediaReplayGain:
        CalculateReplayGain();
        break;
    default: // Find Media does nothing; the other view's commands are not this view's
        break;
    }
}

void TfraMedia::lvwMediaColumnClick(int Column) {
    SortBy(FController.ClickedColumn(Column + 1));
}

void TfraMedia::SortBy(int SortState) {
    AssertGuiThread();
    FController.SetSortState(SortState);
    MediaModel->Sort(SortState);
    QHeaderView* header = lvwMedia->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(std::abs(SortState) - 1,
                             SortState > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<int> TfraMedia::SelectedRows() const {
    std::vector<int> rows;
    const QModelIndexList selected = lvwMedia->selectionModel()->selectedRows();
    rows.reserve(static_cast<size_t>(selected.size()));
    for (const QModelIndex& index : selected)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfraMedia::SelectRows(const std::vector<int>& Rows) {
    // One range per run of rows: the view asks every range on each paint, so thousands of
    // single rows would make every repaint slow.
    std::vector<int> rows = Rows;
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (std::size_t first = 0; first < rows.size();) {
        std::size_t last = first;
        while (last + 1 < rows.size() && rows[last + 1] <= rows[last] + 1)
            ++last;
        selection.select(MediaModel->index(rows[first], 0),
                         MediaModel->index(rows[last], TMediaListModel::ColumnCount - 1));
        first = last + 1;
    }
    lvwMedia->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TfraMedia::popMediaPopup() {
    const size_t selected = SelectedRows().size();
    for (QAction* single : {mnuPopMediaPlayFile, mnuPopMediaLocateFile})
        single->setEnabled(selected == 1);
    for (QAction* some : {mnuPopMediaEditMP3Tag, mnuPopMediaRemoveFiles,
                          mnuPopMediaAddFilesToPlayList, mnuPopMediaReplayGain})
        some->setEnabled(selected >= 1);
    mnuPopMediaPlayAlbum->setEnabled(MediaModel->Count() > 0);
    mnuPopMediaAddFiles->setEnabled(true);
    mnuPopMediaAddFolder->setEnabled(true);
    mnuPopMediaRefreshMedia->setEnabled(true);
}

} // namespace orvanta
