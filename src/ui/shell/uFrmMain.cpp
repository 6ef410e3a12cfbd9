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
const char* const TagProperty = "Tag";

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
    SwitchView(1);

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
    // My Music lists the library and then purges missing files on its library worker.
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
    addFiles->setProperty(TagProperty, 103);
    connect(addFiles, &QAction::triggered, this, &TfrmMain::mnuFileAddFilesClick);
    QAction* addFolder = file->addAction(QStringLiteral("Add Folder..."));
    addFolder->setObjectName(QStringLiteral("mnuFileAddFolder"));
    addFolder->setProperty(TagProperty, 108);
    addFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(addFolder, &QAction::triggered, this, &TfrmMain::mnuFileAddFilesClick);
    file->addSeparator();
    QAction* exitAction = file->addAction(QStringLiteral("E&xit"));
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exitAction->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    auto* group = new QActionGroup(this);
    mnuViewMedia = view->addAction(QStringLiteral("&My Music"));
    mnuViewMedia->setObjectName(QStringLiteral("mnuViewMedia"));
    mnuViewMedia->setProperty(TagProperty, 0);
    mnuViewPlayLists = view->addAction(QStringLiteral("&Playlists"));
    mnuViewPlayLists->setObjectName(QStringLiteral("mnuViewPlayLists"));
    mnuViewPlayLists->setProperty(TagProperty, 1);
    for (QAction* item : {mnuViewMedia, mnuViewPlayLists}) {
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, &TfrmMain::mnuViewClick);
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

QToolButton* TfrmMain::AddSpeedButton(int Tag, const QString& Hint, const QString& Icon, int Left,
                                      bool AnchoredRight) {
    auto* button = new QToolButton(pnlToolButtons);
    button->setToolTip(Hint);
    button->setAccessibleName(Hint);
    button->setIcon(iconNamed(Icon));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setFixedSize(ButtonSize, ButtonSize);
    AddToolControl(Tag, button, Left, ButtonTop, AnchoredRight);
    return button;
}

void TfrmMain::AddToolControl(int Tag, QWidget* Control, int Left, int Top, bool AnchoredRight) {
    Control->setProperty(TagProperty, Tag);
    Control->move(Left, Top);
    FToolControls.push_back({Tag, Control, Left, AnchoredRight});
}

void TfrmMain::CreateToolBar() {
    struct ViewButton {
        QToolButton*& Button;
        int Tag;
        const char* Hint;
        const char* Caption;
        const char* Icon;
        int Left;
    };
    auto* viewGroup = new QButtonGroup(this);
    for (const ViewButton& view :
         {ViewButton{spdViewMedia, 1, "View My Music", "My Music", "view-media", 4},
          ViewButton{spdViewPlayLists, 2, "View Playlists", "Playlists", "view-playlists", 104}}) {
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
        AddToolControl(view.Tag, button, view.Left, ButtonTop, false);
        connect(button, &QToolButton::clicked, this, &TfrmMain::spdViewButtonClick);
        view.Button = button;
    }
    spdViewMedia->setChecked(true);

    bvlToolButtons = new QFrame(pnlToolButtons);
    bvlToolButtons->setFrameShape(QFrame::VLine);
    bvlToolButtons->setFrameShadow(QFrame::Sunken);
    bvlToolButtons->setFixedSize(3, ButtonSize);
    AddToolControl(0, bvlToolButtons, 204, ButtonTop, false);

    struct CommandButton {
        int Tag;
        const char* Hint;
        const char* Icon;
        int Left;
        bool AnchoredRight;
    };
    static const CommandButton commands[] = {
        {100, "Play File", "play", 210, false},
        {101, "Locate File", "locate", 246, false},
        {102, "Edit MP3 Tag", "edit-tag", 282, false},
        {103, "Add Files", "add-files", 318, false},
        {104, "Remove Files", "remove-files", 354, false},
        {105, "Refresh Media", "refresh", 390, false},
        {108, "Add Folder", "add-folder", 426, false},
        {107, "Add Files to Playlist", "add-to-playlist", 534, true},
        {200, "Play Playlist", "play", 210, false},
        {201, "New Playlist", "new-playlist", 246, false},
        {202, "Rename Playlist", "rename-playlist", 282, false},
        {203, "Remove Playlist", "remove-playlist", 318, false},
        {204, "Shuffle Playlist", "shuffle", 354, false},
        {205, "Play Track", "play", 390, false},
        {206, "Remove Tracks", "remove-tracks", 426, false},
        {207, "Move Track Up", "move-up", 462, false},
        {208, "Move Track Down", "move-down", 498, false},
    };
    for (const CommandButton& command : commands) {
        QToolButton* button =
            AddSpeedButton(command.Tag, QString::fromLatin1(command.Hint),
                           QString::fromLatin1(command.Icon), command.Left, command.AnchoredRight);
        const bool isPlay = command.Tag == 100 || command.Tag == 200 || command.Tag == 205;
        connect(button, &QToolButton::clicked, this,
                isPlay ? &TfrmMain::spdPlayClick : &TfrmMain::spdToolButtonClick);
        if (command.Tag == 100)
            spdPlayFile = button;
        else if (command.Tag == 200)
            spdPlayPlayList = button;
        else if (command.Tag == 205)
            spdPlayTrack = button;
        else if (command.Tag == 107)
            spdAddToPlayList = button;
    }

    cmbPlayLists = new QComboBox(pnlToolButtons);
    cmbPlayLists->setObjectName(QStringLiteral("cmbPlayLists"));
    cmbPlayLists->setFixedWidth(178);
    AddToolControl(150, cmbPlayLists, 570, 10 - 2, true);

    cmbPlayListMode = new QComboBox(pnlToolButtons);
    cmbPlayListMode->setObjectName(QStringLiteral("cmbPlayListMode"));
    cmbPlayListMode->addItems({QStringLiteral("Play Normal"), QStringLiteral("Play Loop"),
                               QStringLiteral("Play Random")});
    cmbPlayListMode->setCurrentIndex(0);
    // 97 pixels at the design font; wider when the desktop font needs it for "Play Random".
    cmbPlayListMode->setFixedWidth(std::max(97, cmbPlayListMode->sizeHint().width()));
    AddToolControl(250, cmbPlayListMode, 534, 10 - 2, false);
    connect(cmbPlayListMode, qOverload<int>(&QComboBox::activated), this,
            &TfrmMain::cmbPlayListModeClick);

    lblPlayListInfo = new QLabel(pnlToolButtons);
    lblPlayListInfo->setObjectName(QStringLiteral("lblPlayListInfo"));
    // The label follows the mode box and grows with its text, as "00:00:00 (0 Tracks)".
    lblPlayListInfo->setMinimumWidth(111);
    AddToolControl(251, lblPlayListInfo,
                   std::max(635, cmbPlayListMode->x() + cmbPlayListMode->width() + 4), 14 - 2,
                   false);
    CreateToolOverflow();
}

int TfrmMain::TagOf(const QObject* Control) {
    return Control->property(TagProperty).toInt();
}

QWidget* TfrmMain::ToolControl(int Tag) const {
    for (const TToolControl& control : FToolControls)
        if (control.Tag == Tag)
            return control.Control;
    return nullptr;
}

QAction* TfrmMain::MenuAction(const QString& Name) const {
    return findChild<QAction*>(Name);
}

int TfrmMain::CurrentView() const {
    return FViews->currentWidget() == fraMedia1 ? 1 : 2;
}

TViewFrame* TfrmMain::ViewOf(int Group) const {
    if (Group == 1)
        return fraMedia1;
    if (Group == 2)
        return fraPlayLists1;
    return nullptr;
}

void TfrmMain::RunToolCommand(int Tag) {
    if (TViewFrame* view = ViewOf(Tag / 100))
        view->DoCommand(Tag % 100);
}

void TfrmMain::spdToolButtonClick() {
    RunToolCommand(TagOf(sender()));
}

void TfrmMain::spdPlayClick() {
    if (Playback->Playing()) {
        Playback->StopPlaying();
        return;
    }
    RunToolCommand(TagOf(sender()));
}

void TfrmMain::spdViewButtonClick() {
    auto* button = qobject_cast<QToolButton*>(sender());
    if (!button)
        return;
    button->setChecked(true);
    SwitchView(TagOf(button));
}

void TfrmMain::mnuViewClick() {
    QToolButton* button = TagOf(sender()) == 0 ? spdViewMedia : spdViewPlayLists;
    button->click();
}

void TfrmMain::mnuFileAddFilesClick() {
    fraMedia1->DoCommand(TagOf(sender()) % 100);
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

void TfrmMain::SwitchView(int View) {
    if (View == 1) {
        mnuViewMedia->setChecked(true);
        FViews->setCurrentWidget(fraMedia1);
    } else if (View == 2) {
        mnuViewPlayLists->setChecked(true);
        FViews->setCurrentWidget(fraPlayLists1);
    }
    ShowToolButtons(View);
}

void TfrmMain::ShowToolButtons(int View) {
    for (const TToolControl& control : FToolControls) {
        if (control.Tag / 100 == View)
            control.Control->show();
        else if (control.Tag >= 100)
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
