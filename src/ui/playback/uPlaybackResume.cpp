// The queue's side of coming back after a restart.
#include <QThread>
#include <QTimer>

#include <algorithm>

#include "core/common/uTFileUtils.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"

namespace orvanta {

TPlaybackResume TPlaybackControl::ResumePoint() const {
    TPlaybackResume point;
    if (!FPlaying || FTrack.Entry.empty()) {
        return point;
    }
    point.Position = FNowPlaying.Position;
    point.Mode = FNowPlaying.PlayMode;
    point.Entry = FTrack.Entry;
    point.Index = FTrack.Index;
    const int state = FEngine.PlayState();
    if (state == IPlayerEngine::psPlaying || state == IPlayerEngine::psPaused) {
        point.Milliseconds = FEngine.Position();
    }
    return point;
}

bool TPlaybackControl::Resume(const TPlayList& Queue, const TPlaybackResume& Point) {
    Q_ASSERT(thread() == QThread::currentThread());
    if (Point.Entry.empty() || !TFileUtils::IsRegularFile(TrackPath(Point.Entry))) {
        return false;
    }
    FNowPlaying.Assign(Queue);
    FNowPlaying.PlayMode = Point.Mode;
    FNowPlaying.Position = std::clamp(Point.Position, -1, FNowPlaying.Count());
    if (FNowPlaying.Position == FNowPlaying.Count()) {
        FNowPlaying.Position = -1;
    }
    FHistory.clear();
    FFailed.clear();
    const bool inQueue = Point.Index >= 0 && FNowPlaying.GetTrack(Point.Index) == Point.Entry;
    // The engine starts what it loads: silent until it is paused at the point reached.
    disconnect(FResuming);
    FResumeVolume = FEngine.Volume();
    FEngine.SetVolume(0);
    const std::int64_t at = std::max<std::int64_t>(0, Point.Milliseconds);
    FResuming = connect(&FEngine, &IPlayerEngine::PlayStateChange, this, [this, at](int State) {
        if (State == IPlayerEngine::psPlaying) {
            FEngine.Pause();
            return;
        }
        if (State == IPlayerEngine::psTransitioning || State == IPlayerEngine::psUndefined) {
            return;
        }
        if (State == IPlayerEngine::psPaused && at > 0) {
            FEngine.Seek(at);
            emit Jumped(at);
        }
        // A volume set meanwhile (the strip's restored one) is the one kept.
        if (FEngine.Volume() == 0) {
            FEngine.SetVolume(FResumeVolume);
        }
        disconnect(FResuming);
    });
    HandOn({Point.Entry, inQueue ? Point.Index : -1});
    // Paused: the start a second later is not wanted.
    tmrPlay->stop();
    FPlaying = true;
    if (FNowPlaying.Count() > 1) {
        FButtons.SetPlayButton(TPlayButton::PlayPlayList, 3,
                               QStringLiteral("Stop Playing Playlist"));
    } else {
        FButtons.SetPlayButton(TPlayButton::PlayFile, 1, QStringLiteral("Stop Playing File"));
    }
    emit NowPlayingChanged();
    return true;
}

} // namespace orvanta
