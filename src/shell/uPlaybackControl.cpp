#include "shell/uPlaybackControl.h"

#include <QTimer>
#include <QToolButton>

#include "common/uDisplayUtils.h"
#include "shell/uPlayerEngine.h"
#include "shell/uQtPath.h"
#include "shell/uResources.h"

namespace orvanta {

namespace {

constexpr int PlayDelay = 1000;

} // namespace

TToolPlayButtons::TToolPlayButtons(QToolButton* spdPlayFile, QToolButton* spdPlayPlayList,
                                   QToolButton* spdPlayTrack)
    : FButtons{spdPlayFile, spdPlayPlayList, spdPlayTrack} {
    EnsureResources();
    for (const char* name :
         {"play-file", "stop-file", "play-playlist", "stop-playlist", "play-track", "stop-track"}) {
        imlPlayIcons.push_back(
            QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(name))));
    }
}

void TToolPlayButtons::SetPlayButton(TPlayButton Button, int ImageIndex, const QString& Hint) {
    QToolButton* button = FButtons[static_cast<int>(Button)];
    if (button == nullptr) {
        return;
    }
    button->setIcon(ImageIndex >= 0 && ImageIndex < imlPlayIcons.size() ? imlPlayIcons[ImageIndex]
                                                                        : QIcon());
    button->setToolTip(Hint);
    button->setAccessibleName(Hint);
}

TPlaybackControl::TPlaybackControl(IPlayerEngine& Engine, IPlayButtons& Buttons,
                                   std::function<void(const QString&)> SetCaption,
                                   TRandom* Generator, QObject* Parent)
    : QObject(Parent), FEngine(Engine), FButtons(Buttons), FSetCaption(std::move(SetCaption)),
      FNowPlaying(Generator) {
    tmrPlay = new QTimer(this);
    tmrPlay->setInterval(PlayDelay);
    connect(tmrPlay, &QTimer::timeout, this, &TPlaybackControl::tmrPlayTimer);
    connect(&FEngine, &IPlayerEngine::PlayStateChange, this,
            &TPlaybackControl::wmpPlayerPlayStateChange);
    // The buttons start with their play pictures.
    ResetPlayButtons();
}

void TPlaybackControl::PlayFile(const QString& Path) {
    if (!PlayPath(Path)) {
        return;
    }
    FPlaying = true;
    FButtons.SetPlayButton(TPlayButton::PlayFile, 1, QStringLiteral("Stop Playing File"));
}

void TPlaybackControl::PlayTrack(const QString& Path) {
    if (!PlayPath(Path)) {
        return;
    }
    FPlaying = true;
    FButtons.SetPlayButton(TPlayButton::PlayTrack, 5, QStringLiteral("Stop Playing Track"));
}

void TPlaybackControl::PlayPlayList(const TPlayList& PlayList) {
    FNowPlaying.Assign(PlayList);
    FNowPlaying.Rewind();
    // Nothing was handed on (an empty list, an empty first entry): the buttons stay as they
    // are, or they would show a stop that nothing would ever end.
    if (!PlayNextTrack()) {
        return;
    }
    FPlaying = true;
    FButtons.SetPlayButton(TPlayButton::PlayPlayList, 3, QStringLiteral("Stop Playing Playlist"));
}

bool TPlaybackControl::PlayPath(const QString& Path) {
    // A single file plays once, whatever mode the last playlist had.
    FNowPlaying.PlayMode = pmNormal;
    FNowPlaying.Clear();
    FNowPlaying.InsertTrack(MakeTrackEntry(PathFromQString(Path), 0), -1);
    FNowPlaying.Rewind();
    return PlayNextTrack();
}

bool TPlaybackControl::PlayNextTrack() {
    const std::string entry = FNowPlaying.NextTrack();
    if (entry.empty()) {
        ResetPlayButtons();
        return false;
    }
    const std::string path = TrackPath(entry);
    if (FSetCaption) {
        FSetCaption(QString::fromStdString(FileTitle(path)));
    }
    FEngine.SetURL(PathToQString(path));
    tmrPlay->start();
    return true;
}

void TPlaybackControl::tmrPlayTimer() {
    tmrPlay->stop();
    FEngine.Play();
}

void TPlaybackControl::StopPlaying() {
    FEngine.Stop();
}

void TPlaybackControl::wmpPlayerPlayStateChange(int NewState) {
    if (NewState == IPlayerEngine::psStopped) {
        ResetPlayButtons();
    } else if (NewState == IPlayerEngine::psMediaEnded) {
        PlayNextTrack();
    }
}

void TPlaybackControl::ResetPlayButtons() {
    FPlaying = false;
    // A pending start would undo a stop made in a track's first second, or replay a short
    // file that has already ended.
    tmrPlay->stop();
    FButtons.SetPlayButton(TPlayButton::PlayFile, 0, QStringLiteral("Play File"));
    FButtons.SetPlayButton(TPlayButton::PlayPlayList, 2, QStringLiteral("Play Playlist"));
    FButtons.SetPlayButton(TPlayButton::PlayTrack, 4, QStringLiteral("Play Track"));
}

} // namespace orvanta
