// The main window's menu commands that carry keyboard shortcuts.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>

#include "ui/library/uFraMedia.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

namespace {
QAction* addCommand(QMenu* Menu, const char* Name, const char* Caption, const QKeySequence& Keys) {
    QAction* action = Menu->addAction(QString::fromLatin1(Caption));
    action->setObjectName(QString::fromLatin1(Name));
    action->setShortcut(Keys);
    return action;
}
} // namespace

void TfrmMain::CreateCommandMenus(QMenu* File, QMenu* View) {
    QAction* newPlayList = new QAction(QStringLiteral("&New Playlist..."), File);
    newPlayList->setObjectName(QStringLiteral("mnuFileNewPlayList"));
    newPlayList->setShortcut(QKeySequence::New);
    // Before the separator above Exit.
    File->insertAction(File->actions().value(1), newPlayList);
    connect(newPlayList, &QAction::triggered, this,
            [this] { PlayListsView()->DoCommand(ECommand::PlayListsNew); });

    auto* edit = new QMenu(QStringLiteral("&Edit"), this);
    edit->setObjectName(QStringLiteral("mnuEdit"));
    menuBar()->insertMenu(View->menuAction(), edit);
    QAction* editTag =
        addCommand(edit, "mnuEditMP3Tag", "&Edit MP3 Tag...", QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(editTag, &QAction::triggered, this,
            [this] { fraMedia1->DoCommand(ECommand::MediaEditMP3Tag); });
    QAction* undoBatch = addCommand(edit, "mnuEditUndoBatch", "&Undo Last Batch", QKeySequence());
    connect(undoBatch, &QAction::triggered, this, [this] { fraMedia1->UndoBatch(); });
    QAction* rename =
        addCommand(edit, "mnuEditRenamePlayList", "Re&name Playlist...", QKeySequence(Qt::Key_F2));
    connect(rename, &QAction::triggered, this,
            [this] { PlayListsView()->DoCommand(ECommand::PlayListsRename); });
    QAction* remove = addCommand(edit, "mnuEditRemove", "&Remove", QKeySequence::Delete);
    connect(remove, &QAction::triggered, this, &TfrmMain::RemoveClick);
    edit->addSeparator();
    QAction* refresh =
        addCommand(edit, "mnuEditRefreshMedia", "Re&fresh Media", QKeySequence(Qt::Key_F5));
    connect(refresh, &QAction::triggered, this,
            [this] { fraMedia1->DoCommand(ECommand::MediaRefreshMedia); });
    QAction* replayGain =
        addCommand(edit, "mnuEditReplayGain", "Calculate Replay&Gain", QKeySequence());
    connect(replayGain, &QAction::triggered, this,
            [this] { fraMedia1->DoCommand(ECommand::MediaReplayGain); });

    auto* playback = new QMenu(QStringLiteral("&Playback"), this);
    playback->setObjectName(QStringLiteral("mnuPlayback"));
    menuBar()->insertMenu(View->menuAction(), playback);
    menuBar()->insertMenu(playback->menuAction(), View);
    // A text field takes Space for itself before the shortcut sees it.
    QAction* playPause =
        addCommand(playback, "mnuPlaybackPlayPause", "&Play/Pause", QKeySequence(Qt::Key_Space));
    connect(playPause, &QAction::triggered, this, &TfrmMain::PlayPauseClick);

    connect(FViews, &QStackedWidget::currentChanged, this, &TfrmMain::EnableCommandMenus);
    connect(edit, &QMenu::aboutToShow, this, &TfrmMain::EnableCommandMenus);
    EnableCommandMenus();
}

void TfrmMain::EnableCommandMenus() {
    // A command of the hidden view would act on a selection the user cannot see.
    const bool media = CurrentView() == EView::Media;
    MenuAction(QStringLiteral("mnuEditMP3Tag"))->setEnabled(media);
    MenuAction(QStringLiteral("mnuEditReplayGain"))->setEnabled(media);
    MenuAction(QStringLiteral("mnuEditUndoBatch"))->setEnabled(fraMedia1->CanUndoBatch());
    MenuAction(QStringLiteral("mnuEditRenamePlayList"))->setEnabled(!media);
    MenuAction(QStringLiteral("mnuEditRemove"))
        ->setText(media ? QStringLiteral("&Remove Files")
                        : (PlayListsView()->lstPlayLists->hasFocus()
                               ? QStringLiteral("&Remove Playlist")
                               : QStringLiteral("&Remove Tracks")));
}

void TfrmMain::RemoveClick() {
    // Each removal asks its own question first.
    if (CurrentView() == EView::Media)
        fraMedia1->DoCommand(ECommand::MediaRemoveFiles);
    else if (PlayListsView()->lstPlayLists->hasFocus())
        PlayListsView()->DoCommand(ECommand::PlayListsRemove);
    else
        PlayListsView()->DoCommand(ECommand::PlayListsRemoveTracks);
}

void TfrmMain::PlayPauseClick() {
    if (Playback->Playing()) {
        wmpPlayer->cmdPlayPause->click();
        return;
    }
    if (CurrentView() == EView::Media)
        RunToolCommand(ECommand::MediaPlayFile);
    else
        RunToolCommand(PlayListsView()->lvwTracks->hasFocus() ? ECommand::PlayListsPlayTrack
                                                              : ECommand::PlayListsPlay);
}

} // namespace orvanta
