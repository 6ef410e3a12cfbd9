#include "ui/playback/uPlaybackControl.h"

#include <QAction>
#include <QStringList>
#include <QThread>

#include <QTimer>
#include <algorithm>

#include "core/common/uDisplayUtils.h"
#include "core/common/uTFileUtils.h"
#include "core/playlists/uStreamEntry.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uResources.h"
#include "ui/playback/uNowPlayingReader.h"
#include "ui/playback/uPlayerEngine.h"

namespace orvanta {

namespace {

constexpr int PlayDelay = 1000;
constexpr int SkipDelay = 2000;
// Previous restarts the track once this much of it has played.
constexpr std::int64_t RestartAfter = 3000;
constexpr std::size_t HistoryLimit = 1000;

void SetNumbers(TNowPlaying& Track, const TTrackInfo& Info) {
    Track.Track = Info.Track;
    Track.Disc = Info.Disc;
    Track.AlbumArtists.clear();
    for (const std::string& artist : Info.AlbumArtists) {
        Track.AlbumArtists << QString::fromStdString(artist);
    }
}

} // namespace

TToolPlayButtons::TToolPlayButtons(QAction* spdPlayFile, QAction* spdPlayPlayList,
                                   QAction* spdPlayTrack)
    : FButtons{spdPlayFile, spdPlayPlayList, spdPlayTrack} {
    EnsureResources();
    for (const char* name :
         {"play-file", "stop-file", "play-playlist", "stop-playlist", "play-track", "stop-track"}) {
        imlPlayIcons.push_back(
            QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(name))));
    }
}

void TToolPlayButtons::SetPlayButton(TPlayButton Button, int ImageIndex, const QString& Hint) {
    QAction* button = FButtons[static_cast<int>(Button)];
    if (button == nullptr) {
        return;
    }
    button->setIcon(ImageIndex >= 0 && ImageIndex < imlPlayIcons.size() ? imlPlayIcons[ImageIndex]
                                                                        : QIcon());
    // The text names the button to the desktop's readers and in the extension menu.
    button->setText(Hint);
    button->setToolTip(Hint);
}

TPlaybackControl::TPlaybackControl(IPlayerEngine& Engine, IPlayButtons& Buttons,
                                   std::function<void(const QString&)> SetCaption,
                                   TRandom* Generator, QObject* Parent)
    : QObject(Parent), FEngine(Engine), FButtons(Buttons), FSetCaption(std::move(SetCaption)),
      FNowPlaying(Generator) {
    FReader = std::make_unique<TNowPlayingReader>(
        *this, [this](const TNowPlayingFile& File) { FileRead(File); });
    tmrPlay = new QTimer(this);
    tmrPlay->setInterval(PlayDelay);
    connect(tmrPlay, &QTimer::timeout, this, &TPlaybackControl::tmrPlayTimer);
    tmrSkip = new QTimer(this);
    tmrSkip->setSingleShot(true);
    tmrSkip->setInterval(SkipDelay);
    connect(tmrSkip, &QTimer::timeout, this, &TPlaybackControl::tmrSkipTimer);
    connect(&FEngine, &IPlayerEngine::PlayStateChange, this,
            &TPlaybackControl::wmpPlayerPlayStateChange);
    connect(&FEngine, &IPlayerEngine::NextTaken, this, &TPlaybackControl::NextTaken);
    connect(&FEngine, &IPlayerEngine::NextStarted, this, &TPlaybackControl::NextStarted);
    // The buttons start with their play pictures.
    ResetPlayButtons();
}

TPlaybackControl::~TPlaybackControl() = default;

void TPlaybackControl::PlayFile(const QString& Path) {
    if (!PlayPath(Path)) {
        return;
    }
    FPlaying = true;
    FButtons.SetPlayButton(TPlayButton::PlayFile, 1, QStringLiteral("Stop Playing File"));
    emit NowPlayingChanged();
}

void TPlaybackControl::PlayTrack(const QString& Path) {
    if (!PlayPath(Path)) {
        return;
    }
    FPlaying = true;
    FButtons.SetPlayButton(TPlayButton::PlayTrack, 5, QStringLiteral("Stop Playing Track"));
    emit NowPlayingChanged();
}

void TPlaybackControl::PlayPlayList(const TPlayList& PlayList) {
    StartQueue(PlayList, -1, TPlayButton::PlayPlayList, 3, QStringLiteral("Stop Playing Playlist"));
}

void TPlaybackControl::PlayFromHere(const TPlayList& PlayList, int Index) {
    if (Index < 0 || Index >= PlayList.Count()) {
        return;
    }
    StartQueue(PlayList, Index, TPlayButton::PlayPlayList, 3,
               QStringLiteral("Stop Playing Playlist"));
}

void TPlaybackControl::StartQueue(const TPlayList& PlayList, int Index, TPlayButton Button,
                                  int ImageIndex, const QString& Hint) {
    FNowPlaying.Assign(PlayList);
    FHistory.clear();
    FFailed.clear();
    DropPrepared();
    ApplyReplayGain();
    bool handedOn = false;
    if (Index < 0) {
        FNowPlaying.Rewind();
        handedOn = PlayNextTrack();
    } else if (FNowPlaying.PlayMode == pmRandom) {
        // The chosen track first; the draws follow.
        const std::string entry = FNowPlaying.GetTrack(Index);
        handedOn = !entry.empty();
        if (handedOn) {
            HandOn({entry, -1});
        } else {
            ResetPlayButtons();
        }
    } else {
        FNowPlaying.Position = Index;
        handedOn = PlayNextTrack();
    }
    // Nothing was handed on (an empty list, an empty first entry): the buttons stay as they
    // are, or they would show a stop that nothing would ever end.
    if (!handedOn) {
        return;
    }
    FPlaying = true;
    FButtons.SetPlayButton(Button, ImageIndex, Hint);
    emit NowPlayingChanged();
}

bool TPlaybackControl::PlayPath(const QString& Path) {
    // A single file plays once, whatever mode the last playlist had.
    FNowPlaying.PlayMode = pmNormal;
    FNowPlaying.Clear();
    FNowPlaying.InsertTrack(MakeTrackEntry(PathFromQString(Path), 0), -1);
    FNowPlaying.Rewind();
    FHistory.clear();
    FFailed.clear();
    DropPrepared();
    ApplyReplayGain();
    return PlayNextTrack();
}

bool TPlaybackControl::PlayNextTrack() {
    if (!FTaken.empty()) {
        // The engine had taken it but ended first (it could not be opened, or the user moved
        // on): it comes next, and what was chosen to follow it is chosen again after it.
        const TQueueTrack next = FTaken.front();
        FTaken.clear();
        FPrepared.reset();
        FNowPlaying.Position = FPreparedFrom;
        HandOn(next);
        return true;
    }
    if (FPrepared) {
        const TQueueTrack next = *FPrepared;
        FPrepared.reset();
        HandOn(next);
        return true;
    }
    // NextTrack hands out the entry at Position in Normal and Loop; Random draws its own.
    const bool ordered = FNowPlaying.PlayMode != pmRandom;
    const bool inRange = FNowPlaying.Position >= 0 && FNowPlaying.Position < FNowPlaying.Count();
    const int index = ordered && inRange ? FNowPlaying.Position : -1;
    const std::string entry = FNowPlaying.NextTrack();
    if (entry.empty()) {
        ResetPlayButtons();
        return false;
    }
    HandOn({entry, index});
    return true;
}

void TPlaybackControl::HandOn(const TQueueTrack& Track) {
    Begin(Track);
    FEngine.SetURL(FCurrent.Path);
    PrepareNext();
    tmrPlay->start();
    emit NowPlayingChanged();
}

void TPlaybackControl::PrepareNext() {
    FPrepared.reset();
    FPreparedFrom = FNowPlaying.Position;
    const bool ordered = FNowPlaying.PlayMode != pmRandom;
    const bool inRange = FNowPlaying.Position >= 0 && FNowPlaying.Position < FNowPlaying.Count();
    const int index = ordered && inRange ? FNowPlaying.Position : -1;
    std::string entry = FNowPlaying.NextTrack();
    if (!entry.empty()) {
        FPrepared = TQueueTrack{std::move(entry), index};
    } else {
        // A queue that ran out steps on to its start: only the end's own draw may do that.
        FNowPlaying.Position = FPreparedFrom;
    }
    FEngine.SetNextURL(FPrepared ? PathToQString(TrackPath(FPrepared->Entry)) : QString());
}

void TPlaybackControl::DropPrepared() {
    FPrepared.reset();
    FTaken.clear();
    FEngine.SetNextURL(QString());
}

void TPlaybackControl::NextTaken(const QString& Path) {
    Q_ASSERT(thread() == QThread::currentThread());
    const auto pathOf = [](const TQueueTrack& Track) {
        return PathToQString(TrackPath(Track.Entry));
    };
    if (FPrepared && pathOf(*FPrepared) == Path) {
        FTaken.push_back(*FPrepared);
        PrepareNext();
    } else if (FPrepared && !FTaken.empty() && pathOf(FTaken.back()) == Path) {
        // Taken again after a seek reloaded the current file.
        FEngine.SetNextURL(pathOf(*FPrepared));
    }
}

void TPlaybackControl::NextStarted() {
    Q_ASSERT(thread() == QThread::currentThread());
    if (!FPlaying) {
        return;
    }
    TQueueTrack track{MakeTrackEntry(PathFromQString(FEngine.URL()), 0), -1};
    if (!FTaken.empty() && PathToQString(TrackPath(FTaken.front().Entry)) == FEngine.URL()) {
        track = FTaken.front();
        FTaken.pop_front();
    } else {
        FTaken.clear();
    }
    RememberPlayed();
    Begin(track);
    FTrackPlayed = true;
    FFailed.clear();
    if (!FPrepared && FTaken.empty()) {
        PrepareNext();
    }
    emit NowPlayingChanged();
}

void TPlaybackControl::SetPlayMode(std::int32_t Mode) {
    Q_ASSERT(thread() == QThread::currentThread());
    if ((Mode != pmNormal && Mode != pmLoop && Mode != pmRandom) || Mode == FNowPlaying.PlayMode)
        return;
    FNowPlaying.PlayMode = Mode;
    ApplyReplayGain();
    if (FPlaying && !FCurrent.Path.isEmpty()) {
        // After a track of the queue comes the one below it, which Normal's end may have lost;
        // a track drawn at random is found by its entry.
        const TQueueTrack& last = FTaken.empty() ? FTrack : FTaken.back();
        int at = last.Index;
        if (at < 0 && Mode != pmRandom && !last.Entry.empty()) {
            const auto& tracks = FNowPlaying.Tracks();
            const auto found = std::find(tracks.begin(), tracks.end(), last.Entry);
            at = found == tracks.end() ? -1 : static_cast<int>(found - tracks.begin());
        }
        const int below = at + 1;
        FNowPlaying.Position = at < 0                        ? FPreparedFrom
                               : below < FNowPlaying.Count() ? below
                               : Mode == pmLoop              ? 0
                                                             : -1;
        PrepareNext();
    }
    emit NowPlayingChanged();
}

void TPlaybackControl::SetReplayGain(const TReplayGainSettings& Settings) {
    FGain = Settings;
    ApplyReplayGain();
    emit ReplayGainChanged();
}

void TPlaybackControl::ApplyReplayGain() {
    // An album sounds as mastered only when its tracks follow in order.
    FEngine.SetReplayGain(FGain, FNowPlaying.PlayMode != pmRandom);
}

void TPlaybackControl::Begin(const TQueueTrack& Track) {
    Q_ASSERT(thread() == QThread::currentThread());
    FTrack = Track;
    FTrackPlayed = false;
    tmrSkip->stop();
    const std::string path = TrackPath(Track.Entry);
    // Only a regular file is read; the engine refuses the rest with its reason.
    const bool readable = TFileUtils::IsRegularFile(path);
    std::optional<TTrackInfo> row;
    if (readable && FInfoSource) {
        row = FInfoSource(path);
    }
    TTrackInfo info = row.value_or(TTrackInfo{});
    if (info.Title.empty()) {
        info.Title = IsStreamUrl(path) ? path : FileTitle(path);
    }
    // Nothing of the previous track stays: its tags and cover are not this one's.
    FCurrent = TNowPlaying{};
    FCurrent.Path = PathToQString(path);
    FCurrent.Title = QString::fromStdString(info.Title);
    FCurrent.Artist = QString::fromStdString(info.Artist);
    FCurrent.Album = QString::fromStdString(info.Album);
    FCurrent.Seconds = info.Seconds > 0 ? info.Seconds : TrackSeconds(Track.Entry);
    SetNumbers(FCurrent, info);
    FCurrent.Serial = ++FSerial;
    FCurrent.FileRead = !readable;
    if (readable) {
        FReader->Read(FCurrent.Serial, path, !row);
    }
    if (FSetCaption) {
        FSetCaption(WindowTitle(FCurrent));
    }
}

void TPlaybackControl::FileRead(const TNowPlayingFile& File) {
    Q_ASSERT(thread() == QThread::currentThread());
    if (File.Serial == 0 || File.Serial != FCurrent.Serial) {
        return;
    }
    if (File.HasTags) {
        FCurrent.Title = QString::fromStdString(File.Tags.Title);
        FCurrent.Artist = QString::fromStdString(File.Tags.Artist);
        FCurrent.Album = QString::fromStdString(File.Tags.Album);
        if (File.Tags.Seconds > 0) {
            FCurrent.Seconds = File.Tags.Seconds;
        }
        SetNumbers(FCurrent, File.Tags);
        // A track that failed shows the program's name until the next one starts.
        if (FSetCaption && !tmrSkip->isActive()) {
            FSetCaption(WindowTitle(FCurrent));
        }
    }
    FCurrent.FileRead = true;
    FCurrent.Cover = File.Cover;
    emit NowPlayingChanged();
}

void TPlaybackControl::RememberPlayed() {
    if (FTrackPlayed && !FTrack.Entry.empty()) {
        FHistory.push_back(FTrack);
        if (FHistory.size() > HistoryLimit) {
            FHistory.erase(FHistory.begin());
        }
    }
    FTrackPlayed = false;
}

bool TPlaybackControl::CanGoNext() const {
    if (!FPlaying || FNowPlaying.Count() < 2) {
        return false;
    }
    if (FNowPlaying.PlayMode == pmLoop || FNowPlaying.PlayMode == pmRandom) {
        return true;
    }
    return FPrepared.has_value() || !FTaken.empty();
}

bool TPlaybackControl::CanGoPrevious() const {
    return FPlaying && FNowPlaying.Count() >= 2;
}

void TPlaybackControl::Next() {
    if (!CanGoNext()) {
        return;
    }
    RememberPlayed();
    PlayNextTrack();
}

void TPlaybackControl::Previous() {
    if (!CanGoPrevious()) {
        return;
    }
    const int state = FEngine.PlayState();
    const bool sounding = state == IPlayerEngine::psPlaying || state == IPlayerEngine::psPaused;
    if (sounding && (FHistory.empty() || FEngine.Position() > RestartAfter)) {
        FEngine.Seek(0);
        emit Jumped(0);
        return;
    }
    if (FHistory.empty()) {
        return;
    }
    const TQueueTrack back = FHistory.back();
    FHistory.pop_back();
    DropPrepared();
    if (back.Index >= 0) {
        // Through the queue, so the tracks after it follow again.
        FNowPlaying.Position = back.Index;
        PlayNextTrack();
    } else {
        HandOn(back);
    }
}

void TPlaybackControl::tmrPlayTimer() {
    tmrPlay->stop();
    FEngine.Play();
}

void TPlaybackControl::tmrSkipTimer() {
    PlayNextTrack();
}

void TPlaybackControl::StopPlaying() {
    // While a failed track waits to be skipped the engine is stopped already.
    if (tmrSkip->isActive()) {
        ResetPlayButtons();
    }
    FEngine.Stop();
}

bool TPlaybackControl::CanSkipFailed() const {
    if (FNowPlaying.Count() < 2) {
        return false;
    }
    if (FNowPlaying.PlayMode != pmLoop && FNowPlaying.PlayMode != pmRandom) {
        return FPrepared.has_value() || !FTaken.empty();
    }
    // Loop and Random never run out: stop once every entry has failed in a row.
    const std::unordered_set<std::string> entries(FNowPlaying.Tracks().begin(),
                                                  FNowPlaying.Tracks().end());
    return FFailed.size() < entries.size();
}

void TPlaybackControl::wmpPlayerPlayStateChange(int NewState) {
    if (NewState == IPlayerEngine::psStopped) {
        if (FPlaying && FEngine.LoadFailed()) {
            FFailed.insert(FTrack.Entry);
            if (CanSkipFailed()) {
                // The strip says why now; the next track comes once it could be read.
                tmrPlay->stop();
                if (FSetCaption) {
                    FSetCaption(QStringLiteral("Orvanta"));
                }
                tmrSkip->start();
                return;
            }
        }
        ResetPlayButtons();
    } else if (NewState == IPlayerEngine::psMediaEnded) {
        RememberPlayed();
        PlayNextTrack();
    } else if (NewState == IPlayerEngine::psPlaying) {
        FTrackPlayed = true;
        FFailed.clear();
    } else if (NewState == IPlayerEngine::psPaused) {
        // A pause in a track's first second stays: the pending start must not undo it.
        tmrPlay->stop();
    }
}

void TPlaybackControl::ResetPlayButtons() {
    FPlaying = false;
    FPrepared.reset();
    FTaken.clear();
    // A pending start would undo a stop made in a track's first second, or replay a short
    // file that has already ended.
    tmrPlay->stop();
    tmrSkip->stop();
    FButtons.SetPlayButton(TPlayButton::PlayFile, 0, QStringLiteral("Play File"));
    FButtons.SetPlayButton(TPlayButton::PlayPlayList, 2, QStringLiteral("Play Playlist"));
    FButtons.SetPlayButton(TPlayButton::PlayTrack, 4, QStringLiteral("Play Track"));
    FCurrent = TNowPlaying{};
    if (FSetCaption) {
        FSetCaption(QStringLiteral("Orvanta"));
    }
    emit NowPlayingChanged();
}

QString WindowTitle(const TNowPlaying& Track) {
    QStringList parts;
    if (!Track.Artist.isEmpty()) {
        parts << Track.Artist;
    }
    if (!Track.Title.isEmpty()) {
        parts << Track.Title;
    }
    parts << QStringLiteral("Orvanta");
    return parts.join(QStringLiteral(" \u2013 "));
}

} // namespace orvanta
