// The tool bar: one QAction per command, shared with the menus that offer the same command.
// Each view's commands sit on a bar of their own, shown with the view; what does not fit a
// narrow window goes to that bar's extension menu while the boxes keep their place.
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "ui/common/uQtPath.h"
#include "ui/common/uTrackDrag.h"
#include "ui/library/uFraMedia.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

namespace {
QIcon iconNamed(const char* Name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(Name)));
}

QToolBar* newBar(QWidget* Parent, const char* Name) {
    auto* bar = new QToolBar(Parent);
    bar->setObjectName(QString::fromLatin1(Name));
    bar->setIconSize(QSize(24, 24));
    bar->setMovable(false);
    bar->setFloatable(false);
    return bar;
}

struct TCommandButton {
    ECommand Command;
    const char* Hint;
    const char* Icon;
    // The menu item that runs the same command, if any: the button shares its action.
    const char* MenuItem;
};
const TCommandButton CommandButtons[] = {
    {ECommand::MediaPlayFile, "Play File", "play", nullptr},
    {ECommand::MediaLocateFile, "Locate File", "locate", nullptr},
    {ECommand::MediaEditMP3Tag, "Edit MP3 Tag", "edit-tag", "mnuEditMP3Tag"},
    {ECommand::MediaAddFiles, "Add Files", "add-files", "mnuFileAddFiles"},
    {ECommand::MediaRemoveFiles, "Remove Files", "remove-files", nullptr},
    {ECommand::MediaRefreshMedia, "Refresh Media", "refresh", "mnuEditRefreshMedia"},
    {ECommand::MediaAddFolder, "Add Folder", "add-folder", "mnuFileAddFolder"},
    {ECommand::MediaAddFilesToPlayList, "Add Files to Playlist", "add-to-playlist", nullptr},
    {ECommand::PlayListsPlay, "Play Playlist", "play", nullptr},
    {ECommand::PlayListsNew, "New Playlist", "new-playlist", "mnuFileNewPlayList"},
    {ECommand::PlayListsRename, "Rename Playlist", "rename-playlist", "mnuEditRenamePlayList"},
    {ECommand::PlayListsRemove, "Remove Playlist", "remove-playlist", nullptr},
    {ECommand::PlayListsShuffle, "Shuffle Playlist", "shuffle", nullptr},
    {ECommand::PlayListsPlayTrack, "Play Track", "play", nullptr},
    {ECommand::PlayListsRemoveTracks, "Remove Tracks", "remove-tracks", nullptr},
    {ECommand::PlayListsMoveTrackUp, "Move Track Up", "move-up", nullptr},
    {ECommand::PlayListsMoveTrackDown, "Move Track Down", "move-down", nullptr},
};
} // namespace

void TfrmMain::CreateCommandActions() {
    for (const TCommandButton& button : CommandButtons) {
        const QString hint = QString::fromLatin1(button.Hint);
        QAction* action =
            button.MenuItem ? MenuAction(QString::fromLatin1(button.MenuItem)) : nullptr;
        if (!action) {
            action = new QAction(hint, this);
            const ECommand run = button.Command;
            const bool isPlay = run == ECommand::MediaPlayFile || run == ECommand::PlayListsPlay ||
                                run == ECommand::PlayListsPlayTrack;
            if (isPlay)
                connect(action, &QAction::triggered, this, [this, run] { spdPlayClick(run); });
            else
                connect(action, &QAction::triggered, this,
                        [this, run] { spdToolButtonClick(run); });
        }
        action->setToolTip(hint);
        action->setIcon(iconNamed(button.Icon));
        // The menus show no pictures.
        action->setIconVisibleInMenu(false);
        FCommandActions[button.Command] = action;
    }
    // The view buttons are the View menu's items.
    mnuViewMedia->setIcon(iconNamed("view-media"));
    mnuViewMedia->setToolTip(QStringLiteral("View My Music"));
    mnuViewPlayLists->setIcon(iconNamed("view-playlists"));
    mnuViewPlayLists->setToolTip(QStringLiteral("View Playlists"));
    for (QAction* view : {mnuViewMedia, mnuViewPlayLists})
        view->setIconVisibleInMenu(false);
}

void TfrmMain::CreateToolBar() {
    CreateCommandActions();
    auto* row = new QHBoxLayout(pnlToolButtons);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(0);

    tlbViews = newBar(pnlToolButtons, "tlbViews");
    tlbViews->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tlbViews->addAction(mnuViewMedia);
    tlbViews->addAction(mnuViewPlayLists);
    spdViewMedia = qobject_cast<QToolButton*>(tlbViews->widgetForAction(mnuViewMedia));
    spdViewPlayLists = qobject_cast<QToolButton*>(tlbViews->widgetForAction(mnuViewPlayLists));
    for (QToolButton* button : {spdViewMedia, spdViewPlayLists})
        button->setMinimumWidth(97);
    tlbViews->addSeparator();

    const auto addCommands = [this](QToolBar* Bar, std::initializer_list<ECommand> Commands) {
        for (ECommand command : Commands)
            Bar->addAction(FCommandActions.at(command));
    };
    tlbMedia = newBar(pnlToolButtons, "tlbMedia");
    tlbPlayLists = newBar(pnlToolButtons, "tlbPlayLists");
    // A bar keeps its first item however narrow; an empty one lets even the first button go
    // to the extension menu.
    for (QToolBar* commands : {tlbMedia, tlbPlayLists}) {
        auto* lead = new QWidget(commands);
        lead->setFixedSize(0, 0);
        commands->addWidget(lead);
    }
    addCommands(tlbMedia,
                {ECommand::MediaPlayFile, ECommand::MediaLocateFile, ECommand::MediaEditMP3Tag,
                 ECommand::MediaAddFiles, ECommand::MediaRemoveFiles, ECommand::MediaRefreshMedia,
                 ECommand::MediaAddFolder});
    tlbMediaBoxes = newBar(pnlToolButtons, "tlbMediaBoxes");
    addCommands(tlbMediaBoxes, {ECommand::MediaAddFilesToPlayList});
    cmbPlayLists = new QComboBox(tlbMediaBoxes);
    cmbPlayLists->setObjectName(QStringLiteral("cmbPlayLists"));
    cmbPlayLists->setFixedWidth(178);
    tlbMediaBoxes->addWidget(cmbPlayLists);
    // Library rows dropped on the box go to its playlist, as "Add Files to Playlist" adds them.
    new TTrackEntriesDrop(
        cmbPlayLists, [this](const std::vector<std::string>& Entries, const QPoint&) {
            fraPlayLists1->AddDroppedEntries(PathFromQString(SelectedPlayListName()), Entries);
        });

    addCommands(tlbPlayLists,
                {ECommand::PlayListsPlay, ECommand::PlayListsNew, ECommand::PlayListsRename,
                 ECommand::PlayListsRemove, ECommand::PlayListsShuffle,
                 ECommand::PlayListsPlayTrack, ECommand::PlayListsRemoveTracks,
                 ECommand::PlayListsMoveTrackUp, ECommand::PlayListsMoveTrackDown});
    tlbPlayListsBoxes = newBar(pnlToolButtons, "tlbPlayListsBoxes");
    cmbPlayListMode = new QComboBox(tlbPlayListsBoxes);
    cmbPlayListMode->setObjectName(QStringLiteral("cmbPlayListMode"));
    cmbPlayListMode->addItems({QStringLiteral("Play Normal"), QStringLiteral("Play Loop"),
                               QStringLiteral("Play Random")});
    cmbPlayListMode->setCurrentIndex(0);
    // 97 pixels at the design font; wider when the desktop font needs it for "Play Random".
    cmbPlayListMode->setFixedWidth(std::max(97, cmbPlayListMode->sizeHint().width()));
    connect(cmbPlayListMode, qOverload<int>(&QComboBox::activated), this,
            &TfrmMain::cmbPlayListModeClick);
    tlbPlayListsBoxes->addWidget(cmbPlayListMode);
    lblPlayListInfo = new QLabel(tlbPlayListsBoxes);
    lblPlayListInfo->setObjectName(QStringLiteral("lblPlayListInfo"));
    // The label takes the rest of the row, at least room for "00:00:00 (0 Tracks)"; a longer
    // text is elided to it.
    lblPlayListInfo->setMinimumWidth(111);
    lblPlayListInfo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lblPlayListInfo->setContentsMargins(4, 0, 0, 0);
    lblPlayListInfo->installEventFilter(this);
    tlbPlayListsBoxes->addWidget(lblPlayListInfo);

    spdPlayFile = ToolButton(ECommand::MediaPlayFile);
    spdPlayPlayList = ToolButton(ECommand::PlayListsPlay);
    spdPlayTrack = ToolButton(ECommand::PlayListsPlayTrack);
    spdAddToPlayList = ToolButton(ECommand::MediaAddFilesToPlayList);

    // The command bars give way first: the boxes keep their size, the views bar its buttons.
    for (QToolBar* fixed : {tlbViews, tlbMediaBoxes}) {
        fixed->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        fixed->setMinimumWidth(fixed->sizeHint().width());
    }
    tlbPlayListsBoxes->setMinimumWidth(cmbPlayListMode->width() + InfoRoom + 16);
    row->addWidget(tlbViews);
    row->addWidget(tlbMedia, 1);
    row->addWidget(tlbMediaBoxes);
    row->addWidget(tlbPlayLists);
    row->addWidget(tlbPlayListsBoxes, 1);
}

QToolButton* TfrmMain::ToolButton(ECommand Command) const {
    const auto found = FCommandActions.find(Command);
    if (found == FCommandActions.end())
        return nullptr;
    for (QToolBar* bar : {tlbMedia, tlbMediaBoxes, tlbPlayLists})
        if (bar)
            if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(found->second)))
                return button;
    return nullptr;
}

QAction* TfrmMain::CommandAction(ECommand Command) const {
    const auto found = FCommandActions.find(Command);
    return found == FCommandActions.end() ? nullptr : found->second;
}

QToolBar* TfrmMain::CommandBar(EView View) const {
    return View == EView::Media ? tlbMedia : tlbPlayLists;
}

void TfrmMain::ShowToolButtons(EView View) {
    // Each view's bars show with it; the view buttons are always shown.
    const bool media = View == EView::Media;
    tlbMedia->setVisible(media);
    tlbMediaBoxes->setVisible(media);
    tlbPlayLists->setVisible(!media);
    tlbPlayListsBoxes->setVisible(!media);
    FToolView = View;
    // The row is laid out at once, so the shown bars have their places.
    pnlToolButtons->layout()->activate();
    FitPlayListInfo();
}

void TfrmMain::FitMinimumWidth() {
    // The window opens with every control of each view shown and a long playlist's info whole;
    // narrower, the command bars hand their buttons to their extension menus.
    // The bars know their buttons' sizes once the style has seen them.
    ensurePolished();
    const int margins = 4;
    const int views = tlbViews->sizeHint().width();
    const int info =
        lblPlayListInfo->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00 (0000 Tracks)")) +
        24; // the label's margin and the bar's
    const int natural = std::max(
        {DesignWidth,
         margins + views + tlbMedia->sizeHint().width() + tlbMediaBoxes->sizeHint().width(),
         margins + views + tlbPlayLists->sizeHint().width() + cmbPlayListMode->width() + info + 8});
    const int least = std::max(
        {FViews->minimumSizeHint().width(), pnlPlayer->minimumSizeHint().width(),
         margins + views + tlbMedia->minimumSizeHint().width() + tlbMediaBoxes->minimumWidth(),
         margins + views + tlbPlayLists->minimumSizeHint().width() +
             tlbPlayListsBoxes->minimumWidth()});
    setMinimumWidth(least);
    resize(std::max(width(), natural), height());
}

void TfrmMain::FitPlayListInfo() {
    // The label takes what its bar leaves beside the mode box (it is laid out by its least
    // width); a text too long for it is elided and shown whole in its tooltip.
    const int room = std::max(InfoRoom, lblPlayListInfo->contentsRect().width());
    const QString shown =
        lblPlayListInfo->fontMetrics().elidedText(FPlayListInfo, Qt::ElideRight, room);
    lblPlayListInfo->setText(shown);
    lblPlayListInfo->setToolTip(shown == FPlayListInfo ? QString() : FPlayListInfo);
}

} // namespace orvanta
