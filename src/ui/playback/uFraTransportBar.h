#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

#include <cstdint>

#include "ui/common/uQuietSlider.h"

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace orvanta {

class IPlayerEngine;

// The player strip's controls: cover, previous, play/pause, next, stop, what plays, seek,
// elapsed and total time, mute and volume, and one line that says why a file could not be
// played. Every control is reachable by Tab. Previous, next and stop are announced, not acted
// on: the queue decides what they mean.
class TfraTransportBar : public QWidget {
    Q_OBJECT

public:
    explicit TfraTransportBar(IPlayerEngine& Engine, QWidget* Parent = nullptr);

    QString StatusText() const;
    QString ElapsedText() const;
    QString TotalText() const;

    void SetNavigation(bool CanGoPrevious, bool CanGoNext);
    // The playing track's texts; an empty title hides them.
    void SetNowPlaying(const QString& Title, const QString& Artist, const QString& Album);
    // The playing track's cover; an empty image hides it.
    void SetCoverArt(const QImage& Cover);
    // 0 to 100, as the slider shows it whether muted or not.
    int Volume() const;
    void SetVolume(int Volume);
    bool Muted() const;

    QLabel* imgCover = nullptr;
    QToolButton* cmdPrevious = nullptr;
    QToolButton* cmdPlayPause = nullptr;
    QToolButton* cmdNext = nullptr;
    QToolButton* cmdStop = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblArtist = nullptr;
    QToolButton* cmdMute = nullptr;
    TQuietSlider* trkSeek = nullptr;
    QSlider* trkVolume = nullptr;
    QLabel* lblElapsed = nullptr;
    QLabel* lblTotal = nullptr;
    QLabel* lblStatus = nullptr;

signals:
    void PreviousClicked();
    void NextClicked();
    // After the bar's own stop reached the engine.
    void StopClicked();
    // The bar moved playback to this point.
    void Jumped(qint64 Milliseconds);
    // The volume or the mute changed.
    void VolumeChanged();

private:
    void cmdPlayPauseClick();
    void ApplyVolume();
    void SeekTo(int Milliseconds);
    void EngineStateChange(int NewState);
    void EngineMediaError(const QString& Message, const QString& Path);
    void trkSeekChange(int Value);
    void tmrPositionTimer();
    void ShowStatus(const QString& Text);

    IPlayerEngine& FEngine;
    QIcon FPlayIcon;
    QIcon FPauseIcon;
    QIcon FVolumeIcon;
    QIcon FMutedIcon;
    QTimer* tmrPosition = nullptr;
    // Set while the bar moves the seek slider itself, so that is not taken for a seek.
    bool FUpdating = false;
    bool FDragged = false;
};

// "m:ss", or "h:mm:ss" from one hour on.
QString FormatPlayTime(std::int64_t Milliseconds);

} // namespace orvanta
