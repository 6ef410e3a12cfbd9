#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

#include "playlists/uTPlayList.h"

class QTimer;
class QToolButton;

namespace orvanta {

class IPlayerEngine;

enum class TPlayButton { PlayFile, PlayPlayList, PlayTrack };

// The three play buttons of the tool bar, as the playback logic sees them.
class IPlayButtons {
public:
    virtual ~IPlayButtons() = default;
    // Shows picture ImageIndex of the play pictures on Button, with Hint as its hint.
    virtual void SetPlayButton(TPlayButton Button, int ImageIndex, const QString& Hint) = 0;
};

// The play buttons as tool buttons, with the six pictures by index: play file, stop playing
// file, play playlist, stop playing playlist, play track, stop playing track.
class TToolPlayButtons : public IPlayButtons {
public:
    TToolPlayButtons(QToolButton* spdPlayFile, QToolButton* spdPlayPlayList,
                     QToolButton* spdPlayTrack);
    void SetPlayButton(TPlayButton Button, int ImageIndex, const QString& Hint) override;

private:
    QToolButton* FButtons[3];
    QVector<QIcon> imlPlayIcons;
};

// The play queue and its advance: what plays next, when it starts, and what the play buttons
// show meanwhile. The queue is always a copy, so editing a playlist never touches what plays.
class TPlaybackControl : public QObject {
    Q_OBJECT

public:
    TPlaybackControl(IPlayerEngine& Engine, IPlayButtons& Buttons,
                     std::function<void(const QString&)> SetCaption,
                     TRandom* Generator = &RandomGenerator, QObject* Parent = nullptr);

    void PlayFile(const QString& Path);
    void PlayTrack(const QString& Path);
    void PlayPlayList(const TPlayList& PlayList);
    void StopPlaying();

    bool Playing() const { return FPlaying; }
    const TPlayList& NowPlaying() const { return FNowPlaying; }

    // Starts each track again a second after it was handed over.
    QTimer* tmrPlay = nullptr;

private:
    // Both say whether a track was handed to the engine.
    bool PlayPath(const QString& Path);
    bool PlayNextTrack();
    void ResetPlayButtons();
    void tmrPlayTimer();
    void wmpPlayerPlayStateChange(int NewState);

    IPlayerEngine& FEngine;
    IPlayButtons& FButtons;
    std::function<void(const QString&)> FSetCaption;
    TPlayList FNowPlaying;
    bool FPlaying = false;
};

} // namespace orvanta
