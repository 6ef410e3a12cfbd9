#include "ui/shell/uFrmMain.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
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
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaMaintenance.h"
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
#include "ui/shell/uWindowState.h"

namespace orvanta {

namespace {
QIcon iconNamed(const QString& name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}
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
    pnlToolButtons->setFixedHeight(41);
    pnlToolButtons->installEventFilter(this);
    layout->addWidget(pnlToolButtons);

    FViews = new QStackedWidget(central);
    fraPlayLists1 = new TfraPlayLists(FViews);
    fraMedia1 = new TfraMedia(FViews);
    FViews->addWidget(fraMedia1);
    FViews->addWidget(fraPlayLists1);
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

    if (Engine == nullptr) {
        FOwnEngine = std::make_unique<TGstPlayerEngine>();
        Engine = FOwnEngine.get();
    }
    wmpPlayer = new TfraTransportBar(*Engine, pnlPlayer);
    playerLayout->addWidget(wmpPlayer);
    FitMinimumWidth();
    pnlPlayer->installEventFilter(this);
    FPlayButtons = std::make_unique<TToolPlayButtons>(spdPlayFile, spdPlayPlayList, spdPlayTrack);
    Playback = new TPlaybackControl(
        *Engine, *FPlayButtons, [this](const QString& Caption) { setWindowTitle(Caption); },
        &RandomGenerator, this);
    ConnectPlayback(*Engine);
    SwitchView(EView::Media);

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
    fraPlayLists1->Finalize();
}

void TfrmMain::InitializeViews(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                               const TCustomStringList& FileTypes) {
    FPlayListManager = &PlayLists;
    FMediaDB = &MediaDB;
    FFileTypes = &FileTypes;
    Playback->SetTrackInfoSource(
        [&MediaDB](const std::string& Path) { return LookUpTrackInfo(Path, &MediaDB); });
    // My Music purges missing files here, which can take a while and lets events run.
    fraMedia1->OnLocateFile = [this](const QString& Folder) { OpenOrSay(Folder); };
    fraMedia1->Initialize(MediaDB, PlayLists, FileTypes, *this, FPrompts);
    fraPlayLists1->Initialize(PlayLists, *this, FPrompts);
    FillPlayListCombo();
    PlayListFiles = new TPlayListFileCommands(*fraPlayLists1, PlayLists, *this, FPrompts);
    PlayListFiles->LibraryEntries = [&MediaDB](const std::string& Path) {
        return LibraryTrackEntry(Path, MediaDB);
    };
    AddAccessKeys(*menuBar());
    for (QMenu* menu : {fraMedia1->popMedia, fraPlayLists1->popPlayLists, fraPlayLists1->popTracks})
        AddAccessKeys(*menu);
    // The real program (with its options) comes back as the user left it.
    if (FOptions && RestoreWindowState(*this, *OpenSettings(SettingsBaseKey)))
        FPlaced = true;
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

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* home = help->addAction(QStringLiteral("H&ome..."));
    home->setObjectName(QStringLiteral("mnuHelpHome"));
    connect(home, &QAction::triggered, this, &TfrmMain::mnuHelpHomeClick);
    help->addSeparator();
    QAction* helpPage = help->addAction(QStringLiteral("&Help..."));
    helpPage->setShortcut(QKeySequence::HelpContents);
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

QToolButton* TfrmMain::AddSpeedButton(ECommand Command, const QString& Hint, const QString& Icon,
                                      int Left, bool AnchoredRight) {
    auto* button = new QToolButton(pnlToolButtons);
    button->setToolTip(Hint);
    button->setAccessibleName(Hint);
    button->setIcon(iconNamed(Icon));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setFixedSize(ButtonSize, ButtonSize);
    AddToolControl(ViewOf(Command), button, Left, ButtonTop, AnchoredRight);
    FToolControls.last().Command = Command;
    return button;
}

void TfrmMain::AddToolControl(EView View, QWidget* Control, int Left, int Top, bool AnchoredRight) {
    Control->move(Left, Top);
    FToolControls.push_back({View, Control, std::nullopt, Left, AnchoredRight});
}

void TfrmMain::CreateToolBar() {
    struct ViewButton {
        QToolButton*& Button;
        EView View;
        const char* Hint;
        const char* Caption;
        const char* Icon;
        int Left;
    };
    auto* viewGroup = new QButtonGroup(this);
    for (const ViewButton& view :
         {ViewButton{spdViewMedia, EView::Media, "View My Music", "My Music", "view-media", 4},
          ViewButton{spdViewPlayLists, EView::PlayLists, "View Playlists", "Playlists",
                     "view-playlists", 104}}) {
        auto* button = new QToolButton(pnlToolButtons);
        button->setText(QString::fromLatin1(view.Caption));
        button->setToolTip(QString::fromLatin1(view.Hint));
        button->setIcon(iconNamed(QString::fromLatin1(view.Icon)));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFixedSize(97, ButtonSize);
        viewGroup->addButton(button);
        AddToolControl(EView::None, button, view.Left, ButtonTop, false);
        connect(button, &QToolButton::clicked, this,
                [this, button, shown = view.View] { spdViewButtonClick(button, shown); });
        view.Button = button;
    }
    spdViewMedia->setChecked(true);

    bvlToolButtons = new QFrame(pnlToolButtons);
    bvlToolButtons->setFrameShape(QFrame::VLine);
    bvlToolButtons->setFrameShadow(QFrame::Sunken);
    bvlToolButtons->setFixedSize(3, ButtonSize);
    AddToolControl(EView::None, bvlToolButtons, 204, ButtonTop, false);

    struct CommandButton {
        ECommand Command;
        const char* Hint;
        const char* Icon;
        int Left;
        bool AnchoredRight;
    };
    static const CommandButton commands[] = {
        {ECommand::MediaPlayFile, "Play File", "play", 210, false},
        {ECommand::MediaLocateFile, "Locate File", "locate", 246, false},
        {ECommand::MediaEditMP3Tag, "Edit MP3 Tag", "edit-tag", 282, false},
        {ECommand::MediaAddFiles, "Add Files", "add-files", 318, false},
        {ECommand::MediaRemoveFiles, "Remove Files", "remove-files", 354, false},
        {ECommand::MediaRefreshMedia, "Refresh Media", "refresh", 390, false},
        {ECommand::MediaAddFolder, "Add Folder", "add-folder", 426, false},
        {ECommand::MediaAddFilesToPlayList, "Add Files to Playlist", "add-to-playlist", 534, true},
        {ECommand::PlayListsPlay, "Play Playlist", "play", 210, false},
        {ECommand::PlayListsNew, "New Playlist", "new-playlist", 246, false},
        {ECommand::PlayListsRename, "Rename Playlist", "rename-playlist", 282, false},
        {ECommand::PlayListsRemove, "Remove Playlist", "remove-playlist", 318, false},
        {ECommand::PlayListsShuffle, "Shuffle Playlist", "shuffle", 354, false},
        {ECommand::PlayListsPlayTrack, "Play Track", "play", 390, false},
        {ECommand::PlayListsRemoveTracks, "Remove Tracks", "remove-tracks", 426, false},
        {ECommand::PlayListsMoveTrackUp, "Move Track Up", "move-up", 462, false},
        {ECommand::PlayListsMoveTrackDown, "Move Track Down", "move-down", 498, false},
    };
    for (const CommandButton& command : commands) {
        QToolButton* button =
            AddSpeedButton(command.Command, QString::fromLatin1(command.Hint),
                           QString::fromLatin1(command.Icon), command.Left, command.AnchoredRight);
        const ECommand run = command.Command;
        const bool isPlay = run == ECommand::MediaPlayFile || run == ECommand::PlayListsPlay ||
                            run == ECommand::PlayListsPlayTrack;
        if (isPlay)
            connect(button, &QToolButton::clicked, this, [this, run] { spdPlayClick(run); });
        else
            connect(button, &QToolButton::clicked, this, [this, run] { spdToolButtonClick(run); });
        if (run == ECommand::MediaPlayFile)
            spdPlayFile = button;
        else if (run == ECommand::PlayListsPlay)
            spdPlayPlayList = button;
        else if (run == ECommand::PlayListsPlayTrack)
            spdPlayTrack = button;
        else if (run == ECommand::MediaAddFilesToPlayList)
            spdAddToPlayList = button;
    }

    cmbPlayLists = new QComboBox(pnlToolButtons);
    cmbPlayLists->setObjectName(QStringLiteral("cmbPlayLists"));
    cmbPlayLists->setFixedWidth(178);
    AddToolControl(EView::Media, cmbPlayLists, 570, 10 - 2, true);

    cmbPlayListMode = new QComboBox(pnlToolButtons);
    cmbPlayListMode->setObjectName(QStringLiteral("cmbPlayListMode"));
    cmbPlayListMode->addItems({QStringLiteral("Play Normal"), QStringLiteral("Play Loop"),
                               QStringLiteral("Play Random")});
    cmbPlayListMode->setCurrentIndex(0);
    // 97 pixels at the design font; wider when the desktop font needs it for "Play Random".
    cmbPlayListMode->setFixedWidth(std::max(97, cmbPlayListMode->sizeHint().width()));
    AddToolControl(EView::PlayLists, cmbPlayListMode, 534, 10 - 2, false);
    connect(cmbPlayListMode, qOverload<int>(&QComboBox::activated), this,
            &TfrmMain::cmbPlayListModeClick);

    lblPlayListInfo = new QLabel(pnlToolButtons);
    lblPlayListInfo->setObjectName(QStringLiteral("lblPlayListInfo"));
    // The label follows the mode box and grows with its text, as "00:00:00 (0 Tracks)".
    lblPlayListInfo->setMinimumWidth(111);
    AddToolControl(EView::PlayLists, lblPlayListInfo,
                   std::max(635, cmbPlayListMode->x() + cmbPlayListMode->width() + 4), 14 - 2,
                   false);
    CreateToolOverflow();
}

QToolButton* TfrmMain::ToolButton(ECommand Command) const {
    for (const TToolControl& control : FToolControls)
        if (control.Command == Command)
            if (auto* button = qobject_cast<QToolButton*>(control.Control))
                return button;
    return nullptr;
}

QAction* TfrmMain::MenuAction(const QString& Name) const {
    return findChild<QAction*>(Name);
}

EView TfrmMain::CurrentView() const {
    return FViews->currentWidget() == fraMedia1 ? EView::Media : EView::PlayLists;
}

TViewFrame* TfrmMain::FrameOf(EView View) const {
    if (View == EView::Media)
        return fraMedia1;
    if (View == EView::PlayLists)
        return fraPlayLists1;
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

void TfrmMain::spdViewButtonClick(QToolButton* Button, EView View) {
    Button->setChecked(true);
    SwitchView(View);
}

void TfrmMain::mnuViewClick(EView View) {
    (View == EView::Media ? spdViewMedia : spdViewPlayLists)->click();
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
    fraPlayLists1->ApplyPlayMode();
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
        FViews->setCurrentWidget(fraPlayLists1);
    }
    ShowToolButtons(View);
}

void TfrmMain::ShowToolButtons(EView View) {
    // The view buttons and the bevel are always shown.
    for (const TToolControl& control : FToolControls) {
        if (control.View == View)
            control.Control->show();
        else if (control.View != EView::None)
            control.Control->hide();
    }
    FToolView = View;
    LayOutToolBar();
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
    // The tool bar panel, not the window, decides where the right-anchored controls go.
    if (Watched == pnlToolButtons && Event->type() == QEvent::Resize)
        LayOutToolBar();
    if (Watched == pnlPlayer && Event->type() == QEvent::Resize)
        pnlPlayerResize();
    return QMainWindow::eventFilter(Watched, Event);
}

void TfrmMain::showEvent(QShowEvent* Event) {
    if (!FPlaced) {
        FPlaced = true;
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QMainWindow::showEvent(Event);
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
    fraPlayLists1->SaveAtExit();
    if (FOptions)
        SaveWindowState(*this, *OpenSettings(SettingsBaseKey));
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

void TfrmMain::FitPlayListInfo() {
    // The label runs to the window's edge; a text too long for it is elided and shown whole
    // in its tooltip.
    const int room = std::max(111, pnlToolButtons->width() - lblPlayListInfo->x() - 4);
    const QString shown =
        lblPlayListInfo->fontMetrics().elidedText(FPlayListInfo, Qt::ElideRight, room);
    lblPlayListInfo->setText(shown);
    lblPlayListInfo->setToolTip(shown == FPlayListInfo ? QString() : FPlayListInfo);
    lblPlayListInfo->resize(room, lblPlayListInfo->sizeHint().height());
}

} // namespace orvanta
