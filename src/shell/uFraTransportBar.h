#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace orvanta {

class IPlayerEngine;

// The player strip's controls: play/pause, stop, seek, elapsed and total time, volume, and one
// line that says why a file could not be played. Every control is reachable by Tab.
class TfraTransportBar : public QWidget {
    Q_OBJECT

public:
    explicit TfraTransportBar(IPlayerEngine& Engine, QWidget* Parent = nullptr);

    QString StatusText() const;
    QString ElapsedText() const;
    QString TotalText() const;

    QToolButton* cmdPlayPause = nullptr;
    QToolButton* cmdStop = nullptr;
    QSlider* trkSeek = nullptr;
    QSlider* trkVolume = nullptr;
    // Silences the player; the slider keeps the volume to come back to.
    QToolButton* cmdMute = nullptr;
    QLabel* lblElapsed = nullptr;
    QLabel* lblTotal = nullptr;
    QLabel* lblStatus = nullptr;

private:
    void cmdPlayPauseClick();
    void EngineStateChange(int NewState);
    void EngineMediaError(const QString& Message, const QString& Path);
    void trkSeekChange(int Value);
    void tmrPositionTimer();
    void ShowStatus(const QString& Text);

    IPlayerEngine& FEngine;
    QTimer* tmrPosition = nullptr;
    // Set while the bar moves the seek slider itself, so that is not taken for a seek.
    bool FUpdating = false;
};

// "m:ss", or "h:mm:ss" from one hour on.
QString FormatPlayTime(std::int64_t Milliseconds);

} // namespace orvanta
