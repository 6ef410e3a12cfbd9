#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/library/uTrackInfo.h"
#include "core/metadata/uReplayGain.h"
#include "core/playlists/uTPlayList.h"

class QTimer;
class QAction;

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

// The play buttons as the tool bar's actions, with the six pictures by index: play file, stop
// playing file, play playlist, stop playing playlist, play track, stop playing track.
class TToolPlayButtons : public IPlayButtons {
public:
    TToolPlayButtons(QAction* spdPlayFile, QAction* spdPlayPlayList, QAction* spdPlayTrack);
    void SetPlayButton(TPlayButton Button, int ImageIndex, const QString& Hint) override;

private:
    QAction* FButtons[3];
    QVector<QIcon> imlPlayIcons;
};

class TNowPlayingReader;
struct TNowPlayingFile;

// The track being played, as the strip, the window title and the desktop show it. Serial
// changes with every track handed to the engine; 0 while nothing plays. A track starts with
// its library row, else its file name, and its tags and cover fill in once its file was read.
struct TNowPlaying {
    QString Path;
    QString Title;
    QString Artist;
    QString Album;
    std::int32_t Seconds = 0;
    // 0 where the tags give none.
    std::int32_t Track = 0;
    std::int32_t Disc = 0;
    QStringList AlbumArtists;
    unsigned Serial = 0;
    // Whether the file's answer (tags and cover) came in; Cover is null until then.
    bool FileRead = false;
    QImage Cover;
};

// Where playback stood, for a restart to come back to: the track, its index in the queue
// (-1 when drawn at random or played alone), the point reached, and the queue's position and
// mode. The queue's entries are NowPlaying()'s, not copied. An empty Entry: nothing played.
struct TPlaybackResume {
    std::string Entry;
    int Index = -1;
    std::int64_t Milliseconds = 0;
    std::int32_t Position = -1;
    std::int32_t Mode = pmNormal;
};

// "Artist – Title – Orvanta", without the parts the track lacks.
QString WindowTitle(const TNowPlaying& Track);

// The play queue and its advance: what plays next, when it starts, what the play buttons show
// meanwhile, and the way back through the tracks played. The queue is always a copy, so editing
// a playlist never touches what plays.
class TPlaybackControl : public QObject {
    Q_OBJECT

public:
    // The library's row of a track, read on this thread; none, and the file's tags are read on
    // the reader's thread.
    using TTrackInfoSource = std::function<std::optional<TTrackInfo>(const std::string& Path)>;

    // SetCaption receives the window title: "Artist – Title – Orvanta", or "Orvanta".
    TPlaybackControl(IPlayerEngine& Engine, IPlayButtons& Buttons,
                     std::function<void(const QString&)> SetCaption,
                     TRandom* Generator = &RandomGenerator, QObject* Parent = nullptr);
    ~TPlaybackControl() override;

    void PlayFile(const QString& Path);
    void PlayTrack(const QString& Path);
    void PlayPlayList(const TPlayList& PlayList);
    // Plays PlayList in its mode from the entry at Index on.
    void PlayFromHere(const TPlayList& PlayList, int Index);
    void StopPlaying();
    // The next track by the queue's mode; nothing at the end of a Normal queue.
    void Next();
    // The track played before this one; after the first seconds of a track, that track again.
    void Previous();
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    // Changes the queue's mode (pmNormal, pmLoop, pmRandom) while it plays: the track to
    // follow is chosen again; leaving Random goes on after the track playing.
    void SetPlayMode(std::int32_t Mode);
    // How the tracks' ReplayGain is applied from now on.
    void SetReplayGain(const TReplayGainSettings& Settings);
    const TReplayGainSettings& ReplayGain() const { return FGain; }

    bool Playing() const { return FPlaying; }
    const TPlayList& NowPlaying() const { return FNowPlaying; }
    const TNowPlaying& Current() const { return FCurrent; }
    // The queue's play mode (pmNormal, pmLoop, pmRandom); SetPlayMode changes it.
    std::int32_t PlayMode() const { return FNowPlaying.PlayMode; }
    // Where playback stands now; an empty Entry while nothing plays.
    TPlaybackResume ResumePoint() const;
    // Loads Point's track paused at its point, with Queue (its entries and name) behind it.
    // False, and nothing changed, when its file is gone or no longer a regular file.
    bool Resume(const TPlayList& Queue, const TPlaybackResume& Point);

    // Where the texts of a track come from before its tags; by default nowhere.
    void SetTrackInfoSource(TTrackInfoSource Source) { FInfoSource = std::move(Source); }

    // Starts each track again a second after it was handed over.
    QTimer* tmrPlay = nullptr;
    // Moves on from a track that could not be played once the strip has said why.
    QTimer* tmrSkip = nullptr;

signals:
    // The track, the playing state or what Next and Previous can do changed.
    void NowPlayingChanged();
    // The playing track jumped to this point.
    void Jumped(qint64 Milliseconds);
    void ReplayGainChanged();

private:
    // One track handed on: its entry and its index in the queue (-1 when drawn at random).
    struct TQueueTrack {
        std::string Entry;
        int Index = -1;
    };

    void StartQueue(const TPlayList& PlayList, int Index, TPlayButton Button, int ImageIndex,
                    const QString& Hint);
    // Both say whether a track was handed to the engine.
    bool PlayPath(const QString& Path);
    bool PlayNextTrack();
    void HandOn(const TQueueTrack& Track);
    // Makes Track the one shown and played back through; the engine is not touched.
    void Begin(const TQueueTrack& Track);
    // Chooses the track to follow the current one (or the last one taken) and hands it to the
    // engine, which joins it on without a gap; once the engine took it (NextTaken) the one after
    // is chosen, and the queue moves on when it starts (NextStarted).
    void PrepareNext();
    void DropPrepared();
    void NextTaken(const QString& Path);
    void NextStarted();
    void ApplyReplayGain();
    // The reader's answer for a track; one for a track no longer current is dropped.
    void FileRead(const TNowPlayingFile& File);
    void RememberPlayed();
    bool CanSkipFailed() const;
    void ResetPlayButtons();
    void tmrPlayTimer();
    void tmrSkipTimer();
    void wmpPlayerPlayStateChange(int NewState);

    IPlayerEngine& FEngine;
    IPlayButtons& FButtons;
    std::function<void(const QString&)> FSetCaption;
    TTrackInfoSource FInfoSource;
    TPlayList FNowPlaying;
    bool FPlaying = false;
    TQueueTrack FTrack;
    // The track to follow, chosen when the current one was handed on; Position before it.
    std::optional<TQueueTrack> FPrepared;
    std::int32_t FPreparedFrom = 0;
    // Tracks the engine took to follow the current one, not yet begun; oldest first.
    std::deque<TQueueTrack> FTaken;
    TReplayGainSettings FGain;
    // Whether the engine reported the track as playing; only such tracks are gone back to.
    bool FTrackPlayed = false;
    std::vector<TQueueTrack> FHistory;
    // Entries that failed since a track last played.
    std::unordered_set<std::string> FFailed;
    TNowPlaying FCurrent;
    unsigned FSerial = 0;
    std::unique_ptr<TNowPlayingReader> FReader;
    // While a resumed track is brought to its point: the engine's volume to give back.
    QMetaObject::Connection FResuming;
    int FResumeVolume = 0;
};

} // namespace orvanta
