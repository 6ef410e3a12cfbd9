#include "library/uFraMedia.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStringListModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/uLibraryStart.h"
#include "app/uShellOpen.h"
#include "common/uDisplayUtils.h"
#include "library/uMediaMaintenance.h"
#include "library/uTMyMediaDB.h"
#include "metadata/uFrmMP3Tag.h"
#include "playlists/uTPlayListManager.h"
#include "shell/uMainServices.h"
#include "shell/uPrompts.h"
#include "shell/uQtPath.h"
#include "tablestore/uTEasyQuery.h"

namespace orvanta {

namespace {

const char* const TagProperty = "Tag";
const QString AllEntry = QStringLiteral("All");
// Window events run at least this often while a long command works.
constexpr qint64 ResponsiveMs = 30;
// Rows read between two looks at the clock while a list is filled.
constexpr int ClockEveryRows = 64;

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Where each field of tMedia sits in a query, looked up once per fill instead of per row.
struct TMediaColumns {
    int Directory, FileName, FileSize, Seconds, Quality, Title, Artist, Album, Year, Genre;

    explicit TMediaColumns(const TEasyQuery& query) {
        const auto column = [&query](std::string_view name) {
            for (int i = 0; i < query.FieldCount(); ++i)
                if (query.FieldName(i) == name)
                    return i;
            query.FieldByName(name); // throws the engine's "no such field"
            return -1;
        };
        Directory = column("fDirectory");
        FileName = column("fFileName");
        FileSize = column("fFileSize");
        Seconds = column("fSeconds");
        Quality = column("fQuality");
        Title = column("fTitle");
        Artist = column("fArtist");
        Album = column("fAlbum");
        Year = column("fYear");
        Genre = column("fGenre");
    }

    TMediaItem Read(const TEasyQuery& query) const {
        TMediaItem item;
        item.Directory = query.Fields(Directory).AsString();
        item.FileName = query.Fields(FileName).AsString();
        item.Title = query.Fields(Title).AsString();
        item.Artist = query.Fields(Artist).AsString();
        item.Album = query.Fields(Album).AsString();
        item.Year = query.Fields(Year).AsString();
        item.Genre = query.Fields(Genre).AsString();
        item.FileSize = query.Fields(FileSize).AsInt64();
        item.Seconds = query.Fields(Seconds).AsInteger();
        item.Quality = query.Fields(Quality).AsInteger();
        return item;
    }
};

// Ends the busy state however a long command ends, exceptions included.
class TWorkGuard {
public:
    explicit TWorkGuard(std::function<void()> End) : FEnd(std::move(End)) {}
    ~TWorkGuard() { FEnd(); }
    TWorkGuard(const TWorkGuard&) = delete;
    TWorkGuard& operator=(const TWorkGuard&) = delete;

private:
    std::function<void()> FEnd;
};

} // namespace

TfraMedia::TfraMedia(QWidget* Parent) : TViewFrame(Parent), OnLocateFile(ShellOpen) {
    setObjectName(QStringLiteral("fraMedia1"));
    CreateControls();
    CreateMenu();
}

TfraMedia::~TfraMedia() = default;

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
    cmbFilter->addItems(
        {QStringLiteral("Artists"), QStringLiteral("Albums"), QStringLiteral("Genres")});
    filterLayout->addWidget(cmbFilter);
    FFilterModel = new QStringListModel(this);
    lstItems = new QListView(pnlFilter);
    lstItems->setObjectName(QStringLiteral("lstItems"));
    lstItems->setModel(FFilterModel);
    lstItems->setUniformItemSizes(true);
    lstItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstItems->setSelectionMode(QAbstractItemView::SingleSelection);
    filterLayout->addWidget(lstItems, 1);

    MediaModel = new TMediaListModel(this);
    lvwMedia = new QTreeView(splMedia);
    lvwMedia->setObjectName(QStringLiteral("lvwMedia"));
    lvwMedia->setModel(MediaModel);
    lvwMedia->setRootIsDecorated(false);
    lvwMedia->setItemsExpandable(false);
    lvwMedia->setUniformRowHeights(true);
    lvwMedia->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwMedia->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwMedia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwMedia->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwMedia->setIconSize(QSize(16, 16));
    lvwMedia->setMinimumWidth(100);
    QHeaderView* header = lvwMedia->header();
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    const int widths[TMediaListModel::ColumnCount] = {200, 100, 100, 50, 75, 75, 75, 75};
    for (int column = 0; column < TMediaListModel::ColumnCount; ++column)
        header->resizeSection(column, widths[column]);

    splMedia->addWidget(pnlFilter);
    splMedia->addWidget(lvwMedia);
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
            &TfraMedia::cmbFilterChange);
    connect(lstItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfraMedia::lstItemsClick);
    connect(header, &QHeaderView::sectionClicked, this, &TfraMedia::lvwMediaColumnClick);
    connect(lvwMedia, &QTreeView::doubleClicked, this, [this] { DoCommand(0); });
    connect(lvwMedia, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popMediaPopup();
        popMedia->popup(lvwMedia->viewport()->mapToGlobal(at));
    });
    connect(cmdCancelWork, &QPushButton::clicked, this, &TfraMedia::CancelWork);
}

QAction* TfraMedia::AddMenuItem(const QString& Caption, int Tag) {
    QAction* item = popMedia->addAction(Caption);
    item->setProperty(TagProperty, Tag);
    connect(item, &QAction::triggered, this, &TfraMedia::mnuPopMediaClick);
    return item;
}

void TfraMedia::CreateMenu() {
    popMedia = new QMenu(this);
    popMedia->setObjectName(QStringLiteral("popMedia"));
    mnuPopMediaPlayFile = AddMenuItem(QStringLiteral("Play File"), 0);
    mnuPopMediaLocateFile = AddMenuItem(QStringLiteral("Locate File..."), 1);
    popMedia->addSeparator();
    mnuPopMediaEditMP3Tag = AddMenuItem(QStringLiteral("Edit MP3 Tag..."), 2);
    popMedia->addSeparator();
    mnuPopMediaAddFiles = AddMenuItem(QStringLiteral("Add Files..."), 3);
    mnuPopMediaRemoveFiles = AddMenuItem(QStringLiteral("Remove Files"), 4);
    popMedia->addSeparator();
    mnuPopMediaRefreshMedia = AddMenuItem(QStringLiteral("Refresh Media"), 5);
    mnuPopMediaFindMedia = AddMenuItem(QStringLiteral("Find Media..."), 6);
    mnuPopMediaFindMedia->setVisible(false);
    popMedia->addSeparator();
    mnuPopMediaAddFilesToPlayList = AddMenuItem(QStringLiteral("Add Files to Playlist"), 7);
}

void TfraMedia::mnuPopMediaClick() {
    DoCommand(sender()->property(TagProperty).toInt());
}

void TfraMedia::Initialize(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                           const TCustomStringList& FileTypes, IMainServices& Main,
                           IPrompts& Prompts) {
    FMediaDB = &MediaDB;
    FPlayLists = &PlayLists;
    FMain = &Main;
    FPrompts = &Prompts;
    FQuery = std::make_unique<TEasyQuery>();
    FMaintenance = std::make_unique<TMediaMaintenance>(MediaDB, PlayLists, FileTypes);
    // Closing the window while files are added ends the add after the file in hand.
    if (window() != this)
        window()->installEventFilter(this);
    RefreshMedia();
}

void TfraMedia::Finalize() {
    FCancelled = true;
    // The library may be closed already: drop the objects without touching it.
    FMaintenance.reset();
    FQuery.reset();
    FMediaDB = nullptr;
    FPlayLists = nullptr;
}

bool TfraMedia::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == window() && Event->type() == QEvent::Close && FBusy)
        FCancelled = true;
    return TViewFrame::eventFilter(Watched, Event);
}

void TfraMedia::DoCommand(int Number) {
    if (!FMediaDB)
        return;
    // One library command at a time: the others wait while one lets events through.
    if (FBusy && Number >= 2 && Number <= 5)
        return;
    if (FMediaDB->ReadOnly() && Number >= 2 && Number <= 5) {
        FPrompts->Information(LibraryReadOnlyText);
        return;
    }
    switch (Number) {
    case 0:
        PlaySelectedFile();
        break;
    case 1:
        LocateFile();
        break;
    case 2:
        EditMP3Tag();
        break;
    case 3:
        AddFiles();
        break;
    case 4:
        RemoveFiles();
        break;
    case 5:
        RefreshMedia();
        break;
    case 7:
        AddFilesToPlayList();
        break;
    default: // 6, Find Media, does nothing
        break;
    }
}

QStringList TfraMedia::FilterItems() const {
    return FFilterModel->stringList();
}

void TfraMedia::SelectFilterItem(int Row) {
    {
        const QSignalBlocker blocker(lstItems->selectionModel());
        lstItems->selectionModel()->clearSelection();
        if (Row >= 0 && Row < FFilterModel->rowCount())
            lstItems->selectionModel()->setCurrentIndex(FFilterModel->index(Row),
                                                        QItemSelectionModel::ClearAndSelect);
    }
    lstItems->viewport()->update();
    lstItemsClick();
}

void TfraMedia::cmbFilterChange() {
    if (!FMediaDB || FBusy)
        return;
    const QString filter = cmbFilter->currentText();
    if (filter == QStringLiteral("Artists")) {
        FMediaDB->SelectArtists(*FQuery);
        LoadFilterItems("fArtist", true);
    } else if (filter == QStringLiteral("Albums")) {
        FMediaDB->SelectAlbums(*FQuery);
        LoadFilterItems("fAlbum", false);
    } else {
        FMediaDB->SelectGenres(*FQuery);
        LoadFilterItems("fGenre", false);
    }
    SelectFilterItem(FFilterModel->rowCount() > 0 ? 0 : -1);
}

void TfraMedia::LoadFilterItems(const char* FieldName, bool WithAll) {
    QStringList values;
    values.reserve(FQuery->RecordCount() + 1);
    {
        TListing listing(*this);
        const TEasyField field = FQuery->FieldByName(FieldName);
        for (FQuery->First(); !FQuery->Eof(); FQuery->Next()) {
            const std::string_view value = field.AsText();
            if (!value.empty())
                values << fromStd(value);
            listing.RowRead();
        }
    }
    FQuery->Close();
    if (WithAll)
        values.prepend(AllEntry);
    const QSignalBlocker blocker(lstItems->selectionModel());
    FFilterModel->setStringList(values);
}

void TfraMedia::lstItemsClick() {
    if (!FMediaDB || FBusy)
        return;
    const QModelIndexList selected = lstItems->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        MediaModel->SetItems({});
        return;
    }
    const QString text = selected.first().data().toString();
    const std::string value = text.toStdString();
    const QString filter = cmbFilter->currentText();
    if (filter == QStringLiteral("Artists")) {
        if (text == AllEntry)
            FMediaDB->SelectAllMedia(*FQuery);
        else
            FMediaDB->SelectMediaByArtist(*FQuery, value);
    } else if (filter == QStringLiteral("Albums")) {
        FMediaDB->SelectMediaByAlbum(*FQuery, value);
    } else {
        FMediaDB->SelectMediaByGenre(*FQuery, value);
    }
    LoadMediaItems();
    FQuery->Close();
    // The rows arrive ordered by title.
    FSortState = 1;
    lvwMedia->header()->setSortIndicatorShown(false);
}

void TfraMedia::LoadMediaItems() {
    std::vector<TMediaItem> items;
    items.reserve(static_cast<size_t>(FQuery->RecordCount()));
    const TMediaColumns columns(*FQuery);
    {
        TListing listing(*this);
        for (FQuery->First(); !FQuery->Eof(); FQuery->Next()) {
            items.push_back(columns.Read(*FQuery));
            listing.RowRead();
        }
    }
    MediaModel->SetItems(std::move(items));
}

TfraMedia::TListing::TListing(TfraMedia& Frame)
    : FFrame(Frame), FStart(QDateTime::currentMSecsSinceEpoch()) {}

TfraMedia::TListing::~TListing() {
    if (!FPaused)
        return;
    FFrame.pnlFilter->setEnabled(true);
    FFrame.FBusy = false;
}

void TfraMedia::TListing::RowRead() {
    if (++FRows % ClockEveryRows != 0)
        return;
    // Events are due counted from when they last ran, often before the fill began; a list
    // read within a third of that time never pauses.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - FFrame.FLastEvents < ResponsiveMs || now - FStart < ResponsiveMs / 3)
        return;
    // From the first pause on, the filter and the library commands wait: the query is in
    // the middle of its walk.
    if (!FPaused) {
        FPaused = true;
        FFrame.FBusy = true;
        FFrame.pnlFilter->setEnabled(false);
    }
    FFrame.KeepResponsive();
}

void TfraMedia::lvwMediaColumnClick(int Column) {
    const int k = Column + 1;
    FSortState = (k == std::abs(FSortState)) ? -FSortState : k;
    MediaModel->Sort(FSortState);
    QHeaderView* header = lvwMedia->header();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(Column, FSortState > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
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
    QItemSelection selection;
    for (int row : Rows)
        selection.select(MediaModel->index(row, 0),
                         MediaModel->index(row, TMediaListModel::ColumnCount - 1));
    lvwMedia->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TfraMedia::popMediaPopup() {
    const size_t selected = SelectedRows().size();
    for (QAction* single : {mnuPopMediaPlayFile, mnuPopMediaLocateFile, mnuPopMediaEditMP3Tag})
        single->setEnabled(selected == 1);
    for (QAction* some : {mnuPopMediaRemoveFiles, mnuPopMediaAddFilesToPlayList})
        some->setEnabled(selected >= 1);
    mnuPopMediaAddFiles->setEnabled(true);
    mnuPopMediaRefreshMedia->setEnabled(true);
}

void TfraMedia::PlaySelectedFile() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() == 1)
        FMain->PlayFile(PathToQString(MediaModel->Item(rows.front()).FullPath()));
}

void TfraMedia::LocateFile() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() == 1 && OnLocateFile)
        OnLocateFile(fromStd(MediaModel->Item(rows.front()).Directory));
}

void TfraMedia::EditMP3Tag() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1)
        return;
    const int row = rows.front();
    TMediaItem item = MediaModel->Item(row);
    TfrmMP3Tag dialog(*FPrompts, this);
    if (!dialog.LoadFile(*FMediaDB, PathToQString(item.Directory), PathToQString(item.FileName)))
        return;
    // OK writes the row, and so does a "Save Tag" (from the file) even when Cancel follows.
    if ((dialog.exec() != QDialog::Accepted && !dialog.LibraryChanged()) || !FMediaDB)
        return;
    // The item keeps its place; the filter list is not rebuilt.
    FMediaDB->SelectMedia(*FQuery, item.Directory, item.FileName);
    if (FQuery->RecordCount() > 0) {
        FQuery->First();
        item.Title = FQuery->FieldByName("fTitle").AsString();
        item.Artist = FQuery->FieldByName("fArtist").AsString();
        item.Album = FQuery->FieldByName("fAlbum").AsString();
        item.Year = FQuery->FieldByName("fYear").AsString();
        item.Genre = FQuery->FieldByName("fGenre").AsString();
        MediaModel->UpdateItem(row, item);
    }
    FQuery->Close();
}

void TfraMedia::BeginWork(const QString& Text, int Total) {
    FBusy = true;
    FCancelled = false;
    pnlFilter->setEnabled(false);
    prgProgress->setRange(0, std::max(Total, 1));
    prgProgress->setValue(0);
    lblProgress->setText(Text);
    pnlProgress->show();
    FLastEvents = 0;
}

void TfraMedia::ShowWork(const QString& Text, int Done) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - FLastEvents < ResponsiveMs)
        return;
    lblProgress->setText(Text);
    prgProgress->setValue(Done);
    KeepResponsive();
}

void TfraMedia::KeepResponsive() {
    QCoreApplication::processEvents();
    FLastEvents = QDateTime::currentMSecsSinceEpoch();
}

void TfraMedia::EndWork() {
    pnlProgress->hide();
    pnlFilter->setEnabled(true);
    FBusy = false;
    emit WorkFinished();
}

void TfraMedia::AddFiles() {
    const QStringList chosen =
        FPrompts->AskOpenFiles(QStringLiteral("Add Files"), fromStd(MediaFileFilter()));
    if (chosen.isEmpty())
        return;
    std::vector<std::string> paths;
    paths.reserve(static_cast<size_t>(chosen.size()));
    // The dialog shows stray bytes of a name as U+FFFD; the file meant is found by its look.
    for (const QString& path : chosen)
        paths.push_back(FindDisplayedPath(PathFromQString(path)));
    AddPaths(paths, [this](const TAddResult& result) {
        if (const std::string refusal = AddRefusalMessage(result); !refusal.empty())
            FPrompts->Information(fromStd(refusal));
    });
}

void TfraMedia::AddPaths(const std::vector<std::string>& Paths,
                         const std::function<void(const TAddResult&)>& OnResult) {
    if (Paths.empty())
        return;
    const int total = static_cast<int>(Paths.size());
    const auto describe = [&Paths, total](int done) {
        const int next = std::min(done, total - 1);
        return QStringLiteral("Adding file %1 of %2: %3")
            .arg(next + 1)
            .arg(total)
            .arg(fromStd(ExtractFileName(Paths[static_cast<size_t>(next)])));
    };

    BeginWork(describe(0), total);
    const TWorkGuard guard([this] { EndWork(); });
    TMaintenanceProgress progress;
    progress.OnProgress = [this, &describe](int done, int) { ShowWork(describe(done), done); };
    progress.Cancelled = [this] { return FCancelled; };
    // Rows are listed once they are on disk; a cancel keeps what was added before it.
    FMaintenance->AddFiles(
        Paths,
        [this, &OnResult](const TAddResult& result) {
            OnResult(result);
            if (result.Outcome == TAddOutcome::Added) {
                const TMediaRow& row = result.Row;
                TMediaItem item;
                item.Title = row.Info.Title;
                item.Artist = row.Info.Artist;
                item.Album = row.Info.Album;
                item.Year = row.Info.Year;
                item.Genre = row.Info.Genre;
                item.Seconds = row.Info.Seconds;
                item.Quality = row.Info.Quality;
                item.FileSize = row.FileSize;
                item.Directory = row.Directory;
                item.FileName = row.FileName;
                MediaModel->Append({std::move(item)});
            }
        },
        progress);
}

bool TfraMedia::ConfirmRemoveFiles(const std::vector<int>& Rows) {
    for (auto row = Rows.rbegin(); row != Rows.rend(); ++row) {
        if (!FMaintenance->InPlayLists(MediaModel->Item(*row).TrackEntry()))
            continue;
        const bool one = Rows.size() == 1;
        return FPrompts->ConfirmAction(
            (one ? QStringLiteral("The selected file is part of one or more playlists.\r\n")
                 : QStringLiteral(
                       "Some of the selected files are part of one or more playlists.\r\n")) +
            QStringLiteral("Files removed from the My Music view will also be removed from the "
                           "playlists of which they are part.") +
            QStringLiteral("\r\n") +
            (one ? QStringLiteral("Do you really want to remove the selected file ?")
                 : QStringLiteral("Do you really want to remove the selected files ?")));
    }
    return true;
}

void TfraMedia::RemoveFiles() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || !ConfirmRemoveFiles(rows))
        return;
    const int total = static_cast<int>(rows.size());
    std::vector<int> removed;
    removed.reserve(rows.size());
    {
        BeginWork(QStringLiteral("Removing files"), total);
        const TWorkGuard guard([this] { EndWork(); });
        // One write to disk for the whole removal instead of one per file.
        FMediaDB->BeginBatch();
        try {
            for (auto row = rows.rbegin(); row != rows.rend() && !FCancelled; ++row) {
                const TMediaItem& item = MediaModel->Item(*row);
                FMaintenance->RemoveFile(item.Directory, item.FileName, item.Seconds);
                removed.push_back(*row);
                ShowWork(QStringLiteral("Removing file %1 of %2: %3")
                             .arg(removed.size())
                             .arg(total)
                             .arg(fromStd(item.FileName)),
                         static_cast<int>(removed.size()));
            }
            FMediaDB->EndBatch();
        } catch (...) {
            FMediaDB->CancelBatch();
            throw;
        }
    }
    MediaModel->RemoveRows(removed);
    FMain->RefreshPlayListTracks();
}

void TfraMedia::RefreshMedia() {
    {
        BeginWork(QStringLiteral("Looking for missing files"), 0);
        const TWorkGuard guard([this] { EndWork(); });
        TMaintenanceProgress progress;
        progress.OnProgress = [this](int done, int total) {
            prgProgress->setMaximum(std::max(total, 1));
            ShowWork(QStringLiteral("Looking for missing files: %1 of %2").arg(done).arg(total),
                     done);
        };
        progress.Cancelled = [this] { return FCancelled; };
        // A library opened read-only is listed as it is.
        if (!FMediaDB->ReadOnly())
            FMaintenance->RemoveMissingFiles(progress);
    }
    FMain->RefreshPlayListTracks();
    if (cmbFilter->currentIndex() != 0) {
        const QSignalBlocker blocker(cmbFilter);
        cmbFilter->setCurrentIndex(0);
    }
    cmbFilterChange();
}

void TfraMedia::AddFilesToPlayList() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    const std::string name = FMain->SelectedPlayListName().toStdString();
    if (name.empty() || !FPlayLists->Exists(name))
        return;
    TPlayList* target = FPlayLists->FindByName(name);
    std::vector<std::string> refused;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        const TMediaItem& item = MediaModel->Item(*row);
        if (!target->AddTrack(item.TrackEntry(), -1))
            refused.push_back(JoinPath(item.Directory, item.FileName));
    }
    lvwMedia->selectionModel()->clearSelection();
    FMain->RefreshPlayListTracks();
    for (const std::string& path : refused)
        FPrompts->Information(fromStd(PlayListRefusalMessage(path)));
}

} // namespace orvanta
