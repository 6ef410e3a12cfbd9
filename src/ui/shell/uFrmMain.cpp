#include "ui/shell/uFrmMain.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uPlayListLibrary.h"
#include "core/library/uTMyMediaDB.h"
#include "core/library/uTrackInfo.h"
#include "core/notices/uFirstRunNotices.h"
#include "core/playlists/uTPlayListManager.h"
#include "ui/common/uMenuKeys.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uResources.h"
#include "ui/common/uShellOpen.h"
#include "ui/common/uTOptions.h"
#include "ui/library/uFraMedia.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsM3U.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/shell/uFrmHelp.h"
#include "ui/shell/uWindowCommandMenus.h"
#include "ui/shell/uWindowPlacement.h"
#include "ui/shell/uWindowState.h"
#include "ui/shell/uWindowTexts.h"

namespace orvanta {

namespace {
constexpr int PipelinePollMs = 10;
} // namespace

TfrmMain::TfrmMain(IPrompts& Prompts, TOptions* Options, QWidget* Parent, IPlayerEngine* Engine)
    : QMainWindow(Parent), OnShellOpen(ShellOpen), FPrompts(Prompts), FOptions(Options) {
    EnsureResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvanta"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orvanta.svg")));
    resize(DesignWidth, 570);
    setMinimumHeight(285);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnlToolButtons = new QWidget(central);
    pnlToolButtons->setObjectName(QStringLiteral("pnlToolButtons"));
    pnlToolButtons->setMinimumHeight(41);
    pnlToolButtons->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(pnlToolButtons);

    FViews = new QStackedWidget(central);
    fraMedia1 = new TfraMedia(FViews);
    FViews->addWidget(fraMedia1);
    layout->addWidget(FViews, 1);

    pnlPlayer = new QWidget(central);
    pnlPlayer->setObjectName(QStringLiteral("pnlPlayer"));
    pnlPlayer->setFixedHeight(45);
    auto* playerLayout = new QHBoxLayout(pnlPlayer);
    playerLayout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(pnlPlayer);
    setCentralWidget(central);

    CreateMenus();
    CreateToolBar();
    AddToolCommandsToMenus(*this);

    if (Engine == nullptr) {
        FOwnEngine = std::make_unique<TGstPlayerEngine>();
        Engine = FOwnEngine.get();
    }
    wmpPlayer = new TfraTransportBar(*Engine, pnlPlayer);
    playerLayout->addWidget(wmpPlayer);
    FitMinimumWidth();
    pnlPlayer->installEventFilter(this);
    FPlayButtons = std::make_unique<TToolPlayButtons>(CommandAction(ECommand::MediaPlayFile),
                                                      CommandAction(ECommand::PlayListsPlay),
                                                      CommandAction(ECommand::PlayListsPlayTrack));
    Playback = new TPlaybackControl(
        *Engine, *FPlayButtons, [this](const QString& Caption) { setWindowTitle(Caption); },
        &RandomGenerator, this);
    ConnectPlayback(*Engine);
    SwitchView(EView::Media);
    DescribeMainWindow(*this);

    if (FOptions) {
        // The answer arrives on a download thread; the setting is stored and saved there.
        FLiveUpdate = std::make_unique<TFirstRunNotices>([options = FOptions](bool FirstRun) {
            options->FirstRun = FirstRun;
            options->SaveToRegistry(SettingsBaseKey);
        });
        connect(this, &TfrmMain::FirstActivated, this, &TfrmMain::FormActivate);
    }
}

TfrmMain::~TfrmMain() {
    StopNotices();
    if (!FCoverFile.isEmpty())
        QFile::remove(FCoverFile);
    fraMedia1->Finalize();
    if (fraPlayLists1)
        fraPlayLists1->Finalize();
}

void TfrmMain::InitializeViews(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                               const TCustomStringList& FileTypes, TListingStart Start) {
    FPlayListManager = &PlayLists;
    FMediaDB = &MediaDB;
    FFileTypes = &FileTypes;
    Playback->SetTrackInfoSource(
        [&MediaDB](const std::string& Path) { return LibraryTrackInfo(Path, MediaDB); });
    // My Music lists the library and then purges missing files on its library worker.
    fraMedia1->OnLocateFile = [this](const QString& Folder) { OpenOrSay(Folder); };
    fraMedia1->Initialize(MediaDB, PlayLists, FileTypes, *this, FPrompts, std::move(Start));
    if (FOptions && FOptions->FollowFolders)
        fraMedia1->FollowFolders(true);
    if (QAction* addFolder = MenuAction(QStringLiteral("mnuFileAddFolder")),
        *follow = MenuAction(QStringLiteral("mnuViewFollowFolders"));
        addFolder && follow && mnuPlaybackContinue)
        fraMedia1->SetFirstRunHint(*addFolder, *follow, *mnuPlaybackContinue);
    if (fraPlayLists1)
        InitializePlayListsView();
    FillPlayListCombo();
    AddAccessKeys(*menuBar());
    AddAccessKeys(*fraMedia1->popMedia);
    // The real program (with its options) comes back as the user left it.
    if (FOptions && RestoreWindowState(*this, *OpenSettings(SettingsBaseKey)))
        FPlaced = true;
}

TfraPlayLists* TfrmMain::PlayListsView() {
    if (fraPlayLists1)
        return fraPlayLists1;
    fraPlayLists1 = new TfraPlayLists(FViews);
    FViews->addWidget(fraPlayLists1);
    DescribePlayListsView(*fraPlayLists1);
    if (FPlayListManager)
        InitializePlayListsView();
    if (FOptions)
        RestorePlayListsViewState(*fraPlayLists1, *OpenSettings(SettingsBaseKey));
    fraPlayLists1->TrackModel->SetPlayingPath(Playback->Current().Path);
    return fraPlayLists1;
}

void TfrmMain::BuildRest() {
    // One part a turn.
    if (!fraPlayLists1) {
        PlayListsView();
        tmrRest->start();
    } else {
        if (FOwnEngine) {
            // Building the pipeline waits for GStreamer's loading: look again shortly until it
            // is over, rather than wait on the window's thread.
            if (!TGstPlayerEngine::Loaded()) {
                tmrRest->start(PipelinePollMs);
                return;
            }
            FOwnEngine->Prepare();
        }
        // Last: what played before the restart comes back once the pipeline is there.
        ResumeAtStartup();
    }
}

void TfrmMain::InitializePlayListsView() {
    fraPlayLists1->Initialize(*FPlayListManager, *this, FPrompts);
    PlayListFiles = new TPlayListFileCommands(*fraPlayLists1, *FPlayListManager, *this, FPrompts);
    PlayListFiles->LibraryEntries = [&MediaDB = *FMediaDB](const std::string& Path) {
        return LibraryTrackEntry(Path, MediaDB);
    };
    PlayListFiles->LibraryTags = LibraryM3UTags(*FMediaDB);
    fraPlayLists1->SetLibraryFile(FMediaDB->FileName());
    for (QMenu* menu : {fraPlayLists1->popPlayLists, fraPlayLists1->popTracks})
        AddAccessKeys(*menu);
}

void TfrmMain::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* addFiles = file->addAction(QStringLiteral("&Add Files..."));
    addFiles->setShortcut(QKeySequence::Open);
    addFiles->setObjectName(QStringLiteral("mnuFileAddFiles"));
    connect(addFiles, &QAction::triggered, this,
            [this] { mnuFileAddFilesClick(ECommand::MediaAddFiles); });
    QAction* addFolder = file->addAction(QStringLiteral("Add Folder..."));
    addFolder->setObjectName(QStringLiteral("mnuFileAddFolder"));
    addFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(addFolder, &QAction::triggered, this,
            [this] { mnuFileAddFilesClick(ECommand::MediaAddFolder); });
    file->addSeparator();
    QAction* exitAction = file->addAction(QStringLiteral("E&xit"));
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exitAction->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    auto* group = new QActionGroup(this);
    mnuViewMedia = view->addAction(QStringLiteral("&My Music"));
    mnuViewMedia->setObjectName(QStringLiteral("mnuViewMedia"));
    mnuViewPlayLists = view->addAction(QStringLiteral("&Playlists"));
    mnuViewPlayLists->setObjectName(QStringLiteral("mnuViewPlayLists"));
    for (QAction* item : {mnuViewMedia, mnuViewPlayLists}) {
        item->setCheckable(true);
        group->addAction(item);
        const EView shown = item == mnuViewMedia ? EView::Media : EView::PlayLists;
        connect(item, &QAction::triggered, this, [this, shown] { mnuViewClick(shown); });
    }

    CreateCommandMenus(file, view);
    view->addSeparator();
    QAction* follow = view->addAction(QStringLiteral("&Follow Library Folders"));
    follow->setObjectName(QStringLiteral("mnuViewFollowFolders"));
    follow->setCheckable(true);
    follow->setChecked(FOptions && FOptions->FollowFolders);
    connect(follow, &QAction::toggled, this, [this](bool Checked) {
        fraMedia1->FollowFolders(Checked);
        if (FOptions) {
            FOptions->FollowFolders = Checked;
            FOptions->SaveFollowFolders(SettingsBaseKey);
        }
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents = help->addAction(QStringLiteral("&Contents"));
    contents->setObjectName(QStringLiteral("mnuHelpContents"));
    contents->setShortcut(QKeySequence::HelpContents);
    connect(contents, &QAction::triggered, this, [this] { ShowHelpContents(*this); });
    help->addSeparator();
    QAction* home = help->addAction(QStringLiteral("H&ome..."));
    home->setObjectName(QStringLiteral("mnuHelpHome"));
    connect(home, &QAction::triggered, this, &TfrmMain::mnuHelpHomeClick);
    help->addSeparator();
    QAction* helpPage = help->addAction(QStringLiteral("&Help..."));
    helpPage->setObjectName(QStringLiteral("mnuHelpHelp"));
    connect(helpPage, &QAction::triggered, this, &TfrmMain::mnuHelpHelpClick);
    help->addSeparator();
    QAction* notices = help->addAction(QStringLiteral("Check for &Notices at Start-up"));
    notices->setObjectName(QStringLiteral("mnuHelpCheckNotices"));
    notices->setCheckable(true);
    notices->setChecked(!FOptions || FOptions->CheckNotices);
    notices->setEnabled(FOptions != nullptr);
    connect(notices, &QAction::toggled, this, [this](bool Checked) {
        FOptions->CheckNotices = Checked;
        FOptions->SaveCheckNotices(SettingsBaseKey);
    });
    help->addSeparator();
    QAction* about = help->addAction(QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(about, &QAction::triggered, this, &TfrmMain::ShowAbout);
}

QAction* TfrmMain::MenuAction(const QString& Name) const {
    return findChild<QAction*>(Name);
}

EView TfrmMain::CurrentView() const {
    return FViews->currentWidget() == fraMedia1 ? EView::Media : EView::PlayLists;
}

TViewFrame* TfrmMain::FrameOf(EView View) {
    if (View == EView::Media)
        return fraMedia1;
    if (View == EView::PlayLists)
        return PlayListsView();
    return nullptr;
}

void TfrmMain::RunToolCommand(ECommand Command) {
    // The command runs whatever view is in front.
    if (TViewFrame* view = FrameOf(ViewOf(Command)))
        view->DoCommand(Command);
}

void TfrmMain::spdToolButtonClick(ECommand Command) {
    RunToolCommand(Command);
}

void TfrmMain::spdPlayClick(ECommand Command) {
    if (Playback->Playing()) {
        Playback->StopPlaying();
        return;
    }
    RunToolCommand(Command);
}

void TfrmMain::mnuViewClick(EView View) {
    // The view buttons are the menu's items, so they are checked in step.
    SwitchView(View);
}

void TfrmMain::mnuFileAddFilesClick(ECommand Command) {
    // In either view.
    fraMedia1->DoCommand(Command);
}

void TfrmMain::mnuHelpHomeClick() {
    OpenOrSay(HomePage());
}

void TfrmMain::mnuHelpHelpClick() {
    OpenOrSay(HelpPage());
}

void TfrmMain::OpenOrSay(const QString& Target) {
    if (OnShellOpen && !OnShellOpen(Target))
        FPrompts.Information(
            QStringLiteral("There is no program on this desktop that can open\r\n") + Target);
}

void TfrmMain::cmbPlayListModeClick() {
    PlayListsView()->ApplyPlayMode();
}

void TfrmMain::pnlPlayerResize() {
    // The bar lays itself out; it takes the keyboard, so the player answers keys at once.
    wmpPlayer->setFocus();
}

void TfrmMain::SwitchView(EView View) {
    if (View == EView::Media) {
        mnuViewMedia->setChecked(true);
        FViews->setCurrentWidget(fraMedia1);
    } else if (View == EView::PlayLists) {
        mnuViewPlayLists->setChecked(true);
        FViews->setCurrentWidget(PlayListsView());
    }
    ShowToolButtons(View);
}

void TfrmMain::FillPlayListCombo(bool KeepChoice) {
    const QVariant chosen = cmbPlayLists->currentData();
    cmbPlayLists->clear();
    // Shown decoded; the item's data keeps the name's bytes.
    if (FPlayListManager)
        for (std::int32_t i = 0; i < FPlayListManager->Count(); ++i) {
            const std::string& name = FPlayListManager->GetPlayList(i)->Name;
            cmbPlayLists->addItem(PathForDisplay(name), PathToQString(name));
        }
    const int kept = KeepChoice ? cmbPlayLists->findData(chosen) : -1;
    if (kept >= 0)
        cmbPlayLists->setCurrentIndex(kept);
    else if (cmbPlayLists->count() > 0)
        cmbPlayLists->setCurrentIndex(0);
}

void TfrmMain::ShowAbout() {
    FPrompts.ShowMessage(QStringLiteral("About Orvanta"), QStringLiteral("Version 2.60"),
                         TPromptIcon::Information);
}

bool TfrmMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == lblPlayListInfo && Event->type() == QEvent::Resize)
        FitPlayListInfo();
    if (Watched == pnlPlayer && Event->type() == QEvent::Resize)
        pnlPlayerResize();
    return QMainWindow::eventFilter(Watched, Event);
}

void TfrmMain::showEvent(QShowEvent* Event) {
    if (!FFitted) {
        FFitted = true;
        FitToScreen(*this, FPlaced);
        FPlaced = true;
        // Again once the window manager's frame is known.
        QMetaObject::invokeMethod(
            this, [this] { FitToScreen(*this, true); }, Qt::QueuedConnection);
    }
    QMainWindow::showEvent(Event);
}

void TfrmMain::paintEvent(QPaintEvent* Event) {
    QMainWindow::paintEvent(Event);
    // Once the first picture is whole, and after the timers that came due while it was drawn.
    if (!tmrRest) {
        tmrRest = new QTimer(this);
        tmrRest->setSingleShot(true);
        connect(tmrRest, &QTimer::timeout, this, &TfrmMain::BuildRest);
        QMetaObject::invokeMethod(tmrRest, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    }
}

void TfrmMain::changeEvent(QEvent* Event) {
    QMainWindow::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange && isActiveWindow() && !FActivated) {
        FActivated = true;
        emit FirstActivated();
    }
}

void TfrmMain::FormActivate() {
    if (FLiveUpdate && FOptions->CheckNotices)
        FLiveUpdate->FormActivate(FOptions->FirstRun);
}

void TfrmMain::StopNotices() {
    FLiveUpdate.reset();
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    // The user hears of a playlist that cannot be saved while the program can still say so.
    PlayListsView()->SaveAtExit();
    if (FOptions)
        SaveWindowState(*this, *OpenSettings(SettingsBaseKey));
    SaveResumePoint();
    QMainWindow::closeEvent(Event);
    // Closing the main window ends the run, whatever other windows are left.
    QApplication::quit();
}

void TfrmMain::PlayFile(const QString& Path) {
    Playback->PlayFile(Path);
}
void TfrmMain::PlayTrack(const QString& Path) {
    Playback->PlayTrack(Path);
}
void TfrmMain::PlayPlayList(const TPlayList& PlayList) {
    Playback->PlayPlayList(PlayList);
}
void TfrmMain::PlayFromHere(const TPlayList& PlayList, int Index) {
    Playback->PlayFromHere(PlayList, Index);
}
void TfrmMain::RefreshPlayListNames() {
    FillPlayListCombo();
}
void TfrmMain::PlayListsChangedOutside() {
    FillPlayListCombo(true);
}
void TfrmMain::RefreshPlayListTracks() {
    // A view still to be built shows the tracks as they are then.
    if (fraPlayLists1)
        fraPlayLists1->RefreshTracks();
}
QString TfrmMain::SelectedPlayListName() const {
    return cmbPlayLists->currentData().toString();
}
int TfrmMain::PlayListModeIndex() const {
    return cmbPlayListMode->currentIndex();
}
void TfrmMain::SetPlayListModeIndex(int Index) {
    cmbPlayListMode->setCurrentIndex(Index);
}
void TfrmMain::AddToLibrary(const QStringList& Paths, const QString& PlayList) {
    fraMedia1->AddPaths(Paths, PlayList);
}
void TfrmMain::SetPlayListInfo(const QString& Text) {
    FPlayListInfo = Text;
    FitPlayListInfo();
}

} // namespace orvanta
