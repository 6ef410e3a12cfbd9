// The main window's side of playback beyond the play buttons: the transport bar's queue
// commands, what plays, and the desktop's media controls.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include "ui/common/uQtPath.h"
#include "ui/common/uTOptions.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaModel.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uMpris.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/playback/uReplayGainMenu.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

void TfrmMain::ConnectPlayback(IPlayerEngine& Engine) {
    connect(wmpPlayer, &TfraTransportBar::PreviousClicked, Playback, &TPlaybackControl::Previous);
    connect(wmpPlayer, &TfraTransportBar::NextClicked, Playback, &TPlaybackControl::Next);
    // The bar stopped the engine; a queue waiting to skip a broken track stops too.
    connect(wmpPlayer, &TfraTransportBar::StopClicked, Playback, &TPlaybackControl::StopPlaying);
    connect(Playback, &TPlaybackControl::NowPlayingChanged, this, &TfrmMain::ShowNowPlaying);

    mnuPlayPrevious = new QAction(QStringLiteral("Pre&vious"), this);
    mnuPlayPrevious->setObjectName(QStringLiteral("mnuPlayPrevious"));
    mnuPlayPrevious->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    mnuPlayNext = new QAction(QStringLiteral("&Next"), this);
    mnuPlayNext->setObjectName(QStringLiteral("mnuPlayNext"));
    mnuPlayNext->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    connect(mnuPlayPrevious, &QAction::triggered, Playback, &TPlaybackControl::Previous);
    connect(mnuPlayNext, &QAction::triggered, Playback, &TPlaybackControl::Next);
    // Shown in the Playback menu with their keys; kept on the window for a menu-less test.
    if (auto* menu = findChild<QMenu*>(QStringLiteral("mnuPlayback"))) {
        menu->addAction(mnuPlayPrevious);
        menu->addAction(mnuPlayNext);
        menu->addSeparator();
        AddReplayGainMenu(*menu, *Playback);
    }
    // The real program (with its options) plays as the user left it, and remembers changes.
    if (FOptions) {
        Playback->SetReplayGain(LoadReplayGain(*OpenSettings(SettingsBaseKey)));
        connect(Playback, &TPlaybackControl::ReplayGainChanged, this,
                [this] { SaveReplayGain(*OpenSettings(SettingsBaseKey), Playback->ReplayGain()); });
    }
    addAction(mnuPlayPrevious);
    addAction(mnuPlayNext);

    TMprisService::THooks hooks;
    hooks.Raise = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    hooks.Quit = [this] { close(); };
    hooks.OpenFile = [this](const QString& Path) { PlayFile(Path); };
    hooks.Volume = [this] { return wmpPlayer->Muted() ? 0 : wmpPlayer->Volume(); };
    hooks.SetVolume = [this](int Volume) { wmpPlayer->SetVolume(Volume); };
    Mpris = new TMprisService(*Playback, Engine, std::move(hooks), this);
    connect(wmpPlayer, &TfraTransportBar::Jumped, Mpris, &TMprisService::AnnounceSeek);
    connect(wmpPlayer, &TfraTransportBar::VolumeChanged, Mpris,
            &TMprisService::PropertiesMayHaveChanged);
    Mpris->Register();
    CreatePlaybackOptions(Engine);
    ShowNowPlaying();
}

void TfrmMain::ShowNowPlaying() {
    Q_ASSERT(thread() == QThread::currentThread());
    const TNowPlaying& track = Playback->Current();
    wmpPlayer->SetNavigation(Playback->CanGoPrevious(), Playback->CanGoNext());
    mnuPlayPrevious->setEnabled(Playback->CanGoPrevious());
    mnuPlayNext->setEnabled(Playback->CanGoNext());
    wmpPlayer->SetNowPlaying(track.Title, track.Artist, track.Album);
    // A new track starts without the cover of the last one; its own comes with its file's
    // answer, read once off this thread.
    if (track.Serial != FShownTrack || (track.FileRead && !FShownCover)) {
        FShownTrack = track.Serial;
        FShownCover = track.FileRead;
        ShowCoverArt(track.Cover);
    }
    if (fraPlayLists1)
        fraPlayLists1->TrackModel->SetPlayingPath(track.Path);
    fraMedia1->MediaModel->SetPlayingPath(PathFromQString(track.Path));
}

void TfrmMain::ShowCoverArt(const QImage& Cover) {
    wmpPlayer->SetCoverArt(Cover);
    if (!FCoverFile.isEmpty()) {
        QFile::remove(FCoverFile);
        FCoverFile.clear();
    }
    if (!Cover.isNull() && Mpris->Registered()) {
        // The desktop reads the cover from a file; one per track, so it never shows a stale one.
        QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (folder.isEmpty()) {
            folder = QDir::tempPath();
        }
        const QString file = QStringLiteral("%1/orvanta-cover-%2-%3.png")
                                 .arg(folder)
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(FShownTrack);
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly) && Cover.save(&out, "PNG") && out.commit()) {
            FCoverFile = file;
        }
    }
    Mpris->SetArtUrl(FCoverFile.isEmpty() ? QString() : QUrl::fromLocalFile(FCoverFile).toString());
}

} // namespace orvanta
