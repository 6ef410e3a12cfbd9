#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "core/metadata/uReplayGain.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace orvanta {

// The URI playbin opens for an entry's path: a stream's URL as it stands, a file's file://
// URI; empty, with the reason in Error, for what cannot play (no name, not a regular file).
std::string PlayableUri(const QString& Path, QString& Error);

class TStreamGain;

// What the main window and the transport bar ask of the player. The state codes are those the
// playback logic was written against: 1 stopped, 8 media ended; 2, 3 and 9 serve the transport bar.
class IPlayerEngine : public QObject {
    Q_OBJECT

public:
    enum : int {
        psUndefined = 0,
        psStopped = 1,
        psPaused = 2,
        psPlaying = 3,
        psMediaEnded = 8,
        psTransitioning = 9,
    };

    using QObject::QObject;
    ~IPlayerEngine() override = default;

    // Loads the file and starts it; a failure is reported by MediaError and state 1, never thrown.
    virtual void SetURL(const QString& Path) = 0;
    virtual QString URL() const = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void Seek(std::int64_t Milliseconds) = 0;
    // 0 to 100.
    virtual void SetVolume(int Volume) = 0;
    virtual int Volume() const = 0;
    // In milliseconds; 0 while unknown.
    virtual std::int64_t Position() const = 0;
    virtual std::int64_t Duration() const = 0;
    virtual int PlayState() const = 0;
    // Whether the file set last could not be played; a stop clears it.
    virtual bool LoadFailed() const = 0;
    // The file to follow the current one without a gap; empty for none. An engine that cannot
    // join files ignores it and reports the end of each file instead.
    virtual void SetNextURL(const QString& Path) { (void)Path; }
    // How each stream's ReplayGain is applied; AlbumInOrder says whether an album plays in its
    // order (Auto takes the album's gain then).
    virtual void SetReplayGain(const TReplayGainSettings& Settings, bool AlbumInOrder) {
        (void)Settings;
        (void)AlbumInOrder;
    }

signals:
    void PlayStateChange(int NewState);
    // The first error of a load, with the engine's own words and the file it concerns.
    void MediaError(const QString& Message, const QString& Path);
    // playbin took the file set by SetNextURL, to follow the current one (or one already taken);
    // a file to follow it may be set now.
    void NextTaken(const QString& Path);
    // The file taken began to sound where the last one ended; URL() names it now.
    void NextStarted();
};

// The engine over GStreamer's playbin. Bus messages arrive on streaming threads and are forwarded
// to this object's thread by a queued call, so it needs a running Qt event loop, not a GLib one.
class TGstPlayerEngine : public IPlayerEngine {
    Q_OBJECT

public:
    // AudioSink is a gst-launch description such as "fakesink sync=true"; empty takes the default.
    // The pipeline is built when first needed, or earlier by Prepare, so making the engine costs
    // the window that holds it nothing.
    explicit TGstPlayerEngine(const QString& AudioSink = QString(), QObject* Parent = nullptr);
    ~TGstPlayerEngine() override;
    // Starts GStreamer and loads playbin on a thread of its own, while the program does other
    // work; an engine's pipeline built later waits for it and then starts at once.
    static void StartLoading();
    // True once that loading is over (or was never started): a pipeline built now does not wait.
    static bool Loaded();
    TGstPlayerEngine(const TGstPlayerEngine&) = delete;
    TGstPlayerEngine& operator=(const TGstPlayerEngine&) = delete;

    // Builds the pipeline unless it is built.
    void Prepare();
    // False when GStreamer or playbin is missing; every operation then reports an error.
    bool IsReady() {
        Prepare();
        return FPlayBin != nullptr;
    }

    void SetURL(const QString& Path) override;
    QString URL() const override { return FPath; }
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Seek(std::int64_t Milliseconds) override;
    void SetVolume(int Volume) override;
    int Volume() const override { return FVolume; }
    std::int64_t Position() const override;
    std::int64_t Duration() const override;
    int PlayState() const override { return FState; }
    bool LoadFailed() const override { return FFailed; }
    void SetNextURL(const QString& Path) override;
    void SetReplayGain(const TReplayGainSettings& Settings, bool AlbumInOrder) override;
    // The factor the current stream's ReplayGain scales it by.
    double GainFactor();

private:
    void HandleMessage(GstMessage* Message, unsigned Load, unsigned Streams);
    void Fail(const QString& Message);
    void FailLater(const QString& Message);
    void ChangeState(int NewState);
    void Unload();
    // Sets playbin's next file, on the streaming thread, when the current one is about to end.
    void AboutToFinish();
    // The next file was handed to playbin but has not begun: the current one starts again.
    void Reload(std::int64_t Milliseconds);

    QString FAudioSink;
    bool FPrepared = false;
    GstElement* FPlayBin = nullptr;
    // In front of the audio sink; it sets what is heard.
    GstElement* FVolumeElement = nullptr;
    // Bumped after the pipeline is down for each new file; messages of earlier loads are dropped.
    std::atomic<unsigned> FLoad{0};
    QString FPath;
    QString FInitError;
    bool FFailed = false;
    bool FPauseWanted = false;
    int FState = psUndefined;
    int FVolume = 50;
    mutable std::int64_t FLastDuration = 0;
    std::unique_ptr<TStreamGain> FGain;
    // A seek waiting for the file reloaded by a seek to be ready; -1 for none.
    std::int64_t FSeekWhenReady = -1;
    // The next file handed over failed: the current one ends once what is left has sounded.
    bool FEndingEarly = false;
    // The last file's position (ns) when the joined one began; -1 once the new one's is known.
    mutable std::int64_t FPositionBefore = -1;

    // The next file and its hand-over, shared with the streaming thread that asks for it. The
    // lock is never held across a call into GStreamer from this thread.
    struct TNext {
        std::string Uri;
        QString Path;
        // What was handed over and has not begun, oldest first, each with the count of streams
        // it begins at. A short file is taken before the one ahead of it begins.
        struct THanded {
            std::string Uri;
            QString Path;
            unsigned Stream = 0;
        };
        std::deque<THanded> Handed;
    };
    std::mutex FNextLock;
    TNext FNext;
};

} // namespace orvanta
